#pragma once
#include "platform/Backend.h"

namespace platform {

class WindowsDeviceNotifier;
class WindowsScreenLock;

// Real hardware on Windows: capture devices through the system device enumerator
// (DirectShow), media sources through Media Foundation with their kernel-streaming
// topology, volumes through DeviceIoControl, device changes through
// RegisterDeviceNotification and FFmpeg's dshow input.
class WindowsBackend : public Backend
{
public:
    WindowsBackend();
    ~WindowsBackend() override;

    QString name() const override { return QStringLiteral("windows"); }
    HResult enumerateVideoInputDevices(QList<std::shared_ptr<CaptureDevice>> *devices) override;
    HResult createCaptureGraphBuilder() override;
    HResult enumerateMediaDevices(QList<std::shared_ptr<MediaDevice>> *devices, int *failedStep) override;
    std::shared_ptr<Volume> openVolume(const QString &devicePath) override;
    DeviceNotifier *deviceNotifier() override;
    ScreenLock *screenLock() override;
    CaptureInput captureInput(const QString &cameraName, const CaptureOptions &requested) override;

private:
    std::unique_ptr<WindowsDeviceNotifier> m_notifier;
    std::unique_ptr<WindowsScreenLock> m_screenLock;
};

} // namespace platform
