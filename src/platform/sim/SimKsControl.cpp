#include "platform/sim/SimKsControl.h"

#include "platform/Clock.h"

namespace sim {

SimKsControl::SimKsControl(SimUvcCamera::Handle handle, int node)
    : m_handle(std::move(handle))
    , m_node(node)
{
}

platform::HResult SimKsControl::ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                                           std::uint32_t dataLength, std::uint32_t *bytesReturned)
{
    if (bytesReturned)
        *bytesReturned = 0;
    int waitMs = 0;
    const platform::HResult status = m_handle.call([&](SimUvcCamera &uvc) {
        return uvc.nodeRequest(static_cast<std::uint32_t>(m_node), property, propertyLength, data,
                               dataLength, bytesReturned, &waitMs);
    });
    // An unanswered request ends with the platform's time-out, outside the rig's lock.
    if (waitMs > 0)
        platform::sleepMs(waitMs);
    return status;
}

} // namespace sim
