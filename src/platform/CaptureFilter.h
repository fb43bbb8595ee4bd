#pragma once
#include "platform/Status.h"

#include <cstdint>

namespace platform {

// The property set of a standard property.
enum class PropertySet { CameraControl, VideoProcAmp };

struct PropertyRange
{
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t step = 0;
    std::int32_t defaultValue = 0;
    std::int32_t capsFlags = 0;
};

// A capture filter bound to one capture device: the camera-control and
// video-proc-amp interfaces for ranges and current values, and the kernel-streaming
// property interface for single-value reads and writes.
class CaptureFilter
{
public:
    virtual ~CaptureFilter() = default;

    // Whether the filter exposes the camera-control or video-proc-amp interface.
    virtual bool hasInterface(PropertySet set) = 0;
    virtual HResult getRange(PropertySet set, std::int32_t id, PropertyRange *range) = 0;
    virtual HResult getValue(PropertySet set, std::int32_t id, std::int32_t *value,
                             std::int32_t *flags) = 0;

    // Whether the filter has the kernel-streaming property interface that carries the
    // single-value requests below; a caller sends nothing to a filter without it.
    virtual bool hasPropertyInterface() = 0;
    // A single-value read through the property interface. The request carries value
    // and flags as the caller gives them; valueOut and flagsOut receive the device's
    // answer and are left alone when the request fails.
    virtual HResult readValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                              std::int32_t *valueOut, std::int32_t *flagsOut) = 0;
    // A single-value write through the property interface: a manual value (flags 2) or
    // the automatic mode (flags 1). valueOut and flagsOut receive the value and flags
    // the request holds afterwards, also when the device refuses it.
    virtual HResult setValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                             std::int32_t *valueOut, std::int32_t *flagsOut) = 0;
};

} // namespace platform
