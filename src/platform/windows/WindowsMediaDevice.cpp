#include "platform/windows/WindowsMediaDevice.h"

#include "platform/windows/WindowsCom.h"
#include "platform/windows/WindowsMediaSource.h"

#include <mfapi.h>
#include <mfidl.h>

namespace platform {

namespace {
HResult readString(IMFActivate *activate, REFGUID key, QString *text)
{
    text->clear();
    WCHAR *value = nullptr;
    UINT32 length = 0;
    const HRESULT hr = activate->GetAllocatedString(key, &value, &length);
    if (SUCCEEDED(hr) && value)
        *text = QString::fromWCharArray(value, int(length));
    CoTaskMemFree(value);
    return static_cast<HResult>(hr);
}
} // namespace

WindowsMediaDevice::WindowsMediaDevice(std::shared_ptr<IMFActivate> activate)
    : m_activate(std::move(activate))
{
}

HResult WindowsMediaDevice::friendlyName(QString *name)
{
    return readString(m_activate.get(), MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, name);
}

HResult WindowsMediaDevice::symbolicLink(QString *link)
{
    return readString(m_activate.get(), MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK, link);
}

HResult WindowsMediaDevice::activate(std::shared_ptr<MediaSource> *source)
{
    source->reset();
    IMFMediaSource *mediaSource = nullptr;
    const HRESULT hr = m_activate->ActivateObject(IID_IMFMediaSource, reinterpret_cast<void **>(&mediaSource));
    if (FAILED(hr))
        return static_cast<HResult>(hr);
    if (!mediaSource)
        return kEPointer;
    *source = std::make_shared<WindowsMediaSource>(wincom::adopt(mediaSource));
    return static_cast<HResult>(hr);
}

} // namespace platform
