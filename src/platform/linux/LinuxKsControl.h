#pragma once
#include "platform/KsControl.h"

#include <memory>

namespace platform {

class LinuxCaptureFilter;

// The capture filter's property interface: 40-byte standard-property requests carried
// onto the filter's V4L2 controls.
class LinuxKsControl : public KsControl
{
public:
    explicit LinuxKsControl(std::shared_ptr<LinuxCaptureFilter> filter);
    HResult ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                       std::uint32_t dataLength, std::uint32_t *bytesReturned) override;

private:
    std::shared_ptr<LinuxCaptureFilter> m_filter;
};

} // namespace platform
