// Position presets on the rig: kept per camera in the user's settings file, saved from
// and recalled onto an open camera. Every value a recall writes is read back from the
// rig camera, and the order of the requests it received is checked there too.
#include "TestSupport.h"

#include "camera/CameraEntry.h"
#include "camera/DShowCameraWrapper.h"
#include "camera/OpenCamera.h"
#include "camera/PresetMotion.h"
#include "camera/PresetStore.h"
#include "core/SettingsStore.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimUvcCamera.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

using platform::PropertySet;

namespace {

const QString kName = QStringLiteral("Orvia Vista Pro Cam");
const QString kPath1 = QStringLiteral("vid_3749&pid_030a&mi_00#7&1111&0&0000");
const QString kPath2 = QStringLiteral("vid_3749&pid_030a&mi_00#7&2222&0&0000");

// cam1 (serial "SN-0042") looking at zoom 350, pan -12, tilt 9 with manual focus at 610;
// cam2 without a serial number. Pan and tilt reach -40..40, beyond the ±30 limit.
QByteArray twoCameras(const QJsonObject &cam1Extra = {})
{
    QJsonObject cam1{{"key", "cam1"},
                     {"instance", "7&1111&0"},
                     {"serial", "SN-0042"},
                     {"properties", QJsonObject{{"zoom", testsupport::rigRange(100, 800, 350)},
                                                {"pan", testsupport::rigRange(-40, 40, -12)},
                                                {"tilt", testsupport::rigRange(-40, 40, 9)},
                                                {"focus", QJsonObject{{"value", 610}, {"auto", false}}}}}};
    for (auto it = cam1Extra.begin(); it != cam1Extra.end(); ++it)
        cam1.insert(it.key(), it.value());
    const QJsonObject cam2{{"key", "cam2"}, {"instance", "7&2222&0"}};
    return QJsonDocument(QJsonObject{{"cameras", QJsonArray{cam1, cam2}}}).toJson();
}

struct Request
{
    int id;
    int value;
    bool operator==(const Request &o) const { return id == o.id && value == o.value; }
};

char *toString(const Request &r)
{
    return QTest::toString(QStringLiteral("(id %1, %2)").arg(r.id).arg(r.value));
}

// The camera-control writes the camera received, in order.
QList<Request> writes(sim::SimCamera *camera)
{
    QList<Request> out;
    for (const auto &r : camera->uvc().propertyRequests()) {
        if (r.kind == 2)
            out.append({r.id, r.value});
    }
    return out;
}

int value(sim::SimCamera *camera, int id)
{
    sim::SimUvcCamera::Property p;
    if (!camera->uvc().property(PropertySet::CameraControl, id, &p))
        return -1000;
    return p.value;
}

// Puts the rig camera back at the wide view, centred.
void moveHome(sim::SimCamera *camera)
{
    for (int id : {0, 1, 3}) {
        sim::SimUvcCamera::Property p;
        QVERIFY(camera->uvc().property(PropertySet::CameraControl, id, &p));
        p.value = id == 3 ? 100 : 0;
        camera->uvc().setProperty(PropertySet::CameraControl, id, p);
    }
    camera->uvc().clearHistory();
}

void openModel0(OpenCamera &camera, const QString &path)
{
    camera.setModels(0, 0, 2);
    QVERIFY(camera.openChannels(path, kName));
}

} // namespace

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // Each case starts without presets.
        SettingsStore settings;
        settings.remove(QStringLiteral("presets"));
        settings.sync();
    }

    void serialNumberComesWithTheCaptureDevice()
    {
        testsupport::SimEnvironment env(twoCameras());
        QList<CameraEntry> entries;
        DShowCameraWrapper dshow;
        QCOMPARE(dshow.listCaptureDevices(entries), 2);
        QCOMPARE(entries.at(0).serial, QStringLiteral("SN-0042"));
        QVERIFY(entries.at(1).serial.isEmpty());

        OpenCamera cam1;
        openModel0(cam1, kPath1);
        QCOMPARE(cam1.serial(), QStringLiteral("SN-0042"));
        QCOMPARE(cam1.presetKey(), QStringLiteral("serial:SN-0042"));
        OpenCamera cam2;
        openModel0(cam2, kPath2);
        QVERIFY(cam2.serial().isEmpty());
        QCOMPARE(cam2.presetKey(), QStringLiteral("path:") + kPath2);

        QCOMPARE(PresetStore::cameraKey(QStringLiteral(" SN-7 "), kPath1), QStringLiteral("serial:SN-7"));
        QVERIFY(PresetStore::cameraKey(QString(), QString()).isEmpty());
    }

    void saveThenRecallMovesZoomBeforePanAndTilt()
    {
        testsupport::SimEnvironment env(twoCameras());
        sim::SimCamera *rigCam = env.rig().camera(QStringLiteral("cam1"));
        OpenCamera camera;
        openModel0(camera, kPath1);

        PositionPreset saved;
        QCOMPARE(savePreset(camera, &saved), PresetOutcome::Done);
        QCOMPARE(saved.zoom, 350);
        QCOMPARE(saved.pan, -12);
        QCOMPARE(saved.tilt, 9);
        QVERIFY(saved.hasFocus);
        QCOMPARE(saved.focus, 610);
        // Saving only reads.
        QCOMPARE(writes(rigCam), QList<Request>());

        moveHome(rigCam);
        QCOMPARE(recallPreset(camera, saved), PresetOutcome::Done);
        QCOMPARE(value(rigCam, 3), 350);
        QCOMPARE(value(rigCam, 0), -12);
        QCOMPARE(value(rigCam, 1), 9);
        QCOMPARE(value(rigCam, 6), 610);
        QCOMPARE(writes(rigCam), (QList<Request>{{3, 350}, {0, -12}, {1, 9}, {6, 610}}));

        // Saved at the wide view, centred: recalled as it is.
        moveHome(rigCam);
        PositionPreset wide;
        QCOMPARE(savePreset(camera, &wide), PresetOutcome::Done);
        QCOMPARE(wide.zoom, 100);
        QCOMPARE(wide.pan, 0);
        QCOMPARE(recallPreset(camera, saved), PresetOutcome::Done);
        rigCam->uvc().clearHistory();
        QCOMPARE(recallPreset(camera, wide), PresetOutcome::Done);
        QCOMPARE(value(rigCam, 3), 100);
        QCOMPARE(value(rigCam, 0), 0);
        QCOMPARE(value(rigCam, 1), 0);
        QCOMPARE(writes(rigCam), (QList<Request>{{3, 100}, {0, 0}, {1, 0}, {6, 610}}));
    }

    void automaticFocusIsNotPartOfThePreset()
    {
        testsupport::SimEnvironment env(
            twoCameras({{"properties", QJsonObject{{"zoom", testsupport::rigRange(100, 800, 200)},
                                                   {"focus", QJsonObject{{"value", 300}, {"auto", true}}}}}}));
        sim::SimCamera *rigCam = env.rig().camera(QStringLiteral("cam1"));
        OpenCamera camera;
        openModel0(camera, kPath1);
        PositionPreset saved;
        QCOMPARE(savePreset(camera, &saved), PresetOutcome::Done);
        QVERIFY(!saved.hasFocus);
        moveHome(rigCam);
        QCOMPARE(recallPreset(camera, saved), PresetOutcome::Done);
        QCOMPARE(writes(rigCam), (QList<Request>{{3, 200}, {0, 0}, {1, 0}}));
        sim::SimUvcCamera::Property focus;
        QVERIFY(rigCam->uvc().property(PropertySet::CameraControl, 6, &focus));
        QCOMPARE(focus.flags, 1);
    }

    void recallKeepsWithinTheCameraAndTheLimit()
    {
        // A preset of another camera: zoom beyond this one's 100..500, pan and tilt beyond
        // ±30 on a camera that reaches ±40, and beyond a camera's own ±20.
        testsupport::SimEnvironment env(twoCameras({{"properties", QJsonObject{{"zoom", testsupport::rigRange(100, 500, 100)},
                                                                                {"pan", testsupport::rigRange(-40, 40, 0)},
                                                                                {"tilt", testsupport::rigRange(-20, 20, 0)}}}}));
        sim::SimCamera *rigCam = env.rig().camera(QStringLiteral("cam1"));
        OpenCamera camera;
        openModel0(camera, kPath1);
        PositionPreset far;
        far.zoom = 900;
        far.pan = 45;
        far.tilt = -33;
        QCOMPARE(recallPreset(camera, far), PresetOutcome::Done);
        QCOMPARE(writes(rigCam), (QList<Request>{{3, 500}, {0, 30}, {1, -20}}));
        QCOMPARE(value(rigCam, 3), 500);
        QCOMPARE(value(rigCam, 0), 30);
        QCOMPARE(value(rigCam, 1), -20);
    }

    void storeKeepsCamerasApartAndSurvivesARestart()
    {
        const QString bySerial = PresetStore::cameraKey(QStringLiteral("SN-0042"), kPath1);
        const QString byPath = PresetStore::cameraKey(QString(), kPath1);
        // Serials that differ only in case, or hold the settings file's separators.
        const QString upper = PresetStore::cameraKey(QStringLiteral("AB/c\\d"), kPath1);
        const QString lower = PresetStore::cameraKey(QStringLiteral("ab/C\\d"), kPath1);
        {
            SettingsStore settings;
            PresetStore store(settings);
            QVERIFY(store.all(bySerial).isEmpty());
            QVERIFY(!store.preset(bySerial, 1));
            store.store(bySerial, 1, PositionPreset{-12, 9, 350, true, 610});
            store.store(bySerial, 9, PositionPreset{4, -3, 250, false, 0});
            store.store(byPath, 1, PositionPreset{7, 7, 120, false, 0});
            store.store(upper, 2, PositionPreset{1, 2, 300, false, 0});
            store.store(lower, 2, PositionPreset{3, 4, 400, false, 0});
            // No presets 0 and 10.
            QTest::ignoreMessage(QtWarningMsg, "No preset 0 for camera \"serial:SN-0042\"");
            QTest::ignoreMessage(QtWarningMsg, "No preset 10 for camera \"serial:SN-0042\"");
            store.store(bySerial, 0, PositionPreset{});
            store.store(bySerial, 10, PositionPreset{});
            QVERIFY(!store.preset(bySerial, 10));
        }
        // A new store over the same file, as after a restart.
        SettingsStore settings;
        PresetStore store(settings);
        const QMap<int, PositionPreset> serialPresets = store.all(bySerial);
        QCOMPARE(serialPresets.keys(), (QList<int>{1, 9}));
        QCOMPARE(serialPresets.value(1).pan, -12);
        QCOMPARE(serialPresets.value(1).tilt, 9);
        QCOMPARE(serialPresets.value(1).zoom, 350);
        QVERIFY(serialPresets.value(1).hasFocus);
        QCOMPARE(serialPresets.value(1).focus, 610);
        QCOMPARE(serialPresets.value(9).zoom, 250);
        QVERIFY(!serialPresets.value(9).hasFocus);
        QCOMPARE(store.all(byPath).keys(), QList<int>{1});
        QCOMPARE(store.preset(byPath, 1)->pan, 7);
        QCOMPARE(store.preset(upper, 2)->zoom, 300);
        QCOMPARE(store.preset(lower, 2)->zoom, 400);

        // Written over without focus, the earlier focus is gone; cleared, nothing is left.
        store.store(bySerial, 1, PositionPreset{5, 6, 150, false, 0});
        QVERIFY(!store.preset(bySerial, 1)->hasFocus);
        store.clear(bySerial, 1);
        QVERIFY(!store.preset(bySerial, 1));
        QCOMPARE(store.all(bySerial).keys(), QList<int>{9});
        QCOMPARE(store.all(byPath).keys(), QList<int>{1});

        // One group per camera in the file, whatever its key holds.
        QSettings file(settings.fileName(), QSettings::IniFormat);
        file.beginGroup(QStringLiteral("presets"));
        QCOMPARE(file.childGroups().size(), 4);
    }

    void aValueTheFileDoesNotHoldIsNoPreset()
    {
        const QString key = PresetStore::cameraKey(QStringLiteral("SN-0042"), kPath1);
        SettingsStore settings;
        PresetStore store(settings);
        store.store(key, 3, PositionPreset{1, 2, 300, false, 0});
        QSettings file(settings.fileName(), QSettings::IniFormat);
        const QString group = QStringLiteral("presets/%1/3/zoom").arg(QString::fromLatin1(key.toUtf8().toHex()));
        QCOMPARE(file.value(group).toInt(), 300);
        file.setValue(group, QStringLiteral("wide"));
        file.sync();
        SettingsStore reread;
        QVERIFY(!PresetStore(reread).preset(key, 3));
    }

    void nothingIsSentWhileTrackingOrWithoutMechanics()
    {
        testsupport::SimEnvironment env(twoCameras({{"features", QJsonObject{{"trackingMode", 1}}}}));
        sim::SimCamera *rigCam = env.rig().camera(QStringLiteral("cam1"));
        const PositionPreset preset{4, -3, 250, false, 0};
        {
            OpenCamera camera;
            openModel0(camera, kPath1);
            rigCam->uvc().clearHistory();
            PositionPreset saved;
            QCOMPARE(savePreset(camera, &saved), PresetOutcome::TrackingOn);
            QCOMPARE(recallPreset(camera, preset), PresetOutcome::TrackingOn);
            QCOMPARE(writes(rigCam), QList<Request>());
            QCOMPARE(value(rigCam, 3), 350);
        }
        rigCam->uvc().setFeature(QStringLiteral("trackingMode"), 0);
        // Model 10 has no pan, tilt or zoom; model 0 by name arranged as model 10 keeps
        // only limited controls.
        for (const auto &models : {QPair<int, int>{10, 10}, QPair<int, int>{0, 10}}) {
            OpenCamera camera;
            camera.setModels(models.first, models.second, 1);
            QVERIFY(camera.openChannels(kPath1, kName));
            QVERIFY(!hasPresetMotion(camera));
            rigCam->uvc().clearHistory();
            PositionPreset saved;
            QCOMPARE(savePreset(camera, &saved), PresetOutcome::NoMotion);
            QCOMPARE(recallPreset(camera, preset), PresetOutcome::NoMotion);
            QCOMPARE(rigCam->uvc().propertyRequests().size(), 0);
        }
    }

    void aValueTheCameraDoesNotKeepEndsTheRecall()
    {
        testsupport::SimEnvironment env(twoCameras());
        sim::SimCamera *rigCam = env.rig().camera(QStringLiteral("cam1"));
        OpenCamera camera;
        openModel0(camera, kPath1);
        moveHome(rigCam);
        // Pan is acknowledged but the camera stays where it is.
        rigCam->setFault(QStringLiteral("prop.ignore.camera.0"), true);
        QString detail;
        QCOMPARE(recallPreset(camera, PositionPreset{-12, 9, 350, false, 0}, &detail), PresetOutcome::NotTaken);
        QCOMPARE(detail, QStringLiteral("pan: -12 sent, the camera holds 0"));
        QCOMPARE(writes(rigCam), (QList<Request>{{3, 350}, {0, -12}}));
        QCOMPARE(value(rigCam, 3), 350);
        QCOMPARE(value(rigCam, 0), 0);
        QCOMPARE(value(rigCam, 1), 0);
        rigCam->clearFault(QStringLiteral("prop.ignore.camera.0"));

        // Zoom refused: nothing after it.
        moveHome(rigCam);
        rigCam->setFault(QStringLiteral("prop.set.camera.3"), QStringLiteral("0x80070057"));
        QCOMPARE(recallPreset(camera, PositionPreset{-12, 9, 350, false, 0}), PresetOutcome::NoAnswer);
        QCOMPARE(writes(rigCam), (QList<Request>{{3, 350}}));
        QCOMPARE(value(rigCam, 3), 100);
        rigCam->clearFault(QStringLiteral("prop.set.camera.3"));

        // A position that does not read is not saved.
        rigCam->setFault(QStringLiteral("prop.get.camera.1"), QStringLiteral("0x8007001F"));
        PositionPreset saved{1, 1, 101, false, 0};
        QCOMPARE(savePreset(camera, &saved, &detail), PresetOutcome::NoAnswer);
        QCOMPARE(detail, QStringLiteral("tilt: no answer"));
        QCOMPARE(saved.zoom, 101);
    }
};

LENSDESK_TEST_MAIN(TestPresets)
#include "tst_presets.moc"
