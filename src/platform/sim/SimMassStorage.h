#pragma once
#include "platform/Volume.h"

#include <QChar>
#include <QJsonObject>

#include <memory>

namespace sim {

class SimCamera;

// The mass-storage side of a rig device: the volume it presents in the upgrade modes
// (or always, for a plain disk on the rig), its INQUIRY answer and the vendor 0xE8
// protocol of the boot ROM, the updater and the boot loader.
class SimMassStorage
{
public:
    SimMassStorage(SimCamera &camera, const QJsonObject &config);
    ~SimMassStorage();

    // Whether this device presents a volume with the given drive letter right now.
    bool answersDrive(QChar letter) const;
    // Opens that volume.
    std::shared_ptr<platform::Volume> openVolume();

private:
    SimCamera &m_camera;
};

} // namespace sim
