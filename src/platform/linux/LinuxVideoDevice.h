#pragma once
#include "platform/Status.h"

#include <QString>

#include <cstdint>

struct v4l2_queryctrl;

namespace platform {

// An open /dev/videoN. Control calls return the platform's status codes.
class LinuxVideoDevice
{
public:
    explicit LinuxVideoDevice(const QString &path);
    ~LinuxVideoDevice();
    LinuxVideoDevice(const LinuxVideoDevice &) = delete;
    LinuxVideoDevice &operator=(const LinuxVideoDevice &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // Whether the node captures video (VIDIOC_QUERYCAP's device capabilities).
    bool isVideoCapture() const;
    // A control's description; false when the device has no such control (or it is disabled).
    bool queryControl(std::uint32_t id, v4l2_queryctrl *query) const;
    HResult getControl(std::uint32_t id, std::int32_t *value) const;
    HResult setControl(std::uint32_t id, std::int32_t value) const;
    // ioctl, retried when interrupted; the errno of a failure in *error.
    int xioctl(unsigned long request, void *argument, int *error) const;

private:
    int m_fd = -1;
};

} // namespace platform
