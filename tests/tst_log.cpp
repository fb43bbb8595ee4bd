#include "TestSupport.h"

#include "core/Log.h"
#include "core/DebugOutput.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <mutex>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

namespace {

// The size at which the log is rotated: 5 MiB.
constexpr int kRotationBytes = 5242880;

const QString kStamp = QStringLiteral("\\[\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}\\]");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}

// Collects what the handler sends to the debugger output.
class DebuggerCapture
{
public:
    DebuggerCapture()
    {
        core::setDebuggerSink([this](const QString &text) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.append(text);
        });
    }
    ~DebuggerCapture() { core::setDebuggerSink({}); }
    QStringList lines()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

private:
    std::mutex m_mutex;
    QStringList m_lines;
};

} // namespace

class TestLog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_log = m_dir->path() + QStringLiteral("/lensdesk.log");
        setLogFilePath(m_log);
    }

    void cleanup()
    {
        setLogFilePath(QString::fromLatin1(kDefaultLogFilePath));
        m_dir.reset();
    }

    void linesWithoutContext_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("fileTag");
        QTest::addColumn<QString>("debuggerTag");
        QTest::newRow("debug") << int(QtDebugMsg) << "-D- " << " [Debug] ";
        QTest::newRow("info") << int(QtInfoMsg) << "-I- " << " [Info] ";
        QTest::newRow("warning") << int(QtWarningMsg) << "-W- " << " [Warning] ";
        QTest::newRow("critical") << int(QtCriticalMsg) << "-C- " << " [Critical] ";
        QTest::newRow("fatal") << int(QtFatalMsg) << "-F- " << " [Fatal] ";
        QTest::newRow("other") << 5 << "-E- " << " [Error] ";
    }

    void linesWithoutContext()
    {
        QFETCH(int, type);
        QFETCH(QString, fileTag);
        QFETCH(QString, debuggerTag);
        const QtMsgType msgType = static_cast<QtMsgType>(type);
        const QMessageLogContext context;
        // "%1" in a message must reach the log unchanged.
        const QString text = QStringLiteral("camera %1 opened");

        const QRegularExpression expected(QRegularExpression::anchoredPattern(
            kStamp + QLatin1Char(' ') + QRegularExpression::escape(fileTag + QStringLiteral(": ") + text)));
        QVERIFY2(expected.match(formatFileLine(msgType, context, text)).hasMatch(),
                 qPrintable(formatFileLine(msgType, context, text)));
        QCOMPARE(formatDebuggerLine(msgType, context, text), debuggerTag + text);

        DebuggerCapture capture;
        logMessageHandler(msgType, context, text);
        logMessageHandler(msgType, context, QStringLiteral("second"));
        const QList<QByteArray> fileLines = readAll(m_log).split('\n');
        QCOMPARE(fileLines.size(), 3);
        QVERIFY(fileLines.at(0).endsWith('\r'));
        QVERIFY(fileLines.at(2).isEmpty());
        QVERIFY(expected.match(QString::fromUtf8(fileLines.at(0).chopped(1))).hasMatch());
        QCOMPARE(capture.lines(), QStringList({debuggerTag + text + QStringLiteral("\r\n"),
                                               debuggerTag + QStringLiteral("second\r\n")}));
    }

    void linesWithContext()
    {
        const QMessageLogContext context("src/ui/MainWindow.cpp", 120,
                                         "void __thiscall MainWindow::slotStartPreview(void)", "default");
        const QString fileLine = formatFileLine(QtWarningMsg, context, QStringLiteral("no preview"));
        const QRegularExpression expected(QRegularExpression::anchoredPattern(
            kStamp + QRegularExpression::escape(QStringLiteral(
                " -W-  src/ui/MainWindow.cpp(120) <<void __thiscall MainWindow::slotStartPreview(void)>>: no preview"))));
        QVERIFY2(expected.match(fileLine).hasMatch(), qPrintable(fileLine));
        QCOMPARE(formatDebuggerLine(QtWarningMsg, context, QStringLiteral("no preview")),
                 QStringLiteral("src/ui/MainWindow.cpp(120): [Warning] <<MainWindow::slotStartPreview>> no preview"));

        DebuggerCapture capture;
        logMessageHandler(QtWarningMsg, context, QStringLiteral("no preview"));
        QCOMPARE(capture.lines(), QStringList(QStringLiteral(
            "src/ui/MainWindow.cpp(120): [Warning] <<MainWindow::slotStartPreview>> no preview\r\n")));
        const QByteArray content = readAll(m_log);
        QVERIFY(content.endsWith(">>: no preview\r\n"));
        QCOMPARE(content.count('\n'), 1);
    }

    void functionNameOfOtherSignatures_data()
    {
        QTest::addColumn<QString>("signature");
        QTest::addColumn<QString>("name");
        QTest::newRow("arguments") << "bool UVCExtensionUnit::setZoom(int, bool)" << "UVCExtensionUnit::setZoom";
        QTest::newRow("free function") << "int main(int, char**)" << "main";
        // Without a blank before the parenthesis nothing matches: the whole signature.
        QTest::newRow("no blank") << "lambda(int)" << "lambda(int)";
        QTest::newRow("no parenthesis") << "static initializer" << "static initializer";
    }

    void functionNameOfOtherSignatures()
    {
        QFETCH(QString, signature);
        QFETCH(QString, name);
        const QByteArray function = signature.toUtf8();
        const QMessageLogContext context("a.cpp", 7, function.constData(), "default");
        QCOMPARE(formatDebuggerLine(QtDebugMsg, context, QStringLiteral("x")),
                 QStringLiteral("a.cpp(7): [Debug] <<%1>> x").arg(name));
    }

    void contextWithoutFunction()
    {
        const QMessageLogContext context("a.cpp", 3, nullptr, nullptr);
        QVERIFY(formatFileLine(QtInfoMsg, context, QStringLiteral("x")).endsWith(QStringLiteral(" -I-  a.cpp(3) <<>>: x")));
        QCOMPARE(formatDebuggerLine(QtInfoMsg, context, QStringLiteral("x")), QStringLiteral("a.cpp(3): [Info] <<>> x"));
    }

    void rotationBoundary()
    {
        const QByteArray full(kRotationBytes, 'a');
        writeFile(m_log, full);
        writeFile(m_log + QStringLiteral(".1"), "previous generation\r\n");

        // Exactly at the limit: appended to, not rotated.
        writeLogFile(QStringLiteral("at limit"));
        QCOMPARE(readAll(m_log), full + "at limit\r\n");
        QCOMPARE(readAll(m_log + QStringLiteral(".1")), QByteArray("previous generation\r\n"));
        QVERIFY(!QFile::exists(m_log + QStringLiteral(".2")));

        // Now over the limit: the next line starts a new file.
        writeLogFile(QStringLiteral("after rotation"));
        QCOMPARE(readAll(m_log), QByteArray("after rotation\r\n"));
        QCOMPARE(readAll(m_log + QStringLiteral(".1")), full + "at limit\r\n");
        QCOMPARE(readAll(m_log + QStringLiteral(".2")), QByteArray("previous generation\r\n"));
    }

    void oneByteOverRotatesWithoutFirstGeneration()
    {
        writeFile(m_log, QByteArray(kRotationBytes + 1, 'b'));
        writeFile(m_log + QStringLiteral(".2"), "oldest\r\n");
        writeLogFile(QStringLiteral("fresh"));
        QCOMPARE(readAll(m_log), QByteArray("fresh\r\n"));
        QCOMPARE(QFileInfo(m_log + QStringLiteral(".1")).size(), qint64(kRotationBytes) + 1);
        // With no ".1" to move, the oldest generation stays.
        QCOMPARE(readAll(m_log + QStringLiteral(".2")), QByteArray("oldest\r\n"));
    }

    void blockedRotationLosesNoGeneration()
    {
        const QByteArray full(kRotationBytes + 1, 'c');
        writeFile(m_log, full);
        writeFile(m_log + QStringLiteral(".1"), "first\r\n");
        // A non-empty directory named like the second generation: ".1" cannot move there.
        QVERIFY(QDir().mkpath(m_log + QStringLiteral(".2/blocker")));

        writeLogFile(QStringLiteral("kept"));
        QCOMPARE(readAll(m_log + QStringLiteral(".1")), QByteArray("first\r\n"));
        QCOMPARE(readAll(m_log), full + "kept\r\n");

        // Once the way is free, the next line rotates.
        QVERIFY(QDir(m_log + QStringLiteral(".2")).removeRecursively());
        writeLogFile(QStringLiteral("rotated"));
        QCOMPARE(readAll(m_log), QByteArray("rotated\r\n"));
        QCOMPARE(readAll(m_log + QStringLiteral(".1")), full + "kept\r\n");
        QCOMPARE(readAll(m_log + QStringLiteral(".2")), QByteArray("first\r\n"));
    }

    void unwritableLogStillReachesDebugger()
    {
        // A directory where the log should be: the line cannot be written.
        QVERIFY(QDir().mkpath(m_log));
        DebuggerCapture capture;
        logMessageHandler(QtCriticalMsg, QMessageLogContext(), QStringLiteral("lost"));
        QCOMPARE(capture.lines(), QStringList(QStringLiteral(" [Critical] lost\r\n")));
        QVERIFY(QFileInfo(m_log).isDir());
    }

    void concurrentThreadsAcrossRotation()
    {
        // The log is just over the limit when all threads write their first lines at once:
        // exactly one of them rotates it.
        const QByteArray start = QByteArray(kRotationBytes - 7, 'f') + "filler\r\n";
        writeFile(m_log, start);

        constexpr int threadCount = 8;
        constexpr int linesPerThread = 300;
        DebuggerCapture capture;
        const QtMessageHandler previous = qInstallMessageHandler(logMessageHandler);
        std::atomic<bool> go{false};
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < threadCount; ++t) {
            // Odd threads carry a context, so the function-name pattern is used concurrently.
            threads.emplace_back(QThread::create([t, &go] {
                const QMessageLogContext context("worker.cpp", t, "void Worker::run(int)", "default");
                while (!go.load())
                    QThread::yieldCurrentThread();
                for (int i = 0; i < linesPerThread; ++i) {
                    if (t % 2)
                        logMessageHandler(QtInfoMsg, context,
                                          QStringLiteral("thread %1 line %2 of the concurrency check").arg(t).arg(i));
                    else
                        qInfo("thread %d line %d of the concurrency check", t, i);
                }
            }));
        }
        for (auto &thread : threads)
            thread->start();
        go.store(true);
        for (auto &thread : threads)
            QVERIFY(thread->wait(120000));
        qInstallMessageHandler(previous);

        // Rotated exactly once, before any thread's line was written.
        QVERIFY(!QFile::exists(m_log + QStringLiteral(".2")));
        QCOMPARE(readAll(m_log + QStringLiteral(".1")), start);

        QList<QByteArray> lines = readAll(m_log).split('\n');
        QVERIFY(lines.takeLast().isEmpty());
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(
            kStamp + QStringLiteral(" -I- (?: worker\\.cpp\\(\\d\\) <<void Worker::run\\(int\\)>>)?: "
                                    "thread (\\d) line (\\d+) of the concurrency check\r")));
        QSet<QString> seen;
        for (const QByteArray &line : lines) {
            const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(line));
            QVERIFY2(match.hasMatch(), line.constData());
            seen.insert(match.captured(1) + QLatin1Char('/') + match.captured(2));
        }
        QCOMPARE(lines.size(), threadCount * linesPerThread);
        QCOMPARE(seen.size(), threadCount * linesPerThread);
        const QStringList debuggerLines = capture.lines();
        QCOMPARE(debuggerLines.size(), threadCount * linesPerThread);
        QCOMPARE(debuggerLines.filter(QStringLiteral("): [Info] <<Worker::run>> thread ")).size(),
                 threadCount / 2 * linesPerThread);
    }

    void prepareExpandsHomeAndCreatesFile()
    {
        const QString path = prepareFilePath(QStringLiteral("~/.lensdesk/sub/lensdesk.log"), false, QByteArray());
        QCOMPARE(path, QDir::homePath() + QStringLiteral("/.lensdesk/sub/lensdesk.log"));
        QCOMPARE(QDir::homePath(), testsupport::homeDir());
        QVERIFY(QFileInfo(path).isFile());
        QCOMPARE(QFileInfo(path).size(), qint64(0));
    }

    void preparePathOnlyCreatesNothing()
    {
        QCOMPARE(prepareFilePath(QStringLiteral("C:\\logs\\app\\lensdesk.log"), true, QByteArray()),
                 QStringLiteral("C:/logs/app/lensdesk.log"));
        // "~/" counts only at the start and only with a slash.
        QCOMPARE(prepareFilePath(QStringLiteral("logs/~/a.log"), true, QByteArray()), QStringLiteral("logs/~/a.log"));
        QCOMPARE(prepareFilePath(QStringLiteral("~\\a.log"), true, QByteArray()), QStringLiteral("~/a.log"));
        const QString home = prepareFilePath(QStringLiteral("~/x\\y.log"), true, QByteArray());
        QCOMPARE(home, QDir::homePath() + QStringLiteral("/x/y.log"));
        QVERIFY(!QFileInfo::exists(QDir::homePath() + QStringLiteral("/x")));
    }

    void prepareBackslashPathWritesInitialContent()
    {
        const QString given = m_dir->path() + QStringLiteral("\\deep\\er\\file.txt");
        const QString path = prepareFilePath(given, false, QByteArray("initial"));
        QCOMPARE(path, m_dir->path() + QStringLiteral("/deep/er/file.txt"));
        QCOMPARE(readAll(path), QByteArray("initial"));
    }

    void prepareLeavesExistingFileUntouched()
    {
        writeFile(m_log, "earlier run\r\n");
        QCOMPARE(prepareFilePath(m_log, false, QByteArray("replacement")), m_log);
        QCOMPARE(readAll(m_log), QByteArray("earlier run\r\n"));
    }

    void prepareWarnsWhenDirectoryCannotBeMade()
    {
        const QString blocker = m_dir->path() + QStringLiteral("/plainfile");
        writeFile(blocker, "x");
        const QString dir = blocker + QStringLiteral("/sub");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("Error, cannot create dir \"%1\"").arg(dir)));
        const QString path = prepareFilePath(dir + QStringLiteral("/lensdesk.log"), false, QByteArray());
        QCOMPARE(path, dir + QStringLiteral("/lensdesk.log"));
        QVERIFY(!QFileInfo::exists(path));
    }
};

LENSDESK_TEST_MAIN(TestLog)
#include "tst_log.moc"
