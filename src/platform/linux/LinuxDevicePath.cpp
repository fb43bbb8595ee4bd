#include "platform/linux/LinuxDevicePath.h"

#include <QRegularExpression>
#include <QStringList>

namespace platform {

QString LinuxDevicePath::interfacePath(quint16 vendorId, quint16 productId, int interfaceNumber,
                                       const QString &portPath, const QUuid &interfaceClass)
{
    return QStringLiteral("\\\\?\\usb#vid_%1&pid_%2&mi_%3#%4&0000#%5\\global")
        .arg(vendorId, 4, 16, QLatin1Char('0'))
        .arg(productId, 4, 16, QLatin1Char('0'))
        .arg(interfaceNumber, 2, 10, QLatin1Char('0'))
        .arg(instanceFromPort(portPath), interfaceClass.toString().toLower());
}

QString LinuxDevicePath::instanceFromPort(const QString &portPath)
{
    // "1-1.4" -> "1&1.4&0": three '&'-separated pieces like the platform's own instance
    // ids, so that with the interface instance the id has the four pieces the hot-plug
    // filter splits. The separators of the path itself never appear.
    QString bus = portPath.section(QLatin1Char('-'), 0, 0);
    QString ports = portPath.section(QLatin1Char('-'), 1);
    static const QRegularExpression separators(QStringLiteral("[#\\\\:/&-]"));
    bus.remove(separators);
    ports.remove(separators);
    return bus + QLatin1Char('&') + ports + QStringLiteral("&0");
}

QString LinuxDevicePath::monikerDisplayName(const QString &devicePath)
{
    return QStringLiteral("@device:pnp:") + devicePath;
}

bool LinuxDevicePath::usbInterfaceFromDevpath(const QString &devpath, QString *portPath,
                                              int *interfaceNumber)
{
    // A USB interface directory is named "<port>:<configuration>.<interface>".
    static const QRegularExpression interfaceName(
        QStringLiteral("^(\\d+-\\d+(?:\\.\\d+)*):(\\d+)\\.(\\d+)$"));
    const QStringList parts = devpath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int i = parts.size() - 1; i >= 0; --i) {
        const QRegularExpressionMatch match = interfaceName.match(parts.at(i));
        if (match.hasMatch()) {
            *portPath = match.captured(1);
            *interfaceNumber = match.captured(3).toInt();
            return true;
        }
    }
    return false;
}

} // namespace platform
