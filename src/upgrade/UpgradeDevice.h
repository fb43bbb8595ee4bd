#pragma once
#include "platform/Volume.h"

#include <QChar>
#include <QSet>

#include <functional>
#include <memory>

// The camera volume one upgrade talks to, from its first search to its report.
//
// While it exists an upgrade is in progress: the watcher leaves the volumes alone and
// reports nothing. Once bound, it holds its volume's handle and claims its drive, so
// that no other search opens that drive and every transfer of the upgrade goes through
// this handle only. After a re-enumeration (the boot-loader hand-over) the upgrade looks
// for its camera again on its own drive and nowhere else, so a second camera plugged in
// meanwhile is never taken for it.
class UpgradeDevice
{
public:
    explicit UpgradeDevice(int manufacturer);
    ~UpgradeDevice();
    UpgradeDevice(const UpgradeDevice &) = delete;
    UpgradeDevice &operator=(const UpgradeDevice &) = delete;

    // Searches every drive not claimed by another upgrade and binds to the first camera
    // found; false (state NotFound) when there is none.
    bool find(int &state);
    // Narrow what find() may take, for whoever upgrades several cameras one after the
    // other: only the camera on this drive (one known to sit there) ...
    void confineToDrive(QChar letter);
    // ... or none on these drives (volumes of other cameras, there before this upgrade
    // switched its own camera).
    void passBy(const QSet<QChar> &letters);
    // The drives on which a camera answers now, in any state.
    static QSet<QChar> cameraDrives(int manufacturer);
    // Searches the bound drive only (the camera after it re-enumerated) and takes the
    // handle of its new enumeration; false when it does not answer as the camera.
    bool findAgain(int &state);

    platform::Volume *volume() const { return m_volume.get(); }
    bool isBound() const { return !m_drive.isNull(); }
    QChar driveLetter() const { return m_drive; }

    // Whether any upgrade is in progress.
    static bool upgradeInProgress();
    // The watcher's search: unless an upgrade is in progress, searches and, for a camera
    // in one of its boot states, calls found with that state. Upgrades begin only
    // between two such calls, so nothing is reported once an upgrade has begun. found
    // must not start an upgrade on the calling thread.
    static bool watch(int manufacturer, const std::function<void(int state)> &found);

private:
    void release();
    bool findNarrowed(int &state);

    int m_manufacturer;
    std::shared_ptr<platform::Volume> m_volume;
    QChar m_drive;
    QChar m_onlyDrive;
    QSet<QChar> m_passBy;
};
