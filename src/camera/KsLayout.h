#pragma once
#include <QUuid>

#include <cstdint>

// Little-endian layout helpers for the kernel-streaming request blocks the camera
// channels build (the 32-byte node property header). A GUID travels in its in-memory
// form: Data1, Data2, Data3 little-endian, then the eight bytes of Data4.
namespace kslayout {

void putGuid(std::uint8_t *at, const QUuid &guid);
void putUint32(std::uint8_t *at, std::uint32_t value);

} // namespace kslayout
