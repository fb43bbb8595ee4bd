#include "upgrade/Zip7z.h"

#include "app/AppPaths.h"
#include "upgrade/PackageFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>

namespace {

#ifdef Q_OS_WIN
const char *const kToolFiles[] = {"7z.exe", "7z.dll"};
const char kToolProgram[] = "7z.exe";
#else
const char *const kToolFiles[] = {"7z"};
const char kToolProgram[] = "7z";
#endif

std::atomic<int> g_timeoutMs{30000};

} // namespace

QString Zip7z::toolPath()
{
    const QString beside = applicationDir() + QLatin1Char('/') + QLatin1String(kToolProgram);
    if (QFileInfo(beside).isFile())
        return beside;
    for (const char *name : {"7z", "7zz"}) {
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
    g_timeoutMs.store(ms > 0 ? ms : 30000);
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
        message = tr("The decompression tool (7-Zip) was not found.");
        return false;
    }
    message = tr("The file check is complete and normal.");
    return true;
}

bool Zip7z::runTool(const QStringList &arguments, QString *output, QString *error)
{
    QProcess process;
    process.setProgram(toolPath());
    process.setArguments(arguments);
    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(timeoutMs())) {
        *error = tr("The decompression tool could not be started (%1).").arg(process.errorString());
        return false;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs())) {
        process.kill();
        process.waitForFinished(timeoutMs());
        *error = tr("The decompression tool did not finish in time.");
        return false;
    }
    *output = QString::fromLocal8Bit(process.readAllStandardOutput());
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

bool Zip7z::isProtectedName(const QString &name)
{
    const QString lower = name.toLower();
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLower();
    static const QStringList own = {QStringLiteral("product.ini"), QStringLiteral("lensdesk"),
                                    QStringLiteral("lensdesk.exe"), QStringLiteral("7z"),
                                    QStringLiteral("7z.exe"),       QStringLiteral("7z.dll"),
                                    QStringLiteral("7zz")};
    return own.contains(lower) || (!program.isEmpty() && lower == program)
           || lower.endsWith(QLatin1String(".qm"));
}

// Why an archive path is refused, or empty when it is safe.
QString Zip7z::unsafeEntry(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (p.startsWith(QLatin1Char('/')) || drive.match(p).hasMatch())
        return tr("The package contains an absolute path: %1").arg(path);
    const QStringList parts = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString first;
    for (const QString &part : parts) {
        if (part == QLatin1String(".."))
            return tr("The package contains a path that leaves its folder: %1").arg(path);
        if (first.isEmpty() && part != QLatin1String("."))
            first = part;
    }
    if (isProtectedName(first))
        return tr("The package would replace a file of the program: %1").arg(path);
    return QString();
}

bool Zip7z::extract(const QString &archive, const QString &folder, QString &message)
{
    message.clear();
    const QString unable = tr("Unable to perform decompression");
    QString prepared;
    if (!prepareTool(prepared)) {
        message = prepared + QLatin1Char('\n') + unable;
        return false;
    }
    QString output;
    QString error;

    // Look at every entry before anything is written.
    if (!runTool({QStringLiteral("l"), QStringLiteral("-slt"), archive}, &output, &error)) {
        message = error + QLatin1Char('\n') + unable;
        return false;
    }
    bool inEntries = false;
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        const QString text = line.trimmed();
        if (text.startsWith(QLatin1String("----------"))) {
            inEntries = true;
            continue;
        }
        if (!inEntries || !text.startsWith(QLatin1String("Path = ")))
            continue;
        const QString reason = unsafeEntry(text.mid(7));
        if (!reason.isEmpty()) {
            message = reason + QLatin1Char('\n') + unable;
            return false;
        }
    }

    QTemporaryDir staging(folder + QStringLiteral("/.package-XXXXXX"));
    if (!staging.isValid()) {
        message = tr("Cannot create a folder in %1.").arg(folder) + QLatin1Char('\n') + unable;
        return false;
    }
    if (!runTool({QStringLiteral("x"), QStringLiteral("-y"), archive, QStringLiteral("-o") + staging.path()},
                 &output, &error)) {
        message = error + QLatin1Char('\n') + unable;
        return false;
    }

    // Links could point anywhere; a package has no use for them.
    QDirIterator it(staging.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = QDir(staging.path()).relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            message = tr("The package contains a link: %1").arg(relative) + QLatin1Char('\n') + unable;
            return false;
        }
        const QString reason = unsafeEntry(relative);
        if (!reason.isEmpty()) {
            message = reason + QLatin1Char('\n') + unable;
            return false;
        }
    }

    // Only the known entries reach the folder; anything else goes with the staging folder.
    for (const QString &name : packageEntryNames()) {
        const QString source = staging.path() + QLatin1Char('/') + name;
        if (!QFileInfo::exists(source))
            continue;
        const QString target = folder + QLatin1Char('/') + name;
        removePath(target);
        if (!QDir().rename(source, target)) {
            message = tr("Cannot move %1 into %2.").arg(name, folder) + QLatin1Char('\n') + unable;
            return false;
        }
    }
    message = output;
    return true;
}
