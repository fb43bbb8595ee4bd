#include "platform/sim/SimKsNode.h"

#include "platform/sim/SimCamera.h"
#include "platform/sim/SimKsControl.h"

namespace sim {

SimKsNode::SimKsNode(SimUvcCamera::Handle handle, int index)
    : m_handle(std::move(handle))
    , m_index(index)
{
}

platform::HResult SimKsNode::queryControl(std::shared_ptr<platform::KsControl> *control)
{
    control->reset();
    bool null = false;
    const platform::HResult status = m_handle.inspect([&](SimUvcCamera &uvc) {
        if (uvc.camera().fault(QStringLiteral("node.queryControl")).toString() == QLatin1String("null")) {
            null = true;
            return platform::kSOk;
        }
        platform::HResult fault = platform::kSOk;
        if (uvc.faultStatus(QStringLiteral("node.queryControl"), &fault))
            return fault;
        return platform::kSOk;
    });
    if (platform::succeeded(status) && !null)
        *control = std::make_shared<SimKsControl>(m_handle, m_index);
    return status;
}

} // namespace sim
