#pragma once
#include "platform/CaptureFilter.h"
#include "platform/Status.h"

#include <cstdint>

struct v4l2_queryctrl;

namespace platform {

// The standard camera-control and video-proc-amp properties as V4L2 controls: which
// control carries each id, which control switches its automatic mode, and the unit
// conversions where the two systems count differently.
class LinuxControlMap
{
public:
    // A property set or a property the device does not have.
    static constexpr HResult kErrorSetNotFound = HResult(0x80070492u);
    static constexpr HResult kErrorNotFound = HResult(0x80070490u);
    // Property flags.
    static constexpr std::int32_t kFlagAuto = 1;
    static constexpr std::int32_t kFlagManual = 2;

    struct Control
    {
        std::uint32_t id = 0;     // the value control
        std::uint32_t autoId = 0; // the automatic-mode control, 0 when there is none
        std::int32_t scale = 1;   // V4L2 units per platform unit
    };

    static bool control(PropertySet set, std::int32_t id, Control *control);

    static std::int32_t toPlatform(std::int32_t v4l2Value, const Control &control);
    static std::int32_t toV4l2(std::int32_t value, const Control &control);
    // The property's range from its control (and whether it has an automatic mode).
    static PropertyRange range(const v4l2_queryctrl &query, bool hasAuto, const Control &control);
    // The property's flags from its automatic-mode control's value.
    static std::int32_t flags(bool hasAuto, std::int32_t autoValue);
    // The platform status for an errno of a control call.
    static HResult statusFromErrno(int error);
};

} // namespace platform
