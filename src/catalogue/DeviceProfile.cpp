#include "catalogue/DeviceProfile.h"

#include <utility>

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

DeviceProfile make(const char *picture, QStringList shown, QStringList hidden)
{
    DeviceProfile profile;
    profile.known = true;
    profile.picture = QString::fromLatin1(picture);
    profile.shown = std::move(shown);
    profile.hidden = std::move(hidden);
    return profile;
}

const QString HD = QStringLiteral("widgetHD");
const QString AutoAE = QStringLiteral("widgetAutoAE");
const QString Mirror = QStringLiteral("widgetMirror");
const QString Gesture = QStringLiteral("widgetGestureControl");
const QString Angle = QStringLiteral("widgetAngle");

DeviceProfile manufacturer0(int model)
{
    switch (model) {
    case 0:
        return make(kArborPicture, {HD, AutoAE}, {Mirror, Gesture});
    case 1: {
        DeviceProfile p = make(kArborPicture, {HD}, {Mirror, AutoAE});
        p.trackingOff = true;
        p.trackingDisabled = true;
        return p;
    }
    case 2:
    case 3: {
        DeviceProfile p = make(kArborPicture, {}, {HD, Mirror, AutoAE});
        p.trackingOff = true;
        p.limitedControls = true;
        return p;
    }
    case 4:
    case 6:
        return make(kArborPicture, {HD}, {Angle, Mirror, AutoAE});
    case 5:
        return make(kLns410aPicture, {HD, AutoAE}, {Mirror, Gesture});
    case 7:
    case 8:
        return make(kArborPicture, {HD, Mirror}, {AutoAE, Gesture});
    default:
        return DeviceProfile();
    }
}

DeviceProfile manufacturer1(int model)
{
    switch (model) {
    case 10:
    case 11:
    case 12: {
        DeviceProfile p = make(model == 12 ? kArborPicture : kArbor50Picture, {}, {});
        p.trackingOff = true;
        p.limitedControls = true;
        return p;
    }
    case 13: {
        DeviceProfile p = make(kArborPicture, {}, {});
        p.trackingOff = true;
        p.trackingDisabled = true;
        return p;
    }
    case 14:
        return make(kArborPicture, {}, {});
    case 15:
    case 16:
        return make(kArbor150Picture, {}, {});
    default:
        return DeviceProfile();
    }
}

} // namespace

DeviceProfile deviceProfileFor(int productLine, int model)
{
    switch (productLine) {
    case 0:
        return manufacturer0(model);
    case 1:
        return manufacturer1(model);
    case 2:
        if (model == 0)
            return make(kArborPicture, {HD, AutoAE}, {Mirror, Gesture});
        return DeviceProfile();
    default:
        return DeviceProfile();
    }
}

} // namespace deviceprofile
