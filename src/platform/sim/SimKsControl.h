#pragma once
#include "platform/KsControl.h"
#include "platform/sim/SimUvcCamera.h"

namespace sim {

// A kernel-streaming property interface of a rig camera: either the capture filter's
// (standard properties) or a topology node's (the extension unit).
class SimKsControl : public platform::KsControl
{
public:
    // The node number of the capture filter's own interface.
    static constexpr int kFilter = -1;

    SimKsControl(SimUvcCamera::Handle handle, int node);

    platform::HResult ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                                 std::uint32_t dataLength, std::uint32_t *bytesReturned) override;

private:
    SimUvcCamera::Handle m_handle;
    int m_node;
};

} // namespace sim
