// The mass-storage transport against the rig: the search, the states, the block
// splits, retries and pauses, the download header, and the handle's lifetime.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "platform/Clock.h"
#include "platform/sim/SimMassStorage.h"
#include "upgrade/MassStorageTransport.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QThread>

#include <atomic>

using sim::SimMassStorage;
using upgradetest::LogCapture;

namespace {

QByteArray rigWith(const QString &cameras, const QString &volumes = QString())
{
    return QStringLiteral(R"({"cameras": [ %1 ], "volumes": [ %2 ]})").arg(cameras, volumes).toUtf8();
}

QByteArray ubootRig(const QString &extra = QString())
{
    return rigWith(QStringLiteral(R"({ "key": "cam1", "driveLetter": "F", "mode": "uboot" %1 })").arg(extra));
}

SimMassStorage &storage(testsupport::SimEnvironment &env, const QString &key = QStringLiteral("cam1"))
{
    return env.rig().camera(key)->storage();
}

// The data blocks the device saw, as "subcommand:length".
QStringList dataBlocks(const SimMassStorage &s)
{
    QStringList out;
    for (const auto &r : s.requests()) {
        if (r.subcommand == 1 || r.subcommand == 4)
            out << QStringLiteral("%1:%2").arg(r.subcommand).arg(r.length);
    }
    return out;
}

int countRequests(const SimMassStorage &s, int subcommand)
{
    int n = 0;
    for (const auto &r : s.requests())
        n += r.subcommand == subcommand ? 1 : 0;
    return n;
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

} // namespace

class TestTransport : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QDir::setCurrent(testsupport::appDir());
        upgradetest::clearAppDir();
    }
    void cleanup() { closeDeviceHandle(); }

    void noVolumeMeansNotFound()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(R"({ "key": "cam1" })")));
        int state = Rom;
        QVERIFY(!findUpgradeDevice(0, state));
        QCOMPARE(state, int(NotFound));
        QVERIFY(!deviceHandle());
    }

    void statesAndTheirLogLines_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("log");
        QTest::newRow("rom") << R"(, "mode": "rom")" << int(Rom) << "device state: ROM";
        QTest::newRow("updater") << R"(, "mode": "updater")" << int(Updater) << "device state: Updater";
        QTest::newRow("uboot") << R"(, "mode": "uboot")" << int(UBoot) << "device state: u-Boot";
        QTest::newRow("LNS41 vendor") << R"(, "mode": "uboot", "inquiryVendor": "LNS410AD")" << int(UBoot)
                                      << "device state: u-Boot";
        QTest::newRow("LNS41 prefix only") << R"(, "mode": "rom", "inquiryVendor": "LNS41XYZ")" << int(Rom)
                                           << "device state: ROM";
        QTest::newRow("unknown signature") << R"(, "mode": "uboot", "inquiryProduct": "UBX")" << int(NotFound)
                                           << QString();
    }
    void statesAndTheirLogLines()
    {
        QFETCH(QString, extra);
        QFETCH(int, state);
        QFETCH(QString, log);
        testsupport::SimEnvironment env(rigWith(QStringLiteral(R"({ "key": "cam1", "driveLetter": "F" %1 })").arg(extra)));
        LogCapture capture;
        int found = -1;
        const auto handle = findUpgradeDevice(1, found);
        // A matching identity returns the handle even when the state is unknown.
        QVERIFY(handle);
        QCOMPARE(handle, deviceHandle());
        QCOMPARE(found, state);
        if (log.isEmpty())
            QVERIFY(capture.lines().isEmpty());
        else
            QCOMPARE(capture.lines(), QStringList{log});
    }

    void identityRules_data()
    {
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("GC") << "GC" << true;
        QTest::newRow("GCxyz") << "GCXYZ" << true;
        QTest::newRow("gc lower case") << "gc" << false;
        QTest::newRow("LNS41") << "LNS41" << true;
        QTest::newRow("LNS4 only") << "LNS4" << false;
        QTest::newRow("lns41 lower case") << "lns41" << false;
        QTest::newRow("other vendor") << "GENERIC" << false;
    }
    void identityRules()
    {
        QFETCH(QString, vendor);
        QFETCH(bool, accepted);
        testsupport::SimEnvironment env(ubootRig(QStringLiteral(R"(, "inquiryVendor": "%1")").arg(vendor)));
        int state = -1;
        QCOMPARE(bool(findUpgradeDevice(0, state)), accepted);
        QCOMPARE(state, accepted ? int(UBoot) : int(NotFound));
    }

    void manufacturerOutsideTheRangeNeverFinds_data()
    {
        QTest::addColumn<int>("manufacturer");
        QTest::addColumn<bool>("found");
        QTest::newRow("-1") << -1 << false;
        QTest::newRow("0") << 0 << true;
        QTest::newRow("2") << 2 << true;
        QTest::newRow("3") << 3 << false;
        QTest::newRow("255") << 255 << false;
    }
    void manufacturerOutsideTheRangeNeverFinds()
    {
        QFETCH(int, manufacturer);
        QFETCH(bool, found);
        testsupport::SimEnvironment env(ubootRig());
        int state = -1;
        QCOMPARE(bool(findUpgradeDevice(manufacturer, state)), found);
        QCOMPARE(state, found ? int(UBoot) : int(NotFound));
        // The volume is still asked who it is.
        QCOMPARE(storage(env).inquiries(), 1);
    }

    void driveOrderSkipsDisksAndPrefersTheLowerLetter()
    {
        testsupport::SimEnvironment env(rigWith(
            QStringLiteral(R"({ "key": "late", "driveLetter": "G", "mode": "uboot" },
                              { "key": "early", "driveLetter": "E", "mode": "rom" },
                              { "key": "silent", "driveLetter": "Y", "mode": "uboot",
                                "faults": { "storage.inquiryFails": true } })"),
            QStringLiteral(R"({ "key": "usbstick", "driveLetter": "D" },
                              { "key": "cardreader", "driveLetter": "F", "inquiryVendor": "Generic-" })")));
        int state = -1;
        auto handle = findUpgradeDevice(0, state);
        QVERIFY(handle);
        QCOMPARE(state, int(Rom));
        QCOMPARE(env.rig().camera(QStringLiteral("early"))->storage().openHandles(), 1);
        QCOMPARE(env.rig().camera(QStringLiteral("late"))->storage().inquiries(), 0);
        // The disks were asked and let go.
        QCOMPARE(env.rig().volumes().at(0)->storage().inquiries(), 1);
        QCOMPARE(env.rig().volumes().at(0)->storage().openHandles(), 0);
        QCOMPARE(env.rig().volumes().at(1)->storage().openHandles(), 0);

        // Without the first camera the search goes on past the disks to G.
        env.rig().unplug(env.rig().camera(QStringLiteral("early")));
        handle.reset();
        QVERIFY(findUpgradeDevice(0, state));
        QCOMPARE(state, int(UBoot));
        QCOMPARE(env.rig().camera(QStringLiteral("early"))->storage().openHandles(), 0);

        // A camera whose inquiry fails is skipped.
        env.rig().unplug(env.rig().camera(QStringLiteral("late")));
        QVERIFY(!findUpgradeDevice(0, state));
        QCOMPARE(state, int(NotFound));
        QVERIFY(!deviceHandle());
        QCOMPARE(env.rig().camera(QStringLiteral("silent"))->storage().openHandles(), 0);
    }

    void downloadBlockSplits_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QStringList>("blocks");
        QTest::newRow("1 byte") << 1 << QStringList{"4:1"};
        QTest::newRow("32768") << 32768 << QStringList{"4:32768"};
        QTest::newRow("32769") << 32769 << QStringList{"1:32768", "4:1"};
        QTest::newRow("65536") << 65536 << QStringList{"1:32768", "4:32768"};
        QTest::newRow("65537") << 65537 << QStringList{"1:32768", "1:32768", "4:1"};
        QTest::newRow("empty") << 0 << QStringList{};
    }
    void downloadBlockSplits()
    {
        QFETCH(int, size);
        QFETCH(QStringList, blocks);
        testsupport::SimEnvironment env(ubootRig());
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        const QByteArray file = upgradetest::pattern(size, size);
        upgradetest::writeAppFile(QStringLiteral("kernel"), file);
        QCOMPARE(loadFileToDevice("kernel", 0x21000000), 0);
        QCOMPARE(dataBlocks(storage(env)), blocks);
        QCOMPARE(countRequests(storage(env), 5), 1);
        const auto downloads = storage(env).downloads();
        QCOMPARE(downloads.size(), 1);
        QCOMPARE(downloads.at(0).address, 0x21000000u);
        QCOMPARE(downloads.at(0).size, std::uint32_t(size));
        // The header carries the MD5 of the file's bytes.
        QCOMPARE(downloads.at(0).headerDigest, QCryptographicHash::hash(file, QCryptographicHash::Md5));
        QVERIFY(downloads.at(0).verified);
    }

    void pauseAfterTheDataIsSizeOver20480()
    {
        testsupport::SimEnvironment env(ubootRig());
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        upgradetest::writeAppFile(QStringLiteral("big"), upgradetest::pattern(1 << 20));
        const qint64 before = env.clock().totalSleptMs();
        QCOMPARE(loadFileToDevice("big", 0x22000000), 0);
        QCOMPARE(env.clock().totalSleptMs() - before, qint64(51));
    }

    void rawFileGoesInKilobyteBlocksWithoutHeaderOrStatus()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(R"({ "key": "cam1", "mode": "rom" })")));
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        const QByteArray program = upgradetest::pattern(2500);
        upgradetest::writeAppFile(QStringLiteral("usb_updater.bin"), program);
        QCOMPARE(sendRawFile("usb_updater.bin"), 0);
        QCOMPARE(dataBlocks(storage(env)), QStringList({"1:1024", "1:1024", "4:452"}));
        QCOMPARE(countRequests(storage(env), 5) + countRequests(storage(env), 2), 0);
        QCOMPARE(storage(env).updaterImage(), program);
        QCOMPARE(sendRawFile("missing.bin"), -1);
    }

    void hundredFailedSendsAreToleratedNotMore_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("result");
        QTest::newRow("100") << 100 << 0;
        QTest::newRow("101") << 101 << -1;
    }
    void hundredFailedSendsAreToleratedNotMore()
    {
        QFETCH(int, failures);
        QFETCH(int, result);
        testsupport::SimEnvironment env(ubootRig());
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        const QByteArray data = upgradetest::pattern(3000);
        // One counter for the whole call: failures spread over several blocks add up.
        env.rig().camera(QStringLiteral("cam1"))->setFault(QStringLiteral("storage.failTransfers"), failures);
        const qint64 before = env.clock().totalSleptMs();
        QCOMPARE(sendData(reinterpret_cast<const std::uint8_t *>(data.constData()), 3000, 1024), result);
        QCOMPARE(env.clock().totalSleptMs() - before, qint64(100) * qMin(failures, 101));
        QCOMPARE(sendData(nullptr, 0, 1024), 0);
    }

    void statusReadThatNeverAnswersKeepsTheFill()
    {
        testsupport::SimEnvironment env(ubootRig(QStringLiteral(R"(, "faults": { "storage.statusNoAnswer": true })")));
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        std::uint8_t word[4] = {0x0D, 0x00, 0, 0};
        const qint64 before = env.clock().totalSleptMs();
        QCOMPARE(readStatus(word, 4, 0), 0);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(word), 4), QByteArray(4, char(0xFF)));
        QVERIFY(!statusAcknowledged(word));
        QCOMPARE(countRequests(storage(env), 2), 10);
        QCOMPARE(env.clock().totalSleptMs() - before, qint64(1000));
        QCOMPARE(readStatus(nullptr, 4, 0), -1);
    }

    void refusedSendsPauseAndAreNotRetried()
    {
        testsupport::SimEnvironment env(ubootRig(QStringLiteral(R"(, "faults": { "storage.vanishAfterCommands": 0 })")));
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        const qint64 before = env.clock().totalSleptMs();
        QCOMPARE(sendCommand("saveenv", 7), 0);
        QCOMPARE(env.clock().totalSleptMs() - before, qint64(500));
        QCOMPARE(storage(env).commandsReceived(), QStringList{"saveenv"});
    }

    void downloadAcknowledgedOnSecondAttemptOrFailed_data()
    {
        QTest::addColumn<int>("unacknowledged");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("headers");
        QTest::newRow("first") << 0 << 0 << 1;
        QTest::newRow("second") << 1 << 0 << 2;
        QTest::newRow("never") << 2 << -1 << 2;
    }
    void downloadAcknowledgedOnSecondAttemptOrFailed()
    {
        QFETCH(int, unacknowledged);
        QFETCH(int, result);
        QFETCH(int, headers);
        testsupport::SimEnvironment env(ubootRig());
        env.rig().camera(QStringLiteral("cam1"))->setFault(QStringLiteral("storage.unacknowledgedDownloads"),
                                                           unacknowledged);
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        upgradetest::writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(5000));
        QCOMPARE(loadFileToDevice("kernel", 0x21000000), result);
        QCOMPARE(countRequests(storage(env), 5), headers);
        QCOMPARE(loadFileToDevice("does-not-exist", 0x21000000), -1);
        QCOMPARE(loadFileToDevice("", 0x21000000), -1);
        QCOMPARE(countRequests(storage(env), 5), headers);
    }

    void vanishingMidTransferFailsTheDownload()
    {
        testsupport::SimEnvironment env(ubootRig(QStringLiteral(R"(, "faults": { "storage.vanishAfterBytes": 40000 })")));
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        upgradetest::writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(100000));
        QCOMPARE(loadFileToDevice("kernel", 0x21000000), -1);
        QVERIFY(!env.rig().camera(QStringLiteral("cam1"))->present());
    }

    void searchesLeakNoHandle()
    {
        testsupport::SimEnvironment env(ubootRig());
        LogCapture quiet;
        SimMassStorage &s = storage(env);
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        const int descriptors = openDescriptors();
        for (int i = 0; i < 3000; ++i)
            QVERIFY(findUpgradeDevice(0, state));
        QCOMPARE(s.openHandles(), 1);
        QCOMPARE(openDescriptors(), descriptors);
        closeDeviceHandle();
        QCOMPARE(s.openHandles(), 0);
        // A failed search lets go of the last handle as well.
        QVERIFY(findUpgradeDevice(0, state));
        env.rig().unplug(env.rig().camera(QStringLiteral("cam1")));
        QVERIFY(!findUpgradeDevice(0, state));
        QCOMPARE(s.openHandles(), 0);
    }

    void searchesOnAnotherThreadNeverCutATransferShort()
    {
        testsupport::SimEnvironment env(ubootRig(QStringLiteral(R"(, "faults": { "storage.slowTransferMs": 50 })")));
        LogCapture quiet;
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        const QByteArray file = upgradetest::pattern(20 * 32768 + 17);
        upgradetest::writeAppFile(QStringLiteral("kernel"), file);
        std::atomic<bool> done{false};
        std::atomic<int> result{1};
        QThread *worker = QThread::create([&] {
            result = loadFileToDevice("kernel", 0x21000000);
            done = true;
        });
        worker->start();
        int searches = 0;
        while (!done) {
            int watcherState = -1;
            findUpgradeDevice(0, watcherState);
            ++searches;
            QThread::yieldCurrentThread();
        }
        worker->wait();
        delete worker;
        QCOMPARE(result.load(), 0);
        QVERIFY(searches > 0);
        const auto downloads = storage(env).downloads();
        QCOMPARE(downloads.size(), 1);
        QVERIFY(downloads.at(0).verified);
        QCOMPARE(storage(env).malformedRequests(), 0);
        QVERIFY(storage(env).openHandles() <= 1);
    }
};

LENSDESK_TEST_MAIN(TestTransport)
#include "tst_transport.moc"
