#include "remote/ServedCamera.h"

#include "camera/CameraEntry.h"
#include "platform/Backend.h"
#include "platform/DeviceNotifier.h"

#include <QDebug>

ServedCamera::ServedCamera(const Identity &identity, QObject *parent)
    : QObject(parent)
    , m_identity(identity)
{
    m_camera.setModels(identity.nameModel, identity.usbModel, identity.productLine);
}

ServedCamera::~ServedCamera()
{
    close();
}

bool ServedCamera::present()
{
    QList<CameraEntry> entries;
    m_camera.standard().listCaptureDevices(entries);
    for (const CameraEntry &entry : qAsConst(entries)) {
        if (entry.id == m_identity.id && entry.name == m_identity.name)
            return true;
    }
    return false;
}

bool ServedCamera::open()
{
    close();
    if (!present())
        return false;
    m_open = m_camera.openChannels(m_identity.id, m_identity.name);
    if (!m_open) {
        m_camera.closeChannels();
        return false;
    }
    m_camera.setFirmware(m_identity.firmware);
    m_camera.readProperties();
    return true;
}

void ServedCamera::close()
{
    if (!m_open)
        return;
    m_camera.closeChannels();
    m_open = false;
}

OpenCamera *ServedCamera::camera()
{
    if (!m_open && open()) {
        qInfo().noquote() << "VISCA: camera" << m_identity.name << "is back";
        emit presenceChanged(true);
    }
    return m_open ? &m_camera : nullptr;
}

void ServedCamera::unanswered()
{
    check();
}

void ServedCamera::check()
{
    const bool there = present();
    if (m_open && !there) {
        close();
        qInfo().noquote() << "VISCA: camera" << m_identity.name << "is gone; commands are not executable until it is back";
        emit presenceChanged(false);
    } else if (there) {
        // A camera that re-enumerated is a new device: its old channels keep failing.
        const bool wasOpen = m_open;
        if (open() && !wasOpen) {
            qInfo().noquote() << "VISCA: camera" << m_identity.name << "is back";
            emit presenceChanged(true);
        }
    }
}

void ServedCamera::followDeviceChanges()
{
    if (!platform::hasBackend())
        return;
    platform::DeviceNotifier *notifier = platform::backend().deviceNotifier();
    if (!notifier)
        return;
    notifier->registerInterfaceClass(platform::kCaptureInterfaceClass);
    connect(notifier, &platform::DeviceNotifier::deviceChanged, this,
            [this](const platform::DeviceChange &change) {
                if (change.classGuid == platform::kCaptureInterfaceClass)
                    check();
            });
}
