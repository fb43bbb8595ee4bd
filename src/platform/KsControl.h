#pragma once
#include "platform/Status.h"

#include <cstdint>

namespace platform {

// A kernel-streaming property interface: one request made of a property block (the
// header the caller laid out byte for byte) and a data buffer.
class KsControl
{
public:
    virtual ~KsControl() = default;
    virtual HResult ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                               std::uint32_t dataLength, std::uint32_t *bytesReturned) = 0;
};

} // namespace platform
