#include "upgrade/FirmwarePackage.h"

#include <QFile>

namespace {
// Scripts are a few lines; nested ones a level or two deep.
constexpr qint64 kMaxScriptSize = 1024 * 1024;
constexpr int kMaxDepth = 4;

QString versionIn(const FirmwarePackage &package, const QByteArray &script, int depth)
{
    if (depth > kMaxDepth)
        return QString();
    QFile file(package.resolveFile(script, nullptr));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxScriptSize)
        return QString();
    QString version;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QList<QByteArray> words = raw.simplified().split(' ');
        if (words.size() >= 3 && words.at(0) == "setenv" && words.at(1) == "fw_version")
            version = QString::fromLatin1(words.at(2));
        else if (words.size() >= 2 && words.at(0) == "estar") {
            const QString nested = versionIn(package, words.at(1), depth + 1);
            if (!nested.isEmpty())
                version = nested;
        } else if (words.at(0) == "reset")
            break;
    }
    return version;
}
} // namespace

FirmwarePackage::FirmwarePackage(const QString &folder, int model)
    : m_folder(folder)
    , m_model(model)
{
}

QString FirmwarePackage::version() const
{
    return versionIn(*this, QByteArrayLiteral("auto_update.txt"), 0);
}

QString FirmwarePackage::resolveFile(const QByteArray &name, PackageFileProblem *problem) const
{
    if (m_folder.isEmpty()) {
        if (problem)
            *problem = PackageFileProblem::Missing;
        return QString();
    }
    return resolvePackageFile(m_folder, name, problem);
}
