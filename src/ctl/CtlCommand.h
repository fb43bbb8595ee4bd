#pragma once
#include "ctl/ListedCamera.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

// lensdeskctl's commands: list, get, set, save, apply, upgrade and recover, with their
// text and JSON output and exit codes. Every camera operation goes through the classes
// the window uses.
class CtlCommand
{
public:
    enum ExitCode { Done = 0, Failed = 1, BadUsage = 2, NoCamera = 3 };

    // out receives the results, err the messages; terminal says whether out is a
    // terminal (progress bar) or not (plain lines).
    CtlCommand(QTextStream &out, QTextStream &err, bool terminal);

    // The arguments without the program name.
    int run(const QStringList &arguments);

    static QString usage();

private:
    struct Options
    {
        QString command;
        QStringList positional;
        QString camera;
        bool all = false;
        bool help = false;
    };

    bool parse(const QStringList &arguments, Options *options, QString *error);
    int commandHelp(const QString &command);
    int list();
    int get(const Options &options);
    int set(const Options &options);
    int save(const Options &options);
    int apply(const Options &options);
    int upgrade(const Options &options);
    int recover(const Options &options);

    // Picks the camera a command works on; on failure reports and gives the exit code.
    int chooseCamera(const QString &selector, ListedCamera *camera);
    // Reports an error: a line on err, or {"error": ...} on out for --json.
    int fail(int code, const QString &message, const QList<ListedCamera> &matches = {});
    void printCameraTable(const QList<ListedCamera> &cameras);
    int productLine() const;
    // Waits (on the clock in force) for a camera with this path to be listed again;
    // its firmware version when it came back, empty otherwise.
    QString waitForCamera(const QString &path, const QString &name);
    void showProgress(const QString &what, int percent);
    void endProgress();
    int finishUpgrades(const QJsonArray &rows);

    QTextStream &m_out;
    QTextStream &m_err;
    bool m_terminal;
    bool m_json = false;
    bool m_progressShown = false;
};
