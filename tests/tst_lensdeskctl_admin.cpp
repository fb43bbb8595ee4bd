// lensdeskctl for administrators: what the camera did with a value, the exit codes and
// error texts of bad input, ranges, the cameras' nodes and serial numbers, the cameras of
// other manufacturers, standard input and output, and the factory reset. Real processes
// against rig files; the factory reset also in-process, where the requests that reached
// the camera can be read.
#include "CtlTestSupport.h"

#include "ctl/CtlCommand.h"

#include <QSettings>
#include <QTextStream>

#include <unistd.h>

using namespace ctltest;

namespace {

QString preset(const QTemporaryDir &dir, const char *name, const QByteArray &content)
{
    const QString file = dir.filePath(QLatin1String(name));
    upgradetest::writeFile(file, content);
    return file;
}

} // namespace

class TestLensdeskctlAdmin : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;

private slots:
    void initTestCase()
    {
        QVERIFY(installBinary());
    }

    // What the camera did with a value it did not take, said as it happened.
    void notTakenSaysWhatHappened()
    {
        Run run = ctl({"set", "hdr=on", "zoom=200"}, oneCamera({{"extensionUnit", false}}));
        QCOMPARE(run.code, 1);
        QCOMPARE(run.out, QStringLiteral("zoom=200\n"));
        QCOMPARE(run.err, QStringLiteral("lensdeskctl: not taken: hdr: the camera has no extension unit, which this "
                                         "setting needs\n"));
        QCOMPARE(Rig(run.state).camera("cam1", 3), 200);

        // Never answered: the request times out (on the virtual clock).
        run = ctl({"set", "--json", "anti-flicker=60hz"}, oneCamera({{"faults", QJsonObject{{"xu.unanswered", "0x02"}}}}));
        QCOMPARE(run.code, 1);
        QCOMPARE(json(run).value(QStringLiteral("results")).toArray().at(0).toObject(),
                 (QJsonObject{{"name", "anti-flicker"}, {"status", "not-taken"}, {"reason", "no-answer"},
                              {"value", "50hz"}, {"message", "anti-flicker: the camera did not answer; anti-flicker is 50hz"}}));
        QCOMPARE(Rig(run.state).feature("cam1", "antiFlicker"), 1);

        // A query the camera refuses: get and save word it alike, and both end with 1.
        const QByteArray refusing = oneCamera({{"faults", QJsonObject{{"xu.response.0x82", "0x8007001F"}}}});
        run = ctl({"get", "anti-flicker", "hdr"}, refusing);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.out, QStringLiteral("hdr=off\n"));
        const QString refusal = QStringLiteral("lensdeskctl: anti-flicker: the camera refused the query (status 0x8007001f)\n");
        QCOMPARE(run.err, refusal);
        run = ctl({"get", "--json", "anti-flicker", "hdr"}, refusing);
        QCOMPARE(run.code, 1);
        QCOMPARE(json(run).value(QStringLiteral("exitCode")).toInt(), 1);
        QCOMPARE(json(run).value(QStringLiteral("errors")).toArray(),
                 (QJsonArray{QJsonObject{{"name", "anti-flicker"}, {"reason", "camera-refused"},
                                         {"message", "anti-flicker: the camera refused the query (status 0x8007001f)"}}}));
        run = ctl({"save", m_work.filePath(QStringLiteral("partial.json"))}, refusing);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err, refusal);
    }

    // Every bad input is 2 and sends nothing; each says where the fault is.
    void badInputIsExitTwoWithItsReason()
    {
        const QByteArray r = oneCamera();
        // A preset value of the wrong kind stops the preset as set stops: nothing written.
        const QString wrongKind = preset(m_work, "kind.json", R"({"format": "lensdesk-preset", "version": 1,
            "settings": {"brightness": 80, "hdr": "on", "zoom": "abc"}})");
        Run run = ctl({"apply", wrongKind}, r);
        QCOMPARE(run.code, 2);
        QCOMPARE(run.err, QStringLiteral("lensdeskctl: %1: zoom: \"abc\" is not a whole number; nothing was applied\n")
                              .arg(wrongKind));
        // Refused before the rig was even opened (nothing saved its state).
        QVERIFY(run.state.isEmpty());
        run = ctl({"set", "brightness=80", "zoom=abc"}, r);
        QCOMPARE(run.code, 2);
        QVERIFY(run.state.isEmpty());
        // The same preset without the bad value is written.
        run = ctl({"apply", preset(m_work, "good.json", R"({"format": "lensdesk-preset", "version": 1,
            "settings": {"brightness": 80, "hdr": "on"}})")}, r);
        QCOMPARE(run.code, 0);
        QCOMPARE(Rig(run.state).image("cam1", 0), 80);
        QCOMPARE(Rig(run.state).feature("cam1", "hdr"), 1);

        struct Case
        {
            QString file;
            QString message;
        };
        const QString missing = m_work.filePath(QStringLiteral("missing.json"));
        const QList<Case> presets = {
            {missing, QStringLiteral("cannot read %1: no such file").arg(missing)},
            {m_work.path(), QStringLiteral("%1 is a directory, not a preset").arg(m_work.path())},
            {preset(m_work, "array.json", "[]"), "%1 is no preset: it holds a JSON array, not an object"},
            {preset(m_work, "empty.json", ""), "%1 is no preset: it is empty"},
            {preset(m_work, "blank.json", " \n\n"), "%1 is no preset: it is empty"},
            {preset(m_work, "garbage.json", "{\n  \"format\": lensdesk\n}"), "%1 is no preset: illegal number at line 2, column 13"},
            {preset(m_work, "open.json", "{\"format\": \"lensdesk-preset\",\n\"settings\": {}"),
             "%1 is no preset: unterminated object at line 2, column 15"},
        };
        for (const Case &c : presets) {
            run = ctl({"apply", c.file}, r);
            QVERIFY2(run.code == 2, qPrintable(c.file));
            QCOMPARE(run.err, QStringLiteral("lensdeskctl: ") + QString(c.message).replace(QStringLiteral("%1"), c.file)
                                  + QLatin1Char('\n'));
        }

        // Packages: read before anything else, 2 like a bad preset.
        const QString missingZip = m_work.filePath(QStringLiteral("missing.zip"));
        QByteArray tarHeader(512, '\0');
        tarHeader.replace(0, 9, "auto_upd");
        tarHeader.replace(257, 6, QByteArray("ustar\0", 6));
        const QList<Case> packages = {
            {missingZip, QStringLiteral("cannot read package %1: no such file").arg(missingZip)},
            {m_work.path(), QStringLiteral("%1 is a directory, not a package").arg(m_work.path())},
            {preset(m_work, "p.7z", QByteArray("7z\xBC\xAF\x27\x1C\x00\x04", 8) + QByteArray(40, 'x')),
             "%1 is not a zip package"},
            {preset(m_work, "p.tar", tarHeader), "%1 is not a zip package"},
            {preset(m_work, "p.txt", "setenv fw_version 1.0.23\n"), "%1 is not a zip package"},
        };
        for (const Case &c : packages) {
            for (const char *command : {"upgrade", "recover", "package-info"}) {
                run = ctl({QLatin1String(command), c.file}, r);
                QVERIFY2(run.code == 2, qPrintable(c.file + QLatin1Char(' ') + QLatin1String(command)));
                QCOMPARE(run.err, QStringLiteral("lensdeskctl: ") + QString(c.message).replace(QStringLiteral("%1"), c.file)
                                      + QLatin1Char('\n'));
            }
        }
        if (::geteuid() != 0) {
            const QString locked = preset(m_work, "locked.zip", QByteArray("PK\x03\x04", 4));
            QFile::setPermissions(locked, QFileDevice::WriteOwner);
            run = ctl({"upgrade", locked}, r);
            QCOMPARE(run.code, 2);
            QCOMPARE(run.err, QStringLiteral("lensdeskctl: cannot read package %1: permission denied\n").arg(locked));
        }

        // An option that is none is an option, not a setting; the usage line of its command follows.
        run = ctl({"get", "-c", "1"}, r);
        QCOMPARE(run.code, 2);
        QCOMPARE(run.err, QStringLiteral("lensdeskctl: unknown option -c\nUsage: lensdeskctl get [--camera SEL] [--long] "
                                         "[NAME...]\nlensdeskctl get --help describes it.\n"));
        run = ctl({"get", "-c", "1", "--json"}, r);
        QCOMPARE(json(run), (QJsonObject{{"command", "get"}, {"error", "unknown option -c"},
                                         {"usage", "lensdeskctl get [--camera SEL] [--long] [NAME...]"}, {"exitCode", 2}}));
        run = ctl({"list", "--force"}, r);
        QCOMPARE(run.code, 2);
        QVERIFY(run.err.startsWith(QStringLiteral("lensdeskctl: list takes no --force\n")));
    }

    // The exit code of a camera stuck in its boot ROM does not hang on how it was chosen.
    void aStuckCameraIsOneWithOrWithoutSelector()
    {
        const QByteArray stuck = rig({camera("rom", "7&3333&0", {{"mode", "rom"}, {"driveLetter", "H"}})});
        const QString message = QStringLiteral("lensdeskctl: camera #1 \"camera on H:\" (\\\\.\\H:) is stuck in ROM; "
                                               "bring it back with lensdeskctl recover PACKAGE\n");
        for (const QStringList &args : {QStringList{"get"}, QStringList{"get", "--camera", "1"}}) {
            const Run run = ctl(args, stuck);
            QCOMPARE(run.code, 1);
            QCOMPARE(run.err, message);
        }
    }

    void helpAndVersionAsJson()
    {
        Run run = ctl({"--json", "--version"}, oneCamera());
        QCOMPARE(run.code, 0);
        QCOMPARE(json(run), (QJsonObject{{"version", "1.0.4"}, {"exitCode", 0}}));
        run = ctl({"--version"}, oneCamera());
        QCOMPARE(run.out, QStringLiteral("lensdeskctl 1.0.4\n"));
        run = ctl({"--json", "upgrade", "--help"}, oneCamera());
        QCOMPARE(run.code, 0);
        QCOMPARE(json(run).value(QStringLiteral("command")).toString(), QStringLiteral("upgrade"));
        QVERIFY(json(run).value(QStringLiteral("help")).toString().startsWith(
            QStringLiteral("Usage: lensdeskctl upgrade PACKAGE [--camera SEL | --all] [--force] [--dry-run]\n")));
        // The help is the manual page's source: its sections in order.
        run = ctl({"--help"}, oneCamera());
        int at = 0;
        for (const char *section : {"Usage: lensdeskctl [OPTION...] COMMAND [ARGUMENT...]\n", "\nCommands:\n",
                                    "\nOptions:\n", "\nSelecting a camera:\n", "\nSettings:\n", "\nExit status:\n",
                                    "\nEnvironment:\n", "\nFiles:\n", "\nExamples:\n"}) {
            const int found = run.out.indexOf(QLatin1String(section), at);
            QVERIFY2(found >= at, section);
            at = found;
        }
        QVERIFY(!run.out.contains(QStringLiteral("__complete")));
    }

    void getLongShowsRangeStepAndDefault()
    {
        const QByteArray r = oneCamera({{"properties", QJsonObject{{"brightness", QJsonObject{{"min", 10}, {"max", 90},
                                                                                             {"step", 5}, {"default", 40},
                                                                                             {"value", 45}}}}}});
        Run run = ctl({"get", "--long", "zoom", "brightness", "anti-flicker", "hdr"}, r);
        QCOMPARE(run.code, 0);
        QCOMPARE(lines(run.out), QStringList({"NAME          VALUE  RANGE      STEP  DEFAULT",
                                              "zoom          100    100..800   1     100",
                                              "brightness    45     10..90     5     40",
                                              "anti-flicker  50hz   50hz|60hz  -     -",
                                              "hdr           off    on|off     -     -"}));
        run = ctl({"get", "-l", "--json", "brightness", "pan", "tracking-mode"}, r);
        const QJsonObject details = json(run).value(QStringLiteral("details")).toObject();
        QCOMPARE(details.value(QStringLiteral("brightness")).toObject(),
                 (QJsonObject{{"kind", "range"}, {"value", 45}, {"min", 10}, {"max", 90}, {"step", 5}, {"default", 40}}));
        // Pan within the -30..30 the window keeps to; the camera's own range is wider.
        QCOMPARE(details.value(QStringLiteral("pan")).toObject(),
                 (QJsonObject{{"kind", "range"}, {"value", 0}, {"min", -20}, {"max", 20}, {"step", 1}, {"default", 0}}));
        QCOMPARE(details.value(QStringLiteral("tracking-mode")).toObject(),
                 (QJsonObject{{"kind", "choice"}, {"value", "off"},
                              {"values", QJsonArray{"off", "auto-framing", "presenter-tracking"}}}));
        QCOMPARE(json(run).value(QStringLiteral("settings")).toObject(),
                 (QJsonObject{{"brightness", 45}, {"pan", 0}, {"tracking-mode", "off"}}));
    }

    void listShowsNodeSerialAndHiddenCameras()
    {
        const QByteArray r = rig({camera("cam1", "7&1111&0", {{"serial", "PTZ-7"}, {"videoNode", "/dev/video2"}}),
                                  camera("cam2", "7&2222&0", {{"friendlyName", "Orvia Vista Pro Cam of the large "
                                                                               "boardroom on floor 12"}}),
                                  camera("arbor", "7&5555&0", {{"vendorId", "0x343B"}, {"friendlyName", "ARBOR 220 Cam"},
                                                               {"videoNode", "/dev/video4"}}),
                                  camera("kt", "7&6666&0", {{"vendorId", "0x1D6B"}, {"friendlyName", "KT-M41-000 Cam"}}),
                                  camera("kt2", "7&7777&0", {{"vendorId", "0x1D6B"}, {"friendlyName", "KT-M41-000 Cam"}})});
        Run run = ctl({"list"}, r);
        QCOMPARE(run.code, 0);
        // Columns as wide as their longest entry.
        QCOMPARE(lines(run.out),
                 QStringList({"#  STATE   MODEL  FIRMWARE  NODE         SERIAL  NAME" + QString(52, ' ') + "PATH",
                              "1  normal  0      1.0.22    /dev/video2  PTZ-7   Orvia Vista Pro Cam" + QString(37, ' ')
                                  + kPath1,
                              "2  normal  0      1.0.22    -            -       Orvia Vista Pro Cam of the large "
                              "boardroom on floor 12  " + kPath2}));
        QCOMPARE(run.err, QStringLiteral("lensdeskctl: note: 3 cameras of other manufacturers (2 of manufacturer 0 (KT), "
                                         "1 of manufacturer 1 (Tessaline)) are not listed: this installation lists "
                                         "manufacturer 2 (/product_model/main in product.ini); --manufacturer 0 or "
                                         "--manufacturer 1 lists them\n"));
        run = ctl({"list", "--json"}, r);
        QCOMPARE(json(run).value(QStringLiteral("manufacturer")).toInt(), 2);
        QCOMPARE(json(run).value(QStringLiteral("hidden")).toArray(),
                 (QJsonArray{QJsonObject{{"manufacturer", 0}, {"name", "KT"}, {"count", 2}},
                             QJsonObject{{"manufacturer", 1}, {"name", "Tessaline"}, {"count", 1}}}));
        QCOMPARE(json(run).value(QStringLiteral("cameras")).toArray().at(0).toObject().value(QStringLiteral("videoNode")),
                 QJsonValue("/dev/video2"));

        run = ctl({"list", "--manufacturer", "1"}, r);
        QCOMPARE(run.code, 0);
        QCOMPARE(lines(run.out).size(), 2);
        QVERIFY(lines(run.out).at(1).startsWith(QStringLiteral("1  normal  13     1.0.22    /dev/video4  -       ARBOR 220 Cam")));
        // Only cameras of another manufacturer: none listed, exit 3, and the way to them.
        run = ctl({"get", "zoom"}, rig({camera("arbor", "7&5555&0", {{"vendorId", "0x343B"}, {"friendlyName", "ARBOR 220 Cam"}})}));
        QCOMPARE(run.code, 3);
        QCOMPARE(run.err, QStringLiteral("lensdeskctl: no supported camera is plugged in; 1 camera of manufacturer 1 "
                                         "(Tessaline) is not listed: this installation lists manufacturer 2 "
                                         "(/product_model/main in product.ini); --manufacturer 1 lists it\n"));
        run = ctl({"set", "--manufacturer=1", "zoom=300"},
                  rig({camera("arbor", "7&5555&0", {{"vendorId", "0x343B"}, {"friendlyName", "ARBOR 220 Cam"}})}));
        QCOMPARE(run.code, 0);
        QCOMPARE(Rig(run.state).camera("arbor", 3), 300);
    }

    // "-" is standard output for save and standard input for apply.
    void presetsThroughStandardStreams()
    {
        const Run set = ctl({"set", "brightness=70", "hdr=on", "anti-flicker=60hz"}, oneCamera());
        QCOMPARE(set.code, 0);
        const Run save = ctl({"save", "-"}, set.state);
        QCOMPARE(save.code, 0);
        QCOMPARE(save.err, QStringLiteral("Saved 21 settings of camera #1 \"Orvia Vista Pro Cam\" (%1) to standard output\n")
                               .arg(kPath1));
        QVERIFY(!QFile::exists(m_work.filePath(QStringLiteral("-"))));
        const QJsonObject saved = QJsonDocument::fromJson(save.out.toUtf8()).object();
        QCOMPARE(saved.value(QStringLiteral("format")).toString(), QStringLiteral("lensdesk-preset"));
        QCOMPARE(saved.value(QStringLiteral("settings")).toObject().value(QStringLiteral("brightness")).toInt(), 70);

        const Run apply = ctl({"apply", "--json", "-"}, oneCamera(), save.out.toUtf8());
        QCOMPARE(apply.code, 0);
        QCOMPARE(json(apply).value(QStringLiteral("file")), QJsonValue());
        const Rig r(apply.state);
        QCOMPARE(r.image("cam1", 0), 70);
        QCOMPARE(r.feature("cam1", "hdr"), 1);
        QCOMPARE(r.feature("cam1", "antiFlicker"), 2);

        const Run empty = ctl({"apply", "-"}, oneCamera(), "");
        QCOMPARE(empty.code, 2);
        QCOMPARE(empty.err, QStringLiteral("lensdeskctl: standard input is no preset: it is empty\n"));
        // After "--" a file may start with "-".
        upgradetest::writeFile(m_work.filePath(QStringLiteral("-x.json")), save.out.toUtf8());
        const Run dashed = ctl({"apply", "--", m_work.filePath(QStringLiteral("-x.json"))}, oneCamera());
        QCOMPARE(dashed.code, 0);
    }

    // In this process, on a live rig: the factory reset as the window does it.
    void factoryResetRestoresTheCamera()
    {
        testsupport::SimEnvironment env(rig({camera("cam1", "7&1111&0", {{"friendlyName", "ARBOR 220 Cam"}})}));
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CtlCommand command(outStream, errStream, false);
        QCOMPARE(command.run({"set", "zoom=300", "pan=5", "brightness=80", "hdr=on", "anti-flicker=60hz", "mic=off"}), 0);
        QCOMPARE(cam->uvc().feature(QStringLiteral("mic")), 0);

        // A dry run sends nothing.
        cam->uvc().clearHistory();
        out.clear();
        QCOMPARE(command.run({"factory-reset", "--dry-run"}), 0);
        outStream.flush();
        QCOMPARE(out, QStringLiteral("Would restore the factory settings of camera #1 \"ARBOR 220 Cam\" (%1) (first pan 0, "
                                     "tilt 0, zoom 100, 50 Hz and microphone on, as model 13 on firmware 1.0.22 needs). "
                                     "Dry run: nothing was sent.\n").arg(kPath1));
        for (const auto &m : cam->uvc().xuMessages())
            QVERIFY(m.selector != 1 || quint8(m.data.at(0)) != 0x7F);

        cam->uvc().clearHistory();
        out.clear();
        if (command.run({"factory-reset"}) != 0) {
            errStream.flush();
            QFAIL(qPrintable(err));
        }
        outStream.flush();
        errStream.flush();
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QCOMPARE(out, QStringLiteral("Restored the factory settings of camera #1 \"ARBOR 220 Cam\" (%1) (first pan 0, tilt "
                                     "0, zoom 100, 50 Hz and microphone on, as model 13 on firmware 1.0.22 needs). To "
                                     "complete this process, your device may take a few seconds to restart.\n").arg(kPath1));
        // Model 13 on 1.0.22: pan, tilt and zoom written by hand in that order, then
        // 50 Hz and the microphone, then the reset.
        QList<QPair<int, int>> written;
        for (const auto &request : cam->uvc().propertyRequests()) {
            if (request.kind == 2)
                written << qMakePair(int(request.id), int(request.value));
        }
        QCOMPARE(written.mid(0, 3), (QList<QPair<int, int>>{{0, 0}, {1, 0}, {3, 100}}));
        QList<QPair<int, int>> commands;
        for (const auto &m : cam->uvc().xuMessages()) {
            if (m.selector == 1 && m.flags == 0x10000002u && quint8(m.data.at(0)) < 0x80)
                commands << qMakePair(int(quint8(m.data.at(0))), int(quint8(m.data.at(2))));
        }
        QCOMPARE(commands.mid(0, 3), (QList<QPair<int, int>>{{0x02, 1}, {0x04, 1}, {0x7F, 0}}));
        // Back at the factory values, read on the camera.
        QVERIFY(cam->present());
        QCOMPARE(cam->uvc().feature(QStringLiteral("hdr")), 0);
        QCOMPARE(cam->uvc().feature(QStringLiteral("antiFlicker")), 1);
        QCOMPARE(cam->uvc().feature(QStringLiteral("mic")), 1);
        sim::SimUvcCamera::Property p;
        QVERIFY(cam->uvc().property(PropertySet::VideoProcAmp, 0, &p));
        QCOMPARE(p.value, 50);
        QVERIFY(cam->uvc().property(PropertySet::CameraControl, 3, &p));
        QCOMPARE(p.value, 100);
    }

    void factoryResetWithoutPreResetAndRefused()
    {
        // Another model: the reset alone.
        testsupport::SimEnvironment env(oneCamera());
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CtlCommand command(outStream, errStream, false);
        QCOMPARE(command.run({"set", "zoom=300"}), 0);
        cam->uvc().clearHistory();
        QCOMPARE(command.run({"factory-reset", "--json"}), 0);
        for (const auto &request : cam->uvc().propertyRequests())
            QVERIFY(request.kind != 2);
        outStream.flush();
        QVERIFY(out.contains(QStringLiteral("\"preReset\": false")));

        const Run refused = ctl({"factory-reset"}, oneCamera({{"faults", QJsonObject{{"xu.opcode.0x7F", "0x8007001F"}}}}));
        QCOMPARE(refused.code, 1);
        QCOMPARE(refused.err, QStringLiteral("lensdeskctl: factory reset of camera #1 \"Orvia Vista Pro Cam\" (%1) not done: "
                                             "the camera refused it (status 0x8007001f)\n").arg(kPath1));
        const Run noUnit = ctl({"factory-reset", "--json"}, oneCamera({{"extensionUnit", false}}));
        QCOMPARE(noUnit.code, 1);
        QCOMPARE(json(noUnit).value(QStringLiteral("status")).toString(), QStringLiteral("failed"));
        QVERIFY(json(noUnit).value(QStringLiteral("message")).toString().endsWith(
            QStringLiteral("not done: the camera has no extension unit, which the factory reset needs")));
    }
};

LENSDESK_TEST_MAIN(TestLensdeskctlAdmin)
#include "tst_lensdeskctl_admin.moc"
