#include "ctl/CameraSession.h"

#include "core/NoticeTexts.h"
#include "camera/CameraPropertyState.h"
#include "camera/CameraRules.h"
#include "catalogue/Catalogue.h"
#include "catalogue/DeviceProfile.h"
#include "platform/Clock.h"

#include <QDebug>

#include <algorithm>

namespace {

enum class Source { CameraControl, VideoProc, Vendor, FocusAuto, WhiteBalanceAuto };
enum class Timeout { Setting, Operation };

// The field-of-view buttons of the window, by index.
const OptionTable &fieldOfViewOptions()
{
    static const OptionTable table = {{0, QStringLiteral("90")}, {1, QStringLiteral("78")}, {2, QStringLiteral("65")}};
    return table;
}

// Option lists are written with their English labels in lower case, spaces as "-".
QString slug(const QString &label)
{
    return label.toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

// The settings a camera with only a few usable controls keeps (the window disables the
// rest for those models).
const QStringList &limitedSettings()
{
    static const QStringList names{QStringLiteral("brightness"), QStringLiteral("contrast"), QStringLiteral("hue"),
                                   QStringLiteral("saturation"), QStringLiteral("sharpness"),
                                   QStringLiteral("white-balance"), QStringLiteral("white-balance-auto"),
                                   QStringLiteral("mic"), QStringLiteral("anti-flicker")};
    return names;
}

bool isAutomatic(std::int32_t flags)
{
    return (flags & DShowCameraWrapper::kFlagsAuto) != 0;
}

constexpr int kReturnPollMs = 500;
constexpr int kReturnWaitMs = 30000;

} // namespace

struct CameraSession::Definition
{
    const char *name;
    Kind kind;
    Source source;
    int id;
    CameraPropertyState::Property CameraPropertyState::*member;
    bool (UVCExtensionUnit::*set)(int);
    bool (UVCExtensionUnit::*get)(int &);
    Timeout timeout;
    // The camera restarts after a change (microphone, HD mode).
    bool restarts;
    // The window reads the camera's value back after a failed write (not for HDR).
    bool resync;
    const OptionTable &(*options)();
};

const QList<CameraSession::Definition> &CameraSession::definitions()
{
    using P = CameraPropertyState;
    using U = UVCExtensionUnit;
    using R = CameraRules;
    static const OptionTable &(*none)() = nullptr;
    static const QList<Definition> table = {
        {"zoom", Kind::Range, Source::CameraControl, R::kPropZoom, &P::zoom, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"pan", Kind::Range, Source::CameraControl, R::kPropPan, &P::pan, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"tilt", Kind::Range, Source::CameraControl, R::kPropTilt, &P::tilt, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"focus", Kind::Range, Source::CameraControl, R::kPropFocus, &P::focus, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"focus-auto", Kind::Switch, Source::FocusAuto, R::kPropFocus, &P::focus, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"brightness", Kind::Range, Source::VideoProc, R::kPropBrightness, &P::brightness, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"contrast", Kind::Range, Source::VideoProc, R::kPropContrast, &P::contrast, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"hue", Kind::Range, Source::VideoProc, R::kPropHue, &P::hue, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"saturation", Kind::Range, Source::VideoProc, R::kPropSaturation, &P::saturation, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"sharpness", Kind::Range, Source::VideoProc, R::kPropSharpness, &P::sharpness, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"white-balance", Kind::Range, Source::VideoProc, R::kPropWhiteBalance, &P::whiteBalance, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"white-balance-auto", Kind::Switch, Source::WhiteBalanceAuto, R::kPropWhiteBalance, &P::whiteBalance, nullptr, nullptr, Timeout::Setting, false, true, none},
        {"hdr", Kind::Switch, Source::Vendor, 0, nullptr, &U::SetHDR, &U::GetHDR, Timeout::Setting, false, false, none},
        {"hd-mode", Kind::Switch, Source::Vendor, 0, nullptr, &U::SetHDMode, &U::GetHDMode, Timeout::Operation, true, true, none},
        {"mic", Kind::Switch, Source::Vendor, 0, nullptr, &U::SetMicEnable, &U::GetMicEnable, Timeout::Setting, true, true, none},
        {"mirror", Kind::Switch, Source::Vendor, 0, nullptr, &U::SetMirror, &U::GetMirror, Timeout::Operation, false, true, none},
        {"gesture", Kind::Switch, Source::Vendor, 0, nullptr, &U::SetGesture, &U::GetGesture, Timeout::Setting, false, true, none},
        {"ai-light", Kind::Switch, Source::Vendor, 0, nullptr, &U::SetAutoAE, &U::GetAutoAE, Timeout::Setting, false, true, none},
        {"anti-flicker", Kind::Choice, Source::Vendor, 0, nullptr, &U::SetAntiFlicker, &U::GetAntiFlicker, Timeout::Setting, false, true, &antiFlickerOptions},
        {"field-of-view", Kind::Choice, Source::Vendor, 0, nullptr, &U::SetViewAngle, &U::GetViewAngle, Timeout::Setting, false, true, &fieldOfViewOptions},
        {"tracking-mode", Kind::Choice, Source::Vendor, 0, nullptr, &U::SetTrackingMode, &U::GetTrackingMode, Timeout::Operation, false, true,
         [] () -> const OptionTable & { return trackingModeOptions(0); }},
        {"tracking-effect", Kind::Choice, Source::Vendor, 0, nullptr, &U::SetTrackingEffect, &U::GetTrackingEffect, Timeout::Operation, false, true,
         [] () -> const OptionTable & { return trackingEffectOptions(0); }},
        {"tracking-speed", Kind::Choice, Source::Vendor, 0, nullptr, &U::SetTrackingSpeed, &U::GetTrackingSpeed, Timeout::Operation, false, true,
         [] () -> const OptionTable & { return trackingSpeedOptions(0); }},
    };
    return table;
}

const CameraSession::Definition *CameraSession::definition(const QString &name)
{
    for (const Definition &def : definitions()) {
        if (name == QLatin1String(def.name))
            return &def;
    }
    return nullptr;
}

QString CameraSession::Outcome::statusText() const
{
    switch (status) {
    case Done:
        return QStringLiteral("done");
    case Refused:
        return QStringLiteral("refused");
    case NotTaken:
        return QStringLiteral("not-taken");
    case BadValue:
        return QStringLiteral("bad-value");
    case Unknown:
        return QStringLiteral("unknown");
    }
    return QString();
}

CameraSession::CameraSession(int productLine)
    : m_productLine(productLine)
{
}

CameraSession::~CameraSession()
{
    close();
}

QStringList CameraSession::settingNames()
{
    QStringList names;
    for (const Definition &def : definitions())
        names << QLatin1String(def.name);
    return names;
}

bool CameraSession::isSetting(const QString &name)
{
    return definition(name) != nullptr;
}

bool CameraSession::open(const ListedCamera &camera, QString *error)
{
    close();
    m_camera = camera;
    if (!camera.isNormal()) {
        *error = QStringLiteral("camera %1 is %2; only its recovery is possible").arg(camera.describe(), camera.stateText());
        return false;
    }
    if (!reopen()) {
        *error = QStringLiteral("camera %1 does not answer").arg(camera.describe());
        return false;
    }
    qInfo() << "current open camera name:" << camera.name;
    qInfo() << "current open camera model:" << camera.model;
    return true;
}

bool CameraSession::reopen()
{
    m_uvc.ReleaseUvc();
    m_dshow.releaseCamera();
    m_index = -1;
    const bool found = m_dshow.selectCamera(m_camera.path, m_camera.name, m_index);
    m_open = found && m_uvc.InitUvc(m_camera.path, m_camera.name);
    if (m_open)
        refresh();
    return m_open;
}

void CameraSession::close()
{
    if (!m_open)
        return;
    m_uvc.ReleaseUvc();
    m_dshow.releaseCamera();
    m_open = false;
}

bool CameraSession::refresh()
{
    return m_index >= 0 && m_dshow.readCameraProperties(m_index, m_camera.model);
}

bool CameraSession::has(const QString &name) const
{
    const deviceprofile::DeviceProfile profile =
        deviceprofile::deviceProfileFor(m_productLine, m_camera.identityModel);
    bool offered = true;
    if (profile.limitedControls && !limitedSettings().contains(name))
        offered = false;
    else if (name == QLatin1String("focus") || name == QLatin1String("focus-auto"))
        offered = CameraRules::hasFocusControl(m_camera.model);
    else if (name == QLatin1String("field-of-view"))
        offered = CameraRules::hasFieldOfView(m_camera.model) && !profile.hidden.contains(QStringLiteral("widgetAngle"));
    else if (name == QLatin1String("hd-mode"))
        offered = profile.shown.contains(QStringLiteral("widgetHD"));
    else if (name == QLatin1String("ai-light"))
        offered = profile.shown.contains(QStringLiteral("widgetAutoAE"));
    else if (name == QLatin1String("mirror"))
        offered = profile.shown.contains(QStringLiteral("widgetMirror"));
    else if (name == QLatin1String("gesture"))
        offered = !profile.hidden.contains(QStringLiteral("widgetGestureControl"));
    else if (name.startsWith(QLatin1String("tracking-")))
        offered = !profile.trackingDisabled;
    return offered;
}

QString CameraSession::missingReason(const QString &name) const
{
    if (has(name))
        return QString();
    return QStringLiteral("%1: camera %2 (model %3) has no %1; it has: %4")
        .arg(name, m_camera.describe(), QString::number(m_camera.model), availableNames().join(QStringLiteral(", ")));
}

QStringList CameraSession::availableNames() const
{
    QStringList names;
    for (const Definition &def : definitions()) {
        const QString name = QLatin1String(def.name);
        if (has(name))
            names << name;
    }
    return names;
}

namespace {
int lowOf(const QString &name, const CameraPropertyState::Property &property)
{
    if (name == QLatin1String("pan") || name == QLatin1String("tilt"))
        return CameraRules::panTiltLow(property);
    return property.minimum;
}

int highOf(const QString &name, const CameraPropertyState::Property &property)
{
    if (name == QLatin1String("pan") || name == QLatin1String("tilt"))
        return CameraRules::panTiltHigh(property);
    return property.maximum;
}
} // namespace

QString CameraSession::allowedValues(const QString &name) const
{
    const Definition *def = definition(name);
    if (!def)
        return QString();
    switch (def->kind) {
    case Kind::Range: {
        const CameraPropertyState::Property &p = cameraPropertyState.*(def->member);
        return QStringLiteral("%1..%2").arg(lowOf(name, p)).arg(highOf(name, p));
    }
    case Kind::Switch:
        return QStringLiteral("on, off");
    case Kind::Choice:
        return optionWords(*def);
    }
    return QString();
}

QString CameraSession::optionWords(const Definition &def)
{
    QStringList words;
    for (const OptionEntry &entry : def.options())
        words << slug(entry.label);
    return words.join(QStringLiteral(", "));
}

bool CameraSession::checkValue(const QString &name, const QJsonValue &value, QString *error)
{
    const Definition *def = definition(name);
    int number = 0;
    if (!def) {
        *error = QStringLiteral("unknown setting \"%1\"; the settings are: %2")
                     .arg(name, settingNames().join(QStringLiteral(", ")));
        return false;
    }
    return parse(*def, value, &number, error);
}

bool CameraSession::parse(const Definition &def, const QJsonValue &value, int *number, QString *error)
{
    const QString name = QLatin1String(def.name);
    QString text;
    if (value.isDouble())
        text = QString::number(value.toDouble(), 'g', 16);
    else if (value.isBool())
        text = value.toBool() ? QStringLiteral("on") : QStringLiteral("off");
    else
        text = value.toString().trimmed();
    bool ok = false;
    switch (def.kind) {
    case Kind::Range:
        *number = text.toInt(&ok);
        if (!ok)
            *error = QStringLiteral("%1: \"%2\" is not a whole number").arg(name, text);
        return ok;
    case Kind::Switch: {
        const QString t = text.toLower();
        if (t == QLatin1String("on") || t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("yes")) {
            *number = 1;
            return true;
        }
        if (t == QLatin1String("off") || t == QLatin1String("0") || t == QLatin1String("false") || t == QLatin1String("no")) {
            *number = 0;
            return true;
        }
        *error = QStringLiteral("%1: \"%2\" is neither on nor off").arg(name, text);
        return false;
    }
    case Kind::Choice: {
        const OptionTable &options = def.options();
        for (const OptionEntry &entry : options) {
            if (slug(entry.label).compare(text, Qt::CaseInsensitive) == 0) {
                *number = entry.value;
                return true;
            }
        }
        const int n = text.toInt(&ok);
        if (ok && indexOfOptionValue(options, n) >= 0) {
            *number = n;
            return true;
        }
        *error = QStringLiteral("%1: \"%2\" is none of %3").arg(name, text, optionWords(def));
        return false;
    }
    }
    return false;
}

QJsonValue CameraSession::present(const Definition &def, int number) const
{
    switch (def.kind) {
    case Kind::Range:
        return number;
    case Kind::Switch:
        return number != 0 ? QStringLiteral("on") : QStringLiteral("off");
    case Kind::Choice: {
        const OptionTable &options = def.options();
        const int row = indexOfOptionValue(options, number);
        if (row >= 0)
            return slug(options.at(row).label);
        return number;
    }
    }
    return QJsonValue();
}

QString CameraSession::valueText(const QJsonValue &value)
{
    if (value.isDouble())
        return QString::number(value.toInt());
    return value.toString();
}

int CameraSession::trackingMode()
{
    int mode = 0;
    if (!m_uvc.GetTrackingMode(mode))
        return -1;
    return CameraRules::reportedTrackingMode(m_camera.model, m_camera.firmware, mode);
}

bool CameraSession::readNumber(const Definition &def, int *number)
{
    CameraPropertyState &st = cameraPropertyState;
    switch (def.source) {
    case Source::CameraControl:
        if (!m_dshow.getCameraCtlValue(def.id, 0))
            return false;
        *number = (st.*(def.member)).current;
        return true;
    case Source::VideoProc:
        if (!m_dshow.getVideoProcValue(def.id, 0))
            return false;
        *number = (st.*(def.member)).current;
        return true;
    case Source::FocusAuto:
    case Source::WhiteBalanceAuto:
        if (!refresh())
            return false;
        *number = isAutomatic((st.*(def.member)).flags) ? 1 : 0;
        return true;
    case Source::Vendor:
        if (QLatin1String(def.name) == QLatin1String("tracking-mode")) {
            const int mode = trackingMode();
            if (mode < 0)
                return false;
            *number = mode;
            return true;
        }
        return (m_uvc.*(def.get))(*number);
    }
    return false;
}

bool CameraSession::read(const QString &name, QJsonValue *value)
{
    const Definition *def = definition(name);
    int number = 0;
    if (!def || !m_open || !readNumber(*def, &number))
        return false;
    *value = present(*def, number);
    return true;
}

QJsonObject CameraSession::readAll(QStringList *failed)
{
    QJsonObject values;
    refresh();
    for (const QString &name : availableNames()) {
        QJsonValue value;
        if (read(name, &value))
            values.insert(name, value);
        else
            failed->append(name);
    }
    return values;
}

int CameraSession::writeRank(const QString &name, const QJsonValue &value)
{
    const QString text = value.isString() ? value.toString().trimmed().toLower() : QString();
    const bool off = text == QLatin1String("off") || text == QLatin1String("0") || text == QLatin1String("false")
        || text == QLatin1String("no") || (value.isDouble() && value.toInt() == 0) || (value.isBool() && !value.toBool());
    if ((name == QLatin1String("tracking-mode") || name.endsWith(QLatin1String("-auto"))) && off)
        return 0;
    if (name == QLatin1String("field-of-view"))
        return 1;
    if (name == QLatin1String("zoom"))
        return 2;
    if (name == QLatin1String("tracking-mode"))
        return 4;
    if (name == QLatin1String("tracking-effect"))
        return 5;
    if (name == QLatin1String("tracking-speed"))
        return 6;
    if (name.endsWith(QLatin1String("-auto")))
        return 7;
    if (name == QLatin1String("mic") || name == QLatin1String("hd-mode"))
        return 8;
    return 3;
}

QString CameraSession::precondition(const Definition &def, int value)
{
    Q_UNUSED(value)
    const QString name = QLatin1String(def.name);
    CameraPropertyState &st = cameraPropertyState;
    const bool framing = name == QLatin1String("zoom") || name == QLatin1String("pan") || name == QLatin1String("tilt")
        || name == QLatin1String("field-of-view");
    if (framing) {
        // The window offers these only while the camera frames by hand.
        const int mode = trackingMode();
        if (mode > 0) {
            QJsonValue shown;
            read(QStringLiteral("tracking-mode"), &shown);
            return QStringLiteral("%1: only while tracking-mode is off (it is %2)").arg(name, valueText(shown));
        }
    }
    if ((name == QLatin1String("pan") || name == QLatin1String("tilt")) && st.zoom.current <= CameraRules::kZoomWide)
        return QStringLiteral("%1: only when zoomed in, with zoom above %2 (it is %3)")
            .arg(name)
            .arg(CameraRules::kZoomWide)
            .arg(st.zoom.current);
    if (name == QLatin1String("focus") && isAutomatic(st.focus.flags))
        return QStringLiteral("focus: only while focus-auto is off");
    if (name == QLatin1String("white-balance") && isAutomatic(st.whiteBalance.flags))
        return QStringLiteral("white-balance: only while white-balance-auto is off");
    if (name == QLatin1String("tracking-effect") || name == QLatin1String("tracking-speed")) {
        const int mode = trackingMode();
        if (mode != 1) {
            QJsonValue shown;
            read(QStringLiteral("tracking-mode"), &shown);
            return QStringLiteral("%1: only while tracking-mode is auto-framing (it is %2)").arg(name, valueText(shown));
        }
    }
    return QString();
}

CameraSession::Outcome CameraSession::write(const QString &name, const QJsonValue &value)
{
    Outcome outcome;
    outcome.name = name;
    const Definition *def = definition(name);
    if (!def) {
        outcome.status = Outcome::Unknown;
        outcome.message = QStringLiteral("unknown setting \"%1\"; the settings are: %2")
                              .arg(name, settingNames().join(QStringLiteral(", ")));
        return outcome;
    }
    const QString missing = missingReason(name);
    if (!missing.isEmpty()) {
        outcome.status = Outcome::Refused;
        outcome.message = missing;
        return outcome;
    }
    int number = 0;
    QString error;
    if (!parse(*def, value, &number, &error)) {
        outcome.status = Outcome::BadValue;
        outcome.message = error;
        return outcome;
    }
    if (!m_open) {
        outcome.status = Outcome::NotTaken;
        outcome.message = QStringLiteral("%1: the camera is gone").arg(name);
        return outcome;
    }
    refresh();
    if (def->kind == Kind::Range) {
        const CameraPropertyState::Property &p = cameraPropertyState.*(def->member);
        if (number < lowOf(name, p) || number > highOf(name, p)) {
            outcome.status = Outcome::Refused;
            outcome.message = QStringLiteral("%1: %2 is outside what this camera takes (%3)")
                                  .arg(name, QString::number(number), allowedValues(name));
            return outcome;
        }
    }
    const QString refusal = precondition(*def, number);
    if (!refusal.isEmpty()) {
        outcome.status = Outcome::Refused;
        outcome.message = refusal;
        return outcome;
    }
    switch (def->source) {
    case Source::CameraControl:
    case Source::VideoProc:
        return writeProperty(*def, number);
    case Source::FocusAuto:
    case Source::WhiteBalanceAuto:
        return writeAutoMode(*def, number);
    case Source::Vendor:
        return writeVendor(*def, number);
    }
    return outcome;
}

CameraSession::Outcome CameraSession::finish(const Definition &def, int sent, bool taken, const QString &timeoutText)
{
    Outcome outcome;
    outcome.name = QLatin1String(def.name);
    QString notice;
    if (taken && def.restarts) {
        notice = QLatin1String(def.name) == QLatin1String("hd-mode") ? notices::hdModeRestartNotice()
                                                                       : notices::restartNotice();
        if (!waitForReturn()) {
            outcome.status = Outcome::NotTaken;
            outcome.message = QStringLiteral("%1: the camera did not come back after its restart").arg(outcome.name);
            return outcome;
        }
    }
    int held = 0;
    const bool answered = (taken || def.resync) && readNumber(def, &held);
    if (answered)
        outcome.value = present(def, held);
    if (!taken) {
        outcome.status = Outcome::NotTaken;
        outcome.message = answered ? QStringLiteral("%1 %2 is %3").arg(timeoutText, outcome.name, valueText(outcome.value))
                                   : timeoutText;
        return outcome;
    }
    if (answered && held != sent) {
        outcome.status = Outcome::NotTaken;
        outcome.message =
            QStringLiteral("%1 %2 is %3").arg(notices::valueNotTaken(), outcome.name, valueText(outcome.value));
        return outcome;
    }
    if (!answered)
        outcome.value = present(def, sent);
    outcome.status = Outcome::Done;
    outcome.message = notice;
    return outcome;
}

CameraSession::Outcome CameraSession::writeProperty(const Definition &def, int value)
{
    const bool taken = def.source == Source::CameraControl ? m_dshow.setCameraCtlValue(def.id, value)
                                                           : m_dshow.setVideoProcValue(def.id, value);
    if (!taken)
        qWarning() << "The camera did not take the" << def.name << "value" << value;
    return finish(def, value, taken, notices::settingTimeout());
}

CameraSession::Outcome CameraSession::writeAutoMode(const Definition &def, int on)
{
    CameraPropertyState::Property &p = cameraPropertyState.*(def.member);
    bool taken = false;
    if (def.source == Source::FocusAuto) {
        if (on) {
            taken = m_uvc.SetAutoFocus();
        } else {
            // Manual focus starts where automatic focus left the lens.
            m_dshow.getCameraCtlValue(def.id, p.current);
            taken = m_dshow.setCameraCtlValue(def.id, p.current);
        }
    } else {
        taken = on ? m_dshow.setVideoProcAuto(def.id) : m_dshow.setVideoProcValue(def.id, p.current);
    }
    return finish(def, on, taken, notices::settingTimeout());
}

void CameraSession::goHome()
{
    CameraPropertyState &st = cameraPropertyState;
    if (st.tilt.current == 0 && st.pan.current == 0 && st.zoom.current == CameraRules::kZoomWide)
        return;
    // A new field of view starts from the camera's home position.
    m_dshow.setCameraCtlValue(CameraRules::kPropTilt, st.tilt.defaultValue);
    m_dshow.setCameraCtlValue(CameraRules::kPropPan, st.pan.defaultValue);
    m_dshow.setCameraCtlValue(CameraRules::kPropZoom,
                              std::clamp(st.zoom.defaultValue, st.zoom.minimum, st.zoom.maximum));
    refresh();
}

CameraSession::Outcome CameraSession::writeVendor(const Definition &def, int value)
{
    const QString name = QLatin1String(def.name);
    if (def.restarts) {
        // The camera restarts on a change only; the same value again changes nothing.
        int held = 0;
        if ((m_uvc.*(def.get))(held) && held == value) {
            Outcome outcome;
            outcome.name = name;
            outcome.value = present(def, held);
            return outcome;
        }
    }
    if (name == QLatin1String("field-of-view"))
        goHome();
    const bool taken = (m_uvc.*(def.set))(value);
    if (taken && name == QLatin1String("tracking-mode") && value == 0) {
        // Back to manual framing: the wide view first.
        const CameraPropertyState::Property &zoom = cameraPropertyState.zoom;
        m_dshow.setCameraCtlValue(CameraRules::kPropZoom, std::clamp(zoom.defaultValue, zoom.minimum, zoom.maximum));
    }
    if (!taken)
        qDebug() << "Set" << def.name << "failed:" << value;
    return finish(def, value, taken,
                  def.timeout == Timeout::Operation ? notices::operationTimeout() : notices::settingTimeout());
}

bool CameraSession::waitForReturn()
{
    m_uvc.ReleaseUvc();
    m_dshow.releaseCamera();
    m_open = false;
    for (int waited = 0; waited < kReturnWaitMs; waited += kReturnPollMs) {
        platform::sleepMs(kReturnPollMs);
        QList<CameraEntry> entries;
        m_dshow.listCaptureDevices(entries);
        for (const CameraEntry &entry : qAsConst(entries)) {
            if (entry.id == m_camera.path && entry.name == m_camera.name)
                return reopen();
        }
    }
    qWarning() << "The camera did not come back:" << m_camera.name;
    return false;
}
