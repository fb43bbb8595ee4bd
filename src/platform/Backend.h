#pragma once
#include "platform/CaptureDevice.h"
#include "platform/CaptureInput.h"
#include "platform/MediaSource.h"
#include "platform/Status.h"
#include "platform/Volume.h"

#include <QList>
#include <QString>

#include <memory>

namespace platform {

class DeviceNotifier;
class ScreenLock;

// The platform services the classes above call. A backend moves bytes and translates
// names; every decision, text, status code and byte layout stays above it.
class Backend
{
public:
    virtual ~Backend() = default;

    virtual QString name() const = 0;

    // Capture devices: creates the device enumerator and the video-input category
    // enumerator; a failure or an empty category leaves the list empty.
    virtual HResult enumerateVideoInputDevices(QList<std::shared_ptr<CaptureDevice>> *devices) = 0;
    // Creates (and drops) a capture-graph builder.
    virtual HResult createCaptureGraphBuilder() = 0;

    // Media devices: the three calls of a video-capture source enumeration (attribute
    // store, source-type attribute, enumeration). failedStep receives 0, 1 or 2 for
    // the call that failed.
    virtual HResult enumerateMediaDevices(QList<std::shared_ptr<MediaDevice>> *devices,
                                          int *failedStep) = 0;

    // Volumes: opens "\\.\X:" for reading and writing; null when it does not open.
    virtual std::shared_ptr<Volume> openVolume(const QString &devicePath) = 0;

    // The device-change source (lives on the GUI thread, owned by the backend).
    virtual DeviceNotifier *deviceNotifier() = 0;

    // Whether the session is locked (GUI thread, owned by the backend, made on first
    // call).
    virtual ScreenLock *screenLock() = 0;

    // The FFmpeg input for a camera opened by its capture name ("video=" + moniker name),
    // given the options the caller opens it with (format, size, rate).
    virtual CaptureInput captureInput(const QString &cameraName, const CaptureOptions &requested) = 0;
};

// The backend in force. The first call selects it from LENSDESK_BACKEND ("sim",
// "linux"; the native one by default) and, for the rig, LENSDESK_RIG.
Backend &backend();
// Installs a backend (tests); takes ownership. nullptr drops the current one.
void setBackend(std::unique_ptr<Backend> b);
// Whether a backend is installed.
bool hasBackend();

} // namespace platform
