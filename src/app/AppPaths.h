#pragma once
#include <QString>

// The application directory: the folder of the running program. Tests point it at a
// temporary folder of their own so that nothing touches the build tree.
QString applicationDir();
void setApplicationDirOverride(const QString &dir);
