#pragma once
#include <QString>
#include <QStringList>

// How the main window shows a camera model's record: the device header's picture and the
// object names of the optional rows the record shows or hides.
namespace deviceprofile {

// Style sheets of the device header's picture.
extern const char kArborPicture[];
extern const char kArbor50Picture[];
extern const char kArbor150Picture[];
extern const char kLns410aPicture[];

struct DeviceProfile
{
    // False when the manufacturer and model have no row: the window changes nothing.
    bool known = false;
    QString picture;
    QStringList shown;  // object names of rows to show
    QStringList hidden; // object names of rows to hide
    // Tracking mode forced to its Off entry; and the list then disabled.
    bool trackingOff = false;
    bool trackingDisabled = false;
    // Only the microphone, anti-flicker, colour, upgrade and restore controls stay usable.
    bool limitedControls = false;
};

DeviceProfile deviceProfileFor(int productLine, int model);

} // namespace deviceprofile
