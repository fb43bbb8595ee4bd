#pragma once
#include "upgrade/FirmwarePackage.h"

#include <QObject>
#include <QString>

#include <functional>

class UVCExtensionUnit;

// Runs one firmware upgrade with the window's worker (UpgradeThread on its own thread,
// wired by moveToWorkerThread) and waits for its end, with the window's simulated
// progress in the meantime.
class UpgradeRun : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        bool ok = false;
        // The worker's own words ("Upgrade done.", "Failed to find camera device.", ...).
        QString detail;
    };

    UpgradeRun(int productLine, const FirmwarePackage &package, QObject *parent = nullptr);

    // unit: the open camera's extension unit, whose upgrade takes only the volume that
    // camera shows after its switch; or null to recover the camera stuck on the drive
    // given. progress is called with 0 to 99 while the worker runs.
    Result run(UVCExtensionUnit *unit, QChar drive, const std::function<void(int)> &progress);

private:
    int m_productLine;
    FirmwarePackage m_package;
};
