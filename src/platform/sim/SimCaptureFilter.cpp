#include "platform/sim/SimCaptureFilter.h"

#include "platform/sim/SimKsControl.h"

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

std::shared_ptr<platform::KsControl> SimCaptureFilter::ksControl()
{
    bool has = false;
    m_handle.call([&](SimUvcCamera &uvc) {
        has = uvc.hasKsControl();
        return platform::kSOk;
    });
    if (!has)
        return nullptr;
    return std::make_shared<SimKsControl>(m_handle, SimKsControl::kFilter);
}

} // namespace sim
