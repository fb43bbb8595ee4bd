#pragma once
#include <cstdint>
#include <vector>

namespace platform {

// The pass-through buffer the transport lays out (the 44-byte header of the 32-bit
// SCSI_PASS_THROUGH, sense at 48, data at 80; see ScsiPassThrough.h) and the request a
// 64-bit Windows reads. There the structure is 56 bytes long (its data offset is
// pointer-sized), and a driver refuses a request whose Length is not its own size, so
// the 64-bit program sends a copy with the native header and every area moved along.
class WindowsScsiPassThrough
{
public:
    // The 64-bit SCSI_PASS_THROUGH: its length and field offsets.
    static constexpr std::uint32_t kNativeHeaderLength = 56;
    static constexpr std::uint32_t kNativeDataTransferLength = 12;
    static constexpr std::uint32_t kNativeTimeOutValue = 16;
    static constexpr std::uint32_t kNativeDataBufferOffset = 24; // 64-bit
    static constexpr std::uint32_t kNativeSenseInfoOffset = 32;
    static constexpr std::uint32_t kNativeCdb = 36;
    // How far the sense and data areas move: past the longer header, keeping the data
    // area on an 8-byte boundary.
    static constexpr std::uint32_t kShift = 16;

    // The native request for the caller's buffer (length bytes); false when the header
    // is malformed or names areas outside the buffer.
    static bool toNative(const std::uint8_t *buffer, std::uint32_t length, std::vector<std::uint8_t> *native);
    // The length of the native input for the caller's input length (the header alone,
    // or the header and what follows it).
    static std::uint32_t nativeInputLength(std::uint32_t inputLength);
    // Copies the outcome back into the caller's buffer: SCSI status, transferred length
    // and sense length into the header, the sense and data areas into place, and the
    // number of bytes the caller's buffer now holds.
    static void fromNative(const std::vector<std::uint8_t> &native, std::uint32_t nativeReturned,
                           std::uint8_t *buffer, std::uint32_t length, std::uint32_t *bytesReturned);
};

} // namespace platform
