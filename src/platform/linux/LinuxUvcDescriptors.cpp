#include "platform/linux/LinuxUvcDescriptors.h"

#include <linux/usb/ch9.h>
#include <linux/usb/video.h>

#include <QtEndian>

namespace platform {

namespace {
constexpr quint8 kInterfaceDescriptor = 0x04;
constexpr quint8 kVideoClass = 0x0E;
// An extension-unit descriptor holds at least its id and the 16-byte GUID.
constexpr int kExtensionUnitMinimum = 21;
} // namespace

QList<LinuxUvcDescriptors::ExtensionUnit> LinuxUvcDescriptors::extensionUnits(const QByteArray &descriptors)
{
    QList<ExtensionUnit> units;
    const auto *p = reinterpret_cast<const quint8 *>(descriptors.constData());
    const int size = descriptors.size();
    int interfaceNumber = -1;
    bool videoControl = false;
    for (int at = 0; at + 2 <= size;) {
        const int length = p[at];
        // A zero or overlong length ends the walk rather than looping or overrunning.
        if (length < 2 || at + length > size)
            break;
        const quint8 type = p[at + 1];
        if (type == kInterfaceDescriptor && length >= 7) {
            interfaceNumber = p[at + 2];
            videoControl = p[at + 5] == kVideoClass && p[at + 6] == UVC_SC_VIDEOCONTROL;
        } else if (type == USB_DT_CS_INTERFACE && videoControl && length >= kExtensionUnitMinimum
                   && p[at + 2] == UVC_VC_EXTENSION_UNIT) {
            const quint8 *g = p + at + 4;
            ExtensionUnit unit;
            unit.interfaceNumber = interfaceNumber;
            unit.unitId = p[at + 3];
            unit.guid = QUuid(qFromLittleEndian<quint32>(g), qFromLittleEndian<quint16>(g + 4),
                              qFromLittleEndian<quint16>(g + 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14],
                              g[15]);
            units.append(unit);
        }
        at += length;
    }
    return units;
}

bool LinuxUvcDescriptors::findUnit(const QByteArray &descriptors, int interfaceNumber, const QUuid &guid,
                                   int *unitId)
{
    const QList<ExtensionUnit> units = extensionUnits(descriptors);
    for (const ExtensionUnit &unit : units) {
        if (unit.interfaceNumber == interfaceNumber && unit.guid == guid) {
            *unitId = unit.unitId;
            return true;
        }
    }
    return false;
}

} // namespace platform
