#include "camera/KsLayout.h"

#include <QtEndian>

namespace kslayout {

void putGuid(std::uint8_t *at, const QUuid &guid)
{
    qToLittleEndian<quint32>(guid.data1, at);
    qToLittleEndian<quint16>(guid.data2, at + 4);
    qToLittleEndian<quint16>(guid.data3, at + 6);
    for (int i = 0; i < 8; ++i)
        at[8 + i] = guid.data4[i];
}

void putUint32(std::uint8_t *at, std::uint32_t value)
{
    qToLittleEndian<quint32>(value, at);
}

} // namespace kslayout
