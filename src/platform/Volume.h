#pragma once
#include <QString>

#include <cstdint>

namespace platform {

// The pass-through control code for one SCSI command (IOCTL_SCSI_PASS_THROUGH).
constexpr std::uint32_t kIoctlScsiPassThrough = 0x4D004;

// An open volume (a drive opened for reading and writing). Closing is dropping the
// last reference to it.
class Volume
{
public:
    virtual ~Volume() = default;
    // One device I/O control request; the caller lays out the buffers byte for byte
    // (for SCSI pass-through: the 44-byte header, filler, sense at 48, data at 80).
    // Returns whether the platform reports success.
    virtual bool deviceIoControl(std::uint32_t code, const void *in, std::uint32_t inLength,
                                 void *out, std::uint32_t outLength,
                                 std::uint32_t *bytesReturned) = 0;
    // The product string of the USB device behind the volume (what a camera in a boot
    // state calls itself), where the platform tells it; empty otherwise.
    virtual QString usbProduct() const { return QString(); }
};

} // namespace platform
