// Whole upgrades against the rig, run by UpgradeThread on its own thread and wired as
// the main window wires it; and the abnormal-state watcher. Two cameras at once, a
// package that cannot complete, files that read short, stop during a script.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "camera/UVCExtensionUnit.h"
#include "platform/Clock.h"
#include "platform/sim/SimMassStorage.h"
#include "upgrade/AbnormalDetectThread.h"
#include "upgrade/FirmwarePackage.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/PackagePreparation.h"
#include "upgrade/UpgradeBatch.h"
#include "upgrade/UpgradeDevice.h"
#include "upgrade/UpgradeThread.h"
#include "upgrade/WorkerThreads.h"
#include "upgrade/Zip7z.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QMetaMethod>
#include <QPointer>
#include <QScopeGuard>
#include <QProcess>
#include <QTemporaryDir>
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

// The package of writePackage as a ".zip" archive built with the system's tool, with a
// kernel of its own and with or without the updater.
QString zipPackage(const QTemporaryDir &work, const QString &name, const QByteArray &kernel, bool updater,
                   const QByteArray &miservice = kMiservice)
{
    const QString dir = work.path() + QLatin1Char('/') + name;
    upgradetest::writeFile(dir + QStringLiteral("/auto_update.txt"), "setenv bootargs console=ttyS0\r\n"
                                                                   "estar scripts/flash.txt\r\n"
                                                                   "setenv fw_version 1.0.23\r\n"
                                                                   "reset\r\n");
    upgradetest::writeFile(dir + QStringLiteral("/scripts/flash.txt"), "tftp 0x21000000 kernel\n"
                                                                     "nand write.e 0x21000000 kernel ${filesize}\n"
                                                                     "tftp 21000000 miservice.ubifs\n"
                                                                     "nand write.e 0x21000000 miservice ${filesize}\n");
    upgradetest::writeFile(dir + QStringLiteral("/kernel"), kernel);
    upgradetest::writeFile(dir + QStringLiteral("/miservice.ubifs"), miservice);
    upgradetest::writeFile(dir + QStringLiteral("/u-boot.bin"), kBootLoader);
    QStringList entries{"auto_update.txt", "scripts", "kernel", "miservice.ubifs", "u-boot.bin"};
    if (updater) {
        upgradetest::writeFile(dir + QStringLiteral("/usb_updater.bin"), kUpdater);
        entries << QStringLiteral("usb_updater.bin");
    }
    const QString archive = dir + QStringLiteral(".zip");
    upgradetest::zipEntries(dir, archive, entries);
    return archive;
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Stands for the window: receives the reports queued on this thread, through a
// connection by signature as the window makes it.
class ReportSink : public QObject
{
    Q_OBJECT
public:
    QList<Report> reports;
public slots:
    void slotOnUpgradeReport(bool ok, int progress, QString message)
    {
        reports.append(Report{ok, progress, message});
    }
};

// Runs one upgrade worker on its own thread, wired like the main window's, until the
// thread has deleted itself; returns the reports as the window receives them (queued).
QList<Report> runUpgrade(int manufacturer, bool cameraOpen, UVCExtensionUnit *unit,
                         const std::function<void(UpgradeThread *)> &prepare = {},
                         const std::function<void(UpgradeThread *)> &poll = {})
{
    ReportSink window;
    auto *worker = new UpgradeThread(manufacturer, cameraOpen, unit);
    // The package the tests lay out in the application directory, unless one is given.
    worker->setPackage(FirmwarePackage(testsupport::appDir()));
    QThread *thread = moveToWorkerThread(worker);
    QObject::connect(worker, SIGNAL(onUpgradeReport(bool, int, QString)), &window,
                     SLOT(slotOnUpgradeReport(bool, int, QString)));
    if (prepare)
        prepare(worker);
    QPointer<QThread> alive(thread);
    QPointer<UpgradeThread> workerAlive(worker);
    thread->start();
    for (int i = 0; i < 6000 && alive; ++i) {
        if (poll && workerAlive)
            poll(worker); // on this (the window's) thread, while the worker runs
        QTest::qWait(10);
    }
    if (alive)
        qFatal("the upgrade worker did not end");
    QCoreApplication::processEvents(); // reports queued just before the end
    return window.reports;
}

void verifyOneReport(const QList<Report> &reports, bool ok, int progress, const QString &message)
{
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.at(0).ok, ok);
    QCOMPARE(reports.at(0).progress, progress);
    QCOMPARE(reports.at(0).message, message);
}

// A watcher on its own thread, wired like the main window's, that records every report
// with whether an upgrade was in progress when it was made.
struct Watcher
{
    struct Seen
    {
        int state;
        bool duringUpgrade;
        bool afterUpgradeReport;
    };

    explicit Watcher(int manufacturer, std::atomic<bool> *upgradeReported = nullptr)
    {
        thread = new QThread;
        worker = new AbnormalDetectThread(manufacturer);
        worker->moveToThread(thread);
        QObject::connect(thread, &QThread::started, worker, &AbnormalDetectThread::start);
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        QObject::connect(worker, &AbnormalDetectThread::workFinished, worker, &QObject::deleteLater);
        QObject::connect(worker, &QObject::destroyed, thread, &QThread::quit);
        QObject::connect(
            worker, &AbnormalDetectThread::onDeviceAbnormal, worker,
            [this, upgradeReported](int state) {
                std::lock_guard<std::mutex> lock(mutex);
                seen.append(Seen{state, UpgradeDevice::upgradeInProgress(),
                                 upgradeReported && upgradeReported->load()});
            },
            Qt::DirectConnection);
        alive = worker;
        thread->start();
    }
    ~Watcher() { stop(); }
    bool stop() { return stopWorkerThread(alive, thread); }
    QList<Seen> reports()
    {
        std::lock_guard<std::mutex> lock(mutex);
        QList<Seen> copy = seen;
        copy.detach(); // the watcher's thread goes on appending
        return copy;
    }

    QThread *thread;
    AbnormalDetectThread *worker;
    QPointer<QObject> alive;
    std::mutex mutex;
    QList<Seen> seen;
};

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
    void cleanup() { setFileSizeProbe({}); }

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

    void recoveryFromUpdater()
    {
        writePackage(false, true);
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "updater")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture log;
        verifyOneReport(runUpgrade(2, false, nullptr), true, 100, QStringLiteral("Upgrade done."));
        const auto downloads = m_camera->storage().downloads();
        QCOMPARE(downloads.at(0).address, 0xFFFFFFFFu);
        QCOMPARE(log.count(QStringLiteral("device state: u-Boot")), 1);
        verifyFlashedAndBack(env);
    }

    void updaterWithoutBootLoaderFileCannotTakeTheScript()
    {
        // The script goes straight to the updater, which knows no boot-loader commands.
        writePackage(false, false);
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "updater")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture log;
        verifyOneReport(runUpgrade(2, false, nullptr), false, 0, QStringLiteral("Upgrade failed."));
        QCOMPARE(log.count(QStringLiteral("device state: u-Boot")), 0);
        QVERIFY(log.contains(QStringLiteral("setenv bootargs console=ttyS0 [retry 2]\n")));
        QVERIFY(log.contains(QStringLiteral("USB scsi run cmd timeout.\n")));
        QCOMPARE(m_camera->storage().commandsReceived(),
                 QStringList({"setenv bootargs console=ttyS0", "setenv bootargs console=ttyS0"}));
        QVERIFY(m_camera->storage().commandsExecuted().isEmpty());
        QVERIFY(m_camera->storage().flashWrites().isEmpty());
        QCOMPARE(m_camera->mode(), sim::CameraMode::Updater);
    }

    void recoveryFromBootLoader()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "uboot")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        verifyOneReport(runUpgrade(0, true, nullptr), true, 100, QStringLiteral("Upgrade done."));
        verifyFlashedAndBack(env);
    }

    void watcherReportsNothingWhileTheCameraIsUpgraded()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "rom", "handoverMs": 2200)")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture quiet;
        std::atomic<bool> reported{false};
        Watcher watcher(0, &reported);
        // The stuck camera is reported before anyone upgrades it.
        QTRY_VERIFY(!watcher.reports().isEmpty());
        QCOMPARE(watcher.reports().first().state, int(Rom));

        const QList<Report> reports = runUpgrade(0, false, nullptr, [&reported](UpgradeThread *w) {
            QObject::connect(w, &UpgradeThread::onUpgradeReport, w, [&reported] { reported = true; },
                             Qt::DirectConnection);
        });
        verifyOneReport(reports, true, 100, QStringLiteral("Upgrade done."));
        // Through ROM, updater, hand-over and boot loader: not one report.
        for (const auto &seen : watcher.reports())
            QVERIFY(!seen.duringUpgrade);
        QVERIFY(watcher.stop());
        QCOMPARE(m_camera->storage().malformedRequests(), 0);
        QCOMPARE(m_camera->storage().flashWrites().size(), 2);
    }

    void secondCameraPluggedMidUpgradeReceivesNothing_data()
    {
        QTest::addColumn<int>("blockMs");
        QTest::newRow("slow blocks") << 400;
        QTest::newRow("fast blocks") << 0;
    }
    void secondCameraPluggedMidUpgradeReceivesNothing()
    {
        QFETCH(int, blockMs);
        // The second camera comes on a lower drive: any search made after it arrived
        // finds it first.
        testsupport::SimEnvironment env(QStringLiteral(
            R"({"cameras": [ { "key": "cam1", "driveLetter": "F", "mode": "uboot", "restartDelayMs": 3000,
                               "faults": { "storage.slowTransferMs": %1 } },
                             { "key": "cam2", "driveLetter": "E", "mode": "uboot", "plugged": false } ]})")
                                            .arg(blockMs)
                                            .toUtf8());
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        sim::SimCamera *second = env.rig().camera(QStringLiteral("cam2"));
        LogCapture log;
        std::atomic<bool> plugged{false};
        log.setHook([&](const QString &line) {
            if (line == QLatin1String("tftp 0x21000000 kernel\n") && !plugged.exchange(true))
                env.rig().plug(second);
        });
        std::atomic<bool> reported{false};
        std::atomic<int> secondInquiries{-1};
        Watcher watcher(0, &reported);
        const QList<Report> reports = runUpgrade(0, false, nullptr, [&](UpgradeThread *w) {
            QObject::connect(
                w, &UpgradeThread::onUpgradeReport, w,
                [&] {
                    secondInquiries = second->storage().inquiries();
                    reported = true;
                },
                Qt::DirectConnection);
        });
        QVERIFY(plugged);
        verifyOneReport(reports, true, 100, QStringLiteral("Upgrade done."));
        const auto flash = m_camera->storage().flashWrites();
        QCOMPARE(flash.size(), 2);
        QCOMPARE(flash.at(0).digest, md5(kKernel));
        QCOMPARE(flash.at(1).digest, md5(kMiservice));
        // Not a command, not a byte, not even a question reached the second camera
        // while the first was upgraded.
        QCOMPARE(secondInquiries.load(), 0);
        QVERIFY(second->storage().commandsReceived().isEmpty());
        QVERIFY(second->storage().downloads().isEmpty());
        QCOMPARE(second->storage().bytesReceived(), qint64(0));
        QCOMPARE(second->mode(), sim::CameraMode::UBoot);
        // It is reported once the upgrade has ended, and only then.
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.reports().isEmpty() && watcher.reports().last().afterUpgradeReport, 20000);
        for (const auto &seen : watcher.reports()) {
            QVERIFY(!seen.duringUpgrade);
            if (seen.afterUpgradeReport)
                QCOMPARE(seen.state, int(UBoot));
        }
        QVERIFY(watcher.stop());
        QVERIFY(second->storage().commandsReceived().isEmpty());
    }

    void secondCameraDuringTheHandOverIsNotTakenForTheFirst()
    {
        testsupport::SimEnvironment env(QByteArrayLiteral(
            R"({"cameras": [ { "key": "cam1", "driveLetter": "F", "mode": "updater", "handoverMs": 2200,
                               "restartDelayMs": 3000 },
                             { "key": "cam2", "driveLetter": "E", "mode": "uboot", "plugged": false } ]})"));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        sim::SimCamera *second = env.rig().camera(QStringLiteral("cam2"));
        // While the first camera is off the bus between updater and boot loader.
        sim::SimRig &rigRef = env.rig();
        env.rig().schedule(500, [&rigRef, second] { rigRef.plug(second); });
        LogCapture log;
        verifyOneReport(runUpgrade(0, false, nullptr), true, 100, QStringLiteral("Upgrade done."));
        QVERIFY(second->present());
        QCOMPARE(second->storage().inquiries(), 0);
        QVERIFY(second->storage().requests().isEmpty());
        QCOMPARE(m_camera->storage().downloads().at(0).address, 0xFFFFFFFFu);
        verifyFlashedAndBack(env);
    }

    // Bound to a drive, the worker takes the camera there and no other, not even with
    // an INQUIRY; bound to a drive without a camera, it finds none.
    void boundToADriveTakesOnlyTheCameraThere()
    {
        const QByteArray twoStuck = QByteArrayLiteral(
            R"({"cameras": [ { "key": "cam1", "driveLetter": "E", "mode": "uboot" },
                             { "key": "cam2", "driveLetter": "F", "mode": "uboot", "restartDelayMs": 3000 } ]})");
        {
            testsupport::SimEnvironment env(twoStuck);
            m_camera = env.rig().camera(QStringLiteral("cam2"));
            sim::SimCamera *other = env.rig().camera(QStringLiteral("cam1"));
            LogCapture log;
            verifyOneReport(runUpgrade(0, false, nullptr, [](UpgradeThread *w) { w->bindToDrive(QLatin1Char('f')); }),
                            true, 100, QStringLiteral("Upgrade done."));
            QVERIFY(log.contains(QStringLiteral("Enter the upgrade process of the camera in an abnormal state.")));
            QCOMPARE(other->storage().inquiries(), 0);
            QVERIFY(other->storage().requests().isEmpty());
            verifyFlashedAndBack(env);
        }
        {
            testsupport::SimEnvironment env(twoStuck);
            verifyOneReport(runUpgrade(0, false, nullptr, [](UpgradeThread *w) { w->bindToDrive(QLatin1Char('G')); }),
                            false, 0, QStringLiteral("No camera device detected."));
            for (const char *key : {"cam1", "cam2"}) {
                QVERIFY(env.rig().camera(QLatin1String(key))->storage().requests().isEmpty());
                QCOMPARE(env.rig().camera(QLatin1String(key))->mode(), sim::CameraMode::UBoot);
            }
        }
    }

    // An open camera and another one stuck on a lower drive: unbound, the worker takes
    // the stuck one first (the window's order); bound to the open camera, it switches
    // that one and upgrades the volume it shows, leaving the stuck one alone.
    void boundToTheOpenCameraPassesByAStuckOne()
    {
        const QByteArray rigJson = QByteArrayLiteral(
            R"({"cameras": [ { "key": "cam1", "driveLetter": "F", "upgradeEntryDelayMs": 1500, "restartDelayMs": 3000 },
                             { "key": "stuck", "driveLetter": "E", "mode": "uboot", "restartDelayMs": 3000 } ]})");
        {
            testsupport::SimEnvironment env(rigJson);
            m_camera = env.rig().camera(QStringLiteral("stuck"));
            sim::SimCamera *open = env.rig().camera(QStringLiteral("cam1"));
            UVCExtensionUnit unit;
            QVERIFY(unit.InitUvc(open->id(), open->friendlyName()));
            verifyOneReport(runUpgrade(0, true, &unit), true, 100, QStringLiteral("Upgrade done."));
            QCOMPARE(open->mode(), sim::CameraMode::Normal);
            QVERIFY(open->storage().requests().isEmpty());
            verifyFlashedAndBack(env);
        }
        {
            testsupport::SimEnvironment env(rigJson);
            m_camera = env.rig().camera(QStringLiteral("cam1"));
            sim::SimCamera *stuck = env.rig().camera(QStringLiteral("stuck"));
            UVCExtensionUnit unit;
            QVERIFY(unit.InitUvc(m_camera->id(), m_camera->friendlyName()));
            LogCapture log;
            verifyOneReport(runUpgrade(0, true, &unit, [](UpgradeThread *w) { w->bindToOpenCamera(); }), true, 100,
                            QStringLiteral("Upgrade done."));
            QVERIFY(log.contains(QStringLiteral("Enter the normal state of the camera upgrade process.")));
            QVERIFY(!log.contains(QStringLiteral("Enter the upgrade process of the camera in an abnormal state.")));
            // Asked once what it is, before the switch; nothing else.
            QCOMPARE(stuck->storage().inquiries(), 1);
            QVERIFY(stuck->storage().requests().isEmpty());
            QVERIFY(stuck->storage().commandsReceived().isEmpty());
            QCOMPARE(stuck->mode(), sim::CameraMode::UBoot);
            verifyFlashedAndBack(env);
        }
    }

    void packageThatCannotCompleteNeverStarts_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("camera open") << "normal";
        QTest::newRow("boot ROM") << "rom";
        QTest::newRow("boot loader") << "uboot";
    }
    void packageThatCannotCompleteNeverStarts()
    {
        QFETCH(QString, mode);
        // The script loads a root file system the package does not have, after kernel
        // and miservice.
        writeAppFile(QStringLiteral("scripts/flash.txt"), "tftp 0x21000000 kernel\n"
                                                          "nand write.e 0x21000000 kernel ${filesize}\n"
                                                          "tftp 21000000 miservice.ubifs\n"
                                                          "nand write.e 0x21000000 miservice ${filesize}\n"
                                                          "tftp 21000000 rootfs.img\n"
                                                          "nand write.e 0x21000000 rootfs ${filesize}\n");
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "%1")").arg(mode)));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit unit;
        if (mode == QLatin1String("normal"))
            QVERIFY(unit.InitUvc(m_camera->id(), m_camera->friendlyName()));
        LogCapture log;
        verifyOneReport(runUpgrade(0, mode == QLatin1String("normal"), &unit), false, 0,
                        QStringLiteral("The firmware package cannot complete the upgrade; nothing was sent to the camera."));
        QVERIFY(log.contains(QStringLiteral("load file fail: rootfs.img\n")));
        QVERIFY(log.contains(QStringLiteral("package check failed, nothing sent: auto_update.txt\n")));
        QVERIFY(log.contains(QStringLiteral(
            "The firmware package cannot complete its upgrade script; nothing was sent to the camera.")));
        QVERIFY(!log.contains(QStringLiteral("Enter the normal state of the camera upgrade process.")));
        QVERIFY(!log.contains(QStringLiteral("Enter the upgrade process of the camera in an abnormal state.")));
        // Not switched, not fed the updater, nothing flashed.
        env.clock().advance(5000);
        env.rig().pump();
        QCOMPARE(m_camera->mode() == sim::CameraMode::Normal, mode == QLatin1String("normal"));
        QVERIFY(m_camera->present());
        QVERIFY(m_camera->storage().requests().isEmpty());
        QVERIFY(m_camera->storage().updaterImage().isEmpty());
        QVERIFY(m_camera->storage().flashWrites().isEmpty());
    }

    void fileThatReadsShortFailsTheUpgrade()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "uboot")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        // The file system says 2 GiB and 5 bytes; only 100000 come.
        setFileSizeProbe([](const QString &path, qint64 reported) {
            return path.endsWith(QLatin1String("/kernel")) ? qint64(2147483653) : reported;
        });
        LogCapture log;
        const QList<Report> reports = runUpgrade(0, false, nullptr);
        setFileSizeProbe({});
        verifyOneReport(reports, false, 0, QStringLiteral("Upgrade failed."));
        QVERIFY(!log.contains(QStringLiteral("Upgrade seccess.")));
        QVERIFY(log.contains(QStringLiteral("Read only 100000 of 2147483653 bytes of %1; nothing is sent.")
                                 .arg(upgradetest::appFile(QStringLiteral("kernel")))));
        QVERIFY(log.contains(QStringLiteral("load file fail: kernel\n")));
        QVERIFY(m_camera->storage().downloads().isEmpty());
        QVERIFY(m_camera->storage().flashWrites().isEmpty());
    }

    void stopDuringALongScriptEndsWithinOneCommand()
    {
        QByteArray script;
        for (int i = 0; i < 3000; ++i)
            script += "setenv step " + QByteArray::number(i) + "\n";
        writeAppFile(QStringLiteral("auto_update.txt"), script);
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "uboot", "faults": { "storage.slowCommandMs": 20 })")));
        platform::VirtualClock &clock = env.clock();
        // The worker goes 30 s into its work and waits there, some way into the script
        // (each command takes 20 ms), until it has been told to stop.
        clock.setSleepLimit(clock.nowMs() + 30000);
        auto lift = qScopeGuard([&clock] { clock.setSleepLimit(-1); });
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture log;
        int receivedAtStop = -1;
        qint64 stoppedAt = 0;
        const QList<Report> reports = runUpgrade(0, false, nullptr, {}, [&](UpgradeThread *w) {
            if (receivedAtStop >= 0 || clock.sleepersAtLimit() == 0)
                return;
            w->stop();
            stoppedAt = clock.nowMs();
            receivedAtStop = m_camera->storage().commandsReceived().size();
            clock.setSleepLimit(-1);
        });
        QVERIFY2(receivedAtStop >= 20 && receivedAtStop < 3000, qPrintable(QString::number(receivedAtStop)));
        verifyOneReport(reports, false, 0, QStringLiteral("Upgrade failed."));
        QVERIFY(log.contains(QStringLiteral("upgrade stopped.\n")));
        // The command on its way when stop came is the last one.
        QVERIFY2(m_camera->storage().commandsReceived().size() <= receivedAtStop + 1,
                 qPrintable(QStringLiteral("%1 after %2").arg(m_camera->storage().commandsReceived().size()).arg(receivedAtStop)));
        QVERIFY(clock.nowMs() - stoppedAt <= 2 * 20);
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

    void handOverThatEndsInAnotherStateIsLogged_data()
    {
        QTest::addColumn<int>("comesBackAs");
        QTest::addColumn<QString>("log");
        QTest::newRow("boot ROM") << int(sim::CameraMode::Rom) << "Invalid device state 0.";
        QTest::newRow("updater") << int(sim::CameraMode::Updater) << "Invalid device state 1.";
    }
    void handOverThatEndsInAnotherStateIsLogged()
    {
        QFETCH(int, comesBackAs);
        QFETCH(QString, log);
        testsupport::SimEnvironment env(
            rig(QStringLiteral(R"(, "mode": "updater", "faults": { "storage.handoverNeverReturns": true })")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        // What comes back after the hand-over is not the boot loader.
        sim::SimRig &rigRef = env.rig();
        sim::SimCamera *camera = m_camera;
        std::atomic<int> requestsBeforeReturn{-1};
        env.rig().schedule(5000, [&rigRef, camera, comesBackAs, &requestsBeforeReturn] {
            camera->setMode(sim::CameraMode(comesBackAs));
            requestsBeforeReturn = camera->storage().requests().size();
            rigRef.plug(camera);
        });
        LogCapture capture;
        verifyOneReport(runUpgrade(0, false, nullptr), false, 0, QStringLiteral("Upgrade failed."));
        QVERIFY(capture.contains(log));
        // Not fed the boot-loader script: once it is back, the camera is only looked at.
        // No data block (1, 4), download header (5) or command line (6) reaches it,
        // whether or not its state would take them.
        QVERIFY(requestsBeforeReturn >= 0);
        const auto requests = m_camera->storage().requests();
        for (int i = requestsBeforeReturn; i < requests.size(); ++i) {
            const int sub = requests.at(i).subcommand;
            QVERIFY2(sub != 1 && sub != 4 && sub != 5 && sub != 6,
                     qPrintable(QStringLiteral("subcommand %1 after the hand-over").arg(sub)));
        }
        QVERIFY(m_camera->storage().commandsReceived().isEmpty());
        QCOMPARE(m_camera->storage().downloads().size(), 1);
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

    void stopBeforeTheWorkerRunsSendsNothing()
    {
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "rom")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture log;
        verifyOneReport(runUpgrade(0, false, nullptr, [](UpgradeThread *w) { w->stop(); }), false, 0,
                        QStringLiteral("Upgrade failed."));
        QVERIFY(log.contains(QStringLiteral("Upgrade stopped before it began.")));
        QCOMPARE(m_camera->storage().inquiries(), 0);
        QVERIFY(m_camera->storage().requests().isEmpty());
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

    void twoPreparationsAtOnce()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        upgradetest::clearAppDir();
        QTemporaryDir work;
        const QByteArray theirKernel = upgradetest::pattern(100000, 11);
        const QString mine = zipPackage(work, QStringLiteral("mine"), kKernel, true);
        const QString theirs = zipPackage(work, QStringLiteral("theirs"), theirKernel, false);
        const QString prefix = QStringLiteral(".package-%1-").arg(QCoreApplication::applicationPid());
        // Left by an earlier process that had this process's id.
        writeAppFile(prefix + QStringLiteral("Zz99Yy/kernel"), "left behind");

        PackagePreparation first;
        QString message;
        QCOMPARE(first.prepare(mine, message), PackagePreparation::Ready);
        const FirmwarePackage firstPackage = first.package();
        QCOMPARE(firstPackage.model(), 10);
        const QString firstFolder = firstPackage.folder();
        QVERIFY(firstFolder.startsWith(testsupport::appDir() + QLatin1Char('/') + prefix));
        QVERIFY(!QFileInfo::exists(upgradetest::appFile(prefix + QStringLiteral("Zz99Yy"))));

        // Another window or program prepares while the first has its package: refused,
        // with the holder named, and nothing of the first is touched.
        PackagePreparation second;
        QCOMPARE(second.prepare(theirs, message), PackagePreparation::Busy);
        QCOMPARE(second.holderPid(), QCoreApplication::applicationPid());
        QCOMPARE(second.holderProgram(), QStringLiteral("tst_upgradeworkers"));
        QVERIFY(!second.package().isValid());
        QCOMPARE(QDir(testsupport::appDir()).entryList({QStringLiteral(".package-*")}, QDir::Dirs | QDir::Hidden).size(), 1);

        // The first plays its own files, byte for byte.
        {
            testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "rom", "handoverMs": 2200)")));
            m_camera = env.rig().camera(QStringLiteral("cam1"));
            LogCapture quiet;
            verifyOneReport(runUpgrade(1, false, nullptr, [&](UpgradeThread *w) { w->setPackage(firstPackage); }),
                            true, 100, QStringLiteral("Upgrade done."));
            QCOMPARE(m_camera->storage().updaterImage(), kUpdater);
            verifyFlashedAndBack(env);
        }
        first.release();
        QVERIFY(!QFileInfo::exists(firstFolder));

        // Then the second may go. Its package brings no updater: the one the first brought
        // stays in the package folder and comes along.
        QCOMPARE(fileContent(upgradetest::appFile(QStringLiteral("usb_updater.bin"))), kUpdater);
        QCOMPARE(second.prepare(theirs, message), PackagePreparation::Ready);
        QCOMPARE(fileContent(second.package().folder() + QStringLiteral("/usb_updater.bin")), kUpdater);
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "rom", "handoverMs": 2200)")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture quiet;
        verifyOneReport(runUpgrade(1, false, nullptr, [&](UpgradeThread *w) { w->setPackage(second.package()); }),
                        true, 100, QStringLiteral("Upgrade done."));
        QCOMPARE(m_camera->storage().updaterImage(), kUpdater);
        const auto flash = m_camera->storage().flashWrites();
        QCOMPARE(flash.size(), 2);
        QCOMPARE(flash.at(0).digest, md5(theirKernel));
        QCOMPARE(flash.at(1).digest, md5(kMiservice));
    }

    // The package goes from its preparation to the worker as a value: each preparation
    // has a folder of its own, a worker plays the package it is given and no other, and
    // one given none, or one whose folder is gone, plays nothing at all, even with a
    // complete package lying in the package folder itself.
    void packageTravelsAsAValue()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        writePackage(); // kKernel, straight in the package folder
        QTemporaryDir work;
        const QByteArray firstKernel = upgradetest::pattern(90000, 21);
        const QByteArray secondKernel = upgradetest::pattern(110000, 22);
        const QString firstArchive = zipPackage(work, QStringLiteral("first"), firstKernel, true);
        const QString secondArchive = zipPackage(work, QStringLiteral("second"), secondKernel, true);

        FirmwarePackage first;
        {
            PackagePreparation preparation;
            QString message;
            QCOMPARE(preparation.prepare(firstArchive, message), PackagePreparation::Ready);
            first = preparation.package();
            QCOMPARE(first.model(), 10);
            QCOMPARE(fileContent(first.folder() + QStringLiteral("/kernel")), firstKernel);
        }
        // Its preparation has ended: the value still names the folder, which is gone.
        QVERIFY(first.isValid());
        QVERIFY(!QFileInfo::exists(first.folder()));

        PackagePreparation preparation;
        QString message;
        QCOMPARE(preparation.prepare(secondArchive, message), PackagePreparation::Ready);
        const FirmwarePackage second = preparation.package();
        QVERIFY(second.folder() != first.folder());
        QVERIFY(second.folder() != testsupport::appDir());
        QCOMPARE(second.model(), 10);

        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "rom", "handoverMs": 2200)")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture quiet;
        const QString refused =
            QStringLiteral("The firmware package cannot complete the upgrade; nothing was sent to the camera.");
        verifyOneReport(runUpgrade(1, false, nullptr, [&](UpgradeThread *w) { w->setPackage(first); }), false, 0,
                        refused);
        verifyOneReport(runUpgrade(1, false, nullptr, [](UpgradeThread *w) { w->setPackage(FirmwarePackage()); }),
                        false, 0, refused);
        QVERIFY(m_camera->storage().updaterImage().isEmpty());
        QVERIFY(m_camera->storage().flashWrites().isEmpty());

        verifyOneReport(runUpgrade(1, false, nullptr, [&](UpgradeThread *w) { w->setPackage(second); }), true, 100,
                        QStringLiteral("Upgrade done."));
        const auto flash = m_camera->storage().flashWrites();
        QCOMPARE(flash.size(), 2);
        QCOMPARE(flash.at(0).digest, md5(secondKernel));
        QCOMPARE(flash.at(1).digest, md5(kMiservice));
    }

    // The upgrade engine driven as any front end drives it, printing nothing: one outcome
    // per camera, the progress through its signals. A stuck camera that names its model
    // is refused another model's package before the worker runs; a camera that does not
    // open is reported with the opener's words.
    void batchOfUpgradesAndRecoveries()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        upgradetest::clearAppDir();
        QTemporaryDir work;
        const QString otherModel = zipPackage(work, QStringLiteral("arbor"), kKernel, true);
        const QByteArray orvia = upgradetest::pattern(1000, 8) + "Orvia Vista Pro" + upgradetest::pattern(100, 9);
        const QString ownModel = zipPackage(work, QStringLiteral("orvia"), kKernel, true, orvia);
        testsupport::SimEnvironment env(rig(QStringLiteral(R"(, "mode": "uboot")")));
        m_camera = env.rig().camera(QStringLiteral("cam1"));
        LogCapture log;

        QStringList events;
        int lastPercent = -1;
        const auto follow = [&](UpgradeBatch &batch) {
            connect(&batch, &UpgradeBatch::cameraStarting, this, [&](const ListedCamera &camera, const QString &) {
                events << QStringLiteral("start ") + camera.path;
            });
            connect(&batch, &UpgradeBatch::progressChanged, this, [&](const ListedCamera &, int percent) {
                QVERIFY(percent >= lastPercent);
                lastPercent = percent;
            });
            connect(&batch, &UpgradeBatch::workerEnded, this, [&](const ListedCamera &, bool ok) {
                events << (ok ? QStringLiteral("ended ok") : QStringLiteral("ended failed"));
            });
            connect(&batch, &UpgradeBatch::cameraFinished, this,
                    [&](const UpgradeBatch::Outcome &) { events << QStringLiteral("finished"); });
        };
        {
            UpgradeBatch batch(0);
            follow(batch);
            QVERIFY(batch.lock());
            QString message;
            QCOMPARE(batch.preparePackage(otherModel, &message), PackagePreparation::Ready);
            QCOMPARE(batch.package().model(), 10);
            QVERIFY(log.contains(QStringLiteral("firmware file model: 10")));
            const QList<ListedCamera> stuck = batch.stuckCameras();
            QCOMPARE(stuck.size(), 1);
            QCOMPARE(stuck.at(0).drive, QLatin1Char('F'));
            QCOMPARE(stuck.at(0).model, 0);
            const QList<UpgradeBatch::Outcome> refused = batch.recover(stuck);
            QCOMPARE(events, QStringList{QStringLiteral("finished")});
            QCOMPARE(refused.size(), 1);
            QCOMPARE(refused.at(0).status, UpgradeBatch::Outcome::Refused);
            QVERIFY(refused.at(0).modelMismatch && refused.at(0).modelChecked && !refused.at(0).ran);
            QCOMPARE(refused.at(0).packageModel, 10);
            QVERIFY(m_camera->storage().flashWrites().isEmpty());
        }

        UpgradeBatch batch(0);
        follow(batch);
        QString message;
        QCOMPARE(batch.preparePackage(ownModel, &message), PackagePreparation::Ready);
        QCOMPARE(batch.package().model(), 0);
        events.clear();
        const QList<UpgradeBatch::Outcome> recovered = batch.recover(batch.stuckCameras());
        QCOMPARE(events, QStringList({QStringLiteral("start \\\\.\\F:"), QStringLiteral("ended ok"),
                                      QStringLiteral("finished")}));
        QCOMPARE(lastPercent, 100);
        QCOMPARE(recovered.size(), 1);
        const UpgradeBatch::Outcome &back = recovered.at(0);
        QCOMPARE(back.status, UpgradeBatch::Outcome::Done);
        QVERIFY(back.ran && back.modelChecked && back.warning.isEmpty());
        QVERIFY(back.leftStuck.state.isEmpty());
        QCOMPARE(m_camera->storage().flashWrites().size(), 2);
        QCOMPARE(m_camera->storage().flashWrites().at(0).digest, md5(kKernel));
        // This rig restarts the camera only when the test moves its clock: not back yet.
        QVERIFY(back.firmwareAfter.isEmpty());
        QVERIFY(back.cameBackAs.path.isEmpty());
        env.clock().advance(3000);
        env.rig().pump();
        QCOMPARE(m_camera->firmwareVersion(), QStringLiteral("1.0.23"));

        // A camera of the package's model that the front end's opener cannot reach fails
        // its upgrade without the worker.
        ListedCamera normal;
        normal.number = 1;
        normal.state = QStringLiteral("normal");
        normal.model = 0;
        const QList<ListedCamera> cameras{normal};
        QVERIFY(!UpgradeBatch::firstStuck(cameras));
        events.clear();
        int opened = 0;
        const QList<UpgradeBatch::Outcome> failed = batch.upgrade(
            cameras,
            [&opened](const ListedCamera &, QString *error) -> UVCExtensionUnit * {
                ++opened;
                *error = QStringLiteral("busy elsewhere");
                return nullptr;
            },
            {});
        QCOMPARE(opened, 1);
        QCOMPARE(events, QStringList{QStringLiteral("finished")});
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).status, UpgradeBatch::Outcome::Failed);
        QCOMPARE(failed.at(0).detail, QStringLiteral("busy elsewhere"));
        QVERIFY(!failed.at(0).ran);
        QCOMPARE(m_camera->storage().flashWrites().size(), 2);
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

    void watcherReportsTheStateItFound_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<int>("state");
        QTest::newRow("boot ROM") << R"(, "mode": "rom")" << 0;
        QTest::newRow("updater") << R"(, "mode": "updater")" << 1;
        QTest::newRow("boot loader") << R"(, "mode": "uboot")" << 2;
        QTest::newRow("unknown signature") << R"(, "mode": "uboot", "inquiryProduct": "XYZ")" << -1;
        QTest::newRow("normal camera") << QString() << -1;
    }
    void watcherReportsTheStateItFound()
    {
        QFETCH(QString, extra);
        QFETCH(int, state);
        testsupport::SimEnvironment env(rig(extra));
        LogCapture quiet;
        Watcher watcher(0);
        // A few polls at least, in virtual time.
        QTRY_VERIFY(env.clock().nowMs() > 3000);
        QVERIFY(watcher.stop());
        const auto reports = watcher.reports();
        if (state < 0) {
            QVERIFY(reports.isEmpty());
        } else {
            QVERIFY(!reports.isEmpty());
            for (const auto &seen : reports)
                QCOMPARE(seen.state, state);
        }
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
