#pragma once
#include "ctl/CtlArguments.h"
#include "ctl/CtlOutput.h"
#include "upgrade/ListedCamera.h"

#include <QJsonObject>
#include <QString>
#include <QTextStream>

#include <functional>

class UpgradeBatch;

// lensdeskctl's upgrade and recover commands, over UpgradeBatch: they hold the lock,
// prepare the package, follow the progress and word the outcomes.
class CtlUpgradeCommands
{
public:
    // Picks the camera a command works on (the selector of --camera); on failure it has
    // reported and gives the exit code, else 0.
    using CameraChooser = std::function<int(const QString &selector, ListedCamera *camera)>;

    CtlUpgradeCommands(CtlOutput &output, QTextStream &out, QTextStream &err, bool terminal, int productLine,
                       CameraChooser chooseCamera);

    int upgrade(const CtlArguments &options);
    int recover(const CtlArguments &options);
    int packageInfo(const CtlArguments &options);

private:
    enum ExitCode { Done = 0, Failed = 1, BadUsage = 2, NoCamera = 3 };

    // Why a package file cannot be one (missing, unreadable, a directory, not a zip
    // archive); empty when it may be.
    static QString packageFileProblem(const QString &file);
    // The opening the package commands share: one PACKAGE argument that may be a
    // package file, and the upgrade lock taken for batch. The exit code of a refusal,
    // Done with *file set when the command may go on.
    int takePackage(const CtlArguments &options, const QString &command, UpgradeBatch &batch, QString *file);
    // Locks and prepares the package; the exit code of a refusal, Done when ready.
    int preparePackage(UpgradeBatch &batch, const QString &file);
    // {"file", "model", "modelName", "version"} of the prepared package.
    static QJsonObject packageJson(const UpgradeBatch &batch, const QString &file);
    // Follows the batch's progress on out and err.
    void follow(UpgradeBatch &batch, bool recovery);

    CtlOutput &m_output;
    QTextStream &m_out;
    QTextStream &m_err;
    bool m_terminal;
    int m_productLine;
    CameraChooser m_chooseCamera;
};
