#include "platform/linux/LinuxMediaDevice.h"

#include "platform/linux/LinuxMediaSource.h"
#include "platform/linux/LinuxVideoDevice.h"

namespace platform {

const QUuid LinuxMediaDevice::kVideoCameraClass(0xE5323777, 0xF976, 0x4F5B, 0x9B, 0x55, 0xB9, 0x46, 0x99, 0xC4,
                                                0x6E, 0x44);

LinuxMediaDevice::LinuxMediaDevice(const QString &friendlyName, const QString &symbolicLink,
                                   const QString &deviceFile, const QString &descriptorsFile, int interfaceNumber)
    : m_friendlyName(friendlyName)
    , m_symbolicLink(symbolicLink)
    , m_deviceFile(deviceFile)
    , m_descriptorsFile(descriptorsFile)
    , m_interfaceNumber(interfaceNumber)
{
}

HResult LinuxMediaDevice::friendlyName(QString *name)
{
    *name = m_friendlyName;
    return kSOk;
}

HResult LinuxMediaDevice::symbolicLink(QString *link)
{
    *link = m_symbolicLink;
    return kSOk;
}

HResult LinuxMediaDevice::activate(std::shared_ptr<MediaSource> *source)
{
    source->reset();
    auto device = std::make_shared<LinuxVideoDevice>(m_deviceFile);
    if (!device->isOpen())
        return kErrorDeviceNotConnected;
    *source = std::make_shared<LinuxMediaSource>(std::move(device), m_descriptorsFile, m_interfaceNumber);
    return kSOk;
}

} // namespace platform
