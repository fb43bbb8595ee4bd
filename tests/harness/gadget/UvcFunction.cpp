#include "UvcFunction.h"

#include "platform/CaptureFilter.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimMjpegPattern.h"
#include "platform/sim/SimRig.h"
#include "platform/sim/SimUvcCamera.h"

#include <QtEndian>

#include <linux/usb/functionfs.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using platform::PropertySet;

// Unit ids of the control interface.
constexpr int kCameraTerminal = 1;
constexpr int kProcessingUnit = 2;
constexpr int kExtensionUnit = 3;
constexpr int kOutputTerminal = 4;

// Class requests.
constexpr std::uint8_t kSetCur = 0x01;
constexpr std::uint8_t kGetCur = 0x81;
constexpr std::uint8_t kGetMin = 0x82;
constexpr std::uint8_t kGetMax = 0x83;
constexpr std::uint8_t kGetRes = 0x84;
constexpr std::uint8_t kGetLen = 0x85;
constexpr std::uint8_t kGetInfo = 0x86;
constexpr std::uint8_t kGetDef = 0x87;

// Request error codes (VC_REQUEST_ERROR_CODE_CONTROL).
constexpr std::uint8_t kErrorOutOfRange = 0x04;
constexpr std::uint8_t kErrorInvalidControl = 0x06;
constexpr std::uint8_t kErrorInvalidRequest = 0x07;
constexpr std::uint8_t kErrorUnknown = 0xFF;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::uint32_t kInterval = 333333; // 100 ns units: 30 per second
constexpr std::uint32_t kMaxPayload = 16384;
constexpr std::uint32_t kMaxFrame = 4 * 1024 * 1024;
constexpr std::uint32_t kBulkPacket = 512;

// The XU's property set in descriptor byte order.
const std::uint8_t kXuGuid[16] = {0xD0, 0x9E, 0xE4, 0x23, 0x78, 0x11, 0x31, 0x4F,
                                  0xAE, 0x52, 0xD2, 0xFB, 0x8A, 0x8D, 0x3B, 0x48};

const QUuid kXuSet(0x23E49ED0, 0x1178, 0x4F31, 0xAE, 0x52, 0xD2, 0xFB, 0x8A, 0x8D, 0x3B, 0x48);

void put16(QByteArray *b, int v)
{
    b->append(char(v & 0xFF));
    b->append(char((v >> 8) & 0xFF));
}

void put32(QByteArray *b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b->append(char((v >> (8 * i)) & 0xFF));
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// The interface descriptors of one speed.
QByteArray speedDescriptors(int bulkPacket, int *count)
{
    QByteArray d;
    // Interface association: video class, two interfaces.
    d += bytes({8, 0x0B, 0, 2, 0x0E, 0x03, 0, 0});
    // Video control interface.
    d += bytes({9, 0x04, 0, 0, 0, 0x0E, 0x01, 0, 0});
    QByteArray units;
    // Camera terminal: focus absolute (5), zoom absolute (9), pan/tilt absolute (11), focus auto (17).
    units += bytes({18, 0x24, 0x02, kCameraTerminal, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0x20, 0x0A, 0x02});
    // Processing unit: brightness, contrast, hue, saturation, sharpness, white balance
    // temperature and its automatic mode.
    units += bytes({11, 0x24, 0x05, kProcessingUnit, kCameraTerminal, 0, 0, 2, 0x5F, 0x10, 0});
    // The vendor extension unit: selectors 1, 2 and 4.
    QByteArray xu = bytes({26, 0x24, 0x06, kExtensionUnit});
    xu.append(reinterpret_cast<const char *>(kXuGuid), 16);
    xu += bytes({3, 1, kProcessingUnit, 1, 0x0B, 0});
    units += xu;
    // Output terminal (USB streaming).
    units += bytes({9, 0x24, 0x03, kOutputTerminal, 0x01, 0x01, 0, kExtensionUnit, 0});
    QByteArray header = bytes({13, 0x24, 0x01, 0x00, 0x01});
    put16(&header, 13 + units.size());
    put32(&header, 48000000);
    header += bytes({1, 1});
    d += header + units;
    // Video streaming interface with its bulk endpoint.
    d += bytes({9, 0x04, 1, 0, 1, 0x0E, 0x02, 0, 0});
    QByteArray format = bytes({11, 0x24, 0x06, 1, 1, 0x01, 1, 0, 0, 0, 0});
    QByteArray frame = bytes({30, 0x24, 0x07, 1, 0});
    put16(&frame, kWidth);
    put16(&frame, kHeight);
    put32(&frame, kWidth * kHeight * 16 * 30 / 10); // rough bit rates
    put32(&frame, kWidth * kHeight * 16 * 30);
    put32(&frame, kMaxFrame);
    put32(&frame, kInterval);
    frame.append(char(1));
    put32(&frame, kInterval);
    QByteArray input = bytes({14, 0x24, 0x01, 1});
    put16(&input, 14 + format.size() + frame.size());
    input += bytes({0x81, 0, kOutputTerminal, 0, 0, 0, 1, 0});
    d += input + format + frame;
    QByteArray endpoint = bytes({7, 0x05, 0x81, 0x02});
    put16(&endpoint, bulkPacket);
    endpoint.append(char(0));
    d += endpoint;
    *count = 12;
    return d;
}

struct StandardControl
{
    PropertySet set;
    std::int32_t id;
    int size;
    bool isAuto;   // the automatic-mode switch of the property
    int scale;     // UVC units per property unit
    bool isSigned;
};

bool standardControlFor(int entity, int selector, StandardControl *c)
{
    if (entity == kCameraTerminal) {
        switch (selector) {
        case 0x06: *c = {PropertySet::CameraControl, 6, 2, false, 1, false}; return true;
        case 0x08: *c = {PropertySet::CameraControl, 6, 1, true, 1, false}; return true;
        case 0x0B: *c = {PropertySet::CameraControl, 3, 2, false, 1, false}; return true;
        default: return false;
        }
    }
    if (entity == kProcessingUnit) {
        switch (selector) {
        case 0x02: *c = {PropertySet::VideoProcAmp, 0, 2, false, 1, true}; return true;
        case 0x03: *c = {PropertySet::VideoProcAmp, 1, 2, false, 1, false}; return true;
        case 0x06: *c = {PropertySet::VideoProcAmp, 2, 2, false, 1, true}; return true;
        case 0x07: *c = {PropertySet::VideoProcAmp, 3, 2, false, 1, false}; return true;
        case 0x08: *c = {PropertySet::VideoProcAmp, 4, 2, false, 1, false}; return true;
        case 0x0A: *c = {PropertySet::VideoProcAmp, 7, 2, false, 1, false}; return true;
        case 0x0B: *c = {PropertySet::VideoProcAmp, 7, 1, true, 1, false}; return true;
        default: return false;
        }
    }
    return false;
}

QByteArray encode(std::int32_t value, int size)
{
    QByteArray b;
    for (int i = 0; i < size; ++i)
        b.append(char((value >> (8 * i)) & 0xFF));
    return b;
}

std::int32_t decode(const QByteArray &data, int offset, int size, bool isSigned)
{
    std::uint32_t v = 0;
    for (int i = 0; i < size && offset + i < data.size(); ++i)
        v |= std::uint32_t(std::uint8_t(data.at(offset + i))) << (8 * i);
    if (isSigned && size < 4 && (v & (1u << (8 * size - 1))))
        v |= ~((1u << (8 * size)) - 1);
    return static_cast<std::int32_t>(v);
}

} // namespace

UvcFunction::UvcFunction(sim::SimCamera &camera, const QString &functionDir)
    : m_camera(camera)
    , m_dir(functionDir)
{
}

UvcFunction::~UvcFunction()
{
    stop();
}

QByteArray UvcFunction::descriptors()
{
    int fsCount = 0;
    int hsCount = 0;
    const QByteArray fs = speedDescriptors(64, &fsCount);
    const QByteArray hs = speedDescriptors(kBulkPacket, &hsCount);
    QByteArray blob;
    put32(&blob, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    put32(&blob, 20 + fs.size() + hs.size());
    put32(&blob, FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
    put32(&blob, fsCount);
    put32(&blob, hsCount);
    return blob + fs + hs;
}

bool UvcFunction::start(QString *error)
{
    m_ep0 = ::open((m_dir + QStringLiteral("/ep0")).toLocal8Bit().constData(), O_RDWR);
    if (m_ep0 < 0) {
        *error = QStringLiteral("cannot open ep0 of the camera function");
        return false;
    }
    const QByteArray d = descriptors();
    if (::write(m_ep0, d.constData(), d.size()) != d.size()) {
        *error = QStringLiteral("the camera's descriptors were refused: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    QByteArray strings;
    put32(&strings, FUNCTIONFS_STRINGS_MAGIC);
    put32(&strings, 16);
    put32(&strings, 0);
    put32(&strings, 0);
    if (::write(m_ep0, strings.constData(), strings.size()) != strings.size()) {
        *error = QStringLiteral("the camera's strings were refused");
        return false;
    }
    // Not blocking while the host has no configuration: payloads of a stream that ended
    // with an unplug are dropped instead of reaching the next session.
    m_ep1 = ::open((m_dir + QStringLiteral("/ep1")).toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
    if (m_ep1 < 0) {
        *error = QStringLiteral("cannot open the camera's streaming endpoint");
        return false;
    }
    m_frames = sim::SimMjpegPattern::frames(kWidth, kHeight, 30);
    if (!m_frames || m_frames->empty()) {
        *error = QStringLiteral("no MJPEG pictures for the stream");
        return false;
    }
    m_running = true;
    m_control = std::thread([this] { controlLoop(); });
    m_stream = std::thread([this] { streamLoop(); });
    return true;
}

void UvcFunction::stop()
{
    if (!m_running.exchange(false))
        return;
    {
        std::lock_guard<std::mutex> lock(m_streamMutex);
        m_streaming = false;
    }
    m_streamWake.notify_all();
    if (m_control.joinable())
        m_control.join();
    if (m_stream.joinable())
        m_stream.join();
    ::close(m_ep1);
    ::close(m_ep0);
}

void UvcFunction::setStreaming(bool on)
{
    {
        std::lock_guard<std::mutex> lock(m_streamMutex);
        m_streaming = on;
    }
    m_streamWake.notify_all();
}

void UvcFunction::controlLoop()
{
    while (m_running) {
        pollfd p{m_ep0, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0)
            continue;
        usb_functionfs_event event;
        if (::read(m_ep0, &event, sizeof event) != sizeof event)
            continue;
        switch (event.type) {
        case FUNCTIONFS_DISABLE:
        case FUNCTIONFS_UNBIND:
        case FUNCTIONFS_SUSPEND:
            setStreaming(false);
            break;
        case FUNCTIONFS_SETUP: {
            const usb_ctrlrequest &r = event.u.setup;
            const std::uint16_t length = le16toh(r.wLength);
            const bool in = r.bRequestType & USB_DIR_IN;
            QByteArray data;
            if (!in && length > 0) {
                data.resize(length);
                if (::read(m_ep0, data.data(), length) != length)
                    break;
            }
            QByteArray reply;
            const bool ok = (r.bRequestType & USB_TYPE_MASK) == USB_TYPE_CLASS
                            && classRequest(r.bRequestType, r.bRequest, le16toh(r.wValue), le16toh(r.wIndex),
                                            length, &reply, data);
            // The harness's log shows every request the host made and how it went.
            std::fprintf(stderr, "uvc: %02x %02x value %04x index %04x length %u out %s reply %s%s\n",
                         r.bRequestType, r.bRequest, le16toh(r.wValue), le16toh(r.wIndex), length,
                         data.toHex().constData(), reply.toHex().constData(), ok ? "" : " refused");
            // A stall (a read on an IN request, a write on an OUT one) returns an error by
            // design; nothing here depends on what the calls return.
            ssize_t done = 0;
            if (in) {
                if (ok)
                    done = ::write(m_ep0, reply.constData(), std::min<int>(reply.size(), length));
                else
                    done = ::read(m_ep0, nullptr, 0); // stall
            } else if (length == 0) {
                if (ok)
                    done = ::read(m_ep0, nullptr, 0); // status stage
                else
                    done = ::write(m_ep0, nullptr, 0);
            }
            Q_UNUSED(done)
            // A refused write with data cannot be stalled any more: FunctionFS ended the
            // transfer when the data were read. The refusal shows in the read-back.
            break;
        }
        default:
            break;
        }
    }
}

bool UvcFunction::classRequest(std::uint8_t, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                               std::uint16_t, QByteArray *reply, const QByteArray &data)
{
    const int interface = index & 0xFF;
    const int entity = index >> 8;
    const int selector = value >> 8;
    bool ok = false;
    if (interface == 1) {
        ok = streamingControl(selector, request, reply, data);
    } else if (entity == 0) {
        // The request error code control of the interface.
        if (selector == 0x02 && request == kGetCur) {
            *reply = bytes({m_errorCode});
            return true;
        }
        if (selector == 0x02 && request == kGetInfo) {
            *reply = bytes({0x01});
            return true;
        }
        m_errorCode = kErrorInvalidControl;
        return false;
    } else if (entity == kExtensionUnit) {
        ok = extensionControl(selector, request, reply, data);
    } else {
        ok = standardControl(entity, selector, request, reply, data);
    }
    if (ok)
        m_errorCode = 0;
    return ok;
}

bool UvcFunction::standardControl(int entity, int selector, std::uint8_t request, QByteArray *reply,
                                  const QByteArray &data)
{
    sim::SimUvcCamera &uvc = m_camera.uvc();
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    // Pan and tilt travel together, in arc-seconds.
    if (entity == kCameraTerminal && selector == 0x0D) {
        sim::SimUvcCamera::Property pan;
        sim::SimUvcCamera::Property tilt;
        if (!uvc.property(PropertySet::CameraControl, 0, &pan) || !uvc.property(PropertySet::CameraControl, 1, &tilt)) {
            m_errorCode = kErrorInvalidControl;
            return false;
        }
        auto pair = [](std::int32_t a, std::int32_t b) { return encode(a * 3600, 4) + encode(b * 3600, 4); };
        switch (request) {
        case kGetCur: *reply = pair(pan.value, tilt.value); return true;
        case kGetMin: *reply = pair(pan.range.minimum, tilt.range.minimum); return true;
        case kGetMax: *reply = pair(pan.range.maximum, tilt.range.maximum); return true;
        case kGetRes: *reply = pair(pan.range.step, tilt.range.step); return true;
        case kGetDef: *reply = pair(pan.range.defaultValue, tilt.range.defaultValue); return true;
        case kGetInfo: *reply = bytes({0x03}); return true;
        case kSetCur: {
            if (data.size() < 8) {
                m_errorCode = kErrorInvalidRequest;
                return false;
            }
            const std::int32_t values[2] = {decode(data, 0, 4, true), decode(data, 4, 4, true)};
            for (int id = 0; id < 2; ++id) {
                if (values[id] % 3600 != 0) {
                    m_errorCode = kErrorOutOfRange;
                    return false;
                }
                if (uvc.setValue(PropertySet::CameraControl, id, values[id] / 3600, 2) != platform::kSOk) {
                    m_errorCode = kErrorOutOfRange;
                    return false;
                }
            }
            return true;
        }
        default:
            m_errorCode = kErrorInvalidRequest;
            return false;
        }
    }
    StandardControl c;
    sim::SimUvcCamera::Property p;
    if (!standardControlFor(entity, selector, &c) || !uvc.property(c.set, c.id, &p)) {
        m_errorCode = kErrorInvalidControl;
        return false;
    }
    if (c.isAuto) {
        switch (request) {
        case kGetCur: *reply = bytes({p.flags == 1 ? 1 : 0}); return true;
        case kGetMin: *reply = bytes({0}); return true;
        case kGetMax:
        case kGetRes: *reply = bytes({1}); return true;
        case kGetDef: *reply = bytes({(p.range.capsFlags & 1) ? 1 : 0}); return true;
        case kGetInfo: *reply = bytes({0x03}); return true;
        case kSetCur: {
            if (uvc.setValue(c.set, c.id, p.value, (data.size() >= 1 && data.at(0)) ? 1 : 2) != platform::kSOk) {
                m_errorCode = kErrorOutOfRange;
                return false;
            }
            return true;
        }
        default: m_errorCode = kErrorInvalidRequest; return false;
        }
    }
    switch (request) {
    case kGetCur: *reply = encode(p.value * c.scale, c.size); return true;
    case kGetMin: *reply = encode(p.range.minimum * c.scale, c.size); return true;
    case kGetMax: *reply = encode(p.range.maximum * c.scale, c.size); return true;
    case kGetRes: *reply = encode(p.range.step * c.scale, c.size); return true;
    case kGetDef: *reply = encode(p.range.defaultValue * c.scale, c.size); return true;
    // While the automatic mode is on, the value follows the camera (auto-update).
    case kGetInfo: *reply = bytes({0x03}); return true;
    case kSetCur: {
        if (data.size() < c.size) {
            m_errorCode = kErrorInvalidRequest;
            return false;
        }
        const std::int32_t value = decode(data, 0, c.size, c.isSigned) / c.scale;
        if (uvc.setValue(c.set, c.id, value, p.flags) != platform::kSOk) {
            m_errorCode = kErrorOutOfRange;
            return false;
        }
        return true;
    }
    default:
        m_errorCode = kErrorInvalidRequest;
        return false;
    }
}

bool UvcFunction::extensionControl(int selector, std::uint8_t request, QByteArray *reply, const QByteArray &data)
{
    if (selector != 1 && selector != 2 && selector != 4) {
        m_errorCode = kErrorInvalidControl;
        return false;
    }
    if (request == kGetLen) {
        *reply = encode(8, 2);
        return true;
    }
    if (request == kGetInfo) {
        *reply = bytes({0x03});
        return true;
    }
    if (request != kSetCur && request != kGetCur) {
        m_errorCode = kErrorInvalidRequest;
        return false;
    }
    // The 32-byte node request the rig's extension unit takes.
    std::uint8_t h[32] = {};
    std::memcpy(h, kXuGuid, 16);
    qToLittleEndian<quint32>(selector, h + 16);
    qToLittleEndian<quint32>(request == kSetCur ? 0x10000002u : 0x10000001u, h + 20);
    QByteArray message = request == kSetCur ? data.left(8) : QByteArray(8, '\0');
    message.resize(8);
    int sleepMs = 0;
    platform::HResult status;
    {
        std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
        sim::SimUvcCamera &uvc = m_camera.uvc();
        const int node = uvc.extensionNode();
        qToLittleEndian<quint32>(static_cast<quint32>(node), h + 24);
        status = uvc.nodeRequest(static_cast<std::uint32_t>(node), h, 32, message.data(), 8,
                                 nullptr, &sleepMs);
    }
    if (sleepMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    if (status != platform::kSOk) {
        m_errorCode = kErrorUnknown;
        return false;
    }
    if (request == kGetCur)
        *reply = message;
    return true;
}

bool UvcFunction::streamingControl(int selector, std::uint8_t request, QByteArray *reply, const QByteArray &data)
{
    // Probe (1) and commit (2): one format, one frame size, one rate.
    if (selector != 1 && selector != 2) {
        m_errorCode = kErrorInvalidControl;
        return false;
    }
    std::uint8_t p[26] = {};
    qToLittleEndian<quint16>(1, p);      // bmHint: frame interval
    p[2] = 1;                            // format
    p[3] = 1;                            // frame
    qToLittleEndian<quint32>(kInterval, p + 4);
    qToLittleEndian<quint32>(kMaxFrame, p + 18);
    qToLittleEndian<quint32>(kMaxPayload, p + 22);
    const QByteArray probe(reinterpret_cast<const char *>(p), sizeof p);
    switch (request) {
    case kGetCur:
    case kGetMin:
    case kGetMax:
    case kGetDef:
        *reply = probe;
        return true;
    case kGetInfo:
        *reply = bytes({0x03});
        return true;
    case kGetLen:
        *reply = encode(26, 2);
        return true;
    case kSetCur:
        if (data.size() >= 4 && (data.at(2) != 1 || data.at(3) != 1)) {
            m_errorCode = kErrorOutOfRange;
            return false;
        }
        if (selector == 2)
            setStreaming(true);
        return true;
    default:
        m_errorCode = kErrorInvalidRequest;
        return false;
    }
}

void UvcFunction::streamLoop()
{
    std::uint8_t fid = 0;
    std::size_t index = 0;
    auto next = std::chrono::steady_clock::now();
    while (m_running) {
        {
            std::unique_lock<std::mutex> lock(m_streamMutex);
            m_streamWake.wait(lock, [this] { return m_streaming || !m_running; });
        }
        if (!m_running)
            break;
        const QByteArray &jpeg = m_frames->at(index++ % m_frames->size());
        fid ^= 1;
        const int chunk = int(kMaxPayload) - 2;
        bool failed = false;
        for (int at = 0; at < jpeg.size() && !failed; at += chunk) {
            const bool last = at + chunk >= jpeg.size();
            QByteArray payload = bytes({2, 0x80 | fid | (last ? 0x02 : 0)}) + jpeg.mid(at, chunk);
            // A payload that fills whole packets without filling the transfer would run
            // into the next one: a byte after the picture's end marker ends it early.
            if (payload.size() < int(kMaxPayload) && payload.size() % int(kBulkPacket) == 0)
                payload.append('\0');
            if (::write(m_ep1, payload.constData(), payload.size()) != payload.size())
                failed = true;
        }
        if (failed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        next += std::chrono::microseconds(kInterval / 10);
        const auto now = std::chrono::steady_clock::now();
        if (next > now)
            std::this_thread::sleep_until(next);
        else
            next = now;
    }
}
