#pragma once
// What the control panel and its parts share: the property ids and limits, the notice
// texts, the option lists of the interface language, and setters that fill a control
// without running its handler.
#include "core/Language.h"
#include "core/NoticeTexts.h"
#include "camera/CameraRules.h"
#include "camera/OpenCamera.h"
#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "catalogue/Catalogue.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDebug>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QString>
#include <QToolButton>
#include <QWidget>

namespace controlpanel {


inline constexpr int kRememberDelayMs = 100;
inline constexpr int kRefreshRememberDelayMs = 400;
inline constexpr int kZoomWide = CameraRules::kZoomWide;
inline constexpr int kZoomMin = CameraRules::kZoomMin;
inline constexpr int kZoomMax = CameraRules::kZoomMax;
inline constexpr int kPanTiltLimit = CameraRules::kPanTiltLimit;

// Camera-control and image property ids of the capture stack.
inline constexpr int kPropPan = CameraRules::kPropPan;
inline constexpr int kPropTilt = CameraRules::kPropTilt;
inline constexpr int kPropZoom = CameraRules::kPropZoom;
inline constexpr int kPropFocus = CameraRules::kPropFocus;
inline constexpr int kPropBrightness = CameraRules::kPropBrightness;
inline constexpr int kPropContrast = CameraRules::kPropContrast;
inline constexpr int kPropHue = CameraRules::kPropHue;
inline constexpr int kPropSaturation = CameraRules::kPropSaturation;
inline constexpr int kPropSharpness = CameraRules::kPropSharpness;
inline constexpr int kPropWhiteBalance = CameraRules::kPropWhiteBalance;

// The window's notices (shared with lensdeskctl).
using notices::windowText;
using notices::settingTimeout;
using notices::operationTimeout;
using notices::valueNotTaken;

inline bool validLanguage(int language)
{
    return language >= 0 && language < kLanguageCount;
}

inline const OptionTable &noOptions()
{
    static const OptionTable empty;
    return empty;
}

// The tracking tables exist per interface language; outside 0 to 4 there are none.
inline const OptionTable &trackingModes()
{
    return validLanguage(g_language) ? trackingModeOptions(g_language) : noOptions();
}

inline const OptionTable &trackingEffects()
{
    return validLanguage(g_language) ? trackingEffectOptions(g_language) : noOptions();
}

inline const OptionTable &trackingSpeeds()
{
    return validLanguage(g_language) ? trackingSpeedOptions(g_language) : noOptions();
}

// The value a list's entry stands for; -1 past its end.
inline int optionValue(const OptionTable &table, int index)
{
    return index >= 0 && index < table.size() ? table.at(index).value : -1;
}

inline bool isAutomatic(std::int32_t flags)
{
    return (flags & DShowCameraWrapper::kFlagsAuto) != 0;
}

// While the camera streams, the values it reads back are not checked; a camera that does
// not answer counts as not streaming.
inline bool videoOn(UVCExtensionUnit &uvc)
{
    int videoState = 0;
    if (uvc.GetVideoState(videoState) && videoState == 1) {
        qDebug() << "video on";
        return true;
    }
    return false;
}

inline void setSliderQuietly(QSlider *slider, int value)
{
    const QSignalBlocker block(slider);
    slider->setValue(value);
}

inline void checkQuietly(QAbstractButton *button, bool checked)
{
    const QSignalBlocker block(button);
    button->setChecked(checked);
}

inline void setVisible(const QList<QWidget *> &widgets, bool visible)
{
    for (QWidget *w : widgets)
        w->setVisible(visible);
}


} // namespace controlpanel
