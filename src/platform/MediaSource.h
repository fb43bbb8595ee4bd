#pragma once
#include "platform/KsControl.h"
#include "platform/Status.h"

#include <QUuid>

#include <cstdint>
#include <memory>

namespace platform {

// A node instance created from the topology; it may or may not offer a property interface.
class KsNode
{
public:
    virtual ~KsNode() = default;
    virtual HResult queryControl(std::shared_ptr<KsControl> *control) = 0;
};

// The kernel-streaming topology of an activated media source.
class KsTopologyInfo
{
public:
    virtual ~KsTopologyInfo() = default;
    virtual HResult numNodes(std::uint32_t *count) = 0;
    virtual HResult nodeType(std::uint32_t index, QUuid *type) = 0;
    virtual HResult createNodeInstance(std::uint32_t index, std::shared_ptr<KsNode> *node) = 0;
};

// An activated video-capture media source.
class MediaSource
{
public:
    virtual ~MediaSource() = default;
    // Creates (and drops) a source reader, proving that the device opens.
    virtual HResult createSourceReader() = 0;
    // Asks the source for its topology interface; success with a null result is possible.
    virtual HResult queryTopology(std::shared_ptr<KsTopologyInfo> *topology) = 0;
};

// One video-capture device of the media framework's enumeration.
class MediaDevice
{
public:
    virtual ~MediaDevice() = default;
    virtual HResult friendlyName(QString *name) = 0;
    virtual HResult symbolicLink(QString *link) = 0;
    virtual HResult activate(std::shared_ptr<MediaSource> *source) = 0;
};

} // namespace platform
