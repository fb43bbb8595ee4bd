#pragma once
#include "platform/MediaSource.h"
#include "platform/sim/SimUvcCamera.h"

namespace sim {

// A rig camera's entry in the media framework's video-capture enumeration.
class SimMediaDevice : public platform::MediaDevice
{
public:
    explicit SimMediaDevice(SimUvcCamera::Handle handle);

    platform::HResult friendlyName(QString *name) override;
    platform::HResult symbolicLink(QString *link) override;
    platform::HResult activate(std::shared_ptr<platform::MediaSource> *source) override;

private:
    SimUvcCamera::Handle m_handle;
};

} // namespace sim
