#include "camera/OpenCamera.h"

#include "camera/CameraRules.h"
#include "camera/PresetStore.h"

namespace {

bool isAutomatic(std::int32_t flags)
{
    return (flags & DShowCameraWrapper::kFlagsAuto) != 0;
}

} // namespace

OpenCamera::~OpenCamera()
{
    closeChannels();
}

bool OpenCamera::selectProperties(const QString &id, const QString &name)
{
    m_id = id;
    m_name = name;
    m_firmware.clear();
    const bool found = m_standard.selectCamera(id, name, m_index);
    m_serial = m_standard.selectedSerial();
    return found;
}

QString OpenCamera::presetKey() const
{
    return PresetStore::cameraKey(m_serial, m_id);
}

bool OpenCamera::openExtensionUnit()
{
    return m_extensionUnit.InitUvc(m_id, m_name);
}

bool OpenCamera::openChannels(const QString &id, const QString &name)
{
    m_extensionUnit.ReleaseUvc();
    const bool found = selectProperties(id, name);
    return found && openExtensionUnit();
}

bool OpenCamera::reopenExtensionUnit()
{
    m_extensionUnit.ReleaseUvc();
    return openExtensionUnit();
}

void OpenCamera::closeChannels()
{
    m_extensionUnit.ReleaseUvc();
    m_standard.releaseCamera();
    m_index = -1;
}

void OpenCamera::setModels(int nameModel, int usbModel, int productLine)
{
    m_nameModel = nameModel;
    m_usbModel = usbModel;
    m_productLine = productLine;
}

bool OpenCamera::readFirmware()
{
    QString version;
    if (m_extensionUnit.readFirmwareVersion(version)) {
        m_firmware = version;
        return true;
    }
    return false;
}

bool OpenCamera::readProperties()
{
    return m_index >= 0 && m_standard.readCameraProperties(m_index, m_nameModel);
}

bool OpenCamera::offers(const CameraSetting &setting) const
{
    return camerasettings::offers(setting, model(), rows());
}

bool OpenCamera::writeSetting(const CameraSetting &setting, int value)
{
    const bool vendor = setting.source == SettingSource::Vendor
        || (setting.source == SettingSource::FocusAuto && value != 0);
    const bool done = write(setting, value);
    noteFault(done, vendor);
    return done;
}

bool OpenCamera::readSetting(const CameraSetting &setting, int &value)
{
    const bool done = read(setting, value);
    noteFault(done, setting.source == SettingSource::Vendor);
    return done;
}

void OpenCamera::noteFault(bool done, bool vendor)
{
    if (done) {
        m_lastFault = Fault::None;
        m_lastStatus = platform::kSOk;
        return;
    }
    m_lastStatus = vendor ? m_extensionUnit.lastStatus() : m_standard.lastStatus();
    if (vendor && m_extensionUnit.lastFoundNoUnit())
        m_lastFault = Fault::NoExtensionUnit;
    else if (m_lastStatus == platform::kErrorSemTimeout || m_lastStatus == platform::kErrorDeviceNotConnected
             || m_lastStatus == platform::kSOk)
        // A request that timed out, a camera gone, or an answer that is none.
        m_lastFault = Fault::NoAnswer;
    else
        m_lastFault = Fault::Refused;
}

bool OpenCamera::write(const CameraSetting &setting, int value)
{
    switch (setting.source) {
    case SettingSource::CameraControl:
        return m_standard.setCameraCtlValue(setting.propertyId, value);
    case SettingSource::VideoProc:
        return m_standard.setVideoProcValue(setting.propertyId, value);
    case SettingSource::FocusAuto: {
        if (value)
            return m_extensionUnit.SetAutoFocus();
        // Manual focus starts where automatic focus left the lens.
        CameraPropertyState::Property &focus = properties().*(setting.property);
        m_standard.getCameraCtlValue(setting.propertyId, focus.current);
        return m_standard.setCameraCtlValue(setting.propertyId, focus.current);
    }
    case SettingSource::WhiteBalanceAuto:
        return value ? m_standard.setVideoProcAuto(setting.propertyId)
                     : m_standard.setVideoProcValue(setting.propertyId, (properties().*(setting.property)).current);
    case SettingSource::Vendor:
        return m_extensionUnit.setFeature(setting.vendor, value);
    }
    return false;
}

bool OpenCamera::read(const CameraSetting &setting, int &value)
{
    switch (setting.source) {
    case SettingSource::CameraControl:
        if (!m_standard.getCameraCtlValue(setting.propertyId, 0))
            return false;
        value = (properties().*(setting.property)).current;
        return true;
    case SettingSource::VideoProc:
        if (!m_standard.getVideoProcValue(setting.propertyId, 0))
            return false;
        value = (properties().*(setting.property)).current;
        return true;
    case SettingSource::FocusAuto:
    case SettingSource::WhiteBalanceAuto:
        // The automatic flag comes only with a full read.
        if (!readProperties())
            return false;
        value = isAutomatic((properties().*(setting.property)).flags) ? 1 : 0;
        return true;
    case SettingSource::Vendor:
        if (setting.id == SettingId::TrackingMode) {
            const int mode = trackingMode();
            if (mode < 0)
                return false;
            value = mode;
            return true;
        }
        return m_extensionUnit.getFeature(setting.vendor, value);
    }
    return false;
}

int OpenCamera::trackingMode()
{
    int mode = 0;
    if (!m_extensionUnit.GetTrackingMode(mode))
        return -1;
    return CameraRules::reportedTrackingMode(m_nameModel, m_firmware, mode);
}
