#include "camera/PresetMotion.h"

#include "camera/CameraRules.h"
#include "camera/OpenCamera.h"

#include <QDebug>

#include <algorithm>

namespace {

const CameraSetting &settingOf(SettingId id)
{
    return camerasettings::setting(id);
}

// Only a model that reads focus with its automatic flag tells whether focus is manual.
bool keepsFocus(const OpenCamera &camera)
{
    return camera.model().focusRead && camera.offers(settingOf(SettingId::Focus));
}

// A model that has no tracking choice is kept at Off by the front ends.
bool trackingOn(OpenCamera &camera)
{
    return camera.offers(settingOf(SettingId::TrackingMode)) && camera.trackingMode() > 0;
}

int clampTo(int value, int low, int high)
{
    return low <= high ? std::clamp(value, low, high) : value;
}

QString describe(const PositionPreset &p)
{
    QString text = QStringLiteral("pan %1 tilt %2 zoom %3").arg(p.pan).arg(p.tilt).arg(p.zoom);
    if (p.hasFocus)
        text += QStringLiteral(" focus %1").arg(p.focus);
    return text;
}

PresetOutcome finish(const char *what, PresetOutcome outcome, const QString &line, QString *detail)
{
    qInfo().noquote() << what << line;
    if (detail)
        *detail = line;
    return outcome;
}

} // namespace

bool hasPresetMotion(const OpenCamera &camera)
{
    const CameraModel *rows = camera.rows();
    return camera.model().cameraControls && !(rows && rows->limitedControls);
}

PresetOutcome savePreset(OpenCamera &camera, PositionPreset *preset)
{
    return savePreset(camera, preset, nullptr);
}

PresetOutcome recallPreset(OpenCamera &camera, const PositionPreset &preset)
{
    return recallPreset(camera, preset, nullptr);
}

PresetOutcome savePreset(OpenCamera &camera, PositionPreset *preset, QString *detail)
{
    const char *what = "Preset save:";
    if (!hasPresetMotion(camera))
        return finish(what, PresetOutcome::NoMotion, QStringLiteral("the model has no pan, tilt or zoom"), detail);
    if (trackingOn(camera))
        return finish(what, PresetOutcome::TrackingOn, QStringLiteral("tracking is on"), detail);
    PositionPreset p;
    const struct
    {
        SettingId id;
        int *value;
    } reads[] = {{SettingId::Zoom, &p.zoom}, {SettingId::Pan, &p.pan}, {SettingId::Tilt, &p.tilt}};
    for (const auto &r : reads) {
        const CameraSetting &s = settingOf(r.id);
        if (!camera.readSetting(s, *r.value))
            return finish(what, PresetOutcome::NoAnswer, QStringLiteral("%1: no answer").arg(s.settingName()), detail);
    }
    if (keepsFocus(camera)) {
        int automatic = 1;
        if (!camera.readSetting(settingOf(SettingId::FocusAuto), automatic))
            return finish(what, PresetOutcome::NoAnswer, QStringLiteral("focus-auto: no answer"), detail);
        if (!automatic) {
            if (!camera.readSetting(settingOf(SettingId::Focus), p.focus))
                return finish(what, PresetOutcome::NoAnswer, QStringLiteral("focus: no answer"), detail);
            p.hasFocus = true;
        }
    }
    *preset = p;
    return finish(what, PresetOutcome::Done, describe(p), detail);
}

PresetOutcome recallPreset(OpenCamera &camera, const PositionPreset &preset, QString *detail)
{
    const char *what = "Preset recall:";
    if (!hasPresetMotion(camera))
        return finish(what, PresetOutcome::NoMotion, QStringLiteral("the model has no pan, tilt or zoom"), detail);
    if (trackingOn(camera))
        return finish(what, PresetOutcome::TrackingOn, QStringLiteral("tracking is on"), detail);
    // The ranges this camera reports, to bring a preset of another camera within them.
    if (!camera.readProperties())
        return finish(what, PresetOutcome::NoAnswer, QStringLiteral("the camera's ranges do not read"), detail);
    const CameraPropertyState &st = camera.properties();
    PositionPreset target = preset;
    target.zoom = clampTo(preset.zoom, st.zoom.minimum, st.zoom.maximum);
    target.pan = clampTo(preset.pan, CameraRules::panTiltLow(st.pan), CameraRules::panTiltHigh(st.pan));
    target.tilt = clampTo(preset.tilt, CameraRules::panTiltLow(st.tilt), CameraRules::panTiltHigh(st.tilt));
    target.hasFocus = preset.hasFocus && keepsFocus(camera);
    if (target.hasFocus)
        target.focus = clampTo(preset.focus, st.focus.minimum, st.focus.maximum);

    struct Step
    {
        SettingId id;
        int value;
    };
    QVector<Step> steps{{SettingId::Zoom, target.zoom}, {SettingId::Pan, target.pan}, {SettingId::Tilt, target.tilt}};
    if (target.hasFocus)
        steps.append({SettingId::Focus, target.focus});
    for (const Step &step : qAsConst(steps)) {
        const CameraSetting &s = settingOf(step.id);
        const QString name = s.settingName();
        if (!camera.writeSetting(s, step.value))
            return finish(what, PresetOutcome::NoAnswer,
                          QStringLiteral("%1: the camera refused %2").arg(name).arg(step.value), detail);
        int held = 0;
        if (!camera.readSetting(s, held))
            return finish(what, PresetOutcome::NoAnswer, QStringLiteral("%1: no answer").arg(name), detail);
        if (held != step.value)
            return finish(what, PresetOutcome::NotTaken,
                          QStringLiteral("%1: %2 sent, the camera holds %3").arg(name).arg(step.value).arg(held),
                          detail);
    }
    return finish(what, PresetOutcome::Done, describe(target), detail);
}
