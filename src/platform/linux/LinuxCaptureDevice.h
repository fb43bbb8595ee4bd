#pragma once
#include "platform/CaptureDevice.h"
#include "platform/linux/LinuxSysfs.h"

namespace platform {

// One V4L2 capture node seen as a video-input device.
class LinuxCaptureDevice : public CaptureDevice
{
public:
    LinuxCaptureDevice(const LinuxSysfs::VideoNode &node, const QString &deviceFile);

    bool openPropertyBag() override;
    bool readProperty(const QString &name, QString *value) override;
    QString monikerDisplayName() override;
    QString serialNumber() override { return m_node.serial; }
    QString videoNode() override { return m_deviceFile; }
    std::shared_ptr<CaptureFilter> bindFilter() override;

    QString devicePath() const;
    QString friendlyName() const;
    QString deviceFile() const { return m_deviceFile; }
    const LinuxSysfs::VideoNode &node() const { return m_node; }
    // The name the preview opens the camera by: the moniker with ':' as '_'.
    QString captureName() const;

private:
    LinuxSysfs::VideoNode m_node;
    QString m_deviceFile;
};

} // namespace platform
