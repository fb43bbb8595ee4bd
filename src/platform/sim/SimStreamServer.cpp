#include "platform/sim/SimStreamServer.h"

#include "platform/sim/SimCamera.h"

namespace sim {

SimStreamServer::SimStreamServer(SimCamera &camera, const QJsonObject &)
    : m_camera(camera)
{
}

SimStreamServer::~SimStreamServer() = default;

platform::CaptureInput SimStreamServer::captureInput()
{
    return {};
}

bool SimStreamServer::streaming() const
{
    return false;
}

void SimStreamServer::closeAll()
{
}

} // namespace sim
