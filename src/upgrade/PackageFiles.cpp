#include "upgrade/PackageFiles.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstdio>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <sys/types.h>
#endif

namespace {

const char kScript[] = "auto_update.txt";
const char kBoot[] = "boot";
const char kScripts[] = "scripts";
const char kKernel[] = "kernel";
const char kCis[] = "cis.bin";
const char kUBoot[] = "u-boot.bin";
const char kMiservice[] = "miservice.ubifs";
const char kModelDat[] = "model.dat";
const char kUpdater[] = "usb_updater.bin";
const char kManifest[] = ".package-entries";

// The model file is read in pieces of this size.
constexpr qint64 kPieceSize = 0x500000;

struct ModelName
{
    const char *name;
    bool separatorsFree; // a space or hyphen in the name matches any byte
    int model;
};

// In the order that breaks ties.
const ModelName kModelNames[] = {
    {"Orvia Vista Pro", true, 0}, {"ZX KT-M-P27", true, 2},  {"KT-MP27-000", true, 2},
    {"KT-DOR27-000", true, 3},    {"KT-RBN41-000", true, 4}, {"KT-M41-000", false, 1},
    {"LNS410A-000", false, 5},    {"LNS611-000", false, 6},  {"LNS612-000", true, 7},
    {"LNS612-001", true, 8},      {"Sightra+5", false, 9},   {"ARBOR 50F", true, 10},
    {"ARBOR 50A", true, 11},      {"ARBOR 110", true, 12},   {"ARBOR 220", true, 13},
    {"ARBOR 230", true, 14},      {"ARBOR 150F", true, 16},  {"ARBOR 150A", true, 15},
};
constexpr int kModelNameCount = int(sizeof kModelNames / sizeof kModelNames[0]);

QString appPath(const QString &folder, const char *name)
{
    return QStringLiteral("%1/%2").arg(folder, QLatin1String(name));
}

bool processAlive(qint64 pid)
{
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
#else
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#endif
}

// A pattern over Latin-1 text that matches the name's bytes by its rule.
QRegularExpression modelPattern(const ModelName &entry)
{
    QString pattern;
    for (const char *p = entry.name; *p; ++p) {
        if (entry.separatorsFree && (*p == ' ' || *p == '-'))
            pattern += QLatin1Char('.');
        else
            pattern += QRegularExpression::escape(QString(QLatin1Char(*p)));
    }
    return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

QStringList packageEntryNames()
{
    return {QLatin1String(kScript), QLatin1String(kBoot),      QLatin1String(kScripts),
            QLatin1String(kKernel), QLatin1String(kCis),       QLatin1String(kUBoot),
            QLatin1String(kMiservice), QLatin1String(kModelDat), QLatin1String(kUpdater)};
}

QString packageManifestName()
{
    return QLatin1String(kManifest);
}

namespace {

// A name that can stand for one top-level entry of the folder.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && !name.contains(QLatin1Char(':'));
}

} // namespace

QStringList readPackageManifest(const QString &folder)
{
    QStringList names;
    QFile file(folder + QLatin1Char('/') + QLatin1String(kManifest));
    if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly))
        return names;
    // A list longer than any package could be is not ours to follow.
    const QByteArray content = file.read(1 << 20);
    for (const QByteArray &line : content.split('\n')) {
        const QString name = QString::fromUtf8(line).remove(QLatin1Char('\r'));
        if (isPlainName(name) && !isProgramFile(name) && !names.contains(name))
            names << name;
    }
    return names;
}

bool writePackageManifest(const QString &folder, const QStringList &names)
{
    QSaveFile file(folder + QLatin1Char('/') + QLatin1String(kManifest));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString &name : names)
        file.write(name.toUtf8() + '\n');
    return file.commit();
}

bool isProgramFile(const QString &topLevelName)
{
    const QString lower = topLevelName.toLower();
    static const QStringList own = {
        QStringLiteral("product.ini"), QStringLiteral("lensdesk"),  QStringLiteral("lensdesk.exe"),
        QStringLiteral("7z"),          QStringLiteral("7z.exe"),    QStringLiteral("7z.dll"),
        QStringLiteral("7zz"),         QStringLiteral("qt.conf"),   QStringLiteral("platforms"),
        QStringLiteral("imageformats"), QStringLiteral("iconengines"), QStringLiteral("styles"),
        QStringLiteral("platformthemes"), QStringLiteral("translations"), QString(QLatin1String(kManifest))};
    if (own.contains(lower))
        return true;
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLower();
    if (!program.isEmpty() && lower == program)
        return true;
    // Translations, libraries and programs; and the extraction's own staging folders.
    static const QRegularExpression suffix(QStringLiteral("\\.(qm|dll|exe|so)$|\\.so\\."));
    return suffix.match(lower).hasMatch() || lower.startsWith(QLatin1String(".package-"));
}

QString resolvePackageFile(const QString &folder, const QByteArray &name, PackageFileProblem *problem)
{
    const auto fail = [problem](PackageFileProblem why) {
        if (problem)
            *problem = why;
        return QString();
    };
    if (problem)
        *problem = PackageFileProblem::None;
    if (name.isEmpty() || name.contains('\0'))
        return fail(PackageFileProblem::Missing);
    const QString text = QFile::decodeName(name);
    QString slashed = text;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (slashed.startsWith(QLatin1Char('/')) || drive.match(slashed).hasMatch() || QDir::isAbsolutePath(text))
        return fail(PackageFileProblem::Outside);
    QStringList parts;
    for (const QString &part : slashed.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".."))
            return fail(PackageFileProblem::Outside);
        if (part != QLatin1String("."))
            parts << part;
    }
    if (parts.isEmpty())
        return fail(PackageFileProblem::NotRegular); // the folder itself
    if (isProgramFile(parts.first()))
        return fail(PackageFileProblem::Outside);

    const QString base = QFileInfo(folder).canonicalFilePath();
    if (base.isEmpty())
        return fail(PackageFileProblem::Missing);
    const QString inside = base + QLatin1Char('/');
    const QFileInfo info(inside + parts.join(QLatin1Char('/')));
    if (info.isSymLink()) {
        const QString target = QFileInfo(info.symLinkTarget()).absoluteFilePath();
        return fail(target.startsWith(inside) ? PackageFileProblem::NotRegular : PackageFileProblem::Outside);
    }
    if (!info.exists())
        return fail(PackageFileProblem::Missing);
    // A folder on the way may be a link that leads out.
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !canonical.startsWith(inside))
        return fail(PackageFileProblem::Outside);
    if (!QFileInfo(canonical).isFile())
        return fail(PackageFileProblem::NotRegular);
    return canonical;
}

bool pathExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo::exists(path);
}

bool removePath(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    // A link is removed itself, never what it points to.
    if (info.isSymLink()) {
        QFile::remove(path);
        return true;
    }
    if (!info.exists())
        return false;
    if (info.isDir())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
    return true;
}

bool cleanPackageFiles(const QString &dir)
{
    for (const char *name : {kScript, kBoot, kScripts, kKernel, kCis, kUBoot})
        removePath(appPath(dir, name));
    removePath(appPath(dir, kMiservice));
    removePath(appPath(dir, kModelDat));
    // The other entries the last package brought; the updater program stays as it
    // does when it came under its known name.
    for (const QString &name : readPackageManifest(dir)) {
        if (name != QLatin1String(kUpdater))
            removePath(dir + QLatin1Char('/') + name);
    }
    QFile::remove(appPath(dir, kManifest));
    return true;
}

bool checkPackageFiles(const QString &folder)
{
    if (!pathExists(appPath(folder, kScript)) || !pathExists(appPath(folder, kScripts))
        || !pathExists(appPath(folder, kKernel)))
        return false;
    return pathExists(appPath(folder, kMiservice)) || pathExists(appPath(folder, kModelDat));
}

bool readPackageModel(const QString &folder, int &model)
{
    QString path = appPath(folder, kMiservice);
    qDebug() << "model file:" << path;
    if (!QFileInfo::exists(path)) {
        qWarning() << "model file:" << path << "does not exist.";
        path = appPath(folder, kModelDat);
        if (!QFileInfo::exists(path)) {
            qWarning() << "model file:" << path << "does not exist.";
            return false;
        }
    }
    QFile file(path);
    // Opening a pipe would wait for a writer; only a regular file is read.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        std::fputs("can't open file\n", stdout);
        std::fflush(stdout);
        return true;
    }

    QRegularExpression patterns[kModelNameCount];
    int longest = 0;
    for (int i = 0; i < kModelNameCount; ++i) {
        patterns[i] = modelPattern(kModelNames[i]);
        longest = qMax(longest, int(qstrlen(kModelNames[i].name)));
    }
    // The whole file is searched, piece by piece; each piece starts with the tail of
    // the previous one so that a name across a piece boundary is still found.
    bool found[kModelNameCount] = {};
    QString window;
    for (;;) {
        const QByteArray piece = file.read(kPieceSize);
        if (piece.isEmpty())
            break;
        window = window.right(longest - 1) + QString::fromLatin1(piece.constData(), piece.size());
        for (int i = 0; i < kModelNameCount; ++i) {
            if (!found[i] && patterns[i].match(window).hasMatch())
                found[i] = true;
        }
    }
    file.close();
    for (int i = 0; i < kModelNameCount; ++i) {
        if (found[i]) {
            model = kModelNames[i].model;
            return true;
        }
    }
    return false;
}

QString processFolderTemplate(const QString &parent)
{
    return QStringLiteral("%1/.package-%2-XXXXXX").arg(parent).arg(QCoreApplication::applicationPid());
}

int removeStalePackageFolders(const QString &folder, bool includeOwn)
{
    // ".package-<pid>-<6>" now; ".package-<6>" before folders were named for their process.
    static const QRegularExpression named(QStringLiteral("^\\.package-(?:([0-9]+)-)?[A-Za-z0-9]{6}$"));
    const qint64 own = QCoreApplication::applicationPid();
    int removed = 0;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QRegularExpressionMatch match = named.match(entry.fileName());
        if (!match.hasMatch() || entry.isSymLink())
            continue;
        if (!match.captured(1).isEmpty()) {
            bool ok = false;
            const qint64 pid = match.captured(1).toLongLong(&ok);
            if (!ok || pid <= 0 || (pid == own ? !includeOwn : processAlive(pid)))
                continue;
        }
        qInfo() << "Removing what an ended upgrade left:" << entry.filePath();
        if (QDir(entry.filePath()).removeRecursively())
            ++removed;
        else
            qWarning() << "Cannot remove" << entry.filePath();
    }
    return removed;
}
