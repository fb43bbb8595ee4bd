#include "platform/linux/LinuxSysfs.h"

#include "platform/linux/LinuxDevicePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace platform {

LinuxSysfs::LinuxSysfs(const QString &root)
    : m_root(root)
{
}

QList<LinuxSysfs::VideoNode> LinuxSysfs::videoNodes() const
{
    static const QRegularExpression nodeName(QStringLiteral("^video(\\d+)$"));
    const QDir classDir(m_root + QStringLiteral("/class/video4linux"));
    QList<VideoNode> nodes;
    const QStringList entries = classDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &entry : entries) {
        if (!nodeName.match(entry).hasMatch())
            continue;
        VideoNode info;
        if (videoNode(entry, &info))
            nodes.append(info);
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const VideoNode &a, const VideoNode &b) { return a.number < b.number; });
    return nodes;
}

QStringList LinuxSysfs::usbScsiGenericNodes() const
{
    static const QRegularExpression nodeName(QStringLiteral("^sg(\\d+)$"));
    const QDir classDir(m_root + QStringLiteral("/class/scsi_generic"));
    QList<QPair<int, QString>> found;
    const QStringList entries = classDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch match = nodeName.match(entry);
        if (!match.hasMatch())
            continue;
        const QString device = QFileInfo(classDir.filePath(entry) + QStringLiteral("/device")).canonicalFilePath();
        QString port;
        int interfaceNumber = -1;
        if (!device.isEmpty() && LinuxDevicePath::usbInterfaceFromDevpath(device, &port, &interfaceNumber))
            found.append({match.captured(1).toInt(), entry});
    }
    std::sort(found.begin(), found.end());
    QStringList nodes;
    for (const auto &node : found)
        nodes.append(node.second);
    return nodes;
}

QString LinuxSysfs::scsiGenericUsbProduct(const QString &node) const
{
    QString dir = QFileInfo(m_root + QStringLiteral("/class/scsi_generic/") + node + QStringLiteral("/device"))
                      .canonicalFilePath();
    QString port;
    int interfaceNumber = -1;
    if (dir.isEmpty() || !LinuxDevicePath::usbInterfaceFromDevpath(dir, &port, &interfaceNumber))
        return QString();
    // The USB device is the parent of the interface directory ("2-1" above "2-1:1.0").
    const QString interfaceDir = QStringLiteral("/%1:").arg(port);
    const int at = dir.lastIndexOf(interfaceDir);
    if (at < 0)
        return QString();
    return readAttribute(dir.left(at) + QStringLiteral("/product"));
}

bool LinuxSysfs::videoNode(const QString &node, VideoNode *info) const
{
    const QString nodeDir = m_root + QStringLiteral("/class/video4linux/") + node;
    const QString interfaceDir = QFileInfo(nodeDir + QStringLiteral("/device")).canonicalFilePath();
    if (interfaceDir.isEmpty())
        return false;
    QString port;
    int interfaceNumber = -1;
    if (!LinuxDevicePath::usbInterfaceFromDevpath(interfaceDir, &port, &interfaceNumber))
        return false;
    const QString usbDir = QFileInfo(interfaceDir).path();
    quint16 vendor = 0;
    quint16 product = 0;
    if (!readHexAttribute(usbDir + QStringLiteral("/idVendor"), &vendor)
        || !readHexAttribute(usbDir + QStringLiteral("/idProduct"), &product))
        return false;
    // bInterfaceNumber is authoritative; the directory name only backs it up.
    quint16 number = 0;
    if (readHexAttribute(interfaceDir + QStringLiteral("/bInterfaceNumber"), &number))
        interfaceNumber = number;

    info->node = node;
    info->number = node.mid(5).toInt();
    info->name = readAttribute(nodeDir + QStringLiteral("/name"));
    info->index = readAttribute(nodeDir + QStringLiteral("/index")).toInt();
    info->product = readAttribute(usbDir + QStringLiteral("/product"));
    info->serial = readAttribute(usbDir + QStringLiteral("/serial"));
    info->vendorId = vendor;
    info->productId = product;
    info->interfaceNumber = interfaceNumber;
    info->portPath = port;
    info->usbDeviceDir = usbDir;
    return true;
}

QString LinuxSysfs::readAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

bool LinuxSysfs::readHexAttribute(const QString &path, quint16 *value)
{
    const QString text = readAttribute(path);
    bool ok = false;
    const uint parsed = text.toUInt(&ok, 16);
    if (!ok || parsed > 0xFFFF)
        return false;
    *value = static_cast<quint16>(parsed);
    return true;
}

} // namespace platform
