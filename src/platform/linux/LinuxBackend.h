#pragma once
#include "platform/Backend.h"
#include "platform/DeviceNotifier.h"

namespace platform {

class LinuxCaptureDevice;
class LinuxDeviceNotifier;
class LinuxScreenLock;

// Real hardware on Linux: V4L2 capture nodes found through sysfs, their standard
// properties as V4L2 controls, the vendor extension unit through uvcvideo, device
// changes from udev and FFmpeg's video4linux2 input.
class LinuxBackend : public Backend
{
public:
    // The roots are "/sys" and "/dev" on a running system; tests use trees of their own.
    explicit LinuxBackend(const QString &sysRoot = QStringLiteral("/sys"),
                          const QString &devRoot = QStringLiteral("/dev"));
    ~LinuxBackend() override;

    QString name() const override { return QStringLiteral("linux"); }
    HResult enumerateVideoInputDevices(QList<std::shared_ptr<CaptureDevice>> *devices) override;
    HResult createCaptureGraphBuilder() override;
    HResult enumerateMediaDevices(QList<std::shared_ptr<MediaDevice>> *devices,
                                  int *failedStep) override;
    std::shared_ptr<Volume> openVolume(const QString &devicePath) override;
    DeviceNotifier *deviceNotifier() override;
    ScreenLock *screenLock() override;
    CaptureInput captureInput(const QString &cameraName, const CaptureOptions &requested) override;

    // The USB video-capture nodes, in node order.
    QList<std::shared_ptr<LinuxCaptureDevice>> captureDevices() const;

private:
    QString m_sysRoot;
    QString m_devRoot;
    std::unique_ptr<LinuxDeviceNotifier> m_notifier;
    std::unique_ptr<LinuxScreenLock> m_screenLock;
};

} // namespace platform
