#include "platform/linux/LinuxVolume.h"

#include "platform/linux/LinuxScsiPassThrough.h"

#include <scsi/sg.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

LinuxVolume::LinuxVolume(const QString &deviceFile, const QString &usbProduct)
    : m_usbProduct(usbProduct)
{
    m_fd = ::open(deviceFile.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
}

LinuxVolume::~LinuxVolume()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool LinuxVolume::deviceIoControl(std::uint32_t code, const void *in, std::uint32_t inLength, void *out,
                                  std::uint32_t outLength, std::uint32_t *bytesReturned)
{
    if (bytesReturned)
        *bytesReturned = 0;
    if (m_fd < 0 || code != kIoctlScsiPassThrough || !in || !out)
        return false;
    auto *buffer = static_cast<std::uint8_t *>(out);
    // The request is read from the input and answered in the output, which is usually
    // the same block.
    if (in != out)
        std::memmove(buffer, in, inLength < outLength ? inLength : outLength);
    sg_io_hdr request;
    if (!LinuxScsiPassThrough::prepare(buffer, outLength, &request))
        return false;
    int result = -1;
    do {
        result = ::ioctl(m_fd, SG_IO, &request);
    } while (result < 0 && errno == EINTR);
    if (result < 0 || !LinuxScsiPassThrough::delivered(request))
        return false;
    LinuxScsiPassThrough::complete(request, buffer, outLength, bytesReturned);
    return true;
}

} // namespace platform
