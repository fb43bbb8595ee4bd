#include "upgrade/UpgradeThread.h"

#include "camera/UVCExtensionUnit.h"
#include "platform/Clock.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/PackageFiles.h"
#include "upgrade/UpgradeDevice.h"
#include "upgrade/UpgradeScript.h"

#include <QDir>
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

void UpgradeThread::bindToDrive(QChar letter)
{
    m_boundDrive = letter.toUpper();
    m_bBoundToOpenCamera = false;
}

void UpgradeThread::bindToOpenCamera()
{
    m_bBoundToOpenCamera = true;
    m_boundDrive = QChar();
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
    {
        // Bound to one volume from the first search to the report.
        UpgradeDevice device(m_nManufacturer);
        upgrade(device);
        // The window leaves its upgrade state only on a report, so no way out goes
        // without one.
        if (!m_bReported)
            reportFailure();
    }
    emit workFinished();
}

void UpgradeThread::upgrade(UpgradeDevice &device)
{
    if (stopRequested()) {
        qWarning("Upgrade stopped before it began.");
        return;
    }
    // A package that cannot complete must not start: not even the switch to the
    // upgrade state happens then.
    if (!checkPackage()) {
        qWarning("The firmware package cannot complete its upgrade script; nothing was sent to the camera.");
        report(false, 0, tr("The firmware package cannot complete the upgrade; nothing was sent to the camera."));
        qDebug("Upgrade failed.");
        return;
    }
    if (!m_boundDrive.isNull()) {
        qInfo("The upgrade takes only the camera on %c:.", m_boundDrive.toLatin1());
        device.confineToDrive(m_boundDrive);
    } else if (m_bBoundToOpenCamera) {
        // Volumes there now belong to other cameras; the open one shows up only after
        // its switch.
        const QSet<QChar> others = UpgradeDevice::cameraDrives(m_nManufacturer);
        QString letters;
        for (char letter = 'D'; letter <= 'Z'; ++letter) {
            if (others.contains(QLatin1Char(letter)))
                letters += QStringLiteral(" %1:").arg(QLatin1Char(letter));
        }
        if (!letters.isEmpty())
            qInfo("The upgrade passes by the cameras already on%s.", qPrintable(letters));
        device.passBy(others);
    }
    if (!m_bBoundToOpenCamera && device.find(m_nDeviceState)) {
        qInfo("Enter the upgrade process of the camera in an abnormal state.");
        recoverFromBootState(device);
    } else if (m_bCameraOpen) {
        upgradeFromNormalMode(device);
    } else {
        report(false, 0, tr("No camera device detected."));
        qDebug("Upgrade failed.");
    }
}

bool UpgradeThread::checkPackage()
{
    if (!m_package.isValid())
        return false;
    UpgradeScript script(nullptr, m_package);
    return script.check(kScriptFile) == 0;
}

QString UpgradeThread::packageFile(const char *name) const
{
    PackageFileProblem problem = PackageFileProblem::None;
    const QString path = m_package.resolveFile(QByteArray(name), &problem);
    if (problem == PackageFileProblem::Outside)
        qWarning("%s lies outside the package.", name);
    else if (problem == PackageFileProblem::NotRegular)
        qWarning("%s is not a regular file.", name);
    return path;
}

void UpgradeThread::recoverFromBootState(UpgradeDevice &device)
{
    if (m_nDeviceState == Rom) {
        const QString updater = packageFile(kUpdaterFile);
        if (updater.isEmpty() || sendRawFile(device.volume(), updater) != 0) {
            qWarning("Cannot read %s for the camera's boot ROM.", kUpdaterFile);
            return;
        }
        m_nDeviceState = Updater;
    }
    if (m_nDeviceState == Updater) {
        if (!QFileInfo::exists(m_package.folder() + QLatin1Char('/') + QLatin1String(kBootLoaderFile))) {
            m_nDeviceState = UBoot;
            runScript(device);
            return;
        }
        const QString loader = packageFile(kBootLoaderFile);
        if (loader.isEmpty() || loadFileToDevice(device.volume(), loader, kHandoverAddress) != 0) {
            qWarning("The camera did not take %s.", kBootLoaderFile);
            return;
        }
        if (!waitForBootLoader(device))
            return;
    }
    if (m_nDeviceState == UBoot)
        runScript(device);
}

bool UpgradeThread::waitForBootLoader(UpgradeDevice &device)
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
        // Only the camera that was handed over counts: another one plugged in
        // meanwhile, on another drive, is not looked at.
        if (device.findAgain(m_nDeviceState))
            break;
    }
    if (m_nDeviceState != UBoot) {
        qCritical("%s", qPrintable(QStringLiteral("Invalid device state %1.").arg(m_nDeviceState)));
        return false;
    }
    return true;
}

void UpgradeThread::upgradeFromNormalMode(UpgradeDevice &device)
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
        if (device.find(m_nDeviceState)) {
            found = true;
            break;
        }
        if (--countdown < 0) {
            report(false, 0, tr("Failed to find camera device."));
            break;
        }
    }
    if (found && m_nDeviceState == UBoot)
        runScript(device);
}

void UpgradeThread::runScript(UpgradeDevice &device)
{
    UpgradeScript script(device.volume(), m_package);
    script.setStopCheck([this] { return stopRequested(); });
    if (script.run(kScriptFile) == 0) {
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
