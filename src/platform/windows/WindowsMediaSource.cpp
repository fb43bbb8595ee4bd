#include "platform/windows/WindowsMediaSource.h"

#include "platform/windows/WindowsCom.h"
#include "platform/windows/WindowsKsTopologyInfo.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

namespace platform {

WindowsMediaSource::WindowsMediaSource(std::shared_ptr<IMFMediaSource> source)
    : m_source(std::move(source))
{
}

WindowsMediaSource::~WindowsMediaSource()
{
    m_reader.reset();
    if (m_source)
        m_source->Shutdown();
}

HResult WindowsMediaSource::createSourceReader()
{
    IMFSourceReader *reader = nullptr;
    const HRESULT hr = MFCreateSourceReaderFromMediaSource(m_source.get(), nullptr, &reader);
    if (SUCCEEDED(hr) && reader)
        m_reader = wincom::adopt(reader);
    return static_cast<HResult>(hr);
}

HResult WindowsMediaSource::queryTopology(std::shared_ptr<KsTopologyInfo> *topology)
{
    topology->reset();
    void *object = nullptr;
    const HRESULT hr = m_source->QueryInterface(wincom::kIidIKsTopologyInfo, &object);
    if (SUCCEEDED(hr) && object)
        *topology = std::make_shared<WindowsKsTopologyInfo>(wincom::adopt(static_cast<IKsTopologyInfo *>(object)));
    return static_cast<HResult>(hr);
}

} // namespace platform
