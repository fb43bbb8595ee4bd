#include "ctl/CtlArguments.h"

#include "ctl/CameraSession.h"

namespace {

const QStringList &commands()
{
    static const QStringList names{QStringLiteral("list"), QStringLiteral("get"), QStringLiteral("set"),
                                   QStringLiteral("save"), QStringLiteral("apply"), QStringLiteral("preset"), QStringLiteral("upgrade"),
                                   QStringLiteral("recover")};
    return names;
}

} // namespace

bool CtlArguments::isCommand(const QString &name)
{
    return commands().contains(name);
}

QString CtlArguments::usage()
{
    return QStringLiteral(
        "Usage: lensdeskctl [--json] [--verbose] COMMAND [OPTIONS] [ARGUMENTS]\n"
        "Controls and upgrades the supported USB PTZ cameras from the command line.\n"
        "\n"
        "Commands:\n"
        "  list                                    the supported cameras plugged in\n"
        "  get [--camera SEL] [NAME...]            settings of a camera\n"
        "  set [--camera SEL] NAME=VALUE...        changes settings\n"
        "  save [--camera SEL] FILE                all settings as a JSON preset\n"
        "  apply [--camera SEL] FILE               a preset onto a camera\n"
        "  preset list|save N|recall N|clear N [--camera SEL]\n"
        "                                          the camera's position presets 1..9\n"
        "  upgrade PACKAGE [--camera SEL | --all]  firmware upgrade\n"
        "  recover PACKAGE                         cameras stuck in a boot state\n"
        "\n"
        "SEL is an index from list (a number is an index and nothing else), or a fragment of\n"
        "a device path or name; name:TEXT or path:TEXT matches names or paths only (a name\n"
        "made of digits: --camera name:2020).\n"
        "--json writes the results as JSON; --verbose copies the log to standard error.\n"
        "Exit codes: 0 done, 1 a camera refused or failed, 2 bad usage, 3 no such camera.\n"
        "lensdeskctl COMMAND --help describes one command.\n");
}

QString CtlArguments::helpFor(const QString &command)
{
    if (command == QLatin1String("list"))
        return QStringLiteral(
            "Usage: lensdeskctl list [--json]\n"
            "Lists the supported cameras plugged in: index, state (normal, or stuck in ROM,\n"
            "updater or boot loader), model, firmware version, name and device path.\n");
    if (command == QLatin1String("get"))
        return QStringLiteral(
            "Usage: lensdeskctl get [--camera SEL] [--json] [NAME...]\n"
            "Shows the camera's settings as NAME=VALUE lines (all it has without NAME).\n"
            "Names: ") + CameraSession::settingNames().join(QStringLiteral(", ")) + QStringLiteral("\n");
    if (command == QLatin1String("set"))
        return QStringLiteral(
            "Usage: lensdeskctl set [--camera SEL] [--json] NAME=VALUE...\n"
            "Changes settings and reads each back. Ranges take whole numbers, switches on or off,\n"
            "lists their words (lensdeskctl get shows them). A value outside the camera's range or\n"
            "a setting the model lacks is refused; a value the camera does not keep is reported.\n"
            "Names: ") + CameraSession::settingNames().join(QStringLiteral(", ")) + QStringLiteral("\n");
    if (command == QLatin1String("save"))
        return QStringLiteral(
            "Usage: lensdeskctl save [--camera SEL] [--json] FILE\n"
            "Writes all settings of the camera, and its position presets, to FILE as a JSON preset.\n");
    if (command == QLatin1String("apply"))
        return QStringLiteral(
            "Usage: lensdeskctl apply [--camera SEL] [--json] FILE\n"
            "Applies a preset; settings this camera's model does not have are skipped and named.\n"
            "Position presets in the file are stored for this camera.\n");
    if (command == QLatin1String("preset"))
        return QStringLiteral(
            "Usage: lensdeskctl preset list|save N|recall N|clear N [--camera SEL] [--json]\n"
            "The camera's nine position presets (pan, tilt, zoom, and focus when it is manual),\n"
            "kept by lensdesk per camera (by its serial number, else its device path).\n"
            "  list      the stored presets\n"
            "  save N    stores where the camera looks now as preset N (1..9)\n"
            "  recall N  moves the camera to preset N: zoom first, then pan and tilt, each read back\n"
            "  clear N   forgets preset N\n"
            "Refused while tracking-mode is on and on models without pan, tilt and zoom.\n");
    if (command == QLatin1String("upgrade"))
        return QStringLiteral(
            "Usage: lensdeskctl upgrade PACKAGE [--camera SEL | --all] [--json]\n"
            "Upgrades the firmware from a .zip package, one camera at a time, and ends with a\n"
            "summary. Refused while another lensdesk upgrades or a camera is stuck in a boot state.\n");
    if (command == QLatin1String("recover"))
        return QStringLiteral(
            "Usage: lensdeskctl recover PACKAGE [--json]\n"
            "Brings cameras stuck in a boot state (ROM, updater, boot loader) back with the package,\n"
            "each on its own drive. A camera whose boot state names its model is refused a package\n"
            "of another model; one that does not is recovered with a warning.\n");
    return QString();
}

bool CtlArguments::parseArguments(const QStringList &arguments, QString *error)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--verbose")) {
            // Handled before the command runs (where the log goes).
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            help = true;
        } else if (a == QLatin1String("--all")) {
            all = true;
        } else if (a == QLatin1String("--camera") || a.startsWith(QLatin1String("--camera="))) {
            if (a.contains(QLatin1Char('='))) {
                camera = a.section(QLatin1Char('='), 1);
            } else if (i + 1 < arguments.size()) {
                camera = arguments.at(++i);
            } else {
                *error = QStringLiteral("--camera needs a selector");
                return false;
            }
            const QString selector = camera.trimmed();
            if (selector.isEmpty() || selector == QLatin1String("name:") || selector == QLatin1String("path:")) {
                *error = QStringLiteral("--camera needs a selector");
                return false;
            }
        } else if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            *error = QStringLiteral("unknown option %1").arg(a);
            return false;
        } else if (command.isEmpty()) {
            command = a;
        } else {
            positional << a;
        }
    }
    return true;
}
