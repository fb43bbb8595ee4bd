#pragma once
#include "platform/Volume.h"

#include <QString>

namespace platform {

// A USB mass-storage volume as its SCSI generic device (/dev/sgN).
class LinuxVolume : public Volume
{
public:
    // usbProduct: the product string of the USB device the node sits on, if known.
    explicit LinuxVolume(const QString &deviceFile, const QString &usbProduct = QString());
    ~LinuxVolume() override;
    LinuxVolume(const LinuxVolume &) = delete;
    LinuxVolume &operator=(const LinuxVolume &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool deviceIoControl(std::uint32_t code, const void *in, std::uint32_t inLength, void *out,
                         std::uint32_t outLength, std::uint32_t *bytesReturned) override;
    QString usbProduct() const override { return m_usbProduct; }

private:
    int m_fd = -1;
    QString m_usbProduct;
};

} // namespace platform
