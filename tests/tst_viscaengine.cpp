// The VISCA engine on the rig: each command as the bytes a controller sends, the reply
// bytes, and the values read back from the rig camera afterwards. Drives run on the
// virtual clock with held timers, so that "one second of driving" is exact.
#include "TestSupport.h"
#include "ViscaTestSupport.h"

#include "camera/PresetStore.h"
#include "core/SettingsStore.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimUvcCamera.h"
#include "remote/ServedCamera.h"
#include "remote/ViscaEngine.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

using platform::PropertySet;

using namespace viscatest;

namespace {

void setValue(sim::SimCamera *camera, int id, int v)
{
    sim::SimUvcCamera::Property p = rigProperty(camera, id);
    p.value = v;
    camera->uvc().setProperty(PropertySet::CameraControl, id, p);
}

const QList<QByteArray> kDone{QByteArray::fromHex("9041ff"), QByteArray::fromHex("9051ff")};
const QList<QByteArray> kNotExecutable{QByteArray::fromHex("906141ff")};

// The engine of one rig camera, as lensdeskctl serve holds it.
struct Served
{
    explicit Served(int nameModel = 0, int usbModel = 0, int productLine = 0)
        : camera(ServedCamera::Identity{kPath, kName, nameModel, usbModel, productLine, QStringLiteral("1.2.3")})
        , engine(camera)
    {
        camera.open();
    }
    QList<QByteArray> send(const char *bytes, quint64 client = 1) { return engine.handle(hex(bytes), client); }

    ServedCamera camera;
    ViscaEngine engine;
};

class Environment : public testsupport::SimEnvironment
{
public:
    explicit Environment(const QByteArray &json = rigJson())
        : testsupport::SimEnvironment(json)
    {
        clock().setHeldTimers(true);
    }
    sim::SimCamera *cam() { return rig().camera(QStringLiteral("cam1")); }
    // Lets ms of the clock pass, tick by tick, delivering each tick.
    void pass(int ms)
    {
        for (int t = 0; t < ms; t += 50) {
            clock().advance(50);
            QCoreApplication::processEvents();
        }
    }
};

} // namespace

class TestViscaEngine : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        SettingsStore settings;
        settings.remove(QStringLiteral("presets"));
        settings.sync();
    }

    void inquiriesAnswerTheCameraValues()
    {
        Environment env;
        Served s;
        QCOMPARE(s.send("81090400ff"), QList<QByteArray>{hex("905002ff")});
        // Zoom 450 is half way through 100..800: 0x2000.
        QCOMPARE(s.send("81090447ff"), QList<QByteArray>{hex("905002000000ff")});
        // Focus 610 = 0x262, manual.
        QCOMPARE(s.send("81090448ff"), QList<QByteArray>{hex("905000020602ff")});
        QCOMPARE(s.send("81090438ff"), QList<QByteArray>{hex("905003ff")});
        // Pan -12 = 0xFFF4, tilt 9.
        QCOMPARE(s.send("81090612ff"), QList<QByteArray>{hex("90500f0f0f0400000009ff")});
        // Vendor 0x3749, product 0x030A, firmware 1.2.3 as 0x1203, two sockets.
        QCOMPARE(s.send("81090002ff"), QList<QByteArray>{hex("90503749030a120302ff")});

        setValue(env.cam(), kZoom, 800);
        setValue(env.cam(), kPan, 30);
        setValue(env.cam(), kTilt, -30);
        QCOMPARE(s.send("81090447ff"), QList<QByteArray>{hex("905004000000ff")});
        QCOMPARE(s.send("81090612ff"), QList<QByteArray>{hex("90500000010e0f0f0e02ff")});
        setValue(env.cam(), kZoom, 100);
        QCOMPARE(s.send("81090447ff"), QList<QByteArray>{hex("905000000000ff")});
        // Camera address 2 is answered from address 2.
        QCOMPARE(s.send("82090400ff"), QList<QByteArray>{hex("a05002ff")});
    }

    void zoomDirectSpreadsOverTheRange()
    {
        Environment env;
        Served s;
        QCOMPARE(s.send("8101044700000000ff"), kDone);
        QCOMPARE(value(env.cam(), kZoom), 100);
        QCOMPARE(s.send("8101044702000000ff"), kDone);
        QCOMPARE(value(env.cam(), kZoom), 450);
        QCOMPARE(s.send("8101044704000000ff"), kDone);
        QCOMPARE(value(env.cam(), kZoom), 800);
        // Beyond the tele end: not executable, nothing moves.
        QCOMPARE(s.send("8101044704000001ff"), kNotExecutable);
        QCOMPARE(value(env.cam(), kZoom), 800);
    }

    void absoluteRelativeAndHome()
    {
        Environment env;
        Served s;
        // Pan 20 (0014), tilt -5 (FFFB).
        QCOMPARE(s.send("810106021814 00000104 0f0f0f0bff"), kDone);
        QCOMPARE(value(env.cam(), kPan), 20);
        QCOMPARE(value(env.cam(), kTilt), -5);
        // Pan 31 is beyond ±30: refused, nothing moves.
        QCOMPARE(s.send("810106021814 0000010f 00000000ff"), kNotExecutable);
        QCOMPARE(value(env.cam(), kPan), 20);
        QCOMPARE(value(env.cam(), kTilt), -5);
        // Relative +3, -1.
        QCOMPARE(s.send("810106031814 00000003 0f0f0f0fff"), kDone);
        QCOMPARE(value(env.cam(), kPan), 23);
        QCOMPARE(value(env.cam(), kTilt), -6);
        // Relative beyond the limit stops at it.
        QCOMPARE(s.send("810106031814 00000104 00000000ff"), kDone);
        QCOMPARE(value(env.cam(), kPan), 30);
        QCOMPARE(s.send("81010604ff"), kDone);
        QCOMPARE(value(env.cam(), kPan), 0);
        QCOMPARE(value(env.cam(), kTilt), 0);
        QCOMPARE(s.send("810106021814 00000007 00000002ff"), kDone);
        QCOMPARE(s.send("81010605ff"), kDone);
        QCOMPARE(value(env.cam(), kPan), 0);
        QCOMPARE(value(env.cam(), kTilt), 0);

        // At the wide end pan and tilt do not move.
        setValue(env.cam(), kZoom, 100);
        QCOMPARE(s.send("810106021814 00000005 00000005ff"), kNotExecutable);
        QCOMPARE(s.send("8101060118140203ff"), kNotExecutable);
        QCOMPARE(value(env.cam(), kPan), 0);
    }

    void driveMovesThenStopHolds()
    {
        Environment env;
        Served s;
        // Right at the top pan speed 0x18: ten units a second.
        QCOMPARE(s.send("8101060118140203ff"), kDone);
        env.pass(1000);
        QCOMPARE(value(env.cam(), kPan), -2);
        QCOMPARE(value(env.cam(), kTilt), 9);
        QCOMPARE(s.send("8101060118140303ff"), kDone);
        env.pass(2000);
        QCOMPARE(value(env.cam(), kPan), -2);

        // Up-left: tilt at 0x14 (ten a second), pan at 0x0C (five a second).
        QCOMPARE(s.send("810106010c140101ff"), kDone);
        env.pass(1000);
        QCOMPARE(value(env.cam(), kPan), -7);
        QCOMPARE(value(env.cam(), kTilt), 19);
        // Tilt stops, pan goes on.
        QCOMPARE(s.send("810106010c140103ff"), kDone);
        env.pass(1000);
        QCOMPARE(value(env.cam(), kPan), -12);
        QCOMPARE(value(env.cam(), kTilt), 19);
        // IF_Clear stops everything.
        QCOMPARE(s.send("88010001ff"), QList<QByteArray>{hex("88010001ff")});
        env.pass(1000);
        QCOMPARE(value(env.cam(), kPan), -12);

        // Down-right to the limit, kept alive by inquiries of the same client.
        QCOMPARE(s.send("8101060118140202ff", 7), kDone);
        for (int i = 0; i < 10; ++i) {
            env.pass(1000);
            s.send("81090612ff", 7);
        }
        QCOMPARE(value(env.cam(), kPan), 30);
        QCOMPARE(value(env.cam(), kTilt), -30);
        QVERIFY(!s.engine.drive().isMoving());
    }

    void silentClientGetsASafetyStop()
    {
        Environment env;
        Served s;
        // Right at five units a second, then nothing more from the client: without a
        // stop it would reach 30 after 8.4 s.
        QCOMPARE(s.send("810106010c140203ff", 3), kDone);
        env.pass(4000);
        QCOMPARE(value(env.cam(), kPan), 8);
        // Another client's packets do not keep it going.
        s.send("81090612ff", 4);
        env.pass(2000);
        const int stopped = value(env.cam(), kPan);
        QVERIFY(stopped > 8);
        QVERIFY(stopped < 30);
        QVERIFY(!s.engine.drive().isMoving());
        env.pass(5000);
        QCOMPARE(value(env.cam(), kPan), stopped);

        // A TCP client that leaves stops its drive at once.
        QCOMPARE(s.send("8101060118140103ff", 5), kDone);
        env.pass(500);
        const int left = value(env.cam(), kPan);
        QCOMPARE(left, stopped - 5);
        s.engine.clientGone(5);
        env.pass(1000);
        QCOMPARE(value(env.cam(), kPan), left);
    }

    void zoomAndFocusDrives()
    {
        Environment env;
        Served s;
        // Tele at speed 7: half the range (350) a second.
        QCOMPARE(s.send("8101040727ff"), kDone);
        env.pass(500);
        QCOMPARE(value(env.cam(), kZoom), 625);
        QCOMPARE(s.send("8101040700ff"), kDone);
        env.pass(1000);
        QCOMPARE(value(env.cam(), kZoom), 625);
        // Wide at the standard speed (3): a quarter of the range (175) a second.
        QCOMPARE(s.send("8101040703ff"), kDone);
        env.pass(1000);
        QCOMPARE(value(env.cam(), kZoom), 450);
        // On to the wide end, where it stops by itself.
        env.pass(3000);
        QCOMPARE(value(env.cam(), kZoom), 100);
        QVERIFY(!s.engine.drive().isMoving());

        // Focus far while manual, then stop: moves, then holds.
        QCOMPARE(s.send("8101044800010000ff"), kDone);
        QCOMPARE(value(env.cam(), kFocus), 256);
        QCOMPARE(s.send("8101040827ff"), kDone);
        env.pass(200);
        const int far = value(env.cam(), kFocus);
        QVERIFY(far > 256);
        QCOMPARE(s.send("8101040800ff"), kDone);
        env.pass(1000);
        QCOMPARE(value(env.cam(), kFocus), far);
        QCOMPARE(s.send("8101040837ff"), kDone);
        env.pass(200);
        QVERIFY(value(env.cam(), kFocus) < far);
        QCOMPARE(s.send("8101040800ff"), kDone);
    }

    void focusModes()
    {
        Environment env;
        Served s;
        QCOMPARE(s.send("8101043802ff"), kDone);
        QCOMPARE(rigProperty(env.cam(), kFocus).flags, 1);
        QCOMPARE(s.send("81090438ff"), QList<QByteArray>{hex("905002ff")});
        // Focus by hand only while manual.
        QCOMPARE(s.send("8101044800010000ff"), kNotExecutable);
        QCOMPARE(s.send("8101040802ff"), kNotExecutable);
        QCOMPARE(s.send("8101043803ff"), kDone);
        QCOMPARE(rigProperty(env.cam(), kFocus).flags, 2);
        QCOMPARE(s.send("81090438ff"), QList<QByteArray>{hex("905003ff")});
        QCOMPARE(s.send("8101043810ff"), kDone);
        QCOMPARE(rigProperty(env.cam(), kFocus).flags, 1);
        QCOMPARE(s.send("8101043810ff"), kDone);
        QCOMPARE(rigProperty(env.cam(), kFocus).flags, 2);
        // One push: automatic once, then manual where it settled.
        QCOMPARE(s.send("8101041801ff"), kDone);
        QCOMPARE(rigProperty(env.cam(), kFocus).flags, 2);
        // Beyond the focus range (0..1023).
        QCOMPARE(s.send("8101044800040000ff"), kNotExecutable);
        QCOMPARE(s.send("8101044800030a0fff"), kDone);
        QCOMPARE(value(env.cam(), kFocus), 0x3AF);
    }

    void memorySetRecallReset()
    {
        Environment env;
        Served s;
        setValue(env.cam(), kPan, 5);
        setValue(env.cam(), kTilt, 3);
        // Memory 2 is preset 3.
        QCOMPARE(s.send("8101043f0102ff"), kDone);
        {
            SettingsStore settings;
            PresetStore store(settings);
            const auto preset = store.preset(QStringLiteral("serial:SN-0042"), 3);
            QVERIFY(preset);
            QCOMPARE(preset->pan, 5);
            QCOMPARE(preset->tilt, 3);
            QCOMPARE(preset->zoom, 450);
        }
        QCOMPARE(s.send("8101044703000000ff"), kDone);
        QCOMPARE(s.send("810106021814 0000000f 0000000fff"), kDone);
        QCOMPARE(value(env.cam(), kZoom), 625);
        QCOMPARE(value(env.cam(), kPan), 15);
        QCOMPARE(s.send("8101043f0202ff"), kDone);
        QCOMPARE(value(env.cam(), kZoom), 450);
        QCOMPARE(value(env.cam(), kPan), 5);
        QCOMPARE(value(env.cam(), kTilt), 3);
        // Memory 0 and 8 are presets 1 and 9; 9 and beyond are none.
        QCOMPARE(s.send("8101043f0100ff"), kDone);
        QCOMPARE(s.send("8101043f0108ff"), kDone);
        QCOMPARE(s.send("8101043f0109ff"), kNotExecutable);
        QCOMPARE(s.send("8101043f0209ff"), kNotExecutable);
        {
            SettingsStore settings;
            PresetStore store(settings);
            QCOMPARE(store.all(QStringLiteral("serial:SN-0042")).keys(), (QList<int>{1, 3, 9}));
        }
        QCOMPARE(s.send("8101043f0002ff"), kDone);
        QCOMPARE(s.send("8101043f0202ff"), kNotExecutable);
        SettingsStore settings;
        PresetStore store(settings);
        QVERIFY(!store.preset(QStringLiteral("serial:SN-0042"), 3));
    }

    void refusedWhileTracking()
    {
        Environment env(rigJson({{"features", QJsonObject{{"trackingMode", 1}}}}));
        Served s;
        QCOMPARE(s.send("8101044704000000ff"), kNotExecutable);
        QCOMPARE(s.send("810106021814 00000005 00000005ff"), kNotExecutable);
        QCOMPARE(s.send("8101060118140203ff"), kNotExecutable);
        QCOMPARE(s.send("8101040702ff"), kNotExecutable);
        QCOMPARE(s.send("81010604ff"), kNotExecutable);
        QCOMPARE(s.send("8101043f0100ff"), kNotExecutable);
        env.pass(1000);
        QCOMPARE(value(env.cam(), kZoom), 450);
        QCOMPARE(value(env.cam(), kPan), -12);
        QCOMPARE(value(env.cam(), kTilt), 9);
        // Inquiries still answer; stops always complete.
        QCOMPARE(s.send("81090447ff"), QList<QByteArray>{hex("905002000000ff")});
        QCOMPARE(s.send("8101060118140303ff"), kDone);
        QCOMPARE(s.send("8101040700ff"), kDone);

        env.cam()->uvc().setFeature(QStringLiteral("trackingMode"), 0);
        QCOMPARE(s.send("8101044704000000ff"), kDone);
        QCOMPARE(value(env.cam(), kZoom), 800);
    }

    void refusedOnAModelWithoutMotion()
    {
        // Model 10 (product line 1) has no pan, tilt, zoom or focus.
        Environment env;
        Served s(10, 10, 1);
        QCOMPARE(s.send("8101044704000000ff"), kNotExecutable);
        QCOMPARE(s.send("8101060118140203ff"), kNotExecutable);
        QCOMPARE(s.send("8101043f0100ff"), kNotExecutable);
        QCOMPARE(s.send("8101044800010000ff"), kNotExecutable);
        QCOMPARE(s.send("81090447ff"), QList<QByteArray>{hex("906041ff")});
        QCOMPARE(s.send("81090612ff"), QList<QByteArray>{hex("906041ff")});
        QCOMPARE(s.send("81090400ff"), QList<QByteArray>{hex("905002ff")});
        QCOMPARE(value(env.cam(), kZoom), 450);
    }

    void unpluggedThenPluggedAgain()
    {
        Environment env;
        Served s;
        QCOMPARE(s.send("8101060118140203ff"), kDone);
        env.rig().unplug(env.cam());
        env.pass(500);
        QCOMPARE(s.send("8101044704000000ff"), kNotExecutable);
        QCOMPARE(s.send("81090447ff"), QList<QByteArray>{hex("906041ff")});
        QCOMPARE(s.send("81090400ff"), QList<QByteArray>{hex("905003ff")});
        QVERIFY(!s.engine.drive().isMoving());

        env.rig().plug(env.cam());
        QCOMPARE(s.send("81090400ff"), QList<QByteArray>{hex("905002ff")});
        QCOMPARE(s.send("8101044704000000ff"), kDone);
        QCOMPARE(value(env.cam(), kZoom), 800);
        QCOMPARE(s.send("81090447ff"), QList<QByteArray>{hex("905004000000ff")});
    }

    void malformedAndInterfaceMessages()
    {
        Environment env;
        Served s;
        QCOMPARE(s.send("8101049999ff"), QList<QByteArray>{hex("906002ff")});
        QCOMPARE(s.send("8101040702"), QList<QByteArray>{hex("906002ff")});
        QCOMPARE(s.send("81ff"), QList<QByteArray>{hex("906002ff")});
        QCOMPARE(s.send("ff"), QList<QByteArray>{hex("906002ff")});
        QCOMPARE(s.send("8101060218140000000000000000000000ff"), QList<QByteArray>{hex("906001ff")});
        QCOMPARE(s.send("883001ff"), QList<QByteArray>{hex("883002ff")});
        QCOMPARE(s.send("81010001ff"), QList<QByteArray>{hex("9050ff")});
        QCOMPARE(s.send("8121ff"), QList<QByteArray>{hex("906105ff")});
        QCOMPARE(value(env.cam(), kZoom), 450);
    }
};

LENSDESK_TEST_MAIN(TestViscaEngine)
#include "tst_viscaengine.moc"
