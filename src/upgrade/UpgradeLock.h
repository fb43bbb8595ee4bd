#pragma once
#include <QString>

#include <memory>

class QLockFile;

// The user's one firmware upgrade at a time across programs: the window and lensdeskctl
// hold it from the preparation of a package to the report of its upgrade (a lock file
// beside the log, "~/.lensdesk/upgrade.lock"), so that a second program neither
// unpacks a package nor switches cameras into their upgrade state meanwhile.
//
// A holder keeps the file open and locked (flock on Unix, an open handle without delete
// sharing on Windows) for as long as it holds the lock. A lock file nobody holds so is
// stale and taken over, whether it names no holder (empty or unreadable: its program
// died before writing it) or one that is gone or whose id another process has now.
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
    // The process holding the lock (0 when unknown or nobody), and its program name
    // (empty when unknown), as the lock file names them.
    qint64 holder() const;
    QString holderProgram() const;

    // Whether anybody holds the lock right now, this process included. Takes nothing.
    static bool isHeld();

    static QString lockFilePath();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_file;
    bool m_locked = false;
};
