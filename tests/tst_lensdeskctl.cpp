// lensdeskctl run as real processes against rig files. Each process saves its rig's
// state when it ends (LENSDESK_RIG_SAVE); the test loads that state into a rig of its own
// and reads the cameras' values there, so every value a command wrote is read back from
// the rig, not from lensdeskctl. The command layer is also driven in-process against a
// live rig, where the bytes that reached the camera can be checked.
#include "CtlTestSupport.h"

#include "ctl/CtlCommand.h"
#include "platform/CaptureFilter.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimMassStorage.h"
#include "platform/sim/SimRig.h"
#include "platform/sim/SimUvcCamera.h"
#include "upgrade/UpgradeLock.h"
#include "upgrade/Zip7z.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace ctltest;

class TestLensdeskctl : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;

private slots:
    void initTestCase()
    {
        QVERIFY(installBinary());
    }

    void listShowsEveryCameraWithItsState()
    {
        const Run text = ctl({QStringLiteral("list")}, mixedRig());
        QCOMPARE(text.code, 0);
        const QStringList rows = lines(text.out);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows.at(0).simplified(), QStringLiteral("# STATE MODEL FIRMWARE NODE SERIAL NAME PATH"));
        QCOMPARE(rows.at(1).simplified(), QStringLiteral("1 normal 0 1.2.3 - - Orvia Vista Pro Cam ") + kPath1);
        QCOMPARE(rows.at(2).simplified(), QStringLiteral("2 normal 7 1.0.22 - - LNS612-000 Cam ") + kPath2);
        // The camera in its boot ROM names its product, so its model is known.
        QCOMPARE(rows.at(3).simplified(), QStringLiteral("3 stuck in ROM 0 - - - camera on H: \\\\.\\H:"));

        const Run js = ctl({QStringLiteral("list"), QStringLiteral("--json")}, mixedRig());
        QCOMPARE(js.code, 0);
        const QJsonArray cams = json(js).value(QStringLiteral("cameras")).toArray();
        QCOMPARE(cams.size(), 3);
        QCOMPARE(cams.at(0).toObject(), (QJsonObject{{"index", 1}, {"state", "normal"}, {"model", 0},
                                                     {"firmware", "1.2.3"}, {"name", "Orvia Vista Pro Cam"},
                                                     {"path", kPath1}, {"serial", QJsonValue()},
                                                     {"videoNode", QJsonValue()}}));
        QCOMPARE(cams.at(1).toObject().value(QStringLiteral("model")).toInt(), 7);
        // The same members for a camera in a boot state; what it cannot tell is null.
        QCOMPARE(cams.at(2).toObject(), (QJsonObject{{"index", 3}, {"state", "rom"}, {"name", "camera on H:"},
                                                     {"path", "\\\\.\\H:"}, {"model", 0}, {"firmware", QJsonValue()},
                                                     {"serial", QJsonValue()}, {"videoNode", QJsonValue()}}));

        // No camera: exit code 3, as for every command.
        const Run none = ctl({QStringLiteral("list")}, rig({}));
        QCOMPARE(none.code, 3);
        QCOMPARE(none.out, QString());
        QCOMPARE(none.err, QStringLiteral("lensdeskctl: no supported camera is plugged in\n"));
    }

    void getShowsTheCameraValues()
    {
        const QByteArray r = oneCamera({{"features", QJsonObject{{"hdr", 1}, {"antiFlicker", 2}, {"viewAngle", 2}}},
                                        {"properties", QJsonObject{{"brightness", QJsonObject{{"value", 42}}}}}});
        const Run text = ctl({QStringLiteral("get")}, r);
        QCOMPARE(text.code, 0);
        QCOMPARE(lines(text.out),
                 QStringList({"zoom=100", "pan=0", "tilt=0", "focus=255", "focus-auto=off", "brightness=42",
                              "contrast=50", "hue=15", "saturation=63", "sharpness=0", "white-balance=5983",
                              "white-balance-auto=on", "hdr=on", "hd-mode=on", "mic=on", "ai-light=on",
                              "anti-flicker=60hz", "field-of-view=65", "tracking-mode=off",
                              "tracking-effect=smooth", "tracking-speed=normal"}));

        const Run js = ctl({QStringLiteral("get"), QStringLiteral("--json")}, r);
        QCOMPARE(js.code, 0);
        const QJsonObject settings = json(js).value(QStringLiteral("settings")).toObject();
        QCOMPARE(settings.size(), 21);
        for (const QString &line : lines(text.out)) {
            const QString name = line.section(QLatin1Char('='), 0, 0);
            const QJsonValue v = settings.value(name);
            QCOMPARE(v.isDouble() ? QString::number(v.toInt()) : v.toString(), line.section(QLatin1Char('='), 1));
        }
        QCOMPARE(settings.value(QStringLiteral("brightness")).toInt(), 42);
        QCOMPARE(json(js).value(QStringLiteral("camera")).toObject().value(QStringLiteral("path")).toString(), kPath1);

        // Some names only; one the model lacks is named with what the model has.
        const Run some = ctl({QStringLiteral("get"), QStringLiteral("--camera"), QStringLiteral("LNS"),
                              QStringLiteral("zoom"), QStringLiteral("field-of-view")},
                             mixedRig());
        QCOMPARE(some.code, 1);
        QCOMPARE(some.out, QStringLiteral("zoom=100\n"));
        QCOMPARE(some.err.trimmed(),
                 QStringLiteral("lensdeskctl: field-of-view: camera #2 \"LNS612-000 Cam\" (%1) (model 7) has no "
                                "field-of-view; it has: zoom, pan, tilt, focus, focus-auto, brightness, contrast, hue, "
                                "saturation, sharpness, white-balance, white-balance-auto, hdr, hd-mode, mic, ai-light, "
                                "anti-flicker, tracking-mode, tracking-effect, tracking-speed")
                     .arg(kPath2));
    }

    void setWritesEachValueAndReadsItBack()
    {
        const Run run = ctl({QStringLiteral("set"), QStringLiteral("white-balance=4000"), QStringLiteral("pan=-7"),
                             QStringLiteral("zoom=300"), QStringLiteral("tilt=5"), QStringLiteral("brightness=61"),
                             QStringLiteral("white-balance-auto=off"), QStringLiteral("focus-auto=off"),
                             QStringLiteral("focus=400"), QStringLiteral("hdr=on"), QStringLiteral("ai-light=off"),
                             QStringLiteral("anti-flicker=60hz"), QStringLiteral("field-of-view=78")},
                            oneCamera());
        QCOMPARE(run.code, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        // Written in the order each needs: the wide view and manual modes first.
        QCOMPARE(lines(run.out),
                 QStringList({"white-balance-auto=off", "focus-auto=off", "field-of-view=78", "zoom=300",
                              "white-balance=4000", "pan=-7", "tilt=5", "brightness=61", "focus=400", "hdr=on",
                              "ai-light=off", "anti-flicker=60hz"}));
        const Rig r(run.state);
        QCOMPARE(r.camera("cam1", 3), 300);
        QCOMPARE(r.camera("cam1", 0), -7);
        QCOMPARE(r.camera("cam1", 1), 5);
        QCOMPARE(r.camera("cam1", 6), 400);
        QVERIFY(!r.focusAuto("cam1"));
        QCOMPARE(r.image("cam1", 0), 61);
        QCOMPARE(r.image("cam1", 7), 4000);
        QVERIFY(!r.imageAuto("cam1", 7));
        QCOMPARE(r.feature("cam1", "hdr"), 1);
        QCOMPARE(r.feature("cam1", "autoAE"), 0);
        QCOMPARE(r.feature("cam1", "antiFlicker"), 2);
        QCOMPARE(r.feature("cam1", "viewAngle"), 1);

        // Automatic tracking; then its effect and speed, which exist only with it.
        const Run tracking = ctl({QStringLiteral("set"), QStringLiteral("tracking-speed=fast"),
                                  QStringLiteral("tracking-effect=immediate"),
                                  QStringLiteral("tracking-mode=auto-framing"), QStringLiteral("--json")},
                                 oneCamera());
        QCOMPARE(tracking.code, 0);
        const QJsonArray results = json(tracking).value(QStringLiteral("results")).toArray();
        QCOMPARE(results.size(), 3);
        const auto done = [](const char *name, const char *value) {
            return QJsonObject{{"name", name}, {"status", "done"}, {"reason", QJsonValue()}, {"value", value},
                               {"message", QJsonValue()}};
        };
        QCOMPARE(results.at(0).toObject(), done("tracking-mode", "auto-framing"));
        QCOMPARE(results.at(1).toObject(), done("tracking-effect", "immediate"));
        QCOMPARE(results.at(2).toObject(), done("tracking-speed", "fast"));
        const Rig t(tracking.state);
        QCOMPARE(t.feature("cam1", "trackingMode"), 1);
        QCOMPARE(t.feature("cam1", "trackingEffect"), 0);
        QCOMPARE(t.feature("cam1", "trackingSpeed"), 2);
    }

    void setRefusesWhatTheCameraCannotHave()
    {
        const QByteArray wide = oneCamera({{"properties", QJsonObject{{"pan", QJsonObject{{"min", -50}, {"max", 50}}}}}});
        struct Case
        {
            QStringList args;
            int code;
            QString message;
        };
        const QList<Case> cases = {
            {{"set", "zoom=801"}, 1, "lensdeskctl: refused: zoom: 801 is outside what this camera takes (100..800)"},
            {{"set", "zoom=400", "pan=31"}, 1, "lensdeskctl: refused: pan: 31 is outside what this camera takes (-30..30)"},
            {{"set", "pan=3"}, 1, "lensdeskctl: refused: pan: only when zoomed in, with zoom above 100 (it is 100)"},
            {{"set", "white-balance=3000"}, 1, "lensdeskctl: refused: white-balance: only while white-balance-auto is off"},
            {{"set", "tracking-speed=slow"}, 1,
             "lensdeskctl: refused: tracking-speed: only while tracking-mode is auto-framing (it is off)"},
            {{"set", "mirror=on"}, 1,
             QStringLiteral("lensdeskctl: refused: mirror: camera #1 \"Orvia Vista Pro Cam\" (%1) (model 0) has no "
                            "mirror; it has: zoom, pan, tilt, focus, focus-auto, brightness, contrast, hue, saturation, "
                            "sharpness, white-balance, white-balance-auto, hdr, hd-mode, mic, ai-light, anti-flicker, "
                            "field-of-view, tracking-mode, tracking-effect, tracking-speed").arg(kPath1)},
            {{"set", "gesture=on"}, 1, {}},
            {{"set", "zoom=big"}, 2, "lensdeskctl: zoom: \"big\" is not a whole number"},
            {{"set", "anti-flicker=70hz"}, 2, "lensdeskctl: anti-flicker: \"70hz\" is none of 50hz, 60hz"},
            {{"set", "colour=1"}, 2, {}},
            {{"set", "zoom"}, 2, "lensdeskctl: \"zoom\" is no NAME=VALUE"},
        };
        for (const Case &c : cases) {
            const Run run = ctl(c.args, wide);
            QVERIFY2(run.code == c.code, qPrintable(c.args.join(' ') + QStringLiteral(": ") + run.err));
            if (!c.message.isEmpty())
                QVERIFY2(lines(run.err).contains(c.message), qPrintable(run.err));
            // Nothing refused reached the camera.
            if (run.code == 2) {
                QVERIFY(run.state.isEmpty() || Rig(run.state).camera("cam1", 3) == 100);
                continue;
            }
            const Rig r(run.state);
            QCOMPARE(r.camera("cam1", 0), 0);
            QCOMPARE(r.feature("cam1", "mirror"), 0);
            QCOMPARE(r.feature("cam1", "gesture"), 0);
            QCOMPARE(r.image("cam1", 7), 5983);
        }
        // Zoom went to 400 in the pan case even though pan was refused.
        QCOMPARE(Rig(ctl({"set", "zoom=400", "pan=31"}, wide).state).camera("cam1", 3), 400);

        // JSON carries the same refusal.
        const Run js = ctl({"set", "--json", "zoom=801"}, wide);
        QCOMPARE(js.code, 1);
        QCOMPARE(json(js).value(QStringLiteral("results")).toArray().at(0).toObject(),
                 (QJsonObject{{"name", "zoom"}, {"status", "refused"}, {"reason", "out-of-range"}, {"value", QJsonValue()},
                              {"message", "zoom: 801 is outside what this camera takes (100..800)"}}));
    }

    void setReportsValuesTheCameraDoesNotTake()
    {
        // The camera acknowledges but keeps its value: read back, reported, exit 1. (A
        // camera that ignores vendor commands answers its queries with 0.)
        const Run image = ctl({"set", "brightness=80"}, oneCamera({{"faults", QJsonObject{{"prop.ignore.video.0", true}}}}));
        QCOMPARE(image.code, 1);
        QCOMPARE(image.err.trimmed(), QStringLiteral("lensdeskctl: not taken: brightness: 80 sent, the camera holds 50"));
        QCOMPARE(Rig(image.state).image("cam1", 0), 50);

        const Run vendor = ctl({"set", "--json", "anti-flicker=60hz"}, oneCamera({{"faults", QJsonObject{{"xu.ignore", true}}}}));
        QCOMPARE(vendor.code, 1);
        QCOMPARE(json(vendor).value(QStringLiteral("results")).toArray().at(0).toObject(),
                 (QJsonObject{{"name", "anti-flicker"}, {"status", "not-taken"}, {"reason", "not-kept"}, {"value", 0},
                              {"message", "anti-flicker: 60hz sent, the camera holds 0"}}));
        QCOMPARE(Rig(vendor.state).feature("cam1", "antiFlicker"), 1);

        // A command the camera refuses: said so, with the platform's status and the value
        // the camera still holds.
        const Run failed = ctl({"set", "anti-flicker=60hz"}, oneCamera({{"faults", QJsonObject{{"xu.opcode.0x02", "0x8007001F"}}}}));
        QCOMPARE(failed.code, 1);
        QCOMPARE(failed.err.trimmed(), QStringLiteral("lensdeskctl: not taken: anti-flicker: the camera refused 60hz "
                                                      "(status 0x8007001f); anti-flicker is 50hz"));
        QCOMPARE(Rig(failed.state).feature("cam1", "antiFlicker"), 1);
        // HDR is not read back after a failure, as in the window.
        const Run hdr = ctl({"set", "hdr=on"}, oneCamera({{"faults", QJsonObject{{"xu.opcode.0x01", "0x8007001F"}}}}));
        QCOMPARE(hdr.code, 1);
        QCOMPARE(hdr.err.trimmed(), QStringLiteral("lensdeskctl: not taken: hdr: the camera refused on (status 0x8007001f)"));
        QCOMPARE(Rig(hdr.state).feature("cam1", "hdr"), 0);
    }

    void setMicrophoneWaitsForTheCameraToRestart()
    {
        const Run run = ctl({"set", "mic=off", "hd-mode=off"}, oneCamera());
        QCOMPARE(run.code, 0);
        QCOMPARE(lines(run.out),
                 QStringList({"mic=off", "  To complete this process, your device may take a few seconds to restart.",
                              "hd-mode=off",
                              "  Turn on for better image quality and turn off for better compatibility. To complete this "
                              "process, your device may take a few seconds to restart."}));
        const Rig r(run.state);
        QVERIFY(r.cam("cam1")->present());
        QCOMPARE(r.feature("cam1", "mic"), 0);
        QCOMPARE(r.feature("cam1", "hdMode"), 0);
    }

    void selectorsAndUsage()
    {
        const QByteArray r = mixedRig();
        Run run = ctl({"get"}, r);
        QCOMPARE(run.code, 2);
        QCOMPARE(lines(run.err),
                 QStringList({"lensdeskctl: several cameras are plugged in; choose one with --camera",
                              "  1  Orvia Vista Pro Cam  " + kPath1, "  2  LNS612-000 Cam  " + kPath2}));
        run = ctl({"get", "--camera", "cam", "--json"}, r);
        QCOMPARE(run.code, 2);
        QCOMPARE(json(run).value(QStringLiteral("error")).toString(),
                 QStringLiteral("\"cam\" fits several cameras; choose one of them"));
        QCOMPARE(json(run).value(QStringLiteral("matches")).toArray().size(), 3);
        QCOMPARE(json(run).value(QStringLiteral("exitCode")).toInt(), 2);
        // Digits are an index and nothing else; path: and name: match fragments.
        run = ctl({"get", "--camera", "2222", "zoom"}, r);
        QCOMPARE(run.code, 3);
        QCOMPARE(run.err.trimmed(), QStringLiteral("lensdeskctl: no camera matches \"2222\""));
        run = ctl({"get", "--camera", "path:2222", "zoom"}, r);
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringLiteral("zoom=100\n"));
        run = ctl({"get", "--camera", "name:lns612", "zoom"}, r);
        QCOMPARE(run.code, 0);
        run = ctl({"get", "--camera", "name:2222", "zoom"}, r);
        QCOMPARE(run.code, 3);
        run = ctl({"get", "--camera", "2", "focus"}, r);
        QCOMPARE(run.code, 0);
        run = ctl({"get", "--camera", "5"}, r);
        QCOMPARE(run.code, 3);
        QCOMPARE(run.err.trimmed(), QStringLiteral("lensdeskctl: no camera matches \"5\""));
        run = ctl({"get"}, rig({}));
        QCOMPARE(run.code, 3);
        run = ctl({"set", "--camera", "3", "zoom=200"}, r);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err.trimmed(), QStringLiteral("lensdeskctl: camera #3 \"camera on H:\" (\\\\.\\H:) is stuck in ROM; "
                                                   "bring it back with lensdeskctl recover PACKAGE"));
        run = ctl({"get", "loudness"}, r);
        QCOMPARE(run.code, 2);
        QVERIFY(run.err.startsWith(QStringLiteral("lensdeskctl: unknown setting \"loudness\"; the settings are: zoom, pan,")));

        run = ctl({}, r);
        QCOMPARE(run.code, 2);
        run = ctl({"frobnicate"}, r);
        QCOMPARE(run.code, 2);
        run = ctl({"list", "--all"}, r);
        QCOMPARE(run.code, 2);
        run = ctl({"--help"}, r);
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains(QStringLiteral("\nExit status:\n  0  done\n  1  a camera refused or failed")));
        QVERIFY(run.out.contains(QStringLiteral("\n  3  no such camera: nothing matches --camera")));
        for (const char *command : {"list", "get", "set", "save", "apply", "preset", "factory-reset", "upgrade",
                                    "recover", "package-info"}) {
            run = ctl({QLatin1String(command), "--help"}, r);
            QCOMPARE(run.code, 0);
            QVERIFY2(run.out.startsWith(QStringLiteral("Usage: lensdeskctl %1").arg(QLatin1String(command))), command);
        }
        run = ctl({"--version"}, r);
        QCOMPARE(run.out, QStringLiteral("lensdeskctl 1.0.4\n"));
    }

    void saveThenApplyRestoresEveryValue()
    {
        // A camera set to non-factory values ...
        const Run set = ctl({"set", "zoom=250", "pan=4", "tilt=-3", "focus-auto=off", "focus=300", "brightness=60",
                             "contrast=40", "hue=10", "saturation=70", "sharpness=5", "white-balance-auto=off",
                             "white-balance=4500", "hdr=on", "hd-mode=off", "mic=off", "ai-light=off",
                             "anti-flicker=60hz", "field-of-view=78"},
                            oneCamera());
        QCOMPARE(set.code, 0);
        // ... saved by the next process, which starts from that rig.
        const QString preset = m_work.filePath(QStringLiteral("room.json"));
        const Run save = ctl({"save", preset}, set.state);
        QCOMPARE(save.code, 0);
        QCOMPARE(save.out, QStringLiteral("Saved 21 settings of camera #1 \"Orvia Vista Pro Cam\" (%1) to %2\n").arg(kPath1, preset));
        QFile file(preset);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject doc = QJsonDocument::fromJson(file.readAll()).object();
        QCOMPARE(doc.value(QStringLiteral("format")).toString(), QStringLiteral("lensdesk-preset"));
        QCOMPARE(doc.value(QStringLiteral("version")).toInt(), 1);
        QCOMPARE(doc.value(QStringLiteral("camera")).toObject().value(QStringLiteral("model")).toInt(), 0);
        const QJsonObject settings = doc.value(QStringLiteral("settings")).toObject();
        QCOMPARE(settings.value(QStringLiteral("zoom")).toInt(), 250);
        QCOMPARE(settings.value(QStringLiteral("field-of-view")).toString(), QStringLiteral("78"));

        // Applied to a camera at its factory values, every value is back on the rig.
        const Run apply = ctl({"apply", preset}, oneCamera());
        QVERIFY2(apply.code == 0, qPrintable(apply.err));
        const Rig r(apply.state);
        QCOMPARE(r.camera("cam1", 3), 250);
        QCOMPARE(r.camera("cam1", 0), 4);
        QCOMPARE(r.camera("cam1", 1), -3);
        QCOMPARE(r.camera("cam1", 6), 300);
        QVERIFY(!r.focusAuto("cam1"));
        QCOMPARE(r.image("cam1", 0), 60);
        QCOMPARE(r.image("cam1", 1), 40);
        QCOMPARE(r.image("cam1", 2), 10);
        QCOMPARE(r.image("cam1", 3), 70);
        QCOMPARE(r.image("cam1", 4), 5);
        QCOMPARE(r.image("cam1", 7), 4500);
        QVERIFY(!r.imageAuto("cam1", 7));
        QCOMPARE(r.feature("cam1", "hdr"), 1);
        QCOMPARE(r.feature("cam1", "hdMode"), 0);
        QCOMPARE(r.feature("cam1", "mic"), 0);
        QCOMPARE(r.feature("cam1", "autoAE"), 0);
        QCOMPARE(r.feature("cam1", "antiFlicker"), 2);
        QCOMPARE(r.feature("cam1", "viewAngle"), 1);
        QVERIFY(r.cam("cam1")->present());
        // Tracking effect and speed mean nothing with tracking off: left as they were.
        QCOMPARE(lines(apply.out).filter(QStringLiteral("skipped")),
                 QStringList({"skipped: tracking-effect: not applied, the preset's tracking-mode is not auto-framing",
                              "skipped: tracking-speed: not applied, the preset's tracking-mode is not auto-framing"}));

        // A preset that is none.
        upgradetest::writeFile(m_work.filePath(QStringLiteral("junk.json")), "{\"settings\": 3}");
        QCOMPARE(ctl({"apply", m_work.filePath(QStringLiteral("junk.json"))}, oneCamera()).code, 2);
    }

    void presetOfAnotherVersionIsRefused_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("shown");
        QTest::newRow("version 2") << "2" << 2;
        QTest::newRow("version 0") << "0" << 0;
        QTest::newRow("no version") << QString() << -1;
        QTest::newRow("version as text") << "\"1\"" << -1;
    }

    void presetOfAnotherVersionIsRefused()
    {
        QFETCH(QString, version);
        QFETCH(int, shown);
        const QString file = m_work.filePath(QStringLiteral("other-version.json"));
        const QString versionKey = version.isEmpty() ? QString() : QStringLiteral("\"version\": %1, ").arg(version);
        upgradetest::writeFile(file, QStringLiteral("{\"format\": \"lensdesk-preset\", %1"
                                                    "\"settings\": {\"zoom\": 250, \"hdr\": \"on\"}}")
                                         .arg(versionKey)
                                         .toUtf8());
        const Run run = ctl({"apply", file}, oneCamera());
        QCOMPARE(run.code, 2);
        QCOMPARE(run.err.trimmed(),
                 QStringLiteral("lensdeskctl: %1: preset version %2 is not known (this program reads version 1)")
                     .arg(file)
                     .arg(shown));
        // Nothing of it reached the camera (refused before the rig was even opened, or
        // the rig as it was).
        if (!run.state.isEmpty()) {
            const Rig r(run.state);
            QCOMPARE(r.camera("cam1", 3), 100);
            QCOMPARE(r.feature("cam1", "hdr"), 0);
        }

        // The same file as version 1 is applied.
        upgradetest::writeFile(file, "{\"format\": \"lensdesk-preset\", \"version\": 1, "
                                     "\"settings\": {\"zoom\": 250, \"hdr\": \"on\"}}");
        const Run applied = ctl({"apply", file}, oneCamera());
        QVERIFY2(applied.code == 0, qPrintable(applied.err));
        QCOMPARE(Rig(applied.state).camera("cam1", 3), 250);
        QCOMPARE(Rig(applied.state).feature("cam1", "hdr"), 1);
    }

    void presetSaveRecallListClear()
    {
        const QJsonObject looking{{"serial", "PTZ-7"},
                                  {"properties", QJsonObject{{"zoom", QJsonObject{{"value", 300}}},
                                                             {"pan", QJsonObject{{"value", -7}}},
                                                             {"tilt", QJsonObject{{"value", 5}}}}}};
        const QString cam = QStringLiteral("camera #1 \"Orvia Vista Pro Cam\" (%1)").arg(kPath1);
        Run run = ctl({"preset", "save", "2"}, oneCamera(looking));
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringLiteral("Saved preset 2 of %1: pan=-7 tilt=5 zoom=300 focus=255\n").arg(cam));
        // Saving sends nothing: the camera is where it was.
        QCOMPARE(Rig(run.state).camera("cam1", 3), 300);

        // Recalled on the same camera (by its serial number) at the wide view.
        const QByteArray home = oneCamera({{"serial", "PTZ-7"}});
        run = ctl({"preset", "recall", "2", "--json"}, home);
        QCOMPARE(run.code, 0);
        QCOMPARE(json(run).value(QStringLiteral("status")).toString(), QStringLiteral("done"));
        QCOMPARE(json(run).value(QStringLiteral("number")).toInt(), 2);
        QCOMPARE(json(run).value(QStringLiteral("preset")).toObject(),
                 (QJsonObject{{"pan", -7}, {"tilt", 5}, {"zoom", 300}, {"focus", 255}}));
        QCOMPARE(json(run).value(QStringLiteral("camera")).toObject().value(QStringLiteral("serial")).toString(),
                 QStringLiteral("PTZ-7"));
        Rig r(run.state);
        QCOMPARE(r.camera("cam1", 3), 300);
        QCOMPARE(r.camera("cam1", 0), -7);
        QCOMPARE(r.camera("cam1", 1), 5);

        run = ctl({"preset", "list"}, home);
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringLiteral("2: pan=-7 tilt=5 zoom=300 focus=255\n"));
        // The same path without the serial number is another camera.
        run = ctl({"preset", "list", "--json"}, oneCamera());
        QCOMPARE(run.code, 0);
        QCOMPARE(json(run).value(QStringLiteral("presets")).toObject(), QJsonObject());
        run = ctl({"preset", "list"}, oneCamera());
        QCOMPARE(run.out, QStringLiteral("Camera #1 \"Orvia Vista Pro Cam\" (%1) has no position presets.\n").arg(kPath1));

        // Refusals: nothing stored, tracking on, no mechanics; a pan the camera does not keep.
        run = ctl({"preset", "recall", "3"}, home);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err.trimmed(), QStringLiteral("lensdeskctl: refused: preset 3 of %1 holds nothing; store it first "
                                                   "with lensdeskctl preset save 3").arg(cam));
        run = ctl({"preset", "recall", "2", "--json"},
                  oneCamera({{"serial", "PTZ-7"}, {"features", QJsonObject{{"trackingMode", 1}}}}));
        QCOMPARE(run.code, 1);
        QCOMPARE(json(run).value(QStringLiteral("status")).toString(), QStringLiteral("refused"));
        QCOMPARE(json(run).value(QStringLiteral("reason")).toString(), QStringLiteral("tracking-on"));
        QCOMPARE(json(run).value(QStringLiteral("message")).toString(),
                 QStringLiteral("preset 2: only while tracking-mode is off (it is auto-framing)"));
        QCOMPARE(Rig(run.state).camera("cam1", 3), 100);
        run = ctl({"preset", "save", "1"}, oneCamera({{"serial", "PTZ-7"}, {"friendlyName", "ARBOR 50F Cam"}}));
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err.trimmed(), QStringLiteral("lensdeskctl: refused: preset 1: camera #1 \"ARBOR 50F Cam\" (%1) "
                                                   "(model 10) has no pan, tilt or zoom").arg(kPath1));
        run = ctl({"preset", "recall", "2"},
                  oneCamera({{"serial", "PTZ-7"}, {"faults", QJsonObject{{"prop.ignore.camera.0", true}}}}));
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err.trimmed(), QStringLiteral("lensdeskctl: not taken: preset 2: pan: -7 sent, the camera holds 0"));
        r = Rig(run.state);
        QCOMPARE(r.camera("cam1", 3), 300);
        QCOMPARE(r.camera("cam1", 0), 0);
        QCOMPARE(r.camera("cam1", 1), 0);

        // Usage.
        for (const QStringList &args : {QStringList{"preset"}, QStringList{"preset", "recall", "10"},
                                        QStringList{"preset", "save", "0"}, QStringList{"preset", "save"},
                                        QStringList{"preset", "jump", "1"}, QStringList{"preset", "list", "1"},
                                        QStringList{"preset", "recall", "02"}}) {
            run = ctl(args, home);
            QVERIFY2(run.code == 2, qPrintable(args.join(QLatin1Char(' '))));
        }
        QCOMPARE(ctl({"preset", "list"}, rig({})).code, 3);

        run = ctl({"preset", "clear", "2"}, home);
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringLiteral("Cleared preset 2 of %1\n").arg(cam));
        run = ctl({"preset", "clear", "2", "--json"}, home);
        QCOMPARE(run.code, 0);
        QCOMPARE(json(run).value(QStringLiteral("cleared")).toBool(), false);
        QCOMPARE(ctl({"preset", "recall", "2"}, home).code, 1);
    }

    void saveAndApplyCarryThePositionPresets()
    {
        auto at = [](const char *serial, int zoom, int pan, int tilt) {
            return oneCamera({{"serial", serial},
                              {"properties", QJsonObject{{"zoom", QJsonObject{{"value", zoom}}},
                                                         {"pan", QJsonObject{{"value", pan}}},
                                                         {"tilt", QJsonObject{{"value", tilt}}},
                                                         {"focus", QJsonObject{{"auto", true}}}}}});
        };
        QCOMPARE(ctl({"preset", "save", "1"}, at("PTZ-8", 250, 4, -3)).code, 0);
        QCOMPARE(ctl({"preset", "save", "4"}, at("PTZ-8", 600, -15, 12)).code, 0);
        const QString file = m_work.filePath(QStringLiteral("positions.json"));
        Run run = ctl({"save", file}, at("PTZ-8", 100, 0, 0));
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringLiteral("Saved 21 settings and 2 position presets of camera #1 \"Orvia Vista Pro Cam\" "
                                         "(%1) to %2\n").arg(kPath1, file));
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QJsonObject presets =
            QJsonDocument::fromJson(saved.readAll()).object().value(QStringLiteral("presets")).toObject();
        QCOMPARE(presets, (QJsonObject{{"1", QJsonObject{{"pan", 4}, {"tilt", -3}, {"zoom", 250}}},
                                       {"4", QJsonObject{{"pan", -15}, {"tilt", 12}, {"zoom", 600}}}}));

        // Applied to another camera, they are that camera's presets.
        run = ctl({"apply", "--json", file}, at("PTZ-9", 100, 0, 0));
        QCOMPARE(run.code, 0);
        QCOMPARE(json(run).value(QStringLiteral("presets")).toObject(), presets);
        run = ctl({"preset", "list", "--json"}, at("PTZ-9", 100, 0, 0));
        QCOMPARE(json(run).value(QStringLiteral("presets")).toObject(), presets);
        run = ctl({"preset", "recall", "4"}, at("PTZ-9", 100, 0, 0));
        QCOMPARE(run.code, 0);
        const Rig r(run.state);
        QCOMPARE(r.camera("cam1", 3), 600);
        QCOMPARE(r.camera("cam1", 0), -15);
        QCOMPARE(r.camera("cam1", 1), 12);

        // Text output names what was stored; a model without mechanics stores nothing.
        run = ctl({"apply", file}, at("PTZ-10", 100, 0, 0));
        QCOMPARE(lines(run.out).filter(QStringLiteral("stored")),
                 QStringList({"preset 1 stored: pan=4 tilt=-3 zoom=250", "preset 4 stored: pan=-15 tilt=12 zoom=600"}));
        run = ctl({"apply", "--json", file}, oneCamera({{"serial", "PTZ-11"}, {"friendlyName", "ARBOR 50F Cam"}}));
        QCOMPARE(json(run).value(QStringLiteral("presets")).toObject(), QJsonObject());
        QCOMPARE(json(run).value(QStringLiteral("skipped")).toArray().last().toObject().value(QStringLiteral("name")).toString(),
                 QStringLiteral("presets"));
        run = ctl({"preset", "list", "--json"}, oneCamera({{"serial", "PTZ-11"}, {"friendlyName", "ARBOR 50F Cam"}}));
        QCOMPARE(json(run).value(QStringLiteral("presets")).toObject(), QJsonObject());

        // Presets that are none make the file no preset.
        upgradetest::writeFile(m_work.filePath(QStringLiteral("bad.json")),
                               R"({"format": "lensdesk-preset", "version": 1, "settings": {},
                                   "presets": {"12": {"pan": 0, "tilt": 0, "zoom": 100}}})");
        run = ctl({"apply", m_work.filePath(QStringLiteral("bad.json"))}, at("PTZ-9", 100, 0, 0));
        QCOMPARE(run.code, 2);
        QCOMPARE(run.err.trimmed(), QStringLiteral("lensdeskctl: %1 is no preset: \"presets\" holds \"12\"; the presets "
                                                   "are numbered 1 to 9").arg(m_work.filePath(QStringLiteral("bad.json"))));
        upgradetest::writeFile(m_work.filePath(QStringLiteral("bad.json")),
                               R"({"format": "lensdesk-preset", "version": 1, "settings": {},
                                   "presets": {"2": {"pan": "left", "tilt": 0, "zoom": 100}}})");
        QCOMPARE(ctl({"apply", m_work.filePath(QStringLiteral("bad.json"))}, at("PTZ-9", 100, 0, 0)).code, 2);
    }

    void applyToAnotherModelSkipsWhatItLacks()
    {
        const QString preset = m_work.filePath(QStringLiteral("model0.json"));
        const Run save = ctl({"save", preset}, oneCamera({{"features", QJsonObject{{"viewAngle", 2}, {"hdr", 1}}}}));
        QCOMPARE(save.code, 0);
        const Run apply = ctl({"apply", "--json", preset},
                              rig({camera("cam1", "7&1111&0", {{"friendlyName", "KT-M41-000 Cam"}})}));
        QCOMPARE(apply.code, 0);
        const QJsonArray skipped = json(apply).value(QStringLiteral("skipped")).toArray();
        QStringList names;
        for (const QJsonValue &s : skipped)
            names << s.toObject().value(QStringLiteral("name")).toString();
        // Model 1 has neither focus nor a field of view; pan and tilt at the wide view, the
        // tracking effect and speed with tracking off and an automatic white balance's
        // value are left as they are.
        QCOMPARE(names, QStringList({"field-of-view", "focus", "focus-auto", "pan", "tilt", "tracking-effect",
                                     "tracking-speed", "white-balance"}));
        QVERIFY(skipped.at(0).toObject().value(QStringLiteral("message")).toString().startsWith(
            QStringLiteral("field-of-view: camera #1 \"KT-M41-000 Cam\" (%1) (model 1) has no field-of-view").arg(kPath1)));
        const Rig r(apply.state);
        QCOMPARE(r.feature("cam1", "hdr"), 1);
        QCOMPARE(r.feature("cam1", "viewAngle"), 0);
    }

    void upgradeAllWithOneCameraVanishing()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        const QByteArray twoCameras =
            rig({camera("cam1", "7&1111&0", {{"driveLetter", "F"}}),
                 camera("cam2", "7&2222&0", {{"driveLetter", "G"},
                                             {"faults", QJsonObject{{"storage.vanishAfterBytes", 20000}}}})});
        const Run text = ctl({"upgrade", package, "--all"}, twoCameras);
        QCOMPARE(text.code, 1);
        QStringList out = lines(text.out);
        QCOMPARE(out.mid(0, 4), QStringList({"Upgrading #1 \"Orvia Vista Pro Cam\" (" + kPath1 + ") from firmware 1.0.22",
                                             "Camera 1: done",
                                             "Upgrading #2 \"Orvia Vista Pro Cam\" (" + kPath2 + ") from firmware 1.0.22",
                                             "Camera 2: failed"}));
        QCOMPARE(out.at(4).simplified(), QStringLiteral("# CAMERA BEFORE AFTER RESULT MESSAGE"));
        QCOMPARE(out.at(5).simplified(), QStringLiteral("1 Orvia Vista Pro Cam 1.0.22 1.0.23 done Upgrade is done! The device is "
                                                        "initializing, don't power off."));
        QCOMPARE(out.at(6).simplified(), QStringLiteral("2 Orvia Vista Pro Cam 1.0.22 - failed Upgrade Failed! please try to "
                                                        "unplug and plug the USB cable for upgrade again. (Upgrade failed.)"));
        const Rig r(text.state);
        QCOMPARE(r.cam("cam1")->firmwareVersion(), QStringLiteral("1.0.23"));
        QVERIFY(r.cam("cam1")->present());
        QCOMPARE(r.cam("cam1")->mode(), sim::CameraMode::Normal);
        QCOMPARE(r.cam("cam2")->firmwareVersion(), QStringLiteral("1.0.22"));
        QVERIFY(!r.cam("cam2")->present());

        const Run js = ctl({"upgrade", package, "--all", "--json"}, twoCameras);
        QCOMPARE(js.code, 1);
        const QJsonArray rows = json(js).value(QStringLiteral("results")).toArray();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).toObject().value(QStringLiteral("status")).toString(), QStringLiteral("done"));
        QCOMPARE(rows.at(0).toObject().value(QStringLiteral("firmwareBefore")).toString(), QStringLiteral("1.0.22"));
        QCOMPARE(rows.at(0).toObject().value(QStringLiteral("firmwareAfter")).toString(), QStringLiteral("1.0.23"));
        QCOMPARE(rows.at(1).toObject().value(QStringLiteral("status")).toString(), QStringLiteral("failed"));
        QCOMPARE(rows.at(1).toObject().value(QStringLiteral("detail")).toString(), QStringLiteral("Upgrade failed."));
        QCOMPARE(rows.at(1).toObject().value(QStringLiteral("camera")).toObject().value(QStringLiteral("path")).toString(), kPath2);
    }

    void recoverBringsARomCameraBack()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        const QByteArray stuck = rig({camera("cam1", "7&1111&0", {{"mode", "rom"}, {"driveLetter", "H"}})});
        // An upgrade does not touch a camera in a boot state.
        const Run refused = ctl({"upgrade", package}, stuck);
        QCOMPARE(refused.code, 1);
        QCOMPARE(refused.err.trimmed(), QStringLiteral("lensdeskctl: camera #1 \"camera on H:\" (\\\\.\\H:) is stuck in ROM; "
                                                       "recover it first with lensdeskctl recover PACKAGE"));

        const Run run = ctl({"recover", package, "--json"}, stuck);
        QCOMPARE(run.code, 0);
        const QJsonObject row = json(run).value(QStringLiteral("results")).toArray().at(0).toObject();
        QCOMPARE(row.value(QStringLiteral("status")).toString(), QStringLiteral("done"));
        // The camera tells its model (0) in its boot state; the package's is 0 too.
        QCOMPARE(row.value(QStringLiteral("modelChecked")).toBool(), true);
        QVERIFY(row.value(QStringLiteral("warning")).isNull());
        QCOMPARE(row.value(QStringLiteral("firmwareAfter")).toString(), QStringLiteral("1.0.23"));
        QCOMPARE(row.value(QStringLiteral("detail")).toString(), QStringLiteral("back as Orvia Vista Pro Cam (%1)").arg(kPath1));
        const Rig r(run.state);
        QCOMPARE(r.cam("cam1")->mode(), sim::CameraMode::Normal);
        QVERIFY(r.cam("cam1")->present());
        QCOMPARE(r.cam("cam1")->firmwareVersion(), QStringLiteral("1.0.23"));

        const Run nothing = ctl({"recover", package}, oneCamera());
        QCOMPARE(nothing.code, 3);
        QCOMPARE(nothing.err.trimmed(), QStringLiteral("lensdeskctl: no camera is stuck in a boot state"));
    }

    void upgradeRefusedWhileAnotherUpgradesOrForAnotherModel()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        {
            // The window (this process) upgrades.
            UpgradeLock lock;
            QVERIFY(lock.tryLock());
            const Run run = ctl({"upgrade", package}, oneCamera());
            QCOMPARE(run.code, 1);
            QCOMPARE(run.err.trimmed(),
                     QStringLiteral("lensdeskctl: another lensdesk is upgrading a camera (process %1); try again when it "
                                    "has finished")
                         .arg(QCoreApplication::applicationPid()));
            // Refused before any camera was even looked at.
            QVERIFY(run.state.isEmpty());
        }
        const QString other = makePackage(m_work, "LNS612-000");
        const Run mismatch = ctl({"upgrade", other}, oneCamera());
        QCOMPARE(mismatch.code, 1);
        QCOMPARE(lines(mismatch.out).last().simplified(),
                 QStringLiteral("1 Orvia Vista Pro Cam 1.0.22 - refused Unable to Upgrade: The upgrade version does not "
                                "match this device. (package model 7, camera model 0)"));
        QCOMPARE(Rig(mismatch.state).cam("cam1")->firmwareVersion(), QStringLiteral("1.0.22"));

        upgradetest::writeFile(m_work.filePath(QStringLiteral("broken.zip")), "not a zip at all");
        const Run broken = ctl({"upgrade", m_work.filePath(QStringLiteral("broken.zip"))}, oneCamera());
        QCOMPARE(broken.code, 2);
        QCOMPARE(broken.err, QStringLiteral("lensdeskctl: %1 is not a zip package\n").arg(m_work.filePath(QStringLiteral("broken.zip"))));
    }

    // A number that is no index selects nothing, whatever paths and names hold it.
    void numberThatIsNoIndexSelectsNothing()
    {
        Run run = ctl({"set", "--camera", "3", "zoom=200"}, oneCamera());
        QCOMPARE(run.code, 3);
        QCOMPARE(run.err.trimmed(), QStringLiteral("lensdeskctl: no camera matches \"3\""));
        QCOMPARE(Rig(run.state).camera("cam1", 3), 100);
        run = ctl({"set", "--camera", "1", "zoom=200"}, oneCamera());
        QCOMPARE(run.code, 0);
        QCOMPARE(Rig(run.state).camera("cam1", 3), 200);

        // A name made of digits is chosen with name:.
        const QByteArray digits = rig({camera("cam1", "7&1111&0"),
                                       camera("cam2", "7&2222&0", {{"friendlyName", "Orvia Vista Pro Cam 2020"}})});
        run = ctl({"set", "--camera", "2020", "zoom=300"}, digits);
        QCOMPARE(run.code, 3);
        QCOMPARE(Rig(run.state).camera("cam1", 3), 100);
        QCOMPARE(Rig(run.state).camera("cam2", 3), 100);
        run = ctl({"set", "--camera", "name:2020", "zoom=300"}, digits);
        QCOMPARE(run.code, 0);
        QCOMPARE(Rig(run.state).camera("cam1", 3), 100);
        QCOMPARE(Rig(run.state).camera("cam2", 3), 300);
        run = ctl({"set", "--camera", "path:1111", "zoom=250"}, digits);
        QCOMPARE(run.code, 0);
        QCOMPARE(Rig(run.state).camera("cam1", 3), 250);
        QCOMPARE(Rig(run.state).camera("cam2", 3), 100);
        run = ctl({"get", "--camera", "name:", "zoom"}, digits);
        QCOMPARE(run.code, 2);

        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        run = ctl({"upgrade", makePackage(m_work), "--camera", "4"}, oneCamera());
        QCOMPARE(run.code, 3);
        QCOMPARE(run.err.trimmed(), QStringLiteral("lensdeskctl: no camera matches \"4\""));
        const Rig r(run.state);
        QCOMPARE(r.cam("cam1")->firmwareVersion(), QStringLiteral("1.0.22"));
        QCOMPARE(r.cam("cam1")->mode(), sim::CameraMode::Normal);
    }

    // The first camera fails and stays in its boot loader; the second camera's upgrade
    // goes to the second camera, and each row says what became of its own camera.
    void upgradeAllPassesByACameraLeftStuck()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        // cam1 drops the flash command twice (the script fails), then would take it.
        const QByteArray twoCameras = rig(
            {camera("cam1", "7&1111&0",
                    {{"driveLetter", "E"},
                     {"faults", QJsonObject{{"storage.unacknowledgedCommands", 2}, {"storage.unacknowledgedMatch", "nand"}}}}),
             camera("cam2", "7&2222&0", {{"driveLetter", "F"}})});
        const Run text = ctl({"upgrade", package, "--all"}, twoCameras);
        QCOMPARE(text.code, 1);
        const QStringList out = lines(text.out);
        QCOMPARE(out.size(), 8);
        QCOMPARE(out.mid(0, 4), QStringList({"Upgrading #1 \"Orvia Vista Pro Cam\" (" + kPath1 + ") from firmware 1.0.22",
                                             "Camera 1: failed",
                                             "Upgrading #2 \"Orvia Vista Pro Cam\" (" + kPath2 + ") from firmware 1.0.22",
                                             "Camera 2: done"}));
        QCOMPARE(out.at(5).simplified(), QStringLiteral("1 Orvia Vista Pro Cam 1.0.22 - failed Upgrade Failed! please try to "
                                                        "unplug and plug the USB cable for upgrade again. (Upgrade failed.)"));
        QCOMPARE(out.at(6).simplified(), QStringLiteral("stuck in boot loader as \\\\.\\E:; bring it back with lensdeskctl "
                                                        "recover PACKAGE"));
        QCOMPARE(out.at(7).simplified(), QStringLiteral("2 Orvia Vista Pro Cam 1.0.22 1.0.23 done Upgrade is done! The device "
                                                        "is initializing, don't power off."));
        const Rig r(text.state);
        QVERIFY(r.cam("cam1")->present());
        QCOMPARE(r.cam("cam1")->mode(), sim::CameraMode::UBoot);
        QCOMPARE(r.cam("cam1")->firmwareVersion(), QStringLiteral("1.0.22"));
        QCOMPARE(r.cam("cam2")->mode(), sim::CameraMode::Normal);
        QCOMPARE(r.cam("cam2")->firmwareVersion(), QStringLiteral("1.0.23"));

        const Run js = ctl({"upgrade", package, "--all", "--json"}, twoCameras);
        QCOMPARE(js.code, 1);
        const QJsonArray rows = json(js).value(QStringLiteral("results")).toArray();
        QCOMPARE(rows.size(), 2);
        const QJsonObject first = rows.at(0).toObject();
        QCOMPARE(first.value(QStringLiteral("camera")).toObject().value(QStringLiteral("path")).toString(), kPath1);
        QCOMPARE(first.value(QStringLiteral("status")).toString(), QStringLiteral("failed"));
        QCOMPARE(first.value(QStringLiteral("stateAfter")).toString(), QStringLiteral("uboot"));
        QCOMPARE(first.value(QStringLiteral("pathAfter")).toString(), QStringLiteral("\\\\.\\E:"));
        QVERIFY(first.value(QStringLiteral("firmwareAfter")).isNull());
        const QJsonObject second = rows.at(1).toObject();
        QCOMPARE(second.value(QStringLiteral("camera")).toObject().value(QStringLiteral("path")).toString(), kPath2);
        QCOMPARE(second.value(QStringLiteral("status")).toString(), QStringLiteral("done"));
        QCOMPARE(second.value(QStringLiteral("firmwareBefore")).toString(), QStringLiteral("1.0.22"));
        QCOMPARE(second.value(QStringLiteral("firmwareAfter")).toString(), QStringLiteral("1.0.23"));
        QVERIFY(second.value(QStringLiteral("stateAfter")).isNull());
        const Rig j(js.state);
        QCOMPARE(j.cam("cam1")->mode(), sim::CameraMode::UBoot);
        QCOMPARE(j.cam("cam2")->firmwareVersion(), QStringLiteral("1.0.23"));
    }

    // Two stuck cameras: each recovery goes to its own camera's drive, also after the
    // first one failed.
    void recoverTakesEachStuckCameraOnItsOwnDrive()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        const QByteArray twoStuck = rig(
            {camera("cam1", "7&1111&0",
                    {{"mode", "uboot"},
                     {"driveLetter", "E"},
                     {"faults", QJsonObject{{"storage.unacknowledgedCommands", 2}, {"storage.unacknowledgedMatch", "nand"}}}}),
             camera("cam2", "7&2222&0", {{"mode", "rom"}, {"driveLetter", "F"}})});
        const Run js = ctl({"recover", package, "--json"}, twoStuck);
        QCOMPARE(js.code, 1);
        const QJsonArray rows = json(js).value(QStringLiteral("results")).toArray();
        QCOMPARE(rows.size(), 2);
        const QJsonObject first = rows.at(0).toObject();
        QCOMPARE(first.value(QStringLiteral("camera")).toObject().value(QStringLiteral("path")).toString(),
                 QStringLiteral("\\\\.\\E:"));
        QCOMPARE(first.value(QStringLiteral("status")).toString(), QStringLiteral("failed"));
        QCOMPARE(first.value(QStringLiteral("stateAfter")).toString(), QStringLiteral("uboot"));
        QCOMPARE(first.value(QStringLiteral("pathAfter")).toString(), QStringLiteral("\\\\.\\E:"));
        const QJsonObject second = rows.at(1).toObject();
        QCOMPARE(second.value(QStringLiteral("camera")).toObject().value(QStringLiteral("path")).toString(),
                 QStringLiteral("\\\\.\\F:"));
        QCOMPARE(second.value(QStringLiteral("status")).toString(), QStringLiteral("done"));
        QCOMPARE(second.value(QStringLiteral("firmwareAfter")).toString(), QStringLiteral("1.0.23"));
        QCOMPARE(second.value(QStringLiteral("detail")).toString(),
                 QStringLiteral("back as Orvia Vista Pro Cam (%1)").arg(kPath2));
        const Rig r(js.state);
        QCOMPARE(r.cam("cam1")->mode(), sim::CameraMode::UBoot);
        QCOMPARE(r.cam("cam1")->firmwareVersion(), QStringLiteral("1.0.22"));
        QCOMPARE(r.cam("cam2")->mode(), sim::CameraMode::Normal);
        QCOMPARE(r.cam("cam2")->firmwareVersion(), QStringLiteral("1.0.23"));

        const Run text = ctl({"recover", package}, twoStuck);
        QCOMPARE(text.code, 1);
        const QStringList out = lines(text.out);
        QCOMPARE(out.mid(0, 2), QStringList({"Recovering the camera on E:, stuck in boot loader",
                                             "Recovering the camera on F:, stuck in ROM"}));
        QCOMPARE(out.at(3).simplified(), QStringLiteral("1 camera on E: - - failed Upgrade Failed! please try to unplug and "
                                                        "plug the USB cable for upgrade again. (Upgrade failed.)"));
        QCOMPARE(out.at(4).simplified(), QStringLiteral("still stuck in boot loader as \\\\.\\E:; bring it back with "
                                                        "lensdeskctl recover PACKAGE"));
        QCOMPARE(out.at(5).simplified(), QStringLiteral("2 camera on F: - 1.0.23 done Upgrade is done! The device is "
                                                        "initializing, don't power off. (back as Orvia Vista Pro Cam %1)")
                                             .arg(QStringLiteral("(") + kPath2 + QStringLiteral(")")));
    }

    // A stuck camera that tells its model is not recovered with another model's package;
    // one that does not is recovered with a warning.
    void recoverChecksTheModelWhereTheCameraTellsIt()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString arbor = makePackage(m_work, "ARBOR 220");
        const QByteArray model0 = rig({camera("cam1", "7&1111&0", {{"mode", "rom"}, {"driveLetter", "H"}})});
        const Run refused = ctl({"recover", arbor}, model0);
        QCOMPARE(refused.code, 1);
        QCOMPARE(lines(refused.out).last().simplified(),
                 QStringLiteral("1 camera on H: - - refused Unable to Upgrade: The upgrade version does not match this "
                                "device. (package model 13, camera model 0)"));
        const Rig r(refused.state);
        QCOMPARE(r.cam("cam1")->mode(), sim::CameraMode::Rom);
        QCOMPARE(r.cam("cam1")->firmwareVersion(), QStringLiteral("1.0.22"));
        const Run refusedJs = ctl({"recover", arbor, "--json"}, model0);
        QCOMPARE(refusedJs.code, 1);
        const QJsonObject row = json(refusedJs).value(QStringLiteral("results")).toArray().at(0).toObject();
        QCOMPARE(row.value(QStringLiteral("status")).toString(), QStringLiteral("refused"));
        QCOMPARE(row.value(QStringLiteral("modelChecked")).toBool(), true);
        QCOMPARE(row.value(QStringLiteral("detail")).toString(), QStringLiteral("package model 13, camera model 0"));
        QCOMPARE(Rig(refusedJs.state).cam("cam1")->mode(), sim::CameraMode::Rom);

        // A boot loader that names itself otherwise: the model cannot be known.
        const QByteArray unnamed =
            rig({camera("cam1", "7&1111&0", {{"mode", "uboot"}, {"driveLetter", "H"}, {"usbProduct", "USB Boot Disk"}})});
        const Run warned = ctl({"recover", arbor}, unnamed);
        QCOMPARE(warned.code, 0);
        QCOMPARE(lines(warned.err),
                 QStringList({"lensdeskctl: warning: the camera on H: does not tell its model in its boot state; whether "
                              "the package (model 13) fits it cannot be checked"}));
        QCOMPARE(Rig(warned.state).cam("cam1")->mode(), sim::CameraMode::Normal);
        const Run warnedJs = ctl({"recover", arbor, "--json"}, unnamed);
        QCOMPARE(warnedJs.code, 0);
        const QJsonObject done = json(warnedJs).value(QStringLiteral("results")).toArray().at(0).toObject();
        QCOMPARE(done.value(QStringLiteral("status")).toString(), QStringLiteral("done"));
        QCOMPARE(done.value(QStringLiteral("modelChecked")).toBool(true), false);
        QCOMPARE(done.value(QStringLiteral("warning")).toString(),
                 QStringLiteral("the camera on H: does not tell its model in its boot state; whether the package (model "
                                "13) fits it cannot be checked"));
    }

    void aLockNobodyHoldsIsNoLock()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        const QString lockFile = UpgradeLock::lockFilePath();
        const auto removeLock = qScopeGuard([lockFile] { QFile::remove(lockFile); });
        // Left by a program that died before it wrote who it was, or written by something
        // else: nobody can be named, nobody holds it.
        for (const QByteArray &content : {QByteArray(), QByteArray("not a lock\n"), QByteArray("0\nlensdeskctl\n")}) {
            upgradetest::writeFile(lockFile, content);
            const Run run = ctl({"upgrade", package}, oneCamera());
            QVERIFY2(run.code == 0, qPrintable(content + ": " + run.err.toUtf8()));
            QCOMPARE(Rig(run.state).cam("cam1")->firmwareVersion(), QStringLiteral("1.0.23"));
            QVERIFY(!QFile::exists(lockFile));
        }

        // The same content while a live process holds the file open and locked: that is a lock.
        upgradetest::writeFile(lockFile, "not a lock\n");
        const int fd = ::open(QFile::encodeName(lockFile).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        const Run refused = ctl({"upgrade", package}, oneCamera());
        ::close(fd);
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.err.startsWith(QStringLiteral("lensdeskctl: another lensdesk is upgrading a camera")),
                 qPrintable(refused.err));
        QVERIFY(refused.state.isEmpty());
    }

    void aKilledUpgradeTakesItsToolAlongAndItsFoldersGoAtTheNextStart()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        // The real tool lists the package; its extraction writes a first file, says who it
        // is and then never ends.
        QTemporaryDir tools;
        const QString pidFile = tools.filePath(QStringLiteral("tool.pid"));
        upgradetest::writeFile(tools.filePath(QStringLiteral("7zz")),
                               "#!/bin/sh\n"
                               "case \"$1\" in\n"
                               "x) for a in \"$@\"; do case \"$a\" in -o*) out=\"${a#-o}\";; esac; done\n"
                               "   head -c 1000000 /dev/zero > \"$out/kernel\"\n"
                               "   echo $$ > '" + QFile::encodeName(pidFile) + ".part'\n"
                               "   mv '" + QFile::encodeName(pidFile) + ".part' '" + QFile::encodeName(pidFile) + "'\n"
                               "   exec sleep infinity;;\n"
                               "*) exec '" + QFile::encodeName(Zip7z::toolPath()) + "' \"$@\";;\n"
                               "esac\n");
        QFile::setPermissions(tools.filePath(QStringLiteral("7zz")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // Folders of two other processes: one still running, one gone.
        QProcess live;
        const qint64 livePid = upgradetest::startLingeringProcess(live);
        const qint64 gonePid = upgradetest::endedProcessId();
        upgradetest::writeAppFile(QStringLiteral(".package-%1-Ab12Cd/kernel").arg(livePid), "in use");
        upgradetest::writeAppFile(QStringLiteral(".package-%1-Ef34Gh/kernel").arg(gonePid), "left behind");

        QTemporaryDir run;
        QProcess p;
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), tools.path() + QLatin1Char(':') + qEnvironmentVariable("PATH"));
        startCtl(p, run, {"upgrade", package}, oneCamera(), env);
        QVERIFY(p.waitForStarted());
        const qint64 ctlPid = p.processId();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pidFile) || p.state() == QProcess::NotRunning, 60000);
        QFile pidText(pidFile);
        QVERIFY2(pidText.open(QIODevice::ReadOnly), qPrintable(QString::fromUtf8(p.readAllStandardError())));
        const pid_t toolPid = pid_t(pidText.readAll().trimmed().toLongLong());
        QVERIFY(toolPid > 0);
        // The tool is ended whatever the outcome of the test.
        const int pidfd = int(::syscall(SYS_pidfd_open, toolPid, 0));
        QVERIFY(pidfd >= 0);
        auto endTool = qScopeGuard([pidfd] {
            ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
            ::close(pidfd);
        });

        // lensdeskctl holds the lock while it unpacks, in a folder of its own.
        {
            UpgradeLock other;
            QVERIFY(!other.tryLock());
            QCOMPARE(other.holder(), ctlPid);
        }
        QCOMPARE(foldersOf(ctlPid).size(), 1);

        p.kill();
        QVERIFY(p.waitForFinished());
        // The tool ends with the program.
        pollfd ended{pidfd, POLLIN, 0};
        QCOMPARE(::poll(&ended, 1, 60000), 1);

        // What the killed program unpacked stays until the next start of lensdesk or
        // lensdeskctl, which removes the folders of processes that are gone.
        QCOMPARE(foldersOf(ctlPid).size(), 1);
        QCOMPARE(ctl({"list"}, oneCamera()).code, 0);
        QVERIFY(foldersOf(ctlPid).isEmpty());
        QVERIFY(foldersOf(gonePid).isEmpty());
        QCOMPARE(foldersOf(livePid), QStringList{QStringLiteral(".package-%1-Ab12Cd").arg(livePid)});

        // The killed program's lock is nobody's.
        const Run again = ctl({"upgrade", package}, oneCamera());
        QVERIFY2(again.code == 0, qPrintable(again.err));
        QCOMPARE(Rig(again.state).cam("cam1")->firmwareVersion(), QStringLiteral("1.0.23"));
        // Its own folder went with its report.
        QCOMPARE(QDir(testsupport::appDir()).entryList({QStringLiteral(".package-*")}, QDir::AllEntries | QDir::Hidden),
                 QStringList{QStringLiteral(".package-%1-Ab12Cd").arg(livePid)});

        live.closeWriteChannel();
        QVERIFY(live.waitForFinished());
        QDir(upgradetest::appFile(QStringLiteral(".package-%1-Ab12Cd").arg(livePid))).removeRecursively();
    }

    // The command layer in this process, on a live rig: the requests that reached the
    // camera, and the progress bar of a terminal.
    void commandLayerOnTheRig()
    {
        testsupport::SimEnvironment env(oneCamera());
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CtlCommand command(outStream, errStream, true);
        cam->uvc().clearHistory();
        QCOMPARE(command.run({"set", "hdr=on", "zoom=320"}), 0);
        outStream.flush();
        QCOMPARE(out, QStringLiteral("zoom=320\nhdr=on\n"));
        // Zoom: a single-value set of camera-control property 3 with the value and manual flags.
        bool zoomSent = false;
        for (const auto &request : cam->uvc().propertyRequests()) {
            if (request.kind == 2 && request.id == 3 && request.value == 320 && request.flags == 2)
                zoomSent = true;
        }
        QVERIFY(zoomSent);
        // HDR: the 8-byte command 0x01 with value 1 on selector 1.
        bool hdrSent = false;
        for (const auto &m : cam->uvc().xuMessages()) {
            if (m.selector == 1 && m.data.size() == 8 && quint8(m.data.at(0)) == 0x01 && quint8(m.data.at(2)) == 1)
                hdrSent = true;
        }
        QVERIFY(hdrSent);
        QCOMPARE(cam->uvc().feature(QStringLiteral("hdr")), 1);
        sim::SimUvcCamera::Property zoom;
        QVERIFY(cam->uvc().property(PropertySet::CameraControl, 3, &zoom));
        QCOMPARE(zoom.value, 320);

        if (Zip7z::toolPath().isEmpty())
            return;
        out.clear();
        QCOMPARE(command.run({"upgrade", makePackage(m_work)}), 0);
        outStream.flush();
        // On a terminal the bar fills on one line and ends at 100 %.
        QVERIFY2(out.contains(QStringLiteral("\r1 Orvia Vista Pro Cam [") + QString(30, '#') + QStringLiteral("] 100%\n")),
                 qPrintable(out));
        QCOMPARE(cam->storage().flashWrites().size(), 1);
        QCOMPARE(cam->storage().flashWrites().at(0).digest, QCryptographicHash::hash(kKernel, QCryptographicHash::Md5));
        QCOMPARE(cam->firmwareVersion(), QStringLiteral("1.0.23"));
    }

    // In this process: what each stuck camera received. The failed one got no second
    // try meant for the other; the other got the updater and the kernel.
    void recoverSendsEachCameraItsOwnImages()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        testsupport::SimEnvironment env(rig(
            {camera("cam1", "7&1111&0",
                    {{"mode", "uboot"},
                     {"driveLetter", "E"},
                     {"faults", QJsonObject{{"storage.unacknowledgedCommands", 2}, {"storage.unacknowledgedMatch", "nand"}}}}),
             camera("cam2", "7&2222&0", {{"mode", "rom"}, {"driveLetter", "F"}})}));
        sim::SimCamera *cam1 = env.rig().camera(QStringLiteral("cam1"));
        sim::SimCamera *cam2 = env.rig().camera(QStringLiteral("cam2"));
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CtlCommand command(outStream, errStream, false);
        QCOMPARE(command.run({"recover", package}), 1);
        const QByteArray kernelDigest = QCryptographicHash::hash(kKernel, QCryptographicHash::Md5);
        QVERIFY(cam1->storage().flashWrites().isEmpty());
        // Two attempts at the flash command, both dropped, and nothing after them.
        QCOMPARE(cam1->storage().commandsReceived().filter(QStringLiteral("nand write")).size(), 2);
        QCOMPARE(cam1->storage().downloads().size(), 1);
        QCOMPARE(cam1->mode(), sim::CameraMode::UBoot);
        QCOMPARE(cam2->storage().updaterImage(), upgradetest::pattern(5000, 6));
        QCOMPARE(cam2->storage().flashWrites().size(), 1);
        QCOMPARE(cam2->storage().flashWrites().at(0).digest, kernelDigest);
        QCOMPARE(cam2->mode(), sim::CameraMode::Normal);
        QCOMPARE(cam2->firmwareVersion(), QStringLiteral("1.0.23"));
    }
};

LENSDESK_TEST_MAIN(TestLensdeskctl)
#include "tst_lensdeskctl.moc"
