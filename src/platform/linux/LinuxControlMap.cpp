#include "platform/linux/LinuxControlMap.h"

#include <QtEndian>

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

namespace platform {

const QUuid LinuxControlMap::kCameraControlSet(0xC6E13370, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9,
                                               0x11, 0x89, 0x56);
const QUuid LinuxControlMap::kVideoProcAmpSet(0xC6E13360, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9,
                                              0x11, 0x89, 0x56);

namespace {

// Pan and tilt travel in arc-seconds in V4L2 and in degrees on the platform.
constexpr std::int32_t kArcSecondsPerDegree = 3600;

QUuid readGuid(const std::uint8_t *p)
{
    return QUuid(qFromLittleEndian<quint32>(p), qFromLittleEndian<quint16>(p + 4),
                 qFromLittleEndian<quint16>(p + 6), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
}

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

bool LinuxControlMap::propertySet(const QUuid &guid, PropertySet *set)
{
    if (guid == kCameraControlSet)
        *set = PropertySet::CameraControl;
    else if (guid == kVideoProcAmpSet)
        *set = PropertySet::VideoProcAmp;
    else
        return false;
    return true;
}

bool LinuxControlMap::parseRequest(const void *property, std::uint32_t propertyLength, const void *data,
                                   std::uint32_t dataLength, Request *request)
{
    if (!property || !data || propertyLength < kHeaderLength || dataLength < kDataLength)
        return false;
    const auto *p = static_cast<const std::uint8_t *>(property);
    const auto *d = static_cast<const std::uint8_t *>(data);
    request->set = readGuid(p);
    request->id = qFromLittleEndian<qint32>(p + 16);
    request->kind = qFromLittleEndian<qint32>(p + 20);
    request->value = qFromLittleEndian<qint32>(d + 24);
    request->flags = qFromLittleEndian<qint32>(d + 28);
    return true;
}

void LinuxControlMap::writeAnswer(void *buffer, std::int32_t value, std::int32_t flags, std::int32_t capsFlags)
{
    auto *p = static_cast<std::uint8_t *>(buffer);
    qToLittleEndian<qint32>(value, p + 24);
    qToLittleEndian<qint32>(flags, p + 28);
    qToLittleEndian<qint32>(capsFlags, p + 32);
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
