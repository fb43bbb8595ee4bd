#pragma once
#include "platform/CaptureDevice.h"
#include "platform/MediaSource.h"

#include <QJsonObject>

#include <memory>

namespace sim {

class SimCamera;

// The video-class side of a rig camera: its capture-device entry (property bag,
// standard properties, 40-byte requests) and its media-device entry (topology with
// the extension unit, 8-byte vendor messages).
class SimUvcCamera
{
public:
    SimUvcCamera(SimCamera &camera, const QJsonObject &config);
    ~SimUvcCamera();

    // The entry of the video-input category for this camera.
    std::shared_ptr<platform::CaptureDevice> captureDevice();
    // The entry of the media framework's video-capture enumeration for this camera.
    std::shared_ptr<platform::MediaDevice> mediaDevice();

private:
    SimCamera &m_camera;
};

} // namespace sim
