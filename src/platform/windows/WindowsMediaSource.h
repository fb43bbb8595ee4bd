#pragma once
#include "platform/MediaSource.h"

struct IMFMediaSource;
struct IMFSourceReader;

namespace platform {

// An activated video-capture media source and its kernel-streaming topology.
class WindowsMediaSource : public MediaSource
{
public:
    explicit WindowsMediaSource(std::shared_ptr<IMFMediaSource> source);
    ~WindowsMediaSource() override;
    // The reader is kept as long as the source: releasing a source reader shuts its
    // media source down, after which every extension-unit request would fail.
    HResult createSourceReader() override;
    HResult queryTopology(std::shared_ptr<KsTopologyInfo> *topology) override;

private:
    std::shared_ptr<IMFMediaSource> m_source;
    std::shared_ptr<IMFSourceReader> m_reader;
};

} // namespace platform
