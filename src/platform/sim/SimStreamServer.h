#pragma once
#include "platform/CaptureInput.h"

#include <QJsonObject>

namespace sim {

class SimCamera;

// The MJPEG stream of a rig camera, served to FFmpeg at the camera's configured size
// and rate while a capture input is open on it.
class SimStreamServer
{
public:
    SimStreamServer(SimCamera &camera, const QJsonObject &config);
    ~SimStreamServer();

    // The input FFmpeg opens for this camera.
    platform::CaptureInput captureInput();
    // Whether a client is reading the stream (the camera's video state).
    bool streaming() const;
    // Drops every client (the camera left the bus).
    void closeAll();

private:
    SimCamera &m_camera;
};

} // namespace sim
