// Whole upgrades against the rig, run by UpgradeThread on its own thread and wired as
// the main window wires it; and the abnormal-state watcher.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "camera/UVCExtensionUnit.h"
#include "platform/Clock.h"
#include "platform/sim/SimMassStorage.h"
#include "upgrade/AbnormalDetectThread.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/UpgradeThread.h"
#include "upgrade/WorkerThreads.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QMetaMethod>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <functional>
#include <mutex>

using upgradetest::LogCapture;
using upgradetest::writeAppFile;

namespace {

struct Report
{
    bool ok;
    int progress;
    QString message;
};

const QByteArray kKernel = upgradetest::pattern(100000, 3);
const QByteArray kMiservice = upgradetest::pattern(70000, 4) + "ARBOR 50F" + upgradetest::pattern(100, 5);
const QByteArray kUpdater = upgradetest::pattern(5000, 6);
const QByteArray kBootLoader = upgradetest::pattern(40000, 7);

QByteArray md5(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

QByteArray rig(const QString &extra = QString())
{
    return QStringLiteral(R"({"cameras": [ { "key": "cam1", "driveLetter": "F", "firmware": "1.0.22",
                                             "restartDelayMs": 3000 %1 } ]})")
        .arg(extra)
        .toUtf8();
}

// A package as extraction leaves it in the application directory.
void writePackage(bool updater = true, bool bootLoader = true)
{
    upgradetest::clearAppDir();
    writeAppFile(QStringLiteral("auto_update.txt"), "# test package\r\n"
                                                    "setenv bootargs console=ttyS0\r\n"
                                                    "estar scripts/flash.txt\r\n"
                                                    "setenv fw_version 1.0.23\r\n"
                                                    "reset\r\n");
    writeAppFile(QStringLiteral("scripts/flash.txt"), "tftp 0x21000000 kernel\n"
                                                      "nand erase.part kernel\n"
                                                      "nand write.e 0x21000000 kernel ${filesize}\n"
                                                      "tftp 21000000 miservice.ubifs\n"
                                                      "nand write.e 0x21000000 miservice ${filesize}\n");
    writeAppFile(QStringLiteral("kernel"), kKernel);
    writeAppFile(QStringLiteral("miservice.ubifs"), kMiservice);
    if (updater)
        writeAppFile(QStringLiteral("usb_updater.bin"), kUpdater);
    if (bootLoader)
        writeAppFile(QStringLiteral("u-boot.bin"), kBootLoader);
}

// Runs one upgrade worker on its own thread, wired like the main window's, until the
// thread has deleted itself; returns the reports as the window receives them (queued).
QList<Report> runUpgrade(int manufacturer, bool cameraOpen, UVCExtensionUnit *unit,
                         const std::function<void(UpgradeThread *)> &prepare = {})
{
    QList<Report> reports;
    QObject window;
    auto *thread = new QThread;
    auto *worker = new UpgradeThread(manufacturer, cameraOpen, unit);
    worker->moveToThread(thread);
    QObject::connect(thread, &QThread::started, worker, &UpgradeThread::start);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    QObject::connect(worker, &UpgradeThread::workFinished, worker, &QObject::deleteLater);
    QObject::connect(worker, &QObject::destroyed, thread, &QThread::quit);
    QObject::connect(worker, &UpgradeThread::onUpgradeReport, &window,
                     [&reports](bool ok, int progress, const QString &message) {
                         reports.append(Report{ok, progress, message});
                     });
    if (prepare)
        prepare(worker);
    QPointer<QThread> alive(thread);
    thread->start();
    for (int i = 0; i < 6000 && alive; ++i)
        QTest::qWait(10);
    if (alive)
        qFatal("the upgrade worker did not end");
    QCoreApplication::processEvents(); // reports queued just before the end
    return reports;
}

void verifyOneReport(const QList<Report> &reports, bool ok, int progress, const QString &message)
{
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.at(0).ok, ok);
    QCOMPARE(reports.at(0).progress, progress);
    QCOMPARE(reports.at(0).message, message);
}

QStringList metaMethods(const QMetaObject &mo)
{
    QStringList out;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
        const QMetaMethod m = mo.method(i);
        out << (m.methodType() == QMetaMethod::Signal ? QStringLiteral("signal ") : QStringLiteral("slot "))
                   + QString::fromLatin1(m.methodSignature());
    }
    return out;
}

} // namespace

class TestUpgradeWorkers : public QObject
{
    Q_OBJECT

    sim::SimCamera *m_camera = nullptr;

    void verifyFlashedAndBack(testsupport::SimEnvironment &env)
    {
        const auto flash = m_camera->storage().flashWrites();
        QCOMPARE(flash.size(), 2);
        QCOMPARE(flash.at(0).name, QStringLiteral("kernel"));
        QCOMPARE(flash.at(0).digest, md5(kKernel));
        QCOMPARE(flash.at(1).name, QStringLiteral("miservice"));
        QCOMPARE(flash.at(1).digest, md5(kMiservice));
        QCOMPARE(m_camera->storage().commandsReceived().mid(m_camera->storage().commandsReceived().size() - 3),
                 QStringList({"setenv ota_upgrade_status 0", "saveenv", "reset"}));
        env.clock().advance(3000);
        env.rig().pump();
        QVERIFY(m_camera->present());
        QCOMPARE(m_camera->mode(), sim::CameraMode::Normal);
        QCOMPARE(m_camera->firmwareVersion(), QStringLiteral("1.0.23"));
    }

private slots:
    void init()
    {
        QDir::setCurrent(testsupport::appDir());
        writePackage();
    }
    void cleanup() { closeDeviceHandle(); }

    void signalsAndSlotsInTheirOrder()
    {
        QCOMPARE(metaMethods(UpgradeThread::staticMetaObject),
                 QStringList({"signal workFinished()", "signal workStart()",
                              "signal onUpgradeReport(bool,int,QString)", "slot start()", "slot doWork()",
                              "slot stop()"}));
        QCOMPARE(metaMethods(AbnormalDetectThread::staticMetaObject),
                 QStringList({"signal workFinished()", "signal workStart()", "signal onDeviceAbnormal(int)",
                              "slot start()", "slot doWork()", "slot stop()"}));
    }

    void fromNormalMode_data()
    {
        QTest::addColumn<int>("entryDelayMs");
        QTest::addColumn<bool>("done");
        QTest::newRow("third search") << 1500 << true;
        QTest::newRow("forty-first search") << 20500 << true;
        QTest::newRow("one search too late") << 20501 << false;
    }
    void fromNormalMode()
    {
        QFETCH(int, entryDelayMs);
        QFETCH(bool, done);
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "upgradeEntryDelayMs": %1)").arg(entryDelayMs)));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit unit;
        QVERIFY(unit.InitUvc(m_camera->id(), m_camera->friendlyName()));
        LogCapture log;
        const QList<Report> reports = runUpgrade(0, true, &unit);
        QVERIFY(log.contains(QStringLiteral("Enter the normal state of the camera upgrade process.")));
        if (!done) {
            verifyOneReport(reports, false, 0, QStringLiteral("Failed to find camera device."));
            QVERIFY(m_camera->storage().commandsReceived().isEmpty());
            return;
        }
        verifyOneReport(reports, true, 100, QStringLiteral("Upgrade done."));
        QVERIFY(log.contains(QStringLiteral("Upgrade seccess.")));
        QVERIFY(log.contains(QStringLiteral("device state: u-Boot")));
        QVERIFY(!log.contains(QStringLiteral("Enter the upgrade process of the camera in an abnormal state.")));
        verifyFlashedAndBack(env);
    }

    void cameraThatNeverShowsUpAfterTheSwitch()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "faults": { "storage.noVolume": true })")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit unit;
        QVERIFY(unit.InitUvc(m_camera->id(), m_camera->friendlyName()));
        const qint64 before = env.clock().totalSleptMs();
        verifyOneReport(runUpgrade(0, true, &unit), false, 0, QStringLiteral("Failed to find camera device."));
        QCOMPARE(env.clock().totalSleptMs() - before, qint64(41 * 500));
    }

    void recoveryFromRom()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "rom", "handoverMs": 2200)")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture log;
        verifyOneReport(runUpgrade(1, false, nullptr), true, 100, QStringLiteral("Upgrade done."));
        QVERIFY(log.contains(QStringLiteral("Enter the upgrade process of the camera in an abnormal state.")));
        QCOMPARE(log.count(QStringLiteral("device state: ROM")), 1);
        QCOMPARE(log.count(QStringLiteral("device state: u-Boot")), 1);
        QCOMPARE(m_camera->storage().updaterImage(), kUpdater);
        QCOMPARE(m_camera->storage().updaterBlocks(), 5);
        const auto downloads = m_camera->storage().downloads();
        QVERIFY(!downloads.isEmpty());
        QCOMPARE(downloads.at(0).address, 0xFFFFFFFFu);
        QCOMPARE(downloads.at(0).dataDigest, md5(kBootLoader));
        QVERIFY(downloads.at(0).verified);
        verifyFlashedAndBack(env);
    }

    void recoveryFromUpdater_data()
    {
        QTest::addColumn<bool>("bootLoader");
        QTest::newRow("with u-boot.bin") << true;
        QTest::newRow("without u-boot.bin") << false;
    }
    void recoveryFromUpdater()
    {
        QFETCH(bool, bootLoader);
        writePackage(false, bootLoader);
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "updater")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture log;
        verifyOneReport(runUpgrade(2, false, nullptr), true, 100, QStringLiteral("Upgrade done."));
        const auto downloads = m_camera->storage().downloads();
        QCOMPARE(downloads.at(0).address == 0xFFFFFFFFu, bootLoader);
        // Without a boot loader to hand over, the script runs at once, with no search.
        QCOMPARE(log.count(QStringLiteral("device state: u-Boot")), bootLoader ? 1 : 0);
        verifyFlashedAndBack(env);
    }

    void recoveryFromBootLoader()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "uboot")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        verifyOneReport(runUpgrade(0, true, nullptr), true, 100, QStringLiteral("Upgrade done."));
        verifyFlashedAndBack(env);
    }

    void recoveryWhileTheWatcherSearchesToo()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "rom")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture quiet;
        auto *watcherThread = new QThread;
        auto *watcher = new AbnormalDetectThread(0);
        watcher->moveToThread(watcherThread);
        QObject::connect(watcherThread, &QThread::started, watcher, &AbnormalDetectThread::start);
        QObject::connect(watcherThread, &QThread::finished, watcherThread, &QObject::deleteLater);
        QObject::connect(watcher, &AbnormalDetectThread::workFinished, watcher, &QObject::deleteLater);
        QObject::connect(watcher, &QObject::destroyed, watcherThread, &QThread::quit);
        std::atomic<int> abnormal{0};
        QObject::connect(watcher, &AbnormalDetectThread::onDeviceAbnormal, watcher, [&abnormal](int) { ++abnormal; },
                         Qt::DirectConnection);
        QPointer<QObject> watcherAlive(watcher);
        watcherThread->start();
        QTRY_VERIFY(abnormal > 0);

        verifyOneReport(runUpgrade(0, false, nullptr), true, 100, QStringLiteral("Upgrade done."));
        QVERIFY(stopWorkerThread(watcherAlive, watcherThread));
        QVERIFY(!watcherAlive);
        QCOMPARE(m_camera->storage().malformedRequests(), 0);
        QCOMPARE(m_camera->storage().flashWrites().size(), 2);
    }

    void everyOtherEndingReportsFailure_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<int>("package"); // 0 full, 1 no updater, 2 broken script
        QTest::addColumn<QString>("log");
        QTest::newRow("rom without usb_updater.bin") << R"(, "mode": "rom")" << 1 << "";
        QTest::newRow("boot loader never comes back")
            << R"(, "mode": "updater", "faults": { "storage.handoverNeverReturns": true })" << 0
            << "The camera did not come back after the boot loader hand-over.";
        QTest::newRow("boot loader transfer fails")
            << R"(, "mode": "updater", "faults": { "storage.vanishAfterBytes": 30000,
                  "storage.vanishReturnMs": 1000, "storage.vanishReturnMode": "rom" })"
            << 0 << "The camera did not take u-boot.bin.";
        QTest::newRow("unknown state") << R"(, "mode": "uboot", "inquiryProduct": "XYZ")" << 0 << "";
        QTest::newRow("vanishing mid-transfer")
            << R"(, "mode": "uboot", "faults": { "storage.vanishAfterBytes": 50000 })" << 0 << "load file fail: kernel\n";
        QTest::newRow("script fails") << R"(, "mode": "uboot")" << 2 << "USB scsi run cmd timeout.\n";
    }
    void everyOtherEndingReportsFailure()
    {
        QFETCH(QString, extra);
        QFETCH(int, package);
        QFETCH(QString, log);
        writePackage(package != 1);
        if (package == 2)
            writeAppFile(QStringLiteral("auto_update.txt"), "setenv a 1\n");
        testsupport::SimEnvironment env(rig(extra));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        if (package == 2)
            m_camera->setFault(QStringLiteral("storage.unacknowledgedCommands"), 2);
        LogCapture capture;
        verifyOneReport(runUpgrade(0, false, nullptr), false, 0, QStringLiteral("Upgrade failed."));
        QVERIFY(capture.contains(QStringLiteral("Upgrade failed.")));
        if (!log.isEmpty())
            QVERIFY2(capture.contains(log), qPrintable(capture.lines().join(QLatin1Char('|'))));
        QVERIFY(m_camera->storage().flashWrites().isEmpty());
        // Only a hand-over that ends in another state names the state.
        if (!extra.contains(QLatin1String("handoverNeverReturns")))
            QVERIFY(!capture.lines().join(QLatin1Char('|')).contains(QLatin1String("Invalid device state")));
    }

    void cameraInAnUnknownStateAfterTheSwitchRunsNoScript()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "upgradeEntryDelayMs": 1500, "inquiryProduct": "XYZ")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit unit;
        QVERIFY(unit.InitUvc(m_camera->id(), m_camera->friendlyName()));
        LogCapture capture;
        verifyOneReport(runUpgrade(0, true, &unit), false, 0, QStringLiteral("Upgrade failed."));
        QVERIFY(capture.contains(QStringLiteral("Enter the normal state of the camera upgrade process.")));
        QVERIFY(!capture.lines().join(QLatin1Char('|')).contains(QLatin1String("Invalid device state")));
        QVERIFY(m_camera->storage().commandsReceived().isEmpty());
    }

    void handOverThatEndsInAnotherStateIsLogged()
    {
        testsupport::SimEnvironment env(
            rig(QStringLiteral(R"(, "mode": "updater", "faults": { "storage.handoverNeverReturns": true })")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        // What comes back after the hand-over is the boot ROM again.
        sim::SimRig &rigRef = env.rig();
        sim::SimCamera *camera = m_camera;
        env.rig().schedule(5000, [&rigRef, camera] {
            camera->setMode(sim::CameraMode::Rom);
            rigRef.plug(camera);
        });
        LogCapture capture;
        verifyOneReport(runUpgrade(0, false, nullptr), false, 0, QStringLiteral("Upgrade failed."));
        QVERIFY(capture.contains(QStringLiteral("Invalid device state 0.")));
        QVERIFY(m_camera->storage().commandsReceived().isEmpty());
    }

    void stopEndsTheWaitForTheBootLoader()
    {
        testsupport::SimEnvironment env(
            rig(QStringLiteral(R"(, "mode": "updater", "faults": { "storage.handoverNeverReturns": true })")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture capture;
        std::atomic<UpgradeThread *> target{nullptr};
        const qint64 start = env.clock().nowMs();
        const int listener = env.clock().addListener([&](qint64 now) {
            if (now - start > 10000) {
                if (UpgradeThread *w = target.exchange(nullptr))
                    w->stop(); // on the worker's own thread, during its wait
            }
        });
        const QList<Report> reports = runUpgrade(0, false, nullptr, [&](UpgradeThread *w) { target = w; });
        env.clock().removeListener(listener);
        verifyOneReport(reports, false, 0, QStringLiteral("Upgrade failed."));
        QVERIFY(capture.contains(QStringLiteral("Upgrade stopped while waiting for the boot loader.")));
    }

    void noCameraAtAll()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "plugged": false)")));
        LogCapture capture;
        verifyOneReport(runUpgrade(0, false, nullptr), false, 0, QStringLiteral("No camera device detected."));
        QCOMPARE(capture.lines(), QStringList{"Upgrade failed."});
        // Open but refusing the switch: a failure report all the same.
        verifyOneReport(runUpgrade(0, true, nullptr), false, 0, QStringLiteral("Upgrade failed."));
        UVCExtensionUnit closed;
        verifyOneReport(runUpgrade(0, true, &closed), false, 0, QStringLiteral("Upgrade failed."));
        // The camera is there but another manufacturer's number finds nothing.
        testsupport::SimEnvironment other(rig(QStringLiteral(R"(, "mode": "uboot")")));
        verifyOneReport(runUpgrade(7, false, nullptr), false, 0, QStringLiteral("No camera device detected."));
    }

    void watcherWithoutStartEndsAtOnce()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "rom")")));
        AbnormalDetectThread watcher(0);
        QSignalSpy finished(&watcher, &AbnormalDetectThread::workFinished);
        QSignalSpy abnormal(&watcher, &AbnormalDetectThread::onDeviceAbnormal);
        watcher.doWork();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(abnormal.count(), 0);
        QCOMPARE(env.rig().camera(QStringLiteral("cam1"))->storage().inquiries(), 0);
    }

    void watcherReportsAStuckCameraEveryElevenSeconds()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "rom")")));
        LogCapture capture;
        auto *thread = new QThread;
        auto *watcher = new AbnormalDetectThread(0);
        watcher->moveToThread(thread);
        QObject::connect(thread, &QThread::started, watcher, &AbnormalDetectThread::start);
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        QObject::connect(watcher, &AbnormalDetectThread::workFinished, watcher, &QObject::deleteLater);
        QObject::connect(watcher, &QObject::destroyed, thread, &QThread::quit);
        std::mutex mutex;
        QList<QPair<int, qint64>> reports;
        qint64 stoppedAt = -1;
        qint64 finishedAt = -1;
        QObject::connect(
            watcher, &AbnormalDetectThread::onDeviceAbnormal, watcher,
            [&, watcher](int state) {
                std::lock_guard<std::mutex> lock(mutex);
                reports.append({state, platform::nowMs()});
                if (reports.size() == 3) {
                    // Stopped at the start of its 10-second pause.
                    stoppedAt = platform::nowMs();
                    watcher->stop();
                }
            },
            Qt::DirectConnection);
        QObject::connect(
            watcher, &AbnormalDetectThread::workFinished, watcher,
            [&] {
                std::lock_guard<std::mutex> lock(mutex);
                finishedAt = platform::nowMs();
            },
            Qt::DirectConnection);
        QPointer<QObject> alive(watcher);
        QPointer<QThread> threadAlive(thread);
        thread->start();
        QTRY_VERIFY_WITH_TIMEOUT(!threadAlive, 30000);
        QVERIFY(!alive);
        std::lock_guard<std::mutex> lock(mutex);
        QCOMPARE(reports.size(), 3);
        for (int i = 0; i < reports.size(); ++i) {
            QCOMPARE(reports.at(i).first, int(Rom));
            if (i > 0)
                QVERIFY(reports.at(i).second - reports.at(i - 1).second >= 11000);
        }
        QVERIFY(finishedAt - stoppedAt <= AbnormalDetectThread::kPollPeriodMs);
        QVERIFY(!capture.lines().join(QLatin1Char('\n')).contains(QLatin1String("QThread")));
    }

    void closingStopsAndWaitsForTheWatcher()
    {
        testsupport::SimEnvironment env(rig());
        env.clock().setRealMicrosPerMs(100); // let the watcher sleep for real, like the application
        LogCapture capture;
        auto *thread = new QThread;
        auto *watcher = new AbnormalDetectThread(0);
        watcher->moveToThread(thread);
        QObject::connect(thread, &QThread::started, watcher, &AbnormalDetectThread::start);
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        QObject::connect(watcher, &AbnormalDetectThread::workFinished, watcher, &QObject::deleteLater);
        QObject::connect(watcher, &QObject::destroyed, thread, &QThread::quit);
        std::atomic<int> started{0};
        QObject::connect(watcher, &AbnormalDetectThread::workStart, watcher, [&started] { ++started; },
                         Qt::DirectConnection);
        QPointer<QObject> alive(watcher);
        thread->start();
        QTRY_COMPARE(started.load(), 1);
        QVERIFY(stopWorkerThread(alive, thread));
        QVERIFY(thread->isFinished());
        QVERIFY(!alive);
        // A stop that comes before the thread ran at all is not lost.
        auto *early = new QThread;
        auto *late = new AbnormalDetectThread(0);
        late->moveToThread(early);
        QObject::connect(early, &QThread::started, late, &AbnormalDetectThread::start);
        QObject::connect(early, &QThread::finished, early, &QObject::deleteLater);
        QObject::connect(late, &AbnormalDetectThread::workFinished, late, &QObject::deleteLater);
        QPointer<QObject> lateAlive(late);
        late->stop();
        early->start();
        QVERIFY(stopWorkerThread(lateAlive, early));
        QCoreApplication::processEvents();
        QVERIFY(!capture.lines().join(QLatin1Char('\n')).contains(QLatin1String("QThread")));
    }
};

LENSDESK_TEST_MAIN(TestUpgradeWorkers)
#include "tst_upgradeworkers.moc"
