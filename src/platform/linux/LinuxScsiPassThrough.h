#pragma once
#include <cstdint>

struct sg_io_hdr;

namespace platform {

// The pass-through buffer (header, sense, data in one block; see ScsiPassThrough.h) as
// an SG_IO request and back.
class LinuxScsiPassThrough
{
public:
    // Points the request at the CDB, data and sense areas inside the buffer; false when
    // the header is malformed or names areas outside it.
    static bool prepare(std::uint8_t *buffer, std::uint32_t length, sg_io_hdr *request);
    // Writes the outcome (SCSI status, transferred length, sense length) into the header
    // and the number of bytes the buffer now holds.
    static void complete(const sg_io_hdr &request, std::uint8_t *buffer, std::uint32_t length,
                         std::uint32_t *bytesReturned);
    // Whether the command reached the device and came back (any SCSI status).
    static bool delivered(const sg_io_hdr &request);
};

} // namespace platform
