#pragma once
#include "platform/DeviceNotifier.h"

#include <QByteArray>
#include <QHash>
#include <QSet>

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace platform {

// Device changes on Linux: a udev monitor on video4linux and block devices, read on the
// notifier's thread and delivered as interface broadcasts with synthesised paths.
class LinuxDeviceNotifier : public DeviceNotifier
{
    Q_OBJECT
public:
    explicit LinuxDeviceNotifier(QObject *parent = nullptr);
    ~LinuxDeviceNotifier() override;

    // False when the udev monitor cannot be set up.
    bool registerInterfaceClass(const QUuid &classGuid) override;

    // One udev event (its properties: ACTION, SUBSYSTEM, DEVPATH, DEVTYPE, ID_VENDOR_ID,
    // ID_MODEL_ID, ID_V4L_CAPABILITIES) as a broadcast; false when it stands for none.
    static bool translate(const QHash<QByteArray, QByteArray> &properties, DeviceChange *change);

private:
    void receive();

    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_socket = nullptr;
    QSet<QUuid> m_classes;
};

} // namespace platform
