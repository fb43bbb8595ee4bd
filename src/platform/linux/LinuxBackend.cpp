#include "platform/linux/LinuxBackend.h"

#include "platform/linux/LinuxDeviceNotifier.h"

namespace platform {

LinuxBackend::LinuxBackend()
    : m_notifier(std::make_unique<LinuxDeviceNotifier>())
{
}

LinuxBackend::~LinuxBackend() = default;

HResult LinuxBackend::enumerateVideoInputDevices(QList<std::shared_ptr<CaptureDevice>> *devices)
{
    devices->clear();
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
    return kSOk;
}

std::shared_ptr<Volume> LinuxBackend::openVolume(const QString &)
{
    return nullptr;
}

DeviceNotifier *LinuxBackend::deviceNotifier()
{
    return m_notifier.get();
}

CaptureInput LinuxBackend::captureInput(const QString &)
{
    return {};
}

} // namespace platform
