#pragma once
#include "upgrade/FirmwarePackage.h"
#include "upgrade/UpgradeLock.h"

#include <QString>

// Readies a firmware package for one upgrade and keeps it for that upgrade: takes the
// user's upgrade lock, unpacks the archive into a folder of its own under the package
// folder, checks that it is complete and names its model. The folder and the lock stay
// until release() or the end of the object, which the window and lensdeskctl put after
// the upgrade's report: no other preparation, of this program or another, touches the
// package meanwhile. What goes on to the worker is the value package(). The window and
// lensdeskctl both prepare packages through here and tell the user failureNotice().
class PackagePreparation
{
public:
    enum Result {
        Ready,        // unpacked, complete, model read
        UnpackFailed, // the archive tool refused (toolMessage says why)
        FormatWrong,  // a required entry is missing
        Corrupted,    // no model could be read
        Busy          // another program holds the upgrade lock (holderPid(), holderProgram())
    };

    PackagePreparation();
    ~PackagePreparation();
    PackagePreparation(const PackagePreparation &) = delete;
    PackagePreparation &operator=(const PackagePreparation &) = delete;

    // Takes the upgrade lock, unless held already; false when another program holds it.
    bool lock();
    // Who holds the lock, as its lock file names them (0 and empty when unknown).
    qint64 holderPid() const;
    QString holderProgram() const;

    // Takes the lock (Busy when another program holds it), then unpacks the archive into
    // a new folder (an earlier one of this object goes first) and checks it.
    Result prepare(const QString &archive, QString &toolMessage);
    // The package prepared last: its folder and model after Ready, its folder alone
    // (model 0) after Corrupted, none otherwise and after release().
    const FirmwarePackage &package() const { return m_package; }

    // The window's notice (rich text) for a result other than Ready; toolWords stands
    // for the archive tool's message, in the form the caller shows it.
    QString failureNotice(Result result, const QString &toolWords) const;

    // Removes the folder and releases the lock.
    void release();

private:
    void removeFolder();
    void keepUpdater();

    UpgradeLock m_lock;
    // The folder this object made, removed with it; the package names it once checked.
    QString m_folder;
    FirmwarePackage m_package;
};
