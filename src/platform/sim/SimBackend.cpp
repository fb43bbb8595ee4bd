#include "platform/sim/SimBackend.h"

#include "platform/sim/SimControlChannel.h"
#include "platform/sim/SimDeviceNotifier.h"
#include "platform/sim/SimMassStorage.h"
#include "platform/sim/SimRig.h"
#include "platform/sim/SimScreenLock.h"
#include "platform/sim/SimStreamServer.h"
#include "platform/sim/SimUvcCamera.h"

#include <QSaveFile>
#include <QtGlobal>

#include <cstdio>

namespace sim {

SimBackend::SimBackend(std::unique_ptr<SimRig> rig)
    : m_rig(std::move(rig))
{
}

SimBackend::~SimBackend()
{
    m_rig->setNotifier(nullptr);
    m_notifier.reset();
    m_screenLock.reset();
}

std::unique_ptr<SimBackend> SimBackend::fromEnvironment()
{
    const QString path = qEnvironmentVariable("LENSDESK_RIG");
    std::unique_ptr<SimRig> rig;
    if (!path.isEmpty()) {
        QString error;
        rig = SimRig::fromFile(path, &error);
        if (!rig)
            std::fprintf(stderr, "lensdesk: %s; using the built-in rig\n", qPrintable(error));
    }
    if (!rig)
        rig = SimRig::fromJson(SimRig::defaultRigJson(), nullptr);
    return std::make_unique<SimBackend>(std::move(rig));
}

bool SimBackend::saveStateIfAsked()
{
    const QString path = qEnvironmentVariable("LENSDESK_RIG_SAVE");
    if (path.isEmpty())
        return true;
    m_rig->pump();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_rig->stateJson()) < 0 || !file.commit()) {
        std::fprintf(stderr, "lensdesk: cannot write the rig state to %s\n", qPrintable(path));
        return false;
    }
    return true;
}

platform::HResult SimBackend::enumerateVideoInputDevices(
    QList<std::shared_ptr<platform::CaptureDevice>> *devices)
{
    devices->clear();
    m_rig->pump();
    std::lock_guard<std::recursive_mutex> lock(m_rig->mutex());
    for (SimCamera *camera : m_rig->cameras()) {
        if (!camera->present() || camera->mode() != CameraMode::Normal)
            continue;
        if (auto device = camera->uvc().captureDevice())
            devices->append(device);
    }
    return platform::kSOk;
}

platform::HResult SimBackend::createCaptureGraphBuilder()
{
    return m_graphBuilderStatus;
}

platform::HResult SimBackend::enumerateMediaDevices(
    QList<std::shared_ptr<platform::MediaDevice>> *devices, int *failedStep)
{
    devices->clear();
    if (failedStep)
        *failedStep = -1;
    if (m_mediaFailStep >= 0) {
        if (failedStep)
            *failedStep = m_mediaFailStep;
        return m_mediaFailStatus;
    }
    m_rig->pump();
    std::lock_guard<std::recursive_mutex> lock(m_rig->mutex());
    for (SimCamera *camera : m_rig->cameras()) {
        if (!camera->present() || camera->mode() != CameraMode::Normal)
            continue;
        if (auto device = camera->uvc().mediaDevice())
            devices->append(device);
    }
    return platform::kSOk;
}

std::shared_ptr<platform::Volume> SimBackend::openVolume(const QString &devicePath)
{
    // "\\.\F:" names drive F.
    if (devicePath.size() != 6 || !devicePath.startsWith(QLatin1String("\\\\.\\"))
        || devicePath.at(5) != QLatin1Char(':'))
        return nullptr;
    const QChar letter = devicePath.at(4).toUpper();
    m_rig->pump();
    std::lock_guard<std::recursive_mutex> lock(m_rig->mutex());
    for (SimCamera *camera : m_rig->cameras() + m_rig->volumes()) {
        if (camera->storage().answersDrive(letter))
            return camera->storage().openVolume();
    }
    return nullptr;
}

platform::DeviceNotifier *SimBackend::deviceNotifier()
{
    if (!m_notifier) {
        m_notifier = std::make_unique<SimDeviceNotifier>(*m_rig);
        m_rig->setNotifier(m_notifier.get());
        // Commands from LENSDESK_RIG_CONTROL are read on this (the GUI) thread too.
        m_control = SimControlChannel::fromEnvironment(*m_rig);
    }
    return m_notifier.get();
}

platform::ScreenLock *SimBackend::screenLock()
{
    if (!m_screenLock)
        m_screenLock = std::make_unique<SimScreenLock>(*m_rig);
    return m_screenLock.get();
}

platform::CaptureInput SimBackend::captureInput(const QString &cameraName, const platform::CaptureOptions &requested)
{
    m_rig->pump();
    QString name = cameraName;
    if (name.startsWith(QLatin1String("video=")))
        name = name.mid(6);
    SimCamera *camera = m_rig->cameraByCaptureName(name);
    if (!camera)
        return {QByteArrayLiteral("mpjpeg"), QByteArrayLiteral("unix:/nonexistent/lensdesk-no-such-camera"), {}};
    return camera->stream().captureInput(requested);
}

} // namespace sim
