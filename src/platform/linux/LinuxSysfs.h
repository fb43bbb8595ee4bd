#pragma once
#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// What sysfs tells about the video4linux nodes that sit on USB interfaces. The root is
// "/sys" on a running system; tests point it at a tree of their own.
class LinuxSysfs
{
public:
    struct VideoNode
    {
        QString node;           // "video0"
        int number = -1;        // 0
        QString name;           // the node's name attribute
        int index = 0;          // the node's index on its interface (0: the first)
        QString product;        // the USB device's product string (may be empty)
        QString serial;         // the USB device's serial number (empty when it has none)
        quint16 vendorId = 0;
        quint16 productId = 0;
        int interfaceNumber = -1;
        QString portPath;       // "1-1.4"
        QString usbDeviceDir;   // the USB device's sysfs directory
    };

    explicit LinuxSysfs(const QString &root = QStringLiteral("/sys"));

    // The video4linux nodes on USB interfaces, in node-number order.
    QList<VideoNode> videoNodes() const;
    // The SCSI generic nodes ("sg2") whose device sits on a USB interface, in number order.
    QStringList usbScsiGenericNodes() const;
    // The product string of the USB device a SCSI generic node sits on; empty when unknown.
    QString scsiGenericUsbProduct(const QString &node) const;
    // Reads one node; false when it is not on a USB interface.
    bool videoNode(const QString &node, VideoNode *info) const;

    // One attribute file, trimmed; empty when it cannot be read.
    static QString readAttribute(const QString &path);
    // A hexadecimal attribute ("3749\n"); false when absent or malformed.
    static bool readHexAttribute(const QString &path, quint16 *value);

private:
    QString m_root;
};

} // namespace platform
