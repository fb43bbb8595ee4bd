#include "platform/linux/LinuxMediaSource.h"

#include "platform/linux/LinuxKsTopologyInfo.h"
#include "platform/linux/LinuxUvcDescriptors.h"
#include "platform/linux/LinuxVideoDevice.h"
#include "platform/linux/LinuxXuControl.h"

#include <QFile>

namespace platform {

LinuxMediaSource::LinuxMediaSource(std::shared_ptr<LinuxVideoDevice> device, const QString &descriptorsFile,
                                   int interfaceNumber)
    : m_device(std::move(device))
    , m_descriptorsFile(descriptorsFile)
    , m_interfaceNumber(interfaceNumber)
{
}

HResult LinuxMediaSource::createSourceReader()
{
    return m_device->isVideoCapture() ? kSOk : kErrorDeviceNotConnected;
}

HResult LinuxMediaSource::queryTopology(std::shared_ptr<KsTopologyInfo> *topology)
{
    QFile file(m_descriptorsFile);
    if (!file.open(QIODevice::ReadOnly))
        return kErrorDeviceNotConnected;
    int unitId = -1;
    LinuxUvcDescriptors::findUnit(file.readAll(), m_interfaceNumber, LinuxXuControl::kPropertySet, &unitId);
    *topology = std::make_shared<LinuxKsTopologyInfo>(m_device, unitId);
    return kSOk;
}

} // namespace platform
