#include "TestSupport.h"

#include "camera/CameraSetting.h"
#include "camera/OpenCamera.h"
#include "catalogue/CameraModel.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimUvcCamera.h"

#include <QtTest>

// The camera model every front end drives: what each model has, the description of
// every setting, and an open camera that writes and reads them on the rig.

namespace {

QStringList offeredNames(int productLine, int nameModel, int usbModel)
{
    QStringList names;
    for (const CameraSetting &s : camerasettings::all()) {
        if (camerasettings::offers(s, cameraModel(nameModel), cameraModelRows(productLine, usbModel)))
            names << s.settingName();
    }
    return names;
}

QStringList without(QStringList names, const QStringList &gone)
{
    for (const QString &name : gone)
        names.removeAll(name);
    return names;
}

} // namespace

class TestCameraModel : public QObject
{
    Q_OBJECT
private slots:
    void modelFacts_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<bool>("cameraControls");
        QTest::addColumn<bool>("focusControls");
        QTest::addColumn<bool>("focusRead");
        QTest::addColumn<bool>("fieldOfView");
        QTest::addColumn<int>("poll"); // 0 never, 1 when gesture answers, 2 always
        for (int model = 0; model <= 16; ++model) {
            const bool mechanics = model < 10 || model > 12;
            const bool focus = model == 0 || model == 5 || model == 7;
            const bool read = model == 0 || model == 5;
            const int poll = model == 5 ? 2 : (model == 0 || model == 7) ? 1 : 0;
            QTest::addRow("%d", model) << model << mechanics << focus << read << read << poll;
        }
        QTest::newRow("unknown") << 255 << true << false << false << false << 0;
    }

    void modelFacts()
    {
        QFETCH(int, model);
        QFETCH(bool, cameraControls);
        QFETCH(bool, focusControls);
        QFETCH(bool, focusRead);
        QFETCH(bool, fieldOfView);
        QFETCH(int, poll);
        const CameraModel &m = cameraModel(model);
        QCOMPARE(m.known, model != 255 && model != 17);
        QCOMPARE(m.cameraControls, cameraControls);
        QCOMPARE(m.focusControls, focusControls);
        QCOMPARE(m.focusRead, focusRead);
        QCOMPARE(m.fieldOfView, fieldOfView);
        QCOMPARE(static_cast<int>(m.statusPoll), poll);
        QCOMPARE(m.trackingMisreportFirmware, model == 13 ? QStringLiteral("1.0.22") : QString());
    }

    void rowsBelongToTheirProductLines()
    {
        for (int model : {0, 1, 2, 3, 4, 5, 6, 7, 8})
            QVERIFY(cameraModelRows(0, model));
        QVERIFY(!cameraModelRows(0, 9));
        QVERIFY(!cameraModelRows(0, 10));
        for (int model = 10; model <= 16; ++model)
            QVERIFY(cameraModelRows(1, model));
        QVERIFY(!cameraModelRows(1, 0));
        QVERIFY(cameraModelRows(2, 0));
        QVERIFY(!cameraModelRows(2, 5));
        QVERIFY(!cameraModelRows(3, 0));
    }

    void everySettingInOrder()
    {
        const QStringList expected{"zoom", "pan", "tilt", "focus", "focus-auto", "brightness", "contrast",
                                   "hue", "saturation", "sharpness", "white-balance", "white-balance-auto",
                                   "hdr", "hd-mode", "mic", "mirror", "gesture", "ai-light", "anti-flicker",
                                   "field-of-view", "tracking-mode", "tracking-effect", "tracking-speed"};
        QCOMPARE(camerasettings::names(), expected);
        QVERIFY(!camerasettings::find(QStringLiteral("exposure")));
        QCOMPARE(camerasettings::find(QStringLiteral("zoom"))->id, SettingId::Zoom);
    }

    void settingsFacts()
    {
        using namespace camerasettings;
        // Batches: automatic modes and tracking switched off first, the field of view
        // before zoom, zoom before pan and tilt, tracking before its effect and speed,
        // automatic modes on last, the restarting settings at the very end.
        QCOMPARE(writeRank(setting(SettingId::TrackingMode), true), 0);
        QCOMPARE(writeRank(setting(SettingId::FocusAuto), true), 0);
        QCOMPARE(writeRank(setting(SettingId::WhiteBalanceAuto), true), 0);
        QCOMPARE(writeRank(setting(SettingId::FieldOfView), false), 1);
        QCOMPARE(writeRank(setting(SettingId::Zoom), false), 2);
        QCOMPARE(writeRank(setting(SettingId::Pan), false), 3);
        QCOMPARE(writeRank(setting(SettingId::Hdr), true), 3);
        QCOMPARE(writeRank(setting(SettingId::TrackingMode), false), 4);
        QCOMPARE(writeRank(setting(SettingId::TrackingEffect), false), 5);
        QCOMPARE(writeRank(setting(SettingId::TrackingSpeed), false), 6);
        QCOMPARE(writeRank(setting(SettingId::FocusAuto), false), 7);
        QCOMPARE(writeRank(setting(SettingId::Mic), false), 8);
        QCOMPARE(writeRank(setting(SettingId::HdMode), true), 8);

        // Only the microphone and HD mode restart the camera, each with its notice.
        for (const CameraSetting &s : all())
            QCOMPARE(s.restarts, s.id == SettingId::Mic || s.id == SettingId::HdMode);
        QCOMPARE(restartText(setting(SettingId::Mic)),
                 QStringLiteral("To complete this process, your device may take a few seconds to restart."));
        QVERIFY(restartText(setting(SettingId::Hdr)).isEmpty());
        // Mirror, HD mode and tracking fail with the operation notice, the rest with the
        // setting notice; HDR alone is not read back after a failure.
        const QString operation = QStringLiteral("The operation has timed out, please try again.");
        const QString settingNotice = QStringLiteral("The setting has timed out, please try again.");
        for (const CameraSetting &s : all()) {
            const bool op = s.id == SettingId::Mirror || s.id == SettingId::HdMode || s.id == SettingId::TrackingMode
                || s.id == SettingId::TrackingEffect || s.id == SettingId::TrackingSpeed;
            QCOMPARE(failureText(s), op ? operation : settingNotice);
            QCOMPARE(s.resync, s.id != SettingId::Hdr);
        }
        // Conditions.
        QVERIFY(setting(SettingId::Pan).hasCondition(WhileZoomedIn));
        QVERIFY(setting(SettingId::Pan).hasCondition(WhileTrackingOff));
        QVERIFY(!setting(SettingId::Zoom).hasCondition(WhileZoomedIn));
        QVERIFY(setting(SettingId::FieldOfView).hasCondition(WhileTrackingOff));
        QVERIFY(setting(SettingId::TrackingSpeed).hasCondition(WhileAutoFraming));
        QVERIFY(setting(SettingId::Focus).hasCondition(WhileFocusManual));
        QVERIFY(setting(SettingId::WhiteBalance).hasCondition(WhileWhiteBalanceManual));
    }

    void offersByModel()
    {
        const QStringList all = camerasettings::names();
        // The first camera has focus and the field of view; its rows hide mirror and gesture.
        QCOMPARE(offeredNames(0, 0, 0), without(all, {"mirror", "gesture"}));
        QCOMPARE(offeredNames(2, 0, 0), without(all, {"mirror", "gesture"}));
        // Focus controls without the field of view; mirror shown, light and gesture hidden.
        QCOMPARE(offeredNames(0, 7, 7), without(all, {"ai-light", "gesture", "field-of-view"}));
        // The field of view's row hidden although... the model has none anyway.
        QCOMPARE(offeredNames(0, 4, 4),
                 without(all, {"focus", "focus-auto", "mirror", "ai-light", "field-of-view"}));
        // No tracking choice.
        QCOMPARE(offeredNames(1, 13, 13),
                 without(all, {"focus", "focus-auto", "hd-mode", "mirror", "ai-light", "field-of-view",
                               "tracking-mode", "tracking-effect", "tracking-speed"}));
        // Limited controls keep the microphone, anti-flicker and the image.
        const QStringList limited{"brightness", "contrast", "hue", "saturation", "sharpness", "white-balance",
                                  "white-balance-auto", "mic", "anti-flicker"};
        QCOMPARE(offeredNames(1, 10, 10), limited);
        QCOMPARE(offeredNames(0, 2, 2), limited);
        // A combination without rows: only what every camera has and what the name gives.
        QCOMPARE(offeredNames(0, 255, 255),
                 without(all, {"focus", "focus-auto", "hd-mode", "mirror", "ai-light", "field-of-view"}));
    }

    // Each vendor setting goes out as its opcode with the value in byte 2, lands in the
    // rig's feature, and reads back through its query.
    void vendorSettingsOnTheWire_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("feature");
        QTest::addColumn<int>("opcode");
        QTest::addColumn<int>("value");
        QTest::newRow("hdr") << int(SettingId::Hdr) << "hdr" << 0x01 << 1;
        QTest::newRow("anti-flicker") << int(SettingId::AntiFlicker) << "antiFlicker" << 0x02 << 0;
        QTest::newRow("mirror") << int(SettingId::Mirror) << "mirror" << 0x09 << 1;
        QTest::newRow("field-of-view") << int(SettingId::FieldOfView) << "viewAngle" << 0x0C << 2;
        QTest::newRow("tracking-mode") << int(SettingId::TrackingMode) << "trackingMode" << 0x10 << 1;
        QTest::newRow("tracking-effect") << int(SettingId::TrackingEffect) << "trackingEffect" << 0x11 << 0;
        QTest::newRow("tracking-speed") << int(SettingId::TrackingSpeed) << "trackingSpeed" << 0x12 << 2;
        QTest::newRow("ai-light") << int(SettingId::AiLight) << "autoAE" << 0x17 << 0;
        QTest::newRow("gesture") << int(SettingId::Gesture) << "gesture" << 0x19 << 1;
    }

    void vendorSettingsOnTheWire()
    {
        QFETCH(int, id);
        QFETCH(QString, feature);
        QFETCH(int, opcode);
        QFETCH(int, value);
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        OpenCamera camera;
        camera.setModels(0, 0, 2);
        QVERIFY(camera.openChannels(cam->id(), cam->friendlyName()));
        cam->uvc().clearHistory();

        const CameraSetting &setting = camerasettings::setting(SettingId(id));
        QVERIFY(camera.writeSetting(setting, value));
        QCOMPARE(cam->uvc().feature(feature), value);
        const QList<sim::SimUvcCamera::XuMessage> sent = cam->uvc().xuMessages();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().selector, 1u);
        QCOMPARE(int(quint8(sent.first().data.at(0))), opcode);
        QCOMPARE(int(quint8(sent.first().data.at(2))), value);

        cam->uvc().clearHistory();
        int read = -1;
        QVERIFY(camera.readSetting(setting, read));
        QCOMPARE(read, value);
        // A query: its command (the opcode with the high bit) then the answer from selector 2.
        const QList<sim::SimUvcCamera::XuMessage> asked = cam->uvc().xuMessages();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(int(quint8(asked.first().data.at(0))), opcode | 0x80);
        QCOMPARE(asked.at(1).selector, 2u);
    }

    void standardSettingsAndAutomaticModes()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        OpenCamera camera;
        camera.setModels(0, 0, 2);
        QVERIFY(camera.openChannels(cam->id(), cam->friendlyName()));
        QVERIFY(camera.readProperties());
        using namespace camerasettings;

        QVERIFY(camera.writeSetting(setting(SettingId::Zoom), 300));
        sim::SimUvcCamera::Property p;
        QVERIFY(cam->uvc().property(platform::PropertySet::CameraControl, 3, &p));
        QCOMPARE(p.value, 300);
        int value = 0;
        QVERIFY(camera.readSetting(setting(SettingId::Zoom), value));
        QCOMPARE(value, 300);
        QCOMPARE(camera.properties().zoom.current, 300);

        QVERIFY(camera.writeSetting(setting(SettingId::Brightness), 70));
        QVERIFY(cam->uvc().property(platform::PropertySet::VideoProcAmp, 0, &p));
        QCOMPARE(p.value, 70);
        // Out of the camera's range: refused, the camera keeps its value.
        QVERIFY(!camera.writeSetting(setting(SettingId::Brightness), 101));
        QVERIFY(cam->uvc().property(platform::PropertySet::VideoProcAmp, 0, &p));
        QCOMPARE(p.value, 70);

        QVERIFY(camera.writeSetting(setting(SettingId::WhiteBalanceAuto), 1));
        QVERIFY(cam->uvc().property(platform::PropertySet::VideoProcAmp, 7, &p));
        QCOMPARE(p.flags, 1);
        QVERIFY(camera.readSetting(setting(SettingId::WhiteBalanceAuto), value));
        QCOMPARE(value, 1);
        QVERIFY(camera.writeSetting(setting(SettingId::WhiteBalanceAuto), 0));
        QVERIFY(cam->uvc().property(platform::PropertySet::VideoProcAmp, 7, &p));
        QCOMPARE(p.flags, 2);

        // Automatic focus is the vendor's fixed message outside the sequence.
        cam->uvc().clearHistory();
        QVERIFY(camera.writeSetting(setting(SettingId::FocusAuto), 1));
        QCOMPARE(cam->uvc().xuMessages().size(), 1);
        QCOMPARE(cam->uvc().xuMessages().first().data, QByteArray("\x40\xFF\xFF\x00\x00\x00\x00\x00", 8));
    }

    void trackingModeOfAMisreportingFirmware()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        cam->uvc().setFeature(QStringLiteral("trackingMode"), 1);
        OpenCamera camera;
        QVERIFY(camera.openChannels(cam->id(), cam->friendlyName()));
        camera.setModels(13, 13, 1);
        camera.setFirmware(QStringLiteral("1.0.22"));
        QCOMPARE(camera.trackingMode(), 0);
        int value = -1;
        QVERIFY(camera.readSetting(camerasettings::setting(SettingId::TrackingMode), value));
        QCOMPARE(value, 0);
        camera.setFirmware(QStringLiteral("1.0.23"));
        QCOMPARE(camera.trackingMode(), 1);
        camera.setModels(14, 14, 1);
        camera.setFirmware(QStringLiteral("1.0.22"));
        QCOMPARE(camera.trackingMode(), 1);
    }

    void twoOpenCamerasKeepTheirOwnState()
    {
        testsupport::SimEnvironment env(QByteArray(
            "{\"cameras\":[{\"key\":\"cam1\"},{\"key\":\"cam2\",\"instance\":\"7&2&0\","
            "\"properties\":{\"zoom\":{\"value\":400}}}]}"));
        sim::SimCamera *one = env.rig().camera(QStringLiteral("cam1"));
        sim::SimCamera *two = env.rig().camera(QStringLiteral("cam2"));
        OpenCamera first;
        OpenCamera second;
        QVERIFY(first.openChannels(one->id(), one->friendlyName()));
        QVERIFY(second.openChannels(two->id(), two->friendlyName()));
        QVERIFY(first.readProperties());
        QVERIFY(second.readProperties());
        QCOMPARE(first.properties().zoom.current, 100);
        QCOMPARE(second.properties().zoom.current, 400);
        QVERIFY(second.writeSetting(camerasettings::setting(SettingId::Zoom), 500));
        sim::SimUvcCamera::Property p;
        QVERIFY(one->uvc().property(platform::PropertySet::CameraControl, 3, &p));
        QCOMPARE(p.value, 100);
        QVERIFY(two->uvc().property(platform::PropertySet::CameraControl, 3, &p));
        QCOMPARE(p.value, 500);
        first.closeChannels();
        QVERIFY(!first.isSelected());
        QVERIFY(second.writeSetting(camerasettings::setting(SettingId::Zoom), 200));
    }
};

LENSDESK_TEST_MAIN(TestCameraModel)
#include "tst_cameramodel.moc"
