#include "platform/windows/WindowsKsControl.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

static_assert(sizeof(KSPROPERTY) == WindowsKsControl::kPropertyHeaderLength,
              "the property header is a set, an id and a flags word");

namespace {
// PROPSETID_VIDCAP_CAMERACONTROL and PROPSETID_VIDCAP_VIDEOPROCAMP.
const GUID kCameraControlSet = {0xC6E13370, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
const GUID kVideoProcAmpSet = {0xC6E13360, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};

// A GUID in its in-memory form: Data1, Data2, Data3 little-endian, then Data4.
void putGuid(std::uint8_t *at, const GUID &guid)
{
    qToLittleEndian<quint32>(guid.Data1, at);
    qToLittleEndian<quint16>(guid.Data2, at + 4);
    qToLittleEndian<quint16>(guid.Data3, at + 6);
    std::memcpy(at + 8, guid.Data4, 8);
}

// Storage aligned for the structures the interface reads (GUIDs and 32-bit words).
std::vector<std::uint64_t> alignedCopy(const void *bytes, std::uint32_t length)
{
    std::vector<std::uint64_t> storage((length + 7) / 8, 0);
    if (length > 0)
        std::memcpy(storage.data(), bytes, length);
    return storage;
}
} // namespace

WindowsKsControl::WindowsKsControl(std::shared_ptr<IKsControl> control)
    : m_control(std::move(control))
{
}

HResult WindowsKsControl::ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                                     std::uint32_t dataLength, std::uint32_t *bytesReturned)
{
    if (bytesReturned)
        *bytesReturned = 0;
    if (!m_control)
        return kEPointer;
    if (!property || propertyLength < kPropertyHeaderLength || (!data && dataLength > 0))
        return kEInvalidArg;
    std::vector<std::uint64_t> header = alignedCopy(property, propertyLength);
    std::vector<std::uint64_t> buffer = alignedCopy(data, dataLength);
    ULONG returned = 0;
    const HRESULT hr = m_control->KsProperty(reinterpret_cast<PKSPROPERTY>(header.data()), propertyLength,
                                             dataLength > 0 ? buffer.data() : nullptr, dataLength, &returned);
    if (dataLength > 0)
        std::memcpy(data, buffer.data(), dataLength);
    if (bytesReturned)
        *bytesReturned = returned > dataLength ? dataLength : returned;
    return static_cast<HResult>(hr);
}

void WindowsKsControl::packValueRequest(std::uint8_t *buffer, PropertySet set, std::int32_t id,
                                        std::int32_t kind, std::int32_t value, std::int32_t flags)
{
    std::fill(buffer, buffer + kValueRequestLength, std::uint8_t(0));
    putGuid(buffer, set == PropertySet::CameraControl ? kCameraControlSet : kVideoProcAmpSet);
    qToLittleEndian<qint32>(id, buffer + 16);
    qToLittleEndian<qint32>(kind, buffer + 20);
    qToLittleEndian<qint32>(value, buffer + 24);
    qToLittleEndian<qint32>(flags, buffer + 28);
    qToLittleEndian<qint32>(flags, buffer + 32);
}

HResult WindowsKsControl::valueRequest(PropertySet set, std::int32_t id, std::int32_t kind, std::int32_t value,
                                       std::int32_t flags, std::int32_t *valueOut, std::int32_t *flagsOut)
{
    std::uint8_t buffer[kValueRequestLength];
    packValueRequest(buffer, set, id, kind, value, flags);
    std::uint32_t returned = 0;
    const HResult hr = ksProperty(buffer, kValueRequestLength, buffer, kValueRequestLength, &returned);
    if (valueOut)
        *valueOut = qFromLittleEndian<qint32>(buffer + 24);
    if (flagsOut)
        *flagsOut = qFromLittleEndian<qint32>(buffer + 28);
    return hr;
}

} // namespace platform
