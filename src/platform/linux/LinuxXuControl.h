#pragma once
#include "platform/KsControl.h"

#include <QUuid>

#include <memory>

struct uvc_xu_control_query;

namespace platform {

class LinuxVideoDevice;

// The extension-unit node's property interface: a node request (32-byte header, data)
// carried as a UVCIOC_CTRL_QUERY on the unit and selector.
class LinuxXuControl : public KsControl
{
public:
    // The vendor property set the unit answers.
    static const QUuid kPropertySet;
    static constexpr std::uint32_t kHeaderLength = 32;
    static constexpr std::uint32_t kTopologyGet = 0x10000001u;
    static constexpr std::uint32_t kTopologySet = 0x10000002u;

    LinuxXuControl(std::shared_ptr<LinuxVideoDevice> device, int unitId, std::uint32_t nodeId);

    HResult ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                       std::uint32_t dataLength, std::uint32_t *bytesReturned) override;

    // The query for one request; the status to return when it has none.
    static HResult buildQuery(const void *property, std::uint32_t propertyLength, void *data,
                              std::uint32_t dataLength, int unitId, std::uint32_t nodeId,
                              uvc_xu_control_query *query);

private:
    std::shared_ptr<LinuxVideoDevice> m_device;
    int m_unitId;
    std::uint32_t m_nodeId;
};

} // namespace platform
