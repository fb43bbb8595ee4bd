#include "upgrade/AbnormalDetectThread.h"

#include "platform/Clock.h"
#include "upgrade/MassStorageTransport.h"


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
        const bool found = findUpgradeDevice(m_nManufacturer, m_nDeviceState) != nullptr;
        if (found && m_nDeviceState != NotFound) {
            emit onDeviceAbnormal(m_nDeviceState);
            pause(kPauseAfterReportMs);
        }
        pause(kPollPeriodMs);
    }
    emit workFinished();
}
