#include "platform/linux/LinuxScsiPassThrough.h"

#include "platform/ScsiPassThrough.h"

#include <scsi/sg.h>

namespace platform {

bool LinuxScsiPassThrough::prepare(std::uint8_t *buffer, std::uint32_t length, sg_io_hdr *request)
{
    if (!buffer || length < spt::kHeaderLength || spt::getLe16(buffer + spt::kLength) != spt::kHeaderLength)
        return false;
    const std::uint8_t cdbLength = buffer[spt::kCdbLength];
    const std::uint8_t senseLength = buffer[spt::kSenseInfoLength];
    const std::uint32_t dataLength = spt::getLe32(buffer + spt::kDataTransferLength);
    const std::uint32_t dataOffset = spt::getLe32(buffer + spt::kDataBufferOffset);
    const std::uint32_t senseOffset = spt::getLe32(buffer + spt::kSenseInfoOffset);
    if (cdbLength == 0 || cdbLength > spt::kCdbCapacity)
        return false;
    if (dataLength > 0 && (dataOffset > length || dataLength > length - dataOffset))
        return false;
    if (senseLength > 0 && (senseOffset > length || senseLength > length - senseOffset))
        return false;

    int direction = SG_DXFER_NONE;
    if (dataLength > 0) {
        switch (buffer[spt::kDataIn]) {
        case spt::kDirectionIn: direction = SG_DXFER_FROM_DEV; break;
        case spt::kDirectionOut: direction = SG_DXFER_TO_DEV; break;
        default: return false; // a transfer needs a direction
        }
    }

    *request = sg_io_hdr();
    request->interface_id = 'S';
    request->dxfer_direction = direction;
    request->cmd_len = cdbLength;
    request->cmdp = buffer + spt::kCdb;
    request->dxfer_len = dataLength;
    request->dxferp = dataLength > 0 ? buffer + dataOffset : nullptr;
    request->mx_sb_len = senseLength;
    request->sbp = senseLength > 0 ? buffer + senseOffset : nullptr;
    // Seconds on the platform, milliseconds for SG_IO.
    const std::uint64_t timeoutMs = std::uint64_t(spt::getLe32(buffer + spt::kTimeOutValue)) * 1000u;
    request->timeout = timeoutMs > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<unsigned int>(timeoutMs);
    return true;
}

void LinuxScsiPassThrough::complete(const sg_io_hdr &request, std::uint8_t *buffer, std::uint32_t length,
                                    std::uint32_t *bytesReturned)
{
    buffer[spt::kScsiStatus] = request.status;
    const int resid = request.resid > 0 ? request.resid : 0;
    const std::uint32_t transferred =
        request.dxfer_len > std::uint32_t(resid) ? request.dxfer_len - std::uint32_t(resid) : 0;
    spt::putLe32(buffer + spt::kDataTransferLength, transferred);
    buffer[spt::kSenseInfoLength] = request.sb_len_wr;
    if (bytesReturned) {
        // Up to the end of the data that came in, or the header and sense for the rest.
        std::uint32_t end = spt::kHeaderLength;
        if (request.sb_len_wr > 0)
            end = spt::getLe32(buffer + spt::kSenseInfoOffset) + request.sb_len_wr;
        if (request.dxfer_direction == SG_DXFER_FROM_DEV && transferred > 0)
            end = spt::getLe32(buffer + spt::kDataBufferOffset) + transferred;
        *bytesReturned = end > length ? length : end;
    }
}

bool LinuxScsiPassThrough::delivered(const sg_io_hdr &request)
{
    // Host errors (no connection, time-out, reset) mean the command never completed; a
    // SCSI status such as CHECK CONDITION is an answer.
    return request.host_status == 0;
}

} // namespace platform
