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

} // namespace

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
    for (const QJsonValue &value : root.value(QStringLiteral("cameras")).toArray()) {
        if (!value.isObject()) {
            if (error)
                *error = QStringLiteral("every entry of \"cameras\" must be an object");
            return nullptr;
        }
        rig->addCamera(value.toObject());
    }
    for (const QJsonValue &value : root.value(QStringLiteral("volumes")).toArray()) {
        if (!value.isObject()) {
            if (error)
                *error = QStringLiteral("every entry of \"volumes\" must be an object");
            return nullptr;
        }
        rig->addVolume(value.toObject());
    }
    for (const QJsonValue &value : root.value(QStringLiteral("events")).toArray()) {
        const QJsonObject event = value.toObject();
        const QString line = event.value(QStringLiteral("command")).toString();
        const qint64 at = static_cast<qint64>(event.value(QStringLiteral("atMs")).toDouble(0));
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
}

void SimRig::pump()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_pumping)
        return;
    m_pumping = true;
    for (;;) {
        const qint64 now = platform::nowMs();
        auto next = m_timed.end();
        for (auto it = m_timed.begin(); it != m_timed.end(); ++it) {
            if (it->due <= now
                && (next == m_timed.end() || it->due < next->due
                    || (it->due == next->due && it->order < next->order)))
                next = it;
        }
        if (next == m_timed.end())
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

void SimRig::setNotifier(SimDeviceNotifier *notifier)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_notifier = notifier;
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
