#include "upgrade/AbnormalDetectThread.h"

#include "platform/Clock.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/UpgradeDevice.h"
#include "upgrade/UpgradeLock.h"

namespace {
// The longest single sleep, so that stop() is seen well within one poll period.
constexpr int kPauseStepMs = 100;
} // namespace

AbnormalDetectThread::AbnormalDetectThread(int manufacturer, QObject *parent)
    : QObject(parent)
    , m_nManufacturer(manufacturer)
    , m_nDeviceState(NotFound)
{
}

void AbnormalDetectThread::start()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bRunning = !m_bStopRequested;
    }
    emit workStart();
    doWork();
}

void AbnormalDetectThread::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bRunning = false;
    m_bStopRequested = true;
}

bool AbnormalDetectThread::isRunning()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bRunning;
}

void AbnormalDetectThread::pause(int ms)
{
    while (ms > 0 && isRunning()) {
        const int step = qMin(ms, kPauseStepMs);
        platform::sleepMs(step);
        ms -= step;
    }
}

void AbnormalDetectThread::doWork()
{
    // The mutex guards the flag only; it is never held through a search or a pause.
    while (isRunning()) {
        // While an upgrade runs the volumes are left alone: the camera being upgraded
        // passes through its boot states and is no abnormal camera, and any other is
        // reported once the upgrade has ended. The state reported is the one this very
        // search found.
        m_nDeviceState = NotFound;
        // Nor while another program upgrades: its camera passes through the same states
        // and is that program's, not one to recover.
        const bool reported = !UpgradeLock::isHeld() && UpgradeDevice::watch(m_nManufacturer, [this](int state) {
            m_nDeviceState = state;
            emit onDeviceAbnormal(state);
        });
        if (reported)
            pause(kPauseAfterReportMs);
        pause(kPollPeriodMs);
    }
    emit workFinished();
}
