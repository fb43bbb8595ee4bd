#pragma once
#include <QUuid>

#include <cstdint>

// Little-endian layout helpers for the kernel-streaming request blocks the camera
// channels build (the 32-byte node property header and the 40-byte standard property
// buffer). A GUID travels in its in-memory form: Data1, Data2, Data3 little-endian,
// then the eight bytes of Data4.
namespace kslayout {

void putGuid(std::uint8_t *at, const QUuid &guid);
void putUint32(std::uint8_t *at, std::uint32_t value);
void putInt32(std::uint8_t *at, std::int32_t value);
std::uint32_t getUint32(const std::uint8_t *at);
std::int32_t getInt32(const std::uint8_t *at);

} // namespace kslayout
