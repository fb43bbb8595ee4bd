#include "upgrade/UpgradeLock.h"

#include "core/Log.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN

// A holder keeps the lock file open without delete sharing from its creation on, so
// there is no moment to guard.
struct LookGuard
{
    explicit LookGuard(const QString &) {}
};

enum class FileState { Free, Held, Unknown };

// A lock file that can be deleted is held by nobody (and is gone now).
FileState fileState(const QString &path)
{
    return QFileInfo::exists(path) && !QFile::remove(path) ? FileState::Held : FileState::Free;
}

#else

// Held around every look at the lock file and every attempt to take it, by every
// program that takes the lock. A holder creates the lock file before it locks it and
// writes it; without the guard, a look in between would take a lock being taken for one
// that nobody holds.
class LookGuard
{
public:
    explicit LookGuard(const QString &lockFile)
        : m_fd(::open(QFile::encodeName(lockFile + QStringLiteral(".guard")).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (m_fd < 0)
            return;
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~LookGuard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LookGuard(const LookGuard &) = delete;
    LookGuard &operator=(const LookGuard &) = delete;

private:
    int m_fd;
};

enum class FileState { Free, Held, Unknown };

// A holder (QLockFile) keeps the lock file flock()ed for as long as it holds the lock.
FileState fileState(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? FileState::Free : FileState::Unknown;
    int result;
    do {
        result = ::flock(fd, LOCK_SH | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    const FileState state = result == 0 ? FileState::Free
                            : errno == EWOULDBLOCK ? FileState::Held
                                                   : FileState::Unknown; // a file system without such locks
    ::close(fd);
    return state;
}

#endif

} // namespace

UpgradeLock::UpgradeLock()
    : m_path(lockFilePath())
    , m_file(std::make_unique<QLockFile>(m_path))
{
    // An upgrade lasts minutes: age says nothing about a lock.
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
    [[maybe_unused]] const LookGuard guard(m_path);
    const FileState state = fileState(m_path);
    // A live holder, whatever its file says (Qt would judge by the program's name too).
    if (state == FileState::Held)
        return false;
    // Qt takes over a lock whose holder is not alive.
    m_locked = m_file->tryLock(0);
    if (!m_locked && m_file->error() == QLockFile::LockFailedError && state == FileState::Free) {
        // Nobody holds it: a holder that cannot be named, or an id another process has now.
        qWarning() << "The upgrade lock of process" << holder() << "is held by nobody; it is taken over.";
        QFile::remove(m_path);
        m_locked = m_file->tryLock(0);
    }
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

QString UpgradeLock::holderProgram() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (!m_file->getLockInfo(&pid, &host, &application))
        return QString();
    return application;
}

bool UpgradeLock::isHeld()
{
    const QString path = lockFilePath();
    [[maybe_unused]] const LookGuard guard(path);
    return fileState(path) != FileState::Free;
}
