#pragma once
#include "platform/MediaSource.h"
#include "platform/sim/SimUvcCamera.h"

namespace sim {

// An instance of one node of a rig camera's topology.
class SimKsNode : public platform::KsNode
{
public:
    SimKsNode(SimUvcCamera::Handle handle, int index);

    platform::HResult queryControl(std::shared_ptr<platform::KsControl> *control) override;

private:
    SimUvcCamera::Handle m_handle;
    int m_index;
};

} // namespace sim
