#pragma once
#include "platform/MediaSource.h"

#include <QString>

namespace platform {

class LinuxVideoDevice;

// An activated capture node: its topology is the vendor extension unit, when the
// camera's descriptors declare one.
class LinuxMediaSource : public MediaSource
{
public:
    LinuxMediaSource(std::shared_ptr<LinuxVideoDevice> device, const QString &descriptorsFile,
                     int interfaceNumber);

    HResult createSourceReader() override;
    HResult queryTopology(std::shared_ptr<KsTopologyInfo> *topology) override;

private:
    std::shared_ptr<LinuxVideoDevice> m_device;
    QString m_descriptorsFile;
    int m_interfaceNumber;
};

} // namespace platform
