#pragma once
#include "platform/Backend.h"

#include <memory>

namespace sim {

class SimRig;
class SimDeviceNotifier;
class SimControlChannel;
class SimScreenLock;

// The backend over the simulated rig: what the classes above see of the rig's devices.
class SimBackend : public platform::Backend
{
public:
    explicit SimBackend(std::unique_ptr<SimRig> rig);
    ~SimBackend() override;

    // The rig named by LENSDESK_RIG, or the built-in rig; a rig file that does not
    // load is reported on standard error and replaced by the built-in rig.
    static std::unique_ptr<SimBackend> fromEnvironment();

    SimRig &rig() { return *m_rig; }

    // With LENSDESK_RIG_SAVE=<file>, writes the rig's present state there as a rig file
    // (SimRig::stateJson), so that another process can go on from it with LENSDESK_RIG.
    // True when nothing was asked or the file was written.
    bool saveStateIfAsked();

    QString name() const override { return QStringLiteral("sim"); }
    platform::HResult enumerateVideoInputDevices(
        QList<std::shared_ptr<platform::CaptureDevice>> *devices) override;
    platform::HResult createCaptureGraphBuilder() override;
    platform::HResult enumerateMediaDevices(QList<std::shared_ptr<platform::MediaDevice>> *devices,
                                            int *failedStep) override;
    std::shared_ptr<platform::Volume> openVolume(const QString &devicePath) override;
    platform::DeviceNotifier *deviceNotifier() override;
    platform::ScreenLock *screenLock() override;
    platform::CaptureInput captureInput(const QString &cameraName, const platform::CaptureOptions &requested) override;

    // Fault injection at the level of the whole system.
    void setCaptureGraphBuilderStatus(platform::HResult hr) { m_graphBuilderStatus = hr; }
    // Makes media enumeration step 0, 1 or 2 fail with the given status (-1: none).
    void setMediaEnumerationFailure(int step, platform::HResult hr)
    {
        m_mediaFailStep = step;
        m_mediaFailStatus = hr;
    }

private:
    std::unique_ptr<SimRig> m_rig;
    std::unique_ptr<SimDeviceNotifier> m_notifier;
    std::unique_ptr<SimControlChannel> m_control;
    std::unique_ptr<SimScreenLock> m_screenLock;
    platform::HResult m_graphBuilderStatus = platform::kSOk;
    int m_mediaFailStep = -1;
    platform::HResult m_mediaFailStatus = platform::kEFail;
};

} // namespace sim
