#include "TestSupport.h"

#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "platform/Backend.h"
#include "platform/DeviceChange.h"
#include "platform/UpgradeModeCode.h"
#include "platform/sim/SimBackend.h"
#include "platform/sim/SimControlChannel.h"
#include "platform/sim/SimDeviceNotifier.h"
#include "platform/sim/SimRig.h"
#include "platform/sim/SimUvcCamera.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

#include <atomic>
#include <cstring>
#include <thread>

using platform::HResult;
using sim::SimUvcCamera;

namespace {

QByteArray rigWith(const QString &cameras)
{
    return QStringLiteral("{\"cameras\": [%1]}").arg(cameras).toUtf8();
}

bool hasEvent(const QList<platform::DeviceChange> &events, std::uint32_t code, const QString &path)
{
    for (const platform::DeviceChange &e : events) {
        if (e.event == code && e.classGuid == platform::kCaptureInterfaceClass && e.name == path)
            return true;
    }
    return false;
}

// A request written byte for byte, straight to one node of the first media device.
struct RawNode
{
    std::shared_ptr<platform::KsControl> control;

    explicit RawNode(std::uint32_t node)
    {
        QList<std::shared_ptr<platform::MediaDevice>> devices;
        int step = -1;
        platform::backend().enumerateMediaDevices(&devices, &step);
        std::shared_ptr<platform::MediaSource> source;
        devices.first()->activate(&source);
        std::shared_ptr<platform::KsTopologyInfo> topology;
        source->queryTopology(&topology);
        std::shared_ptr<platform::KsNode> instance;
        topology->createNodeInstance(node, &instance);
        instance->queryControl(&control);
    }

    HResult send(const QUuid &set, std::uint32_t selector, std::uint32_t flags, std::uint32_t nodeId,
                 QByteArray *data)
    {
        std::uint8_t header[32] = {};
        qToLittleEndian<quint32>(set.data1, header);
        qToLittleEndian<quint16>(set.data2, header + 4);
        qToLittleEndian<quint16>(set.data3, header + 6);
        std::memcpy(header + 8, set.data4, 8);
        qToLittleEndian<quint32>(selector, header + 16);
        qToLittleEndian<quint32>(flags, header + 20);
        qToLittleEndian<quint32>(nodeId, header + 24);
        std::uint32_t returned = 0;
        return control->ksProperty(header, 32, data->data(), static_cast<std::uint32_t>(data->size()), &returned);
    }
};

QByteArray message(std::initializer_list<int> values)
{
    QByteArray b(8, '\0');
    int i = 0;
    for (int v : values)
        b[i++] = static_cast<char>(v);
    return b;
}

const HResult kSetNotFound = HResult(0x80070492u);

} // namespace

class TestSimUvcCamera : public QObject
{
    Q_OBJECT
private slots:
    void restartsAfterMicAndHdMode_data()
    {
        QTest::addColumn<QString>("feature");
        QTest::newRow("microphone") << "mic";
        QTest::newRow("HD mode") << "hdMode";
    }

    void restartsAfterMicAndHdMode()
    {
        QFETCH(QString, feature);
        testsupport::SimEnvironment env(rigWith(QStringLiteral("{\"key\":\"cam1\",\"restartDelayMs\":1500}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        env.rig().clearRaisedEvents();
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QCOMPARE(cam->uvc().feature(feature), 1);
        QVERIFY(feature == QLatin1String("mic") ? uvc.SetMicEnable(0) : uvc.SetHDMode(0));

        QVERIFY(!cam->present());
        QVERIFY(hasEvent(env.rig().raisedEvents(), platform::kDbtDeviceRemoveComplete, cam->devicePath()));
        env.rig().clearRaisedEvents();
        env.clock().advance(1499);
        QVERIFY(!cam->present());
        QVERIFY(env.rig().raisedEvents().isEmpty());
        env.clock().advance(1);
        QVERIFY(cam->present());
        QVERIFY(hasEvent(env.rig().raisedEvents(), platform::kDbtDeviceArrival, cam->devicePath()));

        uvc.ReleaseUvc();
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        int value = -1;
        QVERIFY(feature == QLatin1String("mic") ? uvc.GetMicEnable(value) : uvc.GetHDMode(value));
        QCOMPARE(value, 0);
    }

    void factoryResetBringsBackTheFactoryValues()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"cam1\",\"restartDelayMs\":800,\"features\":{\"antiFlicker\":2},"
            "\"properties\":{\"brightness\":{\"value\":55}}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        DShowCameraWrapper dshow;
        int index = -1;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(dshow.selectCamera(cam->id(), cam->friendlyName(), index));
        QVERIFY(uvc.SetHDR(1));
        QVERIFY(uvc.SetAntiFlicker(1));
        QVERIFY(uvc.SetGesture(1));
        QVERIFY(dshow.setVideoProcValue(0, 80));
        QVERIFY(uvc.SetAutoFocus());

        QVERIFY(uvc.ResetDefaults());
        QCOMPARE(cam->uvc().xuMessages().last().data, message({0x7F, 4, 0}));
        QVERIFY(!cam->present());
        env.clock().advance(800);
        QVERIFY(cam->present());
        QCOMPARE(cam->uvc().feature(QStringLiteral("hdr")), 0);
        QCOMPARE(cam->uvc().feature(QStringLiteral("antiFlicker")), 2);
        QCOMPARE(cam->uvc().feature(QStringLiteral("gesture")), 0);
        SimUvcCamera::Property p;
        QVERIFY(cam->uvc().property(platform::PropertySet::VideoProcAmp, 0, &p));
        QCOMPARE(p.value, 55);
        QVERIFY(cam->uvc().property(platform::PropertySet::CameraControl, 6, &p));
        QCOMPARE(p.flags, 2);
        dshow.releaseCamera();
    }

    void autoFocusMessageSwitchesFocusToAutomatic()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        SimUvcCamera::Property focus;
        QVERIFY(cam->uvc().property(platform::PropertySet::CameraControl, 6, &focus));
        QCOMPARE(focus.flags, 2);
        QVERIFY(uvc.SetAutoFocus());
        QVERIFY(cam->uvc().property(platform::PropertySet::CameraControl, 6, &focus));
        QCOMPARE(focus.flags, 1);
    }

    void theUnitAnswersOnlyItsOwnRequests()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        QCOMPARE(cam->uvc().extensionNode(), 2);
        const QUuid xu = UVCExtensionUnit::kPropertySet;
        QByteArray data = message({0x01, 1, 1});

        RawNode other(0);
        QCOMPARE(other.send(xu, 1, 0x10000002u, 0, &data), kSetNotFound);
        RawNode unit(2);
        QCOMPARE(unit.send(QUuid(), 1, 0x10000002u, 2, &data), kSetNotFound);
        QCOMPARE(unit.send(xu, 1, 0x10000002u, 0, &data), kSetNotFound);
        QCOMPARE(unit.send(xu, 1, 0x00000002u, 2, &data), platform::kEInvalidArg);
        QCOMPARE(unit.send(xu, 3, 0x10000002u, 2, &data), HResult(0x80070490u));
        QByteArray shortData(4, '\0');
        QCOMPARE(unit.send(xu, 1, 0x10000002u, 2, &shortData), platform::kEInvalidArg);
        QCOMPARE(cam->uvc().feature(QStringLiteral("hdr")), 0);
        QCOMPARE(unit.send(xu, 1, 0x10000002u, 2, &data), platform::kSOk);
        QCOMPARE(cam->uvc().feature(QStringLiteral("hdr")), 1);

        // A response read before any query carries no value.
        QByteArray response = message({0x81, 2});
        QCOMPARE(unit.send(xu, 2, 0x10000001u, 2, &response), platform::kSOk);
        QCOMPARE(response.mid(2), QByteArray(6, '\0'));

        // A wrong upgrade code is refused and the camera stays.
        QByteArray wrong = message({1, 2, 3, 4, 5, 6, 7, 8});
        QCOMPARE(unit.send(xu, 4, 0x10000002u, 2, &wrong), platform::kErrorGenFailure);
        QVERIFY(cam->present());
        QCOMPARE(cam->uvc().xuMessages().size(), 9);
    }

    void commandFaults()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"cam1\",\"faults\":{\"xu.unanswered\":\"0x81\",\"xu.timeoutMs\":3000}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        int v = 5;
        QVERIFY(uvc.SetHDR(1));
        QVERIFY(!uvc.GetHDR(v));
        QCOMPARE(v, 5);
        QCOMPARE(cam->uvc().xuMessages().last().status, platform::kErrorSemTimeout);

        // Acknowledged but not carried out.
        cam->clearFault(QStringLiteral("xu.unanswered"));
        cam->setFault(QStringLiteral("xu.ignore"), true);
        QVERIFY(uvc.SetMirror(1));
        QCOMPARE(cam->uvc().feature(QStringLiteral("mirror")), 0);
        cam->clearFault(QStringLiteral("xu.ignore"));

        // A whole selector failing.
        cam->setFault(QStringLiteral("xu.selector.2"), QStringLiteral("0x8007001F"));
        QVERIFY(uvc.SetMirror(1));
        QVERIFY(!uvc.GetMirror(v));
        QCOMPARE(cam->uvc().feature(QStringLiteral("mirror")), 1);
    }

    void staleHandlesAfterUnplug()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        QList<std::shared_ptr<platform::CaptureDevice>> devices;
        QVERIFY(platform::succeeded(platform::backend().enumerateVideoInputDevices(&devices)));
        QCOMPARE(devices.size(), 1);
        std::shared_ptr<platform::CaptureDevice> device = devices.first();
        std::shared_ptr<platform::CaptureFilter> filter = device->bindFilter();
        QVERIFY(filter);

        env.rig().unplug(cam);
        QVERIFY(!device->openPropertyBag());
        QVERIFY(!device->bindFilter());
        platform::PropertyRange range;
        QCOMPARE(filter->getRange(platform::PropertySet::CameraControl, 3, &range),
                 platform::kErrorDeviceNotConnected);
        QVERIFY(platform::succeeded(platform::backend().enumerateVideoInputDevices(&devices)));
        QVERIFY(devices.isEmpty());

        // Back on the bus it is a new device; the old objects stay dead.
        env.rig().plug(cam);
        QCOMPARE(filter->getRange(platform::PropertySet::CameraControl, 3, &range),
                 platform::kErrorDeviceNotConnected);
        QVERIFY(platform::succeeded(platform::backend().enumerateVideoInputDevices(&devices)));
        QCOMPARE(devices.size(), 1);
        QVERIFY(platform::succeeded(devices.first()->bindFilter()->getRange(platform::PropertySet::CameraControl, 3,
                                                                           &range)));
        QCOMPARE(range.maximum, 800);
    }

    // The capture filter's single-value requests as the rig camera answers them.
    void singleValueRequestsOnTheFilter()
    {
        using platform::PropertySet;
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"cam1\",\"videoProcAmp\":false},"
            "{\"key\":\"cam2\",\"ksControl\":false,\"instance\":\"7&2b2b2b2b&0\"}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        QList<std::shared_ptr<platform::CaptureDevice>> devices;
        QVERIFY(platform::succeeded(platform::backend().enumerateVideoInputDevices(&devices)));
        QCOMPARE(devices.size(), 2);
        std::shared_ptr<platform::CaptureFilter> filter = devices.at(0)->bindFilter();
        QVERIFY(filter->hasPropertyInterface());

        std::int32_t value = -1;
        std::int32_t flags = -1;
        QCOMPARE(filter->readValue(PropertySet::CameraControl, 6, 9, 2, &value, &flags), HResult(0));
        QCOMPARE(value, 255);
        QCOMPARE(flags, 2);
        // A write comes back as sent; out of range it is refused and the camera keeps its value.
        QCOMPARE(filter->setValue(PropertySet::CameraControl, 3, 801, 2, &value, &flags), HResult(0x80070057u));
        QCOMPARE(value, 801);
        QCOMPARE(flags, 2);
        QCOMPARE(filter->setValue(PropertySet::CameraControl, 3, 800, 2, nullptr, nullptr), HResult(0));
        SimUvcCamera::Property zoom;
        QVERIFY(cam->uvc().property(PropertySet::CameraControl, 3, &zoom));
        QCOMPARE(zoom.value, 800);
        // Pan has no automatic mode; roll is not there; the image set is missing altogether.
        QCOMPARE(filter->setValue(PropertySet::CameraControl, 0, 0, 1, nullptr, nullptr), HResult(0x80070057u));
        value = 7;
        QCOMPARE(filter->readValue(PropertySet::CameraControl, 2, 0, 2, &value, &flags), HResult(0x80070490u));
        QCOMPARE(value, 7);
        QCOMPARE(filter->readValue(PropertySet::VideoProcAmp, 0, 0, 2, &value, &flags), HResult(0x80070492u));

        // Every request is recorded as the camera received it.
        const QList<SimUvcCamera::PropertyRequest> requests = cam->uvc().propertyRequests();
        QCOMPARE(requests.size(), 6);
        QCOMPARE(requests.at(0).propertySet, QUuid(QStringLiteral("{C6E13370-30AC-11D0-A18C-00A0C9118956}")));
        QCOMPARE(requests.at(0).kind, 1);
        QCOMPARE(requests.at(0).value, 9);
        QCOMPARE(requests.at(1).kind, 2);
        QCOMPARE(requests.at(1).value, 801);
        QCOMPARE(requests.at(1).status, HResult(0x80070057u));
        QCOMPARE(requests.at(5).propertySet, QUuid(QStringLiteral("{C6E13360-30AC-11D0-A18C-00A0C9118956}")));

        // Without the property interface nothing reaches the camera.
        sim::SimCamera *plain = env.rig().camera(QStringLiteral("cam2"));
        std::shared_ptr<platform::CaptureFilter> other = devices.at(1)->bindFilter();
        QVERIFY(!other->hasPropertyInterface());
        QCOMPARE(other->setValue(PropertySet::CameraControl, 3, 200, 2, nullptr, nullptr), HResult(0x80004002u));
        QCOMPARE(other->readValue(PropertySet::CameraControl, 3, 0, 2, &value, &flags), HResult(0x80004002u));
        QVERIFY(plain->uvc().propertyRequests().isEmpty());

        // A camera gone from the bus answers neither.
        env.rig().unplug(cam);
        QVERIFY(!filter->hasPropertyInterface());
        QCOMPARE(filter->setValue(PropertySet::CameraControl, 3, 200, 2, nullptr, nullptr), HResult(0x8007048Fu));
        QCOMPARE(filter->readValue(PropertySet::CameraControl, 3, 0, 2, &value, &flags), HResult(0x8007048Fu));
    }

    void nonCameraCaptureDevice()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"mic\",\"friendlyName\":\"USB MIC Array\",\"extensionUnit\":false,\"cameraControl\":false}")));
        sim::SimCamera *mic = env.rig().camera(QStringLiteral("mic"));
        QCOMPARE(mic->uvc().extensionNode(), -1);
        QVERIFY(!mic->uvc().nodeTypes().contains(UVCExtensionUnit::kNodeTypeDevSpecific));
        QList<std::shared_ptr<platform::CaptureDevice>> devices;
        platform::backend().enumerateVideoInputDevices(&devices);
        QCOMPARE(devices.size(), 1);
        QString name;
        QVERIFY(devices.first()->readProperty(QStringLiteral("FriendlyName"), &name));
        QCOMPARE(name, QStringLiteral("USB MIC Array"));
        QVERIFY(!devices.first()->bindFilter()->hasInterface(platform::PropertySet::CameraControl));
    }

    void controlChannelDrivesTheRig()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rig.fifo"));
        sim::SimControlChannel channel(env.rig());
        QString error;
        QVERIFY2(channel.open(path, &error), qPrintable(error));
        QSignalSpy applied(&channel, &sim::SimControlChannel::commandApplied);

        QFile fifo(path);
        QVERIFY(fifo.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        fifo.write("unplug cam1\n# a comment\n\nadd {\"key\":\"cam9\",\"friendlyName\":\"Second\",\"instance\":\"7&9&0\"}\n"
                   "wiggle cam1\n");
        QTRY_COMPARE(applied.count(), 3);
        QVERIFY(!cam->present());
        QVERIFY(env.rig().camera(QStringLiteral("cam9")));
        QCOMPARE(applied.at(2).at(1).toBool(), false);

        fifo.write("plug ");
        fifo.write("cam1\n");
        QTRY_COMPARE(applied.count(), 4);
        QVERIFY(cam->present());

        QVERIFY(!channel.apply(QStringLiteral("add {\"key\":\"cam9\"}"), &error));
        QVERIFY(!channel.apply(QStringLiteral("add [1]"), &error));
    }

    // Under the real clock the rig's timed events fire from the GUI thread, each when it
    // is due; a rig at rest keeps no timer going (it used to wake the thread fifty times
    // a second, which showed in the idle cost of the whole application).
    void timedEventsWakeTheGuiThreadOnlyWhenDue()
    {
        QString error;
        auto rig = sim::SimRig::fromJson(sim::SimRig::defaultRigJson(), &error);
        QVERIFY2(rig, qPrintable(error));
        sim::SimRig &theRig = *rig;
        sim::SimBackend backend(std::move(rig));
        auto *notifier = static_cast<sim::SimDeviceNotifier *>(backend.deviceNotifier());
        QCoreApplication::processEvents();
        QVERIFY(!notifier->pumpScheduled());

        // Scheduled from another thread, as the stream and upgrade threads do.
        std::atomic<int> ran{0};
        std::thread scheduler([&theRig, &ran] { theRig.schedule(0, [&ran] { ++ran; }); });
        scheduler.join();
        QTRY_COMPARE(ran.load(), 1);
        QCOMPARE(theRig.pendingEvents(), 0);
        QVERIFY(!notifier->pumpScheduled());

        // An event an hour off keeps the timer for itself, and nothing runs before it.
        theRig.schedule(3600 * 1000, [&ran] { ++ran; });
        QTRY_VERIFY(notifier->pumpScheduled());
        QCoreApplication::processEvents();
        QCOMPARE(ran.load(), 1);
        QCOMPARE(theRig.pendingEvents(), 1);
    }

    void controlChannelRefusesAnOrdinaryFile()
    {
        testsupport::SimEnvironment env;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plain"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        sim::SimControlChannel channel(env.rig());
        QString error;
        QVERIFY(!channel.open(path, &error));
        QVERIFY(error.contains(QStringLiteral("not a FIFO")));
    }
};

LENSDESK_TEST_MAIN(TestSimUvcCamera)
#include "tst_simuvccamera.moc"
