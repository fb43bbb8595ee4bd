#pragma once
#include <QString>

// The application directory: the folder of the running program. Tests point it at a
// temporary folder of their own so that nothing touches the build tree.
QString applicationDir();
void setApplicationDirOverride(const QString &dir);

// The program's data installed beside it by the usual layout (bin/../share/lensdesk):
// translations and the default "product.ini". Empty when the program does not run from
// such a layout (a build folder, a portable copy).
QString installedDataDir();

// Whether the program keeps its settings and package files in its own folder: the folder
// is writable and the program is not an installed one. An installed program (under /usr,
// or a prefix of the user's own that other programs share) keeps them per user instead.
bool isPortableInstall();

// The folder the translations are loaded from: the installed data folder, else the
// application directory.
QString translationsDir();

// The settings file the user's values are read from and written to: "product.ini" in
// the application directory for a portable install, else "lensdesk/product.ini" in the
// user's configuration folder.
QString userSettingsFilePath();
// The settings file of the installation that gives the defaults of an installed program;
// empty for a portable install (its one file holds everything).
QString defaultSettingsFilePath();

// The root of the firmware packages: the application directory for a portable install,
// else a per-user data folder ("lensdesk/package"), created on demand. Each upgrade
// unpacks its package into a folder of its own below it (PackagePreparation), stale
// ones are removed from it, and the boot ROM's updater is kept in it; the package
// itself travels as a value (FirmwarePackage), never through this folder.
QString packageDir();
