#include "ctl/CtlCommand.h"

#include "core/NoticeTexts.h"
#include "core/SettingsStore.h"
#include "core/Startup.h"
#include "camera/CameraRules.h"
#include "camera/DShowCameraWrapper.h"
#include "catalogue/Catalogue.h"
#include "ctl/CameraInventory.h"
#include "ctl/CameraSession.h"
#include "ctl/Preset.h"
#include "ctl/UpgradeRunner.h"
#include "platform/Clock.h"
#include "upgrade/PackagePreparation.h"

#include <QDebug>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

constexpr int kCameraReturnPollMs = 500;
// After an upgrade the camera initialises before it comes back; a minute is plenty.
constexpr int kCameraReturnWaitMs = 60000;
constexpr int kBarWidth = 30;

// The window's notices are rich text ("<h3>Heading</h3>\r\nBody"); on a terminal the
// heading and the body share one line.
QString plain(const QString &notice)
{
    static const QRegularExpression heading(QStringLiteral("^<h3>(.*)</h3>\\s*"));
    QString text = notice;
    const QRegularExpressionMatch m = heading.match(text);
    if (m.hasMatch()) {
        const QString title = m.captured(1);
        const bool stop = title.endsWith(QLatin1Char('!')) || title.endsWith(QLatin1Char('.'));
        text = title + (stop ? QStringLiteral(" ") : QStringLiteral(": ")) + text.mid(m.capturedLength());
    }
    return text.simplified();
}

QString helpFor(const QString &command)
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
            "Writes all settings of the camera to FILE as a JSON preset.\n");
    if (command == QLatin1String("apply"))
        return QStringLiteral(
            "Usage: lensdeskctl apply [--camera SEL] [--json] FILE\n"
            "Applies a preset; settings this camera's model does not have are skipped and named.\n");
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

const QStringList &commands()
{
    static const QStringList names{QStringLiteral("list"), QStringLiteral("get"), QStringLiteral("set"),
                                   QStringLiteral("save"), QStringLiteral("apply"), QStringLiteral("upgrade"),
                                   QStringLiteral("recover")};
    return names;
}

QJsonArray camerasJson(const QList<ListedCamera> &cameras)
{
    QJsonArray array;
    for (const ListedCamera &camera : cameras)
        array.append(camera.toJson());
    return array;
}

QString pad(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '));
}

} // namespace

CtlCommand::CtlCommand(QTextStream &out, QTextStream &err, bool terminal)
    : m_out(out)
    , m_err(err)
    , m_terminal(terminal)
{
}

QString CtlCommand::usage()
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

bool CtlCommand::parse(const QStringList &arguments, Options *options, QString *error)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--json")) {
            m_json = true;
        } else if (a == QLatin1String("--verbose")) {
            // Handled before the command runs (where the log goes).
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            options->help = true;
        } else if (a == QLatin1String("--all")) {
            options->all = true;
        } else if (a == QLatin1String("--camera") || a.startsWith(QLatin1String("--camera="))) {
            if (a.contains(QLatin1Char('='))) {
                options->camera = a.section(QLatin1Char('='), 1);
            } else if (i + 1 < arguments.size()) {
                options->camera = arguments.at(++i);
            } else {
                *error = QStringLiteral("--camera needs a selector");
                return false;
            }
            const QString selector = options->camera.trimmed();
            if (selector.isEmpty() || selector == QLatin1String("name:") || selector == QLatin1String("path:")) {
                *error = QStringLiteral("--camera needs a selector");
                return false;
            }
        } else if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            *error = QStringLiteral("unknown option %1").arg(a);
            return false;
        } else if (options->command.isEmpty()) {
            options->command = a;
        } else {
            options->positional << a;
        }
    }
    return true;
}

int CtlCommand::run(const QStringList &arguments)
{
    Options options;
    QString error;
    if (arguments.contains(QStringLiteral("--version"))) {
        m_out << "lensdeskctl " << applicationVersion() << '\n';
        return Done;
    }
    if (!parse(arguments, &options, &error))
        return fail(BadUsage, error + QStringLiteral("\n") + usage());
    if (options.command.isEmpty()) {
        if (options.help) {
            m_out << usage();
            return Done;
        }
        return fail(BadUsage, QStringLiteral("no command given\n") + usage());
    }
    if (!commands().contains(options.command))
        return fail(BadUsage, QStringLiteral("unknown command \"%1\"\n").arg(options.command) + usage());
    if (options.help)
        return commandHelp(options.command);
    if (options.all && options.command != QLatin1String("upgrade"))
        return fail(BadUsage, QStringLiteral("--all belongs to upgrade only"));
    if (!options.camera.isEmpty()
        && (options.command == QLatin1String("list") || options.command == QLatin1String("recover")))
        return fail(BadUsage, QStringLiteral("%1 takes no --camera").arg(options.command));

    qInfo().noquote() << "lensdeskctl" << arguments.join(QLatin1Char(' '));
    const QString &c = options.command;
    if (c == QLatin1String("list")) {
        if (!options.positional.isEmpty())
            return fail(BadUsage, QStringLiteral("list takes no arguments"));
        return list();
    }
    if (c == QLatin1String("get"))
        return get(options);
    if (c == QLatin1String("set"))
        return set(options);
    if (c == QLatin1String("save"))
        return save(options);
    if (c == QLatin1String("apply"))
        return apply(options);
    if (c == QLatin1String("upgrade"))
        return upgrade(options);
    return recover(options);
}

int CtlCommand::commandHelp(const QString &command)
{
    m_out << helpFor(command);
    return Done;
}

int CtlCommand::fail(int code, const QString &message, const QList<ListedCamera> &matches)
{
    if (m_json) {
        QJsonObject o{{QStringLiteral("error"), message.trimmed()}, {QStringLiteral("exitCode"), code}};
        if (!matches.isEmpty())
            o.insert(QStringLiteral("matches"), camerasJson(matches));
        m_out << QJsonDocument(o).toJson();
        return code;
    }
    m_err << "lensdeskctl: " << message.trimmed() << '\n';
    for (const ListedCamera &camera : matches)
        m_err << "  " << camera.number << "  " << camera.name << "  " << camera.path << '\n';
    return code;
}

int CtlCommand::productLine() const
{
    // The manufacturer the installation is configured for, as the window reads it.
    return SettingsStore().value(QStringLiteral("/product_model/main")).toInt();
}

void CtlCommand::printCameraTable(const QList<ListedCamera> &cameras)
{
    m_out << pad(QStringLiteral("#"), 4) << pad(QStringLiteral("STATE"), 22) << pad(QStringLiteral("MODEL"), 7)
          << pad(QStringLiteral("FIRMWARE"), 10) << pad(QStringLiteral("NAME"), 24) << "PATH\n";
    for (const ListedCamera &camera : cameras) {
        m_out << pad(QString::number(camera.number), 4) << pad(camera.stateText(), 22)
              << pad(camera.isNormal() ? QString::number(camera.model) : QStringLiteral("-"), 7)
              << pad(camera.isNormal() && !camera.firmware.isEmpty() ? camera.firmware : QStringLiteral("-"), 10)
              << pad(camera.name, 24) << camera.path << '\n';
    }
}

int CtlCommand::list()
{
    const QList<ListedCamera> cameras = CameraInventory(productLine()).scan();
    if (m_json) {
        m_out << QJsonDocument(QJsonObject{{QStringLiteral("cameras"), camerasJson(cameras)}}).toJson();
        return Done;
    }
    if (cameras.isEmpty()) {
        m_out << "No supported camera is plugged in.\n";
        return Done;
    }
    printCameraTable(cameras);
    return Done;
}

int CtlCommand::chooseCamera(const QString &selector, ListedCamera *camera)
{
    const QList<ListedCamera> cameras = CameraInventory(productLine()).scan();
    QList<ListedCamera> matches;
    if (selector.isEmpty()) {
        for (const ListedCamera &c : cameras) {
            if (c.isNormal())
                matches << c;
        }
        if (matches.isEmpty())
            return fail(NoCamera, QStringLiteral("no supported camera is plugged in"));
        if (matches.size() > 1)
            return fail(BadUsage, QStringLiteral("several cameras are plugged in; choose one with --camera"), matches);
        *camera = matches.first();
        return Done;
    }
    switch (CameraInventory::select(cameras, selector, &matches)) {
    case CameraInventory::NoMatch:
        return fail(NoCamera, QStringLiteral("no camera matches \"%1\"").arg(selector));
    case CameraInventory::Ambiguous:
        return fail(BadUsage, QStringLiteral("\"%1\" fits several cameras; choose one of them").arg(selector), matches);
    case CameraInventory::Selected:
        break;
    }
    *camera = matches.first();
    if (!camera->isNormal())
        return fail(Failed, QStringLiteral("camera %1 is %2; bring it back with lensdeskctl recover PACKAGE")
                                .arg(camera->describe(), camera->stateText()));
    return Done;
}

int CtlCommand::get(const Options &options)
{
    for (const QString &name : options.positional) {
        if (!CameraSession::isSetting(name))
            return fail(BadUsage, QStringLiteral("unknown setting \"%1\"; the settings are: %2")
                                      .arg(name, CameraSession::settingNames().join(QStringLiteral(", "))));
    }
    ListedCamera camera;
    if (const int code = chooseCamera(options.camera, &camera))
        return code;
    CameraSession session(productLine());
    QString error;
    if (!session.open(camera, &error))
        return fail(Failed, error);

    QJsonObject values;
    QJsonArray errors;
    QStringList names = options.positional.isEmpty() ? session.availableNames() : options.positional;
    for (const QString &name : qAsConst(names)) {
        const QString missing = session.missingReason(name);
        QJsonValue value;
        if (!missing.isEmpty())
            errors.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("message"), missing}});
        else if (session.read(name, &value))
            values.insert(name, value);
        else
            errors.append(QJsonObject{{QStringLiteral("name"), name},
                                      {QStringLiteral("message"), QStringLiteral("%1: %2").arg(name, notices::settingTimeout())}});
    }
    if (m_json) {
        QJsonObject o{{QStringLiteral("camera"), camera.toJson()}, {QStringLiteral("settings"), values}};
        if (!errors.isEmpty())
            o.insert(QStringLiteral("errors"), errors);
        m_out << QJsonDocument(o).toJson();
    } else {
        for (const QString &name : qAsConst(names)) {
            if (values.contains(name))
                m_out << name << '=' << CameraSession::valueText(values.value(name)) << '\n';
        }
        for (const QJsonValue &e : qAsConst(errors))
            m_err << "lensdeskctl: " << e.toObject().value(QStringLiteral("message")).toString() << '\n';
    }
    return errors.isEmpty() ? Done : Failed;
}

namespace {

struct Step
{
    QString name;
    QJsonValue value;
};

// Stable, so that settings of one rank go in the order given.
void sortSteps(QList<Step> &steps)
{
    std::stable_sort(steps.begin(), steps.end(), [](const Step &a, const Step &b) {
        return CameraSession::writeRank(a.name, a.value) < CameraSession::writeRank(b.name, b.value);
    });
}

QJsonObject outcomeJson(const CameraSession::Outcome &o)
{
    QJsonObject j{{QStringLiteral("name"), o.name}, {QStringLiteral("status"), o.statusText()}};
    if (!o.value.isUndefined() && !o.value.isNull())
        j.insert(QStringLiteral("value"), o.value);
    if (!o.message.isEmpty())
        j.insert(QStringLiteral("message"), o.message);
    return j;
}

} // namespace

int CtlCommand::set(const Options &options)
{
    if (options.positional.isEmpty())
        return fail(BadUsage, QStringLiteral("set needs NAME=VALUE\n") + helpFor(QStringLiteral("set")));
    QList<Step> steps;
    for (const QString &assignment : options.positional) {
        const int eq = assignment.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return fail(BadUsage, QStringLiteral("\"%1\" is no NAME=VALUE").arg(assignment));
        Step step{assignment.left(eq).trimmed(), QJsonValue(assignment.mid(eq + 1).trimmed())};
        QString error;
        if (!CameraSession::checkValue(step.name, step.value, &error))
            return fail(BadUsage, error);
        steps << step;
    }
    sortSteps(steps);

    ListedCamera camera;
    if (const int code = chooseCamera(options.camera, &camera))
        return code;
    CameraSession session(productLine());
    QString error;
    if (!session.open(camera, &error))
        return fail(Failed, error);

    QJsonArray results;
    bool allDone = true;
    for (const Step &step : qAsConst(steps)) {
        const CameraSession::Outcome o = session.write(step.name, step.value);
        results.append(outcomeJson(o));
        allDone = allDone && o.status == CameraSession::Outcome::Done;
        if (m_json)
            continue;
        if (o.status == CameraSession::Outcome::Done) {
            m_out << o.name << '=' << CameraSession::valueText(o.value) << '\n';
            if (!o.message.isEmpty())
                m_out << "  " << o.message << '\n';
        } else {
            m_err << "lensdeskctl: " << (o.status == CameraSession::Outcome::NotTaken ? QStringLiteral("not taken: ")
                                                                                    : QStringLiteral("refused: "))
                  << o.message << '\n';
        }
    }
    if (m_json)
        m_out << QJsonDocument(QJsonObject{{QStringLiteral("camera"), camera.toJson()},
                                           {QStringLiteral("results"), results}})
                     .toJson();
    return allDone ? Done : Failed;
}

int CtlCommand::save(const Options &options)
{
    if (options.positional.size() != 1)
        return fail(BadUsage, QStringLiteral("save needs one FILE\n") + helpFor(QStringLiteral("save")));
    ListedCamera camera;
    if (const int code = chooseCamera(options.camera, &camera))
        return code;
    CameraSession session(productLine());
    QString error;
    if (!session.open(camera, &error))
        return fail(Failed, error);
    QStringList failed;
    const QJsonObject values = session.readAll(&failed);
    const Preset preset(camera, values);
    const QString file = options.positional.first();
    if (!preset.save(file, &error))
        return fail(Failed, error);
    if (m_json) {
        QJsonObject o{{QStringLiteral("camera"), camera.toJson()},
                      {QStringLiteral("file"), QFileInfo(file).absoluteFilePath()},
                      {QStringLiteral("settings"), values}};
        if (!failed.isEmpty())
            o.insert(QStringLiteral("unread"), QJsonArray::fromStringList(failed));
        m_out << QJsonDocument(o).toJson();
    } else {
        m_out << "Saved " << values.size() << " settings of camera " << camera.describe() << " to " << file << '\n';
        if (!failed.isEmpty())
            m_err << "lensdeskctl: the camera did not answer for " << failed.join(QStringLiteral(", ")) << '\n';
    }
    return failed.isEmpty() ? Done : Failed;
}

int CtlCommand::apply(const Options &options)
{
    if (options.positional.size() != 1)
        return fail(BadUsage, QStringLiteral("apply needs one FILE\n") + helpFor(QStringLiteral("apply")));
    Preset preset;
    QString error;
    if (!preset.load(options.positional.first(), &error))
        return fail(BadUsage, error);
    ListedCamera camera;
    if (const int code = chooseCamera(options.camera, &camera))
        return code;
    CameraSession session(productLine());
    if (!session.open(camera, &error))
        return fail(Failed, error);

    QList<Step> steps;
    QJsonArray skipped;
    const QJsonObject settings = preset.settings();
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        QString why;
        if (!CameraSession::isSetting(it.key()))
            why = QStringLiteral("%1: no such setting").arg(it.key());
        else
            why = session.missingReason(it.key());
        if (!why.isEmpty()) {
            skipped.append(QJsonObject{{QStringLiteral("name"), it.key()}, {QStringLiteral("message"), why}});
            continue;
        }
        steps << Step{it.key(), it.value()};
    }
    // Values that mean nothing in the state the preset itself describes are left out, as
    // the window hides their controls then: zoom, pan, tilt and field of view while the
    // camera tracks, pan and tilt at the wide view, tracking effect and speed unless the
    // camera frames automatically, focus and white balance while automatic.
    auto presetSays = [&settings](const char *name, const char *word) {
        return settings.contains(QLatin1String(name))
            && CameraSession::valueText(settings.value(QLatin1String(name))).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    const bool tracking = settings.contains(QStringLiteral("tracking-mode")) && !presetSays("tracking-mode", "off")
        && !presetSays("tracking-mode", "0");
    const bool wide = settings.contains(QStringLiteral("zoom"))
        && settings.value(QStringLiteral("zoom")).toInt(CameraRules::kZoomWide + 1) <= CameraRules::kZoomWide;
    QList<Step> kept;
    for (const Step &step : qAsConst(steps)) {
        QString why;
        const QString &n = step.name;
        if (tracking && (n == QLatin1String("zoom") || n == QLatin1String("pan") || n == QLatin1String("tilt")
                         || n == QLatin1String("field-of-view")))
            why = QStringLiteral("%1: not applied, the preset's camera tracks by itself").arg(n);
        else if (wide && (n == QLatin1String("pan") || n == QLatin1String("tilt")))
            why = QStringLiteral("%1: not applied, the preset's zoom is the wide view").arg(n);
        else if ((n == QLatin1String("tracking-effect") || n == QLatin1String("tracking-speed"))
                 && !presetSays("tracking-mode", "auto-framing") && !presetSays("tracking-mode", "1"))
            why = QStringLiteral("%1: not applied, the preset's tracking-mode is not auto-framing").arg(n);
        else if (n == QLatin1String("focus") && presetSays("focus-auto", "on"))
            why = QStringLiteral("focus: not applied, the preset's focus is automatic");
        else if (n == QLatin1String("white-balance") && presetSays("white-balance-auto", "on"))
            why = QStringLiteral("white-balance: not applied, the preset's white balance is automatic");
        if (why.isEmpty())
            kept << step;
        else
            skipped.append(QJsonObject{{QStringLiteral("name"), n}, {QStringLiteral("message"), why}});
    }
    steps = kept;
    sortSteps(steps);

    QJsonArray results;
    bool allDone = true;
    for (const Step &step : qAsConst(steps)) {
        CameraSession::Outcome o;
        QJsonValue current;
        QString problem;
        // A value the camera holds already is left alone (a camera that restarts on a
        // change, or a pan the zoom does not allow now, is not troubled for nothing).
        if (CameraSession::checkValue(step.name, step.value, &problem) && session.read(step.name, &current)
            && CameraSession::valueText(current).compare(CameraSession::valueText(step.value), Qt::CaseInsensitive) == 0) {
            o.name = step.name;
            o.value = current;
        } else {
            o = session.write(step.name, step.value);
        }
        results.append(outcomeJson(o));
        allDone = allDone && o.status == CameraSession::Outcome::Done;
        if (m_json)
            continue;
        if (o.status == CameraSession::Outcome::Done)
            m_out << o.name << '=' << CameraSession::valueText(o.value) << '\n';
        else
            m_err << "lensdeskctl: " << (o.status == CameraSession::Outcome::NotTaken ? QStringLiteral("not taken: ")
                                                                                    : QStringLiteral("refused: "))
                  << o.message << '\n';
    }
    if (m_json) {
        m_out << QJsonDocument(QJsonObject{{QStringLiteral("camera"), camera.toJson()},
                                           {QStringLiteral("results"), results},
                                           {QStringLiteral("skipped"), skipped}})
                     .toJson();
    } else {
        for (const QJsonValue &s : qAsConst(skipped))
            m_out << "skipped: " << s.toObject().value(QStringLiteral("message")).toString() << '\n';
    }
    return allDone ? Done : Failed;
}

// ---- upgrades ---------------------------------------------------------------------------

void CtlCommand::showProgress(const QString &what, int percent)
{
    if (m_json || !m_terminal)
        return;
    const int filled = percent * kBarWidth / 100;
    m_out << '\r' << what << " [" << QString(filled, QLatin1Char('#')) << QString(kBarWidth - filled, QLatin1Char(' '))
          << "] " << QString::number(percent).rightJustified(3) << '%';
    m_out.flush();
    m_progressShown = true;
}

void CtlCommand::endProgress()
{
    if (m_progressShown)
        m_out << '\n';
    m_progressShown = false;
}

QString CtlCommand::waitForCamera(const QString &path, const QString &name)
{
    DShowCameraWrapper dshow;
    for (int waited = 0; waited < kCameraReturnWaitMs; waited += kCameraReturnPollMs) {
        platform::sleepMs(kCameraReturnPollMs);
        QList<CameraEntry> entries;
        dshow.listCaptureDevices(entries);
        for (const CameraEntry &entry : qAsConst(entries)) {
            if (entry.id == path && entry.name == name) {
                const QString version = CameraInventory::readFirmware(entry.id, entry.name);
                if (!version.isEmpty())
                    return version;
            }
        }
    }
    return QString();
}

int CtlCommand::finishUpgrades(const QJsonArray &rows)
{
    bool allDone = true;
    for (const QJsonValue &row : rows)
        allDone = allDone && row.toObject().value(QStringLiteral("status")).toString() == QLatin1String("done");
    if (m_json) {
        m_out << QJsonDocument(QJsonObject{{QStringLiteral("results"), rows}}).toJson();
        return allDone ? Done : Failed;
    }
    m_out << '\n'
          << pad(QStringLiteral("#"), 4) << pad(QStringLiteral("CAMERA"), 28) << pad(QStringLiteral("BEFORE"), 10)
          << pad(QStringLiteral("AFTER"), 10) << pad(QStringLiteral("RESULT"), 9) << "MESSAGE\n";
    for (const QJsonValue &value : rows) {
        const QJsonObject row = value.toObject();
        const QJsonObject camera = row.value(QStringLiteral("camera")).toObject();
        auto text = [](const QString &s) { return s.isEmpty() ? QStringLiteral("-") : s; };
        m_out << pad(QString::number(camera.value(QStringLiteral("index")).toInt()), 4)
              << pad(camera.value(QStringLiteral("name")).toString(), 28)
              << pad(text(row.value(QStringLiteral("firmwareBefore")).toString()), 10)
              << pad(text(row.value(QStringLiteral("firmwareAfter")).toString()), 10)
              << pad(row.value(QStringLiteral("status")).toString(), 9) << row.value(QStringLiteral("message")).toString();
        const QString detail = row.value(QStringLiteral("detail")).toString();
        if (!detail.isEmpty())
            m_out << " (" << detail << ')';
        m_out << '\n';
        if (row.contains(QStringLiteral("stateAfter"))) {
            ListedCamera left;
            left.state = row.value(QStringLiteral("stateAfter")).toString();
            const bool before = camera.value(QStringLiteral("state")).toString() != QLatin1String("normal");
            m_out << "    " << (before ? "still " : "") << left.stateText() << " as "
                  << row.value(QStringLiteral("pathAfter")).toString()
                  << "; bring it back with lensdeskctl recover PACKAGE\n";
        }
    }
    return allDone ? Done : Failed;
}

namespace {

// Unpacks and checks the package as the window does; the window's notice when it fails.
bool preparePackage(PackagePreparation &package, const QString &file, int *model, QString *notice)
{
    if (!QFileInfo(file).isFile()) {
        *notice = QStringLiteral("%1: no such package file").arg(file);
        return false;
    }
    QString toolMessage;
    switch (package.prepare(QFileInfo(file).absoluteFilePath(), *model, toolMessage)) {
    case PackagePreparation::Ready:
        qDebug() << "firmware file model:" << *model;
        return true;
    case PackagePreparation::Busy:
        *notice = plain(notices::upgradeLockHeld(package.holderProgram(), package.holderPid()));
        return false;
    case PackagePreparation::UnpackFailed:
        *notice = plain(notices::unpackFailed(toolMessage));
        return false;
    case PackagePreparation::FormatWrong:
        *notice = plain(notices::packageFormatWrong());
        return false;
    case PackagePreparation::Corrupted:
        *notice = plain(notices::packageCorrupted());
        return false;
    }
    return false;
}

QJsonObject upgradeRow(const ListedCamera &camera, const QString &status, const QString &message,
                       const QString &detail = QString(), const QString &after = QString())
{
    QJsonObject row{{QStringLiteral("camera"), camera.toJson()},
                    {QStringLiteral("status"), status},
                    {QStringLiteral("message"), message}};
    if (camera.isNormal())
        row.insert(QStringLiteral("firmwareBefore"), camera.firmware);
    if (!detail.isEmpty())
        row.insert(QStringLiteral("detail"), detail);
    if (!after.isEmpty())
        row.insert(QStringLiteral("firmwareAfter"), after);
    return row;
}

// Why a command cannot take the user's upgrade lock.
QString lockRefusal(const PackagePreparation &package)
{
    return QStringLiteral("another lensdesk is upgrading a camera (process %1); try again when it has finished")
        .arg(package.holderPid());
}

// The drives on which cameras sit in a boot state.
QSet<QChar> stuckDrives(const QList<ListedCamera> &stuck)
{
    QSet<QChar> drives;
    for (const ListedCamera &camera : stuck)
        drives.insert(camera.drive);
    return drives;
}

// Records in a failed upgrade's row where its camera was left in a boot state: the
// camera stuck on a drive that held none before, or on the one given.
void noteLeftStuck(QJsonObject *row, const QList<ListedCamera> &stuckNow, const QSet<QChar> &stuckBefore,
                   QChar drive = QChar())
{
    for (const ListedCamera &camera : stuckNow) {
        if (drive.isNull() ? stuckBefore.contains(camera.drive) : camera.drive != drive)
            continue;
        row->insert(QStringLiteral("stateAfter"), camera.state);
        row->insert(QStringLiteral("pathAfter"), camera.path);
        return;
    }
}

} // namespace

int CtlCommand::upgrade(const Options &options)
{
    if (options.positional.size() != 1)
        return fail(BadUsage, QStringLiteral("upgrade needs one PACKAGE\n") + helpFor(QStringLiteral("upgrade")));
    if (options.all && !options.camera.isEmpty())
        return fail(BadUsage, QStringLiteral("upgrade takes --camera or --all, not both"));

    // The lock, and then the package, stay until the end of the command.
    PackagePreparation package;
    if (!package.lock())
        return fail(Failed, lockRefusal(package));

    const int line = productLine();
    const QList<ListedCamera> cameras = CameraInventory(line).scan();
    // A camera stuck in a boot state is brought back first (recover), before the others
    // are upgraded.
    for (const ListedCamera &camera : cameras) {
        if (!camera.isNormal())
            return fail(Failed, QStringLiteral("camera %1 is %2; recover it first with lensdeskctl recover PACKAGE")
                                    .arg(camera.describe(), camera.stateText()));
    }
    QList<ListedCamera> targets;
    if (options.all) {
        targets = cameras;
        if (targets.isEmpty())
            return fail(NoCamera, QStringLiteral("no supported camera is plugged in"));
    } else {
        ListedCamera camera;
        if (const int code = chooseCamera(options.camera, &camera))
            return code;
        targets << camera;
    }

    int model = 0;
    QString notice;
    if (!preparePackage(package, options.positional.first(), &model, &notice))
        return fail(Failed, notice);

    QJsonArray rows;
    for (const ListedCamera &camera : qAsConst(targets)) {
        if (camera.model != model) {
            rows.append(upgradeRow(camera, QStringLiteral("refused"), plain(notices::packageModelMismatch()),
                                   QStringLiteral("package model %1, camera model %2").arg(model).arg(camera.model)));
            continue;
        }
        CameraSession session(line);
        QString error;
        if (!session.open(camera, &error)) {
            rows.append(upgradeRow(camera, QStringLiteral("failed"), plain(notices::upgradeFailed()), error));
            continue;
        }
        const QString what = QStringLiteral("%1 %2").arg(camera.number).arg(camera.name);
        if (!m_json && !m_terminal)
            m_out << "Upgrading " << camera.describe() << " from firmware " << camera.firmware << '\n';
        m_out.flush();
        // A camera an earlier upgrade left stuck is no business of this one.
        const QSet<QChar> stuckBefore = stuckDrives(CameraInventory(line).scanBootStates());
        UpgradeRunner runner(line);
        runner.setPackageFolder(package.folder());
        const UpgradeRunner::Result result =
            runner.run(&session.extensionUnit(), [this, &what](int percent) { showProgress(what, percent); });
        session.close();
        if (result.ok)
            showProgress(what, 100);
        endProgress();
        if (!result.ok) {
            QJsonObject row = upgradeRow(camera, QStringLiteral("failed"), plain(notices::upgradeFailed()), result.detail);
            noteLeftStuck(&row, CameraInventory(line).scanBootStates(), stuckBefore);
            rows.append(row);
        } else {
            const QString after = waitForCamera(camera.path, camera.name);
            rows.append(upgradeRow(camera, QStringLiteral("done"), plain(notices::upgradeDone()),
                                   after.isEmpty() ? QStringLiteral("the camera has not come back yet") : QString(),
                                   after));
        }
        if (!m_json && !m_terminal)
            m_out << "Camera " << camera.number << ": " << rows.last().toObject().value(QStringLiteral("status")).toString()
                  << '\n';
    }
    return finishUpgrades(rows);
}

int CtlCommand::recover(const Options &options)
{
    if (options.positional.size() != 1)
        return fail(BadUsage, QStringLiteral("recover needs one PACKAGE\n") + helpFor(QStringLiteral("recover")));
    PackagePreparation package;
    if (!package.lock())
        return fail(Failed, lockRefusal(package));
    const int line = productLine();
    const QList<ListedCamera> stuck = CameraInventory(line).scanBootStates();
    if (stuck.isEmpty())
        return fail(NoCamera, QStringLiteral("no camera is stuck in a boot state"));

    int model = 0;
    QString notice;
    if (!preparePackage(package, options.positional.first(), &model, &notice))
        return fail(Failed, notice);

    QJsonArray rows;
    for (const ListedCamera &camera : stuck) {
        // Where the camera names its product in its boot state, its model is known.
        const bool modelKnown = camera.model != kUnknownModel;
        if (modelKnown && camera.model != model) {
            QJsonObject row = upgradeRow(camera, QStringLiteral("refused"), plain(notices::packageModelMismatch()),
                                         QStringLiteral("package model %1, camera model %2").arg(model).arg(camera.model));
            row.insert(QStringLiteral("modelChecked"), true);
            rows.append(row);
            continue;
        }
        QString warning;
        if (!modelKnown) {
            warning = QStringLiteral("the camera on %1: does not tell its model in its boot state; whether the package "
                                     "(model %2) fits it cannot be checked")
                          .arg(camera.drive)
                          .arg(model);
            qWarning().noquote() << warning;
            if (!m_json)
                m_err << "lensdeskctl: warning: " << warning << '\n';
            m_err.flush();
        }
        auto finishRow = [&warning, modelKnown](QJsonObject row) {
            row.insert(QStringLiteral("modelChecked"), modelKnown);
            if (!warning.isEmpty())
                row.insert(QStringLiteral("warning"), warning);
            return row;
        };
        QList<ListedCamera> before;
        for (const ListedCamera &c : CameraInventory(line).scan()) {
            if (c.isNormal())
                before << c;
        }
        const QString what = QStringLiteral("%1 %2").arg(camera.number).arg(camera.name);
        if (!m_json && !m_terminal)
            m_out << "Recovering the " << camera.name << ", " << camera.stateText() << '\n';
        m_out.flush();
        qInfo("Enter the upgrade process of the camera in an abnormal state.");
        UpgradeRunner runner(line);
        runner.recoverDrive(camera.drive);
        runner.setPackageFolder(package.folder());
        const UpgradeRunner::Result result = runner.run(nullptr, [this, &what](int p) { showProgress(what, p); });
        if (result.ok)
            showProgress(what, 100);
        endProgress();
        if (!result.ok) {
            QJsonObject row = upgradeRow(camera, QStringLiteral("failed"), plain(notices::upgradeFailed()), result.detail);
            noteLeftStuck(&row, CameraInventory(line).scanBootStates(), {}, camera.drive);
            rows.append(finishRow(row));
            continue;
        }
        // The camera comes back as a camera once it has initialised: the one not listed before.
        QString after;
        QString back;
        for (int waited = 0; waited < kCameraReturnWaitMs && after.isEmpty(); waited += kCameraReturnPollMs) {
            platform::sleepMs(kCameraReturnPollMs);
            for (const ListedCamera &c : CameraInventory(line).scan()) {
                const bool known = std::any_of(before.begin(), before.end(),
                                               [&c](const ListedCamera &b) { return b.path == c.path; });
                if (c.isNormal() && !known && !c.firmware.isEmpty()) {
                    after = c.firmware;
                    back = QStringLiteral("back as %1 (%2)").arg(c.name, c.path);
                }
            }
        }
        rows.append(finishRow(upgradeRow(camera, QStringLiteral("done"), plain(notices::upgradeDone()),
                                         back.isEmpty() ? QStringLiteral("the camera has not come back yet") : back,
                                         after)));
    }
    return finishUpgrades(rows);
}
