#pragma once
#include "platform/CaptureDevice.h"
#include "platform/sim/SimUvcCamera.h"

namespace sim {

// A rig camera's entry in the video-input category.
class SimCaptureDevice : public platform::CaptureDevice
{
public:
    explicit SimCaptureDevice(SimUvcCamera::Handle handle);

    bool openPropertyBag() override;
    bool readProperty(const QString &name, QString *value) override;
    QString monikerDisplayName() override;
    QString serialNumber() override;
    QString videoNode() override;
    std::shared_ptr<platform::CaptureFilter> bindFilter() override;

private:
    SimUvcCamera::Handle m_handle;
};

} // namespace sim
