#include "platform/linux/LinuxKsTopologyInfo.h"

#include "platform/linux/LinuxKsNode.h"

namespace platform {

const QUuid LinuxKsTopologyInfo::kNodeTypeDevSpecific(0x941C7AC0, 0xC559, 0x11D0, 0x8A, 0x2B, 0x00, 0xA0, 0xC9,
                                                      0x25, 0x5A, 0xC1);

LinuxKsTopologyInfo::LinuxKsTopologyInfo(std::shared_ptr<LinuxVideoDevice> device, int unitId)
    : m_device(std::move(device))
    , m_unitId(unitId)
{
}

HResult LinuxKsTopologyInfo::numNodes(std::uint32_t *count)
{
    *count = m_unitId >= 0 ? 1 : 0;
    return kSOk;
}

HResult LinuxKsTopologyInfo::nodeType(std::uint32_t index, QUuid *type)
{
    if (m_unitId < 0 || index != 0)
        return kEInvalidArg;
    *type = kNodeTypeDevSpecific;
    return kSOk;
}

HResult LinuxKsTopologyInfo::createNodeInstance(std::uint32_t index, std::shared_ptr<KsNode> *node)
{
    node->reset();
    if (m_unitId < 0 || index != 0)
        return kEInvalidArg;
    *node = std::make_shared<LinuxKsNode>(m_device, m_unitId, index);
    return kSOk;
}

} // namespace platform
