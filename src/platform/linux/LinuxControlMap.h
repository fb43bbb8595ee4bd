#pragma once
#include "platform/CaptureFilter.h"
#include "platform/Status.h"

#include <QUuid>

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
    // Property flags and request kinds.
    static constexpr std::int32_t kFlagAuto = 1;
    static constexpr std::int32_t kFlagManual = 2;
    static constexpr std::int32_t kKindGet = 1;
    static constexpr std::int32_t kKindSet = 2;
    // The property header (set, id, kind) and the smallest data block (value, flags,
    // capabilities after a copy of the header).
    static constexpr std::uint32_t kHeaderLength = 24;
    static constexpr std::uint32_t kDataLength = 36;

    static const QUuid kCameraControlSet;
    static const QUuid kVideoProcAmpSet;

    struct Control
    {
        std::uint32_t id = 0;     // the value control
        std::uint32_t autoId = 0; // the automatic-mode control, 0 when there is none
        std::int32_t scale = 1;   // V4L2 units per platform unit
    };

    // A standard-property request: set, id and kind from the property block, value and
    // flags from the data block (both usually the same 40-byte buffer).
    struct Request
    {
        QUuid set;
        std::int32_t id = 0;
        std::int32_t kind = 0;
        std::int32_t value = 0;
        std::int32_t flags = 0;
    };

    static bool control(PropertySet set, std::int32_t id, Control *control);
    static bool propertySet(const QUuid &guid, PropertySet *set);
    static bool parseRequest(const void *property, std::uint32_t propertyLength, const void *data,
                             std::uint32_t dataLength, Request *request);
    // Writes a read's answer (value, flags, capabilities) into the buffer.
    static void writeAnswer(void *buffer, std::int32_t value, std::int32_t flags, std::int32_t capsFlags);

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
