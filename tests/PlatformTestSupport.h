#pragma once
// Byte generators shared by the platform tests and the fuzzers' seed corpus: USB video
// descriptors as a camera declares them, pass-through buffers as the transport lays them
// out, and device-change broadcasts as Windows delivers them.
#include "camera/KsLayout.h"

#include <QByteArray>
#include <QString>
#include <QUuid>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace platformtest {

using Bytes = std::vector<std::uint8_t>;

inline void putLe32(std::uint8_t *p, std::uint32_t v)
{
    qToLittleEndian<quint32>(v, p);
}

// The in-memory bytes of a GUID, written out by hand.
inline Bytes guidBytes(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::initializer_list<std::uint8_t> d4)
{
    Bytes b(16);
    putLe32(b.data(), d1);
    qToLittleEndian<quint16>(d2, b.data() + 4);
    qToLittleEndian<quint16>(d3, b.data() + 6);
    std::copy(d4.begin(), d4.end(), b.begin() + 8);
    return b;
}

const QUuid kVendorUnit("{23E49ED0-1178-4F31-AE52-D2FB8A8D3B48}");

inline QByteArray descriptor(std::initializer_list<int> bytes)
{
    QByteArray d;
    d.append(char(bytes.size() + 1));
    for (int b : bytes)
        d.append(char(b));
    return d;
}

inline QByteArray extensionUnit(int unitId, const QUuid &guid)
{
    // bLength, CS_INTERFACE, VC_EXTENSION_UNIT, bUnitID, GUID, bNumControls, bNrInPins,
    // baSourceID, bControlSize, bmControls, iExtension.
    std::uint8_t p[26] = {26, 0x24, 0x06, std::uint8_t(unitId)};
    kslayout::putGuid(p + 4, guid);
    p[20] = 4;
    p[21] = 1;
    p[22] = 1;
    p[23] = 1;
    p[24] = 0x0F;
    return QByteArray(reinterpret_cast<const char *>(p), int(sizeof p));
}

// The descriptors attribute of a camera: device, configuration, a video-control
// interface with an input terminal and two extension units, a streaming interface whose
// class-specific descriptors reuse the same subtype numbers, and a second control interface.
inline QByteArray cameraDescriptors()
{
    QByteArray d;
    d += descriptor({0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0x49, 0x37, 0x0A, 0x03, 0x00, 0x01, 1, 2, 3, 1});
    d += descriptor({0x02, 0xC0, 0x00, 0x02, 0x01, 0x00, 0x80, 0xFA});
    d += descriptor({0x0B, 0x00, 0x02, 0x0E, 0x03, 0x00, 0x00});
    d += descriptor({0x04, 0x00, 0x00, 0x01, 0x0E, 0x01, 0x00, 0x00});
    d += descriptor({0x24, 0x01, 0x00, 0x01, 0x4D, 0x00, 0x00, 0x6C, 0xDC, 0x02, 0x01, 0x01});
    d += descriptor({0x24, 0x02, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x0A, 0x00, 0x00});
    d += extensionUnit(3, QUuid("{0F3F95DC-2632-4C4E-92C9-A04782F43BC8}"));
    d += extensionUnit(6, kVendorUnit);
    d += descriptor({0x05, 0x83, 0x03, 0x10, 0x00, 0x08});
    d += descriptor({0x04, 0x01, 0x00, 0x00, 0x0E, 0x02, 0x00, 0x00});
    d += extensionUnit(7, kVendorUnit); // a streaming-interface descriptor with subtype 6
    d += descriptor({0x04, 0x02, 0x00, 0x00, 0x0E, 0x01, 0x00, 0x00});
    d += extensionUnit(9, kVendorUnit);
    return d;
}

// A 32-bit pass-through buffer as the transport lays it out: header, sense at 48, data at 80.
inline Bytes passThrough(std::uint8_t direction, std::uint32_t dataLength, std::initializer_list<std::uint8_t> cdb)
{
    Bytes b(80 + dataLength, 0);
    qToLittleEndian<quint16>(44, b.data());
    b[3] = 0;                                       // path
    b[4] = 1;                                       // target
    b[5] = 0;                                       // LUN
    b[6] = std::uint8_t(cdb.size());                // CDB length
    b[7] = 24;                                      // sense length
    b[8] = direction;
    putLe32(b.data() + 12, dataLength);
    putLe32(b.data() + 16, 10);                     // seconds
    putLe32(b.data() + 20, 80);
    putLe32(b.data() + 24, 48);
    std::copy(cdb.begin(), cdb.end(), b.begin() + 28);
    return b;
}

// A DEV_BROADCAST_DEVICEINTERFACE_W as Windows delivers it: header, class GUID, the path
// in UTF-16 with its terminating NUL.
inline Bytes interfaceBroadcast(const Bytes &classGuid, const QString &path, bool terminated = true)
{
    const int units = path.size() + (terminated ? 1 : 0);
    Bytes b(28 + 2 * std::size_t(units), 0);
    putLe32(b.data(), std::uint32_t(b.size()));
    putLe32(b.data() + 4, 5);
    std::copy(classGuid.begin(), classGuid.end(), b.begin() + 12);
    for (int i = 0; i < path.size(); ++i)
        qToLittleEndian<quint16>(path.at(i).unicode(), b.data() + 28 + 2 * i);
    return b;
}

const Bytes kCaptureClassBytes =
    guidBytes(0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96});

} // namespace platformtest
