#pragma once
#include "platform/MediaSource.h"

struct IMFActivate;

namespace platform {

// One video-capture device of Media Foundation's enumeration (its activation object).
class WindowsMediaDevice : public MediaDevice
{
public:
    explicit WindowsMediaDevice(std::shared_ptr<IMFActivate> activate);
    HResult friendlyName(QString *name) override;
    HResult symbolicLink(QString *link) override;
    HResult activate(std::shared_ptr<MediaSource> *source) override;

private:
    std::shared_ptr<IMFActivate> m_activate;
};

} // namespace platform
