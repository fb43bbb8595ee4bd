#pragma once
#include "platform/CaptureDevice.h"
#include "platform/CaptureFilter.h"
#include "platform/MediaSource.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>

namespace sim {

class SimCamera;

// The video-class side of a rig camera: its capture-device entry (property bag,
// standard properties, single-value requests) and its media-device entry (topology with
// the extension unit, 8-byte vendor messages). Everything is answered from the
// camera's side of the protocols; the objects handed to the platform layer are thin
// handles that come back here under the rig's lock.
class SimUvcCamera
{
public:
    // One standard property as the camera keeps it.
    struct Property
    {
        platform::PropertyRange range;
        std::int32_t value = 0;
        // 1 automatic, 2 manual.
        std::int32_t flags = 2;
    };

    // One request that reached the extension unit, as the camera saw it.
    struct XuMessage
    {
        QByteArray header;      // the property block as received (32 bytes for KSP_NODE)
        QUuid propertySet;
        std::uint32_t selector = 0;
        std::uint32_t flags = 0;
        std::uint32_t nodeId = 0;
        QByteArray data;        // the data buffer as it arrived
        QByteArray reply;       // the data buffer as the camera left it
        platform::HResult status = platform::kSOk;
    };

    // One single-value request on the capture filter, as the camera received it.
    struct PropertyRequest
    {
        QUuid propertySet;      // the set's GUID
        std::int32_t id = 0;
        std::int32_t kind = 0;  // 1 read, 2 write
        std::int32_t value = 0;
        std::int32_t flags = 0;
        platform::HResult status = platform::kSOk;
    };

    // What the platform objects handed out for this camera hold: a reference that
    // turns stale when the rig goes away or the camera leaves the bus (a real device
    // that re-enumerates is a new device; old handles keep failing).
    class Handle
    {
    public:
        Handle() = default;
        Handle(SimUvcCamera *uvc, std::weak_ptr<int> life, quint64 session)
            : m_uvc(uvc), m_life(std::move(life)), m_session(session)
        {
        }
        // Runs work under the rig's lock while the camera is connected; otherwise
        // answers whenGone.
        platform::HResult call(const std::function<platform::HResult(SimUvcCamera &)> &work,
                               platform::HResult whenGone = platform::kErrorDeviceNotConnected) const;
        // Runs work also after the camera left the bus: what an object already holds
        // (a topology, a node instance) still answers; only requests that reach the
        // device fail.
        platform::HResult inspect(const std::function<platform::HResult(SimUvcCamera &)> &work) const;

    private:
        SimUvcCamera *m_uvc = nullptr;
        std::weak_ptr<int> m_life;
        quint64 m_session = 0;
    };

    SimUvcCamera(SimCamera &camera, const QJsonObject &config);
    ~SimUvcCamera();

    SimCamera &camera() const { return m_camera; }

    // The entry of the video-input category for this camera.
    std::shared_ptr<platform::CaptureDevice> captureDevice();
    // The entry of the media framework's video-capture enumeration for this camera
    // (null when configured without one).
    std::shared_ptr<platform::MediaDevice> mediaDevice();

    // The camera left the bus: every handle handed out so far turns stale.
    void detach();

    // Vendor features by rig-file name ("hdr", "antiFlicker", "mic", "mirror",
    // "viewAngle", "hdMode", "trackingMode", "trackingEffect", "trackingSpeed",
    // "autoAE", "gesture"); -1 for an unknown name.
    int feature(const QString &name) const;
    // The current feature values and standard properties, in the rig file's form
    // ({"features": {...}, "properties": {...}}).
    QJsonObject stateJson() const;
    void setFeature(const QString &name, int value);
    static QStringList featureNames();

    // Standard properties. The bool is false when the camera has no such property.
    bool property(platform::PropertySet set, std::int32_t id, Property *out) const;
    void setProperty(platform::PropertySet set, std::int32_t id, const Property &property);

    // Every extension-unit request received, in order.
    QList<XuMessage> xuMessages() const;
    // The sequence numbers (byte 1) of every numbered message on selectors 1 and 2.
    QList<int> sequenceNumbers() const;
    // Every single-value request on the capture filter, in order.
    QList<PropertyRequest> propertyRequests() const;
    // Every range and current-value read through the camera-control and video-proc-amp
    // interfaces, in order, named as their faults are: "range.camera.3", "get.video.4".
    QStringList propertyReads() const;
    void clearHistory();

    // The topology's node types and the node hosting the vendor unit (-1: none).
    QList<QUuid> nodeTypes() const { return m_nodes; }
    int extensionNode() const { return m_xuNode; }

    // The platform side (called through the handles, under the rig's lock).
    bool connected(quint64 session) const;
    bool propertyBagOpens() const;
    bool readBagProperty(const QString &name, QString *value) const;
    QString monikerDisplayName() const;
    bool hasInterface(platform::PropertySet set) const;
    bool hasKsControl() const;
    platform::HResult getRange(platform::PropertySet set, std::int32_t id, platform::PropertyRange *range);
    platform::HResult getValue(platform::PropertySet set, std::int32_t id, std::int32_t *value,
                               std::int32_t *flags);
    // Single-value requests (the capture filter's property interface): refused values
    // and faults answer as the camera would, and every request is recorded.
    platform::HResult readValue(platform::PropertySet set, std::int32_t id, std::int32_t value,
                                std::int32_t flags, std::int32_t *valueOut, std::int32_t *flagsOut);
    platform::HResult setValue(platform::PropertySet set, std::int32_t id, std::int32_t value,
                               std::int32_t flags);
    platform::HResult mediaFriendlyName(QString *name) const;
    platform::HResult mediaSymbolicLink(QString *link) const;
    platform::HResult mediaStep(const char *fault) const;
    platform::HResult nodeRequest(std::uint32_t instanceNode, const void *property,
                                  std::uint32_t propertyLength, void *data, std::uint32_t dataLength,
                                  std::uint32_t *bytesReturned, int *sleepMs);
    Handle handle() const;

    // A status-code fault value ("0x8007001F" or a number); false when the fault is
    // not set.
    bool faultStatus(const QString &name, platform::HResult *status) const;

private:
    void loadProperties(const QJsonObject &config);
    void loadFeatures(const QJsonObject &config);
    void loadTopology(const QJsonObject &config);
    platform::HResult propertyFault(const char *kind, platform::PropertySet set, std::int32_t id) const;
    platform::HResult valueRequest(platform::PropertySet set, std::int32_t id, std::int32_t kind,
                                   std::int32_t value, std::int32_t flags, std::int32_t *valueOut,
                                   std::int32_t *flagsOut);
    platform::HResult handleCommand(const std::uint8_t *message, int *sleepMs);
    void prepareResponse(std::uint8_t opcode, std::uint8_t sequence);
    platform::HResult handleUpgradeEntry(const std::uint8_t *message);
    bool opcodeFault(const QString &name, std::uint8_t opcode) const;
    bool opcodeStatusFault(const QString &prefix, std::uint8_t opcode, platform::HResult *status) const;
    void restartWith(std::function<void(SimUvcCamera &)> update);

    SimCamera &m_camera;
    std::shared_ptr<int> m_life;
    quint64 m_session = 0;

    // Capture-device entry.
    bool m_propertyBag = true;
    QStringList m_unreadable;
    QString m_description;
    QString m_capturePath;
    bool m_cameraControl = true;
    bool m_videoProcAmp = true;
    bool m_ksControl = true;
    QMap<QPair<int, int>, Property> m_properties;
    QMap<QPair<int, int>, Property> m_factoryProperties;

    // Media-device entry.
    bool m_hasMediaDevice = true;
    QString m_mediaName;
    QString m_symbolicLink;
    QList<QUuid> m_nodes;
    int m_xuNode = -1;

    // Vendor features by set opcode, and their factory values.
    QMap<int, int> m_features;
    QMap<int, int> m_factoryFeatures;
    QList<int> m_versionOpcodes;
    std::uint8_t m_response[8] = {};
    int m_upgradeEntryDelayMs = 2000;

    QList<XuMessage> m_xuMessages;
    QList<PropertyRequest> m_propertyRequests;
    QStringList m_propertyReads;
};

} // namespace sim
