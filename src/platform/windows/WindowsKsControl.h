#pragma once
#include "platform/CaptureFilter.h"
#include "platform/KsControl.h"
#include "platform/windows/WindowsCom.h"

#include <memory>

namespace platform {

// A kernel-streaming property interface (IKsControl) behind the seam. The caller's
// blocks are plain bytes; the interface reads a KSPROPERTY structure, so both blocks
// travel in aligned copies and the data comes back into the caller's buffer.
// The capture filter's typed single-value requests are laid out here as the
// interface expects them.
class WindowsKsControl : public KsControl
{
public:
    // The property header every request starts with (set, id, flags).
    static constexpr std::uint32_t kPropertyHeaderLength = 24;

    // A standard-property request (KSPROPERTY_CAMERACONTROL_S, KSPROPERTY_VIDEOPROCAMP_S):
    // the set's GUID, id at 16, kind at 20, value at 24, flags at 28 and again at 32
    // (where the answer to a read holds the capabilities). One buffer serves as both
    // blocks.
    static constexpr std::uint32_t kValueRequestLength = 40;
    static constexpr std::int32_t kKindGet = 1;
    static constexpr std::int32_t kKindSet = 2;

    explicit WindowsKsControl(std::shared_ptr<IKsControl> control);
    HResult ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                       std::uint32_t dataLength, std::uint32_t *bytesReturned) override;

    static void packValueRequest(std::uint8_t *buffer, PropertySet set, std::int32_t id, std::int32_t kind,
                                 std::int32_t value, std::int32_t flags);
    // Sends one standard-property request; valueOut and flagsOut receive the value and
    // flags the buffer holds afterwards, whatever the status.
    HResult valueRequest(PropertySet set, std::int32_t id, std::int32_t kind, std::int32_t value,
                         std::int32_t flags, std::int32_t *valueOut, std::int32_t *flagsOut);

private:
    std::shared_ptr<IKsControl> m_control;
};

} // namespace platform
