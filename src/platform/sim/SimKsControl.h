#pragma once
#include "platform/KsControl.h"
#include "platform/sim/SimUvcCamera.h"

namespace sim {

// A kernel-streaming property interface of a rig camera's topology node (the extension
// unit).
class SimKsControl : public platform::KsControl
{
public:
    SimKsControl(SimUvcCamera::Handle handle, int node);

    platform::HResult ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                                 std::uint32_t dataLength, std::uint32_t *bytesReturned) override;

private:
    SimUvcCamera::Handle m_handle;
    int m_node;
};

} // namespace sim
