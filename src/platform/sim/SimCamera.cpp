#include "platform/sim/SimCamera.h"

#include "platform/DeviceChange.h"
#include "platform/sim/SimMassStorage.h"
#include "platform/sim/SimRig.h"
#include "platform/sim/SimStreamServer.h"
#include "platform/sim/SimUvcCamera.h"


namespace sim {

namespace {

quint16 readId(const QJsonValue &value, quint16 fallback)
{
    if (value.isDouble())
        return static_cast<quint16>(value.toInt());
    if (value.isString()) {
        bool ok = false;
        const uint v = value.toString().toUInt(&ok, 0);
        if (ok)
            return static_cast<quint16>(v);
    }
    return fallback;
}

QString guidText(const QUuid &guid)
{
    return guid.toString(QUuid::WithBraces).toLower();
}

} // namespace

SimCamera::SimCamera(SimRig &rig, const QJsonObject &config)
    : m_rig(rig)
    , m_config(config)
{
    const int ordinal = rig.cameras().size();
    m_key = config.value(QStringLiteral("key")).toString(QStringLiteral("cam%1").arg(ordinal + 1));
    m_vendorId = readId(config.value(QStringLiteral("vendorId")), 0x3749);
    m_productId = readId(config.value(QStringLiteral("productId")), 0x030A);
    m_interface = config.value(QStringLiteral("interface")).toInt(0);
    m_instance = config.value(QStringLiteral("instance"))
                     .toString(QStringLiteral("7&%1&0").arg(0x2a1b3c4d + ordinal * 0x01010101, 8, 16,
                                                             QLatin1Char('0')));
    m_suffix = config.value(QStringLiteral("suffix")).toString(QStringLiteral("0000"));
    m_friendlyName = config.value(QStringLiteral("friendlyName")).toString(QStringLiteral("Orvia Vista Pro Cam"));
    m_serial = config.value(QStringLiteral("serial")).toString();
    m_videoNode = config.value(QStringLiteral("videoNode")).toString();
    m_moniker = config.value(QStringLiteral("moniker")).toString();
    m_hasExtensionUnit = config.value(QStringLiteral("extensionUnit")).toBool(true);
    m_present = config.value(QStringLiteral("plugged")).toBool(true);
    CameraMode mode = CameraMode::Normal;
    if (parseCameraMode(config.value(QStringLiteral("mode")).toString(QStringLiteral("normal")), &mode))
        m_mode = mode;
    const QString drive = config.value(QStringLiteral("driveLetter")).toString(QStringLiteral("F"));
    m_driveLetter = drive.isEmpty() ? QChar('F') : drive.at(0).toUpper();
    m_upperCaseEventPaths = config.value(QStringLiteral("upperCaseEventPaths")).toBool(false);
    m_extraEvents = config.value(QStringLiteral("extraEvents")).toBool(true);
    m_restartDelayMs = config.value(QStringLiteral("restartDelayMs")).toInt(3000);
    m_firmwareVersion = config.value(QStringLiteral("firmware")).toString(QStringLiteral("1.0.22"));
    m_faults = config.value(QStringLiteral("faults")).toObject().toVariantMap();

    m_uvc = std::make_unique<SimUvcCamera>(*this, config);
    m_storage = std::make_unique<SimMassStorage>(*this, config);
    m_stream = std::make_unique<SimStreamServer>(*this, config);
}

SimCamera::~SimCamera() = default;

QString SimCamera::devicePath() const
{
    return interfacePath(m_interface, m_suffix, guidText(platform::kCaptureInterfaceClass));
}

QString SimCamera::interfacePath(int interfaceNumber, const QString &suffix, const QString &classGuid) const
{
    return QStringLiteral("\\\\?\\usb#vid_%1&pid_%2&mi_%3#%4&%5#%6\\global")
        .arg(m_vendorId, 4, 16, QLatin1Char('0'))
        .arg(m_productId, 4, 16, QLatin1Char('0'))
        .arg(interfaceNumber, 2, 10, QLatin1Char('0'))
        .arg(m_instance, suffix, classGuid);
}

QString SimCamera::id() const
{
    const QString path = devicePath();
    const int first = path.indexOf(QLatin1Char('#'));
    const int last = path.lastIndexOf(QLatin1Char('#'));
    return path.mid(first + 1, last - first - 1);
}

QString SimCamera::monikerDisplayName() const
{
    if (!m_moniker.isEmpty())
        return m_moniker;
    return QStringLiteral("@device:pnp:") + devicePath();
}

QVariant SimCamera::fault(const QString &name, const QVariant &fallback) const
{
    std::lock_guard<std::mutex> lock(m_faultMutex);
    return m_faults.value(name, fallback);
}

bool SimCamera::hasFault(const QString &name) const
{
    std::lock_guard<std::mutex> lock(m_faultMutex);
    return m_faults.contains(name);
}

void SimCamera::setFault(const QString &name, const QVariant &value)
{
    std::lock_guard<std::mutex> lock(m_faultMutex);
    m_faults.insert(name, value);
}

void SimCamera::clearFault(const QString &name)
{
    std::lock_guard<std::mutex> lock(m_faultMutex);
    m_faults.remove(name);
}

bool parseCameraMode(const QString &text, CameraMode *mode)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("normal"))
        *mode = CameraMode::Normal;
    else if (t == QLatin1String("rom"))
        *mode = CameraMode::Rom;
    else if (t == QLatin1String("updater"))
        *mode = CameraMode::Updater;
    else if (t == QLatin1String("uboot"))
        *mode = CameraMode::UBoot;
    else
        return false;
    return true;
}

} // namespace sim
