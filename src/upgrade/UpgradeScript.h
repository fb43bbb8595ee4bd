#pragma once
#include <QByteArray>

// The interpreter of the package's upgrade script ("auto_update.txt"): boot-loader
// command lines sent to the camera, with "estar" (nested script), "tftp" (download a
// file) and "reset" (close the upgrade) handled here.

// Runs the script at the given path (relative to the current directory); 0 on success,
// -1 on failure.
int runUpgradeScript(const char *path);

// Trims spaces and tabs at both ends and turns every inner run of them into one space.
QByteArray normaliseScriptLine(const QByteArray &line);

// Nested scripts deeper than this fail (a script that names itself must not exhaust
// the stack).
constexpr int kMaxScriptNesting = 16;
