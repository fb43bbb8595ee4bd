#pragma once
#include "platform/MediaSource.h"

namespace platform {

class LinuxVideoDevice;

// The topology of a capture node as far as the classes above need it: one
// device-specific node for the vendor extension unit, or no node when there is none.
class LinuxKsTopologyInfo : public KsTopologyInfo
{
public:
    static const QUuid kNodeTypeDevSpecific;

    // unitId < 0: the camera has no vendor extension unit.
    LinuxKsTopologyInfo(std::shared_ptr<LinuxVideoDevice> device, int unitId);

    HResult numNodes(std::uint32_t *count) override;
    HResult nodeType(std::uint32_t index, QUuid *type) override;
    HResult createNodeInstance(std::uint32_t index, std::shared_ptr<KsNode> *node) override;

private:
    std::shared_ptr<LinuxVideoDevice> m_device;
    int m_unitId;
};

} // namespace platform
