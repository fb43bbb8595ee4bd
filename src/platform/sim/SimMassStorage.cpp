#include "platform/sim/SimMassStorage.h"

#include "platform/sim/SimCamera.h"

namespace sim {

SimMassStorage::SimMassStorage(SimCamera &camera, const QJsonObject &)
    : m_camera(camera)
{
}

SimMassStorage::~SimMassStorage() = default;

bool SimMassStorage::answersDrive(QChar letter) const
{
    return m_camera.present() && m_camera.mode() != CameraMode::Normal
           && m_camera.driveLetter() == letter;
}

std::shared_ptr<platform::Volume> SimMassStorage::openVolume()
{
    return nullptr;
}

} // namespace sim
