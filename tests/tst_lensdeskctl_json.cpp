// lensdeskctl's promises to scripts: every --json output of every command, on several
// rigs, validates against docs/lensdeskctl.schema.json (with python3-jsonschema); the
// package's model and version without an upgrade; an upgrade that skips a camera on the
// package's version and a dry run that sends nothing; the shell completion.
#include "CtlTestSupport.h"

#include "ctl/CtlCommand.h"
#include "platform/sim/SimMassStorage.h"

#include <QSettings>
#include <QTextStream>

using namespace ctltest;

namespace {

// Validates each file against the schema; prints one line per invalid file.
const char kValidator[] = R"(
import json, sys
from jsonschema import Draft202012Validator
schema = json.load(open(sys.argv[1]))
Draft202012Validator.check_schema(schema)
validator = Draft202012Validator(schema)
# serve's event lines fit the serveEvent definition rather than the one-result shape.
events = Draft202012Validator({"$defs": schema["$defs"], "$ref": "#/$defs/serveEvent"})
bad = 0
for name in sys.argv[2:]:
    document = json.load(open(name))
    check = events if name.endswith(".event.json") else validator
    for error in check.iter_errors(document):
        print("%s: %s at %s" % (name, error.message[:300], list(error.absolute_path)))
        bad += 1
        break
sys.exit(1 if bad else 0)
)";

bool hasValidator()
{
    QProcess p;
    p.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral("import jsonschema")});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

class TestLensdeskctlJson : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;

private slots:
    void initTestCase()
    {
        QVERIFY(installBinary());
    }

    void packageInfoTellsModelAndVersion()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        Run run = ctl({"package-info", package}, rig({}));
        QCOMPARE(run.code, 0);
        QCOMPARE(lines(run.out), QStringList({"file:     " + package, "model:    0 (Orvia Vista Pro Cam)",
                                              "version:  1.0.23"}));
        run = ctl({"package-info", "--json", makePackage(m_work, "ARBOR 220")}, rig({}));
        QCOMPARE(json(run), (QJsonObject{{"command", "package-info"},
                                         {"package", QJsonObject{{"file", m_work.filePath("ARBOR_220.zip")},
                                                                 {"model", 13},
                                                                 {"modelName", "ARBOR 220"},
                                                                 {"version", "1.0.23"}}},
                                         {"exitCode", 0}}));
        // No camera was asked anything: the rig was never opened.
        QVERIFY(run.state.isEmpty());
    }

    // The camera on the package's version is skipped unless --force; a dry run says what
    // would happen to each camera and sends nothing.
    void upgradeSkipsTheRunningVersionAndDryRuns()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        testsupport::SimEnvironment env(rig({camera("cam1", "7&1111&0", {{"firmware", "1.0.23"}, {"driveLetter", "F"}}),
                                             camera("cam2", "7&2222&0", {{"driveLetter", "G"}}),
                                             camera("cam3", "7&3333&0", {{"friendlyName", "LNS612-000 Cam"},
                                                                         {"driveLetter", "H"}})}));
        sim::SimCamera *cam1 = env.rig().camera(QStringLiteral("cam1"));
        sim::SimCamera *cam2 = env.rig().camera(QStringLiteral("cam2"));
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        CtlCommand command(outStream, errStream, false);

        // The refused model makes the dry run end with 1, as the upgrade would.
        QCOMPARE(command.run({"upgrade", package, "--all", "--dry-run"}), 1);
        outStream.flush();
        QStringList rows = lines(out);
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows.at(0), QStringLiteral("Package %1: model 0, firmware 1.0.23").arg(package));
        QCOMPARE(rows.at(1).simplified(), QStringLiteral("# CAMERA BEFORE PACKAGE RESULT MESSAGE"));
        QCOMPARE(rows.at(2).simplified(), QStringLiteral("1 Orvia Vista Pro Cam 1.0.23 1.0.23 skipped The camera runs "
                                                         "firmware 1.0.23 already; --force upgrades it all the same."));
        QCOMPARE(rows.at(3).simplified(), QStringLiteral("2 Orvia Vista Pro Cam 1.0.22 1.0.23 planned Would be upgraded "
                                                         "from 1.0.22 to 1.0.23."));
        QCOMPARE(rows.at(4).simplified(), QStringLiteral("3 LNS612-000 Cam 1.0.22 1.0.23 refused Unable to Upgrade: The "
                                                         "upgrade version does not match this device. (package model 0, "
                                                         "camera model 7)"));
        QCOMPARE(rows.at(5), QStringLiteral("Dry run: nothing was sent to any camera."));
        QVERIFY(cam1->storage().flashWrites().isEmpty());
        QVERIFY(cam2->storage().flashWrites().isEmpty());
        QCOMPARE(cam2->mode(), sim::CameraMode::Normal);
        QCOMPARE(cam2->firmwareVersion(), QStringLiteral("1.0.22"));

        // The real run: cam1 skipped (nothing flashed), cam2 upgraded; exit 0 without cam3.
        out.clear();
        QCOMPARE(command.run({"upgrade", package, "--camera", "1"}), 0);
        QCOMPARE(command.run({"upgrade", package, "--camera", "2"}), 0);
        QVERIFY(cam1->storage().flashWrites().isEmpty());
        QCOMPARE(cam2->storage().flashWrites().size(), 1);
        QCOMPARE(cam2->firmwareVersion(), QStringLiteral("1.0.23"));
        // --force flashes the camera that runs the version already.
        QCOMPARE(command.run({"upgrade", package, "--camera", "1", "--force"}), 0);
        QCOMPARE(cam1->storage().flashWrites().size(), 1);
    }

    void recoverDryRunSaysWhatItWouldDo()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString package = makePackage(m_work);
        const QByteArray stuck = rig({camera("cam1", "7&1111&0", {{"mode", "rom"}, {"driveLetter", "E"}}),
                                      camera("cam2", "7&2222&0", {{"mode", "uboot"}, {"driveLetter", "F"},
                                                                  {"usbProduct", "USB Boot Disk"}})});
        const Run run = ctl({"recover", package, "--dry-run"}, stuck);
        QCOMPARE(run.code, 0);
        QCOMPARE(lines(run.out).mid(1).join('\n').simplified(),
                 QStringLiteral("# CAMERA BEFORE PACKAGE RESULT MESSAGE 1 camera on E: - 1.0.23 planned Would be "
                                "recovered. 2 camera on F: - 1.0.23 planned Would be recovered. warning: the camera on F: "
                                "does not tell its model in its boot state; whether the package (model 0) fits it cannot "
                                "be checked Dry run: nothing was sent to any camera."));
        const Rig r(run.state);
        QCOMPARE(r.cam("cam1")->mode(), sim::CameraMode::Rom);
        QCOMPARE(r.cam("cam2")->mode(), sim::CameraMode::UBoot);
    }

    // Every command's JSON, on several rigs, fits the one documented schema.
    void everyJsonOutputFitsTheSchema()
    {
        if (!hasValidator())
            QSKIP("no python3-jsonschema on this system (Debian package python3-jsonschema)");
        const QByteArray mixed = mixedRig();
        const QByteArray one = oneCamera({{"serial", "PTZ-1"}, {"videoNode", "/dev/video0"}});
        const QByteArray none = rig({});
        const QByteArray noUnit = oneCamera({{"extensionUnit", false}});
        const QByteArray refusing = oneCamera({{"faults", QJsonObject{{"xu.response.0x82", "0x8007001F"}}}});
        const QByteArray hidden = rig({camera("cam1", "7&1111&0"),
                                       camera("arbor", "7&5555&0", {{"vendorId", "0x343B"}, {"friendlyName", "ARBOR 220 Cam"}})});
        const QString presetFile = m_work.filePath(QStringLiteral("schema-preset.json"));
        QList<QPair<QStringList, QByteArray>> runs = {
            {{"list"}, mixed}, {{"list"}, none}, {{"list"}, hidden}, {{"list"}, one},
            {{"get"}, one}, {{"get", "--long", "zoom", "hdr"}, one}, {{"get"}, noUnit}, {{"get", "anti-flicker"}, refusing},
            {{"get", "--camera", "2", "field-of-view"}, mixed},
            {{"set", "zoom=300", "pan=5", "hdr=on"}, one}, {{"set", "zoom=900", "mirror=on"}, one},
            {{"set", "hdr=on"}, noUnit}, {{"set", "zoom=abc"}, one}, {{"set", "loudness=3"}, one},
            {{"save", presetFile}, one}, {{"save", m_work.filePath("partial.json")}, refusing},
            {{"preset", "save", "1"}, one}, {{"preset", "list"}, one}, {{"preset", "recall", "5"}, one},
            {{"preset", "clear", "1"}, one}, {{"preset", "save", "1"}, oneCamera({{"friendlyName", "ARBOR 50F Cam"}})},
            {{"factory-reset"}, one}, {{"factory-reset", "--dry-run"}, one}, {{"factory-reset"}, noUnit},
            {{"get"}, mixed}, {{"get", "--camera", "cam"}, mixed}, {{"get", "--camera", "3"}, mixed},
            {{"get"}, none}, {{"get", "-c", "1"}, one}, {{"frobnicate"}, one}, {{}, one},
            {{"--help"}, one}, {{"get", "--help"}, one}, {{"--version"}, one},
            {{"upgrade", m_work.filePath("missing.zip")}, one}, {{"recover", m_work.path()}, one},
            {{"serve", "--udp-port", "70000"}, one}, {{"serve", "extra"}, one}, {{"serve"}, none},
        };
        if (!Zip7z::toolPath().isEmpty()) {
            const QString package = makePackage(m_work);
            const QString arbor = makePackage(m_work, "ARBOR 220");
            const QByteArray two = rig({camera("cam1", "7&1111&0", {{"firmware", "1.0.23"}, {"driveLetter", "F"}}),
                                        camera("cam2", "7&2222&0", {{"driveLetter", "G"}})});
            const QByteArray stuck = rig({camera("cam1", "7&1111&0", {{"mode", "rom"}, {"driveLetter", "E"}}),
                                          camera("cam2", "7&2222&0", {{"mode", "uboot"}, {"driveLetter", "F"},
                                                                      {"usbProduct", "USB Boot Disk"}})});
            const QByteArray failing = oneCamera({{"driveLetter", "E"},
                                                  {"faults", QJsonObject{{"storage.unacknowledgedCommands", 2},
                                                                         {"storage.unacknowledgedMatch", "nand"}}}});
            runs += QList<QPair<QStringList, QByteArray>>{
                {{"package-info", package}, none}, {{"upgrade", package, "--all"}, two},
                {{"upgrade", package, "--all", "--dry-run"}, two}, {{"upgrade", arbor}, one},
                {{"upgrade", package}, failing}, {{"upgrade", package}, stuck},
                {{"recover", package}, stuck}, {{"recover", package, "--dry-run"}, stuck}, {{"recover", arbor}, stuck},
                {{"recover", package}, one},
            };
        }
        QStringList files;
        QSet<QString> commands;
        QSet<int> codes;
        for (const auto &r : runs) {
            const Run run = ctl(QStringList(r.first) << QStringLiteral("--json"), r.second);
            const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8());
            QVERIFY2(doc.isObject(), qPrintable(r.first.join(' ') + ": " + run.out + run.err));
            // The exit code is the process's.
            QCOMPARE(doc.object().value(QStringLiteral("exitCode")).toInt(-1), run.code);
            commands.insert(doc.object().value(QStringLiteral("command")).toString());
            codes.insert(run.code);
            const QString file = m_work.filePath(QStringLiteral("out-%1.json").arg(files.size()));
            upgradetest::writeFile(file, run.out.toUtf8());
            files << file;
        }
        QCOMPARE(codes, (QSet<int>{0, 1, 2, 3}));
        // serve: one event a line while it runs, until SIGTERM.
        {
            QTemporaryDir dir;
            QProcess serve;
            startCtl(serve, dir, {"serve", "--json", "--udp-port", "0", "--tcp-port", "0"}, one);
            QVERIFY(QTest::qWaitFor([&] { return serve.canReadLine(); }, 60000));
            serve.terminate();
            QVERIFY(serve.waitForFinished(60000));
            QCOMPARE(serve.exitCode(), 0);
            const QList<QByteArray> events = serve.readAllStandardOutput().trimmed().split('\n');
            QCOMPARE(events.size(), 2);
            for (const QByteArray &event : events) {
                const QString file = m_work.filePath(QStringLiteral("serve-%1.event.json").arg(files.size()));
                upgradetest::writeFile(file, event);
                files << file;
            }
        }
        QVERIFY(commands.contains(QStringLiteral("factory-reset")));
        QProcess python;
        python.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), QLatin1String(kValidator),
                                                            QStringLiteral(LENSDESK_SOURCE_DIR "/docs/lensdeskctl.schema.json")}
                                                    + files);
        QVERIFY(python.waitForFinished(120000));
        QVERIFY2(python.exitCode() == 0, (python.readAllStandardOutput() + python.readAllStandardError()).constData());

        // A document that breaks the promise is caught: a camera without its null members.
        upgradetest::writeFile(m_work.filePath("broken.json"),
                               R"({"command": "list", "manufacturer": 2, "hidden": [], "exitCode": 0, "cameras":
                                   [{"index": 1, "state": "rom", "path": "x", "name": "y"}]})");
        python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QLatin1String(kValidator),
                                                 QStringLiteral(LENSDESK_SOURCE_DIR "/docs/lensdeskctl.schema.json"),
                                                 m_work.filePath("broken.json")});
        QVERIFY(python.waitForFinished(120000));
        QCOMPARE(python.exitCode(), 1);
    }

    // The completion, as bash runs it: the words lensdeskctl gives for each place.
    void shellCompletionOffersWords()
    {
        const QString script = QStringLiteral(LENSDESK_SOURCE_DIR "/packaging/lensdeskctl.bash-completion");
        QTemporaryDir dir;
        upgradetest::writeFile(dir.filePath(QStringLiteral("rig.json")), mixedRig());
        auto complete = [&](const QStringList &words) {
            QStringList quoted;
            for (const QString &w : words)
                quoted << QLatin1Char('\'') + w + QLatin1Char('\'');
            QProcess bash;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("PATH"), testsupport::appDir() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
            env.insert(QStringLiteral("LENSDESK_BACKEND"), QStringLiteral("sim"));
            env.insert(QStringLiteral("LENSDESK_RIG"), dir.filePath(QStringLiteral("rig.json")));
            bash.setProcessEnvironment(env);
            bash.start(QStringLiteral("bash"),
                       {QStringLiteral("-c"),
                        QStringLiteral("source '%1' && COMP_WORDS=(%2) && COMP_CWORD=%3 && _lensdeskctl; "
                                       "printf '%s\\n' \"${COMPREPLY[@]}\"")
                            .arg(script, quoted.join(QLatin1Char(' ')))
                            .arg(words.size() - 1)});
            bash.waitForFinished(60000);
            return QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };
        QCOMPARE(complete({"lensdeskctl", ""}), QStringList({"list", "get", "set", "save", "apply", "preset",
                                                             "factory-reset", "upgrade", "recover", "package-info", "serve"}));
        QCOMPARE(complete({"lensdeskctl", "p"}), QStringList({"preset", "package-info"}));
        QCOMPARE(complete({"lensdeskctl", "get", "--camera", ""}), QStringList({"1", "2", "3"}));
        QCOMPARE(complete({"lensdeskctl", "get", "tracking-"}),
                 QStringList({"tracking-mode", "tracking-effect", "tracking-speed"}));
        QCOMPARE(complete({"lensdeskctl", "set", "--camera", "2", "ze"}), QStringList());
        QCOMPARE(complete({"lensdeskctl", "set", "--camera", "2", "zo"}), QStringList({"zoom="}));
        QCOMPARE(complete({"lensdeskctl", "upgrade", "x.zip", "--"}),
                 QStringList({"--camera", "--all", "--force", "--dry-run", "--json", "--verbose", "--manufacturer",
                              "--help", "--version"}));
        QCOMPARE(complete({"lensdeskctl", "serve", "--"}),
                 QStringList({"--camera", "--all", "--listen", "--allow", "--udp-port", "--tcp-port", "--json",
                              "--verbose", "--manufacturer", "--help", "--version"}));
        QCOMPARE(complete({"lensdeskctl", "list", "--"}),
                 QStringList({"--json", "--verbose", "--manufacturer", "--help", "--version"}));
        QCOMPARE(complete({"lensdeskctl", "preset", "re"}), QStringList({"recall"}));
        QCOMPARE(complete({"lensdeskctl", "preset", "recall", ""}).size(), 9);
        QCOMPARE(complete({"lensdeskctl", "--manufacturer", ""}), QStringList({"0", "1", "2"}));
    }
};

LENSDESK_TEST_MAIN(TestLensdeskctlJson)
#include "tst_lensdeskctl_json.moc"
