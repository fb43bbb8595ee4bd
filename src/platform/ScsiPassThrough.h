#pragma once
#include <cstdint>
#include <cstring>

// The byte layout of one SCSI pass-through request as the volume I/O control carries
// it: the 44-byte SCSI_PASS_THROUGH header (32-bit layout), 4 filler bytes, the sense
// area at 48 and the data area at 80, all in one buffer. The host's transport writes
// it and the rig's volumes read it, so both sides share these offsets. Multi-byte
// header fields are little-endian.
namespace platform::spt {

constexpr std::uint32_t kHeaderLength = 44;

// Header fields.
constexpr std::uint32_t kLength = 0;             // 16-bit, the header length (44)
constexpr std::uint32_t kScsiStatus = 2;         // 8-bit, written back by the device
constexpr std::uint32_t kPathId = 3;             // 8-bit
constexpr std::uint32_t kTargetId = 4;           // 8-bit
constexpr std::uint32_t kLun = 5;                // 8-bit
constexpr std::uint32_t kCdbLength = 6;          // 8-bit
constexpr std::uint32_t kSenseInfoLength = 7;    // 8-bit
constexpr std::uint32_t kDataIn = 8;             // 8-bit, one of the directions below
constexpr std::uint32_t kDataTransferLength = 12; // 32-bit
constexpr std::uint32_t kTimeOutValue = 16;      // 32-bit, seconds
constexpr std::uint32_t kDataBufferOffset = 20;  // 32-bit
constexpr std::uint32_t kSenseInfoOffset = 24;   // 32-bit
constexpr std::uint32_t kCdb = 28;               // 16 bytes
constexpr std::uint32_t kCdbCapacity = 16;

// Where sense and data sit in the buffer.
constexpr std::uint32_t kSenseOffset = 48;
constexpr std::uint32_t kSenseLength = 24;
constexpr std::uint32_t kDataOffset = 80;

// Data directions (SCSI_IOCTL_DATA_OUT, _IN, _UNSPECIFIED).
constexpr std::uint8_t kDirectionOut = 0;
constexpr std::uint8_t kDirectionIn = 1;
constexpr std::uint8_t kDirectionUnspecified = 2;

// SCSI status written back into the header.
constexpr std::uint8_t kStatusGood = 0x00;
constexpr std::uint8_t kStatusCheckCondition = 0x02;

inline void putLe16(std::uint8_t *p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void putLe32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint16_t getLe16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t getLe32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
           | (std::uint32_t(p[3]) << 24);
}

inline void putBe32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}

inline std::uint32_t getBe32(const std::uint8_t *p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8)
           | std::uint32_t(p[3]);
}

} // namespace platform::spt
