#pragma once
#include "camera/CameraPropertyState.h"

#include <QString>

// The limits every front end applies to the camera controls: the property ids of the
// capture stack, how far zoom, pan and tilt may go, and the tracking mode a firmware
// misreports. What each model has is in its CameraModel record.
class CameraRules
{
public:
    static constexpr int kZoomWide = 100;
    static constexpr int kZoomMin = 100;
    static constexpr int kZoomMax = 800;
    static constexpr int kPanTiltLimit = 30;

    // Camera-control property ids.
    static constexpr int kPropPan = 0;
    static constexpr int kPropTilt = 1;
    static constexpr int kPropZoom = 3;
    static constexpr int kPropFocus = 6;
    // Video-proc-amp (image) property ids.
    static constexpr int kPropBrightness = 0;
    static constexpr int kPropContrast = 1;
    static constexpr int kPropHue = 2;
    static constexpr int kPropSaturation = 3;
    static constexpr int kPropSharpness = 4;
    static constexpr int kPropWhiteBalance = 7;

    // Pan and tilt stay within -30..30 and within what the camera reports (a camera that
    // reports a narrower range would refuse the steps beyond it).
    static int panTiltLow(const CameraPropertyState::Property &property);
    static int panTiltHigh(const CameraPropertyState::Property &property);

    // The tracking mode to believe: a model's firmware that reports a mode it does not
    // run reads as Off.
    static int reportedTrackingMode(int model, const QString &firmware, int mode);
};
