#include "remote/ViscaEngine.h"

#include "camera/CameraRules.h"
#include "camera/CameraSetting.h"
#include "camera/OpenCamera.h"
#include "camera/PresetMotion.h"
#include "camera/PresetStore.h"
#include "catalogue/Catalogue.h"
#include "core/SettingsStore.h"
#include "remote/ViscaPacket.h"
#include "remote/ViscaTarget.h"

#include <QDebug>

#include <algorithm>

namespace {

using Op = ViscaCommand::Op;

const CameraSetting &settingOf(SettingId id)
{
    return camerasettings::setting(id);
}

const QString kGone = QStringLiteral("the camera is not there");
const QString kNoAnswer = QStringLiteral("the camera does not answer");

// Pan and tilt rates: the top speed moves ten units (degrees) a second.
qint64 panRate(int speed)
{
    return qint64(speed) * 10000 / ViscaCommand::kMaxPanSpeed;
}

qint64 tiltRate(int speed)
{
    return qint64(speed) * 10000 / ViscaCommand::kMaxTiltSpeed;
}

// Zoom and focus: speed p crosses (p + 1) / 16 of the range a second.
qint64 rangeRate(const CameraPropertyState::Property &range, int speed)
{
    return qint64(std::max(0, range.maximum - range.minimum)) * 1000 * (speed + 1) / 16;
}

// 0, or the limit nearest to it for a camera whose range leaves 0 out.
int homeValue(const CameraPropertyState::Property &axis)
{
    const int low = CameraRules::panTiltLow(axis);
    const int high = CameraRules::panTiltHigh(axis);
    return low > high ? 0 : std::clamp(0, low, high);
}

QByteArray byte(int value)
{
    return QByteArray(1, static_cast<char>(value));
}

// A byte of the version answer; 0xFF would end the message.
char versionByte(int value)
{
    const int b = value & 0xFF;
    return static_cast<char>(b == 0xFF ? 0xFE : b);
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

} // namespace

ViscaEngine::ViscaEngine(ViscaTarget &target, QObject *parent)
    : QObject(parent)
    , m_target(target)
    , m_drive(target)
{
}

ViscaEngine::~ViscaEngine() = default;

int ViscaEngine::zoomFromPosition(int position, int low, int high)
{
    if (high <= low)
        return low;
    return low + static_cast<int>((qint64(position) * (high - low) + kZoomPositionMax / 2) / kZoomPositionMax);
}

int ViscaEngine::positionFromZoom(int zoom, int low, int high)
{
    if (high <= low)
        return 0;
    const int z = std::clamp(zoom, low, high);
    return static_cast<int>((qint64(z - low) * kZoomPositionMax + (high - low) / 2) / (high - low));
}

QList<QByteArray> ViscaEngine::handle(const QByteArray &message, quint64 client)
{
    if (client == m_driver)
        m_drive.heard();
    const ViscaPacket packet = ViscaPacket::parse(message);
    const quint8 reply = packet.replyAddress();
    if (packet.status() == ViscaPacket::Status::TooLong)
        return {ViscaPacket::lengthError(reply)};
    const ViscaCommand command = ViscaCommand::decode(packet);
    if (!command.isValid()) {
        // The server logs what it refuses (and keeps a flood out of the log).
        return {ViscaPacket::syntaxError(reply)};
    }
    switch (command.op) {
    case Op::IfClear:
        m_drive.stopAll();
        if (packet.isBroadcast())
            return {message};
        return {ViscaPacket::completion(reply, 0)};
    case Op::AddressSet: {
        // One camera on this line: the next one would take the address after it.
        QByteArray answer = message;
        answer[2] = static_cast<char>(command.number + 1);
        return {answer};
    }
    case Op::Cancel:
        // Every command completes before its reply: nothing is ever left to cancel.
        return {ViscaPacket::noSocket(reply, command.number)};
    default:
        break;
    }
    if (command.isInquiry()) {
        QByteArray data;
        const QString why = inquire(command, &data);
        if (!why.isEmpty()) {
            qInfo().noquote() << "VISCA: inquiry" << hex(message) << "not executable:" << why;
            return {ViscaPacket::notExecutable(reply, 0)};
        }
        return {ViscaPacket::inquiryAnswer(reply, data)};
    }
    const QString why = execute(command, client);
    if (!why.isEmpty()) {
        qInfo().noquote() << "VISCA: command" << hex(message) << "not executable:" << why;
        return {ViscaPacket::notExecutable(reply, kSocket)};
    }
    return {ViscaPacket::ack(reply, kSocket), ViscaPacket::completion(reply, kSocket)};
}

void ViscaEngine::clientGone(quint64 client)
{
    if (client == m_driver && m_drive.isMoving()) {
        qInfo() << "VISCA: the driving client left; the drive stops";
        m_drive.stopAll();
    }
    if (client == m_driver)
        m_driver = 0;
}

QString ViscaEngine::motionRefusal(OpenCamera *camera)
{
    if (!camera)
        return kGone;
    if (!hasPresetMotion(*camera))
        return QStringLiteral("the model has no pan, tilt or zoom");
    if (camera->offers(settingOf(SettingId::TrackingMode)) && camera->trackingMode() > 0)
        return QStringLiteral("tracking is on");
    return QString();
}

QString ViscaEngine::focusRefusal(OpenCamera *camera, bool manualOnly)
{
    if (!camera)
        return kGone;
    if (!camera->offers(settingOf(SettingId::Focus)))
        return QStringLiteral("the model has no focus control");
    if (!manualOnly)
        return QString();
    int automatic = 0;
    if (!camera->readSetting(settingOf(SettingId::FocusAuto), automatic)) {
        m_target.unanswered();
        return kNoAnswer;
    }
    return automatic ? QStringLiteral("focus is automatic") : QString();
}

QString ViscaEngine::writeChecked(OpenCamera *camera, SettingId id, int value)
{
    const CameraSetting &s = settingOf(id);
    if (!camera->writeSetting(s, value)) {
        m_target.unanswered();
        return QStringLiteral("the camera refused %1 %2").arg(s.settingName()).arg(value);
    }
    int held = 0;
    if (!camera->readSetting(s, held)) {
        m_target.unanswered();
        return kNoAnswer;
    }
    if (held != value)
        return QStringLiteral("%1: %2 sent, the camera holds %3").arg(s.settingName()).arg(value).arg(held);
    return QString();
}

QString ViscaEngine::panTiltTo(OpenCamera *camera, int pan, int tilt, bool clampToRange)
{
    const CameraPropertyState &st = camera->properties();
    const struct
    {
        SettingId id;
        int value;
        const CameraPropertyState::Property &range;
    } axes[] = {{SettingId::Pan, pan, st.pan}, {SettingId::Tilt, tilt, st.tilt}};
    int values[2] = {pan, tilt};
    for (int i = 0; i < 2; ++i) {
        const int low = CameraRules::panTiltLow(axes[i].range);
        const int high = CameraRules::panTiltHigh(axes[i].range);
        if (clampToRange)
            values[i] = std::clamp(values[i], low, high);
        else if (values[i] < low || values[i] > high)
            return QStringLiteral("%1 %2 is outside %3..%4")
                .arg(settingOf(axes[i].id).settingName())
                .arg(values[i])
                .arg(low)
                .arg(high);
    }
    for (int i = 0; i < 2; ++i) {
        const QString why = writeChecked(camera, axes[i].id, values[i]);
        if (!why.isEmpty())
            return why;
    }
    return QString();
}

void ViscaEngine::startDrive(ViscaDrive::Axis axis, int direction, qint64 rate, quint64 client)
{
    m_driver = client;
    m_drive.drive(axis, direction, rate);
}

QString ViscaEngine::memory(OpenCamera *camera, const ViscaCommand &command)
{
    if (command.number >= kMemoryCount)
        return QStringLiteral("memory %1 is none of 0..%2").arg(command.number).arg(kMemoryCount - 1);
    if (!camera)
        return kGone;
    const QString key = camera->presetKey();
    if (key.isEmpty())
        return QStringLiteral("the camera keeps no presets");
    const int number = command.number + 1;
    SettingsStore settings;
    PresetStore store(settings);
    QString detail;
    switch (command.op) {
    case Op::MemoryReset:
        store.clear(key, number);
        m_target.presetsChanged();
        return QString();
    case Op::MemorySet: {
        PositionPreset preset;
        if (savePreset(*camera, &preset, &detail) != PresetOutcome::Done)
            return detail;
        store.store(key, number, preset);
        m_target.presetsChanged();
        return QString();
    }
    default: {
        const std::optional<PositionPreset> preset = store.preset(key, number);
        if (!preset)
            return QStringLiteral("preset %1 is empty").arg(number);
        if (recallPreset(*camera, *preset, &detail) != PresetOutcome::Done)
            return detail;
        return QString();
    }
    }
}

QString ViscaEngine::execute(const ViscaCommand &c, quint64 client)
{
    // Stops always complete: whatever else fails, nothing goes on moving.
    switch (c.op) {
    case Op::ZoomStop:
        m_drive.stop(ViscaDrive::Zoom);
        return QString();
    case Op::FocusStop:
        m_drive.stop(ViscaDrive::Focus);
        return QString();
    case Op::PanTiltDrive:
        if (c.panDirection == 0 && c.tiltDirection == 0) {
            m_drive.stop(ViscaDrive::Pan);
            m_drive.stop(ViscaDrive::Tilt);
            return QString();
        }
        break;
    default:
        break;
    }

    OpenCamera *camera = m_target.camera();
    switch (c.op) {
    case Op::PanTiltDrive:
    case Op::PanTiltAbsolute:
    case Op::PanTiltRelative: {
        QString why = motionRefusal(camera);
        if (!why.isEmpty())
            return why;
        int zoom = 0;
        if (!camera->readSetting(settingOf(SettingId::Zoom), zoom)) {
            m_target.unanswered();
            return kNoAnswer;
        }
        // Pan and tilt move within the zoomed view only.
        if (zoom <= CameraRules::kZoomWide)
            return QStringLiteral("pan and tilt only zoomed in (zoom %1)").arg(zoom);
        if (c.op == Op::PanTiltDrive) {
            if (c.panDirection != 0)
                startDrive(ViscaDrive::Pan, c.panDirection, panRate(c.panSpeed), client);
            else
                m_drive.stop(ViscaDrive::Pan);
            if (c.tiltDirection != 0)
                startDrive(ViscaDrive::Tilt, c.tiltDirection, tiltRate(c.tiltSpeed), client);
            else
                m_drive.stop(ViscaDrive::Tilt);
            return QString();
        }
        if (c.op == Op::PanTiltAbsolute)
            return panTiltTo(camera, c.pan, c.tilt, false);
        int pan = 0;
        int tilt = 0;
        if (!camera->readSetting(settingOf(SettingId::Pan), pan) || !camera->readSetting(settingOf(SettingId::Tilt), tilt)) {
            m_target.unanswered();
            return kNoAnswer;
        }
        return panTiltTo(camera, pan + c.pan, tilt + c.tilt, true);
    }
    case Op::PanTiltHome:
    case Op::PanTiltReset: {
        m_drive.stop(ViscaDrive::Pan);
        m_drive.stop(ViscaDrive::Tilt);
        const QString why = motionRefusal(camera);
        if (!why.isEmpty())
            return why;
        const CameraPropertyState &st = camera->properties();
        return panTiltTo(camera, homeValue(st.pan), homeValue(st.tilt), true);
    }
    case Op::ZoomTele:
    case Op::ZoomWide:
    case Op::ZoomDirect: {
        const QString why = motionRefusal(camera);
        if (!why.isEmpty())
            return why;
        const CameraPropertyState::Property &range = camera->properties().zoom;
        if (c.op != Op::ZoomDirect) {
            startDrive(ViscaDrive::Zoom, c.op == Op::ZoomTele ? 1 : -1, rangeRate(range, c.speed), client);
            return QString();
        }
        if (c.position > kZoomPositionMax)
            return QStringLiteral("zoom position %1 is beyond 0x4000").arg(c.position, 4, 16, QLatin1Char('0'));
        m_drive.stop(ViscaDrive::Zoom);
        return writeChecked(camera, SettingId::Zoom, zoomFromPosition(c.position, range.minimum, range.maximum));
    }
    case Op::FocusFar:
    case Op::FocusNear:
    case Op::FocusDirect: {
        const QString why = focusRefusal(camera, true);
        if (!why.isEmpty())
            return why;
        const CameraPropertyState::Property &range = camera->properties().focus;
        if (c.op != Op::FocusDirect) {
            startDrive(ViscaDrive::Focus, c.op == Op::FocusFar ? 1 : -1, rangeRate(range, c.speed), client);
            return QString();
        }
        if (c.position < range.minimum || c.position > range.maximum)
            return QStringLiteral("focus %1 is outside %2..%3").arg(c.position).arg(range.minimum).arg(range.maximum);
        m_drive.stop(ViscaDrive::Focus);
        return writeChecked(camera, SettingId::Focus, c.position);
    }
    case Op::FocusAuto:
    case Op::FocusManual:
    case Op::FocusToggle:
    case Op::FocusOnePush: {
        QString why = focusRefusal(camera, false);
        if (!why.isEmpty())
            return why;
        int automatic = 0;
        if (!camera->readSetting(settingOf(SettingId::FocusAuto), automatic)) {
            m_target.unanswered();
            return kNoAnswer;
        }
        int wanted = c.op == Op::FocusAuto ? 1 : c.op == Op::FocusManual ? 0 : !automatic;
        if (c.op == Op::FocusOnePush) {
            // Once automatic, then held where it settled; while automatic it focuses anyway.
            if (automatic)
                return QString();
            why = writeChecked(camera, SettingId::FocusAuto, 1);
            wanted = 0;
        }
        m_drive.stop(ViscaDrive::Focus);
        return why.isEmpty() ? writeChecked(camera, SettingId::FocusAuto, wanted) : why;
    }
    case Op::MemoryReset:
        if (!camera)
            return kGone;
        if (!hasPresetMotion(*camera))
            return QStringLiteral("the model has no pan, tilt or zoom");
        return memory(camera, c);
    case Op::MemorySet:
    case Op::MemoryRecall:
        m_drive.stopAll();
        return memory(camera, c);
    default:
        break;
    }
    return QStringLiteral("not a command");
}

QString ViscaEngine::inquire(const ViscaCommand &c, QByteArray *data)
{
    OpenCamera *camera = m_target.camera();
    if (c.op == Op::PowerInquiry) {
        // On while the camera is there, standby while it is not.
        *data = byte(camera ? 0x02 : 0x03);
        return QString();
    }
    if (!camera)
        return kGone;
    const auto read = [&](SettingId id, int *value) {
        if (camera->readSetting(settingOf(id), *value))
            return true;
        m_target.unanswered();
        return false;
    };
    switch (c.op) {
    case Op::ZoomPositionInquiry: {
        if (!camera->model().cameraControls)
            return QStringLiteral("the model has no zoom");
        int zoom = 0;
        if (!read(SettingId::Zoom, &zoom))
            return kNoAnswer;
        const CameraPropertyState::Property &range = camera->properties().zoom;
        *data = ViscaPacket::nibbles(static_cast<quint16>(positionFromZoom(zoom, range.minimum, range.maximum)));
        return QString();
    }
    case Op::FocusPositionInquiry:
    case Op::FocusModeInquiry: {
        const QString why = focusRefusal(camera, false);
        if (!why.isEmpty())
            return why;
        int value = 0;
        if (!read(c.op == Op::FocusModeInquiry ? SettingId::FocusAuto : SettingId::Focus, &value))
            return kNoAnswer;
        if (c.op == Op::FocusModeInquiry)
            *data = byte(value ? 0x02 : 0x03);
        else
            *data = ViscaPacket::nibbles(static_cast<quint16>(std::clamp(value, 0, 0xFFFF)));
        return QString();
    }
    case Op::PanTiltPositionInquiry: {
        if (!camera->model().cameraControls)
            return QStringLiteral("the model has no pan or tilt");
        int pan = 0;
        int tilt = 0;
        if (!read(SettingId::Pan, &pan) || !read(SettingId::Tilt, &tilt))
            return kNoAnswer;
        *data = ViscaPacket::nibbles(static_cast<quint16>(static_cast<qint16>(std::clamp(pan, -32768, 32767))))
            + ViscaPacket::nibbles(static_cast<quint16>(static_cast<qint16>(std::clamp(tilt, -32768, 32767))));
        return QString();
    }
    case Op::VersionInquiry: {
        quint32 vendor = 0;
        quint32 product = 0;
        parseVidPid(camera->id(), vendor, product);
        // The firmware "major.minor.patch" as one nibble each for major and minor and a
        // byte for the patch.
        const QStringList parts = camera->firmware().split(QLatin1Char('.'));
        const auto part = [&](int i) { return parts.size() > i ? parts.at(i).toInt() : 0; };
        const int rom = (std::clamp(part(0), 0, 15) << 12) | (std::clamp(part(1), 0, 15) << 8) | std::clamp(part(2), 0, 255);
        data->clear();
        data->append(versionByte(vendor >> 8)).append(versionByte(vendor));
        data->append(versionByte(product >> 8)).append(versionByte(product));
        data->append(versionByte(rom >> 8)).append(versionByte(rom));
        data->append(static_cast<char>(0x02)); // the sockets: two, as VISCA has
        return QString();
    }
    default:
        break;
    }
    return QStringLiteral("not an inquiry");
}
