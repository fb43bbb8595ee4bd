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

    // unit: the open camera's extension unit, or null to recover a camera found in a
    // boot state. progress is called with 0 to 99 while the worker runs.
    Result run(UVCExtensionUnit *unit, const std::function<void(int)> &progress);

private:
    int m_productLine;
    QString m_packageFolder;
};
