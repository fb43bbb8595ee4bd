#pragma once
#include <QString>
#include <QStringList>

// lensdeskctl's command line: the command, its options and arguments, and the help
// texts. Options may stand anywhere; --verbose is taken before the command runs.
class CtlArguments
{
public:
    QString command;
    QStringList positional;
    QString camera;
    bool all = false;
    bool help = false;
    // Set as soon as it is read, so that a later bad option is reported as JSON too.
    bool json = false;

    // The arguments without the program name; false with the reason for an option it
    // does not know or a --camera without a selector.
    bool parseArguments(const QStringList &arguments, QString *error);

    static bool isCommand(const QString &name);
    static QString usage();
    // The help of one command; empty for a name that is none.
    static QString helpFor(const QString &command);
};
