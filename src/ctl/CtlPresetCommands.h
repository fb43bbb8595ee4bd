#pragma once
#include "ctl/CtlArguments.h"
#include "ctl/CtlOutput.h"
#include "upgrade/ListedCamera.h"

#include <QString>
#include <QTextStream>

#include <functional>

// lensdeskctl's preset command: list, save, recall and clear the nine position presets
// of one camera.
class CtlPresetCommands
{
public:
    // Picks the camera a command works on (the selector of --camera); on failure it has
    // reported and gives the exit code, else 0.
    using CameraChooser = std::function<int(const QString &selector, ListedCamera *camera)>;

    CtlPresetCommands(CtlOutput &output, QTextStream &out, QTextStream &err, int productLine,
                      CameraChooser chooseCamera);

    int preset(const CtlArguments &options);

private:
    enum ExitCode { Done = 0, Failed = 1, BadUsage = 2, NoCamera = 3 };

    CtlOutput &m_output;
    QTextStream &m_out;
    QTextStream &m_err;
    int m_productLine;
    CameraChooser m_chooseCamera;
};
