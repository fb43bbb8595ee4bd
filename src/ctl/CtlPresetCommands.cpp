// lensdeskctl's preset command: the camera's nine position presets, kept by the same
// PresetStore and moved by the same PresetMotion as the window's.

#include "ctl/CtlPresetCommands.h"

#include "camera/PresetMotion.h"
#include "camera/PresetStore.h"
#include "core/SettingsStore.h"
#include "ctl/CameraSession.h"
#include "ctl/Preset.h"


namespace {

// The preset's number, 1..9; 0 when the text is none.
int presetNumber(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && PresetStore::isNumber(n) && text == QString::number(n) ? n : 0;
}

// The words of an outcome that is not Done: the JSON status and the reason.
QString statusOf(PresetOutcome outcome, bool saving)
{
    switch (outcome) {
    case PresetOutcome::Done:
        return QStringLiteral("done");
    case PresetOutcome::Empty:
    case PresetOutcome::TrackingOn:
    case PresetOutcome::NoMotion:
        return QStringLiteral("refused");
    case PresetOutcome::NoAnswer:
        return saving ? QStringLiteral("failed") : QStringLiteral("not-taken");
    case PresetOutcome::NotTaken:
        return QStringLiteral("not-taken");
    }
    return QString();
}

QString reasonOf(PresetOutcome outcome)
{
    switch (outcome) {
    case PresetOutcome::Done:
        return QString();
    case PresetOutcome::Empty:
        return QStringLiteral("empty");
    case PresetOutcome::TrackingOn:
        return QStringLiteral("tracking-on");
    case PresetOutcome::NoMotion:
        return QStringLiteral("no-motion");
    case PresetOutcome::NoAnswer:
        return QStringLiteral("no-answer");
    case PresetOutcome::NotTaken:
        return QStringLiteral("not-taken");
    }
    return QString();
}

} // namespace

CtlPresetCommands::CtlPresetCommands(CtlOutput &output, QTextStream &out, QTextStream &err, int productLine,
                                     CameraChooser chooseCamera)
    : m_output(output)
    , m_out(out)
    , m_err(err)
    , m_productLine(productLine)
    , m_chooseCamera(std::move(chooseCamera))
{
}

int CtlPresetCommands::preset(const CtlArguments &options)
{
    const QStringList &args = options.positional;
    const QString action = args.value(0);
    const bool numbered = action == QLatin1String("save") || action == QLatin1String("recall")
        || action == QLatin1String("clear");
    if (action == QLatin1String("list")) {
        if (args.size() != 1)
            return m_output.usageError(QStringLiteral("preset list takes no number"));
    } else if (!numbered) {
        return m_output.usageError(action.isEmpty() ? QStringLiteral("preset needs list, save, recall or clear")
                                                    : QStringLiteral("unknown preset action \"%1\"").arg(action));
    } else if (args.size() != 2) {
        return m_output.usageError(QStringLiteral("preset %1 needs one number, 1 to %2").arg(action).arg(PresetStore::kCount));
    }
    const int number = numbered ? presetNumber(args.at(1)) : 0;
    if (numbered && number == 0)
        return m_output.usageError(QStringLiteral("\"%1\" is no preset number; the presets are 1 to %2")
                                  .arg(args.at(1))
                                  .arg(PresetStore::kCount));

    ListedCamera camera;
    if (const int code = m_chooseCamera(options.camera, &camera))
        return code;
    SettingsStore settings;
    PresetStore store(settings);
    const QString key = PresetStore::cameraKey(camera.serial, camera.path);

    if (action == QLatin1String("list")) {
        const QMap<int, PositionPreset> presets = store.all(key);
        if (m_output.isJson())
            return m_output.json(QJsonObject{{QStringLiteral("camera"), camera.toJsonObject()},
                                             {QStringLiteral("presets"), Preset::positionsJson(presets)}},
                                 Done);
        if (presets.isEmpty()) {
            m_out << "Camera " << camera.describe() << " has no position presets.\n";
        } else {
            for (auto it = presets.begin(); it != presets.end(); ++it)
                m_out << it.key() << ": " << Preset::positionText(it.value()) << '\n';
        }
        return Done;
    }

    QJsonObject result{{QStringLiteral("camera"), camera.toJsonObject()}, {QStringLiteral("number"), number}};
    if (action == QLatin1String("clear")) {
        const bool held = store.preset(key, number).has_value();
        store.clear(key, number);
        result.insert(QStringLiteral("status"), QStringLiteral("done"));
        result.insert(QStringLiteral("cleared"), held);
        if (m_output.isJson())
            return m_output.json(result, Done);
        if (held)
            m_out << "Cleared preset " << number << " of camera " << camera.describe() << '\n';
        else
            m_out << "Preset " << number << " of camera " << camera.describe() << " held nothing\n";
        return Done;
    }

    const bool saving = action == QLatin1String("save");
    std::optional<PositionPreset> stored = store.preset(key, number);
    PresetOutcome outcome = PresetOutcome::Empty;
    QString detail;
    PositionPreset position;
    CameraSession session(m_productLine);
    if (saving || stored) {
        QString error;
        if (!session.openCamera(camera, &error))
            return m_output.fail(Failed, error);
        if (saving)
            outcome = savePreset(session.device(), &position, &detail);
        else
            outcome = recallPreset(session.device(), *stored, &detail);
    }
    if (outcome == PresetOutcome::Done && saving) {
        store.store(key, number, position);
    } else if (outcome == PresetOutcome::Done) {
        // Where the camera looks now, as it answers.
        position = *stored;
        QJsonValue v;
        if (session.readSetting(QStringLiteral("zoom"), &v))
            position.zoom = v.toInt();
        if (session.readSetting(QStringLiteral("pan"), &v))
            position.pan = v.toInt();
        if (session.readSetting(QStringLiteral("tilt"), &v))
            position.tilt = v.toInt();
        position.hasFocus = position.hasFocus && session.missingReason(QStringLiteral("focus")).isEmpty();
        if (position.hasFocus && session.readSetting(QStringLiteral("focus"), &v))
            position.focus = v.toInt();
    }

    const QString status = statusOf(outcome, saving);
    result.insert(QStringLiteral("status"), status);
    if (outcome == PresetOutcome::Done) {
        result.insert(QStringLiteral("preset"), Preset::positionJson(position));
        if (m_output.isJson())
            return m_output.json(result, Done);
        m_out << (saving ? "Saved preset " : "Recalled preset ") << number << (saving ? " of camera " : " on camera ")
                  << camera.describe() << ": " << Preset::positionText(position) << '\n';
        return Done;
    }

    QString message;
    const QString preset = QStringLiteral("preset %1").arg(number);
    switch (outcome) {
    case PresetOutcome::Done:
        break;
    case PresetOutcome::Empty:
        message = QStringLiteral("%1 of camera %2 holds nothing; store it first with lensdeskctl preset save %3")
                      .arg(preset, camera.describe())
                      .arg(number);
        break;
    case PresetOutcome::TrackingOn: {
        QJsonValue mode;
        session.readSetting(QStringLiteral("tracking-mode"), &mode);
        message = QStringLiteral("%1: only while tracking-mode is off (it is %2)").arg(preset, CameraSession::valueText(mode));
        break;
    }
    case PresetOutcome::NoMotion:
        message = QStringLiteral("%1: camera %2 (model %3) has no pan, tilt or zoom")
                      .arg(preset, camera.describe())
                      .arg(camera.model);
        break;
    case PresetOutcome::NoAnswer:
    case PresetOutcome::NotTaken:
        message = QStringLiteral("%1: %2").arg(preset, detail);
        break;
    }
    result.insert(QStringLiteral("reason"), reasonOf(outcome));
    result.insert(QStringLiteral("message"), message);
    if (m_output.isJson())
        return m_output.json(result, Failed);
    m_err << "lensdeskctl: " << QString(status).replace(QLatin1Char('-'), QLatin1Char(' ')) << ": " << message << '\n';
    return Failed;
}
