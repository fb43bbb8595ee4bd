#include "ctl/CameraSession.h"

#include "camera/CameraRules.h"
#include "ctl/CtlOutput.h"
#include "platform/Clock.h"

#include <QDebug>

#include <algorithm>

namespace {

// Option lists are written with their English labels in lower case, spaces as "-".
QString slug(const QString &label)
{
    return label.toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

bool isAutomatic(std::int32_t flags)
{
    return (flags & DShowCameraWrapper::kFlagsAuto) != 0;
}

// The option lists are named by their English labels.
const OptionTable &optionsOf(const CameraSetting &setting)
{
    return setting.options(0);
}

constexpr int kReturnPollMs = 500;
constexpr int kReturnWaitMs = 30000;

} // namespace

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

QJsonObject CameraSession::Outcome::toJson() const
{
    const auto orNull = [](const QString &text) {
        return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
    };
    return QJsonObject{{QStringLiteral("name"), name},
                       {QStringLiteral("status"), statusText()},
                       {QStringLiteral("reason"), orNull(reason)},
                       {QStringLiteral("value"), value.isUndefined() ? QJsonValue(QJsonValue::Null) : value},
                       {QStringLiteral("message"), orNull(message)}};
}

void CameraSession::sortSteps(QList<Step> &steps)
{
    std::stable_sort(steps.begin(), steps.end(), [](const Step &a, const Step &b) {
        return writeRank(a.name, a.value) < writeRank(b.name, b.value);
    });
}

CameraSession::CameraSession(int productLine)
    : m_productLine(productLine)
{
}

CameraSession::~CameraSession()
{
    closeCamera();
}

QStringList CameraSession::settingNames()
{
    return camerasettings::names();
}

bool CameraSession::isSetting(const QString &name)
{
    return camerasettings::find(name) != nullptr;
}

bool CameraSession::openCamera(const ListedCamera &camera, QString *error)
{
    closeCamera();
    m_camera = camera;
    m_device.setModels(camera.model, camera.identityModel, m_productLine);
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
    m_device.closeChannels();
    m_open = m_device.openChannels(m_camera.path, m_camera.name);
    m_device.setFirmware(m_camera.firmware);
    if (m_open)
        m_device.readProperties();
    return m_open;
}

void CameraSession::closeCamera()
{
    if (!m_open)
        return;
    m_device.closeChannels();
    m_open = false;
}

bool CameraSession::has(const CameraSetting &setting) const
{
    return m_device.offers(setting);
}

QString CameraSession::missingReason(const QString &name) const
{
    const CameraSetting *setting = camerasettings::find(name);
    if (setting && has(*setting))
        return QString();
    return QStringLiteral("%1: camera %2 (model %3) has no %1; it has: %4")
        .arg(name, m_camera.describe(), QString::number(m_camera.model), availableNames().join(QStringLiteral(", ")));
}

QStringList CameraSession::availableNames() const
{
    QStringList names;
    for (const CameraSetting &setting : camerasettings::all()) {
        if (has(setting))
            names << setting.settingName();
    }
    return names;
}

int CameraSession::lowOf(const CameraSetting &setting) const
{
    const CameraPropertyState::Property &p = m_device.properties().*(setting.property);
    return setting.range == RangeSource::CameraPanTilt ? CameraRules::panTiltLow(p) : p.minimum;
}

int CameraSession::highOf(const CameraSetting &setting) const
{
    const CameraPropertyState::Property &p = m_device.properties().*(setting.property);
    return setting.range == RangeSource::CameraPanTilt ? CameraRules::panTiltHigh(p) : p.maximum;
}

QString CameraSession::allowedValues(const QString &name) const
{
    const CameraSetting *setting = camerasettings::find(name);
    if (!setting)
        return QString();
    switch (setting->kind) {
    case SettingKind::Range:
        return QStringLiteral("%1..%2").arg(lowOf(*setting)).arg(highOf(*setting));
    case SettingKind::Switch:
        return QStringLiteral("on, off");
    case SettingKind::Choice:
        return optionWords(*setting);
    }
    return QString();
}

QString CameraSession::optionWords(const CameraSetting &setting)
{
    QStringList words;
    for (const OptionEntry &entry : optionsOf(setting))
        words << slug(entry.label);
    return words.join(QStringLiteral(", "));
}

bool CameraSession::checkValue(const QString &name, const QJsonValue &value, QString *error)
{
    const CameraSetting *setting = camerasettings::find(name);
    int number = 0;
    if (!setting) {
        *error = QStringLiteral("unknown setting \"%1\"; the settings are: %2")
                     .arg(name, settingNames().join(QStringLiteral(", ")));
        return false;
    }
    return parseValue(*setting, value, &number, error);
}

bool CameraSession::parseValue(const CameraSetting &setting, const QJsonValue &value, int *number, QString *error)
{
    const QString name = setting.settingName();
    QString text;
    if (value.isDouble())
        text = QString::number(value.toDouble(), 'g', 16);
    else if (value.isBool())
        text = value.toBool() ? QStringLiteral("on") : QStringLiteral("off");
    else
        text = value.toString().trimmed();
    bool ok = false;
    switch (setting.kind) {
    case SettingKind::Range:
        *number = text.toInt(&ok);
        if (!ok)
            *error = QStringLiteral("%1: \"%2\" is not a whole number").arg(name, text);
        return ok;
    case SettingKind::Switch: {
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
    case SettingKind::Choice: {
        const OptionTable &options = optionsOf(setting);
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
        *error = QStringLiteral("%1: \"%2\" is none of %3").arg(name, text, optionWords(setting));
        return false;
    }
    }
    return false;
}

QJsonValue CameraSession::presentValue(const CameraSetting &setting, int number)
{
    switch (setting.kind) {
    case SettingKind::Range:
        return number;
    case SettingKind::Switch:
        return number != 0 ? QStringLiteral("on") : QStringLiteral("off");
    case SettingKind::Choice: {
        const OptionTable &options = optionsOf(setting);
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

bool CameraSession::readSetting(const QString &name, QJsonValue *value)
{
    const CameraSetting *setting = camerasettings::find(name);
    int number = 0;
    if (!setting || !m_open || !m_device.readSetting(*setting, number))
        return false;
    *value = presentValue(*setting, number);
    return true;
}

QString CameraSession::faultReason() const
{
    switch (m_device.lastFault()) {
    case OpenCamera::Fault::NoExtensionUnit:
        return QStringLiteral("no-extension-unit");
    case OpenCamera::Fault::Refused:
        return QStringLiteral("camera-refused");
    case OpenCamera::Fault::None:
    case OpenCamera::Fault::NoAnswer:
        break;
    }
    return QStringLiteral("no-answer");
}

QString CameraSession::faultText(const QString &name, const QString &sent) const
{
    switch (m_device.lastFault()) {
    case OpenCamera::Fault::NoExtensionUnit:
        return QStringLiteral("%1: the camera has no extension unit, which this setting needs").arg(name);
    case OpenCamera::Fault::Refused:
        return QStringLiteral("%1: the camera refused %2 (status 0x%3)")
            .arg(name, sent.isEmpty() ? QStringLiteral("the query") : sent)
            .arg(quint32(m_device.lastStatus()), 8, 16, QLatin1Char('0'));
    case OpenCamera::Fault::None:
    case OpenCamera::Fault::NoAnswer:
        break;
    }
    return QStringLiteral("%1: the camera did not answer").arg(name);
}

QJsonObject CameraSession::readFailure(const QString &name) const
{
    return QJsonObject{{QStringLiteral("name"), name},
                       {QStringLiteral("reason"), faultReason()},
                       {QStringLiteral("message"), faultText(name, QString())}};
}

QJsonObject CameraSession::readAllSettings(QJsonArray *errors)
{
    QJsonObject values;
    m_device.readProperties();
    for (const QString &name : availableNames()) {
        QJsonValue value;
        if (readSetting(name, &value))
            values.insert(name, value);
        else
            errors->append(readFailure(name));
    }
    return values;
}

QJsonObject CameraSession::describe(const QString &name) const
{
    const CameraSetting *setting = camerasettings::find(name);
    if (!setting)
        return QJsonObject();
    switch (setting->kind) {
    case SettingKind::Range: {
        const CameraPropertyState::Property &p = m_device.properties().*(setting->property);
        const int low = lowOf(*setting);
        const int high = highOf(*setting);
        // A default the camera gives outside its own range (zoom's 0) is where the
        // camera goes back to: the nearest end.
        return QJsonObject{{QStringLiteral("kind"), QStringLiteral("range")},
                           {QStringLiteral("min"), low},
                           {QStringLiteral("max"), high},
                           {QStringLiteral("step"), std::max(1, int(p.step))},
                           {QStringLiteral("default"), std::clamp(int(p.defaultValue), low, high)}};
    }
    case SettingKind::Switch:
        return QJsonObject{{QStringLiteral("kind"), QStringLiteral("switch")},
                           {QStringLiteral("values"), QJsonArray{QStringLiteral("on"), QStringLiteral("off")}}};
    case SettingKind::Choice:
        return QJsonObject{{QStringLiteral("kind"), QStringLiteral("choice")},
                           {QStringLiteral("values"),
                            QJsonArray::fromStringList(optionWords(*setting).split(QStringLiteral(", ")))}};
    }
    return QJsonObject();
}

int CameraSession::writeRank(const QString &name, const QJsonValue &value)
{
    const CameraSetting *setting = camerasettings::find(name);
    if (!setting)
        return 3;
    const QString text = value.isString() ? value.toString().trimmed().toLower() : QString();
    const bool off = text == QLatin1String("off") || text == QLatin1String("0") || text == QLatin1String("false")
        || text == QLatin1String("no") || (value.isDouble() && value.toInt() == 0) || (value.isBool() && !value.toBool());
    return camerasettings::writeRank(*setting, off);
}

QString CameraSession::precondition(const CameraSetting &setting)
{
    const QString name = setting.settingName();
    const CameraPropertyState &st = m_device.properties();
    const auto trackingShown = [this] {
        QJsonValue shown;
        readSetting(QStringLiteral("tracking-mode"), &shown);
        return valueText(shown);
    };
    // The window offers these only while the camera frames by hand.
    if (setting.hasCondition(WhileTrackingOff) && m_device.trackingMode() > 0)
        return QStringLiteral("%1: only while tracking-mode is off (it is %2)").arg(name, trackingShown());
    if (setting.hasCondition(WhileZoomedIn) && st.zoom.current <= CameraRules::kZoomWide)
        return QStringLiteral("%1: only when zoomed in, with zoom above %2 (it is %3)")
            .arg(name)
            .arg(CameraRules::kZoomWide)
            .arg(st.zoom.current);
    if (setting.hasCondition(WhileFocusManual) && isAutomatic(st.focus.flags))
        return QStringLiteral("focus: only while focus-auto is off");
    if (setting.hasCondition(WhileWhiteBalanceManual) && isAutomatic(st.whiteBalance.flags))
        return QStringLiteral("white-balance: only while white-balance-auto is off");
    if (setting.hasCondition(WhileAutoFraming) && m_device.trackingMode() != 1)
        return QStringLiteral("%1: only while tracking-mode is auto-framing (it is %2)").arg(name, trackingShown());
    return QString();
}

CameraSession::Outcome CameraSession::writeSetting(const QString &name, const QJsonValue &value)
{
    Outcome outcome;
    outcome.name = name;
    const CameraSetting *setting = camerasettings::find(name);
    if (!setting) {
        outcome.status = Outcome::Unknown;
        outcome.reason = QStringLiteral("unknown");
        outcome.message = QStringLiteral("unknown setting \"%1\"; the settings are: %2")
                              .arg(name, settingNames().join(QStringLiteral(", ")));
        return outcome;
    }
    const QString missing = missingReason(name);
    if (!missing.isEmpty()) {
        outcome.status = Outcome::Refused;
        outcome.reason = QStringLiteral("missing");
        outcome.message = missing;
        return outcome;
    }
    int number = 0;
    QString error;
    if (!parseValue(*setting, value, &number, &error)) {
        outcome.status = Outcome::BadValue;
        outcome.reason = QStringLiteral("bad-value");
        outcome.message = error;
        return outcome;
    }
    if (!m_open) {
        outcome.status = Outcome::NotTaken;
        outcome.reason = QStringLiteral("no-answer");
        outcome.message = QStringLiteral("%1: the camera is gone").arg(name);
        return outcome;
    }
    m_device.readProperties();
    if (setting->kind == SettingKind::Range && (number < lowOf(*setting) || number > highOf(*setting))) {
        outcome.status = Outcome::Refused;
        outcome.reason = QStringLiteral("out-of-range");
        outcome.message = QStringLiteral("%1: %2 is outside what this camera takes (%3)")
                              .arg(name, QString::number(number), allowedValues(name));
        return outcome;
    }
    const QString refusal = precondition(*setting);
    if (!refusal.isEmpty()) {
        outcome.status = Outcome::Refused;
        outcome.reason = QStringLiteral("state");
        outcome.message = refusal;
        return outcome;
    }
    return writeValue(*setting, number);
}

CameraSession::Outcome CameraSession::finish(const CameraSetting &setting, int sent, bool taken)
{
    Outcome outcome;
    outcome.name = setting.settingName();
    const QString sentText = valueText(presentValue(setting, sent));
    // What the camera did with the request, before the read-back asks it again.
    const QString fault = taken ? QString() : faultText(outcome.name, sentText);
    const QString reason = taken ? QString() : faultReason();
    QString notice;
    if (taken && setting.restarts) {
        notice = CtlOutput::plain(camerasettings::restartText(setting));
        if (!waitForReturn()) {
            outcome.status = Outcome::NotTaken;
            outcome.reason = QStringLiteral("no-return");
            outcome.message = QStringLiteral("%1: the camera did not come back after its restart").arg(outcome.name);
            return outcome;
        }
    }
    int held = 0;
    const bool answered = (taken || setting.resync) && m_device.readSetting(setting, held);
    if (answered)
        outcome.value = presentValue(setting, held);
    if (!taken) {
        outcome.status = Outcome::NotTaken;
        outcome.reason = reason;
        outcome.message = answered ? QStringLiteral("%1; %2 is %3").arg(fault, outcome.name, valueText(outcome.value))
                                   : fault;
        return outcome;
    }
    if (answered && held != sent) {
        outcome.status = Outcome::NotTaken;
        outcome.reason = QStringLiteral("not-kept");
        outcome.message = QStringLiteral("%1: %2 sent, the camera holds %3").arg(outcome.name, sentText, valueText(outcome.value));
        return outcome;
    }
    if (!answered)
        outcome.value = presentValue(setting, sent);
    outcome.status = Outcome::Done;
    outcome.message = notice;
    return outcome;
}

void CameraSession::goHome()
{
    const CameraPropertyState &st = m_device.properties();
    if (st.tilt.current == 0 && st.pan.current == 0 && st.zoom.current == CameraRules::kZoomWide)
        return;
    // A new field of view starts from the camera's home position.
    DShowCameraWrapper &standard = m_device.standard();
    standard.setCameraCtlValue(CameraRules::kPropTilt, st.tilt.defaultValue);
    standard.setCameraCtlValue(CameraRules::kPropPan, st.pan.defaultValue);
    standard.setCameraCtlValue(CameraRules::kPropZoom, std::clamp(st.zoom.defaultValue, st.zoom.minimum, st.zoom.maximum));
    m_device.readProperties();
}

CameraSession::Outcome CameraSession::writeValue(const CameraSetting &setting, int value)
{
    if (setting.source != SettingSource::Vendor) {
        const bool taken = m_device.writeSetting(setting, value);
        if (!taken && setting.isStandard())
            qWarning() << "The camera did not take the" << setting.name << "value" << value;
        return finish(setting, value, taken);
    }
    if (setting.restarts) {
        // The camera restarts on a change only; the same value again changes nothing.
        int held = 0;
        if (m_device.readSetting(setting, held) && held == value) {
            Outcome outcome;
            outcome.name = setting.settingName();
            outcome.value = presentValue(setting, held);
            return outcome;
        }
    }
    if (setting.id == SettingId::FieldOfView)
        goHome();
    const bool taken = m_device.writeSetting(setting, value);
    if (taken && setting.id == SettingId::TrackingMode && value == 0) {
        // Back to manual framing: the wide view first.
        const CameraPropertyState::Property &zoom = m_device.properties().zoom;
        m_device.standard().setCameraCtlValue(CameraRules::kPropZoom,
                                              std::clamp(zoom.defaultValue, zoom.minimum, zoom.maximum));
    }
    if (!taken)
        qDebug() << "Set" << setting.name << "failed:" << value;
    return finish(setting, value, taken);
}

bool CameraSession::waitForReturn()
{
    m_device.closeChannels();
    m_open = false;
    for (int waited = 0; waited < kReturnWaitMs; waited += kReturnPollMs) {
        platform::sleepMs(kReturnPollMs);
        QList<CameraEntry> entries;
        m_device.standard().listCaptureDevices(entries);
        for (const CameraEntry &entry : qAsConst(entries)) {
            if (entry.id == m_camera.path && entry.name == m_camera.name)
                return reopen();
        }
    }
    qWarning() << "The camera did not come back:" << m_camera.name;
    return false;
}
