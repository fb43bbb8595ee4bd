#pragma once
#include "platform/Backend.h"
#include "platform/DeviceNotifier.h"

namespace platform {

class LinuxDeviceNotifier;

// Real hardware on Linux. For now it finds no devices; V4L2, uvcvideo extension units,
// udev and SG_IO arrive behind this same interface.
class LinuxBackend : public Backend
{
public:
    LinuxBackend();
    ~LinuxBackend() override;

    QString name() const override { return QStringLiteral("linux"); }
    HResult enumerateVideoInputDevices(QList<std::shared_ptr<CaptureDevice>> *devices) override;
    HResult createCaptureGraphBuilder() override;
    HResult enumerateMediaDevices(QList<std::shared_ptr<MediaDevice>> *devices,
                                  int *failedStep) override;
    std::shared_ptr<Volume> openVolume(const QString &devicePath) override;
    DeviceNotifier *deviceNotifier() override;
    CaptureInput captureInput(const QString &cameraName) override;

private:
    std::unique_ptr<LinuxDeviceNotifier> m_notifier;
};

} // namespace platform
