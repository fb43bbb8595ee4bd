#include "remote/ViscaDrive.h"

#include "camera/CameraRules.h"
#include "camera/CameraSetting.h"
#include "camera/OpenCamera.h"
#include "platform/Clock.h"
#include "remote/ViscaTarget.h"

#include <QDebug>

#include <algorithm>

namespace {

SettingId settingOf(ViscaDrive::Axis axis)
{
    switch (axis) {
    case ViscaDrive::Pan:
        return SettingId::Pan;
    case ViscaDrive::Tilt:
        return SettingId::Tilt;
    case ViscaDrive::Zoom:
        return SettingId::Zoom;
    case ViscaDrive::Focus:
        break;
    }
    return SettingId::Focus;
}

} // namespace

ViscaDrive::ViscaDrive(ViscaTarget &target, QObject *parent)
    : QObject(parent)
    , m_target(target)
{
    connect(&m_timer, &QTimer::timeout, this, &ViscaDrive::tick);
}

ViscaDrive::~ViscaDrive() = default;

void ViscaDrive::drive(Axis axis, int direction, qint64 milliUnitsPerSecond)
{
    if (direction == 0 || milliUnitsPerSecond <= 0) {
        stop(axis);
        return;
    }
    Motion &m = m_axes[axis];
    if (m.direction != direction)
        m.carry = 0;
    m.direction = direction > 0 ? 1 : -1;
    m.rate = milliUnitsPerSecond;
    m_silentMs = 0;
    if (!m_timer.isActive())
        platform::startTimer(m_timer, kTickMs);
}

void ViscaDrive::stop(Axis axis)
{
    m_axes[axis] = Motion();
    if (!isMoving())
        m_timer.stop();
}

void ViscaDrive::stopAll()
{
    for (Motion &m : m_axes)
        m = Motion();
    m_timer.stop();
}

bool ViscaDrive::isMoving() const
{
    return std::any_of(std::begin(m_axes), std::end(m_axes), [](const Motion &m) { return m.direction != 0; });
}

void ViscaDrive::tick()
{
    m_silentMs += kTickMs;
    if (m_silentMs >= kSilenceMs) {
        qInfo() << "VISCA: the driving client has been silent for" << kSilenceMs << "ms; safety stop";
        stopAll();
        return;
    }
    for (int a = 0; a < kAxes; ++a) {
        Motion &m = m_axes[a];
        if (m.direction == 0)
            continue;
        m.carry += m.rate * kTickMs / 1000;
        const int units = static_cast<int>(m.carry / 1000);
        if (units == 0)
            continue;
        m.carry %= 1000;
        if (!step(static_cast<Axis>(a), units * m.direction))
            stop(static_cast<Axis>(a));
    }
}

bool ViscaDrive::step(Axis axis, int units)
{
    OpenCamera *camera = m_target.camera();
    if (!camera)
        return false;
    const CameraSetting &setting = camerasettings::setting(settingOf(axis));
    int current = 0;
    if (!camera->readSetting(setting, current)) {
        m_target.unanswered();
        return false;
    }
    const CameraPropertyState::Property &range = camera->properties().*(setting.property);
    int low = range.minimum;
    int high = range.maximum;
    if (setting.range == RangeSource::CameraPanTilt) {
        low = CameraRules::panTiltLow(range);
        high = CameraRules::panTiltHigh(range);
    }
    if (low > high)
        return false;
    const int next = std::clamp(current + units, low, high);
    if (next == current)
        return false; // at the limit
    if (!camera->writeSetting(setting, next)) {
        m_target.unanswered();
        return false;
    }
    return true;
}
