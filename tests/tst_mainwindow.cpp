#include "TestSupport.h"
#include "WindowTestSupport.h"

#include "core/AppPaths.h"
#include "catalogue/Catalogue.h"
#include "platform/DeviceChange.h"
#include "platform/VirtualClock.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimDeviceNotifier.h"
#include "platform/sim/SimStreamServer.h"
#include "platform/sim/SimUvcCamera.h"
#include "ui/DeviceProfile.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>

#include <memory>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace windowtest;

namespace {

// Sets or clears a folder's immutable flag: nothing, not even root, creates a file in
// it while it is set.
void setImmutable(const QString &dir, bool immutable)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    ::close(fd);
}

// Makes a folder one this process cannot write to (or writable again): its mode, and for a
// process the mode does not stop (root), the file system's immutable flag. True when the
// folder is as asked.
bool setFolderReadOnly(const QString &dir, bool readOnly)
{
    const QFile::Permissions read = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser;
    if (!readOnly)
        setImmutable(dir, false);
    QFile::setPermissions(dir, readOnly ? read : read | QFile::WriteOwner | QFile::WriteUser);
    if (readOnly && QFileInfo(dir).isWritable())
        setImmutable(dir, true);
    return QFileInfo(dir).isWritable() != readOnly;
}

} // namespace


class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startsWithTheDefaultRigAndShowsItsCamera()
    {
        QJsonObject properties{{QStringLiteral("brightness"), QJsonObject{{QStringLiteral("value"), 42}}},
                               {QStringLiteral("contrast"), QJsonObject{{QStringLiteral("value"), 61}}},
                               {QStringLiteral("hue"), QJsonObject{{QStringLiteral("value"), 7}}},
                               {QStringLiteral("saturation"), QJsonObject{{QStringLiteral("value"), 99}}},
                               {QStringLiteral("sharpness"), QJsonObject{{QStringLiteral("value"), 12}}},
                               {QStringLiteral("zoom"), QJsonObject{{QStringLiteral("value"), 250}}}};
        QJsonObject features{{QStringLiteral("antiFlicker"), 2}, {QStringLiteral("hdr"), 1},
                             {QStringLiteral("mic"), 0}, {QStringLiteral("hdMode"), 1}};
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                                  {{QStringLiteral("firmware"), QStringLiteral("1.2.3")},
                                   {QStringLiteral("properties"), properties},
                                   {QStringLiteral("features"), features}})}));
        MainWindow *w = f.window.get();

        QCOMPARE(f.list()->count(), 1);
        QCOMPARE(f.list()->item(0)->text(), kCameraName);
        QCOMPARE(f.itemPath(0), f.cam("cam1")->id());
        QVERIFY(w->isCameraOpen());
        QCOMPARE(w->currentCameraModel(), 0);

        // Header and support page.
        QCOMPARE(f.child<QLabel>("labelDevice")->text(), kCameraName);
        QCOMPARE(f.child<QLabel>("labelState")->text(), QStringLiteral("CONNECTED"));
        QCOMPARE(f.child<QLabel>("labelState")->styleSheet(), QStringLiteral("color: #42a5f5;"));
        QCOMPARE(f.child<QLabel>("labelDevModel")->text(), kCameraName);
        QCOMPARE(f.child<QLabel>("labelDevVer")->text(), QStringLiteral("V1.2.3"));

        // Controls enabled and filled from the camera.
        for (const char *name : {"sliderBrightness", "sliderZoom", "comboBoxTrackMode", "btnHD",
                                 "btnUpgrade", "btnRestoreDefaults", "btnDefaultColor"})
            QVERIFY2(f.child<QWidget>(name)->isEnabled(), name);
        QCOMPARE(f.child<QSlider>("sliderBrightness")->value(), 42);
        QCOMPARE(f.child<QLabel>("labelBrightnessValue")->text(), QStringLiteral("42"));
        QCOMPARE(f.child<QSlider>("sliderContract")->value(), 61);
        QCOMPARE(f.child<QSlider>("sliderHue")->value(), 7);
        QCOMPARE(f.child<QSlider>("sliderSaturation")->value(), 99);
        QCOMPARE(f.child<QSlider>("sliderSharpness")->value(), 12);
        QCOMPARE(f.child<QSlider>("sliderZoom")->value(), 250);
        QCOMPARE(f.child<QComboBox>("comboBoxAntiFlicker")->currentIndex(), 1);
        QVERIFY(f.child<QPushButton>("btnHDR")->isChecked());
        QVERIFY(!f.child<QPushButton>("btnMute")->isChecked());
        QVERIFY(f.child<QPushButton>("btnHD")->isChecked());
        QCOMPARE(f.child<QComboBox>("comboBoxTrackMode")->currentText(), QStringLiteral("Off"));
        QVERIFY(!f.hidden("widgetTrackOff"));
        QVERIFY(!f.hidden("widgetAngle"));

        // The manufacturer-2 model-0 profile.
        QVERIFY(!f.hidden("widgetHD"));
        QVERIFY(!f.hidden("widgetAutoAE"));
        QVERIFY(f.hidden("widgetMirror"));
        QVERIFY(f.hidden("widgetGestureControl"));

        // The live picture, scaled into the 16:9 area beside the columns.
        QCOMPARE(w->previewSize(), QSize(750, 421));
        QLabel *preview = f.child<QLabel>("labPreview");
        QCOMPARE(preview->size(), QSize(750, 421));
        QVERIFY(w->isPreviewRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!picture(preview).isNull(), 15000);
        // 1920x1080 kept in shape would be 748x421: two pixels short, so the picture
        // fills the label, which then paints only the picture (no background under it).
        QCOMPARE(picture(preview).size(), QSize(750, 421));
        QVERIFY(preview->testAttribute(Qt::WA_OpaquePaintEvent));
        QVERIFY(f.hidden("labPreview_up"));
        QVERIFY(f.hidden("labelCamera"));
    }

    void windowTakesTheScreenUnder1000Wide()
    {
        // The offscreen test screen is 800x600: narrower than 1000 logical pixels.
        testsupport::SimEnvironment env(rigJson({}));
        writeProductLine(2);
        MainWindow w;
        QCOMPARE(w.minimumSize(), QSize(800, 600));
        QCOMPARE(w.size(), QSize(800, 600));
        w.show();
        resizeFrame(&w, QSize(1920, 1080));
        QCOMPARE(w.previewSize(), QSize(1134, 637));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("labPreview"))->size(), QSize(1134, 637));
    }

    void plugAndUnplug()
    {
        QJsonObject later = camera(QStringLiteral("cam2"), QStringLiteral("7&3b2c1d0e&0"),
                                   {{QStringLiteral("plugged"), false},
                                    {QStringLiteral("friendlyName"), QStringLiteral("Orvia Vista Pro Cam 2")}});
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0")), later}));
        MainWindow *w = f.window.get();
        QCOMPARE(w->currentDevicePath(), f.cam("cam1")->id());

        // A new camera goes to the top and is opened.
        f.env.rig().plug(f.cam("cam2"));
        QTRY_COMPARE(f.list()->count(), 2);
        QCOMPARE(f.itemPath(0), f.cam("cam2")->id());
        QCOMPARE(f.itemPath(1), f.cam("cam1")->id());
        QCOMPARE(w->currentDevicePath(), f.cam("cam2")->id());
        QVERIFY(w->isCameraOpen());
        QCOMPARE(f.child<QLabel>("labelDevice")->text(), QStringLiteral("Orvia Vista Pro Cam 2"));

        // Removing the open camera shows it as disconnected, then opens the next one.
        QStringList headerAtDisconnect;
        connect(w, &MainWindow::onCameraState, this, [&](int state, const QString &) {
            if (state != 1)
                return;
            headerAtDisconnect << f.child<QLabel>("labelState")->text()
                               << f.child<QLabel>("labelState")->styleSheet()
                               << f.child<QLabel>("labelDevModel")->text()
                               << f.child<QLabel>("labelDevVer")->text();
        });
        QSignalSpy states(w, &MainWindow::onCameraState);
        f.env.rig().unplug(f.cam("cam2"));
        QTRY_COMPARE(f.list()->count(), 1);
        QCOMPARE(headerAtDisconnect, (QStringList{QStringLiteral("DISCONNECTED"),
                                                  QStringLiteral("color: #f2813b;"), QString(), QString()}));
        QCOMPARE(states.first().at(0).toInt(), 1);
        QCOMPARE(states.last().at(0).toInt(), 0);
        QCOMPARE(w->currentDevicePath(), f.cam("cam1")->id());
        QVERIFY(w->isCameraOpen());

        // With none left, the controls stay disabled.
        f.env.rig().unplug(f.cam("cam1"));
        QTRY_COMPARE(f.list()->count(), 0);
        QVERIFY(!w->isCameraOpen());
        QVERIFY(!w->hasPreviewWorker());
        QCOMPARE(f.child<QLabel>("labelState")->text(), QStringLiteral("DISCONNECTED"));
        QCOMPARE(f.child<QLabel>("labelState")->styleSheet(), QStringLiteral("color: #f2813b;"));
        QVERIFY(f.child<QLabel>("labelDevVer")->text().isEmpty());
        for (const char *name : {"sliderBrightness", "sliderZoom", "comboBoxTrackMode", "btnHD", "btnUpgrade"})
            QVERIFY2(!f.child<QWidget>(name)->isEnabled(), name);
        QCOMPARE(f.child<QComboBox>("comboBoxTrackMode")->count(), 0);
    }

    void unplugAnotherCameraReloadsTheList()
    {
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0")),
                           camera(QStringLiteral("cam2"), QStringLiteral("7&3b2c1d0e&0"))}));
        MainWindow *w = f.window.get();
        // Both were new at start: the later one in enumeration order is on top.
        QCOMPARE(f.itemPath(0), f.cam("cam2")->id());
        QCOMPARE(w->currentDevicePath(), f.cam("cam2")->id());

        QSignalSpy states(w, &MainWindow::onCameraState);
        f.env.rig().unplug(f.cam("cam1"));
        QTRY_COMPARE(f.list()->count(), 1);
        QCOMPARE(f.itemPath(0), f.cam("cam2")->id());
        QCOMPARE(w->currentDevicePath(), f.cam("cam2")->id());
        QVERIFY(w->isCameraOpen());
        // Re-opened, never shown as disconnected.
        QCOMPARE(states.count(), 1);
        QCOMPARE(states.first().at(0).toInt(), 0);
    }

    void deviceChangeFilter_data()
    {
        QTest::addColumn<platform::DeviceChange>("change");
        QTest::addColumn<bool>("handled");
        QTest::addColumn<bool>("plug");

        const QString path = capturePath(0x3749, 0x030A);
        const auto change = [](std::uint32_t event, const QString &name,
                               const QUuid &interfaceClass = platform::kCaptureInterfaceClass,
                               std::uint32_t type = platform::kDbtDevtypDeviceInterface) {
            platform::DeviceChange c;
            c.event = event;
            c.deviceType = type;
            c.classGuid = interfaceClass;
            c.name = name;
            return c;
        };
        const std::uint32_t in = platform::kDbtDeviceArrival;
        const std::uint32_t out = platform::kDbtDeviceRemoveComplete;
        QTest::newRow("arrival") << change(in, path) << true << true;
        QTest::newRow("removal") << change(out, path) << true << false;
        QTest::newRow("upper-case path") << change(in, path.toUpper()) << true << true;
        QTest::newRow("other interface instance") << change(in, capturePath(0x3749, 0x030A, QStringLiteral("0002")))
                                                  << false << false;
        QTest::newRow("usb device class") << change(in, path, platform::kUsbDeviceInterfaceClass) << false << false;
        QTest::newRow("disk class") << change(in, path, platform::kDiskInterfaceClass) << false << false;
        QTest::newRow("hid class") << change(in, path, platform::kHidInterfaceClass) << false << false;
        QTest::newRow("network class") << change(in, path, platform::kNetInterfaceClass) << false << false;
        QTest::newRow("other vendor") << change(in, capturePath(0x1D6B, 0x030A)) << false << false;
        QTest::newRow("other product") << change(in, capturePath(0x3749, 0x0310)) << false << false;
        QTest::newRow("three parts") << change(in, QStringLiteral("\\\\?\\usb#vid_3749&pid_030a&mi_00#x"))
                                     << false << false;
        QTest::newRow("query-remove event") << change(0x8001, path) << false << false;
        QTest::newRow("volume broadcast") << change(in, path, platform::kCaptureInterfaceClass, 2) << false << false;
    }

    void deviceChangeFilter()
    {
        QFETCH(platform::DeviceChange, change);
        QFETCH(bool, handled);
        QFETCH(bool, plug);
        testsupport::SimEnvironment env(rigJson({}));
        writeProductLine(2);
        MainWindow w;
        // Only the signal is of interest here: nothing is listed on this rig anyway.
        QSignalSpy plugged(&w, &MainWindow::onCameraPlugged);
        QCOMPARE(w.handleDeviceChange(change), handled);
        QCOMPARE(plugged.count(), handled ? 1 : 0);
        if (handled) {
            QCOMPARE(plugged.first().at(0).toBool(), plug);
            QCOMPARE(plugged.first().at(1).toString(), change.name.toLower());
        }
    }

    void deviceChangeFilterLogs_data()
    {
        QTest::addColumn<platform::DeviceChange>("change");
        QTest::addColumn<QStringList>("logged");

        const auto change = [](std::uint32_t event, const QString &name,
                               const QUuid &interfaceClass = platform::kCaptureInterfaceClass) {
            platform::DeviceChange c;
            c.event = event;
            c.deviceType = platform::kDbtDevtypDeviceInterface;
            c.classGuid = interfaceClass;
            c.name = name;
            return c;
        };
        const std::uint32_t in = platform::kDbtDeviceArrival;
        const std::uint32_t out = platform::kDbtDeviceRemoveComplete;
        const QString path = capturePath(0x3749, 0x030A);
        const QString in_ = QStringLiteral("devicePath in");
        const QString out_ = QStringLiteral("devicePath out");
        const QString logicError = QStringLiteral("camera logic error");
        using L = QStringList;
        QTest::newRow("arrival") << change(in, path) << L{in_, QStringLiteral("usb camera in")};
        QTest::newRow("removal") << change(out, path) << L{out_, QStringLiteral("usb camera out")};
        QTest::newRow("other interface instance: no log")
            << change(in, capturePath(0x3749, 0x030A, QStringLiteral("0002"))) << L{in_};
        QTest::newRow("other vendor") << change(out, capturePath(0x1D6B, 0x030A))
                                      << L{out_, QStringLiteral("vid no support")};
        QTest::newRow("other product: no log") << change(in, capturePath(0x3749, 0x0310)) << L{in_};
        QTest::newRow("three parts")
            << change(in, QStringLiteral("\\\\?\\usb#vid_3749&pid_030a&mi_00#x")) << L{in_, logicError};
        QTest::newRow("three pieces in the instance part")
            << change(in, QStringLiteral("\\\\?\\usb#vid_3749&pid_030a&mi_00#7&1a2b3c4d&0000#{65e8773d-8f56-"
                                         "11d0-a3b9-00a0c9223196}\\global"))
            << L{in_, logicError};
        QTest::newRow("another class: silent") << change(in, path, platform::kDiskInterfaceClass) << L{};
    }

    void deviceChangeFilterLogs()
    {
        QFETCH(platform::DeviceChange, change);
        QFETCH(QStringList, logged);
        testsupport::SimEnvironment env(rigJson({}));
        writeProductLine(2);
        MainWindow w;
        LogCapture log;
        w.handleDeviceChange(change);
        const QStringList fixed{QStringLiteral("camera logic error"), QStringLiteral("vid no support"),
                                QStringLiteral("usb camera in"), QStringLiteral("usb camera out")};
        QStringList seen;
        for (const QString &line : qAsConst(g_log)) {
            if (fixed.contains(line))
                seen << line;
            else if (line.startsWith(QStringLiteral("devicePath in ")))
                seen << QStringLiteral("devicePath in");
            else if (line.startsWith(QStringLiteral("devicePath out ")))
                seen << QStringLiteral("devicePath out");
        }
        QCOMPARE(seen, logged);
    }

    void removingTheOpenCameraResetsItFirst()
    {
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"))}));
        MainWindow *w = f.window.get();
        QVERIFY(w->isCameraOpen());
        LogCapture log;
        f.env.rig().unplug(f.cam("cam1"));
        QTRY_COMPARE(f.list()->count(), 0);
        const int select = log.indexOf(QStringLiteral("select device plug"));
        const int reset = log.indexOf(QStringLiteral("plug out reset param"));
        const int reload = log.indexOf(QStringLiteral("reADD DEIVCE"));
        QVERIFY(select >= 0);
        QVERIFY(reset > select);
        QVERIFY(reload > reset);
        QVERIFY(w->currentDevicePath().isEmpty());
        QVERIFY(w->currentCameraName().isEmpty());
        QVERIFY(!w->isCameraOpen());
        QVERIFY(f.hidden("labelIcon"));
        QVERIFY(f.child<QLabel>("labelDevice")->text().isEmpty());
        for (const char *box : {"comboBoxAntiFlicker", "comboBoxTrackMode", "comboBoxTrackEffect",
                                "comboBoxTrackSpeend"})
            QVERIFY2(f.child<QComboBox>(box)->count() == 0, box);
    }

    void connectionStatesOtherThanDisconnected()
    {
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                                  {{QStringLiteral("firmware"), QStringLiteral("1.2.3")}})}));
        MainWindow *w = f.window.get();
        QLabel *state = f.child<QLabel>("labelState");

        // A state without a label: orange and empty, but the camera and its header stay.
        emit w->onCameraState(2, QStringLiteral("Another name"));
        QCOMPARE(f.child<QLabel>("labelDevice")->text(), QStringLiteral("Another name"));
        QVERIFY(state->text().isEmpty());
        QCOMPARE(state->styleSheet(), QStringLiteral("color: #f2813b;"));
        QCOMPARE(f.child<QLabel>("labelDevModel")->text(), kCameraName);
        QCOMPARE(f.child<QLabel>("labelDevVer")->text(), QStringLiteral("V1.2.3"));
        QVERIFY(!f.hidden("labelIcon"));
        QVERIFY(w->isCameraOpen());

        emit w->onCameraState(1, kCameraName);
        QCOMPARE(state->text(), QStringLiteral("DISCONNECTED"));
        QVERIFY(f.hidden("labelIcon"));
        QVERIFY(f.child<QLabel>("labelDevice")->text().isEmpty());
        QVERIFY(!w->isCameraOpen());

        emit w->onCameraState(0, kCameraName);
        QCOMPARE(state->text(), QStringLiteral("CONNECTED"));
        QCOMPARE(state->styleSheet(), QStringLiteral("color: #42a5f5;"));
        QCOMPARE(f.child<QLabel>("labelDevice")->text(), kCameraName);
        QVERIFY(!f.hidden("labelIcon"));
    }

    void rebuildingPutsNewCamerasFirst()
    {
        Fixture f(rigJson({}));
        MainWindow *w = f.window.get();
        const auto entry = [](int index, const QString &instance, quint32 vendorId = 0x3749) {
            CameraEntry e;
            e.index = index;
            e.id = QStringLiteral("vid_%1&pid_030a&mi_00#%2&0&0000")
                       .arg(vendorId, 4, 16, QLatin1Char('0'))
                       .arg(instance);
            e.name = instance;
            e.monikerName = instance;
            return e;
        };
        const auto listed = [&f] {
            QStringList names;
            for (int row = 0; row < f.list()->count(); ++row)
                names << f.list()->item(row)->text();
            return names;
        };
        const auto rebuild = [&](const QList<CameraEntry> &entries) {
            const bool added = w->rebuildCameraList(entries);
            w->clearCameraItems();
            w->fillCameraItems();
            return added;
        };

        QVERIFY(rebuild({entry(0, QStringLiteral("7&a")), entry(1, QStringLiteral("7&b"))}));
        QCOMPARE(listed(), (QStringList{QStringLiteral("7&b"), QStringLiteral("7&a")}));

        // Listed ones keep their enumeration order at the end; the last new one is on top;
        // another vendor's camera is not listed.
        QVERIFY(rebuild({entry(0, QStringLiteral("7&a")), entry(1, QStringLiteral("7&c")),
                         entry(2, QStringLiteral("7&b")), entry(3, QStringLiteral("7&d")),
                         entry(4, QStringLiteral("7&e"), 0x1D6B)}));
        QCOMPARE(listed(), (QStringList{QStringLiteral("7&d"), QStringLiteral("7&c"), QStringLiteral("7&a"),
                                        QStringLiteral("7&b")}));
        QCOMPARE(f.list()->item(0)->data(Qt::UserRole).toInt(), 3);

        QVERIFY(!rebuild({entry(0, QStringLiteral("7&b")), entry(1, QStringLiteral("7&a"))}));
        QCOMPARE(listed(), (QStringList{QStringLiteral("7&b"), QStringLiteral("7&a")}));
    }

    void rigEventsReachTheFilterOncePerCamera()
    {
        // The rig raises the camera's other interfaces and classes too, in upper case.
        QJsonObject upper = camera(QStringLiteral("cam2"), QStringLiteral("7&3b2c1d0e&0"),
                                   {{QStringLiteral("plugged"), false},
                                    {QStringLiteral("upperCaseEventPaths"), true}});
        Fixture f(rigJson({upper}));
        QVERIFY(!f.window->isCameraOpen());
        QSignalSpy plugged(f.window.get(), &MainWindow::onCameraPlugged);
        f.env.rig().plug(f.cam("cam2"));
        QTRY_VERIFY(f.window->isCameraOpen());
        QCoreApplication::processEvents();
        QCOMPARE(plugged.count(), 1);
        QVERIFY(plugged.first().at(0).toBool());
        QCOMPARE(plugged.first().at(1).toString(), plugged.first().at(1).toString().toLower());
        QVERIFY(plugged.first().at(1).toString().contains(f.cam("cam2")->id(), Qt::CaseInsensitive));
    }

    void registersFiveClassesInOrder()
    {
        Fixture f(rigJson({}));
        auto *notifier = static_cast<sim::SimDeviceNotifier *>(f.env.backend().deviceNotifier());
        QCOMPARE(notifier->registeredClasses(),
                 (QList<QUuid>{platform::kCaptureInterfaceClass, platform::kUsbDeviceInterfaceClass,
                               platform::kDiskInterfaceClass, platform::kHidInterfaceClass,
                               platform::kNetInterfaceClass}));
    }

    void refusedRegistrationStopsTheRest()
    {
        testsupport::SimEnvironment env(rigJson({}));
        writeProductLine(2);
        auto *notifier = static_cast<sim::SimDeviceNotifier *>(env.backend().deviceNotifier());
        notifier->failRegistrationAt(2);
        QTest::ignoreMessage(QtWarningMsg, "register device event failt!");
        MainWindow w;
        QCOMPARE(notifier->registeredClasses(),
                 (QList<QUuid>{platform::kCaptureInterfaceClass, platform::kUsbDeviceInterfaceClass}));
    }

    void manufacturerDecidesWhatIsListed_data()
    {
        QTest::addColumn<int>("productLine");
        QTest::addColumn<int>("listed");
        QTest::newRow("manufacturer 2 (0x3749)") << 2 << 1;
        QTest::newRow("no settings file (0x1D6B)") << -1 << 1;
        QTest::newRow("manufacturer 1 (0x343B)") << 1 << 0;
        QTest::newRow("unknown manufacturer 7") << 7 << 0;
    }

    void manufacturerDecidesWhatIsListed()
    {
        QFETCH(int, productLine);
        QFETCH(int, listed);
        // One camera of each vendor with the supported product.
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0")),
                           camera(QStringLiteral("cam2"), QStringLiteral("7&3b2c1d0e&0"),
                                  {{QStringLiteral("vendorId"), QStringLiteral("0x1D6B")},
                                   {QStringLiteral("friendlyName"), QStringLiteral("LNS611-000")}})}),
                  productLine);
        QCOMPARE(f.list()->count(), listed);
        QCOMPARE(f.window->isCameraOpen(), listed > 0);
        // Nothing supported: the option lists are emptied and the controls stay off.
        if (listed == 0) {
            for (const char *box : {"comboBoxAntiFlicker", "comboBoxTrackMode", "comboBoxTrackEffect",
                                    "comboBoxTrackSpeend"})
                QVERIFY2(f.child<QComboBox>(box)->count() == 0, box);
            QVERIFY(!f.child<QWidget>("sliderBrightness")->isEnabled());
        }
    }

    void statusPollOnlyForModelsThatQualify_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("gestureAnswers");
        QTest::addColumn<bool>("poll");
        QTest::newRow("model 0") << kCameraName << true << true;
        QTest::newRow("model 0 without gesture answer") << kCameraName << false << false;
        QTest::newRow("model 7") << QStringLiteral("LNS612-000") << true << true;
        QTest::newRow("model 7 without gesture answer") << QStringLiteral("LNS612-000") << false << false;
        QTest::newRow("model 5 without gesture answer") << QStringLiteral("LNS410A-000") << false << true;
        QTest::newRow("model 6") << QStringLiteral("LNS611-000") << true << false;
        QTest::newRow("model 13") << QStringLiteral("ARBOR 220") << true << false;
    }

    void statusPollOnlyForModelsThatQualify()
    {
        QFETCH(QString, name);
        QFETCH(bool, gestureAnswers);
        QFETCH(bool, poll);
        QJsonObject config{{QStringLiteral("friendlyName"), name}};
        if (!gestureAnswers)
            config.insert(QStringLiteral("faults"), QJsonObject{{QStringLiteral("xu.opcode.0x99"),
                                                                 QStringLiteral("0x8007001F")}});
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"), config)}));
        QVERIFY(f.window->isCameraOpen());
        QCOMPARE(f.window->isStatusPollActive(), poll);
        // The poll ends with the camera.
        f.window->closeCamera();
        QVERIFY(!f.window->isStatusPollActive());
    }

    void statusRefreshEveryThreeSeconds()
    {
        const QJsonObject stream{{QStringLiteral("width"), 320}, {QStringLiteral("height"), 240}};
        testsupport::SimEnvironment env(
            rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                            QJsonObject{{QStringLiteral("stream"), stream}})}));
        platform::VirtualClock &clock = env.clock();
        clock.setHeldTimers(true);
        const auto release = qScopeGuard([&clock] { clock.setHeldTimers(false); });
        writeProductLine(2);
        MainWindow w;
        w.show();
        QVERIFY(w.isStatusPollActive());
        QCOMPARE(clock.repeatingIntervals(), QList<int>{3000});
        // When it comes, the refresh asks the camera for its features again.
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        cam->uvc().clearHistory();
        QVERIFY(clock.advanceToNextTimer(3000));
        QCoreApplication::processEvents();
        QVERIFY(!cam->uvc().xuMessages().isEmpty());
        w.closeCamera();
        QVERIFY(clock.repeatingIntervals().isEmpty());
    }

    void trackingModeDecidesTheRows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("effect");
        QTest::addColumn<QString>("shownMode");
        QTest::addColumn<bool>("pad");
        QTest::addColumn<bool>("effectRow");
        QTest::addColumn<bool>("speedRow");

        QTest::newRow("off") << kCameraName << "1.0.22" << 0 << 1 << "Off" << true << false << false;
        QTest::newRow("auto framing, smooth") << kCameraName << "1.0.22" << 1 << 1 << "Auto Framing" << false
                                              << true << true;
        QTest::newRow("auto framing, immediate") << kCameraName << "1.0.22" << 1 << 0 << "Auto Framing"
                                                 << false << true << false;
        QTest::newRow("presenter") << kCameraName << "1.0.22" << 3 << 1 << "Presenter Tracking" << false
                                   << false << false;
        QTest::newRow("model 13 on 1.0.22 reads as off") << "ARBOR 220" << "1.0.22" << 1 << 1 << "Off" << true
                                                          << false << false;
        QTest::newRow("model 13 on 1.0.23") << "ARBOR 220" << "1.0.23" << 1 << 1 << "Auto Framing" << false
                                            << true << true;
    }

    void trackingModeDecidesTheRows()
    {
        QFETCH(QString, name);
        QFETCH(QString, firmware);
        QFETCH(int, mode);
        QFETCH(int, effect);
        QFETCH(QString, shownMode);
        QFETCH(bool, pad);
        QFETCH(bool, effectRow);
        QFETCH(bool, speedRow);
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                                  {{QStringLiteral("friendlyName"), name},
                                   {QStringLiteral("firmware"), firmware},
                                   {QStringLiteral("features"),
                                    QJsonObject{{QStringLiteral("trackingMode"), mode},
                                                {QStringLiteral("trackingEffect"), effect}}}})}));
        QVERIFY(f.window->isCameraOpen());
        QCOMPARE(f.child<QComboBox>("comboBoxTrackMode")->currentText(), shownMode);
        QCOMPARE(!f.hidden("widgetTrackOff"), pad);
        QCOMPARE(!f.hidden("widget_12"), effectRow);
        QCOMPARE(!f.hidden("comboBoxTrackEffect"), effectRow);
        QCOMPARE(!f.hidden("widget_11"), speedRow);
        QCOMPARE(!f.hidden("comboBoxTrackSpeend"), speedRow);
    }

    void fieldOfViewFromTheCamera()
    {
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                                  {{QStringLiteral("features"), QJsonObject{{QStringLiteral("viewAngle"), 2}}}})}));
        QVERIFY(f.child<QToolButton>("btn65")->isChecked());
        QVERIFY(!f.child<QToolButton>("btn90")->isChecked());
        QVERIFY(!f.child<QToolButton>("btn78")->isChecked());
        QCOMPARE(f.cam("cam1")->uvc().feature(QStringLiteral("viewAngle")), 2);
    }

    void profileTable_data()
    {
        QTest::addColumn<int>("productLine");
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<bool>("trackingOff");
        QTest::addColumn<bool>("trackingDisabled");
        QTest::addColumn<bool>("limited");

        const QString arbor = QLatin1String(deviceprofile::kArborPicture);
        const QString arbor50 = QLatin1String(deviceprofile::kArbor50Picture);
        const QString arbor150 = QLatin1String(deviceprofile::kArbor150Picture);
        const QString lns = QLatin1String(deviceprofile::kLns410aPicture);
        const QString HD = QStringLiteral("widgetHD"), AE = QStringLiteral("widgetAutoAE"),
                      Mirror = QStringLiteral("widgetMirror"), Gesture = QStringLiteral("widgetGestureControl"),
                      Angle = QStringLiteral("widgetAngle");
        using L = QStringList;
        QTest::newRow("0/0") << 0 << 0 << arbor << L{HD, AE} << L{Mirror, Gesture} << false << false << false;
        QTest::newRow("0/1") << 0 << 1 << arbor << L{HD} << L{Mirror, AE} << true << true << false;
        QTest::newRow("0/2") << 0 << 2 << arbor << L{} << L{HD, Mirror, AE} << true << false << true;
        QTest::newRow("0/3") << 0 << 3 << arbor << L{} << L{HD, Mirror, AE} << true << false << true;
        QTest::newRow("0/4") << 0 << 4 << arbor << L{HD} << L{Angle, Mirror, AE} << false << false << false;
        QTest::newRow("0/5") << 0 << 5 << lns << L{HD, AE} << L{Mirror, Gesture} << false << false << false;
        QTest::newRow("0/6") << 0 << 6 << arbor << L{HD} << L{Angle, Mirror, AE} << false << false << false;
        QTest::newRow("0/7") << 0 << 7 << arbor << L{HD, Mirror} << L{AE, Gesture} << false << false << false;
        QTest::newRow("0/8") << 0 << 8 << arbor << L{HD, Mirror} << L{AE, Gesture} << false << false << false;
        QTest::newRow("1/10") << 1 << 10 << arbor50 << L{} << L{} << true << false << true;
        QTest::newRow("1/11") << 1 << 11 << arbor50 << L{} << L{} << true << false << true;
        QTest::newRow("1/12") << 1 << 12 << arbor << L{} << L{} << true << false << true;
        QTest::newRow("1/13") << 1 << 13 << arbor << L{} << L{} << true << true << false;
        QTest::newRow("1/14") << 1 << 14 << arbor << L{} << L{} << false << false << false;
        QTest::newRow("1/15") << 1 << 15 << arbor150 << L{} << L{} << false << false << false;
        QTest::newRow("1/16") << 1 << 16 << arbor150 << L{} << L{} << false << false << false;
        QTest::newRow("2/0") << 2 << 0 << arbor << L{HD, AE} << L{Mirror, Gesture} << false << false << false;
        // Combinations without a row change nothing.
        QTest::newRow("0/9") << 0 << 9 << QString() << L{} << L{} << false << false << false;
        QTest::newRow("1/0") << 1 << 0 << QString() << L{} << L{} << false << false << false;
        QTest::newRow("2/5") << 2 << 5 << QString() << L{} << L{} << false << false << false;
    }

    void profileTable()
    {
        QFETCH(int, productLine);
        QFETCH(int, model);
        QFETCH(QString, picture);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        QFETCH(bool, trackingOff);
        QFETCH(bool, trackingDisabled);
        QFETCH(bool, limited);

        Fixture f(rigJson({}), productLine);
        MainWindow *w = f.window.get();
        quint32 vendorId = 0, productId = 0;
        for (const ProductModel &row : productModelTable()) {
            if (row.model == model) {
                vendorId = row.vendorId;
                productId = row.productId;
                break;
            }
        }
        QVERIFY(vendorId != 0);

        // A camera whose controls are live, with every optional row in a known state.
        const QStringList rows{QStringLiteral("widgetHD"), QStringLiteral("widgetAutoAE"),
                               QStringLiteral("widgetMirror"), QStringLiteral("widgetGestureControl"),
                               QStringLiteral("widgetAngle")};
        for (const QString &row : rows)
            w->findChild<QWidget *>(row)->setVisible(!shown.contains(row));
        w->fillOptionBoxes();
        auto *mode = f.child<QComboBox>("comboBoxTrackMode");
        mode->setCurrentIndex(1);
        w->setControlsEnabled(true);
        auto *icon = f.child<QLabel>("labelIcon");
        icon->setStyleSheet(QStringLiteral("QLabel{}"));

        w->applyDeviceProfile(capturePath(vendorId, productId));

        QCOMPARE(icon->styleSheet(), picture.isEmpty() ? QStringLiteral("QLabel{}") : picture);
        for (const QString &row : rows) {
            if (shown.contains(row))
                QVERIFY2(!w->findChild<QWidget *>(row)->isHidden(), qPrintable(row));
            else if (hidden.contains(row))
                QVERIFY2(w->findChild<QWidget *>(row)->isHidden(), qPrintable(row));
            else // untouched: as prepared above
                QVERIFY2(w->findChild<QWidget *>(row)->isHidden() == shown.contains(row), qPrintable(row));
        }
        QCOMPARE(mode->currentIndex(), trackingOff ? 0 : 1);
        if (trackingOff)
            QCOMPARE(mode->currentText(), QStringLiteral("Off"));
        QCOMPARE(mode->isEnabled(), !trackingDisabled && !limited);
        // Limited cameras keep only the microphone, anti-flicker, colour, upgrade and restore.
        QCOMPARE(f.child<QWidget>("btnHDR")->isEnabled(), !limited);
        QCOMPARE(f.child<QWidget>("sliderZoom")->isEnabled(), !limited);
        QCOMPARE(f.child<QWidget>("sliderWhiteBalance")->isEnabled(), !limited);
        for (const char *name : {"btnMute", "comboBoxAntiFlicker", "sliderBrightness", "checkBoxWB",
                                 "btnDefaultColor", "btnUpgrade", "btnRestoreDefaults"})
            QVERIFY2(f.child<QWidget>(name)->isEnabled(), name);
    }

    void reopeningKeepsOneHandlerPerSlider_data()
    {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<bool>("cameraControl");
        QTest::addColumn<int>("id");
        QTest::newRow("brightness") << "sliderBrightness" << false << 0;
        QTest::newRow("contrast") << "sliderContract" << false << 1;
        QTest::newRow("hue") << "sliderHue" << false << 2;
        QTest::newRow("saturation") << "sliderSaturation" << false << 3;
        QTest::newRow("sharpness") << "sliderSharpness" << false << 4;
        QTest::newRow("white balance") << "sliderWhiteBalance" << false << 7;
        QTest::newRow("zoom") << "sliderZoom" << true << 3;
        QTest::newRow("focus") << "sliderFocus" << true << 6;
    }

    void reopeningKeepsOneHandlerPerSlider()
    {
        QFETCH(QString, slider);
        QFETCH(bool, cameraControl);
        QFETCH(int, id);
        // Manual focus and white balance, so that both sliders write values.
        QJsonObject properties{{QStringLiteral("focus"), QJsonObject{{QStringLiteral("auto"), false}}},
                               {QStringLiteral("whiteBalance"), QJsonObject{{QStringLiteral("auto"), false}}}};
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                                  {{QStringLiteral("properties"), properties}})}));
        for (int i = 0; i < 10; ++i)
            f.window->loadCameras();
        QVERIFY(f.window->isCameraOpen());

        auto *s = f.window->findChild<QSlider *>(slider);
        QVERIFY(s && s->isEnabled());
        const QUuid set = cameraControl ? DShowCameraWrapper::kPropSetCameraControl
                                        : DShowCameraWrapper::kPropSetVideoProcAmp;
        f.cam("cam1")->uvc().clearHistory();
        s->setValue(s->value() + 1 <= s->maximum() ? s->value() + 1 : s->value() - 1);
        QCOMPARE(propertySets(f.cam("cam1"), set, id), 1);
    }

    void closingDuringPreviewStopsTheWorkerFirst()
    {
        Fixture f;
        MainWindow *w = f.window.get();
        QLabel *preview = f.child<QLabel>("labPreview");
        QTRY_VERIFY_WITH_TIMEOUT(!picture(preview).isNull(), 15000);

        LogCapture log;
        w->closeCamera();
        const int quit1 = log.indexOf(QStringLiteral("Thread video quit 111."));
        const int quit2 = log.indexOf(QStringLiteral("Thread video quit 222."));
        QVERIFY(quit1 >= 0 && quit2 > quit1);
        QVERIFY(!w->hasPreviewWorker());
        QVERIFY(!w->isPreviewRunning());
        QVERIFY(!w->isCameraOpen());
        QVERIFY(picture(preview).isNull());
        QVERIFY(!f.hidden("labPreview_up"));
        QVERIFY(!f.hidden("labPreview_down"));
        QTRY_VERIFY(!f.cam("cam1")->stream().streaming());
        // The channel is released: nothing reaches the extension unit any more.
        f.cam("cam1")->uvc().clearHistory();
        f.window->findChild<QSlider *>(QStringLiteral("sliderBrightness"))->setValue(3);
        QVERIFY(f.cam("cam1")->uvc().xuMessages().isEmpty());
    }

    void stopAndStartIconsAndALateFrame()
    {
        Fixture f;
        MainWindow *w = f.window.get();
        QLabel *preview = f.child<QLabel>("labPreview");
        QLabel *stop = f.child<QLabel>("labelStop");
        QLabel *start = f.child<QLabel>("labelCamera");
        QTRY_VERIFY_WITH_TIMEOUT(!picture(preview).isNull(), 15000);
        QVERIFY(preview->testAttribute(Qt::WA_OpaquePaintEvent));

        // Hovering the picture offers the stop icon.
        QHoverEvent enter(QEvent::HoverEnter, QPointF(10, 10), QPointF(-1, -1));
        QCoreApplication::sendEvent(preview, &enter);
        QVERIFY(!stop->isHidden());

        QTest::mousePress(stop, Qt::LeftButton);
        QVERIFY(!w->isPreviewRunning());
        QVERIFY(!w->hasPreviewWorker());
        QVERIFY(w->isCameraOpen());
        QVERIFY(stop->isHidden());
        QVERIFY(!start->isHidden());
        QVERIFY(!f.hidden("labPreview_up"));
        // Without a picture the label paints its own background and hints again.
        QVERIFY(!preview->testAttribute(Qt::WA_OpaquePaintEvent));

        // A notice of a picture still on its way when the preview stopped shows nothing.
        QVERIFY(QMetaObject::invokeMethod(w, "slotOnReader"));
        QVERIFY(picture(preview).isNull());
        QVERIFY(!f.hidden("labPreview_down"));

        // The start icon waits a moment, then the preview runs again.
        QTest::mousePress(start, Qt::LeftButton);
        QVERIFY(start->isHidden());
        QVERIFY(!f.hidden("labelloading"));
        QTRY_VERIFY(w->isPreviewRunning());
        QVERIFY(f.hidden("labelloading"));
        QTRY_VERIFY_WITH_TIMEOUT(!picture(preview).isNull(), 15000);
    }

    void switchingByClick()
    {
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0")),
                           camera(QStringLiteral("cam2"), QStringLiteral("7&3b2c1d0e&0"),
                                  {{QStringLiteral("friendlyName"), QStringLiteral("LNS612-000 B")}})}));
        MainWindow *w = f.window.get();
        QCOMPARE(w->currentDevicePath(), f.cam("cam2")->id());
        QListWidget *list = f.list();

        QSignalSpy states(w, &MainWindow::onCameraState);
        emit list->itemClicked(list->item(0)); // the open camera: nothing happens
        QCOMPARE(states.count(), 0);

        emit list->itemClicked(list->item(1));
        QCOMPARE(w->currentDevicePath(), f.cam("cam1")->id());
        QCOMPARE(w->currentCameraModel(), 0);
        QVERIFY(w->isCameraOpen());
        QVERIFY(!f.hidden("labelloading"));
        QTRY_VERIFY(w->isPreviewRunning());
        QCOMPARE(f.child<QLabel>("labelDevice")->text(), kCameraName);
    }

    void closingSavesTheSettings()
    {
        Fixture f;
        f.window->move(40, 30);
        QVERIFY(f.window->close());
        QVERIFY(!f.window->isCameraOpen());
        QVERIFY(!f.window->hasPreviewWorker());
        QVERIFY(!f.window->hasAbnormalWatcher());
        QSettings settings(applicationDir() + QStringLiteral("/product.ini"), QSettings::IniFormat);
        const QRect frame = f.window->frameGeometry();
        QCOMPARE(settings.value(QStringLiteral("/window/left")).toInt(), frame.x());
        QCOMPARE(settings.value(QStringLiteral("/window/top")).toInt(), frame.y());
        QCOMPARE(settings.value(QStringLiteral("/window/width")).toInt(), frame.width());
        QCOMPARE(settings.value(QStringLiteral("/window/height")).toInt(), frame.height());
        QCOMPARE(settings.value(QStringLiteral("/style/index")).toString(), QStringLiteral("0"));
        QCOMPARE(settings.value(QStringLiteral("/product_model/main")).toInt(), 2);
    }

    void aReadOnlyCopyKeepsTheSettingsInTheUsersFolder()
    {
        // A copy of the program in a folder it cannot write to, with its own settings
        // file and no installed layout around it.
        QTemporaryDir copy;
        const QString own = copy.path() + QStringLiteral("/product.ini");
        const QByteArray defaults("[product_model]\nmain=2\n\n[style]\nindex=1\n");
        {
            QFile file(own);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(defaults);
        }
        setApplicationDirOverride(copy.path());
        const auto restore = qScopeGuard([&copy] {
            setFolderReadOnly(copy.path(), false);
            setApplicationDirOverride(testsupport::appDir());
        });
        if (!setFolderReadOnly(copy.path(), true))
            QSKIP("no folder this process cannot write to");
        const QString userFile = testsupport::homeDir() + QStringLiteral("/.config/lensdesk/product.ini");
        QFile::remove(userFile);

        QVERIFY(!isPortableInstall());
        QCOMPARE(userSettingsFilePath(), userFile);
        QCOMPARE(defaultSettingsFilePath(), own);

        QRect frame;
        {
            Fixture f(QByteArray(), -1);
            // Manufacturer 2 from the copy's own file: the rig's camera is listed.
            QVERIFY(f.window->isCameraOpen());
            f.window->move(40, 30);
            QVERIFY(f.window->close());
            frame = f.window->frameGeometry();
        }
        QSettings saved(userFile, QSettings::IniFormat);
        QCOMPARE(saved.value(QStringLiteral("/window/left")).toInt(), frame.x());
        QCOMPARE(saved.value(QStringLiteral("/window/width")).toInt(), frame.width());
        QCOMPARE(saved.value(QStringLiteral("/style/index")).toString(), QStringLiteral("1"));
        QFile file(own);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), defaults);
    }
};

LENSDESK_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
