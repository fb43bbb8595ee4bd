// The installed program: the layout of an installation into a temporary prefix, the
// program run from it with a read-only install folder, the Debian package, the menu
// entry, the udev rule, and the command-line options.
#include "TestSupport.h"

#include "platform/Backend.h"
#include "platform/Volume.h"
#include "upgrade/MassStorageTransport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

namespace {

const QString kBuildDir = QStringLiteral(LENSDESK_BUILD_DIR);
const QString kSourceDir = QStringLiteral(LENSDESK_SOURCE_DIR);
const QString kCMake = QStringLiteral(LENSDESK_CMAKE);
const QString kCPack = QStringLiteral(LENSDESK_CPACK);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Result
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Result runProgram(const QString &program, const QStringList &arguments, const QProcessEnvironment &env,
                  const QString &workingDir = QString(), int timeoutMs = 120000)
{
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(program, arguments);
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = "timed out";
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    return result;
}

// Makes a tree read-only (or writable again), folders included.
void setTreeWritable(const QString &root, bool writable)
{
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList paths{root};
    while (it.hasNext())
        paths << it.next();
    for (const QString &path : qAsConst(paths)) {
        QFile::Permissions p = QFile::permissions(path);
        const QFile::Permissions write = QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
        QFile::setPermissions(path, writable ? (p | QFile::WriteOwner | QFile::WriteUser) : (p & ~write));
    }
}

// The files every installation has, relative to the prefix.
QStringList installedFiles()
{
    QStringList files{QStringLiteral("bin/lensdesk"),
                      QStringLiteral("bin/lensdeskctl"),
                      QStringLiteral("share/lensdesk/product.ini"),
                      QStringLiteral("share/lensdesk/app_de.qm"),
                      QStringLiteral("share/lensdesk/app_fr.qm"),
                      QStringLiteral("share/lensdesk/app_es.qm"),
                      QStringLiteral("share/lensdesk/app_it.qm"),
                      QStringLiteral("share/applications/lensdesk.desktop"),
                      QStringLiteral("share/metainfo/io.github.lensdesk.lensdesk.metainfo.xml"),
                      QStringLiteral("share/icons/hicolor/scalable/apps/lensdesk.svg"),
                      QStringLiteral("share/man/man1/lensdesk.1.gz"),
                      QStringLiteral("share/man/man1/lensdeskctl.1.gz"),
                      QStringLiteral("share/doc/lensdesk/copyright"),
                      QStringLiteral("share/doc/lensdesk/changelog.gz"),
                      QStringLiteral("share/doc/lensdesk/README.md"),
                      QStringLiteral("share/bash-completion/completions/lensdeskctl"),
                      QStringLiteral("lib/udev/rules.d/70-lensdesk.rules"),
                      QStringLiteral("lib/systemd/user/lensdesk-visca.service")};
    for (const char *size : {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"})
        files << QStringLiteral("share/icons/hicolor/%1/apps/lensdesk.png").arg(QLatin1String(size));
    return files;
}

QStringList sortedMatches(const QString &text, const QRegularExpression &re)
{
    QStringList found;
    for (auto it = re.globalMatch(text); it.hasNext();)
        found << it.next().captured(0);
    found.sort();
    return found;
}

// An INQUIRY field as the kernel shows it in sysfs (the SCSI device's vendor and model):
// a NUL ends the text, and it and every character outside printable ASCII become spaces.
QString sysfsField(const std::uint8_t *field, int length)
{
    QString text;
    bool ended = false;
    for (int i = 0; i < length; ++i) {
        ended = ended || field[i] == 0;
        text += ended || field[i] < 0x20 || field[i] > 0x7e ? QLatin1Char(' ') : QLatin1Char(char(field[i]));
    }
    return text;
}

namespace udev {

// A device and its parents, the device first: subsystem and sysfs attributes of each.
struct Node
{
    QString subsystem;
    QMap<QString, QString> attributes;
};
using Device = QList<Node>;

// A SCSI generic node with the given SCSI device fields, on a USB camera's port or on a
// PCI storage controller.
Device scsiGenericNode(const QString &vendor, const QString &model, bool usb)
{
    Device device;
    device.append({QStringLiteral("scsi_generic"), {}});
    device.append({QStringLiteral("scsi"), {{QStringLiteral("vendor"), vendor}, {QStringLiteral("model"), model},
                                            {QStringLiteral("type"), QStringLiteral("0")}}});
    device.append({QStringLiteral("scsi"), {}}); // target
    device.append({QStringLiteral("scsi"), {}}); // host
    if (usb) {
        device.append({QStringLiteral("usb"), {{QStringLiteral("bInterfaceClass"), QStringLiteral("08")}}});
        device.append({QStringLiteral("usb"), {{QStringLiteral("idVendor"), QStringLiteral("3749")},
                                               {QStringLiteral("idProduct"), QStringLiteral("030a")}}});
        device.append({QStringLiteral("usb"), {{QStringLiteral("idVendor"), QStringLiteral("1d6b")},
                                               {QStringLiteral("idProduct"), QStringLiteral("0002")}}});
    }
    device.append({QStringLiteral("pci"), {{QStringLiteral("vendor"), QStringLiteral("0x8086")}}});
    return device;
}

// udev's match of a value against a pattern: alternatives split by "|", shell globs.
bool matches(const QString &pattern, const QString &value)
{
    for (const QString &alternative : pattern.split(QLatin1Char('|'))) {
        const QRegularExpression glob(QRegularExpression::wildcardToRegularExpression(alternative));
        if (alternative.isEmpty() ? value.isEmpty() : glob.match(value).hasMatch())
            return true;
    }
    return false;
}

struct Key
{
    QString name;
    QString attribute;
    QString op;
    QString value;
};

// The tags the rules give the device on an event, read as udev reads them: one rule per
// line, GOTO to a LABEL further down, and the keys that look at parents (SUBSYSTEMS,
// ATTRS) matched together on one device of the chain. A key this reader does not know
// fails the test rather than being skipped.
QStringList tags(const QString &rules, const Device &device, const QString &action)
{
    static const QRegularExpression keyPattern(
        QStringLiteral("^\\s*([A-Z]+)(?:\\{([^}]*)\\})?\\s*(==|!=|\\+=|=)\\s*\"([^\"]*)\"\\s*(?:,|$)"));
    QList<QList<Key>> lines;
    for (const QString &raw : rules.split(QLatin1Char('\n'))) {
        QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QList<Key> keys;
        while (!line.isEmpty()) {
            const QRegularExpressionMatch m = keyPattern.match(line);
            if (!m.hasMatch()) {
                qWarning("unreadable rule: %s", qPrintable(raw));
                return {QStringLiteral("<unreadable>")};
            }
            keys.append({m.captured(1), m.captured(2), m.captured(3), m.captured(4)});
            line = line.mid(m.capturedLength()).trimmed();
        }
        lines.append(keys);
    }
    QStringList tagged;
    auto attribute = [](const Node &node, const Key &key, bool *present) {
        *present = node.attributes.contains(key.attribute);
        QString value = node.attributes.value(key.attribute);
        // Trailing spaces of the value count only for a pattern that ends in one.
        if (key.value.isEmpty() || !key.value.back().isSpace()) {
            while (!value.isEmpty() && value.back().isSpace())
                value.chop(1);
        }
        return value;
    };
    auto compare = [](const Key &key, bool match) { return key.op == QLatin1String("==") ? match : !match; };
    for (int i = 0; i < lines.size(); ++i) {
        const QList<Key> &keys = lines.at(i);
        bool match = true;
        QList<Key> parentKeys;
        for (const Key &key : keys) {
            if (key.op != QLatin1String("==") && key.op != QLatin1String("!="))
                continue;
            if (key.name == QLatin1String("ACTION"))
                match = match && compare(key, matches(key.value, action));
            else if (key.name == QLatin1String("SUBSYSTEM"))
                match = match && compare(key, matches(key.value, device.first().subsystem));
            else if (key.name == QLatin1String("SUBSYSTEMS") || key.name == QLatin1String("ATTRS"))
                parentKeys.append(key);
            else
                return {QStringLiteral("<unknown match %1>").arg(key.name)};
        }
        if (match && !parentKeys.isEmpty()) {
            bool onOne = false;
            for (const Node &node : device) {
                bool all = true;
                for (const Key &key : qAsConst(parentKeys)) {
                    if (key.name == QLatin1String("SUBSYSTEMS")) {
                        all = all && compare(key, matches(key.value, node.subsystem));
                    } else {
                        bool present = false;
                        const QString value = attribute(node, key, &present);
                        // A parent without the attribute never matches, whatever the operator.
                        all = all && present && compare(key, matches(key.value, value));
                    }
                }
                onOne = onOne || all;
            }
            match = onOne;
        }
        if (!match)
            continue;
        for (const Key &key : keys) {
            if (key.name == QLatin1String("TAG") && key.op == QLatin1String("+=")) {
                if (!tagged.contains(key.value))
                    tagged.append(key.value); // a device's tags are a set
            } else if (key.name == QLatin1String("GOTO")) {
                int label = i + 1;
                while (label < lines.size()
                       && !(lines.at(label).size() == 1 && lines.at(label).first().name == QLatin1String("LABEL")
                            && lines.at(label).first().value == key.value))
                    ++label;
                if (label == lines.size())
                    return {QStringLiteral("<no label %1>").arg(key.value)};
                i = label;
            } else if (key.op != QLatin1String("==") && key.op != QLatin1String("!=")
                       && key.name != QLatin1String("LABEL")) {
                return {QStringLiteral("<unknown assignment %1>").arg(key.name)};
            }
        }
    }
    return tagged;
}

} // namespace udev

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root; // DESTDIR
    QString m_prefix;     // m_root + "/usr"
    QTemporaryDir m_packageDir; // the Debian package, built once
    QString m_deb;
    QString m_packageError;

    // The Debian package, built on first use; empty (and m_packageError) when it fails.
    QString package()
    {
        if (!m_deb.isEmpty() || !m_packageError.isEmpty())
            return m_deb;
        const Result r = runProgram(kCPack, {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                             kBuildDir + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"),
                                             m_packageDir.path()},
                                    QProcessEnvironment::systemEnvironment(), kBuildDir, 300000);
        const QStringList debs = QDir(m_packageDir.path()).entryList({QStringLiteral("*.deb")});
        if (r.code != 0 || debs.size() != 1)
            m_packageError = QString::fromUtf8((r.out + r.err).right(3000)) + debs.join(QLatin1Char(' '));
        else
            m_deb = m_packageDir.path() + QLatin1Char('/') + debs.first();
        return m_deb;
    }

    // The build installed under prefix, with root as DESTDIR.
    static Result install(const QString &root, const QString &prefix)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), root);
        return runProgram(kCMake, {QStringLiteral("--install"), kBuildDir, QStringLiteral("--prefix"), prefix}, env);
    }

    // A member of the package's control archive (conffiles, postinst, ...).
    QByteArray controlMember(const QString &name)
    {
        return runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--info"), package(), name},
                          QProcessEnvironment::systemEnvironment())
            .out;
    }

    // A user of the installed program: own HOME, configuration and data folders.
    struct User
    {
        QTemporaryDir home;
        QString config() const { return home.path() + QStringLiteral("/config"); }
        QString data() const { return home.path() + QStringLiteral("/data"); }
        QString log() const { return home.path() + QStringLiteral("/.lensdesk/lensdesk.log"); }
        QProcessEnvironment environment() const
        {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("HOME"), home.path());
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), config());
            env.insert(QStringLiteral("XDG_DATA_HOME"), data());
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            env.insert(QStringLiteral("LENSDESK_BACKEND"), QStringLiteral("sim"));
            env.insert(QStringLiteral("LENSDESK_TEST_EXIT_CODES"), QStringLiteral("0"));
            env.insert(QStringLiteral("LENSDESK_TEST_CLOSE_WINDOW"), QStringLiteral("1"));
            env.remove(QStringLiteral("LENSDESK_RIG"));
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
            return env;
        }
    };

    // The messages of the log, without time stamps.
    static QStringList logMessages(const QString &path)
    {
        QStringList messages;
        const QRegularExpression stamp(QStringLiteral("^\\[[^]]*\\] -[DIWCFE]- : "));
        for (const QByteArray &line : readAll(path).split('\n'))
            messages << QString::fromUtf8(line).remove(stamp).remove(QLatin1Char('\r'));
        return messages;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_prefix = m_root.path() + QStringLiteral("/usr");
        const Result r = install(m_root.path(), QStringLiteral("/usr"));
        QVERIFY2(r.code == 0, r.err.constData());
        // The installation's defaults name another manufacturer than the user will, so
        // that a value read from the wrong file shows.
        const QString defaults = m_prefix + QStringLiteral("/share/lensdesk/product.ini");
        QCOMPARE(readAll(defaults), QByteArray("[product_model]\nmain=2\n"));
        QFile file(defaults);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[product_model]\nmain=1\n\n[style]\nindex=2\n");
        file.close();
        setTreeWritable(m_prefix, false);
    }

    void cleanupTestCase()
    {
        if (!m_prefix.isEmpty())
            setTreeWritable(m_prefix, true);
    }

    void installedLayout()
    {
        for (const QString &file : installedFiles())
            QVERIFY2(QFileInfo(m_prefix + QLatin1Char('/') + file).isFile(), qPrintable(file));
        QVERIFY(QFileInfo(m_prefix + QStringLiteral("/bin/lensdesk")).isExecutable());
        QVERIFY(QFileInfo(m_prefix + QStringLiteral("/bin/lensdeskctl")).isExecutable());
        // The user unit serves every camera over VISCA.
        QFile unit(m_prefix + QStringLiteral("/lib/systemd/user/lensdesk-visca.service"));
        QVERIFY(unit.open(QIODevice::ReadOnly));
        const QByteArray unitText = unit.readAll();
        QVERIFY(unitText.contains("\nExecStart=/usr/bin/lensdeskctl serve --all\n"));
        QVERIFY(unitText.contains("\n[Install]\nWantedBy=default.target\n"));
        // Nothing but the two programs in bin/.
        QCOMPARE(QDir(m_prefix + QStringLiteral("/bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("lensdesk"), QStringLiteral("lensdeskctl")}));
    }

    // An installation under another prefix (a build installed by hand goes to /usr/local)
    // has a unit that starts the program it installed, not the package's.
    void theUnitStartsTheProgramOfItsOwnInstallation()
    {
        QTemporaryDir root;
        const Result r = install(root.path(), QStringLiteral("/opt/lensdesk"));
        QVERIFY2(r.code == 0, r.err.constData());
        const QByteArray unit = readAll(root.path() + QStringLiteral("/opt/lensdesk/lib/systemd/user/lensdesk-visca.service"));
        QVERIFY(unit.contains("\nExecStart=/opt/lensdesk/bin/lensdeskctl serve --all\n"));
        QVERIFY(QFileInfo(root.path() + QStringLiteral("/opt/lensdesk/bin/lensdeskctl")).isExecutable());
    }

    void settingsSurviveInTheUsersFolder()
    {
        User user;
        const QString program = m_prefix + QStringLiteral("/bin/lensdesk");
        QTemporaryDir elsewhere;
        Result r = runProgram(program, {}, user.environment(), elsewhere.path());
        QVERIFY2(r.code == 0, r.err.right(2000).constData());

        // The defaults come from the installation; the user's file gets what closing writes.
        QStringList log = logMessages(user.log());
        QVERIFY(log.contains(QStringLiteral("credit manufacturer: \"Tessaline\"")));
        QVERIFY(log.contains(QStringLiteral("pre ui style: 2")));
        const QString userFile = user.config() + QStringLiteral("/lensdesk/product.ini");
        QVERIFY(QFileInfo(userFile).isFile());
        QVERIFY(!QFileInfo::exists(m_prefix + QStringLiteral("/bin/product.ini")));
        {
            QSettings saved(userFile, QSettings::IniFormat);
            QCOMPARE(saved.value(QStringLiteral("/style/index")).toString(), QStringLiteral("2"));
            QVERIFY(saved.value(QStringLiteral("/window/width")).toInt() > 0);
            QVERIFY(saved.value(QStringLiteral("/window/height")).toInt() > 0);
            QVERIFY(!saved.contains(QStringLiteral("/product_model/main")));
        }
        // The package folder is the user's, and the program works there.
        const QString packages = user.data() + QStringLiteral("/lensdesk/package");
        QVERIFY(QFileInfo(packages).isDir());
        const QStringList hook = log.filter(QStringLiteral("test hook: exit 0,"));
        QCOMPARE(hook.size(), 1);
        QVERIFY2(hook.at(0).endsWith(QStringLiteral(", directory \"%1\", translation \"\"").arg(packages)),
                 qPrintable(hook.at(0)));

        // The user's own values win over the installation's on the next start, and the
        // translation comes from the installed data folder.
        {
            QSettings saved(userFile, QSettings::IniFormat);
            saved.setValue(QStringLiteral("/window/left"), QStringLiteral("40"));
            saved.setValue(QStringLiteral("/window/top"), QStringLiteral("50"));
            saved.setValue(QStringLiteral("/window/width"), QStringLiteral("1300"));
            saved.setValue(QStringLiteral("/window/height"), QStringLiteral("800"));
            saved.setValue(QStringLiteral("/style/index"), QStringLiteral("0"));
            saved.setValue(QStringLiteral("/ChangeLanguage/Language"), QStringLiteral("1"));
        }
        QFile::remove(user.log());
        r = runProgram(program, {}, user.environment(), elsewhere.path());
        QVERIFY2(r.code == 0, r.err.right(2000).constData());
        log = logMessages(user.log());
        QVERIFY(log.contains(QStringLiteral("call E_L_GE")));
        QVERIFY(log.contains(QStringLiteral("pre main window pos: \"40 50 1300 800\"")));
        QVERIFY(log.contains(QStringLiteral("pre ui style: 0")));
        QVERIFY(log.contains(QStringLiteral("credit manufacturer: \"Tessaline\"")));
        QCOMPARE(log.filter(QStringLiteral("test hook:")).size(), 1);
        QVERIFY(log.filter(QStringLiteral("test hook:")).at(0).endsWith(QStringLiteral("translation \"de\"")));
        QSettings saved(userFile, QSettings::IniFormat);
        QCOMPARE(saved.value(QStringLiteral("/ChangeLanguage/Language")).toString(), QStringLiteral("1"));
    }

    void aFailedWriteIsLogged()
    {
        User user;
        // A file where the configuration folder should be: nothing can be written there.
        QFile blocker(user.config());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const Result r = runProgram(m_prefix + QStringLiteral("/bin/lensdesk"), {}, user.environment());
        QCOMPARE(r.code, 0);
        const QStringList log = logMessages(user.log());
        QCOMPARE(log.filter(QStringLiteral("The settings could not be written to")),
                 QStringList{QStringLiteral("The settings could not be written to \"%1/lensdesk/product.ini\"")
                                 .arg(user.config())});
    }

    void helpAndVersionNeedNoDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");
        QTest::newRow("--version") << "--version" << "lensdesk 1.0.4\n";
        QTest::newRow("-v") << "-v" << "lensdesk 1.0.4\n";
        QTest::newRow("--help") << "--help" << "  -v, --version  Displays version information.\n";
        QTest::newRow("-h") << "-h" << "  -h, --help     Displays help on commandline options.\n";
    }

    void helpAndVersionNeedNoDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QString, expected);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // No display of any kind, and no platform that would stand in for one.
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("HOME"), testsupport::homeDir());
        const Result r = runProgram(m_prefix + QStringLiteral("/bin/lensdesk"), {option}, env);
        QCOMPARE(r.code, 0);
        QVERIFY2(QString::fromUtf8(r.out).contains(expected), r.out.constData());
        // Nothing of a run: no log file.
        QVERIFY(!QFileInfo::exists(testsupport::homeDir() + QStringLiteral("/.lensdesk/lensdesk.log")));
    }

    // The installed command-line program needs no display and only the toolkit's core:
    // it lists the simulated rig's camera and reads its settings.
    void installedCommandLineProgram()
    {
        const QString program = m_prefix + QStringLiteral("/bin/lensdeskctl");
        const Result ldd = runProgram(QStringLiteral("ldd"), {program}, QProcessEnvironment::systemEnvironment());
        QCOMPARE(ldd.code, 0);
        QVERIFY(ldd.out.contains("libQt5Core.so.5"));
        QVERIFY2(!ldd.out.contains("libQt5Gui") && !ldd.out.contains("libQt5Widgets"), ldd.out.constData());

        User user;
        QProcessEnvironment env = user.environment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("LENSDESK_BACKEND"), QStringLiteral("sim"));
        // The installation's default manufacturer is 0; the built-in rig's camera is of 2.
        QDir().mkpath(user.config() + QStringLiteral("/lensdesk"));
        QFile ini(user.config() + QStringLiteral("/lensdesk/product.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[product_model]\nmain=2\n");
        ini.close();
        const Result version = runProgram(program, {QStringLiteral("--version")}, env);
        QCOMPARE(version.code, 0);
        QCOMPARE(version.out, QByteArray("lensdeskctl 1.0.4\n"));
        const Result get = runProgram(program, {QStringLiteral("get"), QStringLiteral("zoom")}, env);
        QVERIFY2(get.code == 0, get.err.constData());
        QCOMPARE(get.out, QByteArray("zoom=100\n"));
        QVERIFY(QFileInfo::exists(user.log()));
    }

    void desktopEntryValidates()
    {
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate not found (Debian package desktop-file-utils)");
        const QString entry = m_prefix + QStringLiteral("/share/applications/lensdesk.desktop");
        const Result r = runProgram(validator, {entry}, QProcessEnvironment::systemEnvironment());
        QVERIFY2(r.code == 0 && r.out.isEmpty(), (r.out + r.err).constData());
        // The names in the four languages besides English, and what the menu needs.
        const QByteArray text = readAll(entry);
        for (const char *line : {"Name=LensDesk Camera Control\n", "Name[de]=LensDesk Kamerasteuerung\n",
                                 "Name[fr]=LensDesk Contr\xc3\xb4le de cam\xc3\xa9ra\n",
                                 "Name[es]=LensDesk Control de c\xc3\xa1mara\n",
                                 "Name[it]=LensDesk Controllo videocamera\n", "Exec=lensdesk\n", "Icon=lensdesk\n",
                                 "Categories=AudioVideo;Video;Qt;\n", "Terminal=false\n"})
            QVERIFY2(text.contains(line), line);
    }

    // The rule tags the SCSI generic node of a USB volume exactly when the program would
    // upgrade the volume: its INQUIRY identity, as the program reads it from the simulated
    // device and as the kernel shows it in sysfs, decides both. Video nodes are left to
    // the system's own rules.
    void udevRuleGrantsTheUpgradeVolumesOnly_data()
    {
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("product");
        QTest::addColumn<bool>("upgraded");
        QTest::newRow("boot ROM") << "GC" << "rom" << "" << true;
        QTest::newRow("updater") << "GC" << "updater" << "" << true;
        QTest::newRow("boot loader") << "GC" << "uboot" << "" << true;
        QTest::newRow("GC and more") << "GCXYZ" << "uboot" << "" << true;
        QTest::newRow("LNS41") << "LNS41" << "uboot" << "" << true;
        QTest::newRow("LNS410AD in the boot ROM") << "LNS410AD" << "rom" << "" << true;
        QTest::newRow("UPD product") << "GC" << "uboot" << "UPDATE 2" << true;
        QTest::newRow("gc lower case") << "gc" << "uboot" << "" << false;
        QTest::newRow("LNS4 only") << "LNS4" << "rom" << "" << false;
        QTest::newRow("GC with a disk's product") << "GC" << "uboot" << "FLASH DISK" << false;
        QTest::newRow("GC with a blank-led product") << "GC" << "uboot" << " UBOOT" << false;
        QTest::newRow("ordinary disk") << "GENERIC" << "uboot" << "FLASH DISK" << false;
        QTest::newRow("gadget disk") << "Linux" << "uboot" << "File-Stor Gadget" << false;
    }
    void udevRuleGrantsTheUpgradeVolumesOnly()
    {
        QFETCH(QString, vendor);
        QFETCH(QString, mode);
        QFETCH(QString, product);
        QFETCH(bool, upgraded);
        const QString extra = product.isEmpty() ? QString() : QStringLiteral(R"(, "inquiryProduct": "%1")").arg(product);
        const QString camera = QStringLiteral(R"({ "key": "cam1", "driveLetter": "F", "mode": "%1", "inquiryVendor": "%2" %3 })")
                                   .arg(mode, vendor, extra);
        testsupport::SimEnvironment env(QStringLiteral(R"({"cameras": [ %1 ]})").arg(camera).toUtf8());
        int state = NotFound;
        const bool found = findUpgradeDevice(0, state) != nullptr && state != NotFound;
        QCOMPARE(found, upgraded);

        std::shared_ptr<platform::Volume> volume = platform::backend().openVolume(QStringLiteral("\\\\.\\F:"));
        QVERIFY(volume);
        std::uint8_t inquiry[36] = {};
        QVERIFY(inquireDevice(volume.get(), inquiry));
        const QString rules = QString::fromUtf8(readAll(m_prefix + QStringLiteral("/lib/udev/rules.d/70-lensdesk.rules")));
        // sg2 on a camera's USB port, and the same volume on another bus.
        udev::Device sg = udev::scsiGenericNode(sysfsField(inquiry + 8, 8), sysfsField(inquiry + 16, 16), true);
        QCOMPARE(udev::tags(rules, sg, QStringLiteral("add")), upgraded ? QStringList{QStringLiteral("uaccess")} : QStringList());
        QCOMPARE(udev::tags(rules, sg, QStringLiteral("remove")), QStringList());
        sg = udev::scsiGenericNode(sysfsField(inquiry + 8, 8), sysfsField(inquiry + 16, 16), false);
        QCOMPARE(udev::tags(rules, sg, QStringLiteral("add")), QStringList());
    }

    // The package's control fields, its files, the defaults as a conffile.
    void debianPackage()
    {
        const QString deb = package();
        QVERIFY2(!deb.isEmpty(), qPrintable(m_packageError));
        QCOMPARE(QFileInfo(deb).fileName(), QStringLiteral("lensdesk_1.0.4_amd64.deb"));

        const Result info = runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb},
                                       QProcessEnvironment::systemEnvironment());
        QCOMPARE(info.code, 0);
        const QString control = QString::fromUtf8(info.out);
        QVERIFY(control.startsWith(QStringLiteral("Architecture: amd64\n")));
        QVERIFY(control.contains(QStringLiteral("\nPackage: lensdesk\n")));
        QVERIFY(control.contains(QStringLiteral("\nVersion: 1.0.4\n")));
        QVERIFY(control.contains(QStringLiteral("\nMaintainer: lensdesk developers <lensdesk@users.noreply.github.com>\n")));
        QVERIFY(control.contains(QStringLiteral("\nHomepage: https://github.com/lensdesk/lensdesk\n")));
        QVERIFY(control.contains(QStringLiteral("\nRecommends: qttranslations5-l10n\n")));
        // Every library the two programs link, as dpkg-shlibdeps names them, and the
        // archive tool they run.
        const QRegularExpression depends(QStringLiteral("\\nDepends: ([^\\n]*)\\n"));
        QStringList names;
        for (const QString &dep : depends.match(control).captured(1).split(QStringLiteral(", ")))
            names << dep.section(QLatin1Char(' '), 0, 0);
        for (const char *dep : {"libc6", "libstdc++6", "libgcc-s1", "libqt5core5a", "libqt5gui5", "libqt5widgets5", "libqt5network5",
                                "libavcodec59", "libavformat59", "libavdevice59", "libavutil57", "libswscale6",
                                "libudev1", "libjpeg62-turbo", "7zip"})
            QVERIFY2(names.contains(QLatin1String(dep)), qPrintable(QLatin1String(dep) + QStringLiteral(" in ") + names.join(", ")));
        QVERIFY(control.contains(QStringLiteral("7zip | p7zip-full")));
        // The long description in lines of at most 80 columns.
        const QString description = control.section(QStringLiteral("\nDescription: "), 1);
        QVERIFY(description.startsWith(QStringLiteral("Control, preview and upgrade USB PTZ conference cameras\n")));
        for (const QString &line : description.split(QLatin1Char('\n')))
            QVERIFY2(line.size() <= 80, qPrintable(line));

        const Result contents = runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb},
                                           QProcessEnvironment::systemEnvironment());
        QCOMPARE(contents.code, 0);
        QStringList files;
        QStringList links;
        for (const QByteArray &line : contents.out.split('\n')) {
            const QString text = QString::fromUtf8(line);
            const QString path = text.section(QStringLiteral(" ./"), 1); // "usr/..." without "./"
            if (text.startsWith(QLatin1Char('-')))
                files << path;
            else if (text.startsWith(QLatin1Char('l')))
                links << path;
        }
        files.sort();
        // The defaults live in /etc; the installation's place of them is a link there.
        QStringList expected{QStringLiteral("etc/lensdesk/product.ini")};
        for (const QString &file : installedFiles()) {
            if (file != QLatin1String("share/lensdesk/product.ini"))
                expected << QStringLiteral("usr/") + file;
        }
        expected.sort();
        QCOMPARE(files, expected);
        QCOMPARE(links, QStringList{QStringLiteral("usr/share/lensdesk/product.ini -> /etc/lensdesk/product.ini")});
        QVERIFY(contents.out.contains("-rwxr-xr-x root/root"));
        QCOMPARE(controlMember(QStringLiteral("conffiles")), QByteArray("/etc/lensdesk/product.ini\n"));

        // The changelog and the copyright file name the same maintainer as the package.
        QTemporaryDir tree;
        QCOMPARE(runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, tree.path()},
                            QProcessEnvironment::systemEnvironment())
                     .code,
                 0);
        QCOMPARE(readAll(tree.path() + QStringLiteral("/etc/lensdesk/product.ini")), QByteArray("[product_model]\nmain=2\n"));
        QVERIFY(readAll(tree.path() + QStringLiteral("/usr/lib/systemd/user/lensdesk-visca.service"))
                    .contains("\nExecStart=/usr/bin/lensdeskctl serve --all\n"));
        const QByteArray copyright = readAll(tree.path() + QStringLiteral("/usr/share/doc/lensdesk/copyright"));
        QVERIFY(copyright.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
        QVERIFY(copyright.contains("\nUpstream-Contact: lensdesk developers <lensdesk@users.noreply.github.com>\n"));
        QVERIFY(copyright.contains("\nFiles: resources/image/LensDeskFullwidth-Regular.ttf\n"));
        QVERIFY(copyright.contains("\nLicense: Apache-2.0\n Licensed under the Apache License, Version 2.0"));
        const Result changelog = runProgram(QStringLiteral("gzip"), {QStringLiteral("-dc"),
                                            tree.path() + QStringLiteral("/usr/share/doc/lensdesk/changelog.gz")},
                                            QProcessEnvironment::systemEnvironment());
        QCOMPARE(changelog.code, 0);
        QVERIFY(changelog.out.startsWith("lensdesk (1.0.4) unstable; urgency=medium\n"));
        QVERIFY(changelog.out.contains("\n -- lensdesk developers <lensdesk@users.noreply.github.com>  "));
    }

    // The rule reaches devices already plugged in when the package is installed and
    // leaves them when it is removed: postinst and postrm reload udev's rules and replay
    // the SCSI generic devices, where udev runs (its /run/udev); an upgrade's removal of
    // the old package leaves that to the new one's postinst.
    void maintainerScriptsReloadTheRules_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("reloads");
        QTest::newRow("postinst configure") << "postinst" << "configure" << true;
        QTest::newRow("postinst abort-upgrade") << "postinst" << "abort-upgrade" << false;
        QTest::newRow("postrm remove") << "postrm" << "remove" << true;
        QTest::newRow("postrm purge") << "postrm" << "purge" << true;
        QTest::newRow("postrm upgrade") << "postrm" << "upgrade" << false;
    }
    void maintainerScriptsReloadTheRules()
    {
        QFETCH(QString, script);
        QFETCH(QString, argument);
        QFETCH(bool, reloads);
        const QString deb = package();
        QVERIFY2(!deb.isEmpty(), qPrintable(m_packageError));
        QTemporaryDir dir;
        QCOMPARE(runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--control"), deb, dir.path() + QStringLiteral("/control")},
                            QProcessEnvironment::systemEnvironment())
                     .code,
                 0);
        // A udevadm that writes down how it was called.
        const QString calls = dir.path() + QStringLiteral("/calls");
        QDir().mkpath(dir.path() + QStringLiteral("/bin"));
        QFile fake(dir.path() + QStringLiteral("/bin/udevadm"));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write(QStringLiteral("#!/bin/sh\necho \"$*\" >> '%1'\n").arg(calls).toUtf8());
        fake.close();
        fake.setPermissions(fake.permissions() | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PATH"), dir.path() + QStringLiteral("/bin:/usr/bin:/bin"));
        const Result r = runProgram(dir.path() + QStringLiteral("/control/") + script, {argument}, env);
        QVERIFY2(r.code == 0, r.err.constData());
        const bool udev = QFileInfo(QStringLiteral("/run/udev")).isDir();
        QCOMPARE(readAll(calls), reloads && udev ? QByteArray("control --reload-rules\n"
                                                              "trigger --subsystem-match=scsi_generic --action=change\n")
                                                 : QByteArray());
    }

    // Lintian, Debian's package checker, finds no error and no warning, nor the
    // hardening and stripping it looks for at its informational level.
    void lintianFindsNothingToFix()
    {
        if (LENSDESK_SANITIZED)
            QSKIP("a sanitizer build is built without the hardening and is not one to ship");
        const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
        if (lintian.isEmpty())
            QSKIP("lintian not found (Debian package lintian)");
        const QString deb = package();
        QVERIFY2(!deb.isEmpty(), qPrintable(m_packageError));
        const Result r = runProgram(lintian, {QStringLiteral("--pedantic"), QStringLiteral("--info"), deb},
                                    QProcessEnvironment::systemEnvironment(), QString(), 900000);
        QVERIFY2(r.code == 0 || r.code == 1, (r.out + r.err).constData()); // 1: an error found, 2: lintian failed
        QStringList problems;
        for (const QByteArray &line : r.out.split('\n')) {
            const QString text = QString::fromUtf8(line);
            if (text.startsWith(QLatin1String("E: ")) || text.startsWith(QLatin1String("W: ")))
                problems << text;
            for (const char *tag : {"hardening-no-fortify-functions", "hardening-no-bindnow", "hardening-no-relro",
                                    "hardening-no-pie", "binary-has-unneeded-section", "no-manual-page",
                                    "desktop-entry-lacks-main-category", "appstream-metadata"}) {
                if (text.contains(QStringLiteral(": %1").arg(QLatin1String(tag))))
                    problems << text;
            }
        }
        problems.removeDuplicates();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + r.out));
    }

    // The package's programs carry what Debian's build gives its own: checked string and
    // memory functions, the stack protector, relocations read-only and bound at start,
    // position independence; and they are stripped as dh_strip strips (no symbols, no
    // debugging information, no .comment, no .note).
    void packagedProgramsAreHardenedAndStripped_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("lensdesk") << "lensdesk";
        QTest::newRow("lensdeskctl") << "lensdeskctl";
    }
    void packagedProgramsAreHardenedAndStripped()
    {
        QFETCH(QString, program);
        if (LENSDESK_SANITIZED)
            QSKIP("a sanitizer build is built without the hardening and is not one to ship");
        const QString deb = package();
        QVERIFY2(!deb.isEmpty(), qPrintable(m_packageError));
        QTemporaryDir tree;
        const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        QCOMPARE(runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, tree.path()}, env).code, 0);
        const QString file = tree.path() + QStringLiteral("/usr/bin/") + program;
        auto readelf = [&](const QString &what) {
            const Result r = runProgram(QStringLiteral("readelf"), {what, QStringLiteral("-W"), file}, env);
            return r.code == 0 ? QString::fromUtf8(r.out) : QStringLiteral("<readelf failed>");
        };
        const QString sections = readelf(QStringLiteral("--sections"));
        QVERIFY2(sections.contains(QStringLiteral(" .text ")), qPrintable(sections));
        for (const char *name : {" .comment ", " .note ", " .symtab ", " .debug_info "})
            QVERIFY2(!sections.contains(QLatin1String(name)), name);
        const QString dynamic = readelf(QStringLiteral("--dynamic"));
        QVERIFY2(dynamic.contains(QStringLiteral("(FLAGS)              BIND_NOW")), qPrintable(dynamic));
        QVERIFY2(dynamic.contains(QStringLiteral("Flags: NOW PIE")), qPrintable(dynamic));
        QVERIFY(readelf(QStringLiteral("--segments")).contains(QStringLiteral("GNU_RELRO")));
        const QString symbols = readelf(QStringLiteral("--dyn-syms"));
        QVERIFY(symbols.contains(QStringLiteral("__stack_chk_fail")));
        QVERIFY(QRegularExpression(QStringLiteral("__\\w+_chk@")).match(symbols).hasMatch());
    }

    // Both manual pages render without a complaint from man, say what --help says
    // (every option it names), and add the files; compressed as Debian wants them:
    // gzip at its best, without name or time.
    void manualPagesRender_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("name");
        QTest::newRow("lensdesk") << "lensdesk" << "lensdesk - control, preview and upgrade USB PTZ conference cameras";
        QTest::newRow("lensdeskctl") << "lensdeskctl"
                                     << "lensdeskctl - control and upgrade USB PTZ conference cameras from the command line";
    }
    void manualPagesRender()
    {
        QFETCH(QString, program);
        QFETCH(QString, name);
        const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
        if (man.isEmpty())
            QSKIP("man not found (Debian package man-db)");
        const QString page = m_prefix + QStringLiteral("/share/man/man1/") + program + QStringLiteral(".1.gz");
        const QByteArray gz = readAll(page);
        QVERIFY(gz.size() > 10);
        QCOMPARE(QByteArray::fromRawData(gz.constData(), 3), QByteArray("\x1f\x8b\x08"));
        QCOMPARE(int(gz.at(3)), 0); // no name, no comment
        QCOMPARE(gz.mid(4, 4), QByteArray(4, '\0')); // no time
        QCOMPARE(int(gz.at(8)), 2); // the best compression

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("200"));
        env.remove(QStringLiteral("MAN_KEEP_FORMATTING"));
        // What lintian asks man for: warnings of the formatter on standard error.
        const Result warnings = runProgram(man, {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
                                                 QStringLiteral("-l"), QStringLiteral("-Tutf8"), QStringLiteral("-Z"), page},
                                           env);
        QCOMPARE(warnings.code, 0);
        QVERIFY2(warnings.err.isEmpty(), warnings.err.constData());
        // As a reader sees it, in lines as wide as MANWIDTH, without bold and underline.
        const Result shown = runProgram(man, {QStringLiteral("-l"), page}, env);
        QCOMPARE(shown.code, 0);
        const QString text = QString::fromUtf8(shown.out).remove(QRegularExpression(QStringLiteral("\\x1b\\[[0-9;]*m|.\\x08")));
        QVERIFY2(text.contains(QStringLiteral("NAME\n       ") + name + QLatin1Char('\n')), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("~/.lensdesk/lensdesk.log")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("/etc/lensdesk/product.ini")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("%1 1.0.4").arg(program)), qPrintable(text));

        const Result help = runProgram(m_prefix + QStringLiteral("/bin/") + program, {QStringLiteral("--help")},
                                       QProcessEnvironment::systemEnvironment());
        QCOMPARE(help.code, 0);
        const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z-]*"));
        QStringList options = sortedMatches(QString::fromUtf8(help.out), option);
        options.removeDuplicates();
        QVERIFY(options.contains(QStringLiteral("--help")));
        for (const QString &o : qAsConst(options))
            QVERIFY2(text.contains(o), qPrintable(o));
    }

    // The software centres' description validates, points its screenshots into the
    // repository, names the menu entry the package installs and carries this release.
    void metainfoValidates()
    {
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (validator.isEmpty())
            QSKIP("appstreamcli not found (Debian package appstream)");
        const QString file = m_prefix + QStringLiteral("/share/metainfo/io.github.lensdesk.lensdesk.metainfo.xml");
        const Result r = runProgram(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                                QStringLiteral("--pedantic"), file},
                                    QProcessEnvironment::systemEnvironment());
        QVERIFY2(r.code == 0, (r.out + r.err).constData());
        QVERIFY2(!r.out.contains("E: ") && !r.out.contains("W: ") && !r.out.contains("I: "), r.out.constData());

        const QString text = QString::fromUtf8(readAll(file));
        QVERIFY(text.contains(QStringLiteral("<id>io.github.lensdesk.lensdesk</id>")));
        QVERIFY(text.contains(QStringLiteral("<launchable type=\"desktop-id\">lensdesk.desktop</launchable>")));
        QVERIFY(text.contains(QStringLiteral("<release version=\"1.0.4\" ")));
        QVERIFY(QFileInfo(m_prefix + QStringLiteral("/share/applications/lensdesk.desktop")).isFile());
        const QRegularExpression image(QStringLiteral("<image>https://raw.githubusercontent.com/lensdesk/lensdesk/main/([^<]+)</image>"));
        int images = 0;
        for (auto it = image.globalMatch(text); it.hasNext(); ++images) {
            const QString path = it.next().captured(1);
            QVERIFY2(QFileInfo(kSourceDir + QLatin1Char('/') + path).isFile(), qPrintable(path));
        }
        QCOMPARE(images, 4);
        QCOMPARE(text.count(QStringLiteral("<image>")), 4);
    }

    // The icon at the size software centres look for.
    void iconAt128Pixels()
    {
        const QImage icon(m_prefix + QStringLiteral("/share/icons/hicolor/128x128/apps/lensdesk.png"));
        QCOMPARE(icon.size(), QSize(128, 128));
        QVERIFY(icon.hasAlphaChannel());
    }

    // The package keeps the defaults in /etc and links them into share/lensdesk: the
    // program reads them through the link, and once the administrator removes the file
    // the link still marks an installation (its translations, the user's own folders).
    void defaultsThroughALink()
    {
        QTemporaryDir root;
        const QString usr = root.path() + QStringLiteral("/usr");
        QVERIFY(QDir().mkpath(usr + QStringLiteral("/bin")));
        QVERIFY(QDir().mkpath(usr + QStringLiteral("/share/lensdesk")));
        QVERIFY(QDir().mkpath(root.path() + QStringLiteral("/etc/lensdesk")));
        QVERIFY(QFile::copy(m_prefix + QStringLiteral("/bin/lensdesk"), usr + QStringLiteral("/bin/lensdesk")));
        QVERIFY(QFile::copy(m_prefix + QStringLiteral("/share/lensdesk/app_de.qm"),
                            usr + QStringLiteral("/share/lensdesk/app_de.qm")));
        const QString etc = root.path() + QStringLiteral("/etc/lensdesk/product.ini");
        QFile defaults(etc);
        QVERIFY(defaults.open(QIODevice::WriteOnly));
        defaults.write("[product_model]\nmain=1\n\n[ChangeLanguage]\nLanguage=1\n");
        defaults.close();
        QVERIFY(QFile::link(etc, usr + QStringLiteral("/share/lensdesk/product.ini")));

        User user;
        Result r = runProgram(usr + QStringLiteral("/bin/lensdesk"), {}, user.environment());
        QVERIFY2(r.code == 0, r.err.right(2000).constData());
        QStringList log = logMessages(user.log());
        QVERIFY(log.contains(QStringLiteral("credit manufacturer: \"Tessaline\"")));
        QVERIFY(log.filter(QStringLiteral("test hook:")).value(0).endsWith(QStringLiteral("translation \"de\"")));

        // Without the file: manufacturer 0, and the user's own language choice still finds
        // its translation in share/lensdesk.
        QVERIFY(QFile::remove(etc));
        QFile::remove(user.log());
        {
            QSettings own(user.config() + QStringLiteral("/lensdesk/product.ini"), QSettings::IniFormat);
            own.setValue(QStringLiteral("/ChangeLanguage/Language"), QStringLiteral("1"));
        }
        r = runProgram(usr + QStringLiteral("/bin/lensdesk"), {}, user.environment());
        QVERIFY2(r.code == 0, r.err.right(2000).constData());
        log = logMessages(user.log());
        QVERIFY(log.contains(QStringLiteral("credit manufacturer: \"KT\"")));
        const QStringList hook = log.filter(QStringLiteral("test hook:"));
        QCOMPARE(hook.size(), 1);
        // Still an installation: the package folder is the user's, nothing is written beside the program.
        QVERIFY2(hook.at(0).endsWith(QStringLiteral(", directory \"%1/lensdesk/package\", translation \"de\"")
                                         .arg(user.data())),
                 qPrintable(hook.at(0)));
        QVERIFY(QFileInfo(user.config() + QStringLiteral("/lensdesk/product.ini")).isFile());
        QCOMPARE(QDir(usr + QStringLiteral("/bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("lensdesk")});
    }
};

LENSDESK_TEST_MAIN(TestInstall)
#include "tst_install.moc"
