#include "platform/sim/SimRig.h"

#include "platform/Clock.h"
#include "platform/VirtualClock.h"
#include "platform/sim/SimDeviceNotifier.h"
#include "platform/sim/SimMassStorage.h"
#include "platform/sim/SimStreamServer.h"
#include "platform/sim/SimUvcCamera.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>

namespace sim {

namespace {

QString classText(const QUuid &guid)
{
    return guid.toString(QUuid::WithBraces).toLower();
}

// A JSON value as the file writes it ("1e+300", "2.5", "\"x\"").
QString jsonText(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

bool refuse(QString *error, const QString &key, const QString &where, const QString &what, const QJsonValue &value)
{
    if (error)
        *error = QStringLiteral("\"%1\" of %2 must be %3, not %4").arg(key, where, what, jsonText(value));
    return false;
}

// A number of the file that becomes an integer or a duration: whole and within
// [low, high]. Values of other kinds keep the field's default, as before.
bool checkNumber(const QJsonValue &value, const QString &key, const QString &where, double low, double high,
                 QString *error)
{
    if (!value.isDouble())
        return true;
    const double number = value.toDouble();
    if (number >= low && number <= high && number == double(qint64(number)))
        return true;
    return refuse(error, key, where,
                  QStringLiteral("a whole number from %1 to %2").arg(qint64(low)).arg(qint64(high)), value);
}

bool checkMember(const QJsonObject &o, const char *key, const QString &where, double low, double high,
                 QString *error)
{
    return checkNumber(o.value(QLatin1String(key)), QLatin1String(key), where, low, high, error);
}

// A USB identifier: a number or a text ("0x030A") of 16 bits.
bool checkId(const QJsonObject &o, const char *key, const QString &where, QString *error)
{
    const QJsonValue value = o.value(QLatin1String(key));
    const QString what = QStringLiteral("a number from 0 to 65535 (0x0 to 0xFFFF)");
    bool ok = true;
    if (value.isString()) {
        const uint number = value.toString().toUInt(&ok, 0);
        ok = ok && number <= 0xFFFF;
    } else {
        ok = checkNumber(value, QLatin1String(key), where, 0, 0xFFFF, nullptr);
    }
    return ok ? true : refuse(error, QLatin1String(key), where, what, value);
}

constexpr double kIntMin = -2147483648.0;
constexpr double kIntMax = 2147483647.0;
constexpr double kMaxMs = double(SimRig::kMaxDurationMs);

} // namespace

bool SimRig::checkDeviceNumbers(const QJsonObject &config, const QString &where, QString *error)
{
    if (!checkId(config, "vendorId", where, error) || !checkId(config, "productId", where, error)
        || !checkMember(config, "interface", where, 0, 255, error)
        || !checkMember(config, "restartDelayMs", where, -1, kMaxMs, error)
        || !checkMember(config, "upgradeEntryDelayMs", where, -1, kMaxMs, error)
        || !checkMember(config, "handoverMs", where, 0, kMaxMs, error)
        || !checkMember(config, "xuNode", where, -1, 255, error))
        return false;

    // The stream's sizes and rates are brought into their ranges as documented; they
    // must still be integers.
    const QJsonObject stream = config.value(QStringLiteral("stream")).toObject();
    const QString streamWhere = where + QStringLiteral(".stream");
    for (const char *key : {"width", "height", "fps", "cycleFrames"}) {
        if (!checkMember(stream, key, streamWhere, kIntMin, kIntMax, error))
            return false;
    }
    const QJsonArray modes = stream.value(QStringLiteral("modes")).toArray();
    for (int i = 0; i < modes.size(); ++i) {
        const QString modeWhere = streamWhere + QStringLiteral(".modes[%1]").arg(i);
        for (const char *key : {"width", "height", "fps"}) {
            if (!checkMember(modes.at(i).toObject(), key, modeWhere, kIntMin, kIntMax, error))
                return false;
        }
    }

    const QJsonObject properties = config.value(QStringLiteral("properties")).toObject();
    for (auto it = properties.begin(); it != properties.end(); ++it) {
        const QString propertyWhere = where + QStringLiteral(".properties.") + it.key();
        for (const char *key : {"min", "max", "step", "default", "value"}) {
            if (!checkMember(it.value().toObject(), key, propertyWhere, kIntMin, kIntMax, error))
                return false;
        }
    }
    // Feature values and opcodes are bytes.
    const QJsonObject features = config.value(QStringLiteral("features")).toObject();
    for (auto it = features.begin(); it != features.end(); ++it) {
        if (!checkNumber(it.value(), it.key(), where + QStringLiteral(".features"), 0, 255, error))
            return false;
    }
    const QJsonArray opcodes = config.value(QStringLiteral("versionOpcodes")).toArray();
    for (int i = 0; i < opcodes.size(); ++i) {
        if (!checkNumber(opcodes.at(i), QStringLiteral("versionOpcodes[%1]").arg(i), where, 0, 255, error))
            return false;
    }

    // Fault values: times ("…Ms") within a day or -1 (never); other numbers are counts,
    // opcodes or status codes of 32 bits, alone or in a list.
    const QJsonObject faults = config.value(QStringLiteral("faults")).toObject();
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        const bool time = it.key().endsWith(QLatin1String("Ms"));
        const double high = time ? kMaxMs : 4294967295.0;
        const QString faultWhere = where + QStringLiteral(".faults");
        const QJsonArray list = it.value().isArray() ? it.value().toArray() : QJsonArray{it.value()};
        for (const QJsonValue &value : list) {
            if (!checkNumber(value, it.key(), faultWhere, -1, high, error))
                return false;
        }
    }
    return true;
}

SimRig::SimRig()
{
    attachClock();
}

SimRig::~SimRig()
{
    if (m_clockListener) {
        if (auto *vc = dynamic_cast<platform::VirtualClock *>(&platform::clock()))
            vc->removeListener(m_clockListener);
    }
}

void SimRig::attachClock()
{
    if (auto *vc = dynamic_cast<platform::VirtualClock *>(&platform::clock()))
        m_clockListener = vc->addListener([this](qint64) { pump(); });
}

namespace {
QString modeName(CameraMode mode)
{
    switch (mode) {
    case CameraMode::Rom:
        return QStringLiteral("rom");
    case CameraMode::Updater:
        return QStringLiteral("updater");
    case CameraMode::UBoot:
        return QStringLiteral("uboot");
    case CameraMode::Normal:
        break;
    }
    return QStringLiteral("normal");
}
} // namespace

QByteArray SimRig::stateJson() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    QJsonArray cameras;
    for (const auto &camera : m_cameras) {
        QJsonObject entry = camera->config();
        const QJsonObject state = camera->uvc().stateJson();
        for (auto it = state.begin(); it != state.end(); ++it)
            entry.insert(it.key(), it.value());
        entry.insert(QStringLiteral("key"), camera->key());
        entry.insert(QStringLiteral("mode"), modeName(camera->mode()));
        entry.insert(QStringLiteral("plugged"), camera->present());
        entry.insert(QStringLiteral("firmware"), camera->firmwareVersion());
        cameras.append(entry);
    }
    QJsonArray volumes;
    for (const auto &volume : m_volumes)
        volumes.append(volume->config());
    QJsonObject root{{QStringLiteral("cameras"), cameras}};
    if (!volumes.isEmpty())
        root.insert(QStringLiteral("volumes"), volumes);
    return QJsonDocument(root).toJson();
}

std::unique_ptr<SimRig> SimRig::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull() || !doc.isObject()) {
        if (error)
            *error = QStringLiteral("rig file is not a JSON object: %1").arg(parseError.errorString());
        return nullptr;
    }
    const QJsonObject root = doc.object();
    auto rig = std::make_unique<SimRig>();
    const QJsonArray cameras = root.value(QStringLiteral("cameras")).toArray();
    for (int i = 0; i < cameras.size(); ++i) {
        if (!cameras.at(i).isObject()) {
            if (error)
                *error = QStringLiteral("every entry of \"cameras\" must be an object");
            return nullptr;
        }
        if (!checkDeviceNumbers(cameras.at(i).toObject(), QStringLiteral("cameras[%1]").arg(i), error))
            return nullptr;
        rig->addCamera(cameras.at(i).toObject());
    }
    const QJsonArray volumes = root.value(QStringLiteral("volumes")).toArray();
    for (int i = 0; i < volumes.size(); ++i) {
        if (!volumes.at(i).isObject()) {
            if (error)
                *error = QStringLiteral("every entry of \"volumes\" must be an object");
            return nullptr;
        }
        if (!checkDeviceNumbers(volumes.at(i).toObject(), QStringLiteral("volumes[%1]").arg(i), error))
            return nullptr;
        rig->addVolume(volumes.at(i).toObject());
    }
    const QJsonArray events = root.value(QStringLiteral("events")).toArray();
    for (int i = 0; i < events.size(); ++i) {
        const QJsonObject event = events.at(i).toObject();
        const QString line = event.value(QStringLiteral("command")).toString();
        // A time the clock cannot reach (or one no integer holds) is a mistake in the file.
        const QJsonValue atMs = event.value(QStringLiteral("atMs"));
        const QString where = QStringLiteral("events[%1]").arg(i);
        if (!atMs.isUndefined() && !atMs.isDouble()) {
            refuse(error, QStringLiteral("atMs"), where,
                   QStringLiteral("a whole number from 0 to %1").arg(kMaxDurationMs), atMs);
            return nullptr;
        }
        if (!checkNumber(atMs, QStringLiteral("atMs"), where, 0, kMaxMs, error))
            return nullptr;
        const qint64 at = static_cast<qint64>(atMs.toDouble(0));
        SimRig *raw = rig.get();
        rig->schedule(at, [raw, line] {
            QString ignored;
            raw->command(line, &ignored);
        });
    }
    return rig;
}

std::unique_ptr<SimRig> SimRig::fromFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read rig file %1: %2").arg(path, file.errorString());
        return nullptr;
    }
    return fromJson(file.readAll(), error);
}

QByteArray SimRig::defaultRigJson()
{
    return QByteArrayLiteral(R"({
  "cameras": [
    {
      "key": "cam1",
      "vendorId": "0x3749",
      "productId": "0x030A",
      "interface": 0,
      "suffix": "0000",
      "friendlyName": "Orvia Vista Pro Cam",
      "firmware": "1.0.22"
    }
  ]
})");
}

SimCamera *SimRig::addCamera(const QJsonObject &config)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_cameras.push_back(std::make_unique<SimCamera>(*this, config));
    SimCamera *camera = m_cameras.back().get();
    if (camera->present())
        raiseArrivalOrRemoval(camera, true);
    return camera;
}

SimCamera *SimRig::addVolume(const QJsonObject &config)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    QJsonObject disk = config;
    disk.insert(QStringLiteral("kind"), QStringLiteral("disk"));
    if (!disk.contains(QStringLiteral("key")))
        disk.insert(QStringLiteral("key"), QStringLiteral("disk%1").arg(m_volumes.size() + 1));
    m_volumes.push_back(std::make_unique<SimCamera>(*this, disk));
    return m_volumes.back().get();
}

QList<SimCamera *> SimRig::volumes() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    QList<SimCamera *> list;
    for (const auto &v : m_volumes)
        list.append(v.get());
    return list;
}

QList<SimCamera *> SimRig::cameras() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    QList<SimCamera *> list;
    for (const auto &c : m_cameras)
        list.append(c.get());
    return list;
}

SimCamera *SimRig::camera(const QString &key) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (const auto &c : m_cameras) {
        if (c->key() == key)
            return c.get();
    }
    return nullptr;
}

SimCamera *SimRig::cameraByCaptureName(const QString &monikerUnderscored) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (const auto &c : m_cameras) {
        if (!c->present() || c->mode() != CameraMode::Normal)
            continue;
        QString name = c->monikerDisplayName();
        name.replace(QLatin1Char(':'), QLatin1Char('_'));
        if (name == monikerUnderscored)
            return c.get();
    }
    return nullptr;
}

void SimRig::plug(SimCamera *camera)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!camera || camera->present())
        return;
    camera->setPresent(true);
    raiseArrivalOrRemoval(camera, true);
}

void SimRig::unplug(SimCamera *camera)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!camera || !camera->present())
        return;
    camera->setPresent(false);
    camera->stream().closeAll();
    camera->storage().leaveBus();
    camera->uvc().detach();
    raiseArrivalOrRemoval(camera, false);
}

void SimRig::restart(SimCamera *camera, int delayMs, CameraMode comeBackAs,
                     std::function<void(SimCamera &)> onReturn)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!camera)
        return;
    unplug(camera);
    if (delayMs < 0)
        return;
    schedule(delayMs, [this, camera, comeBackAs, onReturn] {
        if (onReturn)
            onReturn(*camera);
        camera->setMode(comeBackAs);
        plug(camera);
    });
}

void SimRig::schedule(qint64 delayMs, std::function<void()> work)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_timed.push_back(Timed{platform::nowMs() + qMax<qint64>(0, delayMs), m_nextOrder++, std::move(work)});
    if (m_notifier)
        m_notifier->wake();
}

bool SimRig::Timed::sooner(const Timed &a, const Timed &b)
{
    return a.due < b.due || (a.due == b.due && a.order < b.order);
}

qint64 SimRig::nextDueMs() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const auto next = std::min_element(m_timed.cbegin(), m_timed.cend(), &Timed::sooner);
    return next == m_timed.cend() ? -1 : next->due;
}

void SimRig::pump()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_pumping)
        return;
    m_pumping = true;
    for (;;) {
        const auto next = std::min_element(m_timed.begin(), m_timed.end(), &Timed::sooner);
        if (next == m_timed.end() || next->due > platform::nowMs())
            break;
        std::function<void()> work = std::move(next->work);
        m_timed.erase(next);
        work();
    }
    m_pumping = false;
}

int SimRig::pendingEvents() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return static_cast<int>(m_timed.size());
}

void SimRig::setScreenLocked(bool locked)
{
    std::function<void(bool)> listener;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (locked == m_screenLocked)
            return;
        m_screenLocked = locked;
        listener = m_screenLockListener;
    }
    if (listener)
        listener(locked);
}

bool SimRig::screenLocked() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_screenLocked;
}

void SimRig::setScreenLockListener(std::function<void(bool)> listener)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_screenLockListener = std::move(listener);
}

void SimRig::setNotifier(SimDeviceNotifier *notifier)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_notifier = notifier;
    // Events scheduled before there was a notifier (a rig file's timed events) are due too.
    if (m_notifier)
        m_notifier->wake();
}

void SimRig::raise(const platform::DeviceChange &change)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_raised.append(change);
    if (m_notifier)
        m_notifier->post(change);
}

QList<platform::DeviceChange> SimRig::raisedEvents() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_raised;
}

void SimRig::clearRaisedEvents()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_raised.clear();
}

void SimRig::raiseArrivalOrRemoval(SimCamera *camera, bool arrival)
{
    const std::uint32_t code = arrival ? platform::kDbtDeviceArrival : platform::kDbtDeviceRemoveComplete;
    const bool upper = camera->upperCaseEventPaths();
    auto make = [&](const QUuid &cls, QString path) {
        platform::DeviceChange change;
        change.event = code;
        change.deviceType = platform::kDbtDevtypDeviceInterface;
        change.classGuid = cls;
        change.name = upper ? path.toUpper() : path;
        return change;
    };
    const QString vidPid = QStringLiteral("vid_%1&pid_%2")
                               .arg(camera->vendorId(), 4, 16, QLatin1Char('0'))
                               .arg(camera->productId(), 4, 16, QLatin1Char('0'));
    QList<platform::DeviceChange> events;
    const bool extra = camera->extraEvents();
    if (extra) {
        events.append(make(platform::kUsbDeviceInterfaceClass,
                           QStringLiteral("\\\\?\\usb#%1#%2#%3")
                               .arg(vidPid, camera->instance().section(QLatin1Char('&'), 1, 1),
                                    classText(platform::kUsbDeviceInterfaceClass))));
    }
    if (camera->mode() == CameraMode::Normal) {
        events.append(make(platform::kCaptureInterfaceClass, camera->devicePath()));
        if (extra) {
            // The camera's second video interface and its button (HID) interface.
            events.append(make(platform::kCaptureInterfaceClass,
                               camera->interfacePath(camera->interfaceNumber() + 2, QStringLiteral("0002"),
                                                     classText(platform::kCaptureInterfaceClass))));
            events.append(make(platform::kHidInterfaceClass,
                               QStringLiteral("\\\\?\\hid#%1&mi_04#8&1f2e3d4c&0&0000#%2")
                                   .arg(vidPid, classText(platform::kHidInterfaceClass))));
            events.append(make(platform::kNetInterfaceClass,
                               QStringLiteral("\\\\?\\usb#%1&mi_06#7&3c4d5e6f&0&0000#%2")
                                   .arg(vidPid, classText(platform::kNetInterfaceClass))));
        }
    } else {
        events.append(make(platform::kDiskInterfaceClass,
                           QStringLiteral("\\\\?\\usbstor#disk&ven_gc&prod_usb_disk&rev_1.00#%1&0#%2")
                               .arg(camera->instance(), classText(platform::kDiskInterfaceClass))));
    }
    if (!arrival)
        std::reverse(events.begin(), events.end());
    for (const auto &e : events)
        raise(e);
}

bool SimRig::command(const QString &line, QString *error)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        if (error)
            *error = QStringLiteral("empty command");
        return false;
    }
    const QString verb = words.at(0).toLower();
    if ((verb == QLatin1String("lock") || verb == QLatin1String("unlock")) && words.size() == 1) {
        setScreenLocked(verb == QLatin1String("lock"));
        return true;
    }
    SimCamera *target = words.size() > 1 ? camera(words.at(1)) : nullptr;
    if (!target) {
        if (error)
            *error = QStringLiteral("unknown device in \"%1\"").arg(line);
        return false;
    }
    CameraMode mode = CameraMode::Normal;
    if (verb == QLatin1String("plug")) {
        plug(target);
    } else if (verb == QLatin1String("unplug")) {
        unplug(target);
    } else if (verb == QLatin1String("restart")) {
        const int delay = words.size() > 2 ? words.at(2).toInt() : target->restartDelayMs();
        restart(target, delay, target->mode());
    } else if (parseCameraMode(verb, &mode)) {
        // The device re-enumerates in the named mode ("rom": stuck in its boot ROM).
        restart(target, 0, mode);
    } else {
        if (error)
            *error = QStringLiteral("unknown command \"%1\"").arg(verb);
        return false;
    }
    return true;
}

} // namespace sim
