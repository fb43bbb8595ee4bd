#pragma once
#include "platform/CaptureFilter.h"

#include <memory>

struct IBaseFilter;

namespace platform {

// A bound capture filter: ranges and values through IAMCameraControl and
// IAMVideoProcAmp, single-value requests through its IKsControl.
class WindowsCaptureFilter : public CaptureFilter
{
public:
    explicit WindowsCaptureFilter(std::shared_ptr<IBaseFilter> filter);
    bool hasInterface(PropertySet set) override;
    HResult getRange(PropertySet set, std::int32_t id, PropertyRange *range) override;
    HResult getValue(PropertySet set, std::int32_t id, std::int32_t *value, std::int32_t *flags) override;
    bool hasPropertyInterface() override;
    HResult readValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                      std::int32_t *valueOut, std::int32_t *flagsOut) override;
    HResult setValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                     std::int32_t *valueOut, std::int32_t *flagsOut) override;

private:
    std::shared_ptr<IBaseFilter> m_filter;
};

} // namespace platform
