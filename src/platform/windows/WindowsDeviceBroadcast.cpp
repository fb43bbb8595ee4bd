#include "platform/windows/WindowsDeviceBroadcast.h"

#include <QtEndian>

namespace platform {

QByteArray WindowsDeviceBroadcast::registrationFilter(const QUuid &interfaceClass)
{
    QByteArray filter(int(kFilterLength), '\0');
    auto *p = reinterpret_cast<uchar *>(filter.data());
    qToLittleEndian<quint32>(kFilterLength, p);
    qToLittleEndian<quint32>(kDbtDevtypDeviceInterface, p + 4);
    qToLittleEndian<quint32>(interfaceClass.data1, p + kClassGuidOffset);
    qToLittleEndian<quint16>(interfaceClass.data2, p + kClassGuidOffset + 4);
    qToLittleEndian<quint16>(interfaceClass.data3, p + kClassGuidOffset + 6);
    for (int i = 0; i < 8; ++i)
        p[kClassGuidOffset + 8 + i] = interfaceClass.data4[i];
    return filter;
}

bool WindowsDeviceBroadcast::decode(std::uintptr_t event, const void *broadcast, DeviceChange *change)
{
    *change = DeviceChange();
    change->event = static_cast<std::uint32_t>(event);
    if (!broadcast)
        return false;
    const auto *p = static_cast<const uchar *>(broadcast);
    const quint32 size = qFromLittleEndian<quint32>(p);
    if (size < kHeaderLength)
        return false;
    change->deviceType = qFromLittleEndian<quint32>(p + 4);
    if (change->deviceType != kDbtDevtypDeviceInterface || size < kNameOffset)
        return true;
    const uchar *g = p + kClassGuidOffset;
    change->classGuid = QUuid(qFromLittleEndian<quint32>(g), qFromLittleEndian<quint16>(g + 4),
                              qFromLittleEndian<quint16>(g + 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14],
                              g[15]);
    QString name;
    const quint32 units = (size - kNameOffset) / 2;
    for (quint32 i = 0; i < units; ++i) {
        const quint16 unit = qFromLittleEndian<quint16>(p + kNameOffset + 2 * i);
        if (unit == 0)
            break;
        name.append(QChar(unit));
    }
    change->name = name;
    return true;
}

} // namespace platform
