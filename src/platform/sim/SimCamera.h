#pragma once
#include <QChar>
#include <QJsonObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>

namespace sim {

class SimRig;
class SimUvcCamera;
class SimMassStorage;
class SimStreamServer;

// What a rig device presents on the bus at the moment.
enum class CameraMode {
    Normal,  // a video-class camera
    Rom,     // a mass-storage volume answered by the boot ROM
    Updater, // a mass-storage volume answered by the updater program
    UBoot    // a mass-storage volume answered by the boot loader
};

// One physical device of the rig: its USB identity, whether it is on the bus, which
// mode it is in, and the three sides a real camera has (video class with extension
// unit and standard properties, mass storage, MJPEG stream).
class SimCamera
{
public:
    SimCamera(SimRig &rig, const QJsonObject &config);
    ~SimCamera();

    SimRig &rig() const { return m_rig; }
    const QJsonObject &config() const { return m_config; }

    // The rig's name for this device ("cam1"); used by tests, rig files and commands.
    QString key() const { return m_key; }
    quint16 vendorId() const { return m_vendorId; }
    quint16 productId() const { return m_productId; }
    int interfaceNumber() const { return m_interface; }
    QString instance() const { return m_instance; }
    QString suffix() const { return m_suffix; }
    QString friendlyName() const { return m_friendlyName; }
    // The USB serial number; empty when the device has none.
    QString serialNumber() const { return m_serial; }
    // The video node the rig gives the device ("videoNode"); empty for none, as on Windows.
    QString videoNode() const { return m_videoNode; }

    // The capture interface's device path in the Windows form, for example
    // \\?\usb#vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000#{65e8773d-...}\global.
    QString devicePath() const;
    // The same path for another interface of the camera (another instance suffix).
    QString interfacePath(int interfaceNumber, const QString &suffix, const QString &classGuid) const;
    // The part between the first and the last "#" of the device path.
    QString id() const;
    // The moniker's display name ("@device:pnp:" + device path unless configured).
    QString monikerDisplayName() const;

    // Whether this device is a camera at all (a microphone or another vendor's webcam
    // on the rig is a capture device without the vendor protocols).
    bool hasExtensionUnit() const { return m_hasExtensionUnit; }

    bool present() const { return m_present; }
    void setPresent(bool present) { m_present = present; }
    CameraMode mode() const { return m_mode; }
    void setMode(CameraMode mode) { m_mode = mode; }
    // The drive letter of the mass-storage volume in the upgrade modes.
    QChar driveLetter() const { return m_driveLetter; }
    bool upperCaseEventPaths() const { return m_upperCaseEventPaths; }
    // Whether arrivals and removals also raise the events of the camera's other
    // interfaces and device classes.
    bool extraEvents() const { return m_extraEvents; }
    // Milliseconds between leaving the bus and coming back after a restart.
    int restartDelayMs() const { return m_restartDelayMs; }

    // The firmware version as three numbers (major, minor, patch).
    QString firmwareVersion() const { return m_firmwareVersion; }
    void setFirmwareVersion(const QString &version) { m_firmwareVersion = version; }

    // Faults on demand, by name (see the rig file documentation). Unset faults read as
    // the given default.
    QVariant fault(const QString &name, const QVariant &fallback = QVariant()) const;
    bool hasFault(const QString &name) const;
    void setFault(const QString &name, const QVariant &value);
    void clearFault(const QString &name);

    SimUvcCamera &uvc() { return *m_uvc; }
    SimMassStorage &storage() { return *m_storage; }
    SimStreamServer &stream() { return *m_stream; }

private:
    SimRig &m_rig;
    QJsonObject m_config;
    QString m_key;
    quint16 m_vendorId = 0;
    quint16 m_productId = 0;
    int m_interface = 0;
    QString m_instance;
    QString m_suffix;
    QString m_friendlyName;
    QString m_serial;
    QString m_videoNode;
    QString m_moniker;
    bool m_hasExtensionUnit = true;
    bool m_present = true;
    CameraMode m_mode = CameraMode::Normal;
    QChar m_driveLetter;
    bool m_upperCaseEventPaths = false;
    bool m_extraEvents = true;
    int m_restartDelayMs = 3000;
    QString m_firmwareVersion;
    // Faults are read by the stream server's thread too; a lock of their own (rather
    // than the rig's) keeps that cheap and visible to the thread sanitizer.
    mutable std::mutex m_faultMutex;
    QVariantMap m_faults;
    std::unique_ptr<SimUvcCamera> m_uvc;
    std::unique_ptr<SimMassStorage> m_storage;
    std::unique_ptr<SimStreamServer> m_stream;
};

// Parses the mode names of rig files and commands ("normal", "rom", "updater", "uboot").
bool parseCameraMode(const QString &text, CameraMode *mode);

} // namespace sim
