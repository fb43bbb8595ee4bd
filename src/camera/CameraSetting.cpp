#include "camera/CameraSetting.h"

#include "camera/CameraRules.h"
#include "catalogue/CameraModel.h"
#include "core/NoticeTexts.h"

namespace camerasettings {

namespace {

using P = CameraPropertyState;
using PS = platform::PropertySet;
using R = CameraRules;

const OptionTable &noOptions(int)
{
    static const OptionTable none;
    return none;
}

const OptionTable &antiFlicker(int)
{
    return antiFlickerOptions();
}

CameraSetting standard(SettingId id, const char *name, SettingSource source, int propertyId,
                       P::Property P::*property, RangeSource range, SettingOffer offer, bool keptWhenLimited,
                       unsigned conditions, int rank)
{
    const PS set = source == SettingSource::VideoProc || source == SettingSource::WhiteBalanceAuto
        ? PS::VideoProcAmp
        : PS::CameraControl;
    const bool isSwitch = source == SettingSource::FocusAuto || source == SettingSource::WhiteBalanceAuto;
    return CameraSetting{id, name, isSwitch ? SettingKind::Switch : SettingKind::Range, source, set,
                         propertyId, property, VendorLayout{}, range, &noOptions, offer, keptWhenLimited,
                         conditions, rank, isSwitch ? 0 : -1, false, RestartNotice::None, true,
                         FailureNotice::SettingTimeout};
}

CameraSetting vendor(SettingId id, const char *name, SettingKind kind, VendorLayout layout,
                     const OptionTable &(*options)(int), SettingOffer offer, bool keptWhenLimited,
                     unsigned conditions, int rank, FailureNotice failure)
{
    return CameraSetting{id, name, kind, SettingSource::Vendor, PS::CameraControl, 0, nullptr, layout,
                         RangeSource::None, options ? options : &noOptions, offer, keptWhenLimited, conditions,
                         rank, -1, false, RestartNotice::None, true, failure};
}

QVector<CameraSetting> buildTable()
{
    using O = SettingOffer;
    using F = FailureNotice;
    using K = SettingKind;
    const auto S = SettingSource::CameraControl;
    const auto V = SettingSource::VideoProc;
    QVector<CameraSetting> t;
    // Framing: the field of view before zoom, zoom before pan and tilt.
    t << standard(SettingId::Zoom, "zoom", S, R::kPropZoom, &P::zoom, RangeSource::Camera, O::Always, false,
                  WhileTrackingOff, 2);
    t << standard(SettingId::Pan, "pan", S, R::kPropPan, &P::pan, RangeSource::CameraPanTilt, O::Always, false,
                  WhileTrackingOff | WhileZoomedIn, 3);
    t << standard(SettingId::Tilt, "tilt", S, R::kPropTilt, &P::tilt, RangeSource::CameraPanTilt, O::Always,
                  false, WhileTrackingOff | WhileZoomedIn, 3);
    t << standard(SettingId::Focus, "focus", S, R::kPropFocus, &P::focus, RangeSource::Camera, O::Focus, false,
                  WhileFocusManual, 3);
    // Automatic modes: switched off first, switched on last.
    t << standard(SettingId::FocusAuto, "focus-auto", SettingSource::FocusAuto, R::kPropFocus, &P::focus,
                  RangeSource::None, O::Focus, false, NoCondition, 7);
    t << standard(SettingId::Brightness, "brightness", V, R::kPropBrightness, &P::brightness, RangeSource::Camera,
                  O::Always, true, NoCondition, 3);
    t << standard(SettingId::Contrast, "contrast", V, R::kPropContrast, &P::contrast, RangeSource::Camera,
                  O::Always, true, NoCondition, 3);
    t << standard(SettingId::Hue, "hue", V, R::kPropHue, &P::hue, RangeSource::Camera, O::Always, true,
                  NoCondition, 3);
    t << standard(SettingId::Saturation, "saturation", V, R::kPropSaturation, &P::saturation,
                  RangeSource::Camera, O::Always, true, NoCondition, 3);
    t << standard(SettingId::Sharpness, "sharpness", V, R::kPropSharpness, &P::sharpness, RangeSource::Camera,
                  O::Always, true, NoCondition, 3);
    t << standard(SettingId::WhiteBalance, "white-balance", V, R::kPropWhiteBalance, &P::whiteBalance,
                  RangeSource::Camera, O::Always, true, WhileWhiteBalanceManual, 3);
    t << standard(SettingId::WhiteBalanceAuto, "white-balance-auto", SettingSource::WhiteBalanceAuto,
                  R::kPropWhiteBalance, &P::whiteBalance, RangeSource::None, O::Always, true, NoCondition, 7);

    CameraSetting hdr = vendor(SettingId::Hdr, "hdr", K::Switch, {0x01, 0x81}, nullptr, O::Always, false,
                               NoCondition, 3, F::SettingTimeout);
    // The camera's HDR answer is not trusted after a failed write.
    hdr.resync = false;
    t << hdr;
    CameraSetting hdMode = vendor(SettingId::HdMode, "hd-mode", K::Switch, {0x0D, 0x8D}, nullptr, O::HdModeRow,
                                  false, NoCondition, 8, F::OperationTimeout);
    hdMode.restarts = true;
    hdMode.restartNotice = RestartNotice::HdModeRestart;
    t << hdMode;
    CameraSetting mic = vendor(SettingId::Mic, "mic", K::Switch, {0x04, 0x84}, nullptr, O::Always, true,
                               NoCondition, 8, F::SettingTimeout);
    mic.restarts = true;
    mic.restartNotice = RestartNotice::Restart;
    t << mic;
    t << vendor(SettingId::Mirror, "mirror", K::Switch, {0x09, 0x89}, nullptr, O::MirrorRow, false, NoCondition,
                3, F::OperationTimeout);
    t << vendor(SettingId::Gesture, "gesture", K::Switch, {0x19, 0x99, 0x66, 0x99}, nullptr, O::GestureRow,
                false, NoCondition, 3, F::SettingTimeout);
    t << vendor(SettingId::AiLight, "ai-light", K::Switch, {0x17, 0x97, 0x79, 0x97}, nullptr, O::AiLightRow,
                false, NoCondition, 3, F::SettingTimeout);
    t << vendor(SettingId::AntiFlicker, "anti-flicker", K::Choice, {0x02, 0x82}, &antiFlicker, O::Always, true,
                NoCondition, 3, F::SettingTimeout);
    t << vendor(SettingId::FieldOfView, "field-of-view", K::Choice, {0x0C, 0x8C}, &fieldOfViewOptions,
                O::FieldOfView, false, WhileTrackingOff, 1, F::SettingTimeout);
    CameraSetting mode = vendor(SettingId::TrackingMode, "tracking-mode", K::Choice, {0x10, 0x90},
                                &trackingModeOptions, O::Tracking, false, NoCondition, 4, F::OperationTimeout);
    mode.rankWhenOff = 0;
    t << mode;
    t << vendor(SettingId::TrackingEffect, "tracking-effect", K::Choice,
                {0x11, 0x91, 0, 0, "Auto config Effect", "Auto query Effect"}, &trackingEffectOptions, O::Tracking,
                false, WhileAutoFraming, 5, F::OperationTimeout);
    t << vendor(SettingId::TrackingSpeed, "tracking-speed", K::Choice,
                {0x12, 0x92, 0, 0, "Auto config Speend", "Auto query Speend"}, &trackingSpeedOptions, O::Tracking,
                false, WhileAutoFraming, 6, F::OperationTimeout);
    return t;
}

} // namespace

const QVector<CameraSetting> &all()
{
    static const QVector<CameraSetting> table = buildTable();
    return table;
}

const CameraSetting &setting(SettingId id)
{
    for (const CameraSetting &s : all()) {
        if (s.id == id)
            return s;
    }
    Q_UNREACHABLE();
    return all().first();
}

const CameraSetting *find(const QString &name)
{
    for (const CameraSetting &s : all()) {
        if (name == QLatin1String(s.name))
            return &s;
    }
    return nullptr;
}

QStringList names()
{
    QStringList list;
    for (const CameraSetting &s : all())
        list << s.settingName();
    return list;
}

bool offers(const CameraSetting &setting, const CameraModel &nameModel, const CameraModel *rows)
{
    if (rows && rows->limitedControls && !setting.keptWhenLimited)
        return false;
    switch (setting.offer) {
    case SettingOffer::Always:
        return true;
    case SettingOffer::Focus:
        return nameModel.focusControls;
    case SettingOffer::FieldOfView:
        return nameModel.fieldOfView && !(rows && rows->fieldOfViewRow == RowPresence::Hidden);
    case SettingOffer::HdModeRow:
        return rows && rows->hdMode == RowPresence::Shown;
    case SettingOffer::AiLightRow:
        return rows && rows->aiLight == RowPresence::Shown;
    case SettingOffer::MirrorRow:
        return rows && rows->mirror == RowPresence::Shown;
    case SettingOffer::GestureRow:
        return !(rows && rows->gesture == RowPresence::Hidden);
    case SettingOffer::Tracking:
        return !(rows && rows->trackingDisabled);
    }
    return false;
}

int writeRank(const CameraSetting &setting, bool switchesOff)
{
    return switchesOff && setting.rankWhenOff >= 0 ? setting.rankWhenOff : setting.rank;
}

QString failureText(const CameraSetting &setting)
{
    return setting.failure == FailureNotice::OperationTimeout ? notices::operationTimeout()
                                                               : notices::settingTimeout();
}

QString restartText(const CameraSetting &setting)
{
    switch (setting.restartNotice) {
    case RestartNotice::None:
        return QString();
    case RestartNotice::Restart:
        return notices::restartNotice();
    case RestartNotice::HdModeRestart:
        return notices::hdModeRestartNotice();
    }
    return QString();
}

const OptionTable &fieldOfViewOptions(int)
{
    static const OptionTable table = {{0, QStringLiteral("90")}, {1, QStringLiteral("78")}, {2, QStringLiteral("65")}};
    return table;
}

} // namespace camerasettings
