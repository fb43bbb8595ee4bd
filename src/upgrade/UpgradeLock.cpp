#include "upgrade/UpgradeLock.h"

#include "app/Log.h"

#include <QDir>
#include <QLockFile>

UpgradeLock::UpgradeLock()
    : m_file(std::make_unique<QLockFile>(lockFilePath()))
{
    // An upgrade lasts minutes; only a lock whose process is gone is stale.
    m_file->setStaleLockTime(0);
}

UpgradeLock::~UpgradeLock()
{
    unlock();
}

QString UpgradeLock::lockFilePath()
{
    // Beside the log, in a folder created when missing.
    const QString path = prepareFilePath(QStringLiteral("~/.lensdesk/upgrade.lock"), true, QByteArray());
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    return path;
}

bool UpgradeLock::tryLock()
{
    if (m_locked)
        return true;
    m_locked = m_file->tryLock(0);
    return m_locked;
}

void UpgradeLock::unlock()
{
    if (!m_locked)
        return;
    m_file->unlock();
    m_locked = false;
}

qint64 UpgradeLock::holder() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (!m_file->getLockInfo(&pid, &host, &application))
        return 0;
    return pid;
}
