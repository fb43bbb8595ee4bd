#pragma once
#include "ctl/CtlArguments.h"
#include "ctl/CtlOutput.h"
#include "upgrade/ListedCamera.h"

#include <QString>
#include <QTextStream>

#include <functional>

// lensdeskctl serve: every camera served answers as a VISCA-over-IP camera (UDP with
// the header, TCP without) until SIGINT or SIGTERM. The cameras are those plugged in at
// the start; one that is unplugged stays served and answers "not executable" until it
// is back.
class CtlServeCommand
{
public:
    using CameraChooser = std::function<int(const QString &selector, ListedCamera *camera)>;

    CtlServeCommand(CtlOutput &output, QTextStream &out, QTextStream &err, int productLine,
                    CameraChooser chooseCamera);

    int serve(const CtlArguments &options);

private:
    enum ExitCode { Done = 0, Failed = 1, BadUsage = 2, NoCamera = 3 };

    void status(const QJsonObject &event, const QString &text);

    CtlOutput &m_output;
    QTextStream &m_out;
    QTextStream &m_err;
    int m_productLine;
    CameraChooser m_chooseCamera;
};
