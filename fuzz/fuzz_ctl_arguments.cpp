// lensdeskctl's command line: the options and arguments, the help of the command named,
// and for NAME=VALUE arguments the checks "set" makes before a camera is asked. The
// input is the arguments, separated by NUL bytes, as UTF-8.
#include "FuzzSupport.h"

#include "ctl/CameraSession.h"
#include "ctl/CtlArguments.h"

#include <QJsonValue>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    if (size > 4096)
        return 0;
    QStringList arguments;
    for (const QByteArray &part : fuzzsupport::split(fuzzsupport::bytes(data, size), QByteArray(1, '\0')))
        arguments << QString::fromUtf8(part);
    CtlArguments options;
    QString error;
    if (!options.parseArguments(arguments, &error)) {
        if (error.isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    if (CtlArguments::isCommand(options.command) && CtlArguments::helpFor(options.command).isEmpty())
        std::abort();
    for (const QString &assignment : options.positional) {
        const int eq = assignment.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString name = assignment.left(eq).trimmed();
        const QJsonValue value(assignment.mid(eq + 1).trimmed());
        QString why;
        if (!CameraSession::checkValue(name, value, &why) && why.isEmpty())
            std::abort();
        CameraSession::writeRank(name, value);
    }
    return 0;
}
