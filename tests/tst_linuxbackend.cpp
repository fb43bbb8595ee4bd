#include "PlatformTestSupport.h"
#include "TestSupport.h"

#include "camera/KsLayout.h"
#include "platform/DeviceChange.h"
#include "platform/linux/LinuxBackend.h"
#include "platform/linux/LinuxCaptureDevice.h"
#include "platform/linux/LinuxCaptureFilter.h"
#include "platform/linux/LinuxControlMap.h"
#include "platform/linux/LinuxDevicePath.h"
#include "platform/linux/LinuxDeviceNotifier.h"
#include "platform/linux/LinuxKsTopologyInfo.h"
#include "platform/linux/LinuxMediaDevice.h"
#include "platform/linux/LinuxScsiPassThrough.h"
#include "platform/linux/LinuxVolume.h"
#include "platform/ScsiPassThrough.h"
#include "platform/linux/LinuxUvcDescriptors.h"
#include "platform/linux/LinuxXuControl.h"
#include "platform/linux/LinuxSysfs.h"
#include "platform/linux/LinuxVideoDevice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <linux/usb/video.h>
#include <scsi/sg.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>

using namespace platformtest;
using platform::LinuxControlMap;
using platform::LinuxDevicePath;
using platform::LinuxDeviceNotifier;
using platform::LinuxSysfs;
using Properties = QHash<QByteArray, QByteArray>;
using platform::PropertySet;

namespace {

const QString kCaptureClass = QStringLiteral("{65e8773d-8f56-11d0-a3b9-00a0c9223196}");

// A sysfs tree as the kernel lays it out for USB video interfaces: the class directory
// entries point at the node directories under their USB interface.
class FakeSysfs
{
public:
    FakeSysfs() { QVERIFY(m_dir.isValid()); }

    QString root() const { return m_dir.path(); }

    void write(const QString &relative, const QByteArray &content)
    {
        const QString path = root() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void usbDevice(const QString &deviceDir, const QByteArray &vendor, const QByteArray &product,
                   const QByteArray &productName)
    {
        write(deviceDir + QStringLiteral("/idVendor"), vendor + '\n');
        write(deviceDir + QStringLiteral("/idProduct"), product + '\n');
        if (!productName.isEmpty())
            write(deviceDir + QStringLiteral("/product"), productName + '\n');
    }

    // A video node whose device is the given directory (a USB interface or anything else).
    void videoNode(const QString &node, const QString &deviceDir, const QByteArray &name, int index,
                   const QByteArray &interfaceNumber = QByteArray())
    {
        if (!interfaceNumber.isEmpty())
            write(deviceDir + QStringLiteral("/bInterfaceNumber"), interfaceNumber + '\n');
        const QString nodeDir = QStringLiteral("class/video4linux/") + node;
        write(nodeDir + QStringLiteral("/name"), name + '\n');
        write(nodeDir + QStringLiteral("/index"), QByteArray::number(index) + '\n');
        QDir().mkpath(root() + QLatin1Char('/') + deviceDir);
        QVERIFY(QFile::link(root() + QLatin1Char('/') + deviceDir,
                            root() + QLatin1Char('/') + nodeDir + QStringLiteral("/device")));
    }

    // Two cameras (one with a metadata node), a non-USB node, and a node numbered past ten.
    void standardTree()
    {
        const QString hub = QStringLiteral("devices/pci0000:00/0000:00:14.0/usb1/1-1");
        const QString camA = hub + QStringLiteral("/1-1.4");
        usbDevice(camA, "3749", "030a", "Conference Camera Pro");
        videoNode(QStringLiteral("video1"), camA + QStringLiteral("/1-1.4:1.0"), "Conference Camera", 1, "00");
        videoNode(QStringLiteral("video0"), camA + QStringLiteral("/1-1.4:1.0"), "Conference Camera", 0, "00");
        const QString camB = QStringLiteral("devices/pci0000:00/0000:00:14.0/usb2/2-3");
        usbDevice(camB, "046D", "085e", QByteArray());
        videoNode(QStringLiteral("video10"), camB + QStringLiteral("/2-3:1.2"), "Webcam B", 0, "02");
        videoNode(QStringLiteral("video2"), QStringLiteral("devices/platform/vivid.0"), "vivid", 0);
    }

private:
    QTemporaryDir m_dir;
};

v4l2_queryctrl queryOf(std::int32_t minimum, std::int32_t maximum, std::int32_t step, std::int32_t def)
{
    v4l2_queryctrl q;
    std::memset(&q, 0, sizeof q);
    q.minimum = minimum;
    q.maximum = maximum;
    q.step = step;
    q.default_value = def;
    return q;
}


QByteArray nodeHeader(const QUuid &set, std::uint32_t selector, std::uint32_t flags, std::uint32_t node)
{
    QByteArray header(32, '\0');
    auto *p = reinterpret_cast<std::uint8_t *>(header.data());
    kslayout::putGuid(p, set);
    kslayout::putUint32(p + 16, selector);
    kslayout::putUint32(p + 20, flags);
    kslayout::putUint32(p + 24, node);
    return header;
}

namespace spt = platform::spt;

// A pass-through block laid out as the mass-storage transport lays it out.
std::vector<std::uint8_t> passThrough(std::uint8_t cdbLength, std::uint8_t direction, std::uint32_t dataLength,
                                      std::uint32_t timeoutSeconds)
{
    std::vector<std::uint8_t> b(spt::kDataOffset + dataLength, 0);
    spt::putLe16(b.data() + spt::kLength, spt::kHeaderLength);
    b[spt::kTargetId] = 1;
    b[spt::kCdbLength] = cdbLength;
    b[spt::kSenseInfoLength] = spt::kSenseLength;
    b[spt::kDataIn] = direction;
    spt::putLe32(b.data() + spt::kDataTransferLength, dataLength);
    spt::putLe32(b.data() + spt::kTimeOutValue, timeoutSeconds);
    spt::putLe32(b.data() + spt::kDataBufferOffset, spt::kDataOffset);
    spt::putLe32(b.data() + spt::kSenseInfoOffset, spt::kSenseOffset);
    b[spt::kCdb] = 0xE8;
    b[spt::kCdb + 1] = 0x05;
    return b;
}

} // namespace

Q_DECLARE_METATYPE(Properties)

class TestLinuxBackend : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::prepareEnvironment(); }

    // ---- Path synthesis -------------------------------------------------------------------

    void capturePathHasTheWindowsForm()
    {
        const QString path = LinuxDevicePath::interfacePath(0x3749, 0x030a, 0, QStringLiteral("1-1.4"),
                                                            platform::kCaptureInterfaceClass);
        QCOMPARE(path, QStringLiteral("\\\\?\\usb#vid_3749&pid_030a&mi_00#1&1.4&0&0000#") + kCaptureClass
                           + QStringLiteral("\\global"));
    }

    void pathFieldsArePaddedAndLowerCase()
    {
        const QString path = LinuxDevicePath::interfacePath(0x46D, 0xABC, 2, QStringLiteral("3-10.2.1"),
                                                            platform::kDiskInterfaceClass);
        QCOMPARE(path, QStringLiteral("\\\\?\\usb#vid_046d&pid_0abc&mi_02#3&10.2.1&0&0000#"
                                      "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\\global"));
    }

    void instanceDiffersPerPortAndKeepsSeparatorsOut()
    {
        QVERIFY(LinuxDevicePath::instanceFromPort(QStringLiteral("1-1.4"))
                != LinuxDevicePath::instanceFromPort(QStringLiteral("1-1.3")));
        const QString instance = LinuxDevicePath::instanceFromPort(QStringLiteral("1-1#\\:/2"));
        QVERIFY(!instance.contains(QLatin1Char('#')));
        QVERIFY(!instance.contains(QLatin1Char('\\')));
        QVERIFY(!instance.contains(QLatin1Char(':')));
    }

    void pathHasTheShapeTheHotPlugFilterSplits()
    {
        const QString path = LinuxDevicePath::interfacePath(0x3749, 0x030a, 0, QStringLiteral("12-1.2.3"),
                                                            platform::kCaptureInterfaceClass);
        const QStringList parts = path.split(QLatin1Char('#'));
        QCOMPARE(parts.size(), 4);
        const QStringList pieces = parts.at(2).split(QLatin1Char('&'));
        QCOMPARE(pieces.size(), 4);
        QCOMPARE(pieces.at(3), QStringLiteral("0000"));
        QCOMPARE(parts.at(2), QStringLiteral("12&1.2.3&0&0000"));
    }

    void monikerCarriesThePath()
    {
        QCOMPARE(LinuxDevicePath::monikerDisplayName(QStringLiteral("\\\\?\\usb#x")),
                 QStringLiteral("@device:pnp:\\\\?\\usb#x"));
    }

    void devpathSplitsAtTheUsbInterface_data()
    {
        QTest::addColumn<QString>("devpath");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("interfaceNumber");
        QTest::newRow("camera") << QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.4/1-1.4:1.0/video4linux/video0")
                                << true << QStringLiteral("1-1.4") << 0;
        QTest::newRow("interface 2") << QStringLiteral("/devices/pci0000:00/usb3/3-2/3-2:1.2/video4linux/video5")
                                     << true << QStringLiteral("3-2") << 2;
        QTest::newRow("disk") << QStringLiteral("/devices/pci0000:00/usb2/2-1/2-1:1.0/host4/target4:0:0/4:0:0:0/block/sdb")
                              << true << QStringLiteral("2-1") << 0;
        QTest::newRow("not usb") << QStringLiteral("/devices/platform/vivid.0/video4linux/video0") << false
                                 << QString() << -1;
    }

    void devpathSplitsAtTheUsbInterface()
    {
        QFETCH(QString, devpath);
        QFETCH(bool, found);
        QFETCH(QString, port);
        QFETCH(int, interfaceNumber);
        QString gotPort;
        int gotInterface = -1;
        QCOMPARE(LinuxDevicePath::usbInterfaceFromDevpath(devpath, &gotPort, &gotInterface), found);
        QCOMPARE(gotPort, port);
        QCOMPARE(gotInterface, interfaceNumber);
    }

    // ---- Sysfs ----------------------------------------------------------------------------

    void sysfsListsUsbNodesInNumberOrder()
    {
        FakeSysfs fake;
        fake.standardTree();
        fake.write(QStringLiteral("devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.4/serial"), "PTZ0042\n");
        const QList<LinuxSysfs::VideoNode> nodes = LinuxSysfs(fake.root()).videoNodes();
        QCOMPARE(nodes.size(), 3);
        QCOMPARE(nodes.at(0).node, QStringLiteral("video0"));
        QCOMPARE(nodes.at(1).node, QStringLiteral("video1"));
        QCOMPARE(nodes.at(2).node, QStringLiteral("video10"));

        const LinuxSysfs::VideoNode &a = nodes.at(0);
        QCOMPARE(a.number, 0);
        QCOMPARE(a.vendorId, quint16(0x3749));
        QCOMPARE(a.productId, quint16(0x030a));
        QCOMPARE(a.interfaceNumber, 0);
        QCOMPARE(a.portPath, QStringLiteral("1-1.4"));
        QCOMPARE(a.name, QStringLiteral("Conference Camera"));
        QCOMPARE(a.product, QStringLiteral("Conference Camera Pro"));
        QCOMPARE(a.index, 0);
        QCOMPARE(a.serial, QStringLiteral("PTZ0042"));
        QCOMPARE(platform::LinuxCaptureDevice(a, QStringLiteral("/dev/video0")).serialNumber(), QStringLiteral("PTZ0042"));
        QCOMPARE(nodes.at(1).index, 1);

        const LinuxSysfs::VideoNode &b = nodes.at(2);
        QCOMPARE(b.vendorId, quint16(0x046d));
        QCOMPARE(b.interfaceNumber, 2);
        QCOMPARE(b.portPath, QStringLiteral("2-3"));
        QVERIFY(b.product.isEmpty());
        QVERIFY(b.serial.isEmpty());
    }

    void sysfsWithoutVideoClassFindsNothing()
    {
        QTemporaryDir empty;
        QVERIFY(LinuxSysfs(empty.path()).videoNodes().isEmpty());
    }

    void malformedIdentifiersAreRejected()
    {
        FakeSysfs fake;
        fake.usbDevice(QStringLiteral("devices/usb1/1-2"), "zzzz", "0001", "X");
        fake.videoNode(QStringLiteral("video0"), QStringLiteral("devices/usb1/1-2/1-2:1.0"), "X", 0, "00");
        QVERIFY(LinuxSysfs(fake.root()).videoNodes().isEmpty());
        quint16 value = 0;
        fake.write(QStringLiteral("big"), "12345\n");
        QVERIFY(!LinuxSysfs::readHexAttribute(fake.root() + QStringLiteral("/big"), &value));
        QVERIFY(!LinuxSysfs::readHexAttribute(fake.root() + QStringLiteral("/missing"), &value));
    }

    // ---- Capture devices ------------------------------------------------------------------

    void backendListsTheCaptureNodes()
    {
        FakeSysfs fake;
        fake.standardTree();
        // The device files do not exist here, so the first node of each interface counts.
        platform::LinuxBackend backend(fake.root(), fake.root() + QStringLiteral("/dev"));
        QList<std::shared_ptr<platform::CaptureDevice>> devices;
        QCOMPARE(backend.enumerateVideoInputDevices(&devices), platform::kSOk);
        QCOMPARE(devices.size(), 2);

        platform::CaptureDevice &a = *devices.at(0);
        QVERIFY(a.openPropertyBag());
        QString value;
        QVERIFY(a.readProperty(QStringLiteral("DevicePath"), &value));
        const QString pathA = QStringLiteral("\\\\?\\usb#vid_3749&pid_030a&mi_00#1&1.4&0&0000#") + kCaptureClass
            + QStringLiteral("\\global");
        QCOMPARE(value, pathA);
        QVERIFY(a.readProperty(QStringLiteral("FriendlyName"), &value));
        QCOMPARE(value, QStringLiteral("Conference Camera Pro"));
        QVERIFY(a.readProperty(QStringLiteral("Description"), &value));
        QVERIFY(!value.isEmpty());
        QVERIFY(!a.readProperty(QStringLiteral("CLSID"), &value));
        QCOMPARE(a.monikerDisplayName(), QStringLiteral("@device:pnp:") + pathA);
        // No device file: no filter.
        QVERIFY(!a.bindFilter());

        platform::CaptureDevice &b = *devices.at(1);
        QVERIFY(b.readProperty(QStringLiteral("FriendlyName"), &value));
        QCOMPARE(value, QStringLiteral("Webcam B"));
        QVERIFY(b.readProperty(QStringLiteral("DevicePath"), &value));
        QVERIFY(value.startsWith(QStringLiteral("\\\\?\\usb#vid_046d&pid_085e&mi_02#2&3&0&0000#")));
    }

    void captureInputFindsTheNodeByCaptureName()
    {
        FakeSysfs fake;
        fake.standardTree();
        const QString dev = fake.root() + QStringLiteral("/dev");
        platform::LinuxBackend backend(fake.root(), dev);
        QString moniker = QStringLiteral("@device:pnp:\\\\?\\usb#vid_046d&pid_085e&mi_02#2&3&0&0000#") + kCaptureClass
            + QStringLiteral("\\global");
        moniker.replace(QLatin1Char(':'), QLatin1Char('_'));
        const platform::CaptureInput input = backend.captureInput(QStringLiteral("video=") + moniker, {});
        QCOMPARE(input.format, QByteArray("video4linux2"));
        QCOMPARE(input.url, (dev + QStringLiteral("/video10")).toLocal8Bit());
        QVERIFY(input.options.isEmpty());

        QVERIFY(backend.captureInput(QStringLiteral("video=@device_pnp_nothing"), {}).format.isEmpty());
    }

    void emptySystemFindsNothing()
    {
        QTemporaryDir empty;
        platform::LinuxBackend backend(empty.path(), empty.path());
        QList<std::shared_ptr<platform::CaptureDevice>> devices;
        QCOMPARE(backend.enumerateVideoInputDevices(&devices), platform::kSOk);
        QVERIFY(devices.isEmpty());
        QList<std::shared_ptr<platform::MediaDevice>> media;
        int step = 7;
        QCOMPARE(backend.enumerateMediaDevices(&media, &step), platform::kSOk);
        QVERIFY(media.isEmpty());
        QVERIFY(!backend.openVolume(QStringLiteral("\\\\.\\E:")));
        QVERIFY(backend.deviceNotifier());
    }

    // ---- Device changes -------------------------------------------------------------------

    void cameraArrivalBecomesACaptureBroadcast()
    {
        const Properties event{
            {"ACTION", "add"},
            {"SUBSYSTEM", "video4linux"},
            {"DEVPATH", "/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.4/1-1.4:1.0/video4linux/video0"},
            {"ID_VENDOR_ID", "3749"},
            {"ID_MODEL_ID", "030a"},
            {"ID_V4L_CAPABILITIES", ":capture:"}};
        platform::DeviceChange change;
        QVERIFY(LinuxDeviceNotifier::translate(event, &change));
        QCOMPARE(change.event, platform::kDbtDeviceArrival);
        QCOMPARE(change.deviceType, platform::kDbtDevtypDeviceInterface);
        QCOMPARE(change.classGuid, platform::kCaptureInterfaceClass);
        // The same path the enumeration gives the camera.
        QCOMPARE(change.name, LinuxDevicePath::interfacePath(0x3749, 0x030a, 0, QStringLiteral("1-1.4"),
                                                             platform::kCaptureInterfaceClass));
    }

    void removalKeepsThePath()
    {
        const Properties event{{"ACTION", "remove"},
                               {"SUBSYSTEM", "video4linux"},
                               {"DEVPATH", "/devices/pci0000:00/usb2/2-3/2-3:1.2/video4linux/video4"},
                               {"ID_VENDOR_ID", "046d"},
                               {"ID_MODEL_ID", "085E"}};
        platform::DeviceChange change;
        QVERIFY(LinuxDeviceNotifier::translate(event, &change));
        QCOMPARE(change.event, platform::kDbtDeviceRemoveComplete);
        QVERIFY(change.name.startsWith(QStringLiteral("\\\\?\\usb#vid_046d&pid_085e&mi_02#2&3&0&0000#")));
    }

    void diskBecomesADiskBroadcast()
    {
        const Properties event{
            {"ACTION", "add"},
            {"SUBSYSTEM", "block"},
            {"DEVTYPE", "disk"},
            {"DEVPATH", "/devices/pci0000:00/usb2/2-1/2-1:1.0/host4/target4:0:0/4:0:0:0/block/sdb"},
            {"ID_VENDOR_ID", "3749"},
            {"ID_MODEL_ID", "0b00"}};
        platform::DeviceChange change;
        QVERIFY(LinuxDeviceNotifier::translate(event, &change));
        QCOMPARE(change.classGuid, platform::kDiskInterfaceClass);
        QVERIFY(change.name.endsWith(QStringLiteral("#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\\global")));
    }

    void registeringSetsUpOrRefusesCleanly()
    {
        // Whether a netlink socket is allowed here depends on the machine; either way
        // registering twice and dropping the notifier must be safe.
        LinuxDeviceNotifier notifier;
        const bool first = notifier.registerInterfaceClass(platform::kCaptureInterfaceClass);
        QCOMPARE(notifier.registerInterfaceClass(platform::kDiskInterfaceClass), first);
    }

    void otherEventsStandForNothing_data()
    {
        QTest::addColumn<Properties>("event");
        const QByteArray cam = "/devices/pci0000:00/usb1/1-1/1-1:1.0/video4linux/video1";
        QTest::newRow("change") << Properties{{"ACTION", "change"}, {"SUBSYSTEM", "video4linux"}, {"DEVPATH", cam},
                                              {"ID_VENDOR_ID", "3749"}, {"ID_MODEL_ID", "030a"}};
        QTest::newRow("metadata node") << Properties{{"ACTION", "add"}, {"SUBSYSTEM", "video4linux"},
                                                     {"DEVPATH", cam}, {"ID_VENDOR_ID", "3749"},
                                                     {"ID_MODEL_ID", "030a"}, {"ID_V4L_CAPABILITIES", ":"}};
        QTest::newRow("partition") << Properties{{"ACTION", "add"}, {"SUBSYSTEM", "block"}, {"DEVTYPE", "partition"},
                                                 {"DEVPATH", "/devices/usb2/2-1/2-1:1.0/host4/block/sdb/sdb1"},
                                                 {"ID_VENDOR_ID", "3749"}, {"ID_MODEL_ID", "0b00"}};
        QTest::newRow("not usb") << Properties{{"ACTION", "add"}, {"SUBSYSTEM", "video4linux"},
                                               {"DEVPATH", "/devices/platform/vivid.0/video4linux/video0"},
                                               {"ID_VENDOR_ID", "3749"}, {"ID_MODEL_ID", "030a"}};
        QTest::newRow("no identifiers") << Properties{{"ACTION", "add"}, {"SUBSYSTEM", "video4linux"}, {"DEVPATH", cam}};
        QTest::newRow("other subsystem") << Properties{{"ACTION", "add"}, {"SUBSYSTEM", "sound"}, {"DEVPATH", cam},
                                                       {"ID_VENDOR_ID", "3749"}, {"ID_MODEL_ID", "030a"}};
    }

    void otherEventsStandForNothing()
    {
        QFETCH(Properties, event);
        platform::DeviceChange change;
        QVERIFY(!LinuxDeviceNotifier::translate(event, &change));
    }

    // ---- Media devices and the extension unit ---------------------------------------------

    void extensionUnitsAreFoundInTheControlInterfaces()
    {
        const QList<platform::LinuxUvcDescriptors::ExtensionUnit> units =
            platform::LinuxUvcDescriptors::extensionUnits(cameraDescriptors());
        QCOMPARE(units.size(), 3);
        QCOMPARE(units.at(0).unitId, 3);
        QCOMPARE(units.at(1).unitId, 6);
        QCOMPARE(units.at(1).guid, kVendorUnit);
        QCOMPARE(units.at(1).interfaceNumber, 0);
        QCOMPARE(units.at(2).unitId, 9);
        QCOMPARE(units.at(2).interfaceNumber, 2);
        int unit = -1;
        QVERIFY(platform::LinuxUvcDescriptors::findUnit(cameraDescriptors(), 0, kVendorUnit, &unit));
        QCOMPARE(unit, 6);
        QVERIFY(platform::LinuxUvcDescriptors::findUnit(cameraDescriptors(), 2, kVendorUnit, &unit));
        QCOMPARE(unit, 9);
        QVERIFY(!platform::LinuxUvcDescriptors::findUnit(cameraDescriptors(), 1, kVendorUnit, &unit));
    }

    void brokenDescriptorsEndTheWalk()
    {
        QByteArray d = cameraDescriptors();
        QVERIFY(platform::LinuxUvcDescriptors::extensionUnits(d.left(d.size() - 5)).size() == 2);
        d[0] = 0; // a zero length
        QVERIFY(platform::LinuxUvcDescriptors::extensionUnits(d).isEmpty());
        QVERIFY(platform::LinuxUvcDescriptors::extensionUnits(QByteArray()).isEmpty());
    }

    void nodeRequestBecomesAControlQuery()
    {
        std::uint8_t data[8] = {0x8C, 1, 2, 3, 4, 5, 6, 7};
        uvc_xu_control_query query;
        QByteArray header = nodeHeader(kVendorUnit, 1, platform::LinuxXuControl::kTopologySet, 0);
        QCOMPARE(platform::LinuxXuControl::buildQuery(header.constData(), 32, data, 8, 6, 0, &query), platform::kSOk);
        QCOMPARE(int(query.unit), 6);
        QCOMPARE(int(query.selector), 1);
        QCOMPARE(int(query.query), UVC_SET_CUR);
        QCOMPARE(int(query.size), 8);
        QCOMPARE(static_cast<void *>(query.data), static_cast<void *>(data));

        header = nodeHeader(kVendorUnit, 2, platform::LinuxXuControl::kTopologyGet, 0);
        QCOMPARE(platform::LinuxXuControl::buildQuery(header.constData(), 32, data, 8, 6, 0, &query), platform::kSOk);
        QCOMPARE(int(query.selector), 2);
        QCOMPARE(int(query.query), UVC_GET_CUR);
    }

    void foreignNodeRequestsAreRefused()
    {
        std::uint8_t data[8] = {};
        uvc_xu_control_query query;
        const std::uint32_t get = platform::LinuxXuControl::kTopologyGet;
        QByteArray header = nodeHeader(QUuid("{C6E13370-30AC-11D0-A18C-00A0C9118956}"), 1, get, 0);
        QCOMPARE(platform::LinuxXuControl::buildQuery(header.constData(), 32, data, 8, 6, 0, &query),
                 LinuxControlMap::kErrorSetNotFound);
        header = nodeHeader(kVendorUnit, 1, get, 3);
        QCOMPARE(platform::LinuxXuControl::buildQuery(header.constData(), 32, data, 8, 6, 0, &query),
                 LinuxControlMap::kErrorSetNotFound);
        header = nodeHeader(kVendorUnit, 1, 1, 0);
        QCOMPARE(platform::LinuxXuControl::buildQuery(header.constData(), 32, data, 8, 6, 0, &query),
                 platform::kEInvalidArg);
        header = nodeHeader(kVendorUnit, 1, get, 0);
        QCOMPARE(platform::LinuxXuControl::buildQuery(header.constData(), 24, data, 8, 6, 0, &query),
                 platform::kEInvalidArg);
        QCOMPARE(platform::LinuxXuControl::buildQuery(header.constData(), 32, nullptr, 8, 6, 0, &query),
                 platform::kEInvalidArg);
        header = nodeHeader(kVendorUnit, 256, get, 0);
        QCOMPARE(platform::LinuxXuControl::buildQuery(header.constData(), 32, data, 8, 6, 0, &query),
                 platform::kEInvalidArg);
    }

    void mediaDevicesCarryTheCaptureId()
    {
        FakeSysfs fake;
        fake.standardTree();
        platform::LinuxBackend backend(fake.root(), fake.root() + QStringLiteral("/dev"));
        QList<std::shared_ptr<platform::MediaDevice>> media;
        int step = 5;
        QCOMPARE(backend.enumerateMediaDevices(&media, &step), platform::kSOk);
        QCOMPARE(step, -1);
        QCOMPARE(media.size(), 2);
        QString name;
        QString link;
        QCOMPARE(media.at(0)->friendlyName(&name), platform::kSOk);
        QCOMPARE(name, QStringLiteral("Conference Camera Pro"));
        QCOMPARE(media.at(0)->symbolicLink(&link), platform::kSOk);
        QCOMPARE(link, QStringLiteral("\\\\?\\usb#vid_3749&pid_030a&mi_00#1&1.4&0&0000#"
                                      "{e5323777-f976-4f5b-9b55-b94699c46e44}\\global"));

        QList<std::shared_ptr<platform::CaptureDevice>> capture;
        backend.enumerateVideoInputDevices(&capture);
        QString path;
        QVERIFY(capture.at(0)->readProperty(QStringLiteral("DevicePath"), &path));
        const int first = path.indexOf(QLatin1Char('#'));
        const QString id = path.mid(first + 1, path.lastIndexOf(QLatin1Char('#')) - first - 1);
        QVERIFY(link.contains(id));

        // No device file: activation reports the camera gone.
        std::shared_ptr<platform::MediaSource> source;
        QCOMPARE(media.at(0)->activate(&source), platform::kErrorDeviceNotConnected);
        QVERIFY(!source);
    }

    void topologyHoldsTheVendorUnit()
    {
        FakeSysfs fake;
        fake.write(QStringLiteral("descriptors"), cameraDescriptors());
        // A plain file opens but answers no V4L2 call.
        fake.write(QStringLiteral("video0"), QByteArray());
        platform::LinuxMediaDevice device(QStringLiteral("Cam"), QStringLiteral("link"),
                                          fake.root() + QStringLiteral("/video0"),
                                          fake.root() + QStringLiteral("/descriptors"), 0);
        std::shared_ptr<platform::MediaSource> source;
        QCOMPARE(device.activate(&source), platform::kSOk);
        QVERIFY(source);
        QVERIFY(platform::failed(source->createSourceReader()));
        std::shared_ptr<platform::KsTopologyInfo> topology;
        QCOMPARE(source->queryTopology(&topology), platform::kSOk);
        QVERIFY(topology);
        std::uint32_t count = 0;
        QCOMPARE(topology->numNodes(&count), platform::kSOk);
        QCOMPARE(count, 1u);
        QUuid type;
        QCOMPARE(topology->nodeType(0, &type), platform::kSOk);
        QCOMPARE(type, platform::LinuxKsTopologyInfo::kNodeTypeDevSpecific);
        std::shared_ptr<platform::KsNode> node;
        QCOMPARE(topology->createNodeInstance(0, &node), platform::kSOk);
        std::shared_ptr<platform::KsControl> control;
        QCOMPARE(node->queryControl(&control), platform::kSOk);
        QVERIFY(control);
        const QByteArray header = nodeHeader(kVendorUnit, 2, platform::LinuxXuControl::kTopologyGet, 0);
        std::uint8_t data[8] = {};
        std::uint32_t returned = 5;
        // The file refuses the ioctl: an I/O failure, nothing returned.
        QCOMPARE(control->ksProperty(header.constData(), 32, data, 8, &returned), platform::kErrorGenFailure);
        QCOMPARE(returned, 0u);
    }

    void cameraWithoutTheUnitHasNoNode()
    {
        FakeSysfs fake;
        // Cut before the first extension unit.
        fake.write(QStringLiteral("descriptors"), cameraDescriptors().left(80));
        fake.write(QStringLiteral("video0"), QByteArray());
        platform::LinuxMediaDevice device(QStringLiteral("Cam"), QStringLiteral("link"),
                                          fake.root() + QStringLiteral("/video0"),
                                          fake.root() + QStringLiteral("/descriptors"), 0);
        std::shared_ptr<platform::MediaSource> source;
        QCOMPARE(device.activate(&source), platform::kSOk);
        std::shared_ptr<platform::KsTopologyInfo> topology;
        QCOMPARE(source->queryTopology(&topology), platform::kSOk);
        std::uint32_t count = 9;
        QCOMPARE(topology->numNodes(&count), platform::kSOk);
        QCOMPARE(count, 0u);
        std::shared_ptr<platform::KsNode> node;
        QVERIFY(platform::failed(topology->createNodeInstance(0, &node)));
        QVERIFY(!node);
    }

    // ---- Volumes --------------------------------------------------------------------------

    void passThroughBecomesAnSgRequest()
    {
        std::vector<std::uint8_t> b = passThrough(10, spt::kDirectionIn, 512, 15);
        sg_io_hdr request;
        QVERIFY(platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()), &request));
        QCOMPARE(request.interface_id, int('S'));
        QCOMPARE(request.dxfer_direction, SG_DXFER_FROM_DEV);
        QCOMPARE(int(request.cmd_len), 10);
        QCOMPARE(static_cast<void *>(request.cmdp), static_cast<void *>(b.data() + spt::kCdb));
        QCOMPARE(request.dxfer_len, 512u);
        QCOMPARE(request.dxferp, static_cast<void *>(b.data() + spt::kDataOffset));
        QCOMPARE(int(request.mx_sb_len), int(spt::kSenseLength));
        QCOMPARE(static_cast<void *>(request.sbp), static_cast<void *>(b.data() + spt::kSenseOffset));
        QCOMPARE(request.timeout, 15000u);

        b = passThrough(10, spt::kDirectionOut, 64, 1);
        QVERIFY(platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()), &request));
        QCOMPARE(request.dxfer_direction, SG_DXFER_TO_DEV);

        b = passThrough(6, spt::kDirectionUnspecified, 0, 1);
        QVERIFY(platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()), &request));
        QCOMPARE(request.dxfer_direction, SG_DXFER_NONE);
        QCOMPARE(request.dxfer_len, 0u);
        QVERIFY(!request.dxferp);
    }

    void malformedPassThroughIsRefused()
    {
        sg_io_hdr request;
        std::vector<std::uint8_t> b = passThrough(10, spt::kDirectionIn, 512, 15);
        QVERIFY(!platform::LinuxScsiPassThrough::prepare(b.data(), 40, &request));
        QVERIFY(!platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()) - 1, &request));
        b = passThrough(17, spt::kDirectionIn, 8, 1);
        QVERIFY(!platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()), &request));
        b = passThrough(10, spt::kDirectionUnspecified, 8, 1);
        QVERIFY(!platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()), &request));
        b = passThrough(10, spt::kDirectionIn, 8, 1);
        spt::putLe16(b.data() + spt::kLength, 48);
        QVERIFY(!platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()), &request));
        b = passThrough(10, spt::kDirectionIn, 8, 1);
        spt::putLe32(b.data() + spt::kSenseInfoOffset, 80);
        QVERIFY(!platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()), &request));
    }

    void outcomeIsWrittenBackIntoTheHeader()
    {
        std::vector<std::uint8_t> b = passThrough(10, spt::kDirectionIn, 512, 15);
        sg_io_hdr request;
        QVERIFY(platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()), &request));
        request.status = spt::kStatusGood;
        request.resid = 12;
        request.sb_len_wr = 0;
        request.host_status = 0;
        std::uint32_t returned = 0;
        QVERIFY(platform::LinuxScsiPassThrough::delivered(request));
        platform::LinuxScsiPassThrough::complete(request, b.data(), std::uint32_t(b.size()), &returned);
        QCOMPARE(b[spt::kScsiStatus], spt::kStatusGood);
        QCOMPARE(spt::getLe32(b.data() + spt::kDataTransferLength), 500u);
        QCOMPARE(b[spt::kSenseInfoLength], std::uint8_t(0));
        QCOMPARE(returned, spt::kDataOffset + 500);

        b = passThrough(10, spt::kDirectionOut, 64, 15);
        QVERIFY(platform::LinuxScsiPassThrough::prepare(b.data(), std::uint32_t(b.size()), &request));
        request.status = spt::kStatusCheckCondition;
        request.resid = 0;
        request.sb_len_wr = 18;
        platform::LinuxScsiPassThrough::complete(request, b.data(), std::uint32_t(b.size()), &returned);
        QCOMPARE(b[spt::kScsiStatus], spt::kStatusCheckCondition);
        QCOMPARE(b[spt::kSenseInfoLength], std::uint8_t(18));
        QCOMPARE(returned, spt::kSenseOffset + 18);

        request.host_status = 0x01; // no connection
        QVERIFY(!platform::LinuxScsiPassThrough::delivered(request));
    }

    void driveLettersNameTheUsbScsiDevices()
    {
        FakeSysfs fake;
        const QString usb = QStringLiteral("devices/pci0000:00/usb2/2-1/2-1:1.0/host4/target4:0:0/4:0:0:0");
        const QString usb2 = QStringLiteral("devices/pci0000:00/usb2/2-2/2-2:1.0/host5/target5:0:0/5:0:0:0");
        const QString ata = QStringLiteral("devices/pci0000:00/ata1/host0/target0:0:0/0:0:0:0");
        auto sg = [&](const QString &node, const QString &device) {
            QDir().mkpath(fake.root() + QLatin1Char('/') + device);
            QDir().mkpath(fake.root() + QStringLiteral("/class/scsi_generic/") + node);
            QVERIFY(QFile::link(fake.root() + QLatin1Char('/') + device,
                                fake.root() + QStringLiteral("/class/scsi_generic/") + node + QStringLiteral("/device")));
        };
        sg(QStringLiteral("sg0"), ata);
        sg(QStringLiteral("sg11"), usb2);
        sg(QStringLiteral("sg3"), usb);
        QCOMPARE(LinuxSysfs(fake.root()).usbScsiGenericNodes(), (QStringList{QStringLiteral("sg3"), QStringLiteral("sg11")}));

        // The USB device's product string: what a camera in a boot state calls itself.
        fake.write(QStringLiteral("devices/pci0000:00/usb2/2-1/product"), "Orvia Vista Pro Cam\n");
        QCOMPARE(LinuxSysfs(fake.root()).scsiGenericUsbProduct(QStringLiteral("sg3")), QStringLiteral("Orvia Vista Pro Cam"));
        QCOMPARE(LinuxSysfs(fake.root()).scsiGenericUsbProduct(QStringLiteral("sg11")), QString());
        QCOMPARE(LinuxSysfs(fake.root()).scsiGenericUsbProduct(QStringLiteral("sg0")), QString());

        // Plain files stand for the device files: they open but refuse SG_IO.
        fake.write(QStringLiteral("dev/sg3"), QByteArray());
        platform::LinuxBackend backend(fake.root(), fake.root() + QStringLiteral("/dev"));
        const std::shared_ptr<platform::Volume> d = backend.openVolume(QStringLiteral("\\\\.\\D:"));
        QVERIFY(d);
        QCOMPARE(d->usbProduct(), QStringLiteral("Orvia Vista Pro Cam"));
        QVERIFY(!backend.openVolume(QStringLiteral("\\\\.\\E:"))); // sg11 has no device file
        QVERIFY(!backend.openVolume(QStringLiteral("\\\\.\\F:")));
        QVERIFY(!backend.openVolume(QStringLiteral("\\\\.\\C:")));
        QVERIFY(!backend.openVolume(QStringLiteral("D:")));

        std::vector<std::uint8_t> b = passThrough(6, spt::kDirectionIn, 36, 1);
        std::uint32_t returned = 7;
        QVERIFY(!d->deviceIoControl(platform::kIoctlScsiPassThrough, b.data(), spt::kHeaderLength, b.data(),
                                    std::uint32_t(b.size()), &returned));
        QCOMPARE(returned, 0u);
        QVERIFY(!d->deviceIoControl(0x2D1400, b.data(), spt::kHeaderLength, b.data(), std::uint32_t(b.size()),
                                    &returned));
    }

    // ---- Standard properties --------------------------------------------------------------

    void propertyIdsMapOntoControls_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("id");
        QTest::addColumn<uint>("cid");
        QTest::addColumn<uint>("autoCid");
        QTest::addColumn<int>("scale");
        const int cc = int(PropertySet::CameraControl);
        const int vp = int(PropertySet::VideoProcAmp);
        QTest::newRow("pan") << cc << 0 << uint(V4L2_CID_PAN_ABSOLUTE) << 0u << 3600;
        QTest::newRow("tilt") << cc << 1 << uint(V4L2_CID_TILT_ABSOLUTE) << 0u << 3600;
        QTest::newRow("zoom") << cc << 3 << uint(V4L2_CID_ZOOM_ABSOLUTE) << 0u << 1;
        QTest::newRow("focus") << cc << 6 << uint(V4L2_CID_FOCUS_ABSOLUTE) << uint(V4L2_CID_FOCUS_AUTO) << 1;
        QTest::newRow("brightness") << vp << 0 << uint(V4L2_CID_BRIGHTNESS) << 0u << 1;
        QTest::newRow("contrast") << vp << 1 << uint(V4L2_CID_CONTRAST) << 0u << 1;
        QTest::newRow("hue") << vp << 2 << uint(V4L2_CID_HUE) << 0u << 1;
        QTest::newRow("saturation") << vp << 3 << uint(V4L2_CID_SATURATION) << 0u << 1;
        QTest::newRow("sharpness") << vp << 4 << uint(V4L2_CID_SHARPNESS) << 0u << 1;
        QTest::newRow("white balance") << vp << 7 << uint(V4L2_CID_WHITE_BALANCE_TEMPERATURE)
                                       << uint(V4L2_CID_AUTO_WHITE_BALANCE) << 1;
    }

    void propertyIdsMapOntoControls()
    {
        QFETCH(int, set);
        QFETCH(int, id);
        QFETCH(uint, cid);
        QFETCH(uint, autoCid);
        QFETCH(int, scale);
        LinuxControlMap::Control control;
        QVERIFY(LinuxControlMap::control(PropertySet(set), id, &control));
        QCOMPARE(uint(control.id), cid);
        QCOMPARE(uint(control.autoId), autoCid);
        QCOMPARE(control.scale, scale);
    }

    void unknownPropertiesHaveNoControl()
    {
        LinuxControlMap::Control control;
        QVERIFY(!LinuxControlMap::control(PropertySet::CameraControl, 2, &control));
        QVERIFY(!LinuxControlMap::control(PropertySet::CameraControl, 8, &control));
        QVERIFY(!LinuxControlMap::control(PropertySet::VideoProcAmp, 5, &control));
        QVERIFY(!LinuxControlMap::control(PropertySet::VideoProcAmp, -1, &control));
    }

    void panAndTiltTravelInDegrees()
    {
        LinuxControlMap::Control pan;
        QVERIFY(LinuxControlMap::control(PropertySet::CameraControl, 0, &pan));
        QCOMPARE(LinuxControlMap::toPlatform(36000, pan), 10);
        QCOMPARE(LinuxControlMap::toPlatform(-648000, pan), -180);
        QCOMPARE(LinuxControlMap::toPlatform(5400, pan), 2); // 1.5 degrees rounds away from zero
        QCOMPARE(LinuxControlMap::toV4l2(-15, pan), -54000);
        QCOMPARE(LinuxControlMap::toV4l2(1000000, pan), INT32_MAX);
        QCOMPARE(LinuxControlMap::toV4l2(-1000000, pan), INT32_MIN);

        const platform::PropertyRange r = LinuxControlMap::range(queryOf(-648000, 648000, 3600, 0), false, pan);
        QCOMPARE(r.minimum, -180);
        QCOMPARE(r.maximum, 180);
        QCOMPARE(r.step, 1);
        QCOMPARE(r.defaultValue, 0);
        QCOMPARE(r.capsFlags, LinuxControlMap::kFlagManual);
        // A step of one arc-second still moves by a degree.
        QCOMPARE(LinuxControlMap::range(queryOf(-36000, 36000, 1, 0), false, pan).step, 1);
    }

    void otherPropertiesKeepTheirUnits()
    {
        LinuxControlMap::Control wb;
        QVERIFY(LinuxControlMap::control(PropertySet::VideoProcAmp, 7, &wb));
        QCOMPARE(LinuxControlMap::toPlatform(4600, wb), 4600);
        QCOMPARE(LinuxControlMap::toV4l2(6500, wb), 6500);
        const platform::PropertyRange r = LinuxControlMap::range(queryOf(2800, 6500, 100, 4600), true, wb);
        QCOMPARE(r.minimum, 2800);
        QCOMPARE(r.maximum, 6500);
        QCOMPARE(r.step, 100);
        QCOMPARE(r.defaultValue, 4600);
        QCOMPARE(r.capsFlags, LinuxControlMap::kFlagAuto | LinuxControlMap::kFlagManual);
    }

    void flagsFollowTheAutomaticControl()
    {
        QCOMPARE(LinuxControlMap::flags(true, 1), LinuxControlMap::kFlagAuto);
        QCOMPARE(LinuxControlMap::flags(true, 0), LinuxControlMap::kFlagManual);
        QCOMPARE(LinuxControlMap::flags(false, 1), LinuxControlMap::kFlagManual);
    }

    void errnoBecomesThePlatformStatus()
    {
        QCOMPARE(LinuxControlMap::statusFromErrno(ENODEV), platform::kErrorDeviceNotConnected);
        QCOMPARE(LinuxControlMap::statusFromErrno(EIO), platform::kErrorGenFailure);
        QCOMPARE(LinuxControlMap::statusFromErrno(EPROTO), platform::kErrorGenFailure);
        QCOMPARE(LinuxControlMap::statusFromErrno(ERANGE), platform::kEInvalidArg);
        QCOMPARE(LinuxControlMap::statusFromErrno(ENOENT), LinuxControlMap::kErrorNotFound);
        QCOMPARE(LinuxControlMap::statusFromErrno(EACCES), platform::kEAccessDenied);
        QCOMPARE(LinuxControlMap::statusFromErrno(ETIMEDOUT), platform::kErrorSemTimeout);
    }

    void requestsOnAGoneDeviceReportItGone()
    {
        auto device = std::make_shared<platform::LinuxVideoDevice>(QStringLiteral("/nonexistent/video0"));
        QVERIFY(!device->isOpen());
        QVERIFY(!device->isVideoCapture());
        auto filter = std::make_shared<platform::LinuxCaptureFilter>(device);
        QVERIFY(!filter->hasInterface(PropertySet::CameraControl));
        platform::PropertyRange range;
        QCOMPARE(filter->getRange(PropertySet::VideoProcAmp, 0, &range), platform::kErrorDeviceNotConnected);
        std::int32_t value = 0;
        std::int32_t flags = 0;
        QCOMPARE(filter->getValue(PropertySet::CameraControl, 0, &value, &flags),
                 platform::kErrorDeviceNotConnected);
        QCOMPARE(filter->getValue(PropertySet::CameraControl, 2, &value, &flags), LinuxControlMap::kErrorNotFound);

        // Single-value requests: the node always takes them; a read that fails leaves
        // the answer alone, a write keeps its request.
        QVERIFY(filter->hasPropertyInterface());
        value = 77;
        flags = 5;
        QCOMPARE(filter->readValue(PropertySet::VideoProcAmp, 0, 0, 2, &value, &flags),
                 platform::kErrorDeviceNotConnected);
        QCOMPARE(value, 77);
        QCOMPARE(flags, 5);
        QCOMPARE(filter->readValue(PropertySet::CameraControl, 5, 0, 2, &value, &flags),
                 LinuxControlMap::kErrorNotFound);
        QCOMPARE(filter->setValue(PropertySet::CameraControl, 0, 10, 2, &value, &flags),
                 platform::kErrorDeviceNotConnected);
        QCOMPARE(value, 10);
        QCOMPARE(flags, 2);
        QCOMPARE(filter->setValue(PropertySet::VideoProcAmp, 6, 1, 1, nullptr, nullptr),
                 LinuxControlMap::kErrorNotFound);
    }
};

LENSDESK_TEST_MAIN(TestLinuxBackend)
#include "tst_linuxbackend.moc"
