#pragma once
#include <QChar>
#include <QJsonObject>
#include <QString>

// One camera as the front ends list it: a camera in its normal (video-class) state, or
// one stuck in a boot state and seen as a mass-storage volume.
struct ListedCamera
{
    // Position in the list, from 1.
    int number = 0;
    // "normal", "rom", "updater" or "uboot".
    QString state;
    // The device path the capture stack gives (between its first and last "#"), or the
    // volume's path ("\\.\F:") for a camera in a boot state.
    QString path;
    QString name;
    // The USB serial number (empty: none); a camera's position presets are kept under it.
    QString serial;
    // The video node ("/dev/video2") where the platform gives one.
    QString videoNode;
    // The model the window takes for the camera (from its name; 255 when unknown) and
    // the model of its USB identifiers, which decides its control rows.
    int model = 255;
    int identityModel = 255;
    QString firmware;
    QChar drive;

    bool isNormal() const { return state == QLatin1String("normal"); }
    // Whether the model is known (a camera in a boot state tells it only where its
    // volume names its product).
    bool knowsModel() const;
    // The state in words for the text output.
    QString stateText() const;
    QJsonObject toJsonObject() const;
    // #1 "Orvia Vista Pro Cam" (vid_3749&...&0000), for messages.
    QString describe() const;
};
