#include "platform/windows/WindowsCaptureFilter.h"

#include "platform/windows/WindowsCom.h"
#include "platform/windows/WindowsKsControl.h"

#include <dshow.h>

namespace platform {

namespace {
template <typename Interface>
std::shared_ptr<Interface> query(IBaseFilter *filter, REFIID iid)
{
    void *object = nullptr;
    if (FAILED(filter->QueryInterface(iid, &object)) || !object)
        return nullptr;
    return wincom::adopt(static_cast<Interface *>(object));
}
} // namespace

WindowsCaptureFilter::WindowsCaptureFilter(std::shared_ptr<IBaseFilter> filter)
    : m_filter(std::move(filter))
{
}

bool WindowsCaptureFilter::hasInterface(PropertySet set)
{
    if (set == PropertySet::CameraControl)
        return query<IAMCameraControl>(m_filter.get(), IID_IAMCameraControl) != nullptr;
    return query<IAMVideoProcAmp>(m_filter.get(), IID_IAMVideoProcAmp) != nullptr;
}

HResult WindowsCaptureFilter::getRange(PropertySet set, std::int32_t id, PropertyRange *range)
{
    long minimum = 0, maximum = 0, step = 0, defaultValue = 0, caps = 0;
    HRESULT hr = E_NOINTERFACE;
    if (set == PropertySet::CameraControl) {
        if (const auto control = query<IAMCameraControl>(m_filter.get(), IID_IAMCameraControl))
            hr = control->GetRange(id, &minimum, &maximum, &step, &defaultValue, &caps);
    } else if (const auto amp = query<IAMVideoProcAmp>(m_filter.get(), IID_IAMVideoProcAmp)) {
        hr = amp->GetRange(id, &minimum, &maximum, &step, &defaultValue, &caps);
    }
    if (SUCCEEDED(hr))
        *range = {std::int32_t(minimum), std::int32_t(maximum), std::int32_t(step), std::int32_t(defaultValue),
                  std::int32_t(caps)};
    return static_cast<HResult>(hr);
}

HResult WindowsCaptureFilter::getValue(PropertySet set, std::int32_t id, std::int32_t *value, std::int32_t *flags)
{
    long current = 0, mode = 0;
    HRESULT hr = E_NOINTERFACE;
    if (set == PropertySet::CameraControl) {
        if (const auto control = query<IAMCameraControl>(m_filter.get(), IID_IAMCameraControl))
            hr = control->Get(id, &current, &mode);
    } else if (const auto amp = query<IAMVideoProcAmp>(m_filter.get(), IID_IAMVideoProcAmp)) {
        hr = amp->Get(id, &current, &mode);
    }
    if (SUCCEEDED(hr)) {
        *value = std::int32_t(current);
        if (flags)
            *flags = std::int32_t(mode);
    }
    return static_cast<HResult>(hr);
}

bool WindowsCaptureFilter::hasPropertyInterface()
{
    return query<IKsControl>(m_filter.get(), wincom::kIidIKsControl) != nullptr;
}

HResult WindowsCaptureFilter::readValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                                        std::int32_t *valueOut, std::int32_t *flagsOut)
{
    const auto control = query<IKsControl>(m_filter.get(), wincom::kIidIKsControl);
    if (!control)
        return kENoInterface;
    std::int32_t answered = 0;
    std::int32_t answeredFlags = 0;
    const HResult hr = WindowsKsControl(control).valueRequest(set, id, WindowsKsControl::kKindGet, value, flags,
                                                              &answered, &answeredFlags);
    if (failed(hr))
        return hr;
    if (valueOut)
        *valueOut = answered;
    if (flagsOut)
        *flagsOut = answeredFlags;
    return hr;
}

HResult WindowsCaptureFilter::setValue(PropertySet set, std::int32_t id, std::int32_t value, std::int32_t flags,
                                       std::int32_t *valueOut, std::int32_t *flagsOut)
{
    const auto control = query<IKsControl>(m_filter.get(), wincom::kIidIKsControl);
    if (!control)
        return kENoInterface;
    return WindowsKsControl(control).valueRequest(set, id, WindowsKsControl::kKindSet, value, flags, valueOut,
                                                  flagsOut);
}

} // namespace platform
