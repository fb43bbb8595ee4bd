#pragma once
#include "upgrade/PackageFiles.h"

#include <QByteArray>
#include <QString>

// One unpacked firmware package as it travels from its preparation to the worker that
// plays it: the folder it lies in and the model read from it. A plain value: whoever
// prepared it (PackagePreparation) keeps the folder on disk until the upgrade's report;
// a copy that outlives that names a folder that is gone, and every check on it fails.
class FirmwarePackage
{
public:
    FirmwarePackage() = default;
    explicit FirmwarePackage(const QString &folder, int model = 0);

    // Whether a folder was given at all (a default package has none and plays nothing).
    bool isValid() const { return !m_folder.isEmpty(); }
    QString folder() const { return m_folder; }
    // The model the package is built for (0 where its model file could not be opened).
    int model() const { return m_model; }

    // The firmware version the package installs: what its script sets "fw_version" to
    // (in "auto_update.txt" or a script it runs); empty when it sets none.
    QString version() const;

    // A file the package names, resolved inside its folder only (resolvePackageFile).
    QString resolveFile(const QByteArray &name, PackageFileProblem *problem) const;

private:
    QString m_folder;
    int m_model = 0;
};
