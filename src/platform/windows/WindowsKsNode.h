#pragma once
#include "platform/MediaSource.h"
#include "platform/windows/WindowsCom.h"

namespace platform {

// A node instance created from a media source's topology (held as IUnknown).
class WindowsKsNode : public KsNode
{
public:
    explicit WindowsKsNode(std::shared_ptr<IUnknown> node);
    // Asks the node for IKsControl.
    HResult queryControl(std::shared_ptr<KsControl> *control) override;

private:
    std::shared_ptr<IUnknown> m_node;
};

} // namespace platform
