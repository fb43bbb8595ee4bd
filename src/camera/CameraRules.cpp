#include "camera/CameraRules.h"

#include <algorithm>

namespace {
// The firmware whose tracking mode must read as Off on model 13.
const char kTrackingOffFirmware[] = "1.0.22";
constexpr int kTrackingOffModel = 13;
} // namespace

int CameraRules::panTiltLow(const CameraPropertyState::Property &property)
{
    return property.minimum < property.maximum ? std::max(-kPanTiltLimit, property.minimum) : -kPanTiltLimit;
}

int CameraRules::panTiltHigh(const CameraPropertyState::Property &property)
{
    return property.minimum < property.maximum ? std::min(kPanTiltLimit, property.maximum) : kPanTiltLimit;
}

bool CameraRules::hasFocusControl(int model)
{
    return model == 0 || model == 5 || model == 7;
}

bool CameraRules::hasFieldOfView(int model)
{
    return model == 0 || model == 5;
}

int CameraRules::reportedTrackingMode(int model, const QString &firmware, int mode)
{
    if (model == kTrackingOffModel && firmware == QLatin1String(kTrackingOffFirmware))
        return 0;
    return mode;
}
