#pragma once
#include "platform/MediaSource.h"
#include "platform/sim/SimUvcCamera.h"

namespace sim {

// The kernel-streaming topology of an activated rig camera.
class SimKsTopologyInfo : public platform::KsTopologyInfo
{
public:
    explicit SimKsTopologyInfo(SimUvcCamera::Handle handle);

    platform::HResult numNodes(std::uint32_t *count) override;
    platform::HResult nodeType(std::uint32_t index, QUuid *type) override;
    platform::HResult createNodeInstance(std::uint32_t index, std::shared_ptr<platform::KsNode> *node) override;

private:
    SimUvcCamera::Handle m_handle;
};

} // namespace sim
