#pragma once
#include "platform/CaptureFilter.h"

#include <memory>

namespace platform {

class LinuxVideoDevice;

// A capture filter on a V4L2 node: the standard properties as V4L2 controls.
class LinuxCaptureFilter : public CaptureFilter
{
public:
    explicit LinuxCaptureFilter(std::shared_ptr<LinuxVideoDevice> device);

    bool hasInterface(PropertySet set) override;
    HResult getRange(PropertySet set, std::int32_t id, PropertyRange *range) override;
    HResult getValue(PropertySet set, std::int32_t id, std::int32_t *value, std::int32_t *flags) override;
    // Every node takes single-value requests; a property it lacks answers not found.
    bool hasPropertyInterface() override;
    HResult readValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                      std::int32_t *valueOut, std::int32_t *flagsOut) override;
    // A manual value (flags manual) or the automatic mode (flags auto); the request is
    // left as it was sent.
    HResult setValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                     std::int32_t *valueOut, std::int32_t *flagsOut) override;

private:
    std::shared_ptr<LinuxVideoDevice> m_device;
};

} // namespace platform
