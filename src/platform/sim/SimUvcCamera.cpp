#include "platform/sim/SimUvcCamera.h"

#include "platform/UpgradeModeCode.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimCaptureDevice.h"
#include "platform/sim/SimMediaDevice.h"
#include "platform/sim/SimRig.h"
#include "platform/sim/SimStreamServer.h"

#include <QJsonArray>
#include <QtEndian>

#include <cstring>

namespace sim {

namespace {

using platform::HResult;
using platform::PropertySet;

// HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND) and (ERROR_NOT_FOUND): a property set or a
// property the device does not have.
constexpr HResult kErrorSetNotFound = HResult(0x80070492u);
constexpr HResult kErrorNotFound = HResult(0x80070490u);

const QUuid kXuPropertySet(0x23E49ED0, 0x1178, 0x4F31, 0xAE, 0x52, 0xD2, 0xFB, 0x8A, 0x8D, 0x3B, 0x48);
const QUuid kCameraControlSet(0xC6E13370, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56);
const QUuid kVideoProcAmpSet(0xC6E13360, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56);
// KSCATEGORY_VIDEO_CAMERA: the interface class in a media device's symbolic link.
const QString kVideoCameraClass = QStringLiteral("{e5323777-f976-4f5b-9b55-b94699c46e44}");

constexpr std::uint32_t kTopologyGet = 0x10000001u;
constexpr std::uint32_t kTopologySet = 0x10000002u;
// The kinds a single-value request is recorded with.
constexpr std::int32_t kKsGet = 1;
constexpr std::int32_t kKsSet = 2;
constexpr std::int32_t kAuto = 1;
constexpr std::int32_t kManual = 2;

struct NodeName
{
    const char *name;
    QUuid type;
};

const NodeName kNodeNames[] = {
    {"devSpecific", QUuid(0x941C7AC0, 0xC559, 0x11D0, 0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A, 0xC1)},
    {"streaming", QUuid(0xDFF229E1, 0xF70F, 0x11D0, 0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96)},
    {"inputTerminal", QUuid(0xDFF229E2, 0xF70F, 0x11D0, 0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96)},
    {"outputTerminal", QUuid(0xDFF229E3, 0xF70F, 0x11D0, 0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96)},
    {"selector", QUuid(0xDFF229E4, 0xF70F, 0x11D0, 0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96)},
    {"processing", QUuid(0xDFF229E5, 0xF70F, 0x11D0, 0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96)},
    {"cameraTerminal", QUuid(0xDFF229E6, 0xF70F, 0x11D0, 0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96)},
};

struct PropertyName
{
    const char *name;
    PropertySet set;
    int id;
};

const PropertyName kPropertyNames[] = {
    {"pan", PropertySet::CameraControl, 0},        {"tilt", PropertySet::CameraControl, 1},
    {"roll", PropertySet::CameraControl, 2},       {"zoom", PropertySet::CameraControl, 3},
    {"exposure", PropertySet::CameraControl, 4},   {"iris", PropertySet::CameraControl, 5},
    {"focus", PropertySet::CameraControl, 6},      {"brightness", PropertySet::VideoProcAmp, 0},
    {"contrast", PropertySet::VideoProcAmp, 1},    {"hue", PropertySet::VideoProcAmp, 2},
    {"saturation", PropertySet::VideoProcAmp, 3},  {"sharpness", PropertySet::VideoProcAmp, 4},
    {"gamma", PropertySet::VideoProcAmp, 5},       {"colorEnable", PropertySet::VideoProcAmp, 6},
    {"whiteBalance", PropertySet::VideoProcAmp, 7}, {"backlightCompensation", PropertySet::VideoProcAmp, 8},
    {"gain", PropertySet::VideoProcAmp, 9},
};

struct FeatureName
{
    const char *name;
    int opcode;
    int factory;
};

// The vendor features by their set opcode, with the built-in camera's values.
const FeatureName kFeatureNames[] = {
    {"hdr", 0x01, 0},         {"antiFlicker", 0x02, 1},    {"mic", 0x04, 1},
    {"mirror", 0x09, 0},      {"viewAngle", 0x0C, 0},      {"hdMode", 0x0D, 1},
    {"trackingMode", 0x10, 0}, {"trackingEffect", 0x11, 1}, {"trackingSpeed", 0x12, 1},
    {"autoAE", 0x17, 1},      {"gesture", 0x19, 0},
};

constexpr int kOpMicEnable = 0x04;
constexpr int kOpHdMode = 0x0D;
constexpr int kOpAutoFocus = 0x40;
constexpr int kOpReset = 0x7F;
constexpr int kOpVideoState = 0x96;
constexpr int kOpAutoAE = 0x97;
constexpr int kOpGesture = 0x99;

QPair<int, int> key(PropertySet set, int id)
{
    return qMakePair(static_cast<int>(set), id);
}

QString setName(PropertySet set)
{
    return set == PropertySet::CameraControl ? QStringLiteral("camera") : QStringLiteral("video");
}

QUuid readGuid(const std::uint8_t *p)
{
    return QUuid(qFromLittleEndian<quint32>(p), qFromLittleEndian<quint16>(p + 4),
                 qFromLittleEndian<quint16>(p + 6), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
}

bool parseStatus(const QVariant &value, HResult *status)
{
    bool ok = false;
    qint64 number = 0;
    if (value.type() == QVariant::String) {
        number = static_cast<qint64>(value.toString().trimmed().toULongLong(&ok, 0));
    } else if (value.canConvert<qint64>()) {
        number = value.toLongLong(&ok);
    }
    if (!ok)
        return false;
    *status = static_cast<HResult>(static_cast<std::uint32_t>(number));
    return true;
}

QList<int> parseVersion(const QString &text)
{
    QList<int> parts;
    for (const QString &p : text.split(QLatin1Char('.')))
        parts.append(p.trimmed().toInt() & 0xFFFF);
    while (parts.size() < 3)
        parts.append(0);
    return parts;
}

} // namespace

// ---- Handle ---------------------------------------------------------------------------

HResult SimUvcCamera::Handle::call(const std::function<HResult(SimUvcCamera &)> &work, HResult whenGone) const
{
    const std::shared_ptr<int> life = m_life.lock();
    if (!life || !m_uvc)
        return whenGone;
    SimRig &rig = m_uvc->camera().rig();
    rig.pump();
    std::lock_guard<std::recursive_mutex> lock(rig.mutex());
    if (!m_uvc->connected(m_session))
        return whenGone;
    return work(*m_uvc);
}

HResult SimUvcCamera::Handle::inspect(const std::function<HResult(SimUvcCamera &)> &work) const
{
    const std::shared_ptr<int> life = m_life.lock();
    if (!life || !m_uvc)
        return platform::kErrorDeviceNotConnected;
    std::lock_guard<std::recursive_mutex> lock(m_uvc->camera().rig().mutex());
    return work(*m_uvc);
}

// ---- Construction ---------------------------------------------------------------------

SimUvcCamera::SimUvcCamera(SimCamera &camera, const QJsonObject &config)
    : m_camera(camera)
    , m_life(std::make_shared<int>(0))
{
    m_propertyBag = config.value(QStringLiteral("propertyBag")).toBool(true);
    for (const QJsonValue &v : config.value(QStringLiteral("unreadable")).toArray())
        m_unreadable.append(v.toString());
    m_description = config.value(QStringLiteral("description")).toString(QStringLiteral("USB Video Device"));
    m_capturePath = config.value(QStringLiteral("capturePath")).toString();
    m_cameraControl = config.value(QStringLiteral("cameraControl")).toBool(true);
    m_videoProcAmp = config.value(QStringLiteral("videoProcAmp")).toBool(true);
    m_ksControl = config.value(QStringLiteral("ksControl")).toBool(true);
    m_hasMediaDevice = config.value(QStringLiteral("mediaDevice")).toBool(true);
    m_mediaName = config.value(QStringLiteral("mediaFriendlyName")).toString();
    m_symbolicLink = config.value(QStringLiteral("symbolicLink")).toString();
    m_upgradeEntryDelayMs = config.value(QStringLiteral("upgradeEntryDelayMs")).toInt(2000);
    loadProperties(config);
    loadFeatures(config);
    loadTopology(config);
}

SimUvcCamera::~SimUvcCamera() = default;

void SimUvcCamera::loadProperties(const QJsonObject &config)
{
    struct Initial
    {
        const char *name;
        std::int32_t min, max, def, value;
        bool autoCapable;
        bool automatic;
    };
    // The built-in camera's ranges and values.
    static const Initial initial[] = {
        {"pan", -20, 20, 0, 0, false, false},
        {"tilt", -20, 20, 0, 0, false, false},
        {"zoom", 100, 800, 0, 100, false, false},
        {"focus", 0, 1023, 255, 255, true, false},
        {"brightness", 0, 100, 50, 50, false, false},
        {"contrast", 0, 100, 50, 50, false, false},
        {"hue", 0, 30, 15, 15, false, false},
        {"saturation", 0, 127, 63, 63, false, false},
        {"sharpness", 0, 255, 0, 0, false, false},
        {"whiteBalance", 1800, 7500, 5500, 5983, true, true},
    };
    auto find = [](const QString &name) -> const PropertyName * {
        for (const PropertyName &p : kPropertyNames) {
            if (name == QLatin1String(p.name))
                return &p;
        }
        return nullptr;
    };
    for (const Initial &i : initial) {
        const PropertyName *p = find(QLatin1String(i.name));
        Property property;
        property.range = {i.min, i.max, 1, i.def, i.autoCapable ? (kAuto | kManual) : kManual};
        property.value = i.value;
        property.flags = i.automatic ? kAuto : kManual;
        m_properties.insert(key(p->set, p->id), property);
    }
    const QJsonObject overrides = config.value(QStringLiteral("properties")).toObject();
    for (auto it = overrides.begin(); it != overrides.end(); ++it) {
        const PropertyName *p = find(it.key());
        if (!p)
            continue;
        const QPair<int, int> k = key(p->set, p->id);
        if (it.value().isBool() && !it.value().toBool()) {
            m_properties.remove(k);
            continue;
        }
        const QJsonObject o = it.value().toObject();
        Property property = m_properties.value(k);
        property.range.minimum = o.value(QStringLiteral("min")).toInt(property.range.minimum);
        property.range.maximum = o.value(QStringLiteral("max")).toInt(property.range.maximum);
        property.range.step = o.value(QStringLiteral("step")).toInt(property.range.step ? property.range.step : 1);
        property.range.defaultValue = o.value(QStringLiteral("default")).toInt(property.range.defaultValue);
        property.value = o.value(QStringLiteral("value")).toInt(property.value);
        const bool autoCapable =
            o.value(QStringLiteral("autoCapable")).toBool((property.range.capsFlags & kAuto) != 0);
        property.range.capsFlags = autoCapable ? (kAuto | kManual) : kManual;
        const bool automatic = o.value(QStringLiteral("auto")).toBool(property.flags == kAuto);
        property.flags = automatic && autoCapable ? kAuto : kManual;
        m_properties.insert(k, property);
    }
    m_factoryProperties = m_properties;
}

void SimUvcCamera::loadFeatures(const QJsonObject &config)
{
    const QJsonObject values = config.value(QStringLiteral("features")).toObject();
    for (const FeatureName &f : kFeatureNames)
        m_features.insert(f.opcode, values.value(QLatin1String(f.name)).toInt(f.factory) & 0xFF);
    m_factoryFeatures = m_features;
    const QJsonArray opcodes = config.value(QStringLiteral("versionOpcodes")).toArray();
    for (const QJsonValue &v : opcodes)
        m_versionOpcodes.append(v.isString() ? v.toString().toInt(nullptr, 0) : v.toInt());
    if (opcodes.isEmpty())
        m_versionOpcodes = {0x80, 0x0B};
}

void SimUvcCamera::loadTopology(const QJsonObject &config)
{
    const QJsonValue nodes = config.value(QStringLiteral("nodes"));
    QStringList names;
    if (nodes.isArray()) {
        for (const QJsonValue &v : nodes.toArray())
            names.append(v.toString());
    } else if (m_camera.hasExtensionUnit()) {
        names = QStringList{QStringLiteral("cameraTerminal"), QStringLiteral("processing"), QStringLiteral("devSpecific"),
                 QStringLiteral("streaming")};
    } else {
        names = QStringList{QStringLiteral("cameraTerminal"), QStringLiteral("processing"), QStringLiteral("streaming")};
    }
    for (const QString &name : names) {
        QUuid type(name);
        for (const NodeName &n : kNodeNames) {
            if (name == QLatin1String(n.name))
                type = n.type;
        }
        m_nodes.append(type);
    }
    const QUuid devSpecific = kNodeNames[0].type;
    m_xuNode = -1;
    if (m_camera.hasExtensionUnit()) {
        m_xuNode = config.value(QStringLiteral("xuNode")).toInt(m_nodes.indexOf(devSpecific));
        if (m_xuNode >= m_nodes.size())
            m_xuNode = -1;
    }
}

// ---- Handles and bus presence -------------------------------------------------------------

SimUvcCamera::Handle SimUvcCamera::handle() const
{
    return Handle(const_cast<SimUvcCamera *>(this), m_life, m_session);
}

std::shared_ptr<platform::CaptureDevice> SimUvcCamera::captureDevice()
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return std::make_shared<SimCaptureDevice>(handle());
}

std::shared_ptr<platform::MediaDevice> SimUvcCamera::mediaDevice()
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    if (!m_hasMediaDevice)
        return nullptr;
    return std::make_shared<SimMediaDevice>(handle());
}

void SimUvcCamera::detach()
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    ++m_session;
}

bool SimUvcCamera::connected(quint64 session) const
{
    return session == m_session && m_camera.present() && m_camera.mode() == CameraMode::Normal;
}

bool SimUvcCamera::faultStatus(const QString &name, HResult *status) const
{
    if (!m_camera.hasFault(name))
        return false;
    return parseStatus(m_camera.fault(name), status);
}

// ---- Observability and state ------------------------------------------------------------

QStringList SimUvcCamera::featureNames()
{
    QStringList names;
    for (const FeatureName &f : kFeatureNames)
        names.append(QLatin1String(f.name));
    return names;
}

QJsonObject SimUvcCamera::stateJson() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    QJsonObject features;
    for (const FeatureName &f : kFeatureNames)
        features.insert(QLatin1String(f.name), m_features.value(f.opcode));
    QJsonObject properties;
    for (const PropertyName &p : kPropertyNames) {
        const auto it = m_properties.constFind(key(p.set, p.id));
        if (it == m_properties.constEnd()) {
            properties.insert(QLatin1String(p.name), false);
            continue;
        }
        properties.insert(QLatin1String(p.name),
                          QJsonObject{{QStringLiteral("min"), it->range.minimum},
                                      {QStringLiteral("max"), it->range.maximum},
                                      {QStringLiteral("step"), it->range.step},
                                      {QStringLiteral("default"), it->range.defaultValue},
                                      {QStringLiteral("value"), it->value},
                                      {QStringLiteral("autoCapable"), (it->range.capsFlags & kAuto) != 0},
                                      {QStringLiteral("auto"), it->flags == kAuto}});
    }
    return QJsonObject{{QStringLiteral("features"), features}, {QStringLiteral("properties"), properties}};
}

int SimUvcCamera::feature(const QString &name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    for (const FeatureName &f : kFeatureNames) {
        if (name == QLatin1String(f.name))
            return m_features.value(f.opcode);
    }
    return -1;
}

void SimUvcCamera::setFeature(const QString &name, int value)
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    for (const FeatureName &f : kFeatureNames) {
        if (name == QLatin1String(f.name))
            m_features.insert(f.opcode, value & 0xFF);
    }
}

bool SimUvcCamera::property(PropertySet set, std::int32_t id, Property *out) const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    const auto it = m_properties.constFind(key(set, id));
    if (it == m_properties.constEnd())
        return false;
    *out = it.value();
    return true;
}

void SimUvcCamera::setProperty(PropertySet set, std::int32_t id, const Property &property)
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    m_properties.insert(key(set, id), property);
}

QList<SimUvcCamera::XuMessage> SimUvcCamera::xuMessages() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return m_xuMessages;
}

QList<int> SimUvcCamera::sequenceNumbers() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    QList<int> numbers;
    for (const XuMessage &m : m_xuMessages) {
        if ((m.selector != 1 && m.selector != 2) || m.data.size() < 2)
            continue;
        // The automatic-focus message carries no number.
        if (m.selector == 1 && static_cast<std::uint8_t>(m.data.at(0)) == kOpAutoFocus)
            continue;
        numbers.append(static_cast<std::uint8_t>(m.data.at(1)));
    }
    return numbers;
}

QList<SimUvcCamera::PropertyRequest> SimUvcCamera::propertyRequests() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return m_propertyRequests;
}

QStringList SimUvcCamera::propertyReads() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return m_propertyReads;
}

void SimUvcCamera::clearHistory()
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    m_xuMessages.clear();
    m_propertyRequests.clear();
    m_propertyReads.clear();
}

// ---- Capture-device entry -----------------------------------------------------------------

bool SimUvcCamera::propertyBagOpens() const
{
    return m_propertyBag && !m_camera.hasFault(QStringLiteral("capture.propertyBag"));
}

bool SimUvcCamera::readBagProperty(const QString &name, QString *value) const
{
    if (m_unreadable.contains(name))
        return false;
    if (name == QLatin1String("DevicePath"))
        *value = m_capturePath.isEmpty() ? m_camera.devicePath() : m_capturePath;
    else if (name == QLatin1String("FriendlyName"))
        *value = m_camera.friendlyName();
    else if (name == QLatin1String("Description"))
        *value = m_description;
    else
        return false;
    return true;
}

QString SimUvcCamera::monikerDisplayName() const
{
    return m_camera.monikerDisplayName();
}

bool SimUvcCamera::hasInterface(PropertySet set) const
{
    return set == PropertySet::CameraControl ? m_cameraControl : m_videoProcAmp;
}

bool SimUvcCamera::hasKsControl() const
{
    return m_ksControl;
}

HResult SimUvcCamera::propertyFault(const char *kind, PropertySet set, std::int32_t id) const
{
    HResult status = platform::kSOk;
    const QString general = QStringLiteral("prop.%1").arg(QLatin1String(kind));
    if (faultStatus(QStringLiteral("%1.%2.%3").arg(general, setName(set)).arg(id), &status)
        || faultStatus(general, &status))
        return status;
    return platform::kSOk;
}

HResult SimUvcCamera::getRange(PropertySet set, std::int32_t id, platform::PropertyRange *range)
{
    if (!hasInterface(set))
        return platform::kENoInterface;
    m_propertyReads.append(QStringLiteral("range.%1.%2").arg(setName(set)).arg(id));
    const HResult fault = propertyFault("range", set, id);
    if (fault != platform::kSOk)
        return fault;
    const auto it = m_properties.constFind(key(set, id));
    if (it == m_properties.constEnd())
        return kErrorNotFound;
    *range = it.value().range;
    return platform::kSOk;
}

HResult SimUvcCamera::getValue(PropertySet set, std::int32_t id, std::int32_t *value, std::int32_t *flags)
{
    if (!hasInterface(set))
        return platform::kENoInterface;
    m_propertyReads.append(QStringLiteral("get.%1.%2").arg(setName(set)).arg(id));
    const HResult fault = propertyFault("get", set, id);
    if (fault != platform::kSOk)
        return fault;
    const auto it = m_properties.constFind(key(set, id));
    if (it == m_properties.constEnd())
        return kErrorNotFound;
    *value = it.value().value;
    *flags = it.value().flags;
    return platform::kSOk;
}

HResult SimUvcCamera::readValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                                std::int32_t *valueOut, std::int32_t *flagsOut)
{
    return valueRequest(set, id, kKsGet, value, flags, valueOut, flagsOut);
}

HResult SimUvcCamera::setValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags)
{
    return valueRequest(set, id, kKsSet, value, flags, nullptr, nullptr);
}

HResult SimUvcCamera::valueRequest(PropertySet set, std::int32_t id, std::int32_t kind, std::int32_t value,
                                   std::int32_t flags, std::int32_t *valueOut, std::int32_t *flagsOut)
{
    PropertyRequest request;
    request.propertySet = set == PropertySet::CameraControl ? kCameraControlSet : kVideoProcAmpSet;
    request.id = id;
    request.kind = kind;
    request.value = value;
    request.flags = flags;

    auto finish = [&](HResult status) {
        request.status = status;
        m_propertyRequests.append(request);
        return status;
    };

    if (!hasInterface(set))
        return finish(kErrorSetNotFound);
    auto it = m_properties.find(key(set, id));
    if (it == m_properties.end())
        return finish(kErrorNotFound);

    if (kind == kKsGet) {
        const HResult fault = propertyFault("get", set, id);
        if (fault != platform::kSOk)
            return finish(fault);
        if (valueOut)
            *valueOut = it->value;
        if (flagsOut)
            *flagsOut = it->flags;
        return finish(platform::kSOk);
    }
    const HResult fault = propertyFault("set", set, id);
    if (fault != platform::kSOk)
        return finish(fault);
    if (flags & kAuto) {
        // Only focus and white balance (or what the rig file says) have an automatic mode.
        if (!(it->range.capsFlags & kAuto))
            return finish(platform::kEInvalidArg);
        it->flags = kAuto;
        return finish(platform::kSOk);
    }
    if (!(flags & kManual))
        return finish(platform::kEInvalidArg);
    // A value outside the range is refused; the camera keeps its old one.
    if (value < it->range.minimum || value > it->range.maximum)
        return finish(platform::kEInvalidArg);
    // A camera that is not streaming may acknowledge a value without taking it.
    if (m_camera.hasFault(QStringLiteral("prop.ignore"))
        || m_camera.hasFault(QStringLiteral("prop.ignore.%1.%2").arg(setName(set)).arg(id)))
        return finish(platform::kSOk);
    it->value = value;
    it->flags = kManual;
    return finish(platform::kSOk);
}

// ---- Media-device entry -------------------------------------------------------------------

HResult SimUvcCamera::mediaFriendlyName(QString *name) const
{
    HResult status = platform::kSOk;
    if (faultStatus(QStringLiteral("media.friendlyName"), &status))
        return status;
    *name = m_mediaName.isEmpty() ? m_camera.friendlyName() : m_mediaName;
    return platform::kSOk;
}

HResult SimUvcCamera::mediaSymbolicLink(QString *link) const
{
    HResult status = platform::kSOk;
    if (faultStatus(QStringLiteral("media.symbolicLink"), &status))
        return status;
    *link = !m_symbolicLink.isEmpty()
        ? m_symbolicLink
        : m_camera.interfacePath(m_camera.interfaceNumber(), m_camera.suffix(), kVideoCameraClass);
    return platform::kSOk;
}

HResult SimUvcCamera::mediaStep(const char *fault) const
{
    HResult status = platform::kSOk;
    if (faultStatus(QLatin1String(fault), &status))
        return status;
    return platform::kSOk;
}

// ---- Extension unit -----------------------------------------------------------------------

bool SimUvcCamera::opcodeStatusFault(const QString &prefix, std::uint8_t opcode, HResult *status) const
{
    // "xu.opcode.0x8c" and "xu.opcode.0x8C" both name opcode 0x8C.
    const QString hex = QString::number(opcode, 16).rightJustified(2, QLatin1Char('0'));
    return faultStatus(prefix + QStringLiteral("0x") + hex, status)
        || faultStatus(prefix + QStringLiteral("0x") + hex.toUpper(), status);
}

bool SimUvcCamera::opcodeFault(const QString &name, std::uint8_t opcode) const
{
    if (!m_camera.hasFault(name))
        return false;
    const QVariant value = m_camera.fault(name);
    auto matches = [opcode](const QVariant &v) {
        if (v.type() == QVariant::Bool)
            return v.toBool();
        bool ok = false;
        const uint number = v.type() == QVariant::String ? v.toString().toUInt(&ok, 0) : v.toUInt(&ok);
        return ok && number == opcode;
    };
    if (value.type() == QVariant::List) {
        for (const QVariant &v : value.toList()) {
            if (matches(v))
                return true;
        }
        return false;
    }
    return matches(value);
}

HResult SimUvcCamera::nodeRequest(std::uint32_t instanceNode, const void *property, std::uint32_t propertyLength,
                                  void *data, std::uint32_t dataLength, std::uint32_t *bytesReturned,
                                  int *sleepMs)
{
    // KSP_NODE: property set, Id (selector), Flags, NodeId, Reserved.
    constexpr std::uint32_t kHeader = 32;
    constexpr std::uint32_t kMessage = 8;
    if (!property || propertyLength < kHeader)
        return platform::kEInvalidArg;
    const auto *p = static_cast<const std::uint8_t *>(property);
    auto *d = static_cast<std::uint8_t *>(data);

    XuMessage message;
    message.header = QByteArray(reinterpret_cast<const char *>(p), static_cast<int>(propertyLength));
    message.propertySet = readGuid(p);
    message.selector = qFromLittleEndian<quint32>(p + 16);
    message.flags = qFromLittleEndian<quint32>(p + 20);
    message.nodeId = qFromLittleEndian<quint32>(p + 24);
    if (d)
        message.data = QByteArray(reinterpret_cast<const char *>(d), static_cast<int>(dataLength));

    HResult status = platform::kSOk;
    const bool isSet = message.flags == kTopologySet;
    const bool isGet = message.flags == kTopologyGet;
    if (message.propertySet != kXuPropertySet || m_xuNode < 0 || message.nodeId != instanceNode
        || message.nodeId != static_cast<std::uint32_t>(m_xuNode)) {
        // Only the vendor unit's node knows the vendor property set.
        status = kErrorSetNotFound;
    } else if (!isSet && !isGet) {
        status = platform::kEInvalidArg;
    } else if (!d || dataLength != kMessage) {
        status = platform::kEInvalidArg;
    } else if (faultStatus(QStringLiteral("xu.selector.%1").arg(message.selector), &status)) {
        // status set by the fault
    } else if (message.selector == 1 && isSet) {
        status = handleCommand(d, sleepMs);
    } else if (message.selector == 2 && isGet) {
        if (!opcodeStatusFault(QStringLiteral("xu.response."), m_response[0], &status)) {
            std::memcpy(d, m_response, kMessage);
            if (bytesReturned)
                *bytesReturned = kMessage;
            status = platform::kSOk;
        }
    } else if (message.selector == 4 && isSet) {
        status = handleUpgradeEntry(d);
    } else {
        status = kErrorNotFound;
    }

    if (d)
        message.reply = QByteArray(reinterpret_cast<const char *>(d), static_cast<int>(dataLength));
    message.status = status;
    m_xuMessages.append(message);
    return status;
}

HResult SimUvcCamera::handleCommand(const std::uint8_t *message, int *sleepMs)
{
    const std::uint8_t opcode = message[0];
    const std::uint8_t sequence = message[1];
    const std::uint8_t value = message[2];

    HResult status = platform::kSOk;
    if (opcodeStatusFault(QStringLiteral("xu.opcode."), opcode, &status))
        return status;
    if (opcodeFault(QStringLiteral("xu.unanswered"), opcode)) {
        *sleepMs = m_camera.fault(QStringLiteral("xu.timeoutMs"), 5000).toInt();
        return platform::kErrorSemTimeout;
    }
    if (opcodeFault(QStringLiteral("xu.vanish"), opcode)) {
        // Gone in the middle of the command: the request never completes.
        m_camera.clearFault(QStringLiteral("xu.vanish"));
        const int back = m_camera.fault(QStringLiteral("xu.vanishReturnMs"), m_camera.restartDelayMs()).toInt();
        m_camera.rig().restart(&m_camera, back, CameraMode::Normal);
        return platform::kErrorDeviceNotConnected;
    }
    if (m_camera.fault(QStringLiteral("xu.ignore"), false).toBool())
        return platform::kSOk;

    if (opcode == kOpAutoFocus) {
        auto it = m_properties.find(key(PropertySet::CameraControl, 6));
        if (sequence == 0xFF && value == 0xFF && it != m_properties.end() && (it->range.capsFlags & kAuto))
            it->flags = kAuto;
        return platform::kSOk;
    }
    if (opcode == kOpReset) {
        restartWith([](SimUvcCamera &uvc) {
            uvc.m_features = uvc.m_factoryFeatures;
            uvc.m_properties = uvc.m_factoryProperties;
        });
        return platform::kSOk;
    }
    if (m_features.contains(opcode)) {
        if ((opcode == kOpMicEnable || opcode == kOpHdMode) && m_features.value(opcode) != value) {
            // These take effect when the camera has restarted; the value it already
            // has needs no restart.
            restartWith([opcode, value](SimUvcCamera &uvc) { uvc.m_features.insert(opcode, value); });
        } else {
            m_features.insert(opcode, value);
        }
        return platform::kSOk;
    }
    if ((opcode & 0x80) || m_versionOpcodes.contains(opcode))
        prepareResponse(opcode, sequence);
    return platform::kSOk;
}

void SimUvcCamera::prepareResponse(std::uint8_t opcode, std::uint8_t sequence)
{
    std::memset(m_response, 0, sizeof m_response);
    m_response[0] = opcode;
    m_response[1] = sequence;
    if (m_versionOpcodes.contains(opcode)) {
        const QList<int> v = parseVersion(m_camera.firmwareVersion());
        for (int i = 0; i < 3; ++i) {
            m_response[2 + 2 * i] = static_cast<std::uint8_t>(v.at(i) >> 8);
            m_response[3 + 2 * i] = static_cast<std::uint8_t>(v.at(i) & 0xFF);
        }
        return;
    }
    if (opcode == kOpVideoState) {
        m_response[2] = m_camera.stream().streaming() ? 1 : 0;
        return;
    }
    const int setOpcode = opcode & 0x7F;
    if (!m_features.contains(setOpcode))
        return;
    m_response[2] = static_cast<std::uint8_t>(m_features.value(setOpcode));
    // "xu.badCheckBytes": true leaves out both check bytes, "byte4" only the second.
    const QVariant bad = m_camera.fault(QStringLiteral("xu.badCheckBytes"), false);
    const bool secondOnly = bad.toString() == QLatin1String("byte4");
    if (bad.toBool() && !secondOnly)
        return;
    if (opcode == kOpAutoAE) {
        m_response[3] = 0x79;
        m_response[4] = secondOnly ? 0x00 : 0x97;
    } else if (opcode == kOpGesture) {
        m_response[3] = 0x66;
        m_response[4] = secondOnly ? 0x00 : 0x99;
    }
}

HResult SimUvcCamera::handleUpgradeEntry(const std::uint8_t *message)
{
    std::uint8_t code[8];
    platform::buildUpgradeModeCode(code);
    if (std::memcmp(code, message, sizeof code) != 0)
        return platform::kErrorGenFailure;
    m_camera.rig().restart(&m_camera, m_upgradeEntryDelayMs, CameraMode::UBoot);
    return platform::kSOk;
}

void SimUvcCamera::restartWith(std::function<void(SimUvcCamera &)> update)
{
    m_camera.rig().restart(&m_camera, m_camera.restartDelayMs(), CameraMode::Normal,
                           [this, update](SimCamera &) { update(*this); });
}

} // namespace sim
