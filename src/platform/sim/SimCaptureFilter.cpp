#include "platform/sim/SimCaptureFilter.h"

namespace sim {

SimCaptureFilter::SimCaptureFilter(SimUvcCamera::Handle handle)
    : m_handle(std::move(handle))
{
}

bool SimCaptureFilter::hasInterface(platform::PropertySet set)
{
    bool has = false;
    m_handle.call([&](SimUvcCamera &uvc) {
        has = uvc.hasInterface(set);
        return platform::kSOk;
    });
    return has;
}

platform::HResult SimCaptureFilter::getRange(platform::PropertySet set, std::int32_t id,
                                             platform::PropertyRange *range)
{
    return m_handle.call([&](SimUvcCamera &uvc) { return uvc.getRange(set, id, range); });
}

platform::HResult SimCaptureFilter::getValue(platform::PropertySet set, std::int32_t id, std::int32_t *value,
                                             std::int32_t *flags)
{
    return m_handle.call([&](SimUvcCamera &uvc) { return uvc.getValue(set, id, value, flags); });
}

bool SimCaptureFilter::hasPropertyInterface()
{
    bool has = false;
    m_handle.call([&](SimUvcCamera &uvc) {
        has = uvc.hasKsControl();
        return platform::kSOk;
    });
    return has;
}

platform::HResult SimCaptureFilter::readValue(platform::PropertySet set, std::int32_t id, std::int32_t value,
                                              std::int32_t flags, std::int32_t *valueOut, std::int32_t *flagsOut)
{
    return m_handle.call([&](SimUvcCamera &uvc) {
        // Without the property interface nothing reaches the camera.
        if (!uvc.hasKsControl())
            return platform::kENoInterface;
        return uvc.readValue(set, id, value, flags, valueOut, flagsOut);
    });
}

platform::HResult SimCaptureFilter::setValue(platform::PropertySet set, std::int32_t id, std::int32_t value,
                                             std::int32_t flags, std::int32_t *valueOut, std::int32_t *flagsOut)
{
    // The camera writes nothing back into a write request.
    if (valueOut)
        *valueOut = value;
    if (flagsOut)
        *flagsOut = flags;
    return m_handle.call([&](SimUvcCamera &uvc) {
        if (!uvc.hasKsControl())
            return platform::kENoInterface;
        return uvc.setValue(set, id, value, flags);
    });
}

} // namespace sim
