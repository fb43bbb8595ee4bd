// The fuzzers' seed corpus (fuzz/corpus/<target>/): made here from the tests' own
// generators and the program's own writers (the rig's files and paths, lensdeskctl's
// preset, the transport's pass-through buffers, the archive tool's listing), and each
// seed checked to be taken by its reader as the program takes it, so that seeds that no
// longer fit their formats show here. With LENSDESK_FUZZ_CORPUS=<folder> the seeds are
// written there, a folder per target (scripts/fuzz-corpus.sh).
#include "PlatformTestSupport.h"
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "catalogue/Catalogue.h"
#include "ctl/CtlArguments.h"
#include "ctl/CtlCommand.h"
#include "ctl/Preset.h"
#include "platform/Backend.h"
#include "platform/Volume.h"
#include "platform/linux/LinuxDevicePath.h"
#include "platform/linux/LinuxScsiPassThrough.h"
#include "platform/linux/LinuxSysfs.h"
#include "platform/linux/LinuxUvcDescriptors.h"
#include "platform/sim/SimMassStorage.h"
#include "platform/windows/WindowsDeviceBroadcast.h"
#include "platform/windows/WindowsScsiPassThrough.h"
#include "remote/ViscaPacket.h"
#include "ui/DeviceChangeFilter.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/PackageFiles.h"
#include "upgrade/UpgradeScript.h"
#include "upgrade/Zip7z.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <scsi/sg.h>

namespace {

using Seeds = QMap<QString, QByteArray>;

const QByteArray kScriptSeparator("\n=====\n");
const QByteArray kUbootRig(R"({"cameras": [ { "key": "cam1", "driveLetter": "F", "mode": "uboot" } ]})");

QByteArray fromBytes(const platformtest::Bytes &b)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()), int(b.size()));
}

// A volume that keeps a copy of every request the transport sends through it, as the
// platform lays it out: the input copied into the output's block.
class RecordingVolume : public platform::Volume
{
public:
    explicit RecordingVolume(std::shared_ptr<platform::Volume> inner)
        : m_inner(std::move(inner))
    {
    }
    bool deviceIoControl(std::uint32_t code, const void *in, std::uint32_t inLength, void *out,
                         std::uint32_t outLength, std::uint32_t *bytesReturned) override
    {
        QByteArray block(static_cast<const char *>(in), int(qMin(inLength, outLength)));
        block.append(QByteArray(int(outLength) - block.size(), '\0'));
        requests << block;
        return m_inner->deviceIoControl(code, in, inLength, out, outLength, bytesReturned);
    }
    QList<QByteArray> requests;

private:
    std::shared_ptr<platform::Volume> m_inner;
};

// The package the upgrade script's fuzzer gives its scripts.
void writeScriptPackage(const QList<QByteArray> &scripts)
{
    upgradetest::clearAppDir();
    upgradetest::writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(3000));
    upgradetest::writeAppFile(QStringLiteral("u-boot.bin"), upgradetest::pattern(40000, 2));
    const char *const names[] = {"auto_update.txt", "a.txt", "b.txt", "scripts/c.txt"};
    for (int i = 0; i < scripts.size(); ++i)
        upgradetest::writeAppFile(QLatin1String(names[i]), scripts.at(i));
}

QByteArray joinScripts(const QList<QByteArray> &scripts)
{
    QByteArray seed;
    for (const QByteArray &s : scripts)
        seed += (seed.isEmpty() ? QByteArray() : kScriptSeparator) + s;
    return seed;
}

QByteArray joinArguments(const QStringList &arguments)
{
    return arguments.join(QChar(0)).toUtf8();
}

} // namespace

class TestFuzzCorpus : public QObject
{
    Q_OBJECT

    QMap<QString, Seeds> m_seeds;

    void writeIfAsked(const QString &target, const Seeds &seeds)
    {
        m_seeds.insert(target, seeds);
        const QString root = qEnvironmentVariable("LENSDESK_FUZZ_CORPUS");
        if (root.isEmpty())
            return;
        const QString dir = root + QLatin1Char('/') + target;
        QDir(dir).removeRecursively();
        QVERIFY(QDir().mkpath(dir));
        for (auto it = seeds.begin(); it != seeds.end(); ++it)
            upgradetest::writeFile(dir + QLatin1Char('/') + it.key(), it.value());
    }

private slots:
    void init()
    {
        QDir::setCurrent(testsupport::appDir());
        upgradetest::clearAppDir();
    }

    void upgradeScripts()
    {
        const QList<QList<QByteArray>> trees = {
            {"setenv bootargs console=ttyS0\nestar a.txt\nreset\n",
             "tftp 0x21000000 kernel\nnand write.e 0x21000000 kernel ${filesize}\n"},
            {"# comment\r\n%percent\r\n  setenv   a\t1  \r\nsetenv fw_version 1.0.23\r\nsaveenv\r\n"},
            {"estar a.txt\n", "estar b.txt\n", "estar scripts/c.txt\n", "setenv deep 1\n"},
            {"tftp 21000000 u-boot.bin\nnand write 0x21000000 u-boot.bin\nsaveenv\nreset\n"},
            {"tftp 0x100000000 kernel\n"},
        };
        const QStringList names = {"flash", "comments-crlf", "nested", "uboot", "address-too-large"};
        const QList<int> results = {0, 0, 0, 0, -1};
        const QList<int> commands = {5, 3, 1, 5, 0}; // command lines the camera received ("reset" sends three)
        Seeds seeds;
        for (int i = 0; i < trees.size(); ++i) {
            writeScriptPackage(trees.at(i));
            testsupport::SimEnvironment env(kUbootRig);
            {
                std::shared_ptr<platform::Volume> volume = platform::backend().openVolume(QStringLiteral("\\\\.\\F:"));
                QVERIFY(volume);
                QVERIFY2(runUpgradeScript(volume.get(), FirmwarePackage(testsupport::appDir()), "auto_update.txt")
                             == results.at(i), qPrintable(names.at(i)));
            }
            QCOMPARE(env.rig().camera(QStringLiteral("cam1"))->storage().commandsReceived().size(), commands.at(i));
            seeds.insert(names.at(i), joinScripts(trees.at(i)));
        }
        writeIfAsked(QStringLiteral("upgrade_script"), seeds);
    }

    void packageListings()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool");
        upgradetest::writeAppFile(QStringLiteral("pkg/auto_update.txt"), "estar scripts/flash.txt\n");
        upgradetest::writeAppFile(QStringLiteral("pkg/scripts/flash.txt"), "tftp 0x21000000 kernel\n");
        upgradetest::writeAppFile(QStringLiteral("pkg/kernel"), upgradetest::pattern(5000));
        upgradetest::writeAppFile(QStringLiteral("pkg/model.dat"), "Orvia Vista Pro");
        const QString pkg = upgradetest::appFile(QStringLiteral("pkg"));
        const QString archive = upgradetest::appFile(QStringLiteral("package.zip"));
        upgradetest::zipEntries(pkg, archive, {"auto_update.txt", "scripts", "kernel", "model.dat"});
        QProcess tool;
        tool.start(Zip7z::toolPath(), {QStringLiteral("l"), QStringLiteral("-slt"), archive});
        QVERIFY(tool.waitForFinished(60000));
        const QByteArray listing = tool.readAllStandardOutput();
        QVERIFY(listing.contains("\nPath = kernel\n"));
        QVERIFY(listing.contains("\nSize = 5000\n"));
        QString error;
        QVERIFY2(Zip7z::checkListing(QString::fromLocal8Bit(listing), &error), qPrintable(error));

        QByteArray escape = listing;
        escape.replace("Path = kernel\n", "Path = ../kernel\n");
        QVERIFY(!Zip7z::checkListing(QString::fromLocal8Bit(escape), &error));
        QCOMPARE(error, QStringLiteral("The package contains a path that leaves its folder: ../kernel"));
        QByteArray huge = listing;
        huge.replace("Size = 5000\n", "Size = 1073741825\n");
        QVERIFY(!Zip7z::checkListing(QString::fromLocal8Bit(huge), &error));
        QCOMPARE(error, QStringLiteral("The package unpacks to more than 1073741824 bytes."));
        writeIfAsked(QStringLiteral("package_listing"), {{"zip", listing}, {"escape", escape}, {"huge", huge}});
    }

    void packageModels()
    {
        // The first byte: 1 for "miservice.ubifs", 0 for "model.dat".
        QByteArray vista = upgradetest::pattern(2000);
        vista.replace(1000, 15, "Orvia Vista Pro");
        QByteArray lns = upgradetest::pattern(1500, 2);
        lns.replace(700, 10, "LNS612-000");
        const Seeds seeds = {{"miservice-vista", '\x01' + vista},
                             {"model-lns612", '\x00' + lns},
                             {"model-arbor", QByteArray("\x00" "ARBOR_150A\n", 12)},
                             {"entries", QByteArray("\x01" "auto_update.txt\nkernel\nextra.bin\n", 34)}};
        const QMap<QString, int> models = {{"miservice-vista", 0}, {"model-lns612", 7}, {"model-arbor", 15}};
        for (auto it = seeds.begin(); it != seeds.end(); ++it) {
            upgradetest::clearAppDir();
            const bool miservice = it.value().at(0) == '\x01';
            upgradetest::writeAppFile(miservice ? QStringLiteral("miservice.ubifs") : QStringLiteral("model.dat"),
                                      it.value().mid(1));
            int model = -1;
            QCOMPARE(readPackageModel(testsupport::appDir(), model), models.contains(it.key()));
            if (models.contains(it.key()))
                QCOMPARE(model, models.value(it.key()));
        }
        upgradetest::writeAppFile(packageManifestName(), seeds.value("entries").mid(1));
        QCOMPARE(readPackageManifest(testsupport::appDir()), QStringList({"auto_update.txt", "kernel", "extra.bin"}));
        writeIfAsked(QStringLiteral("package_model"), seeds);
    }

    void uvcDescriptors()
    {
        const QByteArray camera = platformtest::cameraDescriptors();
        int unit = -1;
        QVERIFY(platform::LinuxUvcDescriptors::findUnit(camera, 0, platformtest::kVendorUnit, &unit));
        QCOMPARE(unit, 6);
        QCOMPARE(platform::LinuxUvcDescriptors::extensionUnits(camera).size(), 3);
        const QByteArray single = platformtest::descriptor({0x04, 0x00, 0x00, 0x01, 0x0E, 0x01, 0x00, 0x00})
                                  + platformtest::extensionUnit(4, platformtest::kVendorUnit);
        QVERIFY(platform::LinuxUvcDescriptors::findUnit(single, 0, platformtest::kVendorUnit, &unit));
        QCOMPARE(unit, 4);
        writeIfAsked(QStringLiteral("uvc_descriptors"),
                     {{"camera", camera}, {"single-unit", single}, {"cut", camera.left(100)}});
    }

    void sysfsFields()
    {
        // idVendor, idProduct, bInterfaceNumber, name, index, product, serial and a device
        // path, as the Linux backend's tests lay out their camera.
        const QList<QByteArray> fields = {"3749\n", "030a\n", "00\n", "Conference Camera\n", "0\n",
                                          "Conference Camera Pro\n", "PTZ0042\n",
                                          "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.4/1-1.4:1.0/video4linux/video0"};
        QList<QByteArray> webcam = fields;
        webcam[0] = "046D\n";
        webcam[2] = "02\n";
        webcam[5] = "";
        webcam[6] = "";
        webcam[7] = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-3/2-3:1.2/video4linux/video10";
        upgradetest::writeAppFile(QStringLiteral("idVendor"), fields.at(0));
        quint16 vendor = 0;
        QVERIFY(platform::LinuxSysfs::readHexAttribute(upgradetest::appFile(QStringLiteral("idVendor")), &vendor));
        QCOMPARE(vendor, quint16(0x3749));
        QString port;
        int interfaceNumber = -1;
        QVERIFY(platform::LinuxDevicePath::usbInterfaceFromDevpath(QString::fromUtf8(webcam.at(7)), &port, &interfaceNumber));
        QCOMPARE(port, QStringLiteral("2-3"));
        QCOMPARE(interfaceNumber, 2);
        const QByteArray nul(1, '\0');
        writeIfAsked(QStringLiteral("sysfs"), {{"camera", fields.join(nul)}, {"webcam", webcam.join(nul)}});
    }

    void passThroughBuffers()
    {
        // The transport's own requests on the rig: INQUIRY, a command line, a download
        // header, a data block and a status read; the outcome bytes follow each.
        writeScriptPackage({"setenv a 1\ntftp 0x21000000 u-boot.bin\n"});
        testsupport::SimEnvironment env(kUbootRig);
        auto recording = std::make_shared<RecordingVolume>(platform::backend().openVolume(QStringLiteral("\\\\.\\F:")));
        std::uint8_t inquiry[36] = {};
        QVERIFY(inquireDevice(recording.get(), inquiry));
        QCOMPARE(runUpgradeScript(recording.get(), FirmwarePackage(testsupport::appDir()), "auto_update.txt"), 0);
        QVERIFY(recording->requests.size() >= 5);
        Seeds seeds;
        const QByteArray good("\x00\x00\x00\x00", 4);
        const QByteArray checkCondition("\x02\x10\x12\x00", 4);
        for (const QByteArray &request : recording->requests) {
            const std::uint8_t *cdb = reinterpret_cast<const std::uint8_t *>(request.constData()) + 28;
            const QString name = cdb[0] == 0x12 ? QStringLiteral("inquiry") : QStringLiteral("vendor-%1").arg(cdb[1]);
            if (seeds.contains(name))
                continue;
            // Both platforms take every buffer the transport lays out.
            QByteArray copy = request;
            sg_io_hdr sg;
            QVERIFY2(platform::LinuxScsiPassThrough::prepare(reinterpret_cast<std::uint8_t *>(copy.data()),
                                                            std::uint32_t(copy.size()), &sg), qPrintable(name + QLatin1Char(' ') + QString::fromLatin1(request.left(48).toHex())));
            std::vector<std::uint8_t> native;
            QVERIFY(platform::WindowsScsiPassThrough::toNative(reinterpret_cast<const std::uint8_t *>(request.constData()),
                                                               std::uint32_t(request.size()), &native));
            seeds.insert(name, request + (cdb[0] == 0x12 ? checkCondition : good));
        }
        QCOMPARE(QStringList(seeds.keys()).join(QLatin1Char(' ')), QStringLiteral("inquiry vendor-1 vendor-2 vendor-4 vendor-5 vendor-6"));
        seeds.insert(QStringLiteral("test-inquiry"),
                     fromBytes(platformtest::passThrough(1, 36, {0x12, 0, 0, 0, 0x24, 0})) + good);
        writeIfAsked(QStringLiteral("scsi_passthrough"), seeds);
    }

    void rigFiles()
    {
        const QByteArray events(R"({"cameras": [ { "key": "cam1", "restartDelayMs": 1500 } ],
  "events": [ { "atMs": 5000, "command": "unplug cam1" }, { "atMs": 8000, "command": "restart cam1 200" } ] })");
        const QByteArray volumes(R"({"cameras": [ { "key": "cam1", "mode": "rom", "driveLetter": "G" } ],
  "volumes": [ { "key": "stick", "driveLetter": "E" } ] })");
        const QByteArray faults(R"({"cameras": [ { "key": "cam1", "mode": "uboot", "upgradeEntryDelayMs": -1,
  "faults": { "storage.unacknowledgedCommands": 2, "storage.slowTransferMs": 300, "xu.vanish": [16, "0x7F"],
              "prop.get.video.2": "0x8007001F" },
  "properties": { "zoom": { "min": 100, "max": 500, "value": 100 }, "focus": false },
  "features": { "hdr": 1 }, "versionOpcodes": [11],
  "stream": { "width": 1280, "height": 720, "fps": 30, "modes": [ { "width": 1920, "height": 1080, "fps": 30 } ] } } ] })");
        QByteArray state;
        {
            testsupport::SimEnvironment env;
            env.rig().command(QStringLiteral("unplug cam1"), nullptr);
            state = env.rig().stateJson();
        }
        const Seeds seeds = {{"default", sim::SimRig::defaultRigJson()}, {"uboot", kUbootRig}, {"events", events},
                             {"volumes", volumes}, {"faults", faults}, {"saved-state", state}};
        const QMap<QString, int> cameras = {{"default", 1}, {"uboot", 1}, {"events", 1},
                                            {"volumes", 1}, {"faults", 1}, {"saved-state", 1}};
        for (auto it = seeds.begin(); it != seeds.end(); ++it) {
            QString error;
            const auto rig = sim::SimRig::fromJson(it.value(), &error);
            QVERIFY2(rig, qPrintable(it.key() + QLatin1String(": ") + error));
            QCOMPARE(rig->cameras().size(), cameras.value(it.key()));
        }
        QVERIFY(state.contains("\"plugged\": false"));
        writeIfAsked(QStringLiteral("rig_file"), seeds);
    }

    void presetFiles()
    {
        QSettings settings(testsupport::appDir() + QStringLiteral("/product.ini"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("/product_model/main"), 2);
        settings.sync();
        testsupport::SimEnvironment env;
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CtlCommand command(outStream, errStream, false);
        const QString saved = upgradetest::appFile(QStringLiteral("saved.json"));
        QCOMPARE(command.run({"preset", "save", "2"}), 0);
        QCOMPARE(command.run({"save", saved}), 0);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray save = file.readAll();
        const QByteArray small(R"({"format": "lensdesk-preset", "version": 1,
  "camera": { "name": "Orvia Vista Pro Cam", "model": 0, "firmware": "1.0.22" },
  "settings": { "zoom": 250, "pan": 4, "tilt": -3, "focus-auto": "off", "focus": 300, "hdr": "on",
                "anti-flicker": "60hz", "field-of-view": "78", "tracking-mode": "off" },
  "presets": { "1": { "pan": 4, "tilt": -3, "zoom": 250, "focus": 300 } } })");
        for (const QByteArray &seed : {save, small}) {
            upgradetest::writeAppFile(QStringLiteral("seed.json"), seed);
            Preset preset;
            QString error;
            QVERIFY2(preset.readFile(upgradetest::appFile(QStringLiteral("seed.json")), &error), qPrintable(error));
            QVERIFY(preset.settings().contains(QStringLiteral("zoom")));
            QCOMPARE(preset.positions().keys().size(), 1);
        }
        writeIfAsked(QStringLiteral("preset"), {{"saved", save}, {"readme", small}});
    }

    void ctlArguments()
    {
        const QList<QStringList> lines = {
            {"list", "--json"},
            {"get", "--camera", "2"},
            {"set", "--camera", "Room 4", "zoom=250", "hdr=on"},
            {"save", "--camera=1", "room.json"},
            {"preset", "recall", "2", "--camera", "name:2020", "--verbose"},
            {"upgrade", "firmware.zip", "--all"},
            {"recover", "firmware.zip", "--help"},
        };
        Seeds seeds;
        for (const QStringList &line : lines) {
            CtlArguments arguments;
            QString error;
            QVERIFY2(arguments.parseArguments(line, &error), qPrintable(error));
            QCOMPARE(arguments.command, line.first());
            seeds.insert(line.first(), joinArguments(line));
        }
        writeIfAsked(QStringLiteral("ctl_arguments"), seeds);
    }

    // VISCA messages as controllers send them: over UDP with the VISCA-over-IP header
    // (first byte even) and as a plain TCP stream in chunks (first byte odd).
    void viscaMessages()
    {
        const QList<QByteArray> messages = {
            QByteArray::fromHex("8101060118140301ff"),           // pan-tilt drive left-up
            QByteArray::fromHex("81010602181400000f0f0000000fff"), // absolute position
            QByteArray::fromHex("8101044702000000ff"),           // zoom direct 0x2000
            QByteArray::fromHex("8101043f0203ff"),               // memory recall 3
            QByteArray::fromHex("81090447ff"),                   // zoom position inquiry
            QByteArray::fromHex("883001ff"),                       // address set
        };
        Seeds seeds;
        quint32 sequence = 1;
        for (const QByteArray &message : messages) {
            const ViscaPacket packet = ViscaPacket::parse(message);
            QVERIFY2(packet.isValid(), message.toHex().constData());
            const quint16 type = quint8(message.at(1)) == 0x09 ? ViscaPacket::Inquiry : ViscaPacket::Command;
            const QByteArray datagram = ViscaPacket::datagram(type, sequence++, message);
            QVERIFY(ViscaPacket::parseDatagram(datagram).isValid());
            seeds.insert(QStringLiteral("udp-%1").arg(seeds.size()), QByteArray(1, '\0') + datagram);
        }
        // The control message that resets the sequence number.
        seeds.insert(QStringLiteral("udp-reset"),
                     QByteArray(1, '\0') + ViscaPacket::datagram(ViscaPacket::Control, 0, QByteArray(1, char(0x01))));
        // A TCP stream of all the messages, three bytes at a time.
        seeds.insert(QStringLiteral("tcp-stream"), QByteArray(1, char(0x05)) + messages.join());
        writeIfAsked(QStringLiteral("visca"), seeds);
    }

    void devicePathsAndBroadcasts()
    {
        // The paths the rig raises for a camera with all its interfaces, and a volume's.
        testsupport::SimEnvironment env(R"({"cameras": [ { "key": "cam1" }, { "key": "cam2", "mode": "uboot",
            "instance": "7&5a5a5a5a&0" } ]})");
        QList<platform::DeviceChange> changes = env.rig().raisedEvents();
        QCOMPARE(changes.size(), 7);
        Seeds paths;
        Seeds broadcasts;
        const QString camera = env.rig().camera(QStringLiteral("cam1"))->devicePath();
        QCOMPARE(camera, QStringLiteral("\\\\?\\usb#vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000#"
                                        "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"));
        quint32 vendor = 0;
        quint32 product = 0;
        QVERIFY(parseVidPid(camera, vendor, product));
        QCOMPARE(vendor, 0x3749u);
        QCOMPARE(product, 0x030Au);
        for (int i = 0; i < changes.size(); ++i) {
            const QString name = QStringLiteral("rig-%1").arg(i);
            paths.insert(name, changes.at(i).name.toUtf8());
            const QByteArray guid = changes.at(i).classGuid.toRfc4122();
            // The GUID's first three fields are little-endian in memory.
            platformtest::Bytes guidBytes(16);
            platformtest::putLe32(guidBytes.data(), changes.at(i).classGuid.data1);
            qToLittleEndian<quint16>(changes.at(i).classGuid.data2, guidBytes.data() + 4);
            qToLittleEndian<quint16>(changes.at(i).classGuid.data3, guidBytes.data() + 6);
            std::copy(guid.begin() + 8, guid.end(), guidBytes.begin() + 8);
            const QByteArray broadcast = fromBytes(platformtest::interfaceBroadcast(guidBytes, changes.at(i).name));
            platform::DeviceChange decoded;
            QVERIFY(platform::WindowsDeviceBroadcast::decode(platform::kDbtDeviceArrival, broadcast.constData(), &decoded));
            QCOMPARE(decoded.name, changes.at(i).name);
            QCOMPARE(decoded.classGuid, changes.at(i).classGuid);
            broadcasts.insert(name, QByteArray(1, '\0') + broadcast);
        }
        QCOMPARE(devicechange::classifyDeviceChange(changes.at(1)).kind, devicechange::Verdict::Camera);
        const QString linuxPath = platform::LinuxDevicePath::interfacePath(
            0x3749, 0x030a, 0, QStringLiteral("1-1.4"), platform::kCaptureInterfaceClass);
        QCOMPARE(linuxPath, QStringLiteral("\\\\?\\usb#vid_3749&pid_030a&mi_00#1&1.4&0&0000#"
                                           "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"));
        paths.insert(QStringLiteral("linux"), linuxPath.toUtf8());
        paths.insert(QStringLiteral("upper-case"), camera.toUpper().toUtf8());
        broadcasts.insert(QStringLiteral("removal-upper-case"),
                          QByteArray(1, '\x01')
                              + fromBytes(platformtest::interfaceBroadcast(platformtest::kCaptureClassBytes, camera.toUpper())));
        broadcasts.insert(QStringLiteral("filter"),
                          QByteArray(1, '\0') + platform::WindowsDeviceBroadcast::registrationFilter(platform::kCaptureInterfaceClass));
        writeIfAsked(QStringLiteral("device_path"), paths);
        writeIfAsked(QStringLiteral("device_broadcast"), broadcasts);
    }

    // Last: the checked-in corpus has a folder for each target, small enough to keep.
    void checkedInCorpusIsSmall()
    {
        const QString root = QStringLiteral(LENSDESK_SOURCE_DIR "/fuzz/corpus");
        qint64 total = 0;
        for (const QString &target : m_seeds.keys()) {
            const QStringList files = QDir(root + QLatin1Char('/') + target).entryList(QDir::Files);
            QVERIFY2(!files.isEmpty(), qPrintable(target));
        }
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            total += it.fileInfo().size();
        }
        QVERIFY(total > 0);
        QVERIFY2(total < 1024 * 1024, qPrintable(QString::number(total)));
    }
};

LENSDESK_TEST_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
