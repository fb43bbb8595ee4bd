#pragma once
#include <QObject>
#include <QString>

#include <functional>

class UVCExtensionUnit;

// Runs one firmware upgrade with the window's worker (UpgradeThread on its own thread,
// wired by moveToWorkerThread) and waits for its end, with the window's simulated
// progress in the meantime. The package must have been prepared (PackagePreparation).
class UpgradeRunner : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        bool ok = false;
        // The worker's own words ("Upgrade done.", "Failed to find camera device.", ...).
        QString detail;
    };

    explicit UpgradeRunner(int productLine, QObject *parent = nullptr);

    // The folder of the prepared package (PackagePreparation::folder()).
    void setPackageFolder(const QString &folder) { m_packageFolder = folder; }

    // unit: the open camera's extension unit, whose upgrade takes only the volume that
    // camera shows after its switch; or null to recover the camera stuck on the drive
    // given to recoverDrive. progress is called with 0 to 99 while the worker runs.
    Result run(UVCExtensionUnit *unit, const std::function<void(int)> &progress);
    void recoverDrive(QChar letter) { m_drive = letter; }

private:
    int m_productLine;
    QChar m_drive;
    QString m_packageFolder;
};
