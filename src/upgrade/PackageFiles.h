#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// The firmware package as it lies in a folder after extraction: clean-up, completeness
// check, the model it is built for, and the files its script may name. Every function
// is given its folder; none falls back to a folder of its own.

// The entries a package may bring at the top level that the program knows by name.
QStringList packageEntryNames();

// Removes the entries of an earlier package from the folder: the known names
// ("usb_updater.bin" stays) and every other entry the extraction recorded in its list
// of entries.
bool cleanPackageFiles(const QString &folder);
// Whether "auto_update.txt", "scripts", "kernel" and a model file are present in the
// folder.
bool checkPackageFiles(const QString &folder);
// Reads the model number from the folder's "miservice.ubifs" (else "model.dat"); false
// when neither exists or no model name is found.
bool readPackageModel(const QString &folder, int &model);
bool pathExists(const QString &path);
bool removePath(const QString &path);

// The file in an extraction's folder that lists the top-level entries the last
// extraction put there (one name per line), so that the clean-up finds them again.
QString packageManifestName();
// Top-level names of the package entries recorded in the folder's list.
QStringList readPackageManifest(const QString &folder);
bool writePackageManifest(const QString &folder, const QStringList &names);

// Whether a top-level name belongs to the program rather than to a package: its
// settings, executable, tools, libraries, translations, the list of package entries.
// A package may neither bring nor name such an entry.
bool isProgramFile(const QString &topLevelName);

// Why a file name from a package cannot be used.
enum class PackageFileProblem {
    None,
    Missing,    // no such file (or no name at all)
    Outside,    // absolute, through "..", through a link out of the folder, or the program's own
    NotRegular  // a folder, device node, pipe or link rather than a regular file
};

// Resolves a file name that a package's script gives ("tftp", "estar") or that the
// upgrade uses ("usb_updater.bin", "u-boot.bin") inside the package folder. Returns the
// absolute path of a regular file inside the folder, or an empty string with the
// problem.
QString resolvePackageFile(const QString &folder, const QByteArray &name, PackageFileProblem *problem);

// Folders a process makes for itself in a package folder (an upgrade's own package, an
// extraction's staging folder) are named for it: ".package-<pid>-XXXXXX". This is the
// template (for QTemporaryDir) of a new one of this process inside the parent folder.
QString processFolderTemplate(const QString &parent);
// Removes the folders of processes that are gone from the folder, and the staging
// folders of earlier versions, which named no process; with includeOwn, those of this
// process too (for a caller that knows none of them is in use). Returns how many.
int removeStalePackageFolders(const QString &folder, bool includeOwn = false);
