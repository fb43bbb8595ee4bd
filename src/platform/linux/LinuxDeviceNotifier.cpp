#include "platform/linux/LinuxDeviceNotifier.h"

#include "platform/linux/LinuxDevicePath.h"

#include <QSocketNotifier>

#include <libudev.h>

namespace platform {

LinuxDeviceNotifier::LinuxDeviceNotifier(QObject *parent)
    : DeviceNotifier(parent)
{
}

LinuxDeviceNotifier::~LinuxDeviceNotifier()
{
    delete m_socket;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

bool LinuxDeviceNotifier::registerInterfaceClass(const QUuid &classGuid)
{
    if (!m_monitor) {
        m_udev = udev_new();
        if (!m_udev)
            return false;
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (!m_monitor
            || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "video4linux", nullptr) < 0
            || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "block", "disk") < 0
            || udev_monitor_enable_receiving(m_monitor) < 0) {
            if (m_monitor)
                udev_monitor_unref(m_monitor);
            m_monitor = nullptr;
            udev_unref(m_udev);
            m_udev = nullptr;
            return false;
        }
        m_socket = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read);
        connect(m_socket, &QSocketNotifier::activated, this, [this] { receive(); });
    }
    m_classes.insert(classGuid);
    return true;
}

void LinuxDeviceNotifier::receive()
{
    // The socket is non-blocking: take every event that is waiting.
    while (udev_device *device = udev_monitor_receive_device(m_monitor)) {
        QHash<QByteArray, QByteArray> properties;
        udev_list_entry *entry = nullptr;
        udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(device))
        {
            const char *value = udev_list_entry_get_value(entry);
            properties.insert(QByteArray(udev_list_entry_get_name(entry)), QByteArray(value ? value : ""));
        }
        auto put = [&](const char *name, const char *value) {
            if (value)
                properties.insert(QByteArray(name), QByteArray(value));
        };
        put("ACTION", udev_device_get_action(device));
        put("SUBSYSTEM", udev_device_get_subsystem(device));
        put("DEVPATH", udev_device_get_devpath(device));
        put("DEVTYPE", udev_device_get_devtype(device));
        udev_device_unref(device);

        DeviceChange change;
        if (translate(properties, &change) && m_classes.contains(change.classGuid))
            emit deviceChanged(change);
    }
}

bool LinuxDeviceNotifier::translate(const QHash<QByteArray, QByteArray> &properties, DeviceChange *change)
{
    const QByteArray action = properties.value("ACTION");
    std::uint32_t event = 0;
    if (action == "add")
        event = kDbtDeviceArrival;
    else if (action == "remove")
        event = kDbtDeviceRemoveComplete;
    else
        return false;

    const QByteArray subsystem = properties.value("SUBSYSTEM");
    QUuid interfaceClass;
    if (subsystem == "video4linux") {
        // A node udev knows not to capture (metadata, output) is no capture interface.
        const QByteArray caps = properties.value("ID_V4L_CAPABILITIES");
        if (!caps.isEmpty() && !caps.contains(":capture:"))
            return false;
        interfaceClass = kCaptureInterfaceClass;
    } else if (subsystem == "block") {
        if (properties.value("DEVTYPE") != "disk")
            return false;
        interfaceClass = kDiskInterfaceClass;
    } else {
        return false;
    }

    QString port;
    int interfaceNumber = -1;
    if (!LinuxDevicePath::usbInterfaceFromDevpath(QString::fromUtf8(properties.value("DEVPATH")), &port,
                                                  &interfaceNumber))
        return false;
    bool vendorOk = false;
    bool productOk = false;
    const uint vendor = properties.value("ID_VENDOR_ID").toUInt(&vendorOk, 16);
    const uint product = properties.value("ID_MODEL_ID").toUInt(&productOk, 16);
    if (!vendorOk || !productOk || vendor > 0xFFFF || product > 0xFFFF)
        return false;

    change->event = event;
    change->deviceType = kDbtDevtypDeviceInterface;
    change->classGuid = interfaceClass;
    change->name = LinuxDevicePath::interfacePath(static_cast<quint16>(vendor), static_cast<quint16>(product),
                                                  interfaceNumber, port, interfaceClass);
    return true;
}

} // namespace platform
