#pragma once
#include "platform/MediaSource.h"

namespace platform {

class LinuxVideoDevice;

// The vendor extension unit's node.
class LinuxKsNode : public KsNode
{
public:
    LinuxKsNode(std::shared_ptr<LinuxVideoDevice> device, int unitId, std::uint32_t nodeId);
    HResult queryControl(std::shared_ptr<KsControl> *control) override;

private:
    std::shared_ptr<LinuxVideoDevice> m_device;
    int m_unitId;
    std::uint32_t m_nodeId;
};

} // namespace platform
