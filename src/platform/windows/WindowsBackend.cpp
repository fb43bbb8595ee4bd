#include "platform/windows/WindowsBackend.h"

#include "platform/windows/WindowsCaptureDevice.h"
#include "platform/windows/WindowsCom.h"
#include "platform/windows/WindowsDeviceNotifier.h"
#include "platform/windows/WindowsMediaDevice.h"
#include "platform/windows/WindowsScreenLock.h"
#include "platform/windows/WindowsVolume.h"

#include <dshow.h>
#include <mfapi.h>
#include <mfidl.h>

namespace platform {

namespace {
// COM on the calling thread (apartment-threaded, as the capture interfaces expect) and
// Media Foundation, once per thread; neither is undone while the program runs.
void startCom()
{
    thread_local bool started = false;
    if (started)
        return;
    started = true;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    MFStartup(MF_VERSION, MFSTARTUP_FULL);
}
} // namespace

WindowsBackend::WindowsBackend()
    : m_notifier(std::make_unique<WindowsDeviceNotifier>())
{
}

WindowsBackend::~WindowsBackend() = default;

HResult WindowsBackend::enumerateVideoInputDevices(QList<std::shared_ptr<CaptureDevice>> *devices)
{
    devices->clear();
    startCom();
    ICreateDevEnum *deviceEnumerator = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  reinterpret_cast<void **>(&deviceEnumerator));
    if (FAILED(hr) || !deviceEnumerator)
        return FAILED(hr) ? static_cast<HResult>(hr) : kEPointer;
    const auto enumeratorHolder = wincom::adopt(deviceEnumerator);
    IEnumMoniker *monikers = nullptr;
    hr = deviceEnumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    // S_FALSE: the category is empty (or does not exist yet).
    if (hr != S_OK || !monikers)
        return static_cast<HResult>(hr);
    const auto monikersHolder = wincom::adopt(monikers);
    IMoniker *moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        if (moniker)
            devices->append(std::make_shared<WindowsCaptureDevice>(wincom::adopt(moniker)));
        moniker = nullptr;
    }
    return kSOk;
}

HResult WindowsBackend::createCaptureGraphBuilder()
{
    startCom();
    ICaptureGraphBuilder2 *builder = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_ICaptureGraphBuilder2, reinterpret_cast<void **>(&builder));
    if (builder)
        builder->Release();
    return static_cast<HResult>(hr);
}

HResult WindowsBackend::enumerateMediaDevices(QList<std::shared_ptr<MediaDevice>> *devices, int *failedStep)
{
    devices->clear();
    if (failedStep)
        *failedStep = -1;
    startCom();
    IMFAttributes *attributes = nullptr;
    HRESULT hr = MFCreateAttributes(&attributes, 1);
    if (FAILED(hr)) {
        if (failedStep)
            *failedStep = 0;
        return static_cast<HResult>(hr);
    }
    const auto attributesHolder = wincom::adopt(attributes);
    hr = attributes->SetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE, MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID);
    if (FAILED(hr)) {
        if (failedStep)
            *failedStep = 1;
        return static_cast<HResult>(hr);
    }
    IMFActivate **activates = nullptr;
    UINT32 count = 0;
    hr = MFEnumDeviceSources(attributes, &activates, &count);
    if (FAILED(hr)) {
        if (failedStep)
            *failedStep = 2;
        return static_cast<HResult>(hr);
    }
    for (UINT32 i = 0; i < count; ++i) {
        if (activates[i])
            devices->append(std::make_shared<WindowsMediaDevice>(wincom::adopt(activates[i])));
    }
    CoTaskMemFree(activates);
    return kSOk;
}

std::shared_ptr<Volume> WindowsBackend::openVolume(const QString &devicePath)
{
    // Only a drive's volume ("\\.\X:", D to Z) is ever opened here.
    if (devicePath.size() != 6 || !devicePath.startsWith(QLatin1String("\\\\.\\"))
        || devicePath.at(5) != QLatin1Char(':'))
        return nullptr;
    const QChar letter = devicePath.at(4).toUpper();
    if (letter < QLatin1Char('D') || letter > QLatin1Char('Z'))
        return nullptr;
    auto volume = std::make_shared<WindowsVolume>(devicePath);
    if (!volume->isOpen())
        return nullptr;
    return volume;
}

DeviceNotifier *WindowsBackend::deviceNotifier()
{
    return m_notifier.get();
}

ScreenLock *WindowsBackend::screenLock()
{
    if (!m_screenLock)
        m_screenLock = std::make_unique<WindowsScreenLock>();
    return m_screenLock.get();
}

CaptureInput WindowsBackend::captureInput(const QString &cameraName, const CaptureOptions &)
{
    // FFmpeg's dshow input opens "video=<name>"; the moniker's display name is unique
    // where friendly names repeat.
    QString url = cameraName;
    if (!url.startsWith(QLatin1String("video=")))
        url.prepend(QLatin1String("video="));
    // The MJPEG the caller asks for with "input_format" is called "vcodec" by the dshow
    // input; without it a camera would deliver its default (uncompressed) format.
    return {QByteArrayLiteral("dshow"), url.toUtf8(), {{QByteArrayLiteral("vcodec"), QByteArrayLiteral("mjpeg")}}};
}

} // namespace platform
