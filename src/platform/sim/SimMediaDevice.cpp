#include "platform/sim/SimMediaDevice.h"

#include "platform/sim/SimMediaSource.h"

namespace sim {

SimMediaDevice::SimMediaDevice(SimUvcCamera::Handle handle)
    : m_handle(std::move(handle))
{
}

platform::HResult SimMediaDevice::friendlyName(QString *name)
{
    return m_handle.call([&](SimUvcCamera &uvc) { return uvc.mediaFriendlyName(name); });
}

platform::HResult SimMediaDevice::symbolicLink(QString *link)
{
    return m_handle.call([&](SimUvcCamera &uvc) { return uvc.mediaSymbolicLink(link); });
}

platform::HResult SimMediaDevice::activate(std::shared_ptr<platform::MediaSource> *source)
{
    source->reset();
    const platform::HResult status =
        m_handle.call([&](SimUvcCamera &uvc) { return uvc.mediaStep("media.activate"); });
    if (platform::succeeded(status))
        *source = std::make_shared<SimMediaSource>(m_handle);
    return status;
}

} // namespace sim
