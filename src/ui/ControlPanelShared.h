#pragma once
// What the control panel's three source files share: the property ids and limits, the
// notice texts, the option lists of the interface language, and setters that fill a
// control without running its handler.
#include "app/Language.h"
#include "camera/DShowCameraWrapper.h"
#include "catalogue/Catalogue.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QList>
#include <QSignalBlocker>
#include <QSlider>
#include <QString>
#include <QWidget>

namespace controlpanel {


inline constexpr int kRememberDelayMs = 100;
inline constexpr int kRefreshRememberDelayMs = 400;
inline constexpr int kTipShowDelayMs = 500;
inline constexpr int kTipHoldMs = 1500;
inline constexpr int kZoomWide = 100;
inline constexpr int kZoomMin = 100;
inline constexpr int kZoomMax = 800;
inline constexpr int kPanTiltLimit = 30;
// The firmware whose tracking mode must read as Off on model 13.
inline constexpr char kTrackingOffFirmware[] = "1.0.22";

// Camera-control and image property ids of the capture stack.
inline constexpr int kPropPan = 0;
inline constexpr int kPropTilt = 1;
inline constexpr int kPropZoom = 3;
inline constexpr int kPropFocus = 6;
inline constexpr int kPropBrightness = 0;
inline constexpr int kPropContrast = 1;
inline constexpr int kPropHue = 2;
inline constexpr int kPropSaturation = 3;
inline constexpr int kPropSharpness = 4;
inline constexpr int kPropWhiteBalance = 7;

// The window's notices carry the window's translation context.
inline QString windowText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

inline QString settingTimeout()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow", "The setting has timed out, please try again."));
}

inline QString operationTimeout()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow", "The operation has timed out, please try again."));
}

inline QString valueNotTaken()
{
    return windowText(QT_TRANSLATE_NOOP("MainWindow",
        "Any change in the setting takes effect only if the camera is working."));
}

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
