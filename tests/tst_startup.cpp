#include "TestSupport.h"

#include "core/Language.h"
#include "core/Log.h"
#include "app/StartupWidgets.h"
#include "core/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>

namespace {

const QString kBinaryDir = QStringLiteral(LENSDESK_BINARY_DIR);
const QString kStamp = QStringLiteral("\\[\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}\\]");
const QString kRule = QStringLiteral("---------------------------------------------------");

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool copyTranslations(const QString &to)
{
    for (const char *name : {"app_de.qm", "app_fr.qm", "app_es.qm", "app_it.qm"}) {
        if (!QFile::copy(kBinaryDir + QLatin1Char('/') + QLatin1String(name), to + QLatin1Char('/') + QLatin1String(name)))
            return false;
    }
    return true;
}

// Captures every message while alive.
QMutex g_capturedMutex;
QStringList g_captured;
void captureMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    QMutexLocker lock(&g_capturedMutex);
    g_captured.append(text);
}

class MessageCapture
{
public:
    MessageCapture()
    {
        g_captured.clear();
        m_previous = qInstallMessageHandler(captureMessage);
    }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }
    QStringList messages() const
    {
        QMutexLocker lock(&g_capturedMutex);
        return g_captured;
    }

private:
    QtMessageHandler m_previous = nullptr;
};

// The log lines of a run, without their time stamps and line ends.
QStringList logMessages(const QString &logPath)
{
    QStringList messages;
    const QRegularExpression line(QRegularExpression::anchoredPattern(kStamp + QStringLiteral(" (-[DIWCFE]- : .*)\r")));
    for (const QByteArray &raw : readAll(logPath).split('\n')) {
        if (raw.isEmpty())
            continue;
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(raw));
        messages.append(match.hasMatch() ? match.captured(1) : QStringLiteral("MALFORMED: ") + QString::fromUtf8(raw));
    }
    return messages;
}

bool processGone(qint64 pid)
{
    // A detached process may linger as a zombie where nothing reaps orphans.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z";
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private:
    // A copy of the installed program in a folder of its own, run from elsewhere.
    struct Installation
    {
        QTemporaryDir app;
        QTemporaryDir home;
        QTemporaryDir elsewhere;
        QString logPath() const { return home.path() + QStringLiteral("/.lensdesk/lensdesk.log"); }
    };

    static bool install(Installation &inst, const QByteArray &productIni)
    {
        if (!inst.app.isValid() || !inst.home.isValid() || !inst.elsewhere.isValid())
            return false;
        const QString binary = inst.app.path() + QStringLiteral("/lensdesk");
        if (!QFile::copy(kBinaryDir + QStringLiteral("/lensdesk"), binary) || !copyTranslations(inst.app.path()))
            return false;
        QFile ini(inst.app.path() + QStringLiteral("/product.ini"));
        return ini.open(QIODevice::WriteOnly) && ini.write(productIni) == productIni.size();
    }

    // Runs the copy until it ends by itself; its output goes to this test's output, or
    // into a pipe that nobody reads when closedOutput is set.
    static int run(Installation &inst, const QString &exitCodes, bool closedOutput = false)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), inst.home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LENSDESK_BACKEND"), QStringLiteral("sim"));
        env.insert(QStringLiteral("LENSDESK_TEST_EXIT_CODES"), exitCodes);
        env.remove(QStringLiteral("LENSDESK_RIG"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(inst.elsewhere.path());
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        const QString program = inst.app.path() + QStringLiteral("/lensdesk");
        if (closedOutput) {
            // Standard output and error become a pipe whose reading end is already closed.
            process.start(QStringLiteral("perl"),
                          {QStringLiteral("-e"),
                           QStringLiteral("pipe(R, W) or die; close(R); open(STDOUT, '>&', \\*W) or die; "
                                          "open(STDERR, '>&', \\*W) or die; exec(@ARGV) or die;"),
                           program});
        } else {
            process.start(program, QStringList());
        }
        if (!process.waitForFinished(180000)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    }

private slots:
    void languageIndexFromSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("language");
        QTest::newRow("german") << QByteArray("[ChangeLanguage]\nLanguage=1\n") << 1;
        QTest::newRow("italian") << QByteArray("[ChangeLanguage]\nLanguage=4\n") << 4;
        QTest::newRow("english") << QByteArray("[ChangeLanguage]\nLanguage=0\n") << 0;
        QTest::newRow("five") << QByteArray("[ChangeLanguage]\nLanguage=5\n") << 0;
        QTest::newRow("minus one") << QByteArray("[ChangeLanguage]\nLanguage=-1\n") << 0;
        QTest::newRow("text") << QByteArray("[ChangeLanguage]\nLanguage=deutsch\n") << 0;
        QTest::newRow("empty value") << QByteArray("[ChangeLanguage]\nLanguage=\n") << 0;
        QTest::newRow("missing key") << QByteArray("[product_model]\nmain=2\n") << 0;
    }

    void languageIndexFromSettingsFile()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, language);
        // A folder per row: settings files are cached by path within a process.
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/product.ini");
        writeFile(path, ini);
        const QSettings settings(path, QSettings::IniFormat);
        QCOMPARE(languageIndexFromSettings(settings), language);
    }

    void settingsFileBesideTheProgram()
    {
        QCOMPARE(settingsFilePath(), testsupport::appDir() + QStringLiteral("/product.ini"));
    }

    void missingSettingsFileIsEnglish()
    {
        QVERIFY(!QFile::exists(settingsFilePath()));
        const QSettings settings(settingsFilePath(), QSettings::IniFormat);
        QCOMPARE(languageIndexFromSettings(settings), 0);
    }

    void translationsLoadFromTheCurrentDirectory_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("code");
        QTest::newRow("german") << 1 << "call E_L_GE" << "de";
        QTest::newRow("french") << 2 << "call E_L_FR" << "fr";
        QTest::newRow("spanish") << 3 << "call E_L_SP" << "es";
        QTest::newRow("italian") << 4 << "call E_L_IT" << "it";
        QTest::newRow("english") << 0 << "" << "";
        QTest::newRow("five") << 5 << "" << "";
        QTest::newRow("minus one") << -1 << "" << "";
    }

    void translationsLoadFromTheCurrentDirectory()
    {
        QFETCH(int, language);
        QFETCH(QString, message);
        QFETCH(QString, code);
        QTemporaryDir dir;
        QVERIFY(copyTranslations(dir.path()));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));

        QTranslator translator;
        bool loaded = false;
        QStringList messages;
        {
            MessageCapture capture;
            loaded = loadTranslation(&translator, language);
            messages = capture.messages();
        }
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList(message));
        QCOMPARE(loaded, !code.isEmpty());
        QCOMPARE(translator.language(), code);
        if (loaded) // the product name stays as it is in every language
            QCOMPARE(translator.translate("MainWindow", "Orvia Vista Cam"), QStringLiteral("Orvia Vista Cam"));
    }

    void missingTranslationIsIgnored()
    {
        QTemporaryDir empty;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(empty.path()));
        QTranslator translator;
        QStringList messages;
        bool loaded = true;
        {
            MessageCapture capture;
            loaded = loadTranslation(&translator, E_L_FR);
            messages = capture.messages();
        }
        QVERIFY(QDir::setCurrent(previous));
        QVERIFY(!loaded);
        QVERIFY(translator.isEmpty());
        QCOMPARE(messages, QStringList(QStringLiteral("call E_L_FR")));
    }

    void segoeUiIsTheBundledFont()
    {
        installApplicationFont();
        const QFont font = QApplication::font();
        QCOMPARE(font.family(), QStringLiteral("Segoe UI"));
        QCOMPARE(font.pointSize(), 12);
        QVERIFY(!font.italic());
        QCOMPARE(font.weight(), int(QFont::Normal));
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Open Sans"));
    }

    void bannerLines()
    {
        MessageCapture capture;
        logStartBanner();
        QCOMPARE(capture.messages(), QStringList({kRule, QStringLiteral("- System Start!"), kRule}));
        QCOMPARE(kRule.size(), 51);
    }

    void otherExitCodesPassThrough()
    {
        const QString never = QStringLiteral("/nonexistent/lensdesk");
        QCOMPARE(handleEventLoopResult(0, never), 0);
        QCOMPARE(handleEventLoopResult(5, never), 5);
        QCOMPARE(handleEventLoopResult(-1, never), -1);
        // A restart that cannot start still ends the run normally.
        QCOMPARE(handleEventLoopResult(kRestartExitCode, never), 0);
    }

    void restartStartsOneProcessWithoutArguments()
    {
        QTemporaryDir dir;
        const QString marker = dir.path() + QStringLiteral("/started");
        const QString script = dir.path() + QStringLiteral("/program");
        writeFile(script, QStringLiteral("#!/bin/sh\necho \"arguments $#\" >> '%1'\n").arg(marker).toUtf8());
        QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QCOMPARE(handleEventLoopResult(kRestartExitCode, script), 0);
        QTRY_COMPARE_WITH_TIMEOUT(readAll(marker), QByteArray("arguments 0\n"), 60000);
    }

    void programRunFromAnotherDirectory()
    {
        Installation inst;
        QVERIFY(install(inst, "[product_model]\nmain=2\n[ChangeLanguage]\nLanguage=1\n"));
        QCOMPARE(run(inst, QStringLiteral("7")), 7); // any result but 773 is the exit code

        const QStringList log = logMessages(inst.logPath());
        QVERIFY2(log.size() >= 5, qPrintable(log.join(QLatin1Char('\n'))));
        QCOMPARE(log.mid(0, 3), QStringList({QStringLiteral("-I- : ") + kRule, QStringLiteral("-I- : - System Start!"),
                                             QStringLiteral("-I- : ") + kRule}));
        QCOMPARE(log.at(3), QStringLiteral("-D- : call E_L_GE"));
        // The translation was found in the program's folder, which became the working directory.
        const QString folder = QFileInfo(inst.app.path()).canonicalFilePath();
        const QStringList hooks = log.filter(QStringLiteral("-I- : test hook: exit 7, pid "));
        QCOMPARE(hooks.size(), 1);
        QVERIFY2(hooks.first().endsWith(QStringLiteral(", directory \"%1\", translation \"de\"").arg(folder)),
                 qPrintable(hooks.first()));
        // The settings file beside the program was read, not written into the other folder.
        QVERIFY(QDir(inst.elsewhere.path()).isEmpty());
    }

    void outputToAClosedPipeDoesNotEndTheProgram()
    {
        Installation inst;
        QVERIFY(install(inst, "[product_model]\nmain=2\n"));
        QCOMPARE(run(inst, QStringLiteral("3"), true), 3);
        QCOMPARE(logMessages(inst.logPath()).filter(QStringLiteral("test hook: exit 3")).size(), 1);
    }

    void restartCodeStartsExactlyOneNewProcess()
    {
        Installation inst;
        QVERIFY(install(inst, "[product_model]\nmain=2\n[ChangeLanguage]\nLanguage=5\n"));
        QCOMPARE(run(inst, QStringLiteral("773,0")), 0);

        // The restarted copy logs its own banner and ends the chain with 0.
        const QRegularExpression hook(QStringLiteral("^-I- : test hook: exit (\\d+), pid (\\d+),"));
        QStringList hooks;
        QTRY_VERIFY_WITH_TIMEOUT((hooks = logMessages(inst.logPath()).filter(hook)).size() == 2, 180000);
        const QRegularExpressionMatch first = hook.match(hooks.at(0));
        const QRegularExpressionMatch second = hook.match(hooks.at(1));
        QCOMPARE(first.captured(1), QStringLiteral("773"));
        QCOMPARE(second.captured(1), QStringLiteral("0"));
        QVERIFY(first.captured(2) != second.captured(2));
        const qint64 child = second.captured(2).toLongLong();
        QTRY_VERIFY_WITH_TIMEOUT(processGone(child), 180000);

        const QStringList log = logMessages(inst.logPath());
        QCOMPARE(log.filter(QStringLiteral("- System Start!")).size(), 2);
        QCOMPARE(log.filter(hook).size(), 2);
        // Language 5 is English: no translation was asked for.
        QVERIFY(log.filter(QStringLiteral("call E_L_")).isEmpty());
        QVERIFY(log.filter(QStringLiteral("MALFORMED")).isEmpty());
        QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^-I- : -{51}$"))).size(), 4);
    }
};

LENSDESK_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
