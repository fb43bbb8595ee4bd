#include "camera/UVCExtensionUnit.h"

#include "camera/CameraSetting.h"

#include "camera/DShowCameraWrapper.h"

#include "camera/KsLayout.h"
#include "platform/Backend.h"
#include "platform/UpgradeModeCode.h"

#include <QtDebug>

#include <cstdio>
#include <cstring>

using platform::HResult;

const QUuid UVCExtensionUnit::kPropertySet(0x23E49ED0, 0x1178, 0x4F31, 0xAE, 0x52, 0xD2, 0xFB, 0x8A,
                                           0x8D, 0x3B, 0x48);
const QUuid UVCExtensionUnit::kNodeTypeDevSpecific(0x941C7AC0, 0xC559, 0x11D0, 0x8A, 0x2B, 0x00, 0xA0,
                                                   0xC9, 0x25, 0x5A, 0xC1);

namespace {

constexpr std::uint32_t kMessageLength = 8;
constexpr std::uint32_t kHeaderLength = 32;

void logFailure(const char *function, const char *step, HResult hr)
{
    qDebug("info: Function: %s, %s failed, Error code: 0x%.2x \n", function, step,
           static_cast<unsigned>(hr));
}

const char *const kSetGet = "UVCExtensionUnit::SetGetExtensionUnit";
const char *const kFindNode = "FindExtensionNode";

} // namespace

UVCExtensionUnit::UVCExtensionUnit()
    : QObject(nullptr)
{
}

UVCExtensionUnit::~UVCExtensionUnit()
{
    ReleaseUvc();
}

bool UVCExtensionUnit::InitUvc(const QString &id, const QString &name)
{
    deviceCount = 0;
    devices.clear();

    int failedStep = -1;
    const HResult hr = platform::backend().enumerateMediaDevices(&devices, &failedStep);
    attributes = failedStep != 0;
    if (platform::failed(hr)) {
        static const char *const steps[] = {"Create attribute store", "Video capture device SetGUID",
                                            "Device enumeration"};
        const int step = failedStep >= 0 && failedStep <= 2 ? failedStep : 2;
        logFailure("UVCExtensionUnit::GetVideoDevices", steps[step], hr);
        devices.clear();
    }
    deviceCount = static_cast<std::uint32_t>(devices.size());

    for (std::uint32_t i = 0; i < deviceCount; ++i) {
        const std::shared_ptr<platform::MediaDevice> &device = devices.at(static_cast<int>(i));
        QString friendlyName;
        HResult status = device->friendlyName(&friendlyName);
        if (platform::failed(status)) {
            logFailure("UVCExtensionUnit::GetVideoDeviceFriendlyNames", "Get video device friendly name",
                       status);
            friendlyName.clear();
        }
        qDebug() << "uvc camera index:" << i << " name:" << friendlyName;

        QString link;
        status = device->symbolicLink(&link);
        if (platform::failed(status)) {
            logFailure("UVCExtensionUnit::GetVideoDevicePath", "Get video device path", status);
            link.clear();
        }
        qDebug() << "uvc path:" << link;

        // Both the instance id inside the link and the friendly name must agree; two
        // cameras of one model differ only in the former.
        if (!link.contains(id, Qt::CaseSensitive)
            || DShowCameraWrapper::listedName(friendlyName) != DShowCameraWrapper::listedName(name))
            continue;

        std::shared_ptr<platform::MediaSource> source;
        status = device->activate(&source);
        if (platform::failed(status) || !source) {
            logFailure("UVCExtensionUnit::InitVideoDevice", "Activating video device",
                       platform::failed(status) ? status : platform::kEPointer);
            return false;
        }
        mediaSource = source;
        status = mediaSource->createSourceReader();
        if (platform::failed(status)) {
            // The source stays held: extension-unit requests still reach the camera.
            logFailure("UVCExtensionUnit::InitVideoDevice", "Creating video source reader", status);
            return false;
        }
        sourceReader = true;
        return true;
    }
    return false;
}

void UVCExtensionUnit::ReleaseUvc()
{
    for (auto &device : devices)
        device.reset();
    deviceCount = 0;
    sequence = 0;
    devices.clear();
    attributes = false;
    mediaSource.reset();
    sourceReader = false;
}

HResult UVCExtensionUnit::FindExtensionNode(platform::KsTopologyInfo *topology, std::uint32_t *nodeId)
{
    std::uint32_t count = 0;
    const HResult hr = topology->numNodes(&count);
    if (platform::failed(hr)) {
        logFailure(kSetGet, kFindNode, hr);
        return hr;
    }
    // The lowest-numbered device-specific node is the vendor unit; it is looked up
    // afresh for every request.
    for (std::uint32_t i = 0; i < count; ++i) {
        QUuid type;
        topology->nodeType(i, &type);
        if (type == kNodeTypeDevSpecific) {
            *nodeId = i;
            return platform::kSOk;
        }
    }
    logFailure(kSetGet, kFindNode, platform::kEFail);
    unitMissing = true;
    return platform::kEFail;
}

HResult UVCExtensionUnit::SetGetExtensionUnit(QUuid propertySet, std::uint32_t selector,
                                              std::uint32_t flags, void *data, std::uint32_t length,
                                              std::uint32_t *bytesReturned)
{
    unitMissing = !mediaSource;
    lastRequestStatus = request(propertySet, selector, flags, data, length, bytesReturned);
    return lastRequestStatus;
}

HResult UVCExtensionUnit::request(QUuid propertySet, std::uint32_t selector, std::uint32_t flags, void *data,
                                  std::uint32_t length, std::uint32_t *bytesReturned)
{
    if (!mediaSource)
        return platform::kEPointer;

    std::shared_ptr<platform::KsTopologyInfo> topology;
    HResult hr = mediaSource->queryTopology(&topology);
    if (platform::failed(hr)) {
        logFailure(kSetGet, "IMFMediaSource::QueryInterface(IKsTopologyInfo)", hr);
        return hr;
    }
    if (!topology) {
        logFailure(kSetGet, kFindNode, platform::kEPointer);
        return platform::kEPointer;
    }

    std::uint32_t nodeId = 0;
    hr = FindExtensionNode(topology.get(), &nodeId);
    if (platform::failed(hr))
        return hr;

    std::fputs("found one xu node\n", stdout);
    QUuid type;
    hr = topology->nodeType(nodeId, &type);
    if (platform::failed(hr)) {
        logFailure(kSetGet, "IKsTopologyInfo->get_NodeType(...)", hr);
        return hr;
    }
    std::shared_ptr<platform::KsNode> node;
    hr = topology->createNodeInstance(nodeId, &node);
    if (platform::failed(hr) || !node) {
        hr = platform::failed(hr) ? hr : platform::kEPointer;
        logFailure(kSetGet, "ks_topology_info->CreateNodeInstance(...)", hr);
        return hr;
    }
    std::shared_ptr<platform::KsControl> control;
    hr = node->queryControl(&control);
    if (platform::failed(hr) || !control) {
        hr = platform::failed(hr) ? hr : platform::kENoInterface;
        logFailure(kSetGet, "ks_topology_info->QueryInterface(...)", hr);
        return hr;
    }

    std::uint8_t header[kHeaderLength] = {};
    kslayout::putGuid(header, propertySet);
    kslayout::putUint32(header + 16, selector);
    kslayout::putUint32(header + 20, flags);
    kslayout::putUint32(header + 24, nodeId);
    std::uint32_t returned = 0;
    hr = control->ksProperty(header, kHeaderLength, data, length,
                             bytesReturned ? bytesReturned : &returned);
    // Only a plain success counts; any other status (even a positive one) asks for a
    // fresh channel.
    if (hr == platform::kSOk)
        return platform::kSOk;

    qDebug() << "Set FAIL REINITUVC";
    emit reInitUvc();
    logFailure(kSetGet, "ks_control->KsProperty(...)", hr);
    return hr;
}

std::uint8_t UVCExtensionUnit::nextSequence()
{
    ++sequence;
    if (sequence > 255)
        sequence = 0;
    return static_cast<std::uint8_t>(sequence);
}

bool UVCExtensionUnit::sendCommand(std::uint8_t opcode, int value)
{
    std::uint8_t message[kMessageLength] = {};
    message[0] = opcode;
    message[1] = nextSequence();
    // Only the low byte of the caller's value travels.
    message[2] = static_cast<std::uint8_t>(value & 0xFF);
    std::uint32_t returned = 0;
    return SetGetExtensionUnit(kPropertySet, kSelectorCommand, kFlagsSet, message, kMessageLength,
                               &returned)
        == platform::kSOk;
}

bool UVCExtensionUnit::query(std::uint8_t opcode, std::uint8_t response[8])
{
    if (!sendCommand(opcode, 0))
        return false;
    std::memset(response, 0, kMessageLength);
    response[0] = opcode;
    response[1] = nextSequence();
    std::uint32_t returned = 0;
    return SetGetExtensionUnit(kPropertySet, kSelectorResponse, kFlagsGet, response, kMessageLength,
                               &returned)
        == platform::kSOk;
}

bool UVCExtensionUnit::queryValue(std::uint8_t opcode, int &value)
{
    std::uint8_t response[kMessageLength];
    if (!query(opcode, response))
        return false;
    value = response[2];
    return true;
}

bool UVCExtensionUnit::setFeature(const VendorLayout &layout, int value)
{
    if (layout.setLog)
        qDebug() << layout.setLog;
    return sendCommand(layout.set, value);
}

bool UVCExtensionUnit::getFeature(const VendorLayout &layout, int &value)
{
    if (layout.getLog)
        qDebug() << layout.getLog;
    std::uint8_t response[kMessageLength];
    if (!query(layout.get, response))
        return false;
    // Some answers prove themselves with two fixed bytes; without them the value is not
    // the camera's.
    if (layout.checksAnswer() && (response[3] != layout.check3 || response[4] != layout.check4))
        return false;
    value = response[2];
    return true;
}

namespace {
const VendorLayout &layoutOf(SettingId id)
{
    return camerasettings::setting(id).vendor;
}
} // namespace

bool UVCExtensionUnit::SetHDR(int on) { return setFeature(layoutOf(SettingId::Hdr), on); }
bool UVCExtensionUnit::GetHDR(int &on) { return getFeature(layoutOf(SettingId::Hdr), on); }
bool UVCExtensionUnit::SetAntiFlicker(int value) { return setFeature(layoutOf(SettingId::AntiFlicker), value); }
bool UVCExtensionUnit::GetAntiFlicker(int &value) { return getFeature(layoutOf(SettingId::AntiFlicker), value); }
bool UVCExtensionUnit::SetMicEnable(int value) { return setFeature(layoutOf(SettingId::Mic), value); }
bool UVCExtensionUnit::GetMicEnable(int &value) { return getFeature(layoutOf(SettingId::Mic), value); }
bool UVCExtensionUnit::SetMirror(int on) { return setFeature(layoutOf(SettingId::Mirror), on); }
bool UVCExtensionUnit::GetMirror(int &on) { return getFeature(layoutOf(SettingId::Mirror), on); }
bool UVCExtensionUnit::SetViewAngle(int index) { return setFeature(layoutOf(SettingId::FieldOfView), index); }
bool UVCExtensionUnit::GetViewAngle(int &index) { return getFeature(layoutOf(SettingId::FieldOfView), index); }
bool UVCExtensionUnit::SetHDMode(int on) { return setFeature(layoutOf(SettingId::HdMode), on); }
bool UVCExtensionUnit::GetHDMode(int &on) { return getFeature(layoutOf(SettingId::HdMode), on); }
bool UVCExtensionUnit::SetTrackingMode(int mode) { return setFeature(layoutOf(SettingId::TrackingMode), mode); }
bool UVCExtensionUnit::GetTrackingMode(int &mode) { return getFeature(layoutOf(SettingId::TrackingMode), mode); }
bool UVCExtensionUnit::SetTrackingEffect(int effect) { return setFeature(layoutOf(SettingId::TrackingEffect), effect); }
bool UVCExtensionUnit::GetTrackingEffect(int &effect) { return getFeature(layoutOf(SettingId::TrackingEffect), effect); }
bool UVCExtensionUnit::SetTrackingSpeed(int speed) { return setFeature(layoutOf(SettingId::TrackingSpeed), speed); }
bool UVCExtensionUnit::GetTrackingSpeed(int &speed) { return getFeature(layoutOf(SettingId::TrackingSpeed), speed); }
bool UVCExtensionUnit::GetVideoState(int &state) { return queryValue(0x96, state); }
bool UVCExtensionUnit::SetAutoAE(int on) { return setFeature(layoutOf(SettingId::AiLight), on); }
bool UVCExtensionUnit::GetAutoAE(int &on) { return getFeature(layoutOf(SettingId::AiLight), on); }
bool UVCExtensionUnit::SetGesture(int on) { return setFeature(layoutOf(SettingId::Gesture), on); }
bool UVCExtensionUnit::GetGesture(int &on) { return getFeature(layoutOf(SettingId::Gesture), on); }

bool UVCExtensionUnit::SetAutoFocus()
{
    // A fixed message outside the numbered sequence.
    std::uint8_t message[kMessageLength] = {0x40, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::uint32_t returned = 0;
    return SetGetExtensionUnit(kPropertySet, kSelectorCommand, kFlagsSet, message, kMessageLength,
                               &returned)
        == platform::kSOk;
}

bool UVCExtensionUnit::ResetDefaults()
{
    qDebug() << "updateDev.";
    return sendCommand(0x7F, 0);
}

bool UVCExtensionUnit::GetVersion(int opcode, QString &version)
{
    std::uint8_t response[kMessageLength];
    if (!query(static_cast<std::uint8_t>(opcode), response))
        return false;
    // Three 16-bit numbers, most significant byte first.
    const int major = response[2] * 256 + response[3];
    const int minor = response[4] * 256 + response[5];
    const int patch = response[6] * 256 + response[7];
    if (major == 0 && minor == 0 && patch == 0)
        return false;
    version = QString::asprintf("%d.%d.%d", major, minor, patch).left(31);
    return true;
}

bool UVCExtensionUnit::readFirmwareVersion(QString &version)
{
    return GetVersion(0x80, version) || GetVersion(0x0B, version);
}

bool UVCExtensionUnit::EnterUpgradeMode()
{
    qDebug() << "updateDev.";
    std::uint8_t code[kMessageLength];
    platform::buildUpgradeModeCode(code);
    std::uint32_t returned = 0;
    return SetGetExtensionUnit(kPropertySet, kSelectorUpgrade, kFlagsSet, code, kMessageLength,
                               &returned)
        == platform::kSOk;
}
