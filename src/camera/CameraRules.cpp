#include "camera/CameraRules.h"

#include "catalogue/CameraModel.h"

#include <algorithm>

int CameraRules::panTiltLow(const CameraPropertyState::Property &property)
{
    return property.minimum < property.maximum ? std::max(-kPanTiltLimit, property.minimum) : -kPanTiltLimit;
}

int CameraRules::panTiltHigh(const CameraPropertyState::Property &property)
{
    return property.minimum < property.maximum ? std::min(kPanTiltLimit, property.maximum) : kPanTiltLimit;
}

int CameraRules::reportedTrackingMode(int model, const QString &firmware, int mode)
{
    const QString &misreporting = cameraModel(model).trackingMisreportFirmware;
    if (!misreporting.isEmpty() && firmware == misreporting)
        return 0;
    return mode;
}
