#pragma once
#include "platform/Volume.h"

#include <QString>

namespace platform {

// A drive's volume opened for reading and writing ("\\.\X:"). SCSI pass-through
// requests are carried in the 64-bit layout (WindowsScsiPassThrough).
class WindowsVolume : public Volume
{
public:
    explicit WindowsVolume(const QString &devicePath);
    ~WindowsVolume() override;
    WindowsVolume(const WindowsVolume &) = delete;
    WindowsVolume &operator=(const WindowsVolume &) = delete;

    bool isOpen() const;
    bool deviceIoControl(std::uint32_t code, const void *in, std::uint32_t inLength, void *out,
                         std::uint32_t outLength, std::uint32_t *bytesReturned) override;

private:
    void *m_handle;
};

} // namespace platform
