#include "platform/linux/LinuxCaptureFilter.h"

#include "platform/linux/LinuxControlMap.h"
#include "platform/linux/LinuxVideoDevice.h"

#include <linux/videodev2.h>

namespace platform {

LinuxCaptureFilter::LinuxCaptureFilter(std::shared_ptr<LinuxVideoDevice> device)
    : m_device(std::move(device))
{
}

bool LinuxCaptureFilter::hasInterface(PropertySet set)
{
    // The interface exists when the node has at least one of the set's controls.
    for (std::int32_t id = 0; id < 8; ++id) {
        LinuxControlMap::Control control;
        v4l2_queryctrl query;
        if (LinuxControlMap::control(set, id, &control) && m_device->queryControl(control.id, &query))
            return true;
    }
    return false;
}

HResult LinuxCaptureFilter::getRange(PropertySet set, std::int32_t id, PropertyRange *range)
{
    LinuxControlMap::Control control;
    if (!LinuxControlMap::control(set, id, &control))
        return LinuxControlMap::kErrorNotFound;
    if (!m_device->isOpen())
        return kErrorDeviceNotConnected;
    v4l2_queryctrl query;
    if (!m_device->queryControl(control.id, &query))
        return LinuxControlMap::kErrorNotFound;
    v4l2_queryctrl autoQuery;
    const bool hasAuto = control.autoId && m_device->queryControl(control.autoId, &autoQuery);
    *range = LinuxControlMap::range(query, hasAuto, control);
    return kSOk;
}

HResult LinuxCaptureFilter::getValue(PropertySet set, std::int32_t id, std::int32_t *value,
                                     std::int32_t *flags)
{
    LinuxControlMap::Control control;
    if (!LinuxControlMap::control(set, id, &control))
        return LinuxControlMap::kErrorNotFound;
    v4l2_queryctrl query;
    if (!m_device->queryControl(control.id, &query))
        return m_device->isOpen() ? LinuxControlMap::kErrorNotFound : kErrorDeviceNotConnected;
    std::int32_t raw = 0;
    HResult status = m_device->getControl(control.id, &raw);
    if (failed(status))
        return status;
    std::int32_t autoValue = 0;
    v4l2_queryctrl autoQuery;
    const bool hasAuto = control.autoId && m_device->queryControl(control.autoId, &autoQuery);
    if (hasAuto) {
        status = m_device->getControl(control.autoId, &autoValue);
        if (failed(status))
            return status;
    }
    *value = LinuxControlMap::toPlatform(raw, control);
    *flags = LinuxControlMap::flags(hasAuto, autoValue);
    return kSOk;
}

bool LinuxCaptureFilter::hasPropertyInterface()
{
    return true;
}

HResult LinuxCaptureFilter::readValue(PropertySet set, std::int32_t id, std::int32_t, std::int32_t,
                                      std::int32_t *valueOut, std::int32_t *flagsOut)
{
    std::int32_t value = 0;
    std::int32_t flags = 0;
    const HResult status = getValue(set, id, &value, &flags);
    if (failed(status))
        return status;
    if (valueOut)
        *valueOut = value;
    if (flagsOut)
        *flagsOut = flags;
    return status;
}

HResult LinuxCaptureFilter::setValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                                     std::int32_t *valueOut, std::int32_t *flagsOut)
{
    if (valueOut)
        *valueOut = value;
    if (flagsOut)
        *flagsOut = flags;

    LinuxControlMap::Control control;
    if (!LinuxControlMap::control(set, id, &control))
        return LinuxControlMap::kErrorNotFound;
    v4l2_queryctrl query;
    if (!m_device->queryControl(control.id, &query))
        return m_device->isOpen() ? LinuxControlMap::kErrorNotFound : kErrorDeviceNotConnected;
    v4l2_queryctrl autoQuery;
    const bool hasAuto = control.autoId && m_device->queryControl(control.autoId, &autoQuery);
    if (flags & LinuxControlMap::kFlagAuto) {
        if (!hasAuto)
            return kEInvalidArg;
        return m_device->setControl(control.autoId, 1);
    }
    if (!(flags & LinuxControlMap::kFlagManual))
        return kEInvalidArg;
    // The platform refuses a value outside the range where V4L2 would clamp it.
    const std::int32_t raw = LinuxControlMap::toV4l2(value, control);
    if (raw < query.minimum || raw > query.maximum)
        return kEInvalidArg;
    if (hasAuto) {
        // The value control is read-only while the automatic mode is on.
        const HResult status = m_device->setControl(control.autoId, 0);
        if (failed(status))
            return status;
    }
    return m_device->setControl(control.id, raw);
}

} // namespace platform
