#pragma once
#include "platform/Volume.h"
#include "upgrade/FirmwarePackage.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

// The interpreter of the package's upgrade script ("auto_update.txt"): boot-loader
// command lines sent to the camera, with "estar" (nested script), "tftp" (download a
// file) and "reset" (close the upgrade) handled here.
//
// A package is untrusted input, so the interpreter bounds what one upgrade may do:
// files resolve inside the package folder only; nesting, script runs, executed lines and
// download volume have limits; and the whole script tree is checked before the first
// line reaches the camera, so that a package that cannot complete never starts.
class UpgradeScript
{
public:
    // Nested scripts deeper than this fail (a script that names itself must not exhaust
    // the stack).
    static constexpr int kMaxNesting = 16;
    // Scripts one upgrade may open, the first included.
    static constexpr int kMaxScriptRuns = 256;
    // Lines one upgrade may execute: commands, "tftp", "estar" and "reset".
    static constexpr int kMaxCommands = 4096;
    // Bytes one upgrade may download in all.
    static constexpr qint64 kMaxDownloadBytes = qint64(4) << 30;
    // A script file larger than this is no script.
    static constexpr qint64 kMaxScriptSize = 1 << 20;

    // Plays the package's scripts against the given camera volume; file names resolve
    // inside the package's folder.
    UpgradeScript(platform::Volume *device, const FirmwarePackage &package);

    // Asked before every line is executed; true ends the script with failure.
    void setStopCheck(std::function<bool()> stopRequested);

    // Walks the whole script tree without sending anything: every script and file it
    // names is a regular file of the package, every address and command line is valid,
    // and the limits hold. 0, or -1 with the reason logged.
    int check(const char *path);
    // Checks the tree, then plays it. 0 on success, -1 on failure.
    int run(const char *path);

private:
    int runScript(const QByteArray &name, int depth);
    int runCommand(const QByteArray &line);
    int loadFile(const QByteArray &addressWord, const QByteArray &name);
    QString resolve(const QByteArray &name);
    void reset();

    platform::Volume *m_device;
    FirmwarePackage m_package;
    std::function<bool()> m_stopRequested;
    bool m_checking = false;
    int m_scriptRuns = 0;
    int m_commands = 0;
    qint64 m_downloadBytes = 0;
};

// Runs the package's script at the given path against the volume; 0 on success, -1 on
// failure.
int runUpgradeScript(platform::Volume *device, const FirmwarePackage &package, const char *path);

// Trims spaces and tabs at both ends and turns every inner run of them into one space.
QByteArray normaliseScriptLine(const QByteArray &line);
