#pragma once
#include "platform/KsControl.h"
#include "platform/windows/WindowsCom.h"

#include <memory>

namespace platform {

// A kernel-streaming property interface (IKsControl) behind the seam. The caller's
// blocks are plain bytes; the interface reads a KSPROPERTY structure, so both blocks
// travel in aligned copies and the data comes back into the caller's buffer.
class WindowsKsControl : public KsControl
{
public:
    // The property header every request starts with (set, id, flags).
    static constexpr std::uint32_t kPropertyHeaderLength = 24;

    explicit WindowsKsControl(std::shared_ptr<IKsControl> control);
    HResult ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                       std::uint32_t dataLength, std::uint32_t *bytesReturned) override;

private:
    std::shared_ptr<IKsControl> m_control;
};

} // namespace platform
