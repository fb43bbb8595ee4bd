#pragma once
#include "camera/OpenCamera.h"
#include "remote/ViscaTarget.h"

#include <QObject>
#include <QString>

namespace platform {
struct DeviceChange;
}

// One camera that lensdeskctl serve holds open for its VISCA endpoints. It leaves with
// the device and comes back with it: a device change, or the next request after one that
// went unanswered, looks for the device again by its id and name and reopens it.
class ServedCamera : public QObject, public ViscaTarget
{
    Q_OBJECT
public:
    struct Identity
    {
        QString id;   // the device path as the capture stack gives it
        QString name;
        int nameModel = 255;
        int usbModel = 255;
        int productLine = 0;
        QString firmware;
    };

    explicit ServedCamera(const Identity &identity, QObject *parent = nullptr);
    ~ServedCamera() override;

    const Identity &identity() const { return m_identity; }
    // Opens the camera; false when it is not there.
    bool open();
    bool isOpen() const { return m_open; }

    OpenCamera *camera() override;
    void unanswered() override;

    // Follows the platform's device changes (call once the notifier exists).
    void followDeviceChanges();

signals:
    // The camera left (false) or came back (true).
    void presenceChanged(bool present);

private:
    bool present();
    void check();
    void close();

    Identity m_identity;
    OpenCamera m_camera;
    bool m_open = false;
};
