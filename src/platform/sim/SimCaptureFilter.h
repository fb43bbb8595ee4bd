#pragma once
#include "platform/CaptureFilter.h"
#include "platform/sim/SimUvcCamera.h"

namespace sim {

// The capture filter bound to a rig camera: camera-control and video-proc-amp ranges
// and values, and the kernel-streaming property interface for single-value requests.
class SimCaptureFilter : public platform::CaptureFilter
{
public:
    explicit SimCaptureFilter(SimUvcCamera::Handle handle);

    bool hasInterface(platform::PropertySet set) override;
    platform::HResult getRange(platform::PropertySet set, std::int32_t id,
                               platform::PropertyRange *range) override;
    platform::HResult getValue(platform::PropertySet set, std::int32_t id, std::int32_t *value,
                               std::int32_t *flags) override;
    bool hasPropertyInterface() override;
    platform::HResult readValue(platform::PropertySet set, std::int32_t id, std::int32_t value,
                                std::int32_t flags, std::int32_t *valueOut, std::int32_t *flagsOut) override;
    platform::HResult setValue(platform::PropertySet set, std::int32_t id, std::int32_t value,
                               std::int32_t flags, std::int32_t *valueOut, std::int32_t *flagsOut) override;

private:
    SimUvcCamera::Handle m_handle;
};

} // namespace sim
