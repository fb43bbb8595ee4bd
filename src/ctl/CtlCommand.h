#pragma once
#include "ctl/CtlArguments.h"
#include "ctl/CtlOutput.h"
#include "upgrade/ListedCamera.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// lensdeskctl's commands with their exit codes: list, get, set and factory-reset here;
// save and apply (CtlSaveApplyCommands), preset (CtlPresetCommands), upgrade, recover
// and package-info (CtlUpgradeCommands). Every camera operation goes through the classes
// the window uses; the upgrades through UpgradeBatch, which any front end drives alike.
class CtlCommand
{
public:
    enum ExitCode { Done = 0, Failed = 1, BadUsage = 2, NoCamera = 3 };

    // out receives the results, err the messages; terminal says whether out is a
    // terminal (progress bar) or not (plain lines). in is standard input ("apply -").
    CtlCommand(QTextStream &out, QTextStream &err, bool terminal, QTextStream *in = nullptr);

    // The arguments without the program name.
    int run(const QStringList &arguments);

    static QString usage() { return CtlArguments::usage(); }

private:
    int commandList();
    int commandGet(const CtlArguments &options);
    int commandSet(const CtlArguments &options);
    int commandFactoryReset(const CtlArguments &options);
    int commandSaveApply(const CtlArguments &options);
    int commandPreset(const CtlArguments &options);
    int commandUpgrade(const CtlArguments &options);
    int commandComplete(const CtlArguments &options);

    // Picks the camera a command works on; on failure reports and gives the exit code.
    int chooseCamera(const QString &selector, ListedCamera *camera);
    // " (2 cameras of manufacturer 1 are not listed; --manufacturer 1 lists them)", or
    // empty when no camera of another manufacturer is plugged in.
    QString hiddenNote() const;
    int fail(int code, const QString &message, const QList<ListedCamera> &matches = {})
    {
        return m_output.fail(code, message, matches);
    }
    bool json() const { return m_output.isJson(); }
    int productLine() const;

    QTextStream &m_out;
    QTextStream &m_err;
    QTextStream *m_in;
    bool m_terminal;
    CtlOutput m_output;
    int m_manufacturer = -1;
};
