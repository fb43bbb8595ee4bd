#pragma once
#include "camera/CameraEntry.h"
#include "camera/CameraPropertyState.h"
#include "platform/CaptureFilter.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <cstdint>
#include <memory>

// The standard video-capture stack: lists the capture devices, selects the opened
// camera and reads and writes its standard camera and image properties. Each wrapper
// holds its own selected filter and the property state last read through it.
class DShowCameraWrapper : public QObject
{
public:
    static const QUuid kPropSetCameraControl;
    static const QUuid kPropSetVideoProcAmp;
    static constexpr std::int32_t kKsPropertyTypeGet = 1;
    static constexpr std::int32_t kKsPropertyTypeSet = 2;
    static constexpr std::int32_t kFlagsAuto = 1;
    static constexpr std::int32_t kFlagsManual = 2;

    DShowCameraWrapper() = default;
    ~DShowCameraWrapper() override;

    // Appends one entry per usable capture device; returns the list's size.
    int listCaptureDevices(QList<CameraEntry> &list);
    // Binds captureFilter to the device with exactly this id and name; index receives
    // its enumeration position (-1 when none matches).
    bool selectCamera(const QString &id, const QString &name, int &index);
    void releaseCamera();
    // Reads ranges and current values into the property state, in the model's order.
    bool readCameraProperties(int index, int model);
    // Read one current value into the property state; false (and nothing stored) when
    // no camera is selected or the camera refuses the read.
    bool getCameraCtlValue(int id, int value);
    bool getVideoProcValue(int id, int value);
    // Write one value in manual mode; false when no camera is selected or the camera
    // refuses the value.
    bool setCameraCtlValue(int id, int value);
    bool setVideoProcValue(int id, int value);
    // Switches an image property to automatic mode; false when the camera refuses.
    bool setVideoProcAuto(int id);

    // The part of a device path between its first and last "#" (empty with fewer
    // than two).
    static QString idFromDevicePath(const QString &path);
    // A friendly name as the camera list holds it: longer names are cut to 255
    // characters, and every match against a listed name compares the cut form.
    static QString listedName(const QString &friendlyName);
    // The serial number of the device selectCamera matched last (empty: none, or no match).
    QString selectedSerial() const { return selectedSerialNumber; }
    // The status of the last property request (kENoInterface when none could be sent).
    platform::HResult lastStatus() const { return lastRequestStatus; }
    // Whether a camera is selected.
    bool hasCaptureFilter() const { return captureFilter != nullptr; }

    // The standard properties as last read from the selected camera (the member
    // initialisers are the values before the first read).
    CameraPropertyState &state() { return cameraPropertyState; }
    const CameraPropertyState &state() const { return cameraPropertyState; }

private:
    std::shared_ptr<platform::CaptureFilter> bindFilterByPosition(int index);
    // Sends one single-value request (kind get or set) through the selected filter;
    // false when there is no filter or it has no property interface (nothing sent).
    bool sendRequest(const QUuid &set, int id, std::int32_t kind, std::int32_t value, std::int32_t flags,
                     std::int32_t *valueOut, std::int32_t *flagsOut, platform::HResult *status);
    bool getValue(const QUuid &set, int id, int value);
    bool ksSet(const QUuid &set, int id, int value, std::int32_t flags, std::int32_t *valueOut,
               std::int32_t *flagsOut);

    std::shared_ptr<platform::CaptureFilter> captureFilter;
    CameraPropertyState cameraPropertyState;
    QString selectedSerialNumber;
    platform::HResult lastRequestStatus = platform::kSOk;
};
