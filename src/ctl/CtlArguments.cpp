#include "ctl/CtlArguments.h"

#include "ctl/CameraSession.h"

namespace {

QString settingNamesText()
{
    return CameraSession::settingNames().join(QStringLiteral(", "));
}

// "  NAME  TEXT" with the text in a column of its own, continued lines indented alike.
QString column(const QString &left, const QString &text, int width = 34)
{
    QString line = QStringLiteral("  ") + left;
    if (line.size() >= width)
        line += QLatin1Char('\n') + QString(width, QLatin1Char(' '));
    else
        line = line.leftJustified(width, QLatin1Char(' '));
    return line + QString(text).replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(width, QLatin1Char(' ')))
        + QLatin1Char('\n');
}

struct OptionInfo
{
    CtlArguments::Option option;
    const char *names;
    const char *text;
};

// The options only some commands take, in the order the help shows them.
const QVector<OptionInfo> &commandOptions()
{
    static const QVector<OptionInfo> options = {
        {CtlArguments::CameraOption, "--camera SEL", "the camera to work on (see Selecting a camera)"},
        {CtlArguments::AllOption, "--all", "upgrade: every camera plugged in, one at a time;\nserve: every camera plugged in"},
        {CtlArguments::ForceOption, "--force", "upgrade: also a camera that runs the package's version"},
        {CtlArguments::DryRunOption, "--dry-run",
         "upgrade, recover, factory-reset: say what would be done\nand do nothing"},
        {CtlArguments::LongOption, "--long, -l", "get: each value with its range, step and default"},
        {CtlArguments::ServeOption, "--listen ADDR", "serve: the address to answer on (default 127.0.0.1;\n0.0.0.0 for all)"},
        {CtlArguments::ServeOption, "--allow CIDR", "serve: answer only these subnets (repeatable)"},
        {CtlArguments::ServeOption, "--udp-port N", "serve: the first camera's VISCA-over-IP port (52381)"},
        {CtlArguments::ServeOption, "--tcp-port N", "serve: the first camera's plain VISCA port (5678)"},
    };
    return options;
}

} // namespace

const QVector<CtlArguments::CommandInfo> &CtlArguments::commandTable()
{
    static const QVector<CommandInfo> table = {
        {QStringLiteral("list"), QString(), QStringLiteral("the supported cameras plugged in"),
         QStringLiteral("Lists the supported cameras plugged in: index, state (normal, or stuck in ROM,\n"
                        "updater or boot loader), model, firmware version, video node, serial number,\n"
                        "name and device path. Cameras of another manufacturer than the configured one\n"
                        "are counted on standard error, with the --manufacturer value that lists them.\n"),
         NoOption, false},
        {QStringLiteral("get"), QStringLiteral("[--camera SEL] [--long] [NAME...]"),
         QStringLiteral("settings of a camera (all it has without NAME)"),
         QStringLiteral("Shows the camera's settings as NAME=VALUE lines, which set takes back. With --long,\n"
                        "a table of each value with its range (or its words), step and default.\n"),
         CameraOption | LongOption, false},
        {QStringLiteral("set"), QStringLiteral("[--camera SEL] NAME=VALUE..."),
         QStringLiteral("changes settings, each read back"),
         QStringLiteral("Changes settings and reads each back. Ranges take whole numbers, switches on or off,\n"
                        "lists their words (lensdeskctl get --long shows them). A value of the wrong kind\n"
                        "is bad usage and nothing is sent; a value outside the camera's range, a setting\n"
                        "the model lacks or one the camera's state forbids is refused; a value the camera\n"
                        "refuses, does not answer or does not keep is reported as not taken.\n"),
         CameraOption, false},
        {QStringLiteral("save"), QStringLiteral("[--camera SEL] FILE"),
         QStringLiteral("all settings as a JSON preset (FILE - : standard output)"),
         QStringLiteral("Writes all settings of the camera, and its position presets, to FILE as a JSON\n"
                        "preset. With FILE -, the preset goes to standard output and the summary to\n"
                        "standard error.\n"),
         CameraOption, false},
        {QStringLiteral("apply"), QStringLiteral("[--camera SEL] FILE"),
         QStringLiteral("a preset onto a camera (FILE - : standard input)"),
         QStringLiteral("Applies a preset (FILE -: read from standard input). Every value is checked first:\n"
                        "one of the wrong kind stops the command before anything is sent. Settings this\n"
                        "camera's model does not have are skipped and named; position presets in the\n"
                        "file are stored for this camera.\n"),
         CameraOption, false},
        {QStringLiteral("preset"), QStringLiteral("list|save N|recall N|clear N [--camera SEL]"),
         QStringLiteral("the camera's position presets 1..9"),
         QStringLiteral("The camera's nine position presets (pan, tilt, zoom, and focus when it is manual),\n"
                        "kept by lensdesk per camera (by its serial number, else its device path).\n"
                        "  list      the stored presets\n"
                        "  save N    stores where the camera looks now as preset N (1..9)\n"
                        "  recall N  moves the camera to preset N: zoom first, then pan and tilt, each read back\n"
                        "  clear N   forgets preset N\n"
                        "Refused while tracking-mode is on and on models without pan, tilt and zoom.\n"),
         CameraOption, false},
        {QStringLiteral("factory-reset"), QStringLiteral("[--camera SEL] [--dry-run]"),
         QStringLiteral("restores the camera's factory settings"),
         QStringLiteral("Restores the camera's factory settings, as the window's Restore Factory Defaults\n"
                        "does (model 13 on firmware 1.0.22 is first set to pan 0, tilt 0, zoom 100, 50 Hz\n"
                        "and microphone on), and waits for the camera to restart.\n"),
         CameraOption | DryRunOption, false},
        {QStringLiteral("upgrade"), QStringLiteral("PACKAGE [--camera SEL | --all] [--force] [--dry-run]"),
         QStringLiteral("firmware upgrade from a .zip package"),
         QStringLiteral("Upgrades the firmware from a .zip package, one camera at a time, and ends with a\n"
                        "summary. A camera of another model is refused; one that runs the package's version\n"
                        "already is skipped unless --force. Refused while another lensdesk upgrades or a\n"
                        "camera is stuck in a boot state.\n"),
         CameraOption | AllOption | ForceOption | DryRunOption, false},
        {QStringLiteral("recover"), QStringLiteral("PACKAGE [--dry-run]"),
         QStringLiteral("cameras stuck in a boot state"),
         QStringLiteral("Brings cameras stuck in a boot state (ROM, updater, boot loader) back with the package,\n"
                        "each on its own drive. A camera whose boot state names its model is refused a package\n"
                        "of another model; one that does not is recovered with a warning.\n"),
         DryRunOption, false},
        {QStringLiteral("package-info"), QStringLiteral("PACKAGE"),
         QStringLiteral("the model and firmware version of a package"),
         QStringLiteral("Unpacks and checks a firmware package as an upgrade does and tells the model it is\n"
                        "built for and the firmware version it installs; no camera is touched.\n"),
         NoOption, false},
        {QStringLiteral("serve"), QStringLiteral("[--camera SEL | --all] [--listen ADDR] [--allow CIDR]... [--udp-port N] [--tcp-port N]"),
         QStringLiteral("answer as VISCA-over-IP cameras until stopped"),
         QStringLiteral("Makes each camera answer as a VISCA camera until SIGINT or SIGTERM: VISCA over IP on\n"
                        "UDP (default port 52381, the next camera 52382, ...) and plain VISCA on TCP (default\n"
                        "5678, 5679, ...). Only 127.0.0.1 unless --listen names another address (0.0.0.0 for\n"
                        "all); --allow serves only these subnets (repeatable, e.g. 192.168.1.0/24). Port 0\n"
                        "takes any free port. Prints one status line per event (JSON with --json). A camera\n"
                        "unplugged stays served and answers \"not executable\" until it is back.\n"),
         CameraOption | AllOption | ServeOption, false},
        {QStringLiteral("__complete"), QStringLiteral("commands|options COMMAND|settings|cameras"), QString(),
         QStringLiteral("Words for the shell completion, one a line.\n"), NoOption, true},
    };
    return table;
}

const CtlArguments::CommandInfo *CtlArguments::find(const QString &name)
{
    for (const CommandInfo &row : commandTable()) {
        if (row.name == name)
            return &row;
    }
    return nullptr;
}

QStringList CtlArguments::optionNames(const QString &command)
{
    const CommandInfo *row = find(command);
    const unsigned options = row ? row->options : ~0u;
    QStringList names;
    for (const OptionInfo &o : commandOptions()) {
        if (options & o.option)
            names << QString::fromLatin1(o.names).section(QLatin1Char(' '), 0, 0).remove(QLatin1Char(','));
    }
    names << QStringLiteral("--json") << QStringLiteral("--verbose") << QStringLiteral("--manufacturer")
          << QStringLiteral("--help");
    return names;
}

QString CtlArguments::unwantedOption() const
{
    const CommandInfo *row = find(command);
    const unsigned options = row ? row->options : 0;
    if (!camera.isEmpty() && !(options & CameraOption))
        return QStringLiteral("--camera");
    if (all && !(options & AllOption))
        return QStringLiteral("--all");
    if (force && !(options & ForceOption))
        return QStringLiteral("--force");
    if (dryRun && !(options & DryRunOption))
        return QStringLiteral("--dry-run");
    if (longForm && !(options & LongOption))
        return QStringLiteral("--long");
    if (!(options & ServeOption)) {
        if (!listen.isEmpty())
            return QStringLiteral("--listen");
        if (!allow.isEmpty())
            return QStringLiteral("--allow");
        if (!udpPort.isEmpty())
            return QStringLiteral("--udp-port");
        if (!tcpPort.isEmpty())
            return QStringLiteral("--tcp-port");
    }
    return QString();
}

QString CtlArguments::usageLine(const QString &command)
{
    const CommandInfo *row = find(command);
    if (!row)
        return QStringLiteral("lensdeskctl [OPTION...] COMMAND [ARGUMENT...]");
    return QStringLiteral("lensdeskctl %1%2").arg(row->name, row->synopsis.isEmpty() ? QString()
                                                                                      : QLatin1Char(' ') + row->synopsis);
}

QString CtlArguments::usage()
{
    QString text = QStringLiteral(
        "Usage: lensdeskctl [OPTION...] COMMAND [ARGUMENT...]\n"
        "Controls, configures and upgrades the supported USB PTZ conference cameras from the\n"
        "command line, with the classes, settings and log of the lensdesk window.\n"
        "\n"
        "Commands:\n");
    for (const CommandInfo &row : commandTable()) {
        if (!row.hidden)
            text += column(row.name + (row.synopsis.isEmpty() ? QString() : QLatin1Char(' ') + row.synopsis),
                           row.summary);
    }
    text += QStringLiteral("\nOptions:\n");
    for (const OptionInfo &o : commandOptions())
        text += column(QLatin1String(o.names), QLatin1String(o.text));
    text += column(QStringLiteral("--json"), QStringLiteral("results, and errors, as one JSON object on standard output\n"
                                                           "(docs/lensdeskctl.schema.json)"));
    text += column(QStringLiteral("--verbose"), QStringLiteral("the log's lines also on standard error"));
    text += column(QStringLiteral("--manufacturer N"),
                   QStringLiteral("the cameras of manufacturer N (0, 1 or 2) instead of\nthe one configured"));
    text += column(QStringLiteral("--help, -h"), QStringLiteral("this help; COMMAND --help describes one command"));
    text += column(QStringLiteral("--version"), QStringLiteral("prints \"lensdeskctl VERSION\""));
    text += column(QStringLiteral("--"), QStringLiteral("ends the options (a FILE that starts with -)"));
    text += QStringLiteral(
        "\n"
        "Selecting a camera:\n"
        "  SEL is an index from list (a number is an index and nothing else), or a fragment of\n"
        "  a device path or name (either case); name:TEXT or path:TEXT matches names or paths\n"
        "  only (a name made of digits: --camera name:2020). A fragment that fits several\n"
        "  cameras is refused. Without --camera the one camera plugged in is used.\n"
        "\n"
        "Settings:\n  ")
        + settingNamesText()
        + QStringLiteral(
            "\n"
            "\n"
            "Exit status:\n"
            "  0  done\n"
            "  1  a camera refused or failed: a value refused or not taken, a setting the model\n"
            "     lacks, an empty position preset, a camera stuck in a boot state chosen, a\n"
            "     refused or failed upgrade, recovery or factory reset, another upgrade running\n"
            "  2  bad usage or bad input: an unknown command, option or setting, a value of the\n"
            "     wrong kind (also in a preset), a missing, unreadable or invalid preset or\n"
            "     package, an ambiguous --camera, several cameras without --camera\n"
            "  3  no such camera: nothing matches --camera, no supported camera plugged in (also\n"
            "     for list), nothing to recover\n"
            "\n"
            "Environment:\n"
            "  LENSDESK_BACKEND  linux (the default) drives the cameras; sim the simulated rig\n"
            "  LENSDESK_RIG      the rig file of the simulated rig\n"
            "\n"
            "Files:\n"
            "  product.ini  the settings shared with the window: /product_model/main names the\n"
            "               manufacturer whose cameras are listed (0, 1 or 2); the user's\n"
            "               ~/.config/lensdesk/product.ini, else /usr/share/lensdesk/product.ini\n"
            "  ~/.lensdesk/lensdesk.log  the log\n"
            "\n"
            "Examples:\n"
            "  lensdeskctl list\n"
            "  lensdeskctl get --camera 2 --long\n"
            "  lensdeskctl set --camera \"Room 4\" zoom=250 hdr=on\n"
            "  lensdeskctl save --camera 1 - | lensdeskctl apply --camera 3 -\n"
            "  lensdeskctl upgrade firmware.zip --all --dry-run\n"
            "  lensdeskctl package-info firmware.zip --json\n");
    return text;
}

QString CtlArguments::helpFor(const QString &command)
{
    const CommandInfo *row = find(command);
    if (!row)
        return QString();
    QString text = QStringLiteral("Usage: ") + usageLine(command) + QLatin1Char('\n') + row->details;
    if (command == QLatin1String("get") || command == QLatin1String("set"))
        text += QStringLiteral("Names: ") + settingNamesText() + QLatin1Char('\n');
    text += QStringLiteral("\nOptions:\n");
    for (const OptionInfo &o : commandOptions()) {
        if (row->options & o.option)
            text += column(QLatin1String(o.names), QLatin1String(o.text));
    }
    text += column(QStringLiteral("--json"), QStringLiteral("the result as JSON"));
    return text;
}

bool CtlArguments::parseArguments(const QStringList &arguments, QString *error)
{
    // --json anywhere before "--" makes even an error before it JSON.
    for (const QString &a : arguments) {
        if (a == QLatin1String("--"))
            break;
        json = json || a == QLatin1String("--json");
    }
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        const bool option = !optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1;
        // The value of an option, given as "--name=VALUE" or as the next argument.
        auto valueOf = [&](const QString &name, QString *value) {
            if (a.startsWith(name + QLatin1Char('='))) {
                *value = a.mid(name.size() + 1);
                return true;
            }
            if (i + 1 < arguments.size()) {
                *value = arguments.at(++i);
                return true;
            }
            return false;
        };
        if (!option) {
            if (command.isEmpty())
                command = a;
            else
                positional << a;
        } else if (a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--verbose")) {
            // Handled before the command runs (where the log goes).
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            help = true;
        } else if (a == QLatin1String("--version")) {
            version = true;
        } else if (a == QLatin1String("--all")) {
            all = true;
        } else if (a == QLatin1String("--force")) {
            force = true;
        } else if (a == QLatin1String("--dry-run")) {
            dryRun = true;
        } else if (a == QLatin1String("--long") || a == QLatin1String("-l")) {
            longForm = true;
        } else if (a == QLatin1String("--manufacturer") || a.startsWith(QLatin1String("--manufacturer="))) {
            QString value;
            bool ok = false;
            if (valueOf(QStringLiteral("--manufacturer"), &value))
                manufacturer = value.toInt(&ok);
            if (!ok || manufacturer < 0) {
                *error = QStringLiteral("--manufacturer needs a manufacturer number (0, 1 or 2)");
                return false;
            }
        } else if (a == QLatin1String("--camera") || a.startsWith(QLatin1String("--camera="))) {
            if (!valueOf(QStringLiteral("--camera"), &camera)) {
                *error = QStringLiteral("--camera needs a selector");
                return false;
            }
            const QString selector = camera.trimmed();
            if (selector.isEmpty() || selector == QLatin1String("name:") || selector == QLatin1String("path:")) {
                *error = QStringLiteral("--camera needs a selector");
                return false;
            }
        } else if (a == QLatin1String("--listen") || a.startsWith(QLatin1String("--listen="))
                   || a == QLatin1String("--allow") || a.startsWith(QLatin1String("--allow="))
                   || a == QLatin1String("--udp-port") || a.startsWith(QLatin1String("--udp-port="))
                   || a == QLatin1String("--tcp-port") || a.startsWith(QLatin1String("--tcp-port="))) {
            // serve's options, each with one value.
            const QString name = a.section(QLatin1Char('='), 0, 0);
            QString value;
            if (!valueOf(name, &value)) {
                *error = QStringLiteral("%1 needs a value").arg(name);
                return false;
            }
            if (name == QLatin1String("--listen"))
                listen = value;
            else if (name == QLatin1String("--allow"))
                allow << value;
            else if (name == QLatin1String("--udp-port"))
                udpPort = value;
            else
                tcpPort = value;
        } else {
            *error = QStringLiteral("unknown option %1").arg(a);
            return false;
        }
    }
    return true;
}
