#pragma once
#include "platform/KsControl.h"
#include "platform/Status.h"

#include <cstdint>
#include <memory>

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
// property interface for single-value reads and writes (40-byte requests).
class CaptureFilter
{
public:
    virtual ~CaptureFilter() = default;

    // Whether the filter exposes the camera-control or video-proc-amp interface.
    virtual bool hasInterface(PropertySet set) = 0;
    virtual HResult getRange(PropertySet set, std::int32_t id, PropertyRange *range) = 0;
    virtual HResult getValue(PropertySet set, std::int32_t id, std::int32_t *value,
                             std::int32_t *flags) = 0;
    // The kernel-streaming property interface, or null when the filter has none.
    virtual std::shared_ptr<KsControl> ksControl() = 0;
};

} // namespace platform
