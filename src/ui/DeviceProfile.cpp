#include "ui/DeviceProfile.h"

#include "catalogue/CameraModel.h"

namespace deviceprofile {

const char kArborPicture[] =
    "QLabel{background-image:url(:/qss/light/Arbor-pic.png);center no-repeat;}";
const char kArbor50Picture[] =
    "QLabel{background-image:url(:/qss/light/arbor-50-pic.png);center no-repeat;}";
const char kArbor150Picture[] =
    "QLabel{background-image:url(:/qss/light/arbor-150-pic.png);center no-repeat;}";
const char kLns410aPicture[] =
    "QLabel{background-image:url(:/qss/light/lns-410-a-pic.png);center no-repeat;}";

namespace {

QString pictureStyle(ModelPicture picture)
{
    switch (picture) {
    case ModelPicture::None:
        return QString();
    case ModelPicture::Arbor:
        return QLatin1String(kArborPicture);
    case ModelPicture::Arbor50:
        return QLatin1String(kArbor50Picture);
    case ModelPicture::Arbor150:
        return QLatin1String(kArbor150Picture);
    case ModelPicture::Lns410a:
        return QLatin1String(kLns410aPicture);
    }
    return QString();
}

} // namespace

DeviceProfile deviceProfileFor(int productLine, int model)
{
    DeviceProfile profile;
    const CameraModel *record = cameraModelRows(productLine, model);
    if (!record)
        return profile;
    profile.known = true;
    profile.picture = pictureStyle(record->picture);
    // The optional rows in the order the window arranges them.
    const std::pair<RowPresence, const char *> rows[] = {
        {record->hdMode, "widgetHD"},
        {record->aiLight, "widgetAutoAE"},
        {record->fieldOfViewRow, "widgetAngle"},
        {record->mirror, "widgetMirror"},
        {record->gesture, "widgetGestureControl"},
    };
    for (const auto &row : rows) {
        if (row.first == RowPresence::Shown)
            profile.shown << QLatin1String(row.second);
        else if (row.first == RowPresence::Hidden)
            profile.hidden << QLatin1String(row.second);
    }
    profile.trackingOff = record->trackingOff;
    profile.trackingDisabled = record->trackingDisabled;
    profile.limitedControls = record->limitedControls;
    return profile;
}

} // namespace deviceprofile
