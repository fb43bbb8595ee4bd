#pragma once
#include "upgrade/FirmwarePackage.h"

#include <QObject>

#include <mutex>
#include <QString>

class UVCExtensionUnit;
class UpgradeDevice;

// Runs one firmware upgrade on its own thread: switches an open camera into its upgrade
// state (or takes a camera found in a boot state), brings it to its boot loader, plays
// "auto_update.txt" and reports the result. Every run ends with exactly one report.
//
// The package (in the folder it was prepared in) is checked whole before anything reaches the
// camera, the upgrade stays bound to the one volume it identified until its report,
// and stop() ends it between two script lines as well as in its waits.
class UpgradeThread : public QObject
{
    Q_OBJECT

public:
    // Waiting for the camera after the switch from normal mode: 41 searches, 500 ms apart.
    static constexpr int kSwitchCountdown = 40;
    static constexpr int kSwitchSearchPeriodMs = 500;
    // Waiting for the boot loader after the hand-over: a first pause, then a search
    // every 500 ms, for 60 s at most.
    static constexpr int kHandoverFirstPauseMs = 1000;
    static constexpr int kHandoverSearchPeriodMs = 500;
    static constexpr int kHandoverMaxWaitMs = 60000;

    UpgradeThread(int manufacturer, bool cameraOpen, UVCExtensionUnit *unit, QObject *parent = nullptr);

    // Bindings for a caller that upgrades several cameras one after the other; set before
    // the thread starts. Without them the worker takes the first camera it finds.
    // The camera stuck on this drive, and no other.
    void bindToDrive(QChar letter);
    // The open camera: a camera found in a boot state is not taken, and after the switch
    // only a volume that was not there before it counts.
    void bindToOpenCamera();
    // The prepared package (PackagePreparation::package()); set before the worker
    // starts. Without one the upgrade fails before anything reaches the camera.
    void setPackage(const FirmwarePackage &package) { m_package = package; }
    FirmwarePackage package() const { return m_package; }

signals:
    void workFinished();
    void workStart();
    void onUpgradeReport(bool success, int progress, QString message);

public slots:
    void start();
    void doWork();
    void stop();

private:
    bool isRunning();
    bool stopRequested();
    void upgrade(UpgradeDevice &device);
    bool checkPackage();
    void recoverFromBootState(UpgradeDevice &device);
    void upgradeFromNormalMode(UpgradeDevice &device);
    bool waitForBootLoader(UpgradeDevice &device);
    void runScript(UpgradeDevice &device);
    QString packageFile(const char *name) const;
    void report(bool success, int progress, const QString &message);
    void reportFailure();

    // Guards the running flag only. A C++ mutex, so that the thread sanitizer sees it
    // (Qt's own is out of its sight in an uninstrumented Qt).
    std::mutex m_mutex;
    bool m_bRunning = false;
    int m_nManufacturer;
    bool m_bCameraOpen;
    UVCExtensionUnit *m_unit;
    int m_nDeviceState;
    // The package, fixed before the upgrade starts.
    FirmwarePackage m_package;
    // stop() is final: a start() that comes after it does not run the upgrade loop again.
    bool m_bStopRequested = false;
    bool m_bReported = false;
    QChar m_boundDrive;
    bool m_bBoundToOpenCamera = false;
};
