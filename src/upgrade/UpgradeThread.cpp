#include "upgrade/UpgradeThread.h"

#include "camera/UVCExtensionUnit.h"
#include "platform/Clock.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/UpgradeScript.h"

#include <QFileInfo>

namespace {
const char kScriptFile[] = "auto_update.txt";
const char kUpdaterFile[] = "usb_updater.bin";
const char kBootLoaderFile[] = "u-boot.bin";
} // namespace

UpgradeThread::UpgradeThread(int manufacturer, bool cameraOpen, UVCExtensionUnit *unit, QObject *parent)
    : QObject(parent)
    , m_nManufacturer(manufacturer)
    , m_bCameraOpen(cameraOpen)
    , m_unit(unit)
    , m_nDeviceState(NotFound)
{
}

void UpgradeThread::start()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bRunning = !m_bStopRequested;
    }
    emit workStart();
    doWork();
}

void UpgradeThread::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bRunning = false;
    m_bStopRequested = true;
}

bool UpgradeThread::isRunning()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bRunning;
}

bool UpgradeThread::stopRequested()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bStopRequested;
}

void UpgradeThread::doWork()
{
    m_bReported = false;
    if (findUpgradeDevice(m_nManufacturer, m_nDeviceState)) {
        qInfo("Enter the upgrade process of the camera in an abnormal state.");
        recoverFromBootState();
    } else if (m_bCameraOpen) {
        upgradeFromNormalMode();
    } else {
        report(false, 0, tr("No camera device detected."));
        qDebug("Upgrade failed.");
    }
    // The window leaves its upgrade state only on a report, so no way out goes without one.
    if (!m_bReported)
        reportFailure();
    emit workFinished();
}

void UpgradeThread::recoverFromBootState()
{
    if (m_nDeviceState == Rom) {
        if (sendRawFile(kUpdaterFile) != 0) {
            qWarning("Cannot read %s for the camera's boot ROM.", kUpdaterFile);
            return;
        }
        m_nDeviceState = Updater;
    }
    if (m_nDeviceState == Updater) {
        if (!QFileInfo::exists(QLatin1String(kBootLoaderFile))) {
            m_nDeviceState = UBoot;
            runScript();
            return;
        }
        if (loadFileToDevice(kBootLoaderFile, kHandoverAddress) != 0) {
            qWarning("The camera did not take %s.", kBootLoaderFile);
            return;
        }
        if (!waitForBootLoader())
            return;
    }
    if (m_nDeviceState == UBoot)
        runScript();
}

bool UpgradeThread::waitForBootLoader()
{
    platform::sleepMs(kHandoverFirstPauseMs);
    int waited = kHandoverFirstPauseMs;
    for (;;) {
        if (stopRequested()) {
            qWarning("Upgrade stopped while waiting for the boot loader.");
            return false;
        }
        if (waited >= kHandoverMaxWaitMs) {
            qCritical("The camera did not come back after the boot loader hand-over.");
            return false;
        }
        platform::sleepMs(kHandoverSearchPeriodMs);
        waited += kHandoverSearchPeriodMs;
        if (findUpgradeDevice(m_nManufacturer, m_nDeviceState))
            break;
    }
    if (m_nDeviceState != UBoot) {
        qCritical("%s", qPrintable(QStringLiteral("Invalid device state %1.").arg(m_nDeviceState)));
        return false;
    }
    return true;
}

void UpgradeThread::upgradeFromNormalMode()
{
    if (!m_unit || !m_unit->EnterUpgradeMode()) {
        qWarning("The camera did not take the upgrade-mode entry.");
        return;
    }
    qInfo("Enter the normal state of the camera upgrade process.");
    bool found = false;
    int countdown = kSwitchCountdown;
    for (;;) {
        // The mutex guards the flag only; stop() never waits for a pause or a search.
        if (!isRunning())
            break;
        platform::sleepMs(kSwitchSearchPeriodMs);
        if (findUpgradeDevice(m_nManufacturer, m_nDeviceState)) {
            found = true;
            break;
        }
        if (--countdown < 0) {
            report(false, 0, tr("Failed to find camera device."));
            break;
        }
    }
    if (found && m_nDeviceState == UBoot)
        runScript();
}

void UpgradeThread::runScript()
{
    if (runUpgradeScript(kScriptFile) == 0) {
        report(true, 100, tr("Upgrade done."));
        qDebug("Upgrade seccess.");
    } else {
        reportFailure();
    }
}

void UpgradeThread::reportFailure()
{
    report(false, 0, tr("Upgrade failed."));
    qDebug("Upgrade failed.");
}

void UpgradeThread::report(bool success, int progress, const QString &message)
{
    m_bReported = true;
    emit onUpgradeReport(success, progress, message);
}
