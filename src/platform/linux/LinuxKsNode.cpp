#include "platform/linux/LinuxKsNode.h"

#include "platform/linux/LinuxXuControl.h"

namespace platform {

LinuxKsNode::LinuxKsNode(std::shared_ptr<LinuxVideoDevice> device, int unitId, std::uint32_t nodeId)
    : m_device(std::move(device))
    , m_unitId(unitId)
    , m_nodeId(nodeId)
{
}

HResult LinuxKsNode::queryControl(std::shared_ptr<KsControl> *control)
{
    *control = std::make_shared<LinuxXuControl>(m_device, m_unitId, m_nodeId);
    return kSOk;
}

} // namespace platform
