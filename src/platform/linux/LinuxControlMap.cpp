#include "platform/linux/LinuxControlMap.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

// Pan and tilt travel in arc-seconds in V4L2 and in degrees on the platform.
constexpr std::int32_t kArcSecondsPerDegree = 3600;

} // namespace

bool LinuxControlMap::control(PropertySet set, std::int32_t id, Control *control)
{
    Control c;
    if (set == PropertySet::CameraControl) {
        switch (id) {
        case 0: c = {V4L2_CID_PAN_ABSOLUTE, 0, kArcSecondsPerDegree}; break;
        case 1: c = {V4L2_CID_TILT_ABSOLUTE, 0, kArcSecondsPerDegree}; break;
        case 3: c = {V4L2_CID_ZOOM_ABSOLUTE, 0, 1}; break;
        case 6: c = {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, 1}; break;
        default: return false;
        }
    } else {
        switch (id) {
        case 0: c = {V4L2_CID_BRIGHTNESS, 0, 1}; break;
        case 1: c = {V4L2_CID_CONTRAST, 0, 1}; break;
        case 2: c = {V4L2_CID_HUE, 0, 1}; break;
        case 3: c = {V4L2_CID_SATURATION, 0, 1}; break;
        case 4: c = {V4L2_CID_SHARPNESS, 0, 1}; break;
        case 7: c = {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE, 1}; break;
        default: return false;
        }
    }
    *control = c;
    return true;
}

std::int32_t LinuxControlMap::toPlatform(std::int32_t v4l2Value, const Control &control)
{
    if (control.scale == 1)
        return v4l2Value;
    return static_cast<std::int32_t>(std::lround(double(v4l2Value) / control.scale));
}

std::int32_t LinuxControlMap::toV4l2(std::int32_t value, const Control &control)
{
    const std::int64_t scaled = std::int64_t(value) * control.scale;
    if (scaled > INT32_MAX)
        return INT32_MAX;
    if (scaled < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(scaled);
}

PropertyRange LinuxControlMap::range(const v4l2_queryctrl &query, bool hasAuto, const Control &control)
{
    PropertyRange r;
    r.minimum = toPlatform(query.minimum, control);
    r.maximum = toPlatform(query.maximum, control);
    // A step finer than one platform unit still moves by one.
    r.step = std::max<std::int32_t>(1, toPlatform(query.step, control));
    r.defaultValue = toPlatform(query.default_value, control);
    r.capsFlags = hasAuto ? (kFlagAuto | kFlagManual) : kFlagManual;
    return r;
}

std::int32_t LinuxControlMap::flags(bool hasAuto, std::int32_t autoValue)
{
    return hasAuto && autoValue ? kFlagAuto : kFlagManual;
}

HResult LinuxControlMap::statusFromErrno(int error)
{
    switch (error) {
    case ENODEV:
    case ENXIO:
        return kErrorDeviceNotConnected;
    case ENOENT:
        // uvcvideo: the unit has no such control.
        return kErrorNotFound;
    case EINVAL:
    case ERANGE:
        return kEInvalidArg;
    case EACCES:
    case EPERM:
        return kEAccessDenied;
    case ETIMEDOUT:
        return kErrorSemTimeout;
    default:
        return kErrorGenFailure;
    }
}

} // namespace platform
