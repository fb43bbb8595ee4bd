#pragma once
#include <QString>

#include <memory>

class QLockFile;

// The user's one firmware upgrade at a time across programs: the window and lensdeskctl
// hold it while an upgrade runs (a lock file beside the log, "~/.lensdesk/upgrade.lock"),
// so that a second program does not switch cameras into their upgrade state while
// another one plays a package. A lock left by a program that died is taken over.
class UpgradeLock
{
public:
    UpgradeLock();
    ~UpgradeLock();
    UpgradeLock(const UpgradeLock &) = delete;
    UpgradeLock &operator=(const UpgradeLock &) = delete;

    // Takes the lock without waiting; false when another program holds it.
    bool tryLock();
    void unlock();
    bool isLocked() const { return m_locked; }
    // The process holding the lock (0 when unknown or nobody).
    qint64 holder() const;

    static QString lockFilePath();

private:
    std::unique_ptr<QLockFile> m_file;
    bool m_locked = false;
};
