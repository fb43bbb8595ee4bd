#pragma once
#include "platform/MediaSource.h"
#include "platform/sim/SimUvcCamera.h"

namespace sim {

// An activated rig camera as a media source.
class SimMediaSource : public platform::MediaSource
{
public:
    explicit SimMediaSource(SimUvcCamera::Handle handle);

    platform::HResult createSourceReader() override;
    platform::HResult queryTopology(std::shared_ptr<platform::KsTopologyInfo> *topology) override;

private:
    SimUvcCamera::Handle m_handle;
};

} // namespace sim
