// Scenarios run inside the harness's virtual machine: lensdesk's own classes on the Linux
// backend against uvcvideo, usb-storage, sg and udev, with the emulated camera of
// lensdesk_gadget on dummy_hcd. Every value written is read back from the device
// through the kernel.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "core/AppPaths.h"
#include "camera/CameraPropertyState.h"
#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "platform/Backend.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifier.h"
#include "preview/VideoStreamThread.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/FirmwarePackage.h"
#include "upgrade/UpgradeThread.h"
#include "upgrade/WorkerThreads.h"
#include "ui/MainWindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QListWidget>
#include <QSettings>
#include <QPointer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

const char kCommandFifo[] = "/tmp/lensdesk-gadget.cmd";

// How long a scenario waits for the kernel or the emulated devices before it fails. TCG on
// a busy host runs the guest several times slower than on a quiet one (the VM ran 90 s on
// a quiet two-core machine and 320 s at a load of 8), so the limit is far above what a
// quiet run needs; every wait ends as soon as its condition holds.
constexpr int kDeviceWaitMs = 180000;

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

QList<CameraEntry> cameras()
{
    DShowCameraWrapper dshow;
    QList<CameraEntry> list;
    dshow.listCaptureDevices(list);
    return list;
}

// Sends one command to the emulated devices' rig.
bool rigCommand(const QByteArray &line)
{
    QFile fifo(QString::fromLatin1(kCommandFifo));
    if (!fifo.open(QIODevice::WriteOnly))
        return false;
    return fifo.write(line + '\n') == line.size() + 1;
}

// What the emulated device holds, as its rig reports it.
QStringList deviceReport()
{
    const QString done = QStringLiteral("/tmp/lensdesk-gadget.report.done");
    QFile::remove(done);
    if (!rigCommand("report") || !waitFor([&] { return QFile::exists(done); }, kDeviceWaitMs))
        return {};
    QFile file(done);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The worker's log in the guest's log, in dmesg's time base, to read beside the kernel's
// and the emulators' lines when an upgrade goes wrong.
void echoLog(upgradetest::LogCapture &log)
{
    log.setHook([](const QString &line) {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        std::fprintf(stderr, "[%10.3f] worker: %s\n", double(now.tv_sec) + double(now.tv_nsec) / 1e9,
                     qPrintable(line));
    });
}

// The tags udev gives a device on an "add" event, as `udevadm test` works them out from
// the rules on disk: the system's, and the package's in /run/udev/rules.d unless
// packageRule is false (then a mount namespace hides that folder). Fails the scenario
// (an entry "<udevadm failed>") when udevadm does not run through.
QStringList udevTags(const QString &syspath, bool packageRule)
{
    const QString test = QStringLiteral("exec udevadm test --action=add \"$0\" 2>/dev/null");
    QProcess process;
    if (packageRule)
        process.start(QStringLiteral("sh"), {QStringLiteral("-c"), test, syspath});
    else
        process.start(QStringLiteral("unshare"), {QStringLiteral("--mount"), QStringLiteral("sh"), QStringLiteral("-c"),
                                                  QStringLiteral("mount -t tmpfs none /run/udev/rules.d && ") + test,
                                                  syspath});
    if (!process.waitForFinished(kDeviceWaitMs) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {QStringLiteral("<udevadm failed>")};
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    if (!lines.contains("DEVPATH=" + QFileInfo(syspath).canonicalFilePath().mid(4).toUtf8()))
        return {QStringLiteral("<udevadm failed>")};
    for (const QByteArray &line : lines) {
        // TAGS keeps what earlier events gave (the daemon's, with the rule installed);
        // CURRENT_TAGS is this event's.
        if (line.startsWith("CURRENT_TAGS="))
            return QString::fromUtf8(line.mid(13)).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    }
    return {};
}

QString sysfsText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString text = QString::fromLatin1(file.readAll());
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

// A SCSI generic node and the identity the kernel read from its device's INQUIRY.
struct ScsiNode
{
    QString syspath;
    QString vendor;
    QString model;
};

QList<ScsiNode> scsiGenericNodes()
{
    QList<ScsiNode> nodes;
    const QDir dir(QStringLiteral("/sys/class/scsi_generic"));
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        const QString syspath = dir.filePath(name);
        nodes.append({syspath, sysfsText(syspath + QStringLiteral("/device/vendor")),
                      sysfsText(syspath + QStringLiteral("/device/model"))});
    }
    return nodes;
}

// The node of the device with this identity, once there is one.
ScsiNode waitForScsiNode(const QString &vendor, const QString &model)
{
    ScsiNode found;
    waitFor([&] {
        for (const ScsiNode &node : scsiGenericNodes()) {
            if (node.vendor == vendor && node.model == model) {
                found = node;
                return true;
            }
        }
        return false;
    }, kDeviceWaitMs);
    return found;
}

// An ordinary USB disk on the third dummy_hcd port: the kernel's mass-storage gadget
// with two units backed by files, one answering INQUIRY as the gadget does by default
// ("Linux", "File-Stor Gadget"), one with the camera volume's vendor but a disk's product.
// Its USB identity is a pair of the program's catalogue (1d6b:030a).
class OrdinaryDisk
{
public:
    ~OrdinaryDisk()
    {
        write(QStringLiteral("UDC"), QString());
        QFile::remove(m_dir + QStringLiteral("/configs/c.1/mass_storage.disk"));
        QDir dir;
        for (const char *path : {"/configs/c.1/strings/0x409", "/configs/c.1", "/functions/mass_storage.disk/lun.1",
                                 "/functions/mass_storage.disk", "/strings/0x409", ""})
            dir.rmdir(m_dir + QLatin1String(path));
        QFile::remove(QStringLiteral("/tmp/lensdesk-disk0.img"));
        QFile::remove(QStringLiteral("/tmp/lensdesk-disk1.img"));
    }

    bool plug()
    {
        QDir dir;
        const QString function = QStringLiteral("/functions/mass_storage.disk");
        if (!dir.mkpath(m_dir + QStringLiteral("/strings/0x409")) || !dir.mkpath(m_dir + function)
            || !dir.mkpath(m_dir + QStringLiteral("/configs/c.1/strings/0x409"))
            || !dir.mkpath(m_dir + function + QStringLiteral("/lun.1")))
            return false;
        for (int unit = 0; unit < 2; ++unit) {
            QFile image(QStringLiteral("/tmp/lensdesk-disk%1.img").arg(unit));
            if (!image.open(QIODevice::WriteOnly) || !image.resize(1024 * 1024))
                return false;
        }
        return write(QStringLiteral("idVendor"), QStringLiteral("0x1d6b"))
               && write(QStringLiteral("idProduct"), QStringLiteral("0x030a"))
               && write(QStringLiteral("strings/0x409/manufacturer"), QStringLiteral("lensdesk harness"))
               && write(QStringLiteral("strings/0x409/product"), QStringLiteral("Ordinary disk"))
               && write(QStringLiteral("strings/0x409/serialnumber"), QStringLiteral("disk1"))
               && write(function.mid(1) + QStringLiteral("/lun.0/file"), QStringLiteral("/tmp/lensdesk-disk0.img"))
               && write(function.mid(1) + QStringLiteral("/lun.1/file"), QStringLiteral("/tmp/lensdesk-disk1.img"))
               && write(function.mid(1) + QStringLiteral("/lun.1/inquiry_string"),
                        QStringLiteral("GC      FLASH DISK      1.00"))
               && QFile::link(m_dir + function, m_dir + QStringLiteral("/configs/c.1/mass_storage.disk"))
               && write(QStringLiteral("UDC"), QStringLiteral("dummy_udc.2"));
    }

private:
    bool write(const QString &name, const QString &text)
    {
        QFile file(m_dir + QLatin1Char('/') + name);
        return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8() + '\n') == text.toUtf8().size() + 1;
    }

    const QString m_dir = QStringLiteral("/sys/kernel/config/usb_gadget/lensdesk_disk");
};

QByteArray md5Hex(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
}

const QByteArray kKernel = upgradetest::pattern(100000, 3);
const QByteArray kMiservice = upgradetest::pattern(70000, 4) + "ARBOR 50F" + upgradetest::pattern(100, 5);
const QByteArray kUpdater = upgradetest::pattern(5000, 6);
const QByteArray kBootLoader = upgradetest::pattern(40000, 7);

// A package as extraction leaves it in the application directory.
void writePackage(const QByteArray &version)
{
    upgradetest::clearAppDir();
    upgradetest::writeAppFile(QStringLiteral("auto_update.txt"), "# harness package\r\n"
                                                                 "estar scripts/flash.txt\r\n"
                                                                 "setenv fw_version " + version + "\r\n"
                                                                 "reset\r\n");
    upgradetest::writeAppFile(QStringLiteral("scripts/flash.txt"), "tftp 0x21000000 kernel\n"
                                                                   "nand erase.part kernel\n"
                                                                   "nand write.e 0x21000000 kernel ${filesize}\n"
                                                                   "tftp 21000000 miservice.ubifs\n"
                                                                   "nand write.e 0x21000000 miservice ${filesize}\n");
    upgradetest::writeAppFile(QStringLiteral("kernel"), kKernel);
    upgradetest::writeAppFile(QStringLiteral("miservice.ubifs"), kMiservice);
    upgradetest::writeAppFile(QStringLiteral("usb_updater.bin"), kUpdater);
    upgradetest::writeAppFile(QStringLiteral("u-boot.bin"), kBootLoader);
}

struct Report
{
    bool ok = false;
    int progress = -1;
    QString message;
};

// Runs one upgrade worker on its own thread, wired like the main window's, until it has
// ended; returns its reports.
QList<Report> runUpgrade(int manufacturer, bool cameraOpen, UVCExtensionUnit *unit)
{
    QList<Report> reports;
    QObject window;
    auto *worker = new UpgradeThread(manufacturer, cameraOpen, unit);
    // The package as writePackage unpacked it.
    worker->setPackage(FirmwarePackage(testsupport::appDir()));
    QThread *thread = moveToWorkerThread(worker);
    QObject::connect(worker, &UpgradeThread::onUpgradeReport, &window,
                     [&](bool ok, int progress, const QString &message) { reports.append({ok, progress, message}); });
    QPointer<QThread> alive(thread);
    thread->start();
    waitFor([&] { return alive.isNull(); }, 240000);
    QCoreApplication::processEvents();
    return reports;
}

} // namespace

class tst_kernel : public QObject
{
    Q_OBJECT

private:
    CameraEntry m_camera;

    bool openExtensionUnit(UVCExtensionUnit *xu)
    {
        return xu->InitUvc(m_camera.id, m_camera.name);
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(platform::backend().name(), QStringLiteral("linux"));
        QVERIFY2(waitFor([] { return !cameras().isEmpty(); }, kDeviceWaitMs), "no camera appeared through uvcvideo");
        m_camera = cameras().first();
    }

    // The camera as the capture-device list sees it: the USB product string as its
    // name, and a Windows-form device path made of vendor, product, interface and port.
    void enumeration()
    {
        const QList<CameraEntry> list = cameras();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.first().index, 0);
        QCOMPARE(list.first().name, QStringLiteral("Orvia Vista Pro Cam"));
        QVERIFY2(QRegularExpression(QStringLiteral("^vid_3749&pid_030a&mi_00#\\d+&1&0&0000$"))
                     .match(list.first().id).hasMatch(),
                 qPrintable(list.first().id));
        QVERIFY2(QRegularExpression(QStringLiteral("^@device_pnp_\\\\\\\\\\?\\\\usb#vid_3749&pid_030a&mi_00#\\d+&1&0&0000#"
                                                   "\\{65e8773d-8f56-11d0-a3b9-00a0c9223196\\}\\\\global$"))
                     .match(list.first().monikerName).hasMatch(),
                 qPrintable(list.first().monikerName));
        QCOMPARE(DShowCameraWrapper::idFromDevicePath(list.first().monikerName), list.first().id);
    }

    // Every standard property: the camera's ranges and values as read through V4L2,
    // then each one written and read back.
    void standardProperties()
    {
        DShowCameraWrapper dshow;
        int index = -1;
        QVERIFY(dshow.selectCamera(m_camera.id, m_camera.name, index));
        QCOMPARE(index, 0);
        QVERIFY(dshow.readCameraProperties(0, 0));
        QCOMPARE(dshow.state().pan.minimum, -20);
        QCOMPARE(dshow.state().pan.maximum, 20);
        QCOMPARE(dshow.state().tilt.maximum, 20);
        QCOMPARE(dshow.state().zoom.minimum, 100);
        QCOMPARE(dshow.state().zoom.maximum, 800);
        QCOMPARE(dshow.state().zoom.current, 100);
        QCOMPARE(dshow.state().focus.maximum, 1023);
        QCOMPARE(dshow.state().focus.current, 255);
        QCOMPARE(dshow.state().brightness.current, 50);
        QCOMPARE(dshow.state().contrast.maximum, 100);
        QCOMPARE(dshow.state().hue.maximum, 30);
        QCOMPARE(dshow.state().saturation.current, 63);
        QCOMPARE(dshow.state().sharpness.maximum, 255);
        QCOMPARE(dshow.state().whiteBalance.minimum, 1800);
        QCOMPARE(dshow.state().whiteBalance.maximum, 7500);
        QCOMPARE(dshow.state().whiteBalance.current, 5983);
        QCOMPARE(dshow.state().whiteBalance.flags, 1);

        struct Write
        {
            bool camera;
            int id;
            int value;
            CameraPropertyState::Property *property;
        };
        const Write writes[] = {
            {true, 0, -12, &dshow.state().pan},
            {true, 1, 7, &dshow.state().tilt},
            {true, 3, 400, &dshow.state().zoom},
            {true, 6, 600, &dshow.state().focus},
            {false, 0, 80, &dshow.state().brightness},
            {false, 1, 30, &dshow.state().contrast},
            {false, 2, 21, &dshow.state().hue},
            {false, 3, 100, &dshow.state().saturation},
            {false, 4, 128, &dshow.state().sharpness},
            {false, 7, 4600, &dshow.state().whiteBalance},
        };
        for (const Write &w : writes) {
            const QByteArray what = QByteArray(w.camera ? "camera control " : "image property ")
                                    + QByteArray::number(w.id);
            QVERIFY2(w.camera ? dshow.setCameraCtlValue(w.id, w.value) : dshow.setVideoProcValue(w.id, w.value),
                     what.constData());
            w.property->current = -1000;
            QVERIFY2(w.camera ? dshow.getCameraCtlValue(w.id, 0) : dshow.getVideoProcValue(w.id, 0), what.constData());
            QCOMPARE(w.property->current, w.value);
        }
        // Manual focus and white balance after a manual write; automatic again on request.
        QVERIFY(dshow.readCameraProperties(0, 0));
        QCOMPARE(dshow.state().focus.flags, 2);
        QCOMPARE(dshow.state().whiteBalance.flags, 2);
        QCOMPARE(dshow.state().whiteBalance.current, 4600);
        QVERIFY(dshow.setVideoProcAuto(7));
        QVERIFY(dshow.readCameraProperties(0, 0));
        QCOMPARE(dshow.state().whiteBalance.flags, 1);
        // A value outside the range is refused before it reaches the camera.
        QVERIFY(!dshow.setCameraCtlValue(3, 900));
        QVERIFY(dshow.getCameraCtlValue(3, 0));
        QCOMPARE(dshow.state().zoom.current, 400);
        dshow.releaseCamera();
    }

    // Every vendor command over UVCIOC_CTRL_QUERY, each set read back by its query.
    void vendorCommands()
    {
        UVCExtensionUnit xu;
        QVERIFY(openExtensionUnit(&xu));
        QString version;
        QVERIFY(xu.GetVersion(0x80, version));
        QCOMPARE(version, QStringLiteral("1.0.22"));

        struct Command
        {
            const char *name;
            std::function<bool(UVCExtensionUnit &, int)> set;
            std::function<bool(UVCExtensionUnit &, int &)> get;
            int value;
        };
        const Command commands[] = {
            {"hdr", &UVCExtensionUnit::SetHDR, &UVCExtensionUnit::GetHDR, 1},
            {"antiFlicker", &UVCExtensionUnit::SetAntiFlicker, &UVCExtensionUnit::GetAntiFlicker, 2},
            {"mirror", &UVCExtensionUnit::SetMirror, &UVCExtensionUnit::GetMirror, 1},
            {"viewAngle", &UVCExtensionUnit::SetViewAngle, &UVCExtensionUnit::GetViewAngle, 2},
            {"trackingMode", &UVCExtensionUnit::SetTrackingMode, &UVCExtensionUnit::GetTrackingMode, 3},
            {"trackingEffect", &UVCExtensionUnit::SetTrackingEffect, &UVCExtensionUnit::GetTrackingEffect, 0},
            {"trackingSpeed", &UVCExtensionUnit::SetTrackingSpeed, &UVCExtensionUnit::GetTrackingSpeed, 2},
            {"autoAE", &UVCExtensionUnit::SetAutoAE, &UVCExtensionUnit::GetAutoAE, 1},
            {"gesture", &UVCExtensionUnit::SetGesture, &UVCExtensionUnit::GetGesture, 1},
        };
        for (const Command &c : commands) {
            QVERIFY2(c.set(xu, c.value), c.name);
            int read = -1;
            QVERIFY2(c.get(xu, read), c.name);
            QCOMPARE(read, c.value);
        }
        int state = -1;
        QVERIFY(xu.GetVideoState(state));
        QCOMPARE(state, 0);
        QVERIFY(xu.SetAutoFocus());
        xu.ReleaseUvc();
    }

    // The three commands after which the camera restarts: it leaves uvcvideo, comes back
    // on the same port with the same id, and answers with what was set.
    void restartingCommands()
    {
        struct Step
        {
            const char *name;
            std::function<bool(UVCExtensionUnit &)> send;
        };
        const Step steps[] = {
            {"microphone off", [](UVCExtensionUnit &xu) { return xu.SetMicEnable(0); }},
            {"HD mode off", [](UVCExtensionUnit &xu) { return xu.SetHDMode(0); }},
            {"factory reset", [](UVCExtensionUnit &xu) { return xu.ResetDefaults(); }},
        };
        for (const Step &step : steps) {
            UVCExtensionUnit xu;
            QVERIFY(openExtensionUnit(&xu));
            QVERIFY2(step.send(xu), step.name);
            xu.ReleaseUvc();
            QVERIFY2(waitFor([] { return cameras().isEmpty(); }, kDeviceWaitMs), step.name);
            QVERIFY2(waitFor([] { return cameras().size() == 1; }, kDeviceWaitMs), step.name);
            QCOMPARE(cameras().first().id, m_camera.id);
            QVERIFY(waitFor([&] { return openExtensionUnit(&xu); }, kDeviceWaitMs));
            int mic = -1;
            int hdMode = -1;
            QVERIFY(xu.GetMicEnable(mic));
            QVERIFY(xu.GetHDMode(hdMode));
            if (QByteArray(step.name) == "microphone off") {
                QCOMPARE(mic, 0);
            } else if (QByteArray(step.name) == "HD mode off") {
                QCOMPARE(hdMode, 0);
            } else {
                // The factory values, and what vendorCommands switched on is off again.
                QCOMPARE(mic, 1);
                QCOMPARE(hdMode, 1);
                int hdr = -1;
                int mirror = -1;
                QVERIFY(xu.GetHDR(hdr));
                QVERIFY(xu.GetMirror(mirror));
                QCOMPARE(hdr, 0);
                QCOMPARE(mirror, 0);
            }
        }
    }

    // The preview worker opens /dev/videoN through FFmpeg's video4linux2 input and
    // decodes the camera's MJPEG stream (bulk transfers through uvcvideo).
    void preview()
    {
        auto *thread = new QThread;
        auto *worker = new VideoStreamThread(m_camera.monikerName);
        worker->setPreviewSize(QSize(640, 360));
        worker->moveToThread(thread);
        int pictures = 0;
        QSize size;
        bool finished = false;
        connect(thread, &QThread::started, worker, &VideoStreamThread::start);
        connect(worker, &VideoStreamThread::onReader, this, [&] {
            const QImage picture = worker->takePicture();
            if (!picture.isNull()) {
                ++pictures;
                size = picture.size();
            }
        });
        connect(worker, &VideoStreamThread::workFinished, this, [&] { finished = true; });
        connect(worker, &VideoStreamThread::workFinished, worker, &QObject::deleteLater);
        connect(worker, &QObject::destroyed, thread, &QThread::quit);
        thread->start();
        waitFor([&] { return pictures >= 3; }, kDeviceWaitMs);
        worker->stop();
        // A worker that never opened its input ends without workFinished.
        QPointer<VideoStreamThread> alive(worker);
        const bool stopped = pictures == 0 || waitFor([&] { return finished; }, kDeviceWaitMs);
        if (!finished)
            thread->quit();
        // The worker's end quits the thread through this thread's event loop.
        QVERIFY2(waitFor([&] { return thread->isFinished(); }, kDeviceWaitMs), "the preview thread does not end");
        delete alive.data();
        delete thread;
        QVERIFY2(pictures >= 3, qPrintable(QStringLiteral("%1 pictures").arg(pictures)));
        QVERIFY2(stopped, "the preview worker does not stop");
        QCOMPARE(size, QSize(640, 360));
        // The extension unit still answers after the stream (the emulated camera's video
        // state comes from the rig's own stream, which does not run here: it stays 0).
        UVCExtensionUnit xu;
        QVERIFY(openExtensionUnit(&xu));
        int state = -1;
        QVERIFY(xu.GetVideoState(state));
        QCOMPARE(state, 0);
    }

    // Unplugging and plugging the camera: udev's removal and arrival of the capture
    // interface reach the notifier with the camera's Windows-form path.
    void unplugAndPlug()
    {
        platform::DeviceNotifier *notifier = platform::backend().deviceNotifier();
        const QUuid captureClass(QStringLiteral("{65e8773d-8f56-11d0-a3b9-00a0c9223196}"));
        QVERIFY(notifier->registerInterfaceClass(captureClass));
        QList<platform::DeviceChange> changes;
        QMetaObject::Connection c = connect(notifier, &platform::DeviceNotifier::deviceChanged, this,
                                            [&](const platform::DeviceChange &change) { changes.append(change); });
        auto seen = [&](std::uint32_t event) {
            for (const platform::DeviceChange &change : changes) {
                if (change.event == event && change.classGuid == captureClass
                    && change.name.contains(QLatin1Char('#') + m_camera.id + QLatin1Char('#'), Qt::CaseInsensitive))
                    return true;
            }
            return false;
        };
        QVERIFY(rigCommand("unplug cam1"));
        QVERIFY2(waitFor([] { return cameras().isEmpty(); }, kDeviceWaitMs), "the camera stays listed after unplugging");
        QVERIFY2(waitFor([&] { return seen(0x8004); }, kDeviceWaitMs), "no removal event");
        QVERIFY(rigCommand("plug cam1"));
        QVERIFY2(waitFor([] { return cameras().size() == 1; }, kDeviceWaitMs), "the camera does not come back");
        QVERIFY2(waitFor([&] { return seen(0x8000); }, kDeviceWaitMs), "no arrival event");
        QCOMPARE(cameras().first().id, m_camera.id);
        disconnect(c);
    }

    // The window lists the camera, lets it go when it is unplugged and takes it back
    // when it is plugged in again (udev events through the window's device-change hook).
    void windowFollowsPlugging()
    {
        {
            QSettings settings(applicationDir() + QStringLiteral("/product.ini"), QSettings::IniFormat);
            settings.setValue(QStringLiteral("/product_model/main"), 2);
        }
        auto window = std::make_unique<MainWindow>();
        window->show();
        auto *list = window->findChild<QListWidget *>(QStringLiteral("listWidgetCamera"));
        QVERIFY(list);
        QVERIFY2(waitFor([&] { return list->count() == 1; }, kDeviceWaitMs), "the window does not list the camera");
        QVERIFY(rigCommand("unplug cam1"));
        QVERIFY2(waitFor([&] { return list->count() == 0; }, kDeviceWaitMs), "the window keeps the unplugged camera");
        QVERIFY(rigCommand("plug cam1"));
        QVERIFY2(waitFor([&] { return list->count() == 1; }, kDeviceWaitMs), "the window does not take the camera back");
        QTest::qWait(2000); // the preview starts a second after the camera is opened
        window.reset();
        QVERIFY(waitFor([] { return cameras().size() == 1; }, kDeviceWaitMs));
    }

    // A whole upgrade: the entry over the extension unit, the camera leaving uvcvideo and
    // coming back on usb-storage as its boot loader, the script over SG_IO, and the camera
    // back on uvcvideo with the new version.
    void upgrade()
    {
        QDir::setCurrent(testsupport::appDir());
        writePackage("1.0.23");
        UVCExtensionUnit xu;
        QVERIFY(openExtensionUnit(&xu));
        upgradetest::LogCapture log;
        echoLog(log);
        const QList<Report> reports = runUpgrade(0, true, &xu);
        xu.ReleaseUvc();
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports.first().message, QStringLiteral("Upgrade done."));
        QVERIFY(reports.first().ok);
        QCOMPARE(reports.first().progress, 100);
        QVERIFY(log.contains(QStringLiteral("device state: u-Boot")));
        const QStringList report = deviceReport();
        QVERIFY(report.contains(QStringLiteral("flash kernel ") + QString::fromLatin1(md5Hex(kKernel))));
        QVERIFY(report.contains(QStringLiteral("flash miservice ") + QString::fromLatin1(md5Hex(kMiservice))));
        QVERIFY2(waitFor([] { return cameras().size() == 1; }, kDeviceWaitMs), "the camera does not come back");
        m_camera = cameras().first();
        QVERIFY(waitFor([&] { return openExtensionUnit(&xu); }, kDeviceWaitMs));
        QString version;
        QVERIFY(xu.GetVersion(0x80, version));
        QCOMPARE(version, QStringLiteral("1.0.23"));
        xu.ReleaseUvc();
    }

    // A camera stuck in its boot ROM: found on usb-storage, given the updater and the
    // boot loader, the script played, back as a camera.
    void recoveryFromRom()
    {
        QDir::setCurrent(testsupport::appDir());
        writePackage("1.0.24");
        QVERIFY(rigCommand("rom cam1"));
        QVERIFY2(waitFor([] { return cameras().isEmpty(); }, kDeviceWaitMs), "the camera stays listed in its boot ROM");
        // The volume is searched once by a recovery: wait until usb-storage and sg have it.
        QVERIFY2(waitFor([] {
                     int state = -1;
                     return findUpgradeDevice(0, state) != nullptr && state == Rom;
                 }, kDeviceWaitMs),
                 "no volume in the boot ROM's state");
        upgradetest::LogCapture log;
        echoLog(log);
        const QList<Report> reports = runUpgrade(0, false, nullptr);
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports.first().message, QStringLiteral("Upgrade done."));
        QVERIFY(log.contains(QStringLiteral("device state: ROM")));
        const QStringList report = deviceReport();
        QVERIFY(report.contains(QStringLiteral("updater ") + QString::fromLatin1(md5Hex(kUpdater))));
        QVERIFY2(waitFor([] { return cameras().size() == 1; }, kDeviceWaitMs), "the camera does not come back");
        m_camera = cameras().first();
        UVCExtensionUnit xu;
        QVERIFY(waitFor([&] { return openExtensionUnit(&xu); }, kDeviceWaitMs));
        QString version;
        QVERIFY(xu.GetVersion(0x80, version));
        QCOMPARE(version, QStringLiteral("1.0.24"));
    }
    // The seat's access with the package's udev rule installed beside the system's: the
    // camera's video nodes (the system's rules tag those), the SCSI generic node of its
    // volume in each upgrade state (the package's rule, and only it, tags that), and
    // nothing for an ordinary disk's, even with a catalogue pair as its USB identity or
    // the camera's vendor field in its INQUIRY.
    void seatAccess()
    {
        const QStringList videoNodes = QDir(QStringLiteral("/sys/class/video4linux"))
                                           .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
        QVERIFY(!videoNodes.isEmpty());
        for (const QString &node : videoNodes) {
            const QString syspath = QStringLiteral("/sys/class/video4linux/") + node;
            QVERIFY2(udevTags(syspath, true).contains(QStringLiteral("uaccess")), qPrintable(node));
            QVERIFY2(udevTags(syspath, false).contains(QStringLiteral("uaccess")), qPrintable(node));
        }

        struct State
        {
            const char *command;
            const char *model;
        };
        for (const State &state : {State{"uboot cam1", "UBOOT"}, State{"updater cam1", "UPDATER"}, State{"rom cam1", ""}}) {
            QVERIFY(rigCommand(state.command));
            const ScsiNode volume = waitForScsiNode(QStringLiteral("GC"), QLatin1String(state.model));
            QVERIFY2(!volume.syspath.isEmpty(), state.command);
            const QStringList withRule = udevTags(volume.syspath, true);
            const QStringList withoutRule = udevTags(volume.syspath, false);
            QVERIFY2(withRule.contains(QStringLiteral("uaccess")), qPrintable(withRule.join(QLatin1Char(':'))));
            QVERIFY2(!withoutRule.contains(QStringLiteral("uaccess")) && !withoutRule.contains(QStringLiteral("<udevadm failed>")),
                     qPrintable(withoutRule.join(QLatin1Char(':'))));
        }
        QVERIFY(rigCommand("normal cam1"));
        QVERIFY2(waitFor([] { return cameras().size() == 1; }, kDeviceWaitMs), "the camera does not come back");

        OrdinaryDisk disk;
        QVERIFY(disk.plug());
        const QList<ScsiNode> units = {waitForScsiNode(QStringLiteral("Linux"), QStringLiteral("File-Stor Gadget")),
                                       waitForScsiNode(QStringLiteral("GC"), QStringLiteral("FLASH DISK"))};
        for (const ScsiNode &unit : units) {
            QVERIFY2(!unit.syspath.isEmpty(), "the ordinary disk does not show up");
            const QStringList tags = udevTags(unit.syspath, true);
            QVERIFY2(!tags.contains(QStringLiteral("uaccess")) && !tags.contains(QStringLiteral("<udevadm failed>")),
                     qPrintable(unit.vendor + QLatin1Char(' ') + tags.join(QLatin1Char(':'))));
        }
    }
};

LENSDESK_TEST_MAIN(tst_kernel)
#include "tst_kernel.moc"
