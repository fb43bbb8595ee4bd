#include "CameraLogCapture.h"
#include "TestSupport.h"

#include "camera/CameraPropertyState.h"
#include "camera/DShowCameraWrapper.h"
#include "platform/sim/SimUvcCamera.h"

#include <QApplication>

using platform::PropertySet;

namespace {

QByteArray rigWith(const QString &cameras)
{
    return QStringLiteral("{\"cameras\": [%1]}").arg(cameras).toUtf8();
}

// A camera whose properties all differ from the values before the first read.
const QString kOddCamera = QStringLiteral(
    "{\"key\":\"cam1\",\"properties\":{"
    "\"pan\":{\"min\":-30,\"max\":30,\"value\":5},\"tilt\":{\"min\":-30,\"max\":30,\"value\":-7},"
    "\"zoom\":{\"min\":100,\"max\":500,\"default\":100,\"value\":300},"
    "\"focus\":{\"value\":400,\"auto\":true},"
    "\"brightness\":{\"value\":70},\"contrast\":{\"value\":40},\"hue\":{\"value\":20},"
    "\"saturation\":{\"value\":80},\"sharpness\":{\"value\":9},"
    "\"whiteBalance\":{\"value\":4000,\"auto\":false}}}");

} // namespace

class TestDShowCameraWrapper : public QObject
{
    Q_OBJECT
private slots:
    void enumerationSkipsMicrophonesButCountsThem()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"cam1\"},"
            "{\"key\":\"mic\",\"friendlyName\":\"USB Mic Array\",\"extensionUnit\":false,\"instance\":\"7&1&0\"},"
            "{\"key\":\"cam3\",\"instance\":\"7&3&0\",\"moniker\":\"@device:pnp:cam3\"}")));
        DShowCameraWrapper dshow;
        QList<CameraEntry> list;
        CameraLogCapture log;
        QCOMPARE(dshow.listCaptureDevices(list), 2);
        QCOMPARE(list.at(0).index, 0);
        QCOMPARE(list.at(0).id, QStringLiteral("vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000"));
        QCOMPARE(list.at(0).name, QStringLiteral("Orvia Vista Pro Cam"));
        QCOMPARE(list.at(0).monikerName,
                 QStringLiteral("@device_pnp_\\\\?\\usb#vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000"
                                "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"));
        QCOMPARE(list.at(1).index, 2);
        QCOMPARE(list.at(1).id, QStringLiteral("vid_3749&pid_030a&mi_00#7&3&0&0000"));
        QCOMPARE(list.at(1).monikerName, QStringLiteral("@device_pnp_cam3"));
        QVERIFY(log.contains(QStringLiteral("name.MonikerName \"@device:pnp:cam3\"")));
        // The 8-bit copy is plain text, not a quoted byte array.
        QVERIFY(log.contains(QStringLiteral("MB @device:pnp:cam3")));
        QVERIFY(log.contains(QStringLiteral("usb camera name: \"Orvia Vista Pro Cam\"  id: "
                                            "\"vid_3749&pid_030a&mi_00#7&3&0&0000\"")));
        // The list is appended to, never cleared.
        QCOMPARE(dshow.listCaptureDevices(list), 4);
    }

    void unusualDevicePaths()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"a\",\"propertyBag\":false},"
            "{\"key\":\"b\",\"capturePath\":\"\\\\\\\\?\\\\usb#vid_3749&pid_030a\",\"instance\":\"7&2&0\"},"
            "{\"key\":\"c\",\"unreadable\":[\"DevicePath\"],\"instance\":\"7&3&0\"},"
            "{\"key\":\"d\",\"unreadable\":[\"DevicePath\",\"FriendlyName\"],\"instance\":\"7&4&0\"},"
            "{\"key\":\"e\",\"unreadable\":[\"Description\"],\"instance\":\"7&5&0\"}")));
        DShowCameraWrapper dshow;
        QList<CameraEntry> list;
        QCOMPARE(dshow.listCaptureDevices(list), 3);
        // A device whose bag does not open takes no position in the list.
        QCOMPARE(list.at(0).index, 0);
        QCOMPARE(list.at(0).id, QString()); // one "#" only
        QCOMPARE(list.at(1).index, 1);
        QCOMPARE(list.at(1).id, QString()); // no path
        QCOMPARE(list.at(1).name, QStringLiteral("Orvia Vista Pro Cam"));
        QCOMPARE(list.at(2).index, 3);
        QCOMPARE(list.at(2).id, QStringLiteral("vid_3749&pid_030a&mi_00#7&5&0&0000"));

        // Selection counts every device, so its position differs from the list's.
        sim::SimCamera *e = env.rig().camera(QStringLiteral("e"));
        int index = -5;
        QVERIFY(dshow.selectCamera(e->id(), e->friendlyName(), index));
        QCOMPARE(index, 4);
    }

    void selectionNeedsTheExactName()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        DShowCameraWrapper dshow;
        int index = 3;
        QVERIFY(!dshow.selectCamera(cam->id(), QStringLiteral("ORVIA VISTA PRO CAM"), index));
        QCOMPARE(index, -1);
        QVERIFY(!dshow.hasCaptureFilter());
        CameraLogCapture log;
        QVERIFY(dshow.selectCamera(cam->id(), cam->friendlyName(), index));
        QCOMPARE(index, 0);
        QVERIFY(log.contains(QStringLiteral("get camera name: \"Orvia Vista Pro Cam\"  id: "
                                            "\"vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000\"")));
        dshow.releaseCamera();
        QVERIFY(!dshow.hasCaptureFilter());
    }

    void modelDependentReads_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<bool>("cameraControl");
        QTest::addColumn<bool>("focus");
        QTest::newRow("model 0") << 0 << true << true;
        QTest::newRow("model 5") << 5 << true << true;
        QTest::newRow("model 2") << 2 << true << false;
        QTest::newRow("model 10") << 10 << false << false;
        QTest::newRow("model 11") << 11 << false << false;
        QTest::newRow("model 12") << 12 << false << false;
        QTest::newRow("model 13") << 13 << true << false;
    }

    void modelDependentReads()
    {
        QFETCH(int, model);
        QFETCH(bool, cameraControl);
        QFETCH(bool, focus);
        testsupport::SimEnvironment env(rigWith(kOddCamera));
        DShowCameraWrapper dshow;
        const CameraPropertyState before;
        QVERIFY(dshow.readCameraProperties(0, model));
        const CameraPropertyState &s = dshow.state();

        if (cameraControl) {
            QCOMPARE(s.zoom.current, 300);
            QCOMPARE(s.zoom.maximum, 500);
            QCOMPARE(s.zoom.defaultValue, 100);
            QCOMPARE(s.pan.current, 5);
            QCOMPARE(s.pan.minimum, -30);
            QCOMPARE(s.tilt.current, -7);
        } else {
            QCOMPARE(s.zoom.current, before.zoom.current);
            QCOMPARE(s.zoom.maximum, before.zoom.maximum);
            QCOMPARE(s.pan.minimum, before.pan.minimum);
            QCOMPARE(s.tilt.current, before.tilt.current);
        }
        QCOMPARE(s.focus.current, focus ? 400 : before.focus.current);
        QCOMPARE(s.focus.flags, focus ? DShowCameraWrapper::kFlagsAuto : 0);

        QCOMPARE(s.brightness.current, 70);
        QCOMPARE(s.contrast.current, 40);
        QCOMPARE(s.hue.current, 20);
        QCOMPARE(s.saturation.current, 80);
        QCOMPARE(s.sharpness.current, 9);
        QCOMPARE(s.whiteBalance.current, 4000);
        QCOMPARE(s.whiteBalance.flags, DShowCameraWrapper::kFlagsManual);
    }

    void readsReachTheCameraInOrder_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QStringList>("reads");
        const QStringList mechanics = {"range.camera.3", "get.camera.3", "range.camera.0", "get.camera.0",
                                       "range.camera.1", "get.camera.1"};
        const QStringList focus = {"range.camera.6", "get.camera.6"};
        // Brightness, contrast, sharpness, hue, saturation, white balance.
        const QStringList image = {"range.video.0", "get.video.0", "range.video.1", "get.video.1",
                                   "range.video.4", "get.video.4", "range.video.2", "get.video.2",
                                   "range.video.3", "get.video.3", "range.video.7", "get.video.7"};
        QTest::newRow("model 0") << 0 << mechanics + focus + image;
        QTest::newRow("model 5") << 5 << mechanics + focus + image;
        QTest::newRow("model 2") << 2 << mechanics + image;
        QTest::newRow("model 7") << 7 << mechanics + image;
        QTest::newRow("model 10") << 10 << image;
        QTest::newRow("model 11") << 11 << image;
        QTest::newRow("model 12") << 12 << image;
        QTest::newRow("model 16") << 16 << mechanics + image;
        QTest::newRow("unknown model") << 255 << mechanics + image;
    }

    void readsReachTheCameraInOrder()
    {
        QFETCH(int, model);
        QFETCH(QStringList, reads);
        testsupport::SimEnvironment env(rigWith(kOddCamera));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        DShowCameraWrapper dshow;
        QVERIFY(dshow.readCameraProperties(0, model));
        QCOMPARE(cam->uvc().propertyReads(), reads);
        // Ranges and current values go through their own interfaces, never as
        // single-value requests.
        QVERIFY(cam->uvc().propertyRequests().isEmpty());
    }

    void failingReadsKeepThePreviousState()
    {
        testsupport::SimEnvironment env(rigWith(
            QStringLiteral("{\"key\":\"cam1\",\"properties\":{\"zoom\":{\"value\":300},\"brightness\":{\"value\":70},"
                           "\"hue\":{\"value\":3}},\"faults\":{\"prop.range.camera.3\":\"0x80070490\","
                           "\"prop.get.video.0\":\"0x8007001F\",\"prop.range.video.7\":\"0x80070490\"}}")));
        DShowCameraWrapper dshow;
        CameraLogCapture log;
        dshow.state().brightness.maximum = 1;
        QVERIFY(dshow.readCameraProperties(0, 0));
        QCOMPARE(dshow.state().zoom.current, 100);
        QVERIFY(log.contains(QStringLiteral("Get Zoom Parameter Error.")));
        QVERIFY(!log.contains(QStringLiteral("Get Zoom Cur value.")));
        // The range still reads; the current value stays.
        QCOMPARE(dshow.state().brightness.maximum, 100);
        QCOMPARE(dshow.state().brightness.current, 50);
        QCOMPARE(dshow.state().hue.current, 3);
        QVERIFY(log.contains(QStringLiteral("Get Hue Cur value.")));
        QVERIFY(log.contains(QStringLiteral("Get whiteBalance Parameter Error.")));
        QCOMPARE(dshow.state().whiteBalance.current, 5983);
        QVERIFY(log.startingWith(QStringLiteral("whiteBalance--->")).isEmpty());

        // Without a graph builder or at a position with no device nothing is read.
        log.clear();
        QVERIFY(!dshow.readCameraProperties(7, 0));
        QVERIFY(log.contains(QStringLiteral("directshow BindFilter error")));
        env.backend().setCaptureGraphBuilderStatus(platform::kENoInterface);
        QVERIFY(!dshow.readCameraProperties(0, 0));
        QVERIFY(log.contains(QStringLiteral("directshow CoCreateInstance error: -2147467262")));
    }

    void readsLogTheirFindings()
    {
        testsupport::SimEnvironment env;
        DShowCameraWrapper dshow;
        CameraLogCapture log;
        QVERIFY(dshow.readCameraProperties(0, 0));
        QVERIFY(log.contains(QStringLiteral("directshow camera info:  0 \"Orvia Vista Pro Cam\"")));
        QVERIFY(log.contains(QStringLiteral("Zoom---> Flags: 2 Min: 100 Max: 800 Default: 0 Cur: 100")));
        QVERIFY(log.contains(QStringLiteral("whiteBalance---> Min: 1800 Max: 7500 Default: 5500 Cur: 5983")));
        QVERIFY(log.contains(QStringLiteral("flag 1")));
    }

    void writesAndReadsThroughTheFilter()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        DShowCameraWrapper dshow;
        int index = -1;
        QVERIFY(dshow.selectCamera(cam->id(), cam->friendlyName(), index));

        QVERIFY(dshow.setCameraCtlValue(3, 400));
        const sim::SimUvcCamera::PropertyRequest set = cam->uvc().propertyRequests().last();
        QCOMPARE(set.propertySet, QUuid(QStringLiteral("{C6E13370-30AC-11D0-A18C-00A0C9118956}")));
        QCOMPARE(set.id, 3);
        QCOMPARE(set.kind, 2);
        QCOMPARE(set.value, 400);
        QCOMPARE(set.flags, 2);
        QVERIFY(dshow.getCameraCtlValue(3, 0));
        QCOMPARE(dshow.state().zoom.current, 400);
        const sim::SimUvcCamera::PropertyRequest get = cam->uvc().propertyRequests().last();
        QCOMPARE(get.kind, 1);
        QCOMPARE(get.flags, 2);

        // Out of range: refused, reported, and the camera keeps its value.
        QVERIFY(!dshow.setCameraCtlValue(3, 900));
        sim::SimUvcCamera::Property zoom;
        QVERIFY(cam->uvc().property(PropertySet::CameraControl, 3, &zoom));
        QCOMPARE(zoom.value, 400);
        QVERIFY(!dshow.setVideoProcValue(0, -1));
        QVERIFY(dshow.setVideoProcValue(0, 100));
        QVERIFY(dshow.getVideoProcValue(0, 0));
        QCOMPARE(dshow.state().brightness.current, 100);

        // Ids without a place in the state store nothing.
        const CameraPropertyState copy = dshow.state();
        QVERIFY(!dshow.getVideoProcValue(9, 0));
        QCOMPARE(dshow.state().brightness.current, copy.brightness.current);
    }

    void refusedReadLeavesTheStoredValue()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"cam1\",\"faults\":{\"prop.get.camera.3\":\"0x8007001F\",\"prop.set.video.1\":\"0x8007001F\"}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        DShowCameraWrapper dshow;
        int index = -1;
        QVERIFY(dshow.selectCamera(cam->id(), cam->friendlyName(), index));
        QVERIFY(!dshow.getCameraCtlValue(3, 777));
        QCOMPARE(dshow.state().zoom.current, 100);
        QVERIFY(!dshow.setVideoProcValue(1, 60));
    }

    void automaticModes()
    {
        testsupport::SimEnvironment env(
            rigWith(QStringLiteral("{\"key\":\"cam1\",\"properties\":{\"whiteBalance\":{\"auto\":false}}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        DShowCameraWrapper dshow;
        int index = -1;
        QVERIFY(dshow.selectCamera(cam->id(), cam->friendlyName(), index));
        CameraLogCapture log;
        QVERIFY(dshow.setVideoProcAuto(7));
        const sim::SimUvcCamera::PropertyRequest request = cam->uvc().propertyRequests().last();
        QCOMPARE(request.kind, 2);
        QCOMPARE(request.value, 0);
        QCOMPARE(request.flags, 1);
        QCOMPARE(request.propertySet, QUuid(QStringLiteral("{C6E13360-30AC-11D0-A18C-00A0C9118956}")));
        QCOMPARE(log.lines(), QStringList({QStringLiteral("devCtl.Value: 0"), QStringLiteral("devCtl.Value: 1")}));
        sim::SimUvcCamera::Property wb;
        QVERIFY(cam->uvc().property(PropertySet::VideoProcAmp, 7, &wb));
        QCOMPARE(wb.flags, 1);
        QCOMPARE(wb.value, 5983);

        // A manual write takes it out of automatic mode; brightness has no automatic mode.
        QVERIFY(dshow.setVideoProcValue(7, 3000));
        QVERIFY(cam->uvc().property(PropertySet::VideoProcAmp, 7, &wb));
        QCOMPARE(wb.flags, 2);
        QVERIFY(!dshow.setVideoProcAuto(0));
    }

    void nothingSelectedChangesNothing()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        DShowCameraWrapper dshow;
        QVERIFY(!dshow.getCameraCtlValue(3, 500));
        QVERIFY(!dshow.getVideoProcValue(0, 10));
        QVERIFY(!dshow.setCameraCtlValue(3, 500));
        QVERIFY(!dshow.setVideoProcValue(0, 10));
        QVERIFY(!dshow.setVideoProcAuto(7));
        QCOMPARE(dshow.state().zoom.current, 100);
        QCOMPARE(dshow.state().brightness.current, 50);
        QVERIFY(cam->uvc().propertyRequests().isEmpty());
    }

    void filterWithoutPropertyInterface()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral("{\"key\":\"cam1\",\"ksControl\":false}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        DShowCameraWrapper dshow;
        int index = -1;
        QVERIFY(dshow.selectCamera(cam->id(), cam->friendlyName(), index));
        QVERIFY(!dshow.setCameraCtlValue(3, 500));
        QVERIFY(!dshow.getCameraCtlValue(3, 500));
        QVERIFY(!dshow.setVideoProcAuto(7));
        // Nothing reached the camera.
        QVERIFY(cam->uvc().propertyRequests().isEmpty());
        sim::SimUvcCamera::Property zoom;
        QVERIFY(cam->uvc().property(PropertySet::CameraControl, 3, &zoom));
        QCOMPARE(zoom.value, 100);
        QCOMPARE(dshow.state().zoom.current, 100);
        dshow.releaseCamera();
    }

    void cameraGoneAfterSelection()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        DShowCameraWrapper dshow;
        int index = -1;
        QVERIFY(dshow.selectCamera(cam->id(), cam->friendlyName(), index));
        env.rig().unplug(cam);
        QVERIFY(!dshow.setCameraCtlValue(3, 200));
        QVERIFY(!dshow.getCameraCtlValue(3, 200));
        QCOMPARE(dshow.state().zoom.current, 100);
        QVERIFY(!dshow.readCameraProperties(index, 0));
        QList<CameraEntry> list;
        QCOMPARE(dshow.listCaptureDevices(list), 0);
        dshow.releaseCamera();
    }
};

LENSDESK_TEST_MAIN(TestDShowCameraWrapper)
#include "tst_dshowcamerawrapper.moc"
