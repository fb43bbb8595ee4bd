#include "platform/windows/WindowsKsNode.h"

#include "platform/windows/WindowsKsControl.h"

namespace platform {

WindowsKsNode::WindowsKsNode(std::shared_ptr<IUnknown> node)
    : m_node(std::move(node))
{
}

HResult WindowsKsNode::queryControl(std::shared_ptr<KsControl> *control)
{
    control->reset();
    if (!m_node)
        return kEPointer;
    void *object = nullptr;
    const HRESULT hr = m_node->QueryInterface(wincom::kIidIKsControl, &object);
    if (hr < 0)
        return static_cast<HResult>(hr);
    if (!object)
        return kENoInterface;
    *control = std::make_shared<WindowsKsControl>(wincom::adopt(static_cast<IKsControl *>(object)));
    return static_cast<HResult>(hr);
}

} // namespace platform
