#include "ui/UpgradeFlow.h"

#include "core/AppPaths.h"
#include "core/NoticeTexts.h"
#include "camera/FactoryReset.h"
#include "camera/OpenCamera.h"
#include "platform/Clock.h"
#include "ui/dialogs/DialogPlacement.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/FormAbnormal.h"
#include "ui/dialogs/FormCustomizeMessagebox.h"
#include "ui/dialogs/FormUpgrade.h"
#include "upgrade/AbnormalDetectThread.h"
#include "upgrade/PackageFiles.h"
#include "upgrade/PackagePreparation.h"
#include "upgrade/UpgradeLock.h"
#include "upgrade/UpgradeThread.h"
#include "upgrade/WorkerThreads.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <utility>

namespace {

constexpr int kProgressPeriodMs = 1000;
constexpr int kProgressCap = 99;

using notices::windowText;

} // namespace

UpgradeFlow::UpgradeFlow(Window &window, const Widgets &widgets, OpenCamera &camera)
    : QObject(window.widget())
    , m_window(window)
    , ui(std::make_unique<const Widgets>(widgets))
    , m_camera(camera)
{
    connect(ui->btnUpgrade, &QAbstractButton::clicked, this, &UpgradeFlow::on_btnUpgrade_clicked);
    connect(ui->btnRestoreDefaults, &QAbstractButton::clicked, this,
            &UpgradeFlow::on_btnRestoreDefaults_clicked);
    // What upgrades of programs that were killed left unpacked.
    removeStalePackageFolders(packageDir());
}

UpgradeFlow::~UpgradeFlow()
{
    stopProgressTimer();
    // A window torn down mid-upgrade (a test, an exit code) must not leave a running
    // thread behind to be destroyed.
    if (m_upgradeThread)
        stopWorkerThread(m_upgradeWorker.data(), m_upgradeThread.data());
    stopAbnormalWatcher();
}

int UpgradeFlow::showBox(const QString &text, int buttonMode, bool autoClose)
{
    FormCustomizeMessagebox box(text, buttonMode, autoClose);
    return execCentred(box, m_window.widget());
}

bool UpgradeFlow::refuseWhileUpgrading()
{
    // Unpacking a package already belongs to the upgrade: the window stays until it ends.
    if (!m_bUpgrading && !m_bPreparing)
        return false;
    showBox(windowText(QT_TRANSLATE_NOOP("MainWindow", "Cannot exit during the upgrade process!")), 0, true);
    return true;
}

void UpgradeFlow::setUpgrading(bool upgrading)
{
    m_bUpgrading = upgrading;
}

void UpgradeFlow::stopStatusRefresh()
{
    m_window.stopStatusPoll();
}

// ---- upgrade from the support page --------------------------------------------------------

bool UpgradeFlow::preparePackage(PackagePreparation &package, const QString &file, int &model)
{
    QString message;
    const PackagePreparation::Result result = package.prepare(file, message);
    if (result == PackagePreparation::Ready) {
        model = package.package().model();
        return true;
    }
    // The tool's own words say what was wrong with the file (or the tool).
    m_window.showMessageBox(
        package.failureNotice(result, message.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br>"))),
        false);
    return false;
}

void UpgradeFlow::on_btnUpgrade_clicked()
{
    if (m_bUpgrading || m_bPreparing)
        return;
    m_bPreparing = true;
    prepareAndConfirm();
    m_bPreparing = false;
}

void UpgradeFlow::prepareAndConfirm()
{
    qDebug() << "app dir:" << applicationDir();
    const QString file = FileDialogs::getOpenFileName(
        m_window.widget(), windowText(QT_TRANSLATE_NOOP("MainWindow", "Open File")), QString(),
        windowText(QT_TRANSLATE_NOOP("MainWindow", "Upgrade File(*.zip)")));
    if (file.isEmpty()) {
        qDebug() << "Open file dialog cancel.";
        setUpgrading(false);
        return;
    }
    qDebug() << "upgrade file:" << file;

    // The package stays in its folder, and the lock taken, until the upgrade's report;
    // every way out before the upgrade starts removes both.
    auto package = std::make_unique<PackagePreparation>();
    int model = 0;
    if (!preparePackage(*package, file, model)) {
        setUpgrading(false);
        return;
    }
    qDebug() << "firmware file model:" << model;
    if (model != m_window.currentCameraModel()) {
        m_window.showMessageBox(notices::packageModelMismatch(), false);
        setUpgrading(false);
        return;
    }

    FormUpgrade confirm;
    if (execCentred(confirm, m_window.widget()) == 1) {
        m_package = std::move(package);
        startUpgrade();
    } else {
        qDebug() << "FormUpgrade rejected.";
        setUpgrading(false);
    }
}

void UpgradeFlow::startUpgrade()
{
    setUpgrading(true);
    m_bFinalReport = false;
    ui->progressBarUpdate->setValue(0);
    ui->progressBarUpdate->show();

    // No status query may reach the camera while it changes into its upgrade state, and
    // no control either: the worker talks to the camera now.
    stopStatusRefresh();
    m_window.setControlsEnabled(false);

    auto *worker = new UpgradeThread(m_window.productLine(), m_window.isCameraOpen(), &m_camera.extensionUnit());
    if (m_package)
        worker->setPackage(m_package->package());
    QThread *thread = moveToWorkerThread(worker);
    connect(worker, &UpgradeThread::onUpgradeReport, this, &UpgradeFlow::slotOnUpgradeReport);
    connect(thread, &QThread::finished, this, &UpgradeFlow::slotOnUpgradeThreadFinished);
    m_upgradeWorker = worker;
    m_upgradeThread = thread;
    thread->start(QThread::InheritPriority);

    ui->btnUpgrade->setEnabled(false);
    ui->btnRestoreDefaults->setEnabled(false);

    m_upgradeProgress = 0;
    stopProgressTimer();
    m_progressTimer = new QTimer(this);
    connect(m_progressTimer, &QTimer::timeout, this, &UpgradeFlow::slotOnUpdateDummyTimeout);
    platform::startTimer(*m_progressTimer, kProgressPeriodMs);
}

void UpgradeFlow::slotOnUpdateDummyTimeout()
{
    m_upgradeProgress += 2 + static_cast<int>(QRandomGenerator::global()->bounded(3));
    if (m_upgradeProgress > kProgressCap)
        m_upgradeProgress = kProgressCap;
    ui->progressBarUpdate->setValue(m_upgradeProgress);
}

void UpgradeFlow::stopProgressTimer()
{
    if (!m_progressTimer)
        return;
    m_progressTimer->stop();
    delete m_progressTimer;
    m_progressTimer = nullptr;
}

void UpgradeFlow::releaseWindow()
{
    ui->progressBarUpdate->setValue(0);
    ui->progressBarUpdate->hide();
    // The camera (if any came back) decides the rest of the controls.
    ui->btnUpgrade->setEnabled(true);
    ui->btnRestoreDefaults->setEnabled(true);
}

void UpgradeFlow::slotOnUpgradeReport(bool ok, int progress, QString message)
{
    qDebug() << "upgrade report:" << message;
    setUpgrading(false);
    if (ok && progress != 100)
        return;
    m_bFinalReport = true;
    m_package.reset();
    stopProgressTimer();
    if (ok) {
        ui->progressBarUpdate->setValue(100);
        // The window is usable again before the notice: the camera comes back during it.
        releaseWindow();
        m_window.showMessageBox(notices::upgradeDone(), true);
        return;
    }
    releaseWindow();
    m_bFailureNoticeOpen = true;
    m_window.showMessageBox(notices::upgradeFailed(), true);
    m_bFailureNoticeOpen = false;
    const int deferred = std::exchange(m_deferredAbnormalState, -1);
    if (deferred >= 0)
        slotOnDeviceAbnormal(deferred);
}

void UpgradeFlow::slotOnUpgradeThreadFinished()
{
    if (m_bFinalReport)
        return;
    // The worker ended without saying how: the window must not stay locked.
    qWarning() << "The upgrade worker ended without a report.";
    slotOnUpgradeReport(false, 0, QStringLiteral("no report"));
}

// ---- recovery of a camera stuck in a boot state -------------------------------------------

void UpgradeFlow::slotOnDeviceAbnormal(int state)
{
    qWarning() << "Detect camera abnormal, state:" << state;
    if (m_bUpgrading || m_bAbnormalDialogOpen || m_bPreparing)
        return;
    // The report may have waited while another program took its camera into these states.
    if (UpgradeLock::isHeld()) {
        qDebug() << "Another program holds the upgrade lock; no recovery is offered.";
        return;
    }
    if (m_bFailureNoticeOpen) {
        m_deferredAbnormalState = state;
        return;
    }
    m_bAbnormalDialogOpen = true;
    FormAbnormal abnormal;
    if (execCentred(abnormal, m_window.widget(), QSize(450, 180)) == 1) {
        std::unique_ptr<PackagePreparation> package = abnormal.takePackage();
        ui->btnNavSupport->click();
        FormUpgrade confirm;
        if (execCentred(confirm, m_window.widget()) == 1) {
            m_package = std::move(package);
            startUpgrade();
        } else {
            qDebug() << "FormUpgrade rejected.";
        }
    } else {
        qDebug() << "FormAbnormal rejected.";
    }
    m_bAbnormalDialogOpen = false;
}

void UpgradeFlow::startAbnormalWatcher()
{
    auto *watcher = new AbnormalDetectThread(m_window.productLine());
    QThread *thread = moveToWorkerThread(watcher);
    connect(watcher, &AbnormalDetectThread::onDeviceAbnormal, this, &UpgradeFlow::slotOnDeviceAbnormal);
    m_abnormalWorker = watcher;
    m_abnormalThread = thread;
    thread->start(QThread::InheritPriority);
}

void UpgradeFlow::stopAbnormalWatcher()
{
    if (!m_abnormalThread)
        return;
    if (!stopWorkerThread(m_abnormalWorker.data(), m_abnormalThread.data())) {
        // A search that does not come back must not hold the application open; the
        // thread is left to the end of the process rather than destroyed while running.
        qWarning() << "The abnormal-state watcher did not stop.";
        m_abnormalThread = nullptr;
        return;
    }
    delete m_abnormalWorker.data();
    delete m_abnormalThread.data();
}

// ---- factory reset ------------------------------------------------------------------------

void UpgradeFlow::on_btnRestoreDefaults_clicked()
{
    if (!m_window.isCameraOpen() || m_bUpgrading)
        return;
    const int answer = showBox(
        windowText(QT_TRANSLATE_NOOP("MainWindow",
            "<h3>Restore Factory Defaults</h3>\r\nAre you sure you want to reset your device to factory "
            "settings? Your device may take several seconds to reboot. Please keep your device connected "
            "during the whole resetting process.")),
        1, false);
    if (answer != 1)
        return;
    stopStatusRefresh();
    restoreDefaults();
}

void UpgradeFlow::restoreDefaults()
{
    if (FactoryReset::needsPreReset(m_window.currentCameraModel(), m_window.firmwareVersion())) {
        FactoryReset::preReset(m_camera);
        m_window.queryCameraStatus();
    }

    if (!FactoryReset::reset(m_camera)) {
        m_window.showMessageBox(notices::settingTimeout(), false);
        return;
    }
    const int result =
        showBox(notices::restartNotice(), 0, true);
    qDebug() << "Config default info" << result;
}
