#include "CameraLogCapture.h"
#include "TestSupport.h"

#include "camera/UVCExtensionUnit.h"
#include "platform/Backend.h"
#include "platform/UpgradeModeCode.h"
#include "platform/sim/SimUvcCamera.h"

#include <QApplication>
#include <QSignalSpy>
#include <QThread>

#include <functional>

using sim::SimUvcCamera;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

QByteArray rigWith(const QString &cameras)
{
    return QStringLiteral("{\"cameras\": [%1]}").arg(cameras).toUtf8();
}

// The vendor messages a camera received, without their history of earlier tests.
QList<SimUvcCamera::XuMessage> messagesOf(sim::SimCamera *camera)
{
    return camera->uvc().xuMessages();
}

const QString kFailLine =
    QStringLiteral("info: Function: UVCExtensionUnit::SetGetExtensionUnit, %1 failed, Error code: 0x%2 \n");

} // namespace

class TestUvcExtensionUnit : public QObject
{
    Q_OBJECT
private slots:
    void sequenceNumbersWrapAfter255()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        for (int i = 0; i < 257; ++i)
            QVERIFY(uvc.SetMirror(i & 1));
        const QList<int> numbers = cam->uvc().sequenceNumbers();
        QCOMPARE(numbers.size(), 257);
        QCOMPARE(numbers.at(0), 1);
        QCOMPARE(numbers.at(254), 255);
        QCOMPARE(numbers.at(255), 0);
        QCOMPARE(numbers.at(256), 1);
    }

    void aQueryUsesTwoNumbersAndReadsTheResponse()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral("{\"key\":\"cam1\",\"features\":{\"hdr\":1}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(uvc.SetMirror(0));
        QVERIFY(uvc.SetAntiFlicker(1));
        QVERIFY(uvc.SetViewAngle(0));
        int hdr = -1;
        QVERIFY(uvc.GetHDR(hdr));
        QCOMPARE(hdr, 1);

        const QList<SimUvcCamera::XuMessage> m = messagesOf(cam);
        QCOMPARE(m.size(), 5);
        QCOMPARE(m.at(3).selector, 1u);
        QCOMPARE(m.at(3).flags, UVCExtensionUnit::kFlagsSet);
        QCOMPARE(m.at(3).data, bytes({0x81, 4, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(m.at(4).selector, 2u);
        QCOMPARE(m.at(4).flags, UVCExtensionUnit::kFlagsGet);
        // The response buffer goes out pre-filled with the opcode and the next number.
        QCOMPARE(m.at(4).data, bytes({0x81, 5, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(uvc.currentSequence(), 5u);
    }

    void headerAndMessageBytes()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(uvc.SetAntiFlicker(2));
        QVERIFY(uvc.SetTrackingMode(0x103));

        const QList<SimUvcCamera::XuMessage> m = messagesOf(cam);
        QCOMPARE(m.size(), 2);
        // KSP_NODE: the property set in memory order, selector 1, set|topology, node 2.
        QCOMPARE(m.at(0).header,
                 bytes({0xD0, 0x9E, 0xE4, 0x23, 0x78, 0x11, 0x31, 0x4F, 0xAE, 0x52, 0xD2, 0xFB, 0x8A, 0x8D, 0x3B,
                        0x48, 1, 0, 0, 0, 0x02, 0, 0, 0x10, 2, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(m.at(0).data, bytes({0x02, 1, 0x02, 0, 0, 0, 0, 0}));
        // Only the low byte of the value travels.
        QCOMPARE(m.at(1).data, bytes({0x10, 2, 0x03, 0, 0, 0, 0, 0}));
        QCOMPARE(cam->uvc().feature(QStringLiteral("trackingMode")), 3);
        QCOMPARE(cam->uvc().feature(QStringLiteral("antiFlicker")), 2);
    }

    void unnumberedMessagesAndRelease()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral("{\"key\":\"cam1\",\"upgradeEntryDelayMs\":2500}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(uvc.SetHDR(1));
        QVERIFY(uvc.SetAutoFocus());
        QVERIFY(uvc.SetAutoFocus());
        QCOMPARE(uvc.currentSequence(), 1u);
        QList<SimUvcCamera::XuMessage> m = messagesOf(cam);
        QCOMPARE(m.at(1).data, bytes({0x40, 0xFF, 0xFF, 0, 0, 0, 0, 0}));
        QCOMPARE(m.at(2).data, m.at(1).data);

        // ReleaseUvc starts the numbering again.
        QVERIFY(uvc.SetHDR(0));
        uvc.ReleaseUvc();
        QVERIFY(!uvc.isOpen());
        QCOMPARE(uvc.currentSequence(), 0u);
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(uvc.SetHDR(1));
        QCOMPARE(cam->uvc().sequenceNumbers().last(), 1);

        // The upgrade-mode entry: selector 4, the shared code, no number.
        CameraLogCapture log;
        QVERIFY(uvc.EnterUpgradeMode());
        QVERIFY(log.contains(QStringLiteral("updateDev.")));
        QCOMPARE(uvc.currentSequence(), 1u);
        m = messagesOf(cam);
        std::uint8_t code[8];
        platform::buildUpgradeModeCode(code);
        QCOMPARE(m.last().selector, 4u);
        QCOMPARE(m.last().flags, UVCExtensionUnit::kFlagsSet);
        QCOMPARE(m.last().data, QByteArray(reinterpret_cast<const char *>(code), 8));
        QVERIFY(!cam->present());
        env.clock().advance(2500);
        QVERIFY(cam->present());
        QCOMPARE(cam->mode(), sim::CameraMode::UBoot);
    }

    void versionText_data()
    {
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("text");
        QTest::newRow("1.2.31") << "1.2.31" << bytes({0, 1, 0, 2, 0, 0x1F}) << "1.2.31";
        QTest::newRow("msb first") << "258.0.65535" << bytes({1, 2, 0, 0, 0xFF, 0xFF}) << "258.0.65535";
        QTest::newRow("all zero") << "0.0.0" << bytes({0, 0, 0, 0, 0, 0}) << QString();
    }

    void versionText()
    {
        QFETCH(QString, firmware);
        QFETCH(QByteArray, answer);
        QFETCH(QString, text);
        testsupport::SimEnvironment env(
            rigWith(QStringLiteral("{\"key\":\"cam1\",\"firmware\":\"%1\"}").arg(firmware)));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QString version = QStringLiteral("untouched");
        QCOMPARE(uvc.GetVersion(0x80, version), !text.isEmpty());
        QCOMPARE(version, text.isEmpty() ? QStringLiteral("untouched") : text);
        QCOMPARE(messagesOf(cam).last().reply.mid(2), answer);
    }

    void versionFallsBackToTheOlderOpcode()
    {
        testsupport::SimEnvironment env(
            rigWith(QStringLiteral("{\"key\":\"cam1\",\"firmware\":\"1.0.22\",\"versionOpcodes\":[11]}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QString version;
        QVERIFY(!uvc.GetVersion(0x80, version));
        QVERIFY(uvc.GetVersion(0x0B, version));
        QCOMPARE(version, QStringLiteral("1.0.22"));

        // How the window, lensdeskctl and the batch read it: 0x80 first, then 0x0B.
        cam->uvc().clearHistory();
        version.clear();
        QVERIFY(uvc.readFirmwareVersion(version));
        QCOMPARE(version, QStringLiteral("1.0.22"));
        QList<int> asked;
        for (const SimUvcCamera::XuMessage &m : messagesOf(cam))
            asked << quint8(m.data.at(0));
        QCOMPARE(asked, (QList<int>{0x80, 0x80, 0x0B, 0x0B}));
    }

    void checkBytes_data()
    {
        QTest::addColumn<QVariant>("fault");
        QTest::addColumn<bool>("ok");
        QTest::newRow("right") << QVariant() << true;
        QTest::newRow("both wrong") << QVariant(true) << false;
        QTest::newRow("second wrong") << QVariant(QStringLiteral("byte4")) << false;
    }

    void checkBytes()
    {
        QFETCH(QVariant, fault);
        QFETCH(bool, ok);
        testsupport::SimEnvironment env(
            rigWith(QStringLiteral("{\"key\":\"cam1\",\"features\":{\"autoAE\":1,\"gesture\":1}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        if (fault.isValid())
            cam->setFault(QStringLiteral("xu.badCheckBytes"), fault);
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        int ae = -1;
        int gesture = -1;
        QCOMPARE(uvc.GetAutoAE(ae), ok);
        QCOMPARE(ae, ok ? 1 : -1);
        if (ok)
            QCOMPARE(messagesOf(cam).last().reply.mid(2, 3), bytes({1, 0x79, 0x97}));
        QCOMPARE(uvc.GetGesture(gesture), ok);
        QCOMPARE(gesture, ok ? 1 : -1);
        if (ok)
            QCOMPARE(messagesOf(cam).last().reply.mid(2, 3), bytes({1, 0x66, 0x99}));
    }

    void everyQueryReadsItsFeature()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"cam1\",\"features\":{\"hdr\":1,\"antiFlicker\":2,\"mic\":0,\"mirror\":1,\"viewAngle\":2,"
            "\"hdMode\":0,\"trackingMode\":3,\"trackingEffect\":0,\"trackingSpeed\":2}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        int v = -1;
        QVERIFY(uvc.GetHDR(v) && v == 1);
        QVERIFY(uvc.GetAntiFlicker(v) && v == 2);
        QVERIFY(uvc.GetMicEnable(v) && v == 0);
        QVERIFY(uvc.GetMirror(v) && v == 1);
        QVERIFY(uvc.GetViewAngle(v) && v == 2);
        QVERIFY(uvc.GetHDMode(v) && v == 0);
        QVERIFY(uvc.GetTrackingMode(v) && v == 3);
        CameraLogCapture log;
        QVERIFY(uvc.GetTrackingEffect(v) && v == 0);
        QVERIFY(uvc.GetTrackingSpeed(v) && v == 2);
        QVERIFY(uvc.GetVideoState(v) && v == 0);
        QVERIFY(uvc.SetTrackingEffect(1));
        QVERIFY(uvc.SetTrackingSpeed(0));
        QCOMPARE(log.lines(), QStringList({QStringLiteral("Auto query Effect"), QStringLiteral("Auto query Speend"),
                                            QStringLiteral("Auto config Effect"),
                                            QStringLiteral("Auto config Speend")}));
        QCOMPARE(cam->uvc().feature(QStringLiteral("trackingEffect")), 1);
        QCOMPARE(cam->uvc().feature(QStringLiteral("trackingSpeed")), 0);
    }

    void everyCommandCarriesItsOpcode()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        int v = 0;
        QString version;
        // What each operation writes: the opcode (byte 0) on selector 1, and for a query
        // the same opcode in the buffer read from selector 2.
        const struct
        {
            const char *operation;
            std::function<bool()> call;
            int opcode;
            bool query;
        } commands[] = {
            {"SetHDR", [&] { return uvc.SetHDR(1); }, 0x01, false},
            {"GetHDR", [&] { return uvc.GetHDR(v); }, 0x81, true},
            {"SetAntiFlicker", [&] { return uvc.SetAntiFlicker(2); }, 0x02, false},
            {"GetAntiFlicker", [&] { return uvc.GetAntiFlicker(v); }, 0x82, true},
            {"SetMirror", [&] { return uvc.SetMirror(1); }, 0x09, false},
            {"GetMirror", [&] { return uvc.GetMirror(v); }, 0x89, true},
            {"SetViewAngle", [&] { return uvc.SetViewAngle(1); }, 0x0C, false},
            {"GetViewAngle", [&] { return uvc.GetViewAngle(v); }, 0x8C, true},
            {"SetTrackingMode", [&] { return uvc.SetTrackingMode(1); }, 0x10, false},
            {"GetTrackingMode", [&] { return uvc.GetTrackingMode(v); }, 0x90, true},
            {"SetTrackingEffect", [&] { return uvc.SetTrackingEffect(0); }, 0x11, false},
            {"GetTrackingEffect", [&] { return uvc.GetTrackingEffect(v); }, 0x91, true},
            {"SetTrackingSpeed", [&] { return uvc.SetTrackingSpeed(2); }, 0x12, false},
            {"GetTrackingSpeed", [&] { return uvc.GetTrackingSpeed(v); }, 0x92, true},
            {"GetVideoState", [&] { return uvc.GetVideoState(v); }, 0x96, true},
            {"SetAutoAE", [&] { return uvc.SetAutoAE(0); }, 0x17, false},
            {"GetAutoAE", [&] { return uvc.GetAutoAE(v); }, 0x97, true},
            {"SetGesture", [&] { return uvc.SetGesture(1); }, 0x19, false},
            {"GetGesture", [&] { return uvc.GetGesture(v); }, 0x99, true},
            {"GetMicEnable", [&] { return uvc.GetMicEnable(v); }, 0x84, true},
            {"GetHDMode", [&] { return uvc.GetHDMode(v); }, 0x8D, true},
            {"GetVersion", [&] { return uvc.readFirmwareVersion(version); }, 0x80, true},
            // The values the camera has (a change would restart it); the reset, which
            // always does, comes last.
            {"SetMicEnable", [&] { return uvc.SetMicEnable(1); }, 0x04, false},
            {"SetHDMode", [&] { return uvc.SetHDMode(1); }, 0x0D, false},
            {"ResetDefaults", [&] { return uvc.ResetDefaults(); }, 0x7F, false},
        };
        for (const auto &c : commands) {
            const int before = messagesOf(cam).size();
            QVERIFY2(c.call(), c.operation);
            const QList<SimUvcCamera::XuMessage> m = messagesOf(cam).mid(before);
            QVERIFY2(m.size() == (c.query ? 2 : 1), c.operation);
            QVERIFY2(m.at(0).selector == 1u && quint8(m.at(0).data.at(0)) == c.opcode,
                     qPrintable(QStringLiteral("%1 sent 0x%2").arg(QLatin1String(c.operation))
                                    .arg(quint8(m.at(0).data.at(0)), 2, 16, QLatin1Char('0'))));
            if (c.query)
                QVERIFY2(m.at(1).selector == 2u && quint8(m.at(1).data.at(0)) == c.opcode, c.operation);
        }
    }

    void matchingByIdAndExactName()
    {
        // Two cameras of one model: same name, different instance ids.
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"cam1\",\"instance\":\"7&11111111&0\"},{\"key\":\"cam2\",\"instance\":\"7&22222222&0\"}")));
        sim::SimCamera *cam1 = env.rig().camera(QStringLiteral("cam1"));
        sim::SimCamera *cam2 = env.rig().camera(QStringLiteral("cam2"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam2->id(), cam2->friendlyName()));
        QVERIFY(uvc.SetHDR(1));
        QCOMPARE(messagesOf(cam1).size(), 0);
        QCOMPARE(messagesOf(cam2).size(), 1);
        uvc.ReleaseUvc();

        // A name that differs only in letter case is another device.
        CameraLogCapture log;
        QVERIFY(!uvc.InitUvc(cam1->id(), cam1->friendlyName().toLower()));
        QVERIFY(!uvc.isOpen());
        QVERIFY(log.contains(QStringLiteral("uvc camera index: 0  name: \"Orvia Vista Pro Cam\"")));
        QCOMPARE(log.startingWith(QStringLiteral("uvc path:")).size(), 2);
    }

    void identicalDevicesFirstWins()
    {
        const QString link = QStringLiteral("\\\\\\\\?\\\\usb#vid_3749&pid_030a&mi_00#7&1&0&0000#{x}");
        testsupport::SimEnvironment env(rigWith(QStringLiteral("{\"key\":\"cam1\",\"symbolicLink\":\"%1\"},"
                                                               "{\"key\":\"cam2\",\"symbolicLink\":\"%1\"}")
                                                    .arg(link)));
        sim::SimCamera *cam1 = env.rig().camera(QStringLiteral("cam1"));
        sim::SimCamera *cam2 = env.rig().camera(QStringLiteral("cam2"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(QStringLiteral("vid_3749&pid_030a&mi_00#7&1&0&0000"), cam1->friendlyName()));
        QVERIFY(uvc.SetHDR(1));
        QCOMPARE(messagesOf(cam1).size(), 1);
        QCOMPARE(messagesOf(cam2).size(), 0);
    }

    void lowestDevSpecificNodeReceivesEveryRequest()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"cam1\",\"nodes\":[\"cameraTerminal\",\"devSpecific\",\"processing\",\"devSpecific\"]}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        int v = 0;
        QVERIFY(uvc.SetHDR(1));
        QVERIFY(uvc.GetHDR(v));
        for (const SimUvcCamera::XuMessage &m : messagesOf(cam))
            QCOMPARE(m.nodeId, 1u);
    }

    void requestBeforeInitIsRefusedQuietly()
    {
        testsupport::SimEnvironment env;
        UVCExtensionUnit uvc;
        QSignalSpy reinit(&uvc, &UVCExtensionUnit::reInitUvc);
        CameraLogCapture log;
        std::uint8_t data[8] = {0x01, 1, 1, 0, 0, 0, 0, 0};
        std::uint32_t returned = 0;
        QCOMPARE(uvc.SetGetExtensionUnit(UVCExtensionUnit::kPropertySet, 1, UVCExtensionUnit::kFlagsSet, data, 8,
                                         &returned),
                 platform::HResult(0x80004003u));
        QVERIFY(!uvc.SetHDR(1));
        QVERIFY(log.lines().isEmpty());
        QCOMPARE(reinit.count(), 0);
        QVERIFY(env.rig().camera(QStringLiteral("cam1"))->uvc().xuMessages().isEmpty());
    }

    void failingPropertyCallAsksForReinit()
    {
        testsupport::SimEnvironment env(
            rigWith(QStringLiteral("{\"key\":\"cam1\",\"features\":{\"hdr\":0},"
                                   "\"faults\":{\"xu.opcode.0x01\":\"0x8007001F\"}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QSignalSpy reinit(&uvc, &UVCExtensionUnit::reInitUvc);
        CameraLogCapture log;
        QVERIFY(!uvc.SetHDR(1));
        QCOMPARE(reinit.count(), 1);
        QCOMPARE(log.lines(), QStringList({QStringLiteral("Set FAIL REINITUVC"),
                                            kFailLine.arg(QStringLiteral("ks_control->KsProperty(...)"),
                                                          QStringLiteral("8007001f"))}));
        QCOMPARE(cam->uvc().feature(QStringLiteral("hdr")), 0);
        // A query whose command fails stops there and leaves the output alone.
        int v = 7;
        QVERIFY(uvc.SetMirror(1));
        cam->setFault(QStringLiteral("xu.response.0x89"), QStringLiteral("0x80070079"));
        QVERIFY(!uvc.GetMirror(v));
        QCOMPARE(v, 7);
        QCOMPARE(reinit.count(), 2);
        QVERIFY(uvc.isOpen());
    }

    void nonzeroSuccessCodeOfThePropertyCallIsAFailure()
    {
        // A status of 1 is not an error code, yet only 0 means the camera took the request.
        testsupport::SimEnvironment env(
            rigWith(QStringLiteral("{\"key\":\"cam1\",\"faults\":{\"xu.opcode.0x01\":\"1\"}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QSignalSpy reinit(&uvc, &UVCExtensionUnit::reInitUvc);
        CameraLogCapture log;
        QVERIFY(!uvc.SetHDR(1));
        QCOMPARE(reinit.count(), 1);
        QCOMPARE(log.lines(), QStringList({QStringLiteral("Set FAIL REINITUVC"),
                                            kFailLine.arg(QStringLiteral("ks_control->KsProperty(...)"),
                                                          QStringLiteral("01"))}));
    }

    void failuresBeforeThePropertyCallOnlyLog()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral(
            "{\"key\":\"cam1\"},{\"key\":\"mic\",\"friendlyName\":\"USB MIC Array\",\"extensionUnit\":false,"
            "\"instance\":\"7&33333333&0\"}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        sim::SimCamera *mic = env.rig().camera(QStringLiteral("mic"));
        UVCExtensionUnit uvc;
        QSignalSpy reinit(&uvc, &UVCExtensionUnit::reInitUvc);
        CameraLogCapture log;

        // No device-specific node in the topology.
        QVERIFY(uvc.InitUvc(mic->id(), mic->friendlyName()));
        QVERIFY(!uvc.SetHDR(1));
        QVERIFY(log.contains(kFailLine.arg(QStringLiteral("FindExtensionNode"), QStringLiteral("80004005"))));
        uvc.ReleaseUvc();

        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        struct Case
        {
            const char *fault;
            QVariant value;
            const char *step;
            const char *code;
        };
        const Case cases[] = {
            {"media.topology", QStringLiteral("0x80004002"), "IMFMediaSource::QueryInterface(IKsTopologyInfo)",
             "80004002"},
            {"media.topology", QStringLiteral("null"), "FindExtensionNode", "80004003"},
            {"topology.numNodes", QStringLiteral("0x8007001F"), "FindExtensionNode", "8007001f"},
            {"topology.createNodeInstance", QStringLiteral("0x80070005"),
             "ks_topology_info->CreateNodeInstance(...)", "80070005"},
            {"node.queryControl", QStringLiteral("0x80004002"), "ks_topology_info->QueryInterface(...)",
             "80004002"},
        };
        for (const Case &c : cases) {
            log.clear();
            cam->setFault(QLatin1String(c.fault), c.value);
            QVERIFY2(!uvc.SetHDR(1), c.fault);
            QVERIFY2(log.contains(kFailLine.arg(QLatin1String(c.step), QLatin1String(c.code))), c.fault);
            cam->clearFault(QLatin1String(c.fault));
        }
        QCOMPARE(reinit.count(), 0);
        QVERIFY(messagesOf(cam).isEmpty());
        QVERIFY(uvc.SetHDR(1));
    }

    void initFailures()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        CameraLogCapture log;

        cam->setFault(QStringLiteral("media.activate"), QStringLiteral("0x80070005"));
        QVERIFY(!uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(log.contains(QStringLiteral(
            "info: Function: UVCExtensionUnit::InitVideoDevice, Activating video device failed, Error code: "
            "0x80070005 \n")));
        QVERIFY(!uvc.isOpen());
        cam->clearFault(QStringLiteral("media.activate"));

        // Without a source reader the source is still held and requests reach the camera.
        uvc.ReleaseUvc();
        cam->setFault(QStringLiteral("media.sourceReader"), QStringLiteral("0x8007001F"));
        QVERIFY(!uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(log.contains(QStringLiteral(
            "info: Function: UVCExtensionUnit::InitVideoDevice, Creating video source reader failed, Error code: "
            "0x8007001f \n")));
        QVERIFY(uvc.SetHDR(1));
        cam->clearFault(QStringLiteral("media.sourceReader"));

        // Names and links that do not read are logged and leave nothing to match.
        uvc.ReleaseUvc();
        log.clear();
        cam->setFault(QStringLiteral("media.friendlyName"), QStringLiteral("0x80004005"));
        cam->setFault(QStringLiteral("media.symbolicLink"), QStringLiteral("0x80004005"));
        QVERIFY(!uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(log.contains(QStringLiteral(
            "info: Function: UVCExtensionUnit::GetVideoDeviceFriendlyNames, Get video device friendly name failed, "
            "Error code: 0x80004005 \n")));
        QVERIFY(log.contains(QStringLiteral(
            "info: Function: UVCExtensionUnit::GetVideoDevicePath, Get video device path failed, Error code: "
            "0x80004005 \n")));

        // A failing enumeration step is logged with its own label.
        uvc.ReleaseUvc();
        log.clear();
        env.backend().setMediaEnumerationFailure(1, platform::kEFail);
        QVERIFY(!uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(log.contains(QStringLiteral(
            "info: Function: UVCExtensionUnit::GetVideoDevices, Video capture device SetGUID failed, Error code: "
            "0x80004005 \n")));
    }

    void cameraLeavesTheBusDuringARequest()
    {
        testsupport::SimEnvironment env(rigWith(QStringLiteral("{\"key\":\"cam1\",\"restartDelayMs\":4000}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QSignalSpy reinit(&uvc, &UVCExtensionUnit::reInitUvc);
        cam->setFault(QStringLiteral("xu.vanish"), QStringLiteral("0x81"));
        int v = 9;
        QVERIFY(!uvc.GetHDR(v));
        QCOMPARE(v, 9);
        QCOMPARE(messagesOf(cam).last().status, platform::kErrorDeviceNotConnected);
        QCOMPARE(reinit.count(), 1);
        QVERIFY(!cam->present());

        // The held source stays dead, also after the camera is back.
        std::uint8_t data[8] = {0x01, 1, 1, 0, 0, 0, 0, 0};
        std::uint32_t returned = 0;
        QCOMPARE(uvc.SetGetExtensionUnit(UVCExtensionUnit::kPropertySet, 1, UVCExtensionUnit::kFlagsSet, data, 8,
                                         &returned),
                 platform::kErrorDeviceNotConnected);
        QCOMPARE(reinit.count(), 2);
        env.clock().advance(4000);
        QVERIFY(cam->present());
        QVERIFY(!uvc.SetHDR(1));

        // Re-opened, the channel works again.
        uvc.ReleaseUvc();
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(uvc.GetHDR(v));
    }

    void cameraThatNeverComesBack()
    {
        testsupport::SimEnvironment env(
            rigWith(QStringLiteral("{\"key\":\"cam1\",\"faults\":{\"xu.vanish\":true,\"xu.vanishReturnMs\":-1}}")));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        QVERIFY(!uvc.SetHDR(1));
        env.clock().advance(60000);
        QVERIFY(!cam->present());
        uvc.ReleaseUvc();
        QVERIFY(!uvc.InitUvc(cam->id(), cam->friendlyName()));
    }

    void upgradeEntryFromAnotherThread()
    {
        testsupport::SimEnvironment env;
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        UVCExtensionUnit uvc;
        QVERIFY(uvc.InitUvc(cam->id(), cam->friendlyName()));
        bool ok = false;
        QThread *worker = QThread::create([&] { ok = uvc.EnterUpgradeMode(); });
        worker->start();
        QVERIFY(worker->wait());
        delete worker;
        QVERIFY(ok);
        QVERIFY(!cam->present());
    }
};

LENSDESK_TEST_MAIN(TestUvcExtensionUnit)
#include "tst_uvcextensionunit.moc"
