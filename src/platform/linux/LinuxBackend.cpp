#include "platform/linux/LinuxBackend.h"

#include "platform/linux/LinuxCaptureDevice.h"
#include "platform/linux/LinuxDeviceNotifier.h"
#include "platform/linux/LinuxDevicePath.h"
#include "platform/linux/LinuxMediaDevice.h"
#include "platform/linux/LinuxScreenLock.h"
#include "platform/linux/LinuxSysfs.h"
#include "platform/linux/LinuxVideoDevice.h"
#include "platform/linux/LinuxVolume.h"

namespace platform {

LinuxBackend::LinuxBackend(const QString &sysRoot, const QString &devRoot)
    : m_sysRoot(sysRoot)
    , m_devRoot(devRoot)
    , m_notifier(std::make_unique<LinuxDeviceNotifier>())
{
}

LinuxBackend::~LinuxBackend() = default;

QList<std::shared_ptr<LinuxCaptureDevice>> LinuxBackend::captureDevices() const
{
    QList<std::shared_ptr<LinuxCaptureDevice>> devices;
    const QList<LinuxSysfs::VideoNode> nodes = LinuxSysfs(m_sysRoot).videoNodes();
    for (const LinuxSysfs::VideoNode &node : nodes) {
        const QString file = m_devRoot + QLatin1Char('/') + node.node;
        const LinuxVideoDevice device(file);
        if (device.isOpen()) {
            if (!device.isVideoCapture())
                continue;
        } else if (node.index != 0) {
            // Unopenable (no permission): the interface's first node is its capture node.
            continue;
        }
        devices.append(std::make_shared<LinuxCaptureDevice>(node, file));
    }
    return devices;
}

HResult LinuxBackend::enumerateVideoInputDevices(QList<std::shared_ptr<CaptureDevice>> *devices)
{
    devices->clear();
    const QList<std::shared_ptr<LinuxCaptureDevice>> found = captureDevices();
    for (const auto &device : found)
        devices->append(device);
    return kSOk;
}

HResult LinuxBackend::createCaptureGraphBuilder()
{
    return kSOk;
}

HResult LinuxBackend::enumerateMediaDevices(QList<std::shared_ptr<MediaDevice>> *devices,
                                            int *failedStep)
{
    devices->clear();
    if (failedStep)
        *failedStep = -1;
    // The same cameras as the capture devices; the link carries the capture path's id.
    const QList<std::shared_ptr<LinuxCaptureDevice>> found = captureDevices();
    for (const auto &device : found) {
        const LinuxSysfs::VideoNode &node = device->node();
        const QString link = LinuxDevicePath::interfacePath(node.vendorId, node.productId, node.interfaceNumber,
                                                            node.portPath, LinuxMediaDevice::kVideoCameraClass);
        devices->append(std::make_shared<LinuxMediaDevice>(device->friendlyName(), link, device->deviceFile(),
                                                           node.usbDeviceDir + QStringLiteral("/descriptors"),
                                                           node.interfaceNumber));
    }
    return kSOk;
}

std::shared_ptr<Volume> LinuxBackend::openVolume(const QString &devicePath)
{
    // "\\.\X:": the letters D to Z name the USB SCSI generic devices in order.
    if (devicePath.size() != 6 || !devicePath.startsWith(QLatin1String("\\\\.\\"))
        || devicePath.at(5) != QLatin1Char(':'))
        return nullptr;
    const QChar letter = devicePath.at(4).toUpper();
    if (letter < QLatin1Char('D') || letter > QLatin1Char('Z'))
        return nullptr;
    const LinuxSysfs sysfs(m_sysRoot);
    const QStringList nodes = sysfs.usbScsiGenericNodes();
    const int index = letter.unicode() - 'D';
    if (index >= nodes.size())
        return nullptr;
    auto volume = std::make_shared<LinuxVolume>(m_devRoot + QLatin1Char('/') + nodes.at(index),
                                                sysfs.scsiGenericUsbProduct(nodes.at(index)));
    if (!volume->isOpen())
        return nullptr;
    return volume;
}

DeviceNotifier *LinuxBackend::deviceNotifier()
{
    return m_notifier.get();
}

ScreenLock *LinuxBackend::screenLock()
{
    // Made when first asked: only the window asks, and lensdeskctl needs no session bus.
    if (!m_screenLock)
        m_screenLock = std::make_unique<LinuxScreenLock>();
    return m_screenLock.get();
}

CaptureInput LinuxBackend::captureInput(const QString &cameraName, const CaptureOptions &)
{
    QString name = cameraName;
    if (name.startsWith(QLatin1String("video=")))
        name = name.mid(6);
    const QList<std::shared_ptr<LinuxCaptureDevice>> devices = captureDevices();
    for (const auto &device : devices) {
        if (device->captureName() == name)
            return {QByteArrayLiteral("video4linux2"), device->deviceFile().toLocal8Bit(), {}};
    }
    return {};
}

} // namespace platform
