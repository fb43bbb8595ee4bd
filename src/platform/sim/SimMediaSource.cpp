#include "platform/sim/SimMediaSource.h"

#include "platform/sim/SimCamera.h"
#include "platform/sim/SimKsTopologyInfo.h"

namespace sim {

SimMediaSource::SimMediaSource(SimUvcCamera::Handle handle)
    : m_handle(std::move(handle))
{
}

platform::HResult SimMediaSource::createSourceReader()
{
    return m_handle.call([](SimUvcCamera &uvc) { return uvc.mediaStep("media.sourceReader"); });
}

platform::HResult SimMediaSource::queryTopology(std::shared_ptr<platform::KsTopologyInfo> *topology)
{
    topology->reset();
    bool null = false;
    const platform::HResult status = m_handle.inspect([&](SimUvcCamera &uvc) {
        // "null": the interface query succeeds but hands back nothing.
        if (uvc.camera().fault(QStringLiteral("media.topology")).toString() == QLatin1String("null")) {
            null = true;
            return platform::kSOk;
        }
        return uvc.mediaStep("media.topology");
    });
    if (platform::succeeded(status) && !null)
        *topology = std::make_shared<SimKsTopologyInfo>(m_handle);
    return status;
}

} // namespace sim
