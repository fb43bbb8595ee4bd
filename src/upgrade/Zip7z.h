#pragma once
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Unpacks a firmware package with the external 7-Zip command-line tool. The package is
// untrusted: it is listed first (a package whose listed size or number of entries is
// beyond any firmware is refused before anything is written), extracted into a staging
// folder while its size is watched, checked entry by entry, and only then moved into
// the output folder, so that a package can neither escape the folder, nor replace the
// program's own files, nor fill the disk.
//
// The tool never outlives the extraction: it is ended (with whatever it started) on a
// time-out, and it ends with the program however the program ends.
//
// The calls run on the calling thread (the window's) but do not block its event loop:
// the wait for the tool runs a local event loop, so the window keeps repainting and
// its timers keep running. A second extraction asked for while one runs (from a
// handler of that loop) is refused.
class Zip7z
{
    Q_DECLARE_TR_FUNCTIONS(Zip7z)

public:
    // Finds the tool; false (with a message saying so) when there is none.
    static bool prepareTool(QString &message);
    // Extracts the archive into the folder. True with the tool's output as the message;
    // false with a message that says what went wrong.
    static bool extract(const QString &archive, const QString &folder, QString &message);
    // Whether an extraction is running.
    static bool isBusy();

    // The tool in use: "7z" beside the executable, else the system's 7zz or 7z; empty
    // when there is none.
    static QString toolPath();
    // The time each run of the tool may take, in real time (30 s): the tool is a real
    // process whatever clock the program's own waits run on.
    static int timeoutMs();
    static void setTimeoutMs(int ms);
    // The largest uncompressed size a package may have (1 GiB: a camera's flash is far
    // smaller), and the most entries it may have (10000). Settable for tests; a value
    // of 0 or less restores the default.
    static qint64 maxUnpackedSize();
    static void setMaxUnpackedSize(qint64 bytes);
    static int maxEntries();

    // Checks the tool's technical listing ("7z l -slt"): every path, and the sizes and
    // number of the entries against the bounds. False with the reason.
    static bool checkListing(const QString &listing, QString *error);
    // Why an archive path is refused, or empty when it is safe.
    static QString unsafeEntry(const QString &path);

private:
    static bool runTool(const QStringList &arguments, QString *output, QString *error,
                        const QString &watchedFolder = QString());
};
