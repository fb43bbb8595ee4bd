// The decoding of WM_DEVICECHANGE broadcasts (DEV_BROADCAST_DEVICEINTERFACE_W and its
// header) into the seam's device change, and the hot-plug filter that judges the
// result. The input's first byte picks the event (bit 0: arrival or removal; bit 1: the
// next four bytes, little-endian, as the raw event); the rest is the structure, whose
// size field the system guarantees to lie within it (a larger one is cut to the input).
#include "FuzzSupport.h"

#include "platform/windows/WindowsDeviceBroadcast.h"
#include "ui/DeviceChangeFilter.h"

#include <QtEndian>

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    if (size < 1 || size > 65536)
        return 0;
    std::uintptr_t event = (data[0] & 1) ? platform::kDbtDeviceRemoveComplete : platform::kDbtDeviceArrival;
    std::size_t at = 1;
    if ((data[0] & 2) && size >= 5) {
        event = qFromLittleEndian<quint32>(data + 1);
        at = 5;
    }
    // The structure in memory of its own, so that a read past its end shows.
    std::vector<std::uint8_t> exact(data + at, data + size);
    const std::uint32_t length = std::uint32_t(size - at);
    if (length >= 4 && qFromLittleEndian<quint32>(exact.data()) > length)
        qToLittleEndian<quint32>(length, exact.data());

    platform::DeviceChange change;
    const bool decoded = platform::WindowsDeviceBroadcast::decode(event, length >= 4 ? exact.data() : nullptr, &change);
    if (change.event != std::uint32_t(event))
        std::abort();
    if (!decoded)
        return 0;
    if (!change.name.isEmpty() && change.name.size() * 2 + 28 > int(length))
        std::abort(); // the name is read within the structure only
    devicechange::classifyDeviceChange(change);

    // A registration for the class decodes back to it.
    const QByteArray filter = platform::WindowsDeviceBroadcast::registrationFilter(change.classGuid);
    platform::DeviceChange again;
    if (!platform::WindowsDeviceBroadcast::decode(platform::kDbtDeviceArrival, filter.constData(), &again)
        || again.classGuid != change.classGuid || !again.name.isEmpty())
        std::abort();
    return 0;
}
