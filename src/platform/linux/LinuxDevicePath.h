#pragma once
#include <QString>
#include <QUuid>

namespace platform {

// Device-interface paths in the Windows form the classes above parse, synthesised from
// what Linux tells about a USB interface.
class LinuxDevicePath
{
public:
    // "\\?\usb#vid_xxxx&pid_xxxx&mi_NN#<instance>&0000#{class}\global".
    static QString interfacePath(quint16 vendorId, quint16 productId, int interfaceNumber,
                                 const QString &portPath, const QUuid &interfaceClass);
    // The instance part for a USB port path ("1-1.4" -> "1&1.4&0"): stable per port, so
    // that two cameras of one model differ in it; free of the separators the path uses.
    static QString instanceFromPort(const QString &portPath);
    // The moniker display name of a capture device with this path.
    static QString monikerDisplayName(const QString &devicePath);
    // Splits a sysfs device path at its USB interface component ("…/1-1.4/1-1.4:1.0/…")
    // into the port path and the interface number; false when there is none.
    static bool usbInterfaceFromDevpath(const QString &devpath, QString *portPath, int *interfaceNumber);
};

} // namespace platform
