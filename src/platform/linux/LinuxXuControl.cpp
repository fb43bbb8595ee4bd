#include "platform/linux/LinuxXuControl.h"

#include "platform/linux/LinuxControlMap.h"
#include "platform/linux/LinuxVideoDevice.h"

#include <QtEndian>

#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

#include <cstring>

namespace platform {

const QUuid LinuxXuControl::kPropertySet(0x23E49ED0, 0x1178, 0x4F31, 0xAE, 0x52, 0xD2, 0xFB, 0x8A, 0x8D, 0x3B,
                                         0x48);

LinuxXuControl::LinuxXuControl(std::shared_ptr<LinuxVideoDevice> device, int unitId, std::uint32_t nodeId)
    : m_device(std::move(device))
    , m_unitId(unitId)
    , m_nodeId(nodeId)
{
}

HResult LinuxXuControl::buildQuery(const void *property, std::uint32_t propertyLength, void *data,
                                   std::uint32_t dataLength, int unitId, std::uint32_t nodeId,
                                   uvc_xu_control_query *query)
{
    if (!property || propertyLength < kHeaderLength)
        return kEInvalidArg;
    const auto *p = static_cast<const std::uint8_t *>(property);
    const QUuid set(qFromLittleEndian<quint32>(p), qFromLittleEndian<quint16>(p + 4),
                    qFromLittleEndian<quint16>(p + 6), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
    const std::uint32_t selector = qFromLittleEndian<quint32>(p + 16);
    const std::uint32_t flags = qFromLittleEndian<quint32>(p + 20);
    const std::uint32_t node = qFromLittleEndian<quint32>(p + 24);
    // Only the vendor unit's node knows the vendor property set.
    if (set != kPropertySet || node != nodeId)
        return LinuxControlMap::kErrorSetNotFound;
    if (flags != kTopologyGet && flags != kTopologySet)
        return kEInvalidArg;
    if (!data || dataLength == 0 || dataLength > 0xFFFF || selector == 0 || selector > 0xFF)
        return kEInvalidArg;
    std::memset(query, 0, sizeof *query);
    query->unit = static_cast<__u8>(unitId);
    query->selector = static_cast<__u8>(selector);
    query->query = flags == kTopologySet ? UVC_SET_CUR : UVC_GET_CUR;
    query->size = static_cast<__u16>(dataLength);
    query->data = static_cast<__u8 *>(data);
    return kSOk;
}

HResult LinuxXuControl::ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                                   std::uint32_t dataLength, std::uint32_t *bytesReturned)
{
    if (bytesReturned)
        *bytesReturned = 0;
    uvc_xu_control_query query;
    const HResult status = buildQuery(property, propertyLength, data, dataLength, m_unitId, m_nodeId, &query);
    if (failed(status))
        return status;
    if (!m_device->isOpen())
        return kErrorDeviceNotConnected;
    int error = 0;
    if (m_device->xioctl(UVCIOC_CTRL_QUERY, &query, &error) < 0)
        return LinuxControlMap::statusFromErrno(error);
    if (bytesReturned && query.query == UVC_GET_CUR)
        *bytesReturned = dataLength;
    return kSOk;
}

} // namespace platform
