#include "ctl/CtlCommand.h"

#include "core/NoticeTexts.h"
#include "core/SettingsStore.h"
#include "core/Startup.h"
#include "camera/CameraRules.h"
#include "camera/PresetMotion.h"
#include "camera/PresetStore.h"
#include "ctl/CameraSession.h"
#include "ctl/CtlPresetCommands.h"
#include "ctl/CtlUpgradeCommands.h"
#include "ctl/Preset.h"
#include "upgrade/CameraInventory.h"

#include <QDebug>
#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>
#include <memory>

CtlCommand::CtlCommand(QTextStream &out, QTextStream &err, bool terminal)
    : m_out(out)
    , m_err(err)
    , m_terminal(terminal)
    , m_output(out, err, terminal)
{
}

int CtlCommand::run(const QStringList &arguments)
{
    CtlArguments options;
    QString error;
    if (arguments.contains(QStringLiteral("--version"))) {
        m_out << "lensdeskctl " << applicationVersion() << '\n';
        return Done;
    }
    const bool parsed = options.parseArguments(arguments, &error);
    m_output.setJson(options.json);
    if (!parsed)
        return fail(BadUsage, error + QStringLiteral("\n") + usage());
    if (options.command.isEmpty()) {
        if (options.help) {
            m_out << usage();
            return Done;
        }
        return fail(BadUsage, QStringLiteral("no command given\n") + usage());
    }
    if (!CtlArguments::isCommand(options.command))
        return fail(BadUsage, QStringLiteral("unknown command \"%1\"\n").arg(options.command) + usage());
    if (options.help) {
        m_out << CtlArguments::helpFor(options.command);
        return Done;
    }
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
        return commandList();
    }
    if (c == QLatin1String("get"))
        return commandGet(options);
    if (c == QLatin1String("set"))
        return commandSet(options);
    if (c == QLatin1String("save"))
        return commandSave(options);
    if (c == QLatin1String("apply"))
        return commandApply(options);
    if (c == QLatin1String("preset"))
        return commandPreset(options);
    return commandUpgrade(options, c == QLatin1String("recover"));
}

int CtlCommand::commandPreset(const CtlArguments &options)
{
    CtlPresetCommands commands(m_output, m_out, m_err, productLine(), [this](const QString &selector, ListedCamera *camera) {
        return chooseCamera(selector, camera);
    });
    return commands.preset(options);
}

int CtlCommand::commandUpgrade(const CtlArguments &options, bool recovery)
{
    CtlUpgradeCommands commands(m_output, m_out, m_err, m_terminal, productLine(),
                                [this](const QString &selector, ListedCamera *camera) {
                                    return chooseCamera(selector, camera);
                                });
    return recovery ? commands.recover(options) : commands.upgrade(options);
}

int CtlCommand::productLine() const
{
    // The manufacturer the installation is configured for, as the window reads it.
    return SettingsStore().value(QStringLiteral("/product_model/main")).toInt();
}

int CtlCommand::commandList()
{
    const QList<ListedCamera> cameras = CameraInventory(productLine()).scan();
    if (json()) {
        m_out << QJsonDocument(QJsonObject{{QStringLiteral("cameras"), CtlOutput::camerasJson(cameras)}}).toJson();
        return Done;
    }
    if (cameras.isEmpty()) {
        m_out << "No supported camera is plugged in.\n";
        return Done;
    }
    m_output.cameraTable(cameras);
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

int CtlCommand::commandGet(const CtlArguments &options)
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
    if (!session.openCamera(camera, &error))
        return fail(Failed, error);

    QJsonObject values;
    QJsonArray errors;
    QStringList names = options.positional.isEmpty() ? session.availableNames() : options.positional;
    for (const QString &name : qAsConst(names)) {
        const QString missing = session.missingReason(name);
        QJsonValue value;
        if (!missing.isEmpty())
            errors.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("message"), missing}});
        else if (session.readSetting(name, &value))
            values.insert(name, value);
        else
            errors.append(QJsonObject{{QStringLiteral("name"), name},
                                      {QStringLiteral("message"), QStringLiteral("%1: %2").arg(name, notices::settingTimeout())}});
    }
    if (json()) {
        QJsonObject o{{QStringLiteral("camera"), camera.toJsonObject()}, {QStringLiteral("settings"), values}};
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

int CtlCommand::commandSet(const CtlArguments &options)
{
    if (options.positional.isEmpty())
        return fail(BadUsage, QStringLiteral("set needs NAME=VALUE\n") + CtlArguments::helpFor(QStringLiteral("set")));
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
    if (!session.openCamera(camera, &error))
        return fail(Failed, error);

    QJsonArray results;
    bool allDone = true;
    for (const Step &step : qAsConst(steps)) {
        const CameraSession::Outcome o = session.writeSetting(step.name, step.value);
        results.append(outcomeJson(o));
        allDone = allDone && o.status == CameraSession::Outcome::Done;
        if (json())
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
    if (json())
        m_out << QJsonDocument(QJsonObject{{QStringLiteral("camera"), camera.toJsonObject()},
                                           {QStringLiteral("results"), results}})
                     .toJson();
    return allDone ? Done : Failed;
}

int CtlCommand::commandSave(const CtlArguments &options)
{
    if (options.positional.size() != 1)
        return fail(BadUsage, QStringLiteral("save needs one FILE\n") + CtlArguments::helpFor(QStringLiteral("save")));
    ListedCamera camera;
    if (const int code = chooseCamera(options.camera, &camera))
        return code;
    CameraSession session(productLine());
    QString error;
    if (!session.openCamera(camera, &error))
        return fail(Failed, error);
    QStringList failed;
    const QJsonObject values = session.readAllSettings(&failed);
    SettingsStore settings;
    const QMap<int, PositionPreset> positions =
        PresetStore(settings).all(PresetStore::cameraKey(camera.serial, camera.path));
    const Preset preset(camera, values, positions);
    const QString file = options.positional.first();
    if (!preset.save(file, &error))
        return fail(Failed, error);
    if (json()) {
        QJsonObject o{{QStringLiteral("camera"), camera.toJsonObject()},
                      {QStringLiteral("file"), QFileInfo(file).absoluteFilePath()},
                      {QStringLiteral("settings"), values}};
        if (!failed.isEmpty())
            o.insert(QStringLiteral("unread"), QJsonArray::fromStringList(failed));
        if (!positions.isEmpty())
            o.insert(QStringLiteral("presets"), Preset::positionsJson(positions));
        m_out << QJsonDocument(o).toJson();
    } else {
        m_out << "Saved " << values.size() << " settings ";
        if (!positions.isEmpty())
            m_out << "and " << positions.size() << (positions.size() == 1 ? " position preset " : " position presets ");
        m_out << "of camera " << camera.describe() << " to " << file << '\n';
        if (!failed.isEmpty())
            m_err << "lensdeskctl: the camera did not answer for " << failed.join(QStringLiteral(", ")) << '\n';
    }
    return failed.isEmpty() ? Done : Failed;
}

int CtlCommand::commandApply(const CtlArguments &options)
{
    if (options.positional.size() != 1)
        return fail(BadUsage, QStringLiteral("apply needs one FILE\n") + CtlArguments::helpFor(QStringLiteral("apply")));
    Preset preset;
    QString error;
    if (!preset.readFile(options.positional.first(), &error))
        return fail(BadUsage, error);
    ListedCamera camera;
    if (const int code = chooseCamera(options.camera, &camera))
        return code;
    CameraSession session(productLine());
    if (!session.openCamera(camera, &error))
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
        if (CameraSession::checkValue(step.name, step.value, &problem) && session.readSetting(step.name, &current)
            && CameraSession::valueText(current).compare(CameraSession::valueText(step.value), Qt::CaseInsensitive) == 0) {
            o.name = step.name;
            o.value = current;
        } else {
            o = session.writeSetting(step.name, step.value);
        }
        results.append(outcomeJson(o));
        allDone = allDone && o.status == CameraSession::Outcome::Done;
        if (json())
            continue;
        if (o.status == CameraSession::Outcome::Done)
            m_out << o.name << '=' << CameraSession::valueText(o.value) << '\n';
        else
            m_err << "lensdeskctl: " << (o.status == CameraSession::Outcome::NotTaken ? QStringLiteral("not taken: ")
                                                                                    : QStringLiteral("refused: "))
                  << o.message << '\n';
    }

    // The position presets are this camera's from now on (a model that does not move
    // has no use for them).
    const QMap<int, PositionPreset> positions = preset.positions();
    QMap<int, PositionPreset> stored;
    if (!positions.isEmpty() && !hasPresetMotion(session.device())) {
        skipped.append(QJsonObject{{QStringLiteral("name"), QStringLiteral("presets")},
                                   {QStringLiteral("message"),
                                    QStringLiteral("presets: camera %1 (model %2) has no pan, tilt or zoom")
                                        .arg(camera.describe())
                                        .arg(camera.model)}});
    } else if (!positions.isEmpty()) {
        SettingsStore settings;
        PresetStore store(settings);
        const QString key = PresetStore::cameraKey(camera.serial, camera.path);
        for (auto it = positions.begin(); it != positions.end(); ++it)
            store.store(key, it.key(), it.value());
        stored = positions;
    }

    if (json()) {
        QJsonObject o{{QStringLiteral("camera"), camera.toJsonObject()},
                      {QStringLiteral("results"), results},
                      {QStringLiteral("skipped"), skipped}};
        if (!stored.isEmpty())
            o.insert(QStringLiteral("presets"), Preset::positionsJson(stored));
        m_out << QJsonDocument(o).toJson();
    } else {
        for (auto it = stored.begin(); it != stored.end(); ++it)
            m_out << "preset " << it.key() << " stored: " << Preset::positionText(it.value()) << '\n';
        for (const QJsonValue &s : qAsConst(skipped))
            m_out << "skipped: " << s.toObject().value(QStringLiteral("message")).toString() << '\n';
    }
    return allDone ? Done : Failed;
}

