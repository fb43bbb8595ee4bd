#pragma once
#include "ctl/CtlArguments.h"
#include "ctl/CtlOutput.h"
#include "upgrade/ListedCamera.h"

#include <QString>
#include <QTextStream>

#include <functional>

// lensdeskctl's save and apply: all settings of a camera as a JSON preset (Preset), to a
// file or standard output, and a preset from a file or standard input onto a camera.
class CtlSaveApplyCommands
{
public:
    // Picks the camera a command works on (the selector of --camera); on failure it has
    // reported and gives the exit code, else 0.
    using CameraChooser = std::function<int(const QString &selector, ListedCamera *camera)>;

    // in is standard input ("apply -"); null reads the process's own.
    CtlSaveApplyCommands(CtlOutput &output, int productLine, QTextStream *in, CameraChooser chooseCamera);

    int save(const CtlArguments &options);
    int apply(const CtlArguments &options);

private:
    enum ExitCode { Done = 0, Failed = 1, BadUsage = 2, NoCamera = 3 };

    CtlOutput &m_output;
    QTextStream &m_out;
    QTextStream &m_err;
    int m_productLine;
    QTextStream *m_in;
    CameraChooser m_chooseCamera;
};
