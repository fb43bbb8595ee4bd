#pragma once
#include "platform/CaptureDevice.h"

#include <memory>

struct IMoniker;
struct IPropertyBag;

namespace platform {

// One video-input device of the system device enumerator: its moniker and property bag.
class WindowsCaptureDevice : public CaptureDevice
{
public:
    explicit WindowsCaptureDevice(std::shared_ptr<IMoniker> moniker);
    bool openPropertyBag() override;
    bool readProperty(const QString &name, QString *value) override;
    QString monikerDisplayName() override;
    // serialNumber() stays empty: the property bag carries no USB serial number, so a
    // camera here is keyed by its device path.
    std::shared_ptr<CaptureFilter> bindFilter() override;

private:
    std::shared_ptr<IMoniker> m_moniker;
    std::shared_ptr<IPropertyBag> m_bag;
};

} // namespace platform
