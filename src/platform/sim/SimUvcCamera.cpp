#include "platform/sim/SimUvcCamera.h"

#include "platform/sim/SimCamera.h"

namespace sim {

SimUvcCamera::SimUvcCamera(SimCamera &camera, const QJsonObject &)
    : m_camera(camera)
{
}

SimUvcCamera::~SimUvcCamera() = default;

std::shared_ptr<platform::CaptureDevice> SimUvcCamera::captureDevice()
{
    return nullptr;
}

std::shared_ptr<platform::MediaDevice> SimUvcCamera::mediaDevice()
{
    return nullptr;
}

} // namespace sim
