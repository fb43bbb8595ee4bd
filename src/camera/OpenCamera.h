#pragma once
#include "camera/CameraPropertyState.h"
#include "camera/CameraSetting.h"
#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "catalogue/CameraModel.h"

#include <QString>

// One camera opened by a front end: its two channels (the standard properties and the
// vendor extension unit), what is known of it (id, name, its models, firmware) and its
// settings by their description. The window, lensdeskctl and every later front end hold
// one of these; nothing of an open camera lives anywhere else.
class OpenCamera
{
public:
    OpenCamera() = default;
    ~OpenCamera();
    OpenCamera(const OpenCamera &) = delete;
    OpenCamera &operator=(const OpenCamera &) = delete;

    // Binds the standard channel to the capture device with exactly this id and name and
    // remembers them; false when no device matches (its position is then -1).
    bool selectProperties(const QString &id, const QString &name);
    // Opens the extension unit of the camera selected last.
    bool openExtensionUnit();
    // Both, as a front end opens a camera.
    bool openChannels(const QString &id, const QString &name);
    // Releases and opens the extension unit again (after a failed request).
    bool reopenExtensionUnit();
    // Releases both channels.
    void closeChannels();

    QString id() const { return m_id; }
    QString name() const { return m_name; }
    // The USB serial number of the selected device (empty: none).
    QString serial() const { return m_serial; }
    // The key the camera's position presets are kept under (PresetStore::cameraKey).
    QString presetKey() const;
    // The position in the video-input enumeration, -1 when none is selected.
    int index() const { return m_index; }
    bool isSelected() const { return m_index >= 0; }

    // The model of the camera's name and that of its USB identifiers on the product line.
    void setModels(int nameModel, int usbModel, int productLine);
    const CameraModel &model() const { return cameraModel(m_nameModel); }
    // The record that arranges this camera's rows, or null.
    const CameraModel *rows() const { return cameraModelRows(m_productLine, m_usbModel); }

    // Reads the firmware version (both version commands in turn); false when neither answers.
    bool readFirmware();
    QString firmware() const { return m_firmware; }
    void setFirmware(const QString &version) { m_firmware = version; }

    DShowCameraWrapper &standard() { return m_standard; }
    UVCExtensionUnit &extensionUnit() { return m_extensionUnit; }
    CameraPropertyState &properties() { return m_standard.state(); }
    const CameraPropertyState &properties() const { return m_standard.state(); }
    // Reads every standard property of the selected camera in its model's order.
    bool readProperties();

    // Whether the camera offers a setting (by its models).
    bool offers(const CameraSetting &setting) const;
    // Writes one value as the setting's description says; true when the camera took it.
    bool writeSetting(const CameraSetting &setting, int value);
    // Reads the value the camera holds; false when it does not answer.
    bool readSetting(const CameraSetting &setting, int &value);
    // The tracking mode to believe (see CameraRules), -1 without an answer.
    int trackingMode();

    // Why the last writeSetting or readSetting failed: the camera shows no vendor unit,
    // it did not answer (or gave no valid answer), or it refused the request; with the
    // platform's status of that request.
    enum class Fault { None, NoExtensionUnit, NoAnswer, Refused };
    Fault lastFault() const { return m_lastFault; }
    platform::HResult lastStatus() const { return m_lastStatus; }

private:
    bool write(const CameraSetting &setting, int value);
    bool read(const CameraSetting &setting, int &value);
    void noteFault(bool done, bool vendor);

    DShowCameraWrapper m_standard;
    UVCExtensionUnit m_extensionUnit;
    QString m_id;
    QString m_name;
    QString m_serial;
    QString m_firmware;
    int m_index = -1;
    int m_nameModel = 255;
    int m_usbModel = 255;
    int m_productLine = 0;
    Fault m_lastFault = Fault::None;
    platform::HResult m_lastStatus = platform::kSOk;
};
