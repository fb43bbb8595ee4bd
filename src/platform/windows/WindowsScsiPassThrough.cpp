#include "platform/windows/WindowsScsiPassThrough.h"

#include "platform/ScsiPassThrough.h"

#include <cstring>

namespace platform {

static_assert(WindowsScsiPassThrough::kNativeHeaderLength <= spt::kHeaderLength + WindowsScsiPassThrough::kShift,
              "the native header fits before the moved areas");

bool WindowsScsiPassThrough::toNative(const std::uint8_t *buffer, std::uint32_t length,
                                      std::vector<std::uint8_t> *native)
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
    // The areas must lie after the header and inside the buffer, or the moved copy would
    // point the driver somewhere else.
    if (dataLength > 0
        && (dataOffset < spt::kHeaderLength || dataOffset > length || dataLength > length - dataOffset))
        return false;
    if (senseLength > 0
        && (senseOffset < spt::kHeaderLength || senseOffset > length || senseLength > length - senseOffset))
        return false;

    native->assign(std::size_t(length) + kShift, 0);
    std::uint8_t *n = native->data();
    spt::putLe16(n + spt::kLength, static_cast<std::uint16_t>(kNativeHeaderLength));
    // The byte fields keep their places (status, path, target, LUN, CDB and sense
    // lengths, direction).
    std::memcpy(n + spt::kScsiStatus, buffer + spt::kScsiStatus, spt::kDataIn - spt::kScsiStatus + 1);
    spt::putLe32(n + kNativeDataTransferLength, dataLength);
    spt::putLe32(n + kNativeTimeOutValue, spt::getLe32(buffer + spt::kTimeOutValue));
    const std::uint64_t nativeData = dataLength > 0 ? std::uint64_t(dataOffset) + kShift : 0;
    spt::putLe32(n + kNativeDataBufferOffset, static_cast<std::uint32_t>(nativeData));
    spt::putLe32(n + kNativeDataBufferOffset + 4, static_cast<std::uint32_t>(nativeData >> 32));
    spt::putLe32(n + kNativeSenseInfoOffset, senseLength > 0 ? senseOffset + kShift : 0);
    std::memcpy(n + kNativeCdb, buffer + spt::kCdb, spt::kCdbCapacity);
    std::memcpy(n + spt::kHeaderLength + kShift, buffer + spt::kHeaderLength, length - spt::kHeaderLength);
    return true;
}

std::uint32_t WindowsScsiPassThrough::nativeInputLength(std::uint32_t inputLength)
{
    return inputLength <= spt::kHeaderLength ? kNativeHeaderLength : inputLength + kShift;
}

void WindowsScsiPassThrough::fromNative(const std::vector<std::uint8_t> &native, std::uint32_t nativeReturned,
                                        std::uint8_t *buffer, std::uint32_t length, std::uint32_t *bytesReturned)
{
    if (native.size() < std::size_t(length) + kShift || length < spt::kHeaderLength) {
        if (bytesReturned)
            *bytesReturned = 0;
        return;
    }
    const std::uint8_t *n = native.data();
    buffer[spt::kScsiStatus] = n[spt::kScsiStatus];
    buffer[spt::kSenseInfoLength] = n[spt::kSenseInfoLength];
    spt::putLe32(buffer + spt::kDataTransferLength, spt::getLe32(n + kNativeDataTransferLength));
    std::memcpy(buffer + spt::kHeaderLength, n + spt::kHeaderLength + kShift, length - spt::kHeaderLength);
    if (bytesReturned) {
        std::uint32_t returned = spt::kHeaderLength;
        if (nativeReturned > kNativeHeaderLength)
            returned = nativeReturned - kShift;
        *bytesReturned = returned > length ? length : returned;
    }
}

} // namespace platform
