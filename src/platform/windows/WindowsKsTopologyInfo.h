#pragma once
#include "platform/MediaSource.h"
#include "platform/windows/WindowsCom.h"

namespace platform {

// A media source's kernel-streaming topology (IKsTopologyInfo) behind the seam.
class WindowsKsTopologyInfo : public KsTopologyInfo
{
public:
    explicit WindowsKsTopologyInfo(std::shared_ptr<IKsTopologyInfo> topology);
    HResult numNodes(std::uint32_t *count) override;
    HResult nodeType(std::uint32_t index, QUuid *type) override;
    // Creates the node for IUnknown.
    HResult createNodeInstance(std::uint32_t index, std::shared_ptr<KsNode> *node) override;

private:
    std::shared_ptr<IKsTopologyInfo> m_topology;
};

} // namespace platform
