#include "app/AppPaths.h"

#include <QCoreApplication>
#include <QMutex>

namespace {
QMutex g_mutex;
QString g_override;
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
