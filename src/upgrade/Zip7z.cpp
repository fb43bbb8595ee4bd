#include "upgrade/Zip7z.h"

#include "core/AppPaths.h"
#include "upgrade/PackageFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

#ifdef Q_OS_WIN
const char *const kToolFiles[] = {"7z.exe", "7z.dll"};
const char kToolProgram[] = "7z.exe";
#else
const char *const kToolFiles[] = {"7z"};
const char kToolProgram[] = "7z";
#endif

constexpr int kDefaultTimeoutMs = 30000;
constexpr qint64 kDefaultMaxUnpackedSize = qint64(1) << 30;
constexpr int kMaxEntries = 10000;
// How often the staging folder's size is looked at while the tool writes.
constexpr int kWatchPeriodMs = 200;
// A listing of the most entries a package may have fits well within this.
constexpr qint64 kMaxToolOutput = 16 << 20;
// A killed tool ends at once; this only bounds the wait for its exit status.
constexpr int kKillWaitMs = 5000;

std::atomic<int> g_timeoutMs{kDefaultTimeoutMs};
std::atomic<qint64> g_maxUnpackedSize{kDefaultMaxUnpackedSize};
std::atomic<bool> g_busy{false};

// Clears the busy flag on every way out of an extraction.
struct BusyGuard
{
    ~BusyGuard() { g_busy.store(false); }
};

#ifdef Q_OS_WIN

// Every tool process goes into one job that ends its processes when its last handle
// closes, which happens when the program ends, however it ends.
HANDLE toolJob()
{
    static const HANDLE job = [] {
        HANDLE created = CreateJobObjectW(nullptr, nullptr);
        if (!created)
            return created;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
        ZeroMemory(&limits, sizeof limits);
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            CloseHandle(created);
            return HANDLE(nullptr);
        }
        return created;
    }();
    return job;
}

using ToolProcess = QProcess;

void bindToProgram(QProcess &process)
{
    const HANDLE job = toolJob();
    if (!job || process.processId() == 0)
        return;
    const HANDLE child = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(process.processId()));
    if (!child)
        return;
    AssignProcessToJobObject(job, child);
    CloseHandle(child);
}

void killTool(QProcess &process)
{
    process.kill();
}

#else

// The tool runs in a process group of its own, so that ending it ends whatever it
// started too; on Linux it also ends when the program ends, however the program ends
// (killed, crashed), instead of writing on into a folder nobody cleans up.
class ToolProcess : public QProcess
{
public:
    ToolProcess()
        : m_parent(::getpid())
    {
    }

protected:
    // Runs in the child between fork and exec: async-signal-safe calls only.
    void setupChildProcess() override
    {
        ::setpgid(0, 0);
#ifdef Q_OS_LINUX
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The program may have ended before the line above.
        if (::getppid() != m_parent)
            ::_exit(127);
#endif
    }

private:
    pid_t m_parent;
};

void bindToProgram(QProcess &)
{
}

void killTool(QProcess &process)
{
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    process.kill();
}

#endif

// What the staging folder holds so far: bytes of its files and number of entries.
void measure(const QString &folder, qint64 *bytes, int *entries)
{
    *bytes = 0;
    *entries = 0;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++*entries;
        const QFileInfo info = it.fileInfo();
        if (!info.isSymLink() && info.isFile())
            *bytes += info.size();
    }
}

} // namespace

QString Zip7z::toolPath()
{
    const QString beside = applicationDir() + QLatin1Char('/') + QLatin1String(kToolProgram);
    if (QFileInfo(beside).isFile())
        return beside;
    for (const char *name : {"7zz", "7z"}) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(name));
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

int Zip7z::timeoutMs()
{
    return g_timeoutMs.load();
}

void Zip7z::setTimeoutMs(int ms)
{
    g_timeoutMs.store(ms > 0 ? ms : kDefaultTimeoutMs);
}

qint64 Zip7z::maxUnpackedSize()
{
    return g_maxUnpackedSize.load();
}

void Zip7z::setMaxUnpackedSize(qint64 bytes)
{
    g_maxUnpackedSize.store(bytes > 0 ? bytes : kDefaultMaxUnpackedSize);
}

int Zip7z::maxEntries()
{
    return kMaxEntries;
}

bool Zip7z::isBusy()
{
    return g_busy.load();
}

bool Zip7z::prepareTool(QString &message)
{
    for (const char *name : kToolFiles) {
        const QString target = applicationDir() + QLatin1Char('/') + QLatin1String(name);
        const QString resource = QStringLiteral(":/7z/") + QLatin1String(name);
        if (!QFileInfo::exists(target) && QFile::exists(resource))
            QFile::copy(resource, target);
    }
    if (toolPath().isEmpty()) {
        // Debian's "7zip" gives 7zz, the older "p7zip-full" gives 7z; either will do.
        message = tr("The decompression tool (7-Zip) was not found. Install the Debian package \"7zip\", which provides 7zz.");
        return false;
    }
    message = tr("The file check is complete and normal.");
    return true;
}

bool Zip7z::runTool(const QStringList &arguments, QString *output, QString *error, const QString &watchedFolder)
{
    ToolProcess process;
    process.setProgram(toolPath());
    process.setArguments(arguments);
    // The tool must never wait for an answer (a password, an overwrite question), and
    // what it says on its error channel is not kept.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());

    QEventLoop loop;
    QByteArray out;
    bool outputTooLong = false;
    bool tooLarge = false;
    QObject::connect(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, [&] {
        out += process.readAllStandardOutput();
        if (out.size() > kMaxToolOutput) {
            outputTooLong = true;
            loop.quit();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer watch;
    if (!watchedFolder.isEmpty()) {
        // The listing may understate what an archive expands to; the disk is the truth.
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            qint64 bytes = 0;
            int entries = 0;
            measure(watchedFolder, &bytes, &entries);
            if (bytes > maxUnpackedSize() || entries > kMaxEntries) {
                tooLarge = true;
                loop.quit();
            }
        });
        watch.start(kWatchPeriodMs);
    }

    process.start(QIODevice::ReadOnly);
    bindToProgram(process);
    // Real time, whatever clock is in force: the bound is on another program's work,
    // which no clock of ours can speed up. A shortened bound would fail sound packages
    // on a busy machine.
    deadline.start(timeoutMs());
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    watch.stop();
    deadline.stop();

    if (process.error() == QProcess::FailedToStart) {
        *error = tr("The decompression tool could not be started (%1).").arg(process.errorString());
        return false;
    }
    if (process.state() != QProcess::NotRunning) {
        // Out of time, too large, or the application is quitting: the tool must not go
        // on writing once nobody waits for it.
        killTool(process);
        process.waitForFinished(kKillWaitMs);
        if (tooLarge)
            *error = tr("The package unpacks to more than %1 bytes.").arg(maxUnpackedSize());
        else if (outputTooLong)
            *error = tr("The package has more than %1 entries.").arg(kMaxEntries);
        else
            *error = tr("The decompression tool did not finish in time.");
        return false;
    }
    out += process.readAllStandardOutput();
    *output = QString::fromLocal8Bit(out);
    if (process.exitStatus() != QProcess::NormalExit) {
        *error = tr("The decompression tool stopped unexpectedly.");
        return false;
    }
    if (process.exitCode() != 0) {
        *error = tr("The decompression tool failed with exit code %1.").arg(process.exitCode());
        return false;
    }
    return true;
}

// Why an archive path is refused, or empty when it is safe.
QString Zip7z::unsafeEntry(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (p.startsWith(QLatin1Char('/')) || drive.match(p).hasMatch())
        return tr("The package contains an absolute path: %1").arg(path);
    for (const QChar c : p) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return tr("The package contains a name with control characters: %1").arg(path);
    }
    const QStringList parts = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString first;
    for (const QString &part : parts) {
        if (part == QLatin1String(".."))
            return tr("The package contains a path that leaves its folder: %1").arg(path);
        if (first.isEmpty() && part != QLatin1String("."))
            first = part;
    }
    if (isProgramFile(first))
        return tr("The package would replace a file of the program: %1").arg(path);
    return QString();
}

// Checks the tool's technical listing: every path, and the sizes and number of the
// entries against the bounds. False with the reason.
bool Zip7z::checkListing(const QString &listing, QString *error)
{
    bool inEntries = false;
    qint64 total = 0;
    int entries = 0;
    for (const QString &line : listing.split(QLatin1Char('\n'))) {
        const QString text = line.trimmed();
        if (text.startsWith(QLatin1String("----------"))) {
            inEntries = true;
            continue;
        }
        if (!inEntries)
            continue;
        if (text.startsWith(QLatin1String("Path = "))) {
            const QString reason = unsafeEntry(text.mid(7));
            if (!reason.isEmpty()) {
                *error = reason;
                return false;
            }
            if (++entries > kMaxEntries) {
                *error = tr("The package has more than %1 entries.").arg(kMaxEntries);
                return false;
            }
        } else if (text.startsWith(QLatin1String("Size ="))) {
            const QString value = text.mid(6).trimmed();
            bool ok = value.isEmpty();
            const qint64 size = ok ? 0 : value.toLongLong(&ok);
            if (!ok || size < 0) {
                *error = tr("The size of an entry of the package cannot be read: %1").arg(value);
                return false;
            }
            // Compared before adding: a listed size near the 64-bit limit must not wrap the sum.
            if (size > maxUnpackedSize() - total) {
                *error = tr("The package unpacks to more than %1 bytes.").arg(maxUnpackedSize());
                return false;
            }
            total += size;
        }
    }
    return true;
}

bool Zip7z::extract(const QString &archive, const QString &folder, QString &message)
{
    message.clear();
    const QString unable = tr("Unable to perform decompression");
    if (g_busy.exchange(true)) {
        message = tr("Another package is being unpacked.") + QLatin1Char('\n') + unable;
        return false;
    }
    BusyGuard busy;
    QString prepared;
    if (!prepareTool(prepared)) {
        message = prepared + QLatin1Char('\n') + unable;
        return false;
    }
    const auto fail = [&message, &unable](const QString &reason) {
        message = reason + QLatin1Char('\n') + unable;
        return false;
    };
    QString output;
    QString error;

    // Look at every entry, its size and their number before anything is written. A
    // package is a zip archive: its sizes come from its own directory.
    if (!runTool({QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("-tzip"), archive}, &output, &error))
        return fail(error);
    if (!checkListing(output, &error))
        return fail(error);

    // Named for this process, so that what a killed extraction leaves is found again.
    QTemporaryDir staging(processFolderTemplate(folder));
    if (!staging.isValid())
        return fail(tr("Cannot create a folder in %1.").arg(folder));
    if (!runTool({QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-tzip"), archive,
                  QStringLiteral("-o") + staging.path()},
                 &output, &error, staging.path()))
        return fail(error);

    // What the tool wrote, whatever the listing said.
    qint64 bytes = 0;
    int count = 0;
    measure(staging.path(), &bytes, &count);
    if (bytes > maxUnpackedSize() || count > kMaxEntries)
        return fail(tr("The package unpacks to more than %1 bytes.").arg(maxUnpackedSize()));
    QDirIterator it(staging.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = QDir(staging.path()).relativeFilePath(info.filePath());
        // Links could point anywhere; a package has no use for them, nor for pipes
        // and device nodes.
        if (info.isSymLink())
            return fail(tr("The package contains a link: %1").arg(relative));
        if (!info.isFile() && !info.isDir())
            return fail(tr("The package contains an entry that is not a file or a folder: %1").arg(relative));
        const QString reason = unsafeEntry(relative);
        if (!reason.isEmpty())
            return fail(reason);
    }

    // Every top-level entry goes to the folder, but none may take the place of
    // something there that no package brought (the program's files, the user's).
    const QStringList entries =
        QDir(staging.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const QStringList known = packageEntryNames();
    QStringList recorded = readPackageManifest(folder);
    for (const QString &name : entries) {
        const QString target = folder + QLatin1Char('/') + name;
        const QFileInfo existing(target);
        if ((existing.exists() || existing.isSymLink()) && !known.contains(name) && !recorded.contains(name))
            return fail(tr("The package would replace %1, which no package brought.").arg(name));
    }
    // The list is written before anything moves, so that a clean-up finds every entry
    // even after a move that failed half-way.
    for (const QString &name : entries) {
        if (!known.contains(name) && !recorded.contains(name))
            recorded << name;
    }
    if (!writePackageManifest(folder, recorded))
        return fail(tr("Cannot record the package's entries in %1.").arg(folder));
    for (const QString &name : entries) {
        const QString target = folder + QLatin1Char('/') + name;
        removePath(target);
        if (!QDir().rename(staging.path() + QLatin1Char('/') + name, target))
            return fail(tr("Cannot move %1 into %2.").arg(name, folder));
    }
    message = output;
    return true;
}
