// The sysfs readers of the Linux backend: a video4linux node on a USB interface and a
// SCSI generic node, laid out as the kernel does in a tree of the target's own, whose
// attribute files take the input's fields (split at NUL bytes: idVendor, idProduct,
// bInterfaceNumber, the node's name and index, the product and serial strings), and the
// split of a sysfs device path at its USB interface (the last field).
#include "FuzzSupport.h"

#include "platform/linux/LinuxDevicePath.h"
#include "platform/linux/LinuxSysfs.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace {

struct Tree
{
    QString root;
    QString usb;
    QString interface;
    QString node;

    Tree()
    {
        root = fuzzsupport::scratchDir() + QStringLiteral("/sys");
        usb = root + QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-1");
        interface = usb + QStringLiteral("/1-1:1.0");
        node = root + QStringLiteral("/class/video4linux/video0");
        const QString sgNode = root + QStringLiteral("/class/scsi_generic/sg0");
        const QString storage = usb + QStringLiteral("/1-1:1.2/host0/target0:0:0/0:0:0:0");
        for (const QString &dir : {interface, node, sgNode, storage})
            QDir().mkpath(dir);
        QFile::link(interface, node + QStringLiteral("/device"));
        QFile::link(storage, sgNode + QStringLiteral("/device"));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    static Tree &tree = *new Tree;
    if (size > 4096)
        return 0;
    const QList<QByteArray> fields = fuzzsupport::split(fuzzsupport::bytes(data, size), QByteArray(1, '\0'));
    const auto field = [&fields](int i) { return i < fields.size() ? fields.at(i) : QByteArray(); };
    fuzzsupport::writeFile(tree.usb + QStringLiteral("/idVendor"), field(0));
    fuzzsupport::writeFile(tree.usb + QStringLiteral("/idProduct"), field(1));
    fuzzsupport::writeFile(tree.interface + QStringLiteral("/bInterfaceNumber"), field(2));
    fuzzsupport::writeFile(tree.node + QStringLiteral("/name"), field(3));
    fuzzsupport::writeFile(tree.node + QStringLiteral("/index"), field(4));
    fuzzsupport::writeFile(tree.usb + QStringLiteral("/product"), field(5));
    fuzzsupport::writeFile(tree.usb + QStringLiteral("/serial"), field(6));

    const platform::LinuxSysfs sysfs(tree.root);
    for (const platform::LinuxSysfs::VideoNode &node : sysfs.videoNodes()) {
        if (node.node != QLatin1String("video0") || node.number != 0 || node.portPath != QLatin1String("1-1"))
            std::abort();
        // A path in the Windows form, as the backend lists the camera.
        platform::LinuxDevicePath::interfacePath(node.vendorId, node.productId, node.interfaceNumber, node.portPath,
                                                 QUuid());
    }
    for (const QString &sg : sysfs.usbScsiGenericNodes())
        sysfs.scsiGenericUsbProduct(sg);

    QString port;
    int interfaceNumber = -1;
    const QString devpath = QString::fromUtf8(field(7));
    if (platform::LinuxDevicePath::usbInterfaceFromDevpath(devpath, &port, &interfaceNumber)) {
        if (port.isEmpty() || interfaceNumber < 0)
            std::abort();
        platform::LinuxDevicePath::instanceFromPort(port);
    }
    return 0;
}
