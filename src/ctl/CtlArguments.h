#pragma once
#include <QString>
#include <QStringList>
#include <QVector>

// lensdeskctl's command line: the table of commands with their help, the options, and
// the parse of one command line. Options may stand anywhere; "--" ends them.
//
// A new command is one row in commandTable() (CtlArguments.cpp) and one line in
// CtlCommand::run's dispatch; the general help, the per-command help, the option checks
// and the shell completion take it from the row.
class CtlArguments
{
public:
    // The options a command takes besides --json, --verbose, --help and --manufacturer.
    enum Option : unsigned {
        NoOption = 0,
        CameraOption = 1u << 0, // --camera SEL
        AllOption = 1u << 1,    // --all
        ForceOption = 1u << 2,  // --force
        DryRunOption = 1u << 3, // --dry-run
        LongOption = 1u << 4,   // --long, -l
        ServeOption = 1u << 5,  // --listen ADDR, --allow CIDR, --udp-port N, --tcp-port N
    };

    struct CommandInfo
    {
        QString name;
        // What follows "lensdeskctl NAME" in the usage line.
        QString synopsis;
        // One line for the command list of the general help.
        QString summary;
        // The rest of the command's own help.
        QString details;
        unsigned options;
        // Not shown in the help (the shell completion's helper).
        bool hidden;
    };

    QString command;
    QStringList positional;
    QString camera;
    bool all = false;
    bool force = false;
    bool dryRun = false;
    bool longForm = false;
    bool help = false;
    bool version = false;
    // -1: the manufacturer of the settings file.
    int manufacturer = -1;
    // Set before anything else is read, so that a bad option is reported as JSON too.
    bool json = false;
    // serve: the address, the allowed subnets and the first ports (as given).
    QString listen;
    QStringList allow;
    QString udpPort;
    QString tcpPort;

    // The arguments without the program name; false with the reason for an option it
    // does not know or one without its value.
    bool parseArguments(const QStringList &arguments, QString *error);

    static const QVector<CommandInfo> &commandTable();
    // The row of a command; null for a name that is none.
    static const CommandInfo *find(const QString &name);
    static bool isCommand(const QString &name) { return find(name) != nullptr; }
    // The names of the options a command takes (for the completion), all when empty.
    static QStringList optionNames(const QString &command);
    // Which of the options given the command does not take ("--all"), empty when none.
    QString unwantedOption() const;

    // The general help: usage, description, commands, options, exit status, environment,
    // files and examples (also the source of the manual page).
    static QString usage();
    // The help of one command; empty for a name that is none.
    static QString helpFor(const QString &command);
    // "lensdeskctl NAME SYNOPSIS".
    static QString usageLine(const QString &command);
};
