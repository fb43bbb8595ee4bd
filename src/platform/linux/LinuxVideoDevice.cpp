#include "platform/linux/LinuxVideoDevice.h"

#include "platform/linux/LinuxControlMap.h"

#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

LinuxVideoDevice::LinuxVideoDevice(const QString &path)
{
    // Non-blocking: control calls must not wait for a frame.
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

LinuxVideoDevice::~LinuxVideoDevice()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int LinuxVideoDevice::xioctl(unsigned long request, void *argument, int *error) const
{
    int result = -1;
    do {
        result = ::ioctl(m_fd, request, argument);
    } while (result < 0 && errno == EINTR);
    if (error)
        *error = result < 0 ? errno : 0;
    return result;
}

bool LinuxVideoDevice::isVideoCapture() const
{
    if (m_fd < 0)
        return false;
    v4l2_capability caps;
    std::memset(&caps, 0, sizeof caps);
    if (xioctl(VIDIOC_QUERYCAP, &caps, nullptr) < 0)
        return false;
    const std::uint32_t deviceCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps
                                                                                : caps.capabilities;
    return (deviceCaps & V4L2_CAP_VIDEO_CAPTURE) != 0;
}

bool LinuxVideoDevice::queryControl(std::uint32_t id, v4l2_queryctrl *query) const
{
    if (m_fd < 0)
        return false;
    std::memset(query, 0, sizeof *query);
    query->id = id;
    if (xioctl(VIDIOC_QUERYCTRL, query, nullptr) < 0)
        return false;
    return !(query->flags & V4L2_CTRL_FLAG_DISABLED);
}

HResult LinuxVideoDevice::getControl(std::uint32_t id, std::int32_t *value) const
{
    if (m_fd < 0)
        return kErrorDeviceNotConnected;
    v4l2_control control;
    std::memset(&control, 0, sizeof control);
    control.id = id;
    int error = 0;
    if (xioctl(VIDIOC_G_CTRL, &control, &error) < 0)
        return LinuxControlMap::statusFromErrno(error);
    *value = control.value;
    return kSOk;
}

HResult LinuxVideoDevice::setControl(std::uint32_t id, std::int32_t value) const
{
    if (m_fd < 0)
        return kErrorDeviceNotConnected;
    v4l2_control control;
    std::memset(&control, 0, sizeof control);
    control.id = id;
    control.value = value;
    int error = 0;
    if (xioctl(VIDIOC_S_CTRL, &control, &error) < 0)
        return LinuxControlMap::statusFromErrno(error);
    return kSOk;
}

} // namespace platform
