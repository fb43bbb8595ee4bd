#include "platform/sim/SimKsTopologyInfo.h"

#include "platform/sim/SimKsNode.h"

namespace sim {

SimKsTopologyInfo::SimKsTopologyInfo(SimUvcCamera::Handle handle)
    : m_handle(std::move(handle))
{
}

platform::HResult SimKsTopologyInfo::numNodes(std::uint32_t *count)
{
    return m_handle.inspect([&](SimUvcCamera &uvc) {
        platform::HResult status = platform::kSOk;
        if (uvc.faultStatus(QStringLiteral("topology.numNodes"), &status))
            return status;
        *count = static_cast<std::uint32_t>(uvc.nodeTypes().size());
        return platform::kSOk;
    });
}

platform::HResult SimKsTopologyInfo::nodeType(std::uint32_t index, QUuid *type)
{
    return m_handle.inspect([&](SimUvcCamera &uvc) {
        platform::HResult status = platform::kSOk;
        if (uvc.faultStatus(QStringLiteral("topology.nodeType"), &status))
            return status;
        const QList<QUuid> nodes = uvc.nodeTypes();
        if (index >= static_cast<std::uint32_t>(nodes.size()))
            return platform::kEInvalidArg;
        *type = nodes.at(static_cast<int>(index));
        return platform::kSOk;
    });
}

platform::HResult SimKsTopologyInfo::createNodeInstance(std::uint32_t index,
                                                        std::shared_ptr<platform::KsNode> *node)
{
    node->reset();
    const platform::HResult status = m_handle.inspect([&](SimUvcCamera &uvc) {
        platform::HResult fault = platform::kSOk;
        if (uvc.faultStatus(QStringLiteral("topology.createNodeInstance"), &fault))
            return fault;
        if (index >= static_cast<std::uint32_t>(uvc.nodeTypes().size()))
            return platform::kEInvalidArg;
        return platform::kSOk;
    });
    if (platform::succeeded(status))
        *node = std::make_shared<SimKsNode>(m_handle, static_cast<int>(index));
    return status;
}

} // namespace sim
