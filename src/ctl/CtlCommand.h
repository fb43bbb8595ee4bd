#pragma once
#include "ctl/CtlArguments.h"
#include "ctl/CtlOutput.h"
#include "upgrade/ListedCamera.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// lensdeskctl's commands: list, get, set, save, apply, preset, upgrade and recover, with their
// exit codes. Every camera operation goes through the classes the window uses; the
// upgrades through UpgradeBatch, which any front end drives alike.
class CtlCommand
{
public:
    enum ExitCode { Done = 0, Failed = 1, BadUsage = 2, NoCamera = 3 };

    // out receives the results, err the messages; terminal says whether out is a
    // terminal (progress bar) or not (plain lines).
    CtlCommand(QTextStream &out, QTextStream &err, bool terminal);

    // The arguments without the program name.
    int run(const QStringList &arguments);

    static QString usage() { return CtlArguments::usage(); }

private:
    int commandList();
    int commandGet(const CtlArguments &options);
    int commandSet(const CtlArguments &options);
    int commandSave(const CtlArguments &options);
    int commandApply(const CtlArguments &options);
    // The upgrade and recover commands (CtlUpgradeCommands).
    int commandUpgrade(const CtlArguments &options, bool recovery);
    int commandPreset(const CtlArguments &options);

    // Picks the camera a command works on; on failure reports and gives the exit code.
    int chooseCamera(const QString &selector, ListedCamera *camera);
    int fail(int code, const QString &message, const QList<ListedCamera> &matches = {})
    {
        return m_output.fail(code, message, matches);
    }
    bool json() const { return m_output.isJson(); }
    int productLine() const;

    QTextStream &m_out;
    QTextStream &m_err;
    bool m_terminal;
    CtlOutput m_output;
};
