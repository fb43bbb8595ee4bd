// The mass-storage transport against the rig: the search, the states, the block
// splits, retries and pauses, the download header, files that are not sent, drives
// bound to an upgrade, and handles that searches never redirect.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "platform/Clock.h"
#include "platform/sim/SimMassStorage.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/UpgradeDevice.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QThread>

#include <atomic>

#include <sys/stat.h>
#include <sys/types.h>

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

QString kernelPath()
{
    return upgradetest::appFile(QStringLiteral("kernel"));
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
    void cleanup() { setFileSizeProbe({}); }

    void noVolumeMeansNotFound()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(R"({ "key": "cam1" })")));
        int state = Rom;
        QChar letter = QLatin1Char('X');
        QVERIFY(!findUpgradeDevice(0, state, &letter));
        QCOMPARE(state, int(NotFound));
        QVERIFY(letter.isNull());
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
        QChar letter;
        const auto handle = findUpgradeDevice(1, found, &letter);
        // A matching identity returns the handle even when the state is unknown.
        QVERIFY(handle);
        QCOMPARE(letter, QLatin1Char('F'));
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
        QChar letter;
        auto handle = findUpgradeDevice(0, state, &letter);
        QVERIFY(handle);
        QCOMPARE(state, int(Rom));
        QCOMPARE(letter, QLatin1Char('E'));
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
    }
    void downloadBlockSplits()
    {
        QFETCH(int, size);
        QFETCH(QStringList, blocks);
        testsupport::SimEnvironment env(ubootRig());
        int state = -1;
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        const QByteArray file = upgradetest::pattern(size, size);
        upgradetest::writeAppFile(QStringLiteral("kernel"), file);
        QCOMPARE(loadFileToDevice(volume.get(), kernelPath(), 0x21000000), 0);
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
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        upgradetest::writeAppFile(QStringLiteral("big"), upgradetest::pattern(1 << 20));
        const qint64 before = env.clock().totalSleptMs();
        QCOMPARE(loadFileToDevice(volume.get(), upgradetest::appFile(QStringLiteral("big")), 0x22000000), 0);
        QCOMPARE(env.clock().totalSleptMs() - before, qint64(51));
    }

    void rawFileGoesInKilobyteBlocksWithoutHeaderOrStatus()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(R"({ "key": "cam1", "mode": "rom" })")));
        int state = -1;
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        const QByteArray program = upgradetest::pattern(2500);
        upgradetest::writeAppFile(QStringLiteral("usb_updater.bin"), program);
        QCOMPARE(sendRawFile(volume.get(), upgradetest::appFile(QStringLiteral("usb_updater.bin"))), 0);
        QCOMPARE(dataBlocks(storage(env)), QStringList({"1:1024", "1:1024", "4:452"}));
        QCOMPARE(countRequests(storage(env), 5) + countRequests(storage(env), 2), 0);
        QCOMPARE(storage(env).updaterImage(), program);
        LogCapture quiet;
        QCOMPARE(sendRawFile(volume.get(), upgradetest::appFile(QStringLiteral("missing.bin"))), -1);
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
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        const QByteArray data = upgradetest::pattern(3000);
        // One counter for the whole call: failures spread over several blocks add up.
        env.rig().camera(QStringLiteral("cam1"))->setFault(QStringLiteral("storage.failTransfers"), failures);
        const qint64 before = env.clock().totalSleptMs();
        QCOMPARE(sendData(volume.get(), reinterpret_cast<const std::uint8_t *>(data.constData()), 3000, 1024), result);
        QCOMPARE(env.clock().totalSleptMs() - before, qint64(100) * qMin(failures, 101));
        QCOMPARE(sendData(volume.get(), nullptr, 0, 1024), 0);
    }

    void statusReadThatNeverAnswersKeepsTheFill()
    {
        testsupport::SimEnvironment env(ubootRig(QStringLiteral(R"(, "faults": { "storage.statusNoAnswer": true })")));
        int state = -1;
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        std::uint8_t word[4] = {0x0D, 0x00, 0, 0};
        const qint64 before = env.clock().totalSleptMs();
        QCOMPARE(readStatus(volume.get(), word, 4, 0), 0);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(word), 4), QByteArray(4, char(0xFF)));
        QVERIFY(!statusAcknowledged(word));
        QCOMPARE(countRequests(storage(env), 2), 10);
        QCOMPARE(env.clock().totalSleptMs() - before, qint64(1000));
        QCOMPARE(readStatus(volume.get(), nullptr, 4, 0), -1);
    }

    void refusedSendsPauseAndAreNotRetried()
    {
        testsupport::SimEnvironment env(ubootRig(QStringLiteral(R"(, "faults": { "storage.vanishAfterCommands": 0 })")));
        int state = -1;
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        const qint64 before = env.clock().totalSleptMs();
        QCOMPARE(sendCommand(volume.get(), "saveenv", 7), 0);
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
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        upgradetest::writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(5000));
        QCOMPARE(loadFileToDevice(volume.get(), kernelPath(), 0x21000000), result);
        QCOMPARE(countRequests(storage(env), 5), headers);
        LogCapture quiet;
        QCOMPARE(loadFileToDevice(volume.get(), upgradetest::appFile(QStringLiteral("does-not-exist")), 0x21000000), -1);
        QCOMPARE(loadFileToDevice(volume.get(), QString(), 0x21000000), -1);
        QCOMPARE(countRequests(storage(env), 5), headers);
    }

    void vanishingMidTransferFailsTheDownload()
    {
        testsupport::SimEnvironment env(ubootRig(QStringLiteral(R"(, "faults": { "storage.vanishAfterBytes": 40000 })")));
        int state = -1;
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        upgradetest::writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(100000));
        QCOMPARE(loadFileToDevice(volume.get(), kernelPath(), 0x21000000), -1);
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
        // A search keeps nothing open: the caller holds the only handle.
        QCOMPARE(s.openHandles(), 0);
        QCOMPARE(openDescriptors(), descriptors);
        auto held = findUpgradeDevice(0, state);
        QCOMPARE(s.openHandles(), 1);
        held.reset();
        QCOMPARE(s.openHandles(), 0);
    }

    void emptyFilesAndFilesThatAreNoFilesAreNotSent()
    {
        testsupport::SimEnvironment env(ubootRig());
        int state = -1;
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        LogCapture log;
        const QString empty = upgradetest::appFile(QStringLiteral("empty"));
        upgradetest::writeFile(empty, QByteArray());
        QCOMPARE(loadFileToDevice(volume.get(), empty, 0x21000000), -1);
        QVERIFY2(log.contains(QStringLiteral("%1 is empty; nothing is sent.").arg(empty)),
                 qPrintable(log.lines().join(QLatin1Char('|'))));
        QCOMPARE(sendRawFile(volume.get(), empty), -1);

        QCOMPARE(loadFileToDevice(volume.get(), QStringLiteral("/dev/zero"), 0x21000000), -1);
        QVERIFY(log.contains(QStringLiteral("/dev/zero is not a regular file; nothing is sent.")));
        // A pipe would block the open itself.
        const QString fifo = upgradetest::appFile(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QCOMPARE(loadFileToDevice(volume.get(), fifo, 0x21000000), -1);
        QCOMPARE(sendRawFile(volume.get(), fifo), -1);
        QCOMPARE(loadFileToDevice(volume.get(), testsupport::appDir(), 0x21000000), -1);
        QVERIFY(storage(env).requests().isEmpty());
    }

    void fileThatReadsShortIsNotSent_data()
    {
        QTest::addColumn<qint64>("claimed");
        QTest::addColumn<QString>("log");
        // From 2 GiB up a whole-file read used to come back empty without an error.
        QTest::newRow("2 GiB + 5") << qint64(2147483653) << "Read only 100000 of 2147483653 bytes of %1; nothing is sent.";
        QTest::newRow("4 GiB - 1") << qint64(4294967295) << "Read only 100000 of 4294967295 bytes of %1; nothing is sent.";
        QTest::newRow("4 GiB") << qint64(4294967296)
                               << "%1 has 4294967296 bytes, more than a download can carry; nothing is sent.";
        QTest::newRow("one byte more than read") << qint64(100001)
                                                 << "Read only 100000 of 100001 bytes of %1; nothing is sent.";
    }
    void fileThatReadsShortIsNotSent()
    {
        QFETCH(qint64, claimed);
        QFETCH(QString, log);
        testsupport::SimEnvironment env(rigWith(QStringLiteral(R"({ "key": "cam1", "driveLetter": "F", "mode": "uboot" },
                                                                  { "key": "rom", "driveLetter": "G", "mode": "rom" })")));
        int state = -1;
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        upgradetest::writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(100000));
        setFileSizeProbe([claimed](const QString &path, qint64 reported) {
            return path.endsWith(QLatin1String("/kernel")) ? claimed : reported;
        });
        LogCapture capture;
        QCOMPARE(loadFileToDevice(volume.get(), kernelPath(), 0x21000000), -1);
        QVERIFY2(capture.contains(log.arg(kernelPath())), qPrintable(capture.lines().join(QLatin1Char('|'))));
        // Not even the header went: the camera knows nothing of this download.
        QVERIFY(storage(env).requests().isEmpty());
        QVERIFY(storage(env).downloads().isEmpty());

        // The boot ROM gets nothing of an updater that reads short either.
        int romState = -1;
        const auto rom = findUpgradeDevice(0, romState, nullptr, QLatin1Char('G'));
        QCOMPARE(romState, int(Rom));
        QCOMPARE(sendRawFile(rom.get(), kernelPath()), -1);
        QVERIFY(storage(env, QStringLiteral("rom")).requests().isEmpty());

        setFileSizeProbe({});
        QCOMPARE(loadFileToDevice(volume.get(), kernelPath(), 0x21000000), 0);
    }

    void fileThatShrinksWhileItIsSentIsAbandoned()
    {
        // Read whole for its digest, then cut short as the header reaches the camera.
        testsupport::SimEnvironment env(ubootRig());
        int state = -1;
        const auto volume = findUpgradeDevice(0, state);
        QVERIFY(volume);
        upgradetest::writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(100000));
        const QString path = kernelPath();
        env.rig().schedule(0, [path] { QFile::resize(path, 40000); });
        LogCapture capture;
        QCOMPARE(loadFileToDevice(volume.get(), path, 0x21000000), -1);
        QVERIFY2(capture.contains(
                     QStringLiteral("%1 could not be read whole while it was sent; the transfer is abandoned.").arg(path)),
                 qPrintable(capture.lines().join(QLatin1Char('|'))));
        // The header and the one whole block; no second attempt, no status read.
        QCOMPARE(countRequests(storage(env), 5), 1);
        QCOMPARE(dataBlocks(storage(env)), QStringList{"1:32768"});
        QCOMPARE(countRequests(storage(env), 2), 0);
        QVERIFY(storage(env).downloads().isEmpty());
    }

    void searchesPassByClaimedDrives()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(R"({ "key": "early", "driveLetter": "E", "mode": "uboot" },
                                                                  { "key": "late", "driveLetter": "G", "mode": "rom" })")));
        LogCapture quiet;
        QVERIFY(claimUpgradeDrive(QLatin1Char('E')));
        QVERIFY(!claimUpgradeDrive(QLatin1Char('e')));
        QVERIFY(upgradeDriveClaimed(QLatin1Char('e')));
        int state = -1;
        QChar letter;
        QVERIFY(findUpgradeDevice(0, state, &letter));
        QCOMPARE(letter, QLatin1Char('G'));
        QCOMPARE(state, int(Rom));
        // A claimed drive is not even asked who it is.
        QCOMPARE(storage(env, QStringLiteral("early")).inquiries(), 0);
        // Unless the search names it.
        QVERIFY(findUpgradeDevice(0, state, &letter, QLatin1Char('E')));
        QCOMPARE(letter, QLatin1Char('E'));
        QCOMPARE(state, int(UBoot));
        QVERIFY(!findUpgradeDevice(0, state, &letter, QLatin1Char('H')));
        releaseUpgradeDrive(QLatin1Char('E'));
        QVERIFY(findUpgradeDevice(0, state, &letter));
        QCOMPARE(letter, QLatin1Char('E'));
    }

    void upgradeDeviceStaysOnItsDriveAndKeepsTheWatcherAway()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(R"({ "key": "first", "driveLetter": "F", "mode": "updater" },
                                                                  { "key": "second", "driveLetter": "E", "mode": "uboot",
                                                                    "plugged": false })")));
        LogCapture quiet;
        sim::SimCamera *first = env.rig().camera(QStringLiteral("first"));
        sim::SimCamera *second = env.rig().camera(QStringLiteral("second"));
        QList<int> watched;
        QVERIFY(UpgradeDevice::watch(0, [&watched](int s) { watched << s; }));
        QCOMPARE(watched, QList<int>{int(Updater)});
        {
            UpgradeDevice device(0);
            QVERIFY(UpgradeDevice::upgradeInProgress());
            int state = -1;
            QVERIFY(device.find(state));
            QCOMPARE(state, int(Updater));
            QCOMPARE(device.driveLetter(), QLatin1Char('F'));
            QVERIFY(upgradeDriveClaimed(QLatin1Char('F')));
            // Nothing is watched while an upgrade is in progress.
            QVERIFY(!UpgradeDevice::watch(0, [&watched](int s) { watched << s; }));
            QCOMPARE(first->storage().inquiries(), 2);

            // The camera re-enumerates; a second camera turns up on a lower drive.
            env.rig().restart(first, 1000, sim::CameraMode::UBoot);
            env.rig().plug(second);
            QVERIFY(!device.findAgain(state));
            QCOMPARE(state, int(NotFound));
            env.clock().advance(1000);
            QVERIFY(device.findAgain(state));
            QCOMPARE(state, int(UBoot));
            QCOMPARE(device.driveLetter(), QLatin1Char('F'));
            QCOMPARE(sendCommand(device.volume(), "saveenv", 7), 0);
            QCOMPARE(first->storage().commandsReceived(), QStringList{"saveenv"});
            QCOMPARE(second->storage().inquiries(), 0);
            QVERIFY(second->storage().requests().isEmpty());
            // Another upgrade beginning now finds only the second camera.
            UpgradeDevice other(0);
            QVERIFY(other.find(state));
            QCOMPARE(other.driveLetter(), QLatin1Char('E'));
        }
        QVERIFY(!UpgradeDevice::upgradeInProgress());
        QVERIFY(!upgradeDriveClaimed(QLatin1Char('F')));
        QVERIFY(!upgradeDriveClaimed(QLatin1Char('E')));
        QCOMPARE(first->storage().openHandles(), 0);
        watched.clear();
        QVERIFY(UpgradeDevice::watch(0, [&watched](int s) { watched << s; }));
        QCOMPARE(watched, QList<int>{int(UBoot)});
    }

    void searchesOnAnotherThreadNeverRedirectATransfer()
    {
        // The transfer's camera sits on F; every search on the other thread finds the
        // camera on E first. Not a byte may reach E.
        testsupport::SimEnvironment env(rigWith(QStringLiteral(R"({ "key": "cam1", "driveLetter": "F", "mode": "uboot",
                                                                    "faults": { "storage.slowTransferMs": 50 } },
                                                                  { "key": "other", "driveLetter": "E", "mode": "uboot" })")));
        LogCapture quiet;
        int state = -1;
        const auto volume = findUpgradeDevice(0, state, nullptr, QLatin1Char('F'));
        QVERIFY(volume);
        const QByteArray file = upgradetest::pattern(20 * 32768 + 17);
        upgradetest::writeAppFile(QStringLiteral("kernel"), file);
        std::atomic<bool> done{false};
        std::atomic<int> result{1};
        const QString path = kernelPath();
        QThread *worker = QThread::create([&] {
            result = loadFileToDevice(volume.get(), path, 0x21000000);
            if (result == 0)
                result = sendCommand(volume.get(), "nand write.e 0x21000000 kernel ${filesize}", 42);
            done = true;
        });
        worker->start();
        int searches = 0;
        while (!done) {
            int watcherState = -1;
            QChar letter;
            QVERIFY(findUpgradeDevice(0, watcherState, &letter));
            QCOMPARE(letter, QLatin1Char('E'));
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
        QCOMPARE(storage(env).flashWrites().size(), 1);
        QCOMPARE(storage(env).malformedRequests(), 0);
        SimMassStorage &other = storage(env, QStringLiteral("other"));
        QVERIFY(other.requests().isEmpty());
        QVERIFY(other.downloads().isEmpty());
        QVERIFY(other.commandsReceived().isEmpty());
        QCOMPARE(other.inquiries(), searches);
    }
};

LENSDESK_TEST_MAIN(TestTransport)
#include "tst_transport.moc"
