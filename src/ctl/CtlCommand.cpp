#include "ctl/CtlCommand.h"

#include "camera/FactoryReset.h"
#include "catalogue/Catalogue.h"
#include "core/NoticeTexts.h"
#include "core/SettingsStore.h"
#include "core/Startup.h"
#include "ctl/CameraSession.h"
#include "ctl/CtlPresetCommands.h"
#include "ctl/CtlSaveApplyCommands.h"
#include "ctl/CtlServeCommand.h"
#include "ctl/CtlUpgradeCommands.h"
#include "upgrade/CameraInventory.h"

#include <QDebug>
#include <QJsonDocument>

CtlCommand::CtlCommand(QTextStream &out, QTextStream &err, bool terminal, QTextStream *in)
    : m_out(out)
    , m_err(err)
    , m_in(in)
    , m_terminal(terminal)
    , m_output(out, err, terminal)
{
}

int CtlCommand::run(const QStringList &arguments)
{
    CtlArguments options;
    QString error;
    const bool parsed = options.parseArguments(arguments, &error);
    m_output.setJson(options.json);
    if (CtlArguments::isCommand(options.command))
        m_output.setCommand(options.command);
    if (options.version) {
        if (json())
            return m_output.json(QJsonObject{{QStringLiteral("version"), applicationVersion()}}, Done);
        m_out << "lensdeskctl " << applicationVersion() << '\n';
        return Done;
    }
    if (!parsed)
        return m_output.usageError(error);
    if (options.help && (options.command.isEmpty() || CtlArguments::isCommand(options.command))) {
        const QString text = options.command.isEmpty() ? usage() : CtlArguments::helpFor(options.command);
        if (json())
            return m_output.json(QJsonObject{{QStringLiteral("help"), text}}, Done);
        m_out << text;
        return Done;
    }
    if (options.command.isEmpty())
        return m_output.usageError(QStringLiteral("no command given"));
    if (!CtlArguments::isCommand(options.command))
        return m_output.usageError(QStringLiteral("unknown command \"%1\"").arg(options.command));
    const QString unwanted = options.unwantedOption();
    if (!unwanted.isEmpty())
        return m_output.usageError(QStringLiteral("%1 takes no %2").arg(options.command, unwanted));
    if (options.all && !options.camera.isEmpty())
        return m_output.usageError(QStringLiteral("%1 takes --camera or --all, not both").arg(options.command));
    m_manufacturer = options.manufacturer;

    qInfo().noquote() << "lensdeskctl" << arguments.join(QLatin1Char(' '));
    // One line per command.
    const QString &c = options.command;
    if (c == QLatin1String("list")) {
        if (!options.positional.isEmpty())
            return m_output.usageError(QStringLiteral("list takes no arguments"));
        return commandList();
    }
    if (c == QLatin1String("get"))
        return commandGet(options);
    if (c == QLatin1String("set"))
        return commandSet(options);
    if (c == QLatin1String("save") || c == QLatin1String("apply"))
        return commandSaveApply(options);
    if (c == QLatin1String("preset"))
        return commandPreset(options);
    if (c == QLatin1String("factory-reset"))
        return commandFactoryReset(options);
    if (c == QLatin1String("upgrade") || c == QLatin1String("recover") || c == QLatin1String("package-info"))
        return commandUpgrade(options);
    if (c == QLatin1String("serve")) {
        CtlServeCommand serve(m_output, m_out, m_err, productLine(),
                              [this](const QString &selector, ListedCamera *camera) {
                                  return chooseCamera(selector, camera);
                              });
        return serve.serve(options);
    }
    if (c == QLatin1String("__complete"))
        return commandComplete(options);
    return m_output.usageError(QStringLiteral("unknown command \"%1\"").arg(c));
}

int CtlCommand::commandSaveApply(const CtlArguments &options)
{
    CtlSaveApplyCommands commands(m_output, productLine(), m_in,
                                  [this](const QString &selector, ListedCamera *camera) {
                                      return chooseCamera(selector, camera);
                                  });
    return options.command == QLatin1String("save") ? commands.save(options) : commands.apply(options);
}

int CtlCommand::commandPreset(const CtlArguments &options)
{
    CtlPresetCommands commands(m_output, m_out, m_err, productLine(), [this](const QString &selector, ListedCamera *camera) {
        return chooseCamera(selector, camera);
    });
    return commands.preset(options);
}

int CtlCommand::commandUpgrade(const CtlArguments &options)
{
    CtlUpgradeCommands commands(m_output, m_out, m_err, m_terminal, productLine(),
                                [this](const QString &selector, ListedCamera *camera) {
                                    return chooseCamera(selector, camera);
                                });
    if (options.command == QLatin1String("package-info"))
        return commands.packageInfo(options);
    return options.command == QLatin1String("recover") ? commands.recover(options) : commands.upgrade(options);
}

int CtlCommand::productLine() const
{
    if (m_manufacturer >= 0)
        return m_manufacturer;
    // The manufacturer the installation is configured for, as the window reads it.
    return SettingsStore().value(QStringLiteral("/product_model/main")).toInt();
}

QString CtlCommand::hiddenNote() const
{
    const QMap<int, int> hidden = CameraInventory(productLine()).hiddenByManufacturer();
    QStringList parts;
    QStringList options;
    int count = 0;
    for (auto it = hidden.begin(); it != hidden.end(); ++it) {
        count += it.value();
        const QString maker = QStringLiteral("manufacturer %1 (%2)").arg(it.key()).arg(manufacturerLookup(it.key()).name);
        parts << (hidden.size() == 1 ? maker : QStringLiteral("%1 of %2").arg(it.value()).arg(maker));
        options << QStringLiteral("--manufacturer %1").arg(it.key());
    }
    if (count == 0)
        return QString();
    const QString cameras = count == 1 ? QStringLiteral("1 camera") : QStringLiteral("%1 cameras").arg(count);
    const QString which = hidden.size() == 1 ? QStringLiteral("of ") + parts.first()
                                             : QStringLiteral("of other manufacturers (%1)").arg(parts.join(QStringLiteral(", ")));
    const QString listed = m_manufacturer >= 0
        ? QStringLiteral("this run lists manufacturer %1 (--manufacturer)").arg(m_manufacturer)
        : QStringLiteral("this installation lists manufacturer %1 (/product_model/main in product.ini)").arg(productLine());
    return QStringLiteral("%1 %2 %3 not listed: %4; %5 %6")
        .arg(cameras, which, count == 1 ? QStringLiteral("is") : QStringLiteral("are"), listed)
        .arg(options.join(QStringLiteral(" or ")), count == 1 ? QStringLiteral("lists it") : QStringLiteral("lists them"));
}

int CtlCommand::commandList()
{
    const QList<ListedCamera> cameras = CameraInventory(productLine()).scan();
    const QMap<int, int> hidden = CameraInventory(productLine()).hiddenByManufacturer();
    const int code = cameras.isEmpty() ? NoCamera : Done;
    const QString none = QStringLiteral("no supported camera is plugged in");
    if (json()) {
        QJsonArray hiddenJson;
        for (auto it = hidden.begin(); it != hidden.end(); ++it)
            hiddenJson.append(QJsonObject{{QStringLiteral("manufacturer"), it.key()},
                                          {QStringLiteral("name"), manufacturerLookup(it.key()).name},
                                          {QStringLiteral("count"), it.value()}});
        QJsonObject o{{QStringLiteral("manufacturer"), productLine()},
                      {QStringLiteral("cameras"), CtlOutput::camerasJson(cameras)},
                      {QStringLiteral("hidden"), hiddenJson}};
        if (cameras.isEmpty())
            o.insert(QStringLiteral("error"), none);
        return m_output.json(o, code);
    }
    if (cameras.isEmpty())
        m_err << "lensdeskctl: " << none << '\n';
    else
        m_output.cameraTable(cameras);
    const QString note = hiddenNote();
    if (!note.isEmpty())
        m_err << "lensdeskctl: note: " << note << '\n';
    return code;
}

int CtlCommand::chooseCamera(const QString &selector, ListedCamera *camera)
{
    const QList<ListedCamera> cameras = CameraInventory(productLine()).scan();
    QList<ListedCamera> matches;
    const auto stuckRefusal = [this](const ListedCamera &c) {
        return fail(Failed, QStringLiteral("camera %1 is %2; bring it back with lensdeskctl recover PACKAGE")
                                .arg(c.describe(), c.stateText()));
    };
    if (selector.isEmpty()) {
        for (const ListedCamera &c : cameras) {
            if (c.isNormal())
                matches << c;
        }
        if (matches.isEmpty() && cameras.size() == 1)
            return stuckRefusal(cameras.first());
        if (matches.isEmpty() && !cameras.isEmpty())
            return fail(Failed, QStringLiteral("every camera plugged in is stuck in a boot state; bring them back "
                                               "with lensdeskctl recover PACKAGE"),
                        cameras);
        if (matches.isEmpty()) {
            const QString note = hiddenNote();
            return fail(NoCamera, QStringLiteral("no supported camera is plugged in")
                                      + (note.isEmpty() ? QString() : QStringLiteral("; ") + note));
        }
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
        return stuckRefusal(*camera);
    return Done;
}

int CtlCommand::commandGet(const CtlArguments &options)
{
    for (const QString &name : options.positional) {
        if (!CameraSession::isSetting(name))
            return m_output.usageError(QStringLiteral("unknown setting \"%1\"; the settings are: %2")
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
    QJsonObject details;
    QJsonArray errors;
    const QStringList names = options.positional.isEmpty() ? session.availableNames() : options.positional;
    for (const QString &name : names) {
        const QString missing = session.missingReason(name);
        QJsonValue value;
        if (!missing.isEmpty()) {
            errors.append(QJsonObject{{QStringLiteral("name"), name},
                                      {QStringLiteral("reason"), QStringLiteral("missing")},
                                      {QStringLiteral("message"), missing}});
        } else if (session.readSetting(name, &value)) {
            values.insert(name, value);
            QJsonObject d = session.describe(name);
            d.insert(QStringLiteral("value"), value);
            details.insert(name, d);
        } else {
            errors.append(session.readFailure(name));
        }
    }
    const int code = errors.isEmpty() ? Done : Failed;
    if (json())
        return m_output.json(QJsonObject{{QStringLiteral("camera"), camera.toJsonObject()},
                                         {QStringLiteral("settings"), values},
                                         {QStringLiteral("details"), details},
                                         {QStringLiteral("errors"), errors}},
                             code);
    if (options.longForm) {
        QList<QStringList> rows{{QStringLiteral("NAME"), QStringLiteral("VALUE"), QStringLiteral("RANGE"),
                                 QStringLiteral("STEP"), QStringLiteral("DEFAULT")}};
        for (const QString &name : names) {
            if (!values.contains(name))
                continue;
            const QJsonObject d = details.value(name).toObject();
            const bool range = d.value(QStringLiteral("kind")).toString() == QLatin1String("range");
            QStringList words;
            for (const QJsonValue &w : d.value(QStringLiteral("values")).toArray())
                words << w.toString();
            rows << QStringList{name, CameraSession::valueText(values.value(name)),
                                range ? QStringLiteral("%1..%2")
                                            .arg(d.value(QStringLiteral("min")).toInt())
                                            .arg(d.value(QStringLiteral("max")).toInt())
                                      : words.join(QLatin1Char('|')),
                                range ? QString::number(d.value(QStringLiteral("step")).toInt()) : QStringLiteral("-"),
                                range ? QString::number(d.value(QStringLiteral("default")).toInt())
                                      : QStringLiteral("-")};
        }
        QVector<int> widths(5, 0);
        for (const QStringList &row : rows) {
            for (int i = 0; i < row.size(); ++i)
                widths[i] = std::max(widths.at(i), int(row.at(i).size()));
        }
        for (const QStringList &row : rows) {
            QString line;
            for (int i = 0; i < row.size(); ++i)
                line += i + 1 < row.size() ? CtlOutput::pad(row.at(i), widths.at(i) + 2) : row.at(i);
            m_out << line << '\n';
        }
    } else {
        for (const QString &name : names) {
            if (values.contains(name))
                m_out << name << '=' << CameraSession::valueText(values.value(name)) << '\n';
        }
    }
    for (const QJsonValue &e : qAsConst(errors))
        m_err << "lensdeskctl: " << e.toObject().value(QStringLiteral("message")).toString() << '\n';
    return code;
}

int CtlCommand::commandSet(const CtlArguments &options)
{
    if (options.positional.isEmpty())
        return m_output.usageError(QStringLiteral("set needs NAME=VALUE"));
    QList<CameraSession::Step> steps;
    for (const QString &assignment : options.positional) {
        const int eq = assignment.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return m_output.usageError(QStringLiteral("\"%1\" is no NAME=VALUE").arg(assignment));
        CameraSession::Step step{assignment.left(eq).trimmed(), QJsonValue(assignment.mid(eq + 1).trimmed())};
        QString error;
        if (!CameraSession::checkValue(step.name, step.value, &error))
            return m_output.usageError(error);
        steps << step;
    }
    CameraSession::sortSteps(steps);

    ListedCamera camera;
    if (const int code = chooseCamera(options.camera, &camera))
        return code;
    CameraSession session(productLine());
    QString error;
    if (!session.openCamera(camera, &error))
        return fail(Failed, error);

    QJsonArray results;
    bool allDone = true;
    for (const CameraSession::Step &step : qAsConst(steps)) {
        const CameraSession::Outcome o = session.writeSetting(step.name, step.value);
        results.append(o.toJson());
        allDone = allDone && o.status == CameraSession::Outcome::Done;
        if (json())
            continue;
        if (o.status == CameraSession::Outcome::Done) {
            m_out << o.name << '=' << CameraSession::valueText(o.value) << '\n';
            if (!o.message.isEmpty())
                m_out << "  " << o.message << '\n';
        } else {
            m_err << "lensdeskctl: " << QString(o.statusText()).replace(QLatin1Char('-'), QLatin1Char(' ')) << ": "
                  << o.message << '\n';
        }
    }
    const int code = allDone ? Done : Failed;
    if (json())
        return m_output.json(QJsonObject{{QStringLiteral("camera"), camera.toJsonObject()},
                                         {QStringLiteral("results"), results}},
                             code);
    return code;
}

int CtlCommand::commandFactoryReset(const CtlArguments &options)
{
    if (!options.positional.isEmpty())
        return m_output.usageError(QStringLiteral("factory-reset takes no arguments"));
    ListedCamera camera;
    if (const int code = chooseCamera(options.camera, &camera))
        return code;
    const bool preReset = FactoryReset::needsPreReset(camera.model, camera.firmware);
    QJsonObject result{{QStringLiteral("camera"), camera.toJsonObject()},
                       {QStringLiteral("dryRun"), options.dryRun},
                       {QStringLiteral("preReset"), preReset}};
    const auto report = [&](const QString &status, const QString &message, int code) {
        result.insert(QStringLiteral("status"), status);
        result.insert(QStringLiteral("message"), message);
        if (json())
            return m_output.json(result, code);
        (code == Done ? m_out : m_err) << (code == Done ? "" : "lensdeskctl: ") << message << '\n';
        return code;
    };
    const QString steps = QStringLiteral(" (first pan 0, tilt 0, zoom 100, 50 Hz and microphone on, as model 13 on "
                                         "firmware 1.0.22 needs)");
    if (options.dryRun)
        return report(QStringLiteral("planned"),
                      QStringLiteral("Would restore the factory settings of camera %1%2. Dry run: nothing was sent.")
                          .arg(camera.describe(), preReset ? steps : QString()),
                      Done);

    CameraSession session(productLine());
    QString error;
    if (!session.openCamera(camera, &error))
        return fail(Failed, error);
    OpenCamera &device = session.device();
    if (preReset) {
        // Switching the microphone back on restarts the camera: the reset goes to the
        // camera once it is back.
        const CameraSetting &mic = camerasettings::setting(SettingId::Mic);
        int micOn = 1;
        const bool restarts = mic.restarts && device.readSetting(mic, micOn) && micOn == 0;
        FactoryReset::preReset(device);
        if (restarts && !session.waitForRestart())
            return report(QStringLiteral("failed"),
                          QStringLiteral("factory reset of camera %1 not done: the camera did not come back after "
                                         "its microphone was switched on")
                              .arg(camera.describe()),
                          Failed);
    }
    if (!FactoryReset::reset(device)) {
        const QString why = device.extensionUnit().lastFoundNoUnit()
            ? QStringLiteral("the camera has no extension unit, which the factory reset needs")
            : device.extensionUnit().lastStatus() == platform::kErrorSemTimeout
            ? QStringLiteral("the camera did not answer")
            : QStringLiteral("the camera refused it (status 0x%1)")
                  .arg(quint32(device.extensionUnit().lastStatus()), 8, 16, QLatin1Char('0'));
        return report(QStringLiteral("failed"),
                      QStringLiteral("factory reset of camera %1 not done: %2").arg(camera.describe(), why), Failed);
    }
    // The camera restarts with its factory settings; the command ends once it is back.
    const bool back = session.waitForRestart();
    return report(QStringLiteral("done"),
                  QStringLiteral("Restored the factory settings of camera %1%2. %3")
                      .arg(camera.describe(), preReset ? steps : QString(),
                           back ? CtlOutput::plain(notices::restartNotice())
                                : QStringLiteral("The camera has not come back yet.")),
                  Done);
}

int CtlCommand::commandComplete(const CtlArguments &options)
{
    // Words for the shell completion: never an error, at worst no words.
    const QString what = options.positional.value(0);
    QStringList words;
    if (what == QLatin1String("commands")) {
        for (const CtlArguments::CommandInfo &row : CtlArguments::commandTable()) {
            if (!row.hidden)
                words << row.name;
        }
    } else if (what == QLatin1String("options")) {
        words = CtlArguments::optionNames(options.positional.value(1));
    } else if (what == QLatin1String("settings")) {
        words = CameraSession::settingNames();
    } else if (what == QLatin1String("cameras")) {
        for (const ListedCamera &camera : CameraInventory(productLine()).scan(false))
            words << QString::number(camera.number);
    }
    for (const QString &w : qAsConst(words))
        m_out << w << '\n';
    return Done;
}
