#include "platform/windows/WindowsKsControl.h"

#include <cstring>
#include <vector>

namespace platform {

static_assert(sizeof(KSPROPERTY) == WindowsKsControl::kPropertyHeaderLength,
              "the property header is a set, an id and a flags word");

namespace {
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

} // namespace platform
