#include "camera/FactoryReset.h"

#include "camera/CameraPropertyState.h"
#include "camera/CameraRules.h"
#include "camera/OpenCamera.h"

#include <QDebug>

namespace {
// The firmware of model 13 whose reset leaves pan, tilt, zoom, anti-flicker and
// microphone where they were.
const char kPreResetFirmware[] = "1.0.22";
constexpr int kPreResetModel = 13;
constexpr int kAntiFlicker50Hz = 1;
constexpr int kMicrophoneOn = 1;
} // namespace

bool FactoryReset::needsPreReset(int model, const QString &firmware)
{
    return model == kPreResetModel && firmware == QLatin1String(kPreResetFirmware);
}

void FactoryReset::preReset(OpenCamera &camera)
{
    CameraPropertyState &st = camera.properties();
    st.pan.current = 0;
    st.tilt.current = 0;
    st.zoom.current = CameraRules::kZoomWide;
    camera.standard().setCameraCtlValue(CameraRules::kPropPan, st.pan.current);
    camera.standard().setCameraCtlValue(CameraRules::kPropTilt, st.tilt.current);
    camera.standard().setCameraCtlValue(CameraRules::kPropZoom, st.zoom.current);
    if (!camera.extensionUnit().SetAntiFlicker(kAntiFlicker50Hz))
        qDebug() << "Config deivce flicker failed.";
    if (!camera.extensionUnit().SetMicEnable(kMicrophoneOn))
        qDebug() << "Config deivce mute failed.";
}

bool FactoryReset::reset(OpenCamera &camera)
{
    if (!camera.extensionUnit().ResetDefaults()) {
        qDebug() << "Reset default params failed.";
        return false;
    }
    qDebug() << "Reset default params successed.";
    return true;
}
