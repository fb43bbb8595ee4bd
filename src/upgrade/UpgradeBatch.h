#pragma once
#include "upgrade/FirmwarePackage.h"
#include "upgrade/ListedCamera.h"
#include "upgrade/PackagePreparation.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class UVCExtensionUnit;

// Firmware upgrades and recoveries of several cameras, one after another, for any front
// end: holds the user's upgrade lock and the prepared package from lock() to the end of
// the object, lists the cameras and those stuck in a boot state, runs the upgrade worker
// bound to each camera's own volume, and gives one outcome per camera. It prints
// nothing: the front end words the outcomes and follows the signals for progress.
class UpgradeBatch : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        // Skipped: the camera runs the package's version already. Planned: a dry run
        // would upgrade or recover it.
        enum Status { Done, Refused, Failed, Skipped, Planned };
        ListedCamera camera;
        Status status = Failed;
        // Refused: the package is built for another model than the camera's.
        bool modelMismatch = false;
        int packageModel = 0;
        QString packageVersion;
        // Whether the worker ran for the camera (a refusal, or a camera that did not
        // open, never reached it).
        bool ran = false;
        // Failed: the camera's or the worker's own words.
        QString detail;
        // Done: the firmware the camera came back with; empty while it has not.
        QString firmwareAfter;
        // Done recovery: the camera as it is listed again (empty path while it is not).
        ListedCamera cameBackAs;
        // Recovery: whether the stuck camera named its model, so that the package's fit
        // was checked; the warning given when it was not.
        bool modelChecked = false;
        QString warning;
        // Failed: the camera as it was left in a boot state (empty state when none was
        // seen).
        ListedCamera leftStuck;
    };

    // Opens a camera in its normal state for its upgrade: the channel to its extension
    // unit, or null with the reason. The camera is closed (CloseCamera) once the worker
    // has ended, before the next one is opened.
    using OpenCamera = std::function<UVCExtensionUnit *(const ListedCamera &camera, QString *error)>;
    using CloseCamera = std::function<void()>;

    // After an upgrade the camera initialises before it comes back; a minute is plenty.
    static constexpr int kCameraReturnWaitMs = 60000;
    static constexpr int kCameraReturnPollMs = 500;

    explicit UpgradeBatch(int productLine, QObject *parent = nullptr);

    // The user's upgrade lock; false while another program holds it.
    bool lock();
    qint64 holderPid() const;

    // Unpacks and checks the package (taking the lock, if not held). Its notice when it
    // fails: preparation().failureNotice().
    PackagePreparation::Result preparePackage(const QString &archive, QString *toolMessage);
    const FirmwarePackage &package() const { return m_preparation.package(); }
    const PackagePreparation &preparation() const { return m_preparation; }

    // The supported cameras plugged in, those in a boot state last; and those alone.
    QList<ListedCamera> cameras() const;
    QList<ListedCamera> stuckCameras() const;
    // The first camera in a boot state, which must be recovered before any upgrade; null
    // when there is none.
    static const ListedCamera *firstStuck(const QList<ListedCamera> &cameras);

    // Whether a camera that runs the package's version already is upgraded all the same
    // (else it is skipped).
    void setForce(bool force) { m_force = force; }

    // Upgrades each target (cameras in their normal state) with the prepared package.
    QList<Outcome> upgrade(const QList<ListedCamera> &targets, const OpenCamera &open, const CloseCamera &close);
    // Brings each camera stuck in a boot state back with the prepared package, each on
    // its own drive.
    QList<Outcome> recover(const QList<ListedCamera> &stuck);
    // What upgrade() or recover() would do with each camera, doing nothing: Planned,
    // Refused or Skipped.
    QList<Outcome> planUpgrade(const QList<ListedCamera> &targets) const;
    QList<Outcome> planRecovery(const QList<ListedCamera> &stuck) const;

signals:
    // The worker is about to run for the camera; warning is the recovery's doubt about
    // the package's fit, if any.
    void cameraStarting(const ListedCamera &camera, const QString &warning);
    // 0 to 99 while the worker runs, 100 when it reported success.
    void progressChanged(const ListedCamera &camera, int percent);
    // The worker has ended (before the wait for the camera's return).
    void workerEnded(const ListedCamera &camera, bool ok);
    void cameraFinished(const UpgradeBatch::Outcome &outcome);

private:
    bool runWorker(const ListedCamera &camera, UVCExtensionUnit *unit, Outcome *outcome);
    // Waits for the upgraded camera to be listed again; its firmware, empty when it has
    // not come back.
    QString waitForCamera(const ListedCamera &camera) const;
    // Waits for a camera not among those listed before; its listing (empty path if none).
    ListedCamera waitForNewCamera(const QList<ListedCamera> &before) const;
    Outcome finish(const Outcome &outcome);
    // The outcome of a camera before anything is sent: Planned, Refused or Skipped.
    Outcome decideUpgrade(const ListedCamera &camera) const;
    Outcome decideRecovery(const ListedCamera &camera) const;

    int m_productLine;
    bool m_force = false;
    PackagePreparation m_preparation;
};
