#pragma once
#include <QCoreApplication>
#include <QString>
#include <QStringList>

// Unpacks a firmware package with the external 7-Zip command-line tool. The package is
// untrusted: it is listed and extracted into a staging folder first, and only the known
// package entries are moved into the output folder, so that a package can neither
// escape the folder nor replace the program's own files.
class Zip7z
{
    Q_DECLARE_TR_FUNCTIONS(Zip7z)

public:
    // Finds the tool; false (with a message saying so) when there is none.
    static bool prepareTool(QString &message);
    // Extracts the archive into the folder. True with the tool's output as the message;
    // false with a message that says what went wrong.
    static bool extract(const QString &archive, const QString &folder, QString &message);

    // The tool in use: "7z" beside the executable, else the system's 7z or 7zz; empty
    // when there is none.
    static QString toolPath();
    // The time the tool may take to start, and then to finish (30 s).
    static int timeoutMs();
    static void setTimeoutMs(int ms);

private:
    static bool runTool(const QStringList &arguments, QString *output, QString *error);
    static bool isProtectedName(const QString &name);
    static QString unsafeEntry(const QString &path);
};
