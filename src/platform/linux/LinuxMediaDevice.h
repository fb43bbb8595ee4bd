#pragma once
#include "platform/MediaSource.h"

namespace platform {

// A V4L2 capture node seen as a media-framework video-capture device.
class LinuxMediaDevice : public MediaDevice
{
public:
    // The symbolic link's interface class (the video-camera category).
    static const QUuid kVideoCameraClass;

    LinuxMediaDevice(const QString &friendlyName, const QString &symbolicLink, const QString &deviceFile,
                     const QString &descriptorsFile, int interfaceNumber);

    HResult friendlyName(QString *name) override;
    HResult symbolicLink(QString *link) override;
    HResult activate(std::shared_ptr<MediaSource> *source) override;

private:
    QString m_friendlyName;
    QString m_symbolicLink;
    QString m_deviceFile;
    QString m_descriptorsFile;
    int m_interfaceNumber;
};

} // namespace platform
