#include "platform/windows/WindowsCaptureDevice.h"

#include "platform/windows/WindowsCaptureFilter.h"
#include "platform/windows/WindowsCom.h"

#include <dshow.h>
#include <oleauto.h>

namespace platform {

WindowsCaptureDevice::WindowsCaptureDevice(std::shared_ptr<IMoniker> moniker)
    : m_moniker(std::move(moniker))
{
}

bool WindowsCaptureDevice::openPropertyBag()
{
    IPropertyBag *bag = nullptr;
    const HRESULT hr = m_moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void **>(&bag));
    if (FAILED(hr) || !bag)
        return false;
    m_bag = wincom::adopt(bag);
    return true;
}

bool WindowsCaptureDevice::readProperty(const QString &name, QString *value)
{
    if (!m_bag)
        return false;
    VARIANT variant;
    VariantInit(&variant);
    const std::wstring key = name.toStdWString();
    const HRESULT hr = m_bag->Read(key.c_str(), &variant, nullptr);
    const bool ok = SUCCEEDED(hr) && variant.vt == VT_BSTR;
    if (ok)
        *value = QString::fromWCharArray(variant.bstrVal, int(SysStringLen(variant.bstrVal)));
    VariantClear(&variant);
    return ok;
}

QString WindowsCaptureDevice::monikerDisplayName()
{
    IBindCtx *context = nullptr;
    if (FAILED(CreateBindCtx(0, &context)) || !context)
        return QString();
    const auto contextHolder = wincom::adopt(context);
    LPOLESTR name = nullptr;
    if (FAILED(m_moniker->GetDisplayName(context, nullptr, &name)) || !name)
        return QString();
    const QString text = QString::fromWCharArray(name);
    CoTaskMemFree(name);
    return text;
}

std::shared_ptr<CaptureFilter> WindowsCaptureDevice::bindFilter()
{
    IBaseFilter *filter = nullptr;
    const HRESULT hr = m_moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void **>(&filter));
    if (FAILED(hr) || !filter)
        return nullptr;
    return std::make_shared<WindowsCaptureFilter>(wincom::adopt(filter));
}

} // namespace platform
