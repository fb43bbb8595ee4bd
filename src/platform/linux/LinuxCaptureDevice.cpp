#include "platform/linux/LinuxCaptureDevice.h"

#include "platform/DeviceChange.h"
#include "platform/linux/LinuxCaptureFilter.h"
#include "platform/linux/LinuxDevicePath.h"
#include "platform/linux/LinuxVideoDevice.h"

namespace platform {

namespace {
// What the class driver calls every UVC camera.
const QString kUvcDescription = QStringLiteral("USB Video Device");
} // namespace

LinuxCaptureDevice::LinuxCaptureDevice(const LinuxSysfs::VideoNode &node, const QString &deviceFile)
    : m_node(node)
    , m_deviceFile(deviceFile)
{
}

bool LinuxCaptureDevice::openPropertyBag()
{
    return true;
}

bool LinuxCaptureDevice::readProperty(const QString &name, QString *value)
{
    if (name == QLatin1String("DevicePath"))
        *value = devicePath();
    else if (name == QLatin1String("FriendlyName"))
        *value = friendlyName();
    else if (name == QLatin1String("Description"))
        *value = kUvcDescription;
    else
        return false;
    return true;
}

QString LinuxCaptureDevice::monikerDisplayName()
{
    return LinuxDevicePath::monikerDisplayName(devicePath());
}

std::shared_ptr<CaptureFilter> LinuxCaptureDevice::bindFilter()
{
    auto device = std::make_shared<LinuxVideoDevice>(m_deviceFile);
    if (!device->isOpen())
        return nullptr;
    return std::make_shared<LinuxCaptureFilter>(std::move(device));
}

QString LinuxCaptureDevice::devicePath() const
{
    return LinuxDevicePath::interfacePath(m_node.vendorId, m_node.productId, m_node.interfaceNumber,
                                          m_node.portPath, kCaptureInterfaceClass);
}

QString LinuxCaptureDevice::friendlyName() const
{
    // The USB product string is what the platform shows; the node name is a truncated copy.
    return m_node.product.isEmpty() ? m_node.name : m_node.product;
}

QString LinuxCaptureDevice::captureName() const
{
    QString name = LinuxDevicePath::monikerDisplayName(devicePath());
    name.replace(QLatin1Char(':'), QLatin1Char('_'));
    return name;
}

} // namespace platform
