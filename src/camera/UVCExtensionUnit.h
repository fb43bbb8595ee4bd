#pragma once
#include "platform/MediaSource.h"
#include "platform/Status.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <cstdint>
#include <memory>

struct VendorLayout;

// The channel to the camera's vendor extension unit and the vendor command set carried
// on it: 8-byte messages written to selector 1, answers read from selector 2, the
// upgrade-mode entry written to selector 4.
class UVCExtensionUnit : public QObject
{
    Q_OBJECT
public:
    // The extension unit's property set and the node type that hosts it.
    static const QUuid kPropertySet;
    static const QUuid kNodeTypeDevSpecific;
    // Request kinds: get or set, addressed to a topology node.
    static constexpr std::uint32_t kFlagsGet = 0x10000001u;
    static constexpr std::uint32_t kFlagsSet = 0x10000002u;
    static constexpr std::uint32_t kSelectorCommand = 1;
    static constexpr std::uint32_t kSelectorResponse = 2;
    static constexpr std::uint32_t kSelectorUpgrade = 4;

    UVCExtensionUnit();
    ~UVCExtensionUnit() override;

    // Opens the channel on the media device that is the camera with this DirectShow id
    // and friendly name. The caller releases a previous channel first.
    bool InitUvc(const QString &id, const QString &name);
    void ReleaseUvc();
    // One property request on the extension-unit node; returns the platform status.
    platform::HResult SetGetExtensionUnit(QUuid propertySet, std::uint32_t selector,
                                          std::uint32_t flags, void *data, std::uint32_t length,
                                          std::uint32_t *bytesReturned);

    // One vendor feature by its command layout: write a value, or query the value the
    // camera holds. The named operations below are these with their feature's layout.
    bool setFeature(const VendorLayout &layout, int value);
    bool getFeature(const VendorLayout &layout, int &value);

    bool SetHDR(int on);
    bool GetHDR(int &on);
    bool SetAntiFlicker(int value);
    bool GetAntiFlicker(int &value);
    bool SetMicEnable(int value);
    bool GetMicEnable(int &value);
    bool SetMirror(int on);
    bool GetMirror(int &on);
    bool SetViewAngle(int index);
    bool GetViewAngle(int &index);
    bool SetHDMode(int on);
    bool GetHDMode(int &on);
    bool SetTrackingMode(int mode);
    bool GetTrackingMode(int &mode);
    bool SetTrackingEffect(int effect);
    bool GetTrackingEffect(int &effect);
    bool SetTrackingSpeed(int speed);
    bool GetTrackingSpeed(int &speed);
    bool GetVideoState(int &state);
    bool SetAutoAE(int on);
    bool GetAutoAE(int &on);
    bool SetGesture(int on);
    bool GetGesture(int &on);
    bool SetAutoFocus();
    bool ResetDefaults();
    bool GetVersion(int opcode, QString &version);
    // The firmware version as every front end reads it: the newer opcode (0x80) first,
    // then the older one (0x0B).
    bool readFirmwareVersion(QString &version);
    bool EnterUpgradeMode();

    // The status of the last request, and whether it failed because the camera shows no
    // vendor unit (or no channel is open), so that a front end can say what happened.
    platform::HResult lastStatus() const { return lastRequestStatus; }
    bool lastFoundNoUnit() const { return unitMissing; }

    // Whether a media source is held (the channel is open).
    bool isOpen() const { return mediaSource != nullptr; }
    // The counter whose low byte numbered the last vendor message.
    std::uint32_t currentSequence() const { return sequence; }

signals:
    // The property call itself failed: the owner should release and re-open the channel.
    void reInitUvc();

private:
    platform::HResult FindExtensionNode(platform::KsTopologyInfo *topology, std::uint32_t *nodeId);
    platform::HResult request(QUuid propertySet, std::uint32_t selector, std::uint32_t flags, void *data,
                              std::uint32_t length, std::uint32_t *bytesReturned);
    std::uint8_t nextSequence();
    bool sendCommand(std::uint8_t opcode, int value);
    bool query(std::uint8_t opcode, std::uint8_t response[8]);
    bool queryValue(std::uint8_t opcode, int &value);

    std::shared_ptr<platform::MediaSource> mediaSource;
    // The media framework keeps the enumeration attributes here; the seam's enumeration
    // holds them itself, so this only records that an enumeration ran.
    bool attributes = false;
    QList<std::shared_ptr<platform::MediaDevice>> devices;
    std::uint32_t deviceCount = 0;
    // Whether a source reader was created on mediaSource (it proves the device opens;
    // nothing reads from it).
    bool sourceReader = false;
    std::uint32_t sequence = 0;
    platform::HResult lastRequestStatus = platform::kSOk;
    bool unitMissing = false;
};
