#include "ctl/CtlSaveApplyCommands.h"

#include "camera/CameraRules.h"
#include "camera/PresetMotion.h"
#include "camera/PresetStore.h"
#include "core/SettingsStore.h"
#include "ctl/CameraSession.h"
#include "ctl/Preset.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <cstdio>

namespace {

const char kStandardStream[] = "-";

QString sourceName(const QString &file, const char *stream)
{
    return file == QLatin1String(kStandardStream) ? QLatin1String(stream) : file;
}

} // namespace

CtlSaveApplyCommands::CtlSaveApplyCommands(CtlOutput &output, int productLine, QTextStream *in,
                                           CameraChooser chooseCamera)
    : m_output(output)
    , m_out(output.out())
    , m_err(output.err())
    , m_productLine(productLine)
    , m_in(in)
    , m_chooseCamera(std::move(chooseCamera))
{
}

int CtlSaveApplyCommands::save(const CtlArguments &options)
{
    if (options.positional.size() != 1)
        return m_output.usageError(QStringLiteral("save needs one FILE (- for standard output)"));
    const QString file = options.positional.first();
    const bool toStdout = file == QLatin1String(kStandardStream);
    ListedCamera camera;
    if (const int code = m_chooseCamera(options.camera, &camera))
        return code;
    CameraSession session(m_productLine);
    QString error;
    if (!session.openCamera(camera, &error))
        return m_output.fail(Failed, error);
    QJsonArray errors;
    const QJsonObject values = session.readAllSettings(&errors);
    SettingsStore settings;
    const QMap<int, PositionPreset> positions =
        PresetStore(settings).all(PresetStore::cameraKey(camera.serial, camera.path));
    const Preset preset(camera, values, positions);
    const int code = errors.isEmpty() ? Done : Failed;
    if (toStdout) {
        // The preset is the output; what is said about it goes to standard error.
        m_out << QJsonDocument(preset.toJsonObject()).toJson();
    } else if (!preset.save(file, &error)) {
        return m_output.fail(Failed, error);
    }
    if (m_output.isJson() && toStdout)
        return code;
    if (m_output.isJson())
        return m_output.json(QJsonObject{{QStringLiteral("camera"), camera.toJsonObject()},
                                         {QStringLiteral("file"), QFileInfo(file).absoluteFilePath()},
                                         {QStringLiteral("settings"), values},
                                         {QStringLiteral("presets"), Preset::positionsJson(positions)},
                                         {QStringLiteral("errors"), errors}},
                             code);
    QTextStream &summary = toStdout ? m_err : m_out;
    summary << "Saved " << values.size() << " settings ";
    if (!positions.isEmpty())
        summary << "and " << positions.size() << (positions.size() == 1 ? " position preset " : " position presets ");
    summary << "of camera " << camera.describe() << " to " << sourceName(file, "standard output") << '\n';
    for (const QJsonValue &e : qAsConst(errors))
        m_err << "lensdeskctl: " << e.toObject().value(QStringLiteral("message")).toString() << '\n';
    return code;
}

int CtlSaveApplyCommands::apply(const CtlArguments &options)
{
    if (options.positional.size() != 1)
        return m_output.usageError(QStringLiteral("apply needs one FILE (- for standard input)"));
    const QString file = options.positional.first();
    const QString source = sourceName(file, "standard input");
    Preset preset;
    QString error;
    if (file == QLatin1String(kStandardStream)) {
        QByteArray data;
        if (m_in) {
            data = m_in->readAll().toUtf8();
        } else {
            QFile input;
            if (input.open(stdin, QIODevice::ReadOnly))
                data = input.readAll();
        }
        if (!preset.read(data, source, &error))
            return m_output.fail(BadUsage, error);
    } else if (!preset.readFile(file, &error)) {
        return m_output.fail(BadUsage, error);
    }

    // Every value is checked before the first is sent: a preset with a value of the
    // wrong kind changes nothing, as set does.
    const QJsonObject settings = preset.settings();
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        QString problem;
        if (CameraSession::isSetting(it.key()) && !CameraSession::checkValue(it.key(), it.value(), &problem))
            return m_output.fail(BadUsage, QStringLiteral("%1: %2; nothing was applied").arg(source, problem));
    }

    ListedCamera camera;
    if (const int code = m_chooseCamera(options.camera, &camera))
        return code;
    CameraSession session(m_productLine);
    if (!session.openCamera(camera, &error))
        return m_output.fail(Failed, error);

    QList<CameraSession::Step> steps;
    QJsonArray skipped;
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
        steps << CameraSession::Step{it.key(), it.value()};
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
    QList<CameraSession::Step> kept;
    for (const CameraSession::Step &step : qAsConst(steps)) {
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
    CameraSession::sortSteps(steps);

    QJsonArray results;
    bool allDone = true;
    for (const CameraSession::Step &step : qAsConst(steps)) {
        CameraSession::Outcome o;
        QJsonValue current;
        // A value the camera holds already is left alone (a camera that restarts on a
        // change, or a pan the zoom does not allow now, is not troubled for nothing).
        if (session.readSetting(step.name, &current)
            && CameraSession::valueText(current).compare(CameraSession::valueText(step.value), Qt::CaseInsensitive) == 0) {
            o.name = step.name;
            o.value = current;
        } else {
            o = session.writeSetting(step.name, step.value);
        }
        results.append(o.toJson());
        allDone = allDone && o.status == CameraSession::Outcome::Done;
        if (m_output.isJson())
            continue;
        if (o.status == CameraSession::Outcome::Done)
            m_out << o.name << '=' << CameraSession::valueText(o.value) << '\n';
        else
            m_err << "lensdeskctl: " << QString(o.statusText()).replace(QLatin1Char('-'), QLatin1Char(' ')) << ": "
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
        SettingsStore store;
        PresetStore presets(store);
        const QString key = PresetStore::cameraKey(camera.serial, camera.path);
        for (auto it = positions.begin(); it != positions.end(); ++it)
            presets.store(key, it.key(), it.value());
        stored = positions;
    }

    const int code = allDone ? Done : Failed;
    if (m_output.isJson())
        return m_output.json(QJsonObject{{QStringLiteral("camera"), camera.toJsonObject()},
                                         {QStringLiteral("file"), file == QLatin1String(kStandardStream)
                                                                      ? QJsonValue(QJsonValue::Null)
                                                                      : QJsonValue(QFileInfo(file).absoluteFilePath())},
                                         {QStringLiteral("results"), results},
                                         {QStringLiteral("skipped"), skipped},
                                         {QStringLiteral("presets"), Preset::positionsJson(stored)}},
                             code);
    for (auto it = stored.begin(); it != stored.end(); ++it)
        m_out << "preset " << it.key() << " stored: " << Preset::positionText(it.value()) << '\n';
    for (const QJsonValue &s : qAsConst(skipped))
        m_out << "skipped: " << s.toObject().value(QStringLiteral("message")).toString() << '\n';
    return code;
}
