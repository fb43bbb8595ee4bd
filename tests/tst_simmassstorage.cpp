// The rig's mass-storage side at the byte level: requests are laid out by hand here,
// independently of the upgrade transport, so that a fault on either side shows.
#include "TestSupport.h"

#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/ScsiPassThrough.h"
#include "platform/sim/SimMassStorage.h"

#include <QApplication>
#include <QCryptographicHash>

#include <vector>

namespace spt = platform::spt;
using sim::CameraMode;
using sim::SimMassStorage;

namespace {

struct Reply
{
    bool ok = false;
    std::vector<std::uint8_t> buffer;
    std::uint8_t scsiStatus() const { return buffer[spt::kScsiStatus]; }
    QByteArray data(int length) const
    {
        return QByteArray(reinterpret_cast<const char *>(buffer.data() + spt::kDataOffset), length);
    }
};

struct Layout
{
    std::uint8_t target = 0;
    std::uint32_t timeout = 120;
    std::uint8_t direction = spt::kDirectionOut;
    int cdbLengthField = 10;
    std::int64_t transferLength = -1; // -1: the data length
    std::int64_t inLength = -1;       // -1: 80 + data length
    std::int64_t outLength = -1;
};

Reply send(platform::Volume &volume, const std::vector<std::uint8_t> &cdb, const QByteArray &data,
           std::uint32_t dataLength, const Layout &layout)
{
    Reply reply;
    reply.buffer.assign(spt::kDataOffset + dataLength, 0);
    std::uint8_t *b = reply.buffer.data();
    spt::putLe16(b + spt::kLength, 44);
    b[spt::kTargetId] = layout.target;
    b[spt::kCdbLength] = std::uint8_t(layout.cdbLengthField);
    b[spt::kSenseInfoLength] = 24;
    b[spt::kDataIn] = layout.direction;
    spt::putLe32(b + spt::kDataTransferLength,
                 std::uint32_t(layout.transferLength < 0 ? dataLength : layout.transferLength));
    spt::putLe32(b + spt::kTimeOutValue, layout.timeout);
    spt::putLe32(b + spt::kDataBufferOffset, 80);
    spt::putLe32(b + spt::kSenseInfoOffset, 48);
    std::copy(cdb.begin(), cdb.end(), b + spt::kCdb);
    std::copy(data.begin(), data.end(), b + spt::kDataOffset);
    const std::uint32_t full = spt::kDataOffset + dataLength;
    std::uint32_t returned = 0;
    reply.ok = volume.deviceIoControl(platform::kIoctlScsiPassThrough, b,
                                      std::uint32_t(layout.inLength < 0 ? full : layout.inLength), b,
                                      std::uint32_t(layout.outLength < 0 ? full : layout.outLength),
                                      &returned);
    return reply;
}

Reply inquiry(platform::Volume &volume)
{
    Layout l;
    l.target = 1;
    l.timeout = 2;
    l.direction = spt::kDirectionIn;
    l.cdbLengthField = 6;
    l.inLength = 44;
    l.outLength = 116;
    return send(volume, {0x12, 0, 0, 0, 36, 0}, QByteArray(), 36, l);
}

std::vector<std::uint8_t> vendorCdb(int subcommand, std::uint32_t length)
{
    std::vector<std::uint8_t> cdb(10, 0);
    cdb[0] = 0xE8;
    cdb[1] = std::uint8_t(subcommand);
    spt::putBe32(cdb.data() + 6, length);
    return cdb;
}

Reply vendorOut(platform::Volume &volume, int subcommand, const QByteArray &data)
{
    return send(volume, vendorCdb(subcommand, std::uint32_t(data.size())), data, std::uint32_t(data.size()),
                Layout());
}

Reply status(platform::Volume &volume)
{
    Layout l;
    l.direction = spt::kDirectionIn;
    return send(volume, vendorCdb(2, 4), QByteArray(4, char(0xFF)), 4, l);
}

QByteArray header(std::uint32_t address, const QByteArray &file, bool goodDigest = true)
{
    QByteArray h(24, '\0');
    auto *p = reinterpret_cast<std::uint8_t *>(h.data());
    spt::putLe32(p, address);
    spt::putLe32(p + 4, std::uint32_t(file.size()));
    QByteArray digest = QCryptographicHash::hash(file, QCryptographicHash::Md5);
    if (!goodDigest)
        digest[0] = char(digest[0] ^ 0x01);
    h.replace(8, 16, digest);
    return h;
}

// Header, data in 32 KiB blocks, and the status word.
QByteArray download(platform::Volume &volume, std::uint32_t address, const QByteArray &file,
                    bool goodDigest = true)
{
    vendorOut(volume, 5, header(address, file, goodDigest));
    for (int offset = 0; offset < file.size(); offset += 0x8000) {
        const QByteArray block = file.mid(offset, 0x8000);
        vendorOut(volume, offset + block.size() >= file.size() ? 4 : 1, block);
    }
    return status(volume).data(4);
}

QByteArray command(platform::Volume &volume, const QByteArray &line)
{
    vendorOut(volume, 6, line);
    return status(volume).data(4);
}

const QByteArray kAck("\x0D\x00\x00\x00", 4);
const QByteArray kNak("\x0D\x01\x00\x00", 4);

QByteArray rigWith(const QString &cameraExtra, const QString &volumes = QString())
{
    return QStringLiteral(R"({"cameras": [ { "key": "cam1", "driveLetter": "F" %1 } ], "volumes": [ %2 ]})")
        .arg(cameraExtra, volumes)
        .toUtf8();
}

std::shared_ptr<platform::Volume> open(char letter)
{
    return platform::backend().openVolume(QStringLiteral("\\\\.\\%1:").arg(QLatin1Char(letter)));
}

} // namespace

class TestSimMassStorage : public QObject
{
    Q_OBJECT
private slots:
    void inquiryAnswersWithIdentityAndStateSignature_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QByteArray>("vendor");
        QTest::addColumn<QByteArray>("product");
        QTest::newRow("rom") << ", \"mode\": \"rom\"" << QByteArray("GC      ") << QByteArray(16, '\0');
        QTest::newRow("updater") << ", \"mode\": \"updater\"" << QByteArray("GC      ")
                                 << QByteArray("UPDATER         ");
        QTest::newRow("uboot") << ", \"mode\": \"uboot\"" << QByteArray("GC      ") << QByteArray("UBOOT           ");
        QTest::newRow("lns41") << ", \"mode\": \"uboot\", \"inquiryVendor\": \"LNS410AD\"" << QByteArray("LNS410AD")
                               << QByteArray("UBOOT           ");
        QTest::newRow("other product") << ", \"mode\": \"uboot\", \"inquiryProduct\": \"XYZ DISK\""
                                       << QByteArray("GC      ") << QByteArray("XYZ DISK        ");
    }
    void inquiryAnswersWithIdentityAndStateSignature()
    {
        QFETCH(QString, extra);
        QFETCH(QByteArray, vendor);
        QFETCH(QByteArray, product);
        testsupport::SimEnvironment env(rigWith(extra));
        auto volume = open('F');
        QVERIFY(volume);
        const Reply r = inquiry(*volume);
        QVERIFY(r.ok);
        QCOMPARE(r.scsiStatus(), spt::kStatusGood);
        const QByteArray data = r.data(36);
        QCOMPARE(data.mid(8, 8), vendor);
        QCOMPARE(data.mid(16, 16), product);
        QCOMPARE(int(data[4]), 31);
    }

    void normalCameraPresentsNoVolumeButAPlainDiskDoes()
    {
        testsupport::SimEnvironment env(
            rigWith(QString(), QStringLiteral(R"({ "key": "usb", "driveLetter": "E" })")));
        QVERIFY(!open('F'));
        auto disk = open('E');
        QVERIFY(disk);
        const Reply r = inquiry(*disk);
        QVERIFY(r.ok);
        QCOMPARE(r.data(36).mid(8, 8), QByteArray("GENERIC "));
        // A plain disk knows nothing of the vendor commands.
        const Reply v = vendorOut(*disk, 6, "saveenv");
        QVERIFY(v.ok);
        QCOMPARE(v.scsiStatus(), spt::kStatusCheckCondition);
        QCOMPARE(v.buffer[48 + 2], std::uint8_t(0x05));
    }

    void malformedRequestsAreRefused_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("inquiry to target 0") << 0;
        QTest::newRow("inquiry with 120 s") << 1;
        QTest::newRow("inquiry input length 116") << 2;
        QTest::newRow("vendor to target 1") << 3;
        QTest::newRow("vendor with 2 s") << 4;
        QTest::newRow("cdb length differs from transfer length") << 5;
        QTest::newRow("status read as data out") << 6;
        QTest::newRow("command as data in") << 7;
        QTest::newRow("transfer of 65537 bytes") << 8;
        QTest::newRow("subcommand 3") << 9;
        QTest::newRow("header of 23 bytes") << 10;
        QTest::newRow("command of 1024 bytes") << 11;
        QTest::newRow("buffer shorter than header plus data") << 12;
        QTest::newRow("cdb length field 6 for vendor") << 13;
    }
    void malformedRequestsAreRefused()
    {
        QFETCH(int, kind);
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"uboot\"")));
        auto volume = open('F');
        QVERIFY(volume);
        SimMassStorage &storage = env.rig().camera(QStringLiteral("cam1"))->storage();
        Layout l;
        Reply r;
        const std::vector<std::uint8_t> inq = {0x12, 0, 0, 0, 36, 0};
        Layout in;
        in.target = 1;
        in.timeout = 2;
        in.direction = spt::kDirectionIn;
        in.cdbLengthField = 6;
        in.inLength = 44;
        in.outLength = 116;
        switch (kind) {
        case 0: in.target = 0; r = send(*volume, inq, {}, 36, in); break;
        case 1: in.timeout = 120; r = send(*volume, inq, {}, 36, in); break;
        case 2: in.inLength = 116; r = send(*volume, inq, {}, 36, in); break;
        case 3: l.target = 1; r = send(*volume, vendorCdb(6, 7), "saveenv", 7, l); break;
        case 4: l.timeout = 2; r = send(*volume, vendorCdb(6, 7), "saveenv", 7, l); break;
        case 5: r = send(*volume, vendorCdb(6, 8), "saveenv", 7, l); break;
        case 6: r = send(*volume, vendorCdb(2, 4), {}, 4, l); break;
        case 7: l.direction = spt::kDirectionIn; r = send(*volume, vendorCdb(6, 7), "saveenv", 7, l); break;
        case 8: r = send(*volume, vendorCdb(1, 65537), QByteArray(65537, 'x'), 65537, l); break;
        case 9: r = send(*volume, vendorCdb(3, 4), "abcd", 4, l); break;
        case 10: r = send(*volume, vendorCdb(5, 23), QByteArray(23, '\0'), 23, l); break;
        case 11: r = send(*volume, vendorCdb(6, 1024), QByteArray(1024, 'a'), 1024, l); break;
        case 12: l.inLength = 80; r = send(*volume, vendorCdb(6, 7), "saveenv", 7, l); break;
        case 13: l.cdbLengthField = 6; r = send(*volume, vendorCdb(6, 7), "saveenv", 7, l); break;
        }
        QVERIFY(!r.ok);
        QCOMPARE(storage.malformedRequests(), 1);
        QVERIFY(storage.commandsReceived().isEmpty());
    }

    void romTakesTheUpdaterInKilobyteBlocksAndBecomesTheUpdater()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"rom\"")));
        SimMassStorage &storage = env.rig().camera(QStringLiteral("cam1"))->storage();
        auto volume = open('F');
        // The ROM has no status, header or command.
        QCOMPARE(status(*volume).scsiStatus(), spt::kStatusCheckCondition);
        QCOMPARE(vendorOut(*volume, 6, "saveenv").scsiStatus(), spt::kStatusCheckCondition);
        // More than its buffer holds is refused.
        QCOMPARE(vendorOut(*volume, 1, QByteArray(1025, 'x')).scsiStatus(), spt::kStatusCheckCondition);

        QByteArray program(2500, '\0');
        for (int i = 0; i < program.size(); ++i)
            program[i] = char(i * 7);
        QCOMPARE(vendorOut(*volume, 1, program.mid(0, 1024)).scsiStatus(), spt::kStatusGood);
        QCOMPARE(vendorOut(*volume, 1, program.mid(1024, 1024)).scsiStatus(), spt::kStatusGood);
        QCOMPARE(inquiry(*volume).data(36).at(16), '\0');
        QCOMPARE(vendorOut(*volume, 4, program.mid(2048)).scsiStatus(), spt::kStatusGood);
        QCOMPARE(storage.updaterImage(), program);
        QCOMPARE(storage.updaterBlocks(), 3);
        // The updater answers on the same handle.
        QCOMPARE(inquiry(*volume).data(36).mid(16, 3), QByteArray("UPD"));
        QCOMPARE(env.rig().camera(QStringLiteral("cam1"))->mode(), CameraMode::Updater);
    }

    void updaterHandsOverToTheBootLoaderWhichEnumeratesAnew()
    {
        testsupport::SimEnvironment env(
            rigWith(QStringLiteral(", \"mode\": \"updater\", \"handoverMs\": 1500")));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        auto volume = open('F');
        const QByteArray loader(70000, 'u');
        QCOMPARE(download(*volume, 0xFFFFFFFFu, loader), kAck);
        // It left the bus after acknowledging.
        QVERIFY(!camera->present());
        QVERIFY(!inquiry(*volume).ok);
        platform::sleepMs(1499);
        QVERIFY(!open('F'));
        platform::sleepMs(1);
        auto fresh = open('F');
        QVERIFY(fresh);
        QCOMPARE(inquiry(*fresh).data(36).mid(16, 3), QByteArray("UBO"));
        // The handle of the earlier enumeration stays dead.
        QVERIFY(!inquiry(*volume).ok);
        const auto downloads = camera->storage().downloads();
        QCOMPARE(downloads.size(), 1);
        QCOMPARE(downloads.at(0).address, 0xFFFFFFFFu);
        QVERIFY(downloads.at(0).verified);
    }

    void downloadsAreCheckedAgainstTheirDigest()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"uboot\"")));
        SimMassStorage &storage = env.rig().camera(QStringLiteral("cam1"))->storage();
        auto volume = open('F');
        const QByteArray kernel(40000, 'k');
        QCOMPARE(download(*volume, 0x21000000, kernel, false), kNak);
        QCOMPARE(command(*volume, "nand write 0x21000000 kernel"), kNak); // nothing in memory
        QCOMPARE(download(*volume, 0x21000000, kernel), kAck);
        QCOMPARE(command(*volume, "nand write.e 0x21000000 kernel ${filesize}"), kAck);
        // Data without a header, or more data than announced, is refused.
        QCOMPARE(vendorOut(*volume, 4, "x").scsiStatus(), spt::kStatusCheckCondition);
        vendorOut(*volume, 5, header(0x22000000, "abc"));
        QCOMPARE(vendorOut(*volume, 4, "abcd").scsiStatus(), spt::kStatusCheckCondition);
        QCOMPARE(status(*volume).data(4), kNak);

        const auto downloads = storage.downloads();
        QCOMPARE(downloads.size(), 3);
        QVERIFY(!downloads.at(0).verified);
        QVERIFY(downloads.at(1).verified);
        QCOMPARE(downloads.at(1).dataDigest, QCryptographicHash::hash(kernel, QCryptographicHash::Md5));
        const auto flash = storage.flashWrites();
        QCOMPARE(flash.size(), 1);
        QCOMPARE(flash.at(0).name, QStringLiteral("kernel"));
        QCOMPARE(flash.at(0).size, std::uint32_t(kernel.size()));
        QCOMPARE(flash.at(0).digest, QCryptographicHash::hash(kernel, QCryptographicHash::Md5));
        QCOMPARE(storage.bytesReceived(), qint64(40000 * 2 + 4));
    }

    void closingCommandsBringTheCameraBackWithTheNewVersion()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"uboot\", \"restartDelayMs\": 3000")));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        auto volume = open('F');
        QCOMPARE(command(*volume, "setenv fw_version 1.0.23"), kAck);
        QCOMPARE(command(*volume, "setenv ota_upgrade_status 0"), kAck);
        QCOMPARE(command(*volume, "saveenv"), kAck);
        QVERIFY(vendorOut(*volume, 6, "reset").ok);
        QVERIFY(!camera->present());
        platform::sleepMs(3000);
        env.rig().pump();
        QVERIFY(camera->present());
        QCOMPARE(camera->mode(), CameraMode::Normal);
        QCOMPARE(camera->firmwareVersion(), QStringLiteral("1.0.23"));
        QVERIFY(!open('F'));
        QCOMPARE(camera->storage().savedEnvironment().value(QStringLiteral("ota_upgrade_status")),
                 QStringLiteral("0"));
        QCOMPARE(camera->storage().commandsExecuted().size(), 4);
    }

    void versionNeedsSaveenvBeforeReset()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"uboot\", \"firmware\": \"1.0.22\"")));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        auto volume = open('F');
        QCOMPARE(command(*volume, "setenv fw_version 1.0.23"), kAck);
        vendorOut(*volume, 6, "reset");
        platform::sleepMs(5000);
        env.rig().pump();
        QCOMPARE(camera->mode(), CameraMode::Normal);
        QCOMPARE(camera->firmwareVersion(), QStringLiteral("1.0.22"));
    }

    void faultsDoWhatTheySay()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"uboot\"")));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        SimMassStorage &storage = camera->storage();
        auto volume = open('F');

        camera->setFault(QStringLiteral("storage.unacknowledgedCommands"), 1);
        camera->setFault(QStringLiteral("storage.unacknowledgedMatch"), QStringLiteral("saveenv"));
        QCOMPARE(command(*volume, "setenv a 1"), kAck);
        QCOMPARE(command(*volume, "saveenv"), kNak);
        QCOMPARE(command(*volume, "saveenv"), kAck);
        QCOMPARE(storage.commandsExecuted(), QStringList({"setenv a 1", "saveenv"}));

        camera->setFault(QStringLiteral("storage.statusNoAnswer"), 2);
        QVERIFY(!status(*volume).ok);
        const Reply silent = status(*volume);
        QVERIFY(!silent.ok);
        QCOMPARE(silent.data(4), QByteArray(4, char(0xFF))); // nothing came back
        QVERIFY(status(*volume).ok);

        camera->setFault(QStringLiteral("storage.failTransfers"), 1);
        vendorOut(*volume, 5, header(0x1000, "abc"));
        QVERIFY(!vendorOut(*volume, 4, "abc").ok);
        QVERIFY(vendorOut(*volume, 4, "abc").ok);
        QCOMPARE(status(*volume).data(4), kAck);

        camera->setFault(QStringLiteral("storage.unacknowledgedDownloads"), 1);
        QCOMPARE(download(*volume, 0x1000, "abc"), kNak);
        QCOMPARE(download(*volume, 0x1000, "abc"), kAck);

        // A transfer slower than its 120 s time-out fails; a slow one within it passes.
        camera->setFault(QStringLiteral("storage.slowTransferMs"), 5000);
        const qint64 before = platform::nowMs();
        vendorOut(*volume, 5, header(0x1000, "abc"));
        QVERIFY(vendorOut(*volume, 4, "abc").ok);
        QCOMPARE(platform::nowMs() - before, qint64(5000));
        camera->setFault(QStringLiteral("storage.slowTransferMs"), 200000);
        QVERIFY(!vendorOut(*volume, 4, "abc").ok);
        camera->clearFault(QStringLiteral("storage.slowTransferMs"));

        camera->setFault(QStringLiteral("storage.vanishAfterCommands"), 1);
        QCOMPARE(command(*volume, "setenv b 2"), kAck);
        QVERIFY(!vendorOut(*volume, 6, "setenv c 3").ok);
        QVERIFY(!camera->present());
        platform::sleepMs(600000);
        QVERIFY(!open('F')); // gone for good
    }

    void vanishingMidTransferCanComeBackInAnotherState()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            ", \"mode\": \"uboot\", \"faults\": { \"storage.vanishAfterBytes\": 40000, "
            "\"storage.vanishReturnMs\": 2000, \"storage.vanishReturnMode\": \"rom\" }")));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        auto volume = open('F');
        vendorOut(*volume, 5, header(0x1000, QByteArray(65536, 'k')));
        QVERIFY(vendorOut(*volume, 1, QByteArray(32768, 'k')).ok);
        QVERIFY(!vendorOut(*volume, 4, QByteArray(32768, 'k')).ok);
        QVERIFY(!camera->present());
        platform::sleepMs(2000);
        auto again = open('F');
        QVERIFY(again);
        QCOMPARE(inquiry(*again).data(36).at(16), '\0');
    }

    void emptyImagesAreRefused()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"uboot\"")));
        SimMassStorage &storage = env.rig().camera(QStringLiteral("cam1"))->storage();
        auto volume = open('F');
        // A header announcing 0 bytes is refused at once and never acknowledged.
        const Reply h = vendorOut(*volume, 5, header(0x21000000, QByteArray()));
        QVERIFY(h.ok);
        QCOMPARE(h.scsiStatus(), spt::kStatusCheckCondition);
        QCOMPARE(status(*volume).data(4), kNak);
        QCOMPARE(storage.downloads().size(), 1);
        QVERIFY(!storage.downloads().at(0).verified);
        QCOMPARE(storage.downloads().at(0).size, 0u);
        // Nor is a partition written with nothing.
        QCOMPARE(download(*volume, 0x21000000, QByteArray(100, 'k')), kAck);
        QCOMPARE(command(*volume, "nand write.e 0x21000000 kernel 0"), kNak);
        QCOMPARE(command(*volume, "nand write.e 0x21000000 kernel 0x64"), kAck);
        QCOMPARE(storage.flashWrites().size(), 1);
        QCOMPARE(storage.flashWrites().at(0).size, 100u);
    }

    void downloadBlocksOfAnotherSizeVoidTheDownload_data()
    {
        QTest::addColumn<int>("subcommand");
        QTest::addColumn<int>("length");
        QTest::newRow("first block of 16384") << 1 << 16384;
        QTest::newRow("first block of 32769") << 1 << 32769;
        QTest::newRow("first block of 65536") << 1 << 65536;
        QTest::newRow("last block of 32769") << 4 << 32769;
        QTest::newRow("last block of 65536") << 4 << 65536;
    }
    void downloadBlocksOfAnotherSizeVoidTheDownload()
    {
        QFETCH(int, subcommand);
        QFETCH(int, length);
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"uboot\"")));
        SimMassStorage &storage = env.rig().camera(QStringLiteral("cam1"))->storage();
        auto volume = open('F');
        const QByteArray file(70000, 'k');
        vendorOut(*volume, 5, header(0x21000000, file));
        const Reply r = vendorOut(*volume, subcommand, file.left(length));
        QVERIFY(r.ok);
        QCOMPARE(r.scsiStatus(), spt::kStatusCheckCondition);
        QCOMPARE(status(*volume).data(4), kNak);
        // The rest of the data finds no download to belong to.
        QCOMPARE(vendorOut(*volume, 4, file.mid(length)).scsiStatus(), spt::kStatusCheckCondition);
        QCOMPARE(storage.downloads().size(), 1);
        QVERIFY(!storage.downloads().at(0).verified);
        QCOMPARE(command(*volume, "nand write.e 0x21000000 kernel"), kNak);
        // Blocks of 32768 with a shorter last one are what it takes.
        QCOMPARE(download(*volume, 0x21000000, file), kAck);
    }

    void romTakesOnlyWholeKilobyteBlocksBeforeTheLast()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"rom\"")));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        auto volume = open('F');
        QCOMPARE(vendorOut(*volume, 1, QByteArray(1024, 'a')).scsiStatus(), spt::kStatusGood);
        QCOMPARE(vendorOut(*volume, 1, QByteArray(512, 'b')).scsiStatus(), spt::kStatusCheckCondition);
        // What came before the bad block is lost with it.
        QCOMPARE(vendorOut(*volume, 4, QByteArray(100, 'c')).scsiStatus(), spt::kStatusGood);
        QCOMPARE(camera->storage().updaterImage(), QByteArray(100, 'c'));
        QCOMPARE(camera->storage().updaterBlocks(), 1);
    }

    void updaterRefusesBootLoaderCommands()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"updater\"")));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        SimMassStorage &storage = camera->storage();
        auto volume = open('F');
        // A good download first, so that a stale acknowledgement would show.
        QCOMPARE(download(*volume, 0x21000000, QByteArray(5000, 'k')), kAck);
        const Reply r = vendorOut(*volume, 6, "setenv a 1");
        QVERIFY(r.ok);
        QCOMPARE(r.scsiStatus(), spt::kStatusCheckCondition);
        QCOMPARE(status(*volume).data(4), kNak);
        QCOMPARE(command(*volume, "nand write.e 0x21000000 kernel ${filesize}"), kNak);
        QCOMPARE(command(*volume, "saveenv"), kNak);
        vendorOut(*volume, 6, "reset");
        platform::sleepMs(5000);
        env.rig().pump();
        QVERIFY(camera->present());
        QCOMPARE(camera->mode(), CameraMode::Updater);
        QCOMPARE(storage.commandsReceived(),
                 QStringList({"setenv a 1", "nand write.e 0x21000000 kernel ${filesize}", "saveenv", "reset"}));
        QVERIFY(storage.commandsExecuted().isEmpty());
        QVERIFY(storage.flashWrites().isEmpty());
        QVERIFY(storage.savedEnvironment().isEmpty());
    }

    void slowCommandsTakeClockTime()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            ", \"mode\": \"uboot\", \"faults\": { \"storage.slowCommandMs\": 300 }")));
        auto volume = open('F');
        const qint64 before = platform::nowMs();
        QCOMPARE(command(*volume, "setenv a 1"), kAck);
        QCOMPARE(platform::nowMs() - before, qint64(300));
        // Data blocks and status reads are not slowed by it.
        QCOMPARE(download(*volume, 0x1000, "abc"), kAck);
        QCOMPARE(platform::nowMs() - before, qint64(300));
    }

    void volumesOpenCloseAndCountHandles()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"uboot\"")));
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        QVERIFY(!open('G'));
        QVERIFY(!platform::backend().openVolume(QStringLiteral("F:")));
        {
            auto a = open('F');
            auto b = open('f');
            QVERIFY(a && b);
            QCOMPARE(camera->storage().openHandles(), 2);
        }
        QCOMPARE(camera->storage().openHandles(), 0);
        camera->setFault(QStringLiteral("storage.openFails"), true);
        QVERIFY(!open('F'));
        camera->clearFault(QStringLiteral("storage.openFails"));
        camera->setFault(QStringLiteral("storage.noVolume"), true);
        QVERIFY(!open('F'));
    }

    void handleOutlivingTheRigFailsCleanly()
    {
        std::shared_ptr<platform::Volume> survivor;
        {
            testsupport::SimEnvironment env(rigWith(QStringLiteral(", \"mode\": \"uboot\"")));
            survivor = open('F');
            QVERIFY(survivor);
        }
        QVERIFY(!inquiry(*survivor).ok);
    }
};

LENSDESK_TEST_MAIN(TestSimMassStorage)
#include "tst_simmassstorage.moc"
