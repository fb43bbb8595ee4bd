// The checks of a SCSI pass-through buffer (the 44-byte header with sense and data
// areas in one block) before it goes to the system: Linux's SG_IO request and back, and
// the 64-bit Windows request with its longer header and back. The input's last four
// bytes choose the outcome (SCSI status, residue, sense bytes written); the rest is the
// buffer.
#include "FuzzSupport.h"

#include "platform/ScsiPassThrough.h"
#include "platform/linux/LinuxScsiPassThrough.h"
#include "platform/windows/WindowsScsiPassThrough.h"

#include <scsi/sg.h>

#include <cstdlib>
#include <vector>

namespace {

// Touches every byte of an area, so that one outside the buffer shows.
void touch(const std::uint8_t *area, std::uint32_t length)
{
    volatile std::uint8_t sum = 0;
    for (std::uint32_t i = 0; i < length; ++i)
        sum = sum + area[i];
}

bool inside(const std::uint8_t *area, std::uint32_t length, const std::uint8_t *buffer, std::uint32_t size)
{
    return area >= buffer && area <= buffer + size && length <= std::uint32_t(buffer + size - area);
}

void linuxLayout(const std::vector<std::uint8_t> &input, const std::uint8_t *outcome)
{
    std::vector<std::uint8_t> buffer(input);
    const std::uint32_t length = std::uint32_t(buffer.size());
    sg_io_hdr request;
    if (!platform::LinuxScsiPassThrough::prepare(buffer.data(), length, &request))
        return;
    const auto *cdb = static_cast<const std::uint8_t *>(request.cmdp);
    const auto *data = static_cast<const std::uint8_t *>(request.dxferp);
    const auto *sense = static_cast<const std::uint8_t *>(request.sbp);
    if (!inside(cdb, request.cmd_len, buffer.data(), length)
        || (request.dxfer_len > 0 && !inside(data, request.dxfer_len, buffer.data(), length))
        || (request.mx_sb_len > 0 && !inside(sense, request.mx_sb_len, buffer.data(), length)))
        std::abort();
    touch(cdb, request.cmd_len);
    if (data)
        touch(data, request.dxfer_len);
    if (sense)
        touch(sense, request.mx_sb_len);
    // What the kernel may answer: no more sense than room, no larger residue than data.
    request.status = outcome[0];
    request.resid = request.dxfer_len > 0 ? int(outcome[1] * 257u % (request.dxfer_len + 1)) : 0;
    request.sb_len_wr = request.mx_sb_len > 0 ? outcome[2] % (request.mx_sb_len + 1) : 0;
    request.host_status = outcome[3] & 1;
    std::uint32_t returned = 0;
    platform::LinuxScsiPassThrough::complete(request, buffer.data(), length, &returned);
    platform::LinuxScsiPassThrough::delivered(request);
    if (returned > length)
        std::abort();
}

void windowsLayout(const std::vector<std::uint8_t> &input, const std::uint8_t *outcome)
{
    std::vector<std::uint8_t> buffer(input);
    const std::uint32_t length = std::uint32_t(buffer.size());
    std::vector<std::uint8_t> native;
    if (!platform::WindowsScsiPassThrough::toNative(buffer.data(), length, &native))
        return;
    using W = platform::WindowsScsiPassThrough;
    if (native.size() != std::size_t(length) + W::kShift || W::nativeInputLength(length) > native.size())
        std::abort();
    // The areas the native header names lie inside the native buffer.
    const std::uint32_t dataLength = platform::spt::getLe32(native.data() + W::kNativeDataTransferLength);
    const std::uint64_t dataOffset = platform::spt::getLe32(native.data() + W::kNativeDataBufferOffset)
                                     | (std::uint64_t(platform::spt::getLe32(native.data() + W::kNativeDataBufferOffset + 4)) << 32);
    const std::uint32_t senseLength = native[platform::spt::kSenseInfoLength];
    const std::uint32_t senseOffset = platform::spt::getLe32(native.data() + W::kNativeSenseInfoOffset);
    if ((dataLength > 0 && (dataOffset < W::kNativeHeaderLength || dataOffset + dataLength > native.size()))
        || (senseLength > 0 && (senseOffset < W::kNativeHeaderLength || std::uint64_t(senseOffset) + senseLength > native.size())))
        std::abort();
    // What the driver may answer: any status, at most the native buffer returned.
    native[platform::spt::kScsiStatus] = outcome[0];
    const std::uint32_t nativeReturned = std::uint32_t(outcome[1] | (outcome[2] << 8)) % std::uint32_t(native.size() + 1);
    std::uint32_t returned = 0;
    W::fromNative(native, nativeReturned, buffer.data(), length, &returned);
    if (returned > length)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4 || size > 200000)
        return 0;
    const std::uint8_t *outcome = data + size - 4;
    const std::vector<std::uint8_t> input(data, data + size - 4);
    linuxLayout(input, outcome);
    windowsLayout(input, outcome);
    return 0;
}
