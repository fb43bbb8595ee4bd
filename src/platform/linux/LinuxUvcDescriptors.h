#pragma once
#include <QByteArray>
#include <QList>
#include <QUuid>

namespace platform {

// The extension units a UVC camera declares in its configuration descriptors (the
// "descriptors" attribute of its USB device in sysfs: the device descriptor followed by
// the configuration descriptors).
class LinuxUvcDescriptors
{
public:
    struct ExtensionUnit
    {
        int interfaceNumber = -1; // the video-control interface declaring it
        int unitId = 0;
        QUuid guid;
    };

    static QList<ExtensionUnit> extensionUnits(const QByteArray &descriptors);
    // The unit with this GUID on this video-control interface; false when there is none.
    static bool findUnit(const QByteArray &descriptors, int interfaceNumber, const QUuid &guid, int *unitId);
};

} // namespace platform
