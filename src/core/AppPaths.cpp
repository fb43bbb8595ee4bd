#include "core/AppPaths.h"

#include "core/SharedTexts.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#ifndef LENSDESK_DATA_FROM_BIN
#define LENSDESK_DATA_FROM_BIN "../share/lensdesk"
#endif

namespace {
QMutex g_mutex;
QString g_override;

const char kProgramFolder[] = "lensdesk";
} // namespace

QString applicationDir()
{
    {
        QMutexLocker lock(&g_mutex);
        if (!g_override.isEmpty())
            return g_override;
    }
    return QCoreApplication::applicationDirPath();
}

void setApplicationDirOverride(const QString &dir)
{
    QMutexLocker lock(&g_mutex);
    g_override = dir;
}

QString installedDataDir()
{
    const QString dir = QDir::cleanPath(applicationDir() + QLatin1Char('/') + QLatin1String(LENSDESK_DATA_FROM_BIN));
    // The default settings file marks the installed layout; a stray "share/lensdesk"
    // folder of something else does not. The Debian package links it to its conffile in
    // /etc; a link whose file the administrator removed still marks the layout.
    const QFileInfo marker(dir + QLatin1Char('/') + QLatin1String(kSettingsFileName));
    if (marker.isFile() || marker.isSymLink())
        return dir;
    return QString();
}

bool isPortableInstall()
{
    if (!installedDataDir().isEmpty())
        return false;
    return QFileInfo(applicationDir()).isWritable();
}

QString translationsDir()
{
    const QString data = installedDataDir();
    return data.isEmpty() ? applicationDir() : data;
}

QString userSettingsFilePath()
{
    if (isPortableInstall())
        return QStringLiteral("%1/%2").arg(applicationDir(), QLatin1String(kSettingsFileName));
    return QStringLiteral("%1/%2/%3")
        .arg(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), QLatin1String(kProgramFolder),
             QLatin1String(kSettingsFileName));
}

QString defaultSettingsFilePath()
{
    if (isPortableInstall())
        return QString();
    const QString data = installedDataDir();
    // A read-only portable copy still has its own file beside the program.
    const QString dir = data.isEmpty() ? applicationDir() : data;
    return QStringLiteral("%1/%2").arg(dir, QLatin1String(kSettingsFileName));
}

QString packageDir()
{
    if (isPortableInstall())
        return applicationDir();
    const QString dir = QStringLiteral("%1/%2/package")
                            .arg(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                                 QLatin1String(kProgramFolder));
    if (!QFileInfo(dir).isDir() && !QDir().mkpath(dir))
        qWarning() << "Cannot create the folder for firmware packages:" << dir;
    return dir;
}
