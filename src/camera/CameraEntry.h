#pragma once
#include <QString>

// One listed capture device.
struct CameraEntry
{
    // Position in the video-input enumeration.
    int index = 0;
    // The device path between its first and last "#": hardware id and instance id.
    QString id;
    // The friendly name (at most 255 characters).
    QString name;
    // The moniker display name with every ":" turned into "_" (the capture input's name).
    QString monikerName;
    // The USB serial number; empty when the device has none.
    QString serial;
    // The device node ("/dev/video2"); empty where the platform has none.
    QString node;
};
