#include "platform/windows/WindowsKsTopologyInfo.h"

#include "platform/windows/WindowsKsNode.h"

namespace platform {

WindowsKsTopologyInfo::WindowsKsTopologyInfo(std::shared_ptr<IKsTopologyInfo> topology)
    : m_topology(std::move(topology))
{
}

HResult WindowsKsTopologyInfo::numNodes(std::uint32_t *count)
{
    DWORD nodes = 0;
    const HRESULT hr = m_topology->get_NumNodes(&nodes);
    *count = hr >= 0 ? nodes : 0;
    return static_cast<HResult>(hr);
}

HResult WindowsKsTopologyInfo::nodeType(std::uint32_t index, QUuid *type)
{
    GUID guid = {};
    const HRESULT hr = m_topology->get_NodeType(index, &guid);
    *type = hr >= 0 ? wincom::toUuid(guid) : QUuid();
    return static_cast<HResult>(hr);
}

HResult WindowsKsTopologyInfo::createNodeInstance(std::uint32_t index, std::shared_ptr<KsNode> *node)
{
    node->reset();
    void *object = nullptr;
    const HRESULT hr = m_topology->CreateNodeInstance(index, wincom::kIidIUnknown, &object);
    if (hr < 0)
        return static_cast<HResult>(hr);
    if (!object)
        return kEPointer;
    *node = std::make_shared<WindowsKsNode>(wincom::adopt(static_cast<IUnknown *>(object)));
    return static_cast<HResult>(hr);
}

} // namespace platform
