#include "StorageFunction.h"

#include "GadgetBus.h"

#include "platform/ScsiPassThrough.h"
#include "platform/Volume.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimMassStorage.h"
#include "platform/sim/SimRig.h"

#include <linux/usb/functionfs.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace spt = platform::spt;

namespace {

constexpr std::uint32_t kBlock = 512;
constexpr std::uint32_t kBlocks = 2048; // a 1 MiB RAM disk
constexpr std::uint32_t kCbwSignature = 0x43425355;
constexpr std::uint32_t kCswSignature = 0x53425355;

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

QByteArray speedDescriptors(int packet)
{
    QByteArray d = bytes({9, 0x04, 0, 0, 2, 0x08, 0x06, 0x50, 0});
    d += bytes({7, 0x05, 0x81, 0x02, packet & 0xFF, packet >> 8, 0});
    d += bytes({7, 0x05, 0x02, 0x02, packet & 0xFF, packet >> 8, 0});
    return d;
}

bool readAll(int fd, char *data, std::uint32_t length)
{
    std::uint32_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(fd, data + done, length - done);
        if (n <= 0)
            return false;
        done += std::uint32_t(n);
    }
    return true;
}

std::uint32_t be32(const std::uint8_t *p)
{
    return spt::getBe32(p);
}

} // namespace

StorageFunction::StorageFunction(sim::SimCamera &camera, const QString &functionDir)
    : m_camera(camera)
    , m_dir(functionDir)
    , m_disk(int(kBlock * kBlocks), '\0')
{
}

StorageFunction::~StorageFunction() = default;

bool StorageFunction::start(QString *error)
{
    m_ep0 = ::open((m_dir + QStringLiteral("/ep0")).toLocal8Bit().constData(), O_RDWR);
    if (m_ep0 < 0) {
        *error = QStringLiteral("cannot open ep0 of the storage function");
        return false;
    }
    const QByteArray fs = speedDescriptors(64);
    const QByteArray hs = speedDescriptors(512);
    QByteArray blob;
    put32(&blob, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    put32(&blob, 20 + fs.size() + hs.size());
    put32(&blob, FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
    put32(&blob, 3);
    put32(&blob, 3);
    blob += fs + hs;
    QByteArray strings;
    put32(&strings, FUNCTIONFS_STRINGS_MAGIC);
    put32(&strings, 16);
    put32(&strings, 0);
    put32(&strings, 0);
    if (::write(m_ep0, blob.constData(), blob.size()) != blob.size()
        || ::write(m_ep0, strings.constData(), strings.size()) != strings.size()) {
        *error = QStringLiteral("the storage function's descriptors were refused");
        return false;
    }
    // Not blocking while the host has no configuration: a transfer of a session that
    // ended (a status for a command the host gave up on when it was unplugged) must fail
    // at once rather than wait for the next plug and confuse that session.
    m_in = ::open((m_dir + QStringLiteral("/ep1")).toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
    m_out = ::open((m_dir + QStringLiteral("/ep2")).toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
    if (m_in < 0 || m_out < 0) {
        *error = QStringLiteral("cannot open the storage function's endpoints");
        return false;
    }
    m_running = true;
    m_control = std::thread([this] { controlLoop(); });
    m_transport = std::thread([this] { transportLoop(); });
    return true;
}

void StorageFunction::attach()
{
    std::shared_ptr<platform::Volume> volume;
    {
        std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
        volume = m_camera.storage().openVolume();
    }
    std::lock_guard<std::mutex> lock(m_volumeMutex);
    m_volume = std::move(volume);
}

bool StorageFunction::leaveAfterCommand(const std::function<bool()> &leave, int limitMs)
{
    std::unique_lock<std::timed_mutex> idle(m_commandMutex, std::defer_lock);
    if (!idle.try_lock_for(std::chrono::milliseconds(limitMs)))
        std::fprintf(stderr, "[%10.3f] storage: the host does not take the last answer\n", bootSeconds());
    return leave();
}

void StorageFunction::controlLoop()
{
    while (m_running) {
        pollfd p{m_ep0, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0)
            continue;
        usb_functionfs_event event;
        if (::read(m_ep0, &event, sizeof event) != sizeof event || event.type != FUNCTIONFS_SETUP)
            continue;
        const usb_ctrlrequest &r = event.u.setup;
        const bool in = r.bRequestType & USB_DIR_IN;
        // A stall returns an error by design; nothing here depends on what the calls return.
        ssize_t done = 0;
        if ((r.bRequestType & USB_TYPE_MASK) == USB_TYPE_CLASS && r.bRequest == 0xFE && in) {
            const char lun = 0; // Get Max LUN: one unit
            done = ::write(m_ep0, &lun, 1);
        } else if ((r.bRequestType & USB_TYPE_MASK) == USB_TYPE_CLASS && r.bRequest == 0xFF && !in) {
            done = ::read(m_ep0, nullptr, 0); // bulk-only reset
        } else if (in) {
            done = ::read(m_ep0, nullptr, 0);
        } else {
            done = ::write(m_ep0, nullptr, 0);
        }
        Q_UNUSED(done)
    }
}

void StorageFunction::setSense(std::uint8_t key, std::uint8_t code)
{
    std::memset(m_sense, 0, sizeof m_sense);
    m_sense[0] = 0x70;
    m_sense[2] = key;
    m_sense[7] = 10;
    m_sense[12] = code;
}

int StorageFunction::forward(const std::uint8_t *cdb, int cdbLength, std::uint8_t target, std::uint32_t timeoutS,
                             std::uint8_t direction, std::uint32_t length, QByteArray *data)
{
    // The pass-through request as the host's transport lays it out on the platform whose
    // volume I/O control the rig's model answers.
    const bool vendor = cdb[0] == 0xE8;
    const std::uint32_t inLength = vendor ? spt::kDataOffset + length : spt::kHeaderLength;
    const std::uint32_t outLength = spt::kDataOffset + length;
    QByteArray buffer(int(outLength), '\0');
    auto *b = reinterpret_cast<std::uint8_t *>(buffer.data());
    spt::putLe16(b + spt::kLength, spt::kHeaderLength);
    b[spt::kTargetId] = target;
    b[spt::kCdbLength] = std::uint8_t(cdbLength);
    b[spt::kSenseInfoLength] = spt::kSenseLength;
    b[spt::kDataIn] = direction;
    spt::putLe32(b + spt::kDataTransferLength, length);
    spt::putLe32(b + spt::kTimeOutValue, timeoutS);
    spt::putLe32(b + spt::kDataBufferOffset, spt::kDataOffset);
    spt::putLe32(b + spt::kSenseInfoOffset, spt::kSenseOffset);
    std::memcpy(b + spt::kCdb, cdb, std::size_t(cdbLength));
    if (direction == spt::kDirectionOut && length > 0)
        std::memcpy(b + spt::kDataOffset, data->constData(), length);
    std::shared_ptr<platform::Volume> volume;
    {
        std::lock_guard<std::mutex> lock(m_volumeMutex);
        volume = m_volume;
    }
    std::uint32_t returned = 0;
    if (!volume || !volume->deviceIoControl(platform::kIoctlScsiPassThrough, b, inLength, b, outLength, &returned)) {
        std::fprintf(stderr, "[%10.3f] storage: command %02x refused by the device\n", bootSeconds(), cdb[0]);
        setSense(0x04, 0x44); // hardware error: internal target failure
        return 2;
    }
    if (direction == spt::kDirectionIn)
        *data = buffer.mid(int(spt::kDataOffset), int(length));
    if (b[spt::kScsiStatus] != spt::kStatusGood) {
        std::memcpy(m_sense, b + spt::kSenseOffset, sizeof m_sense);
        return 2;
    }
    return 0;
}

int StorageFunction::command(const std::uint8_t *cdb, int cdbLength, bool in, std::uint32_t length, QByteArray *data)
{
    switch (cdb[0]) {
    case 0x12: { // INQUIRY: the device's own identification
        if (cdb[1] & 0x01) {
            setSense(0x05, 0x24);
            return 2;
        }
        const std::uint8_t inquiry[6] = {0x12, 0, 0, 0, 36, 0};
        QByteArray answer;
        const int status = forward(inquiry, 6, 1, 2, spt::kDirectionIn, 36, &answer);
        *data = answer.left(int(length));
        return status;
    }
    case 0xE8:
        return forward(cdb, cdbLength, 0, 120, in ? spt::kDirectionIn : spt::kDirectionOut, length, data);
    case 0x00: // TEST UNIT READY
    case 0x1B: // START STOP UNIT
    case 0x1E: // PREVENT ALLOW MEDIUM REMOVAL
    case 0x35: // SYNCHRONIZE CACHE
        return 0;
    case 0x03: // REQUEST SENSE
        *data = QByteArray(reinterpret_cast<const char *>(m_sense), sizeof m_sense).left(int(length));
        setSense(0, 0);
        return 0;
    case 0x1A: // MODE SENSE(6): no pages, not write-protected
        *data = bytes({3, 0, 0, 0}).left(int(length));
        return 0;
    case 0x25: { // READ CAPACITY(10)
        QByteArray answer(8, '\0');
        auto *a = reinterpret_cast<std::uint8_t *>(answer.data());
        spt::putBe32(a, kBlocks - 1);
        spt::putBe32(a + 4, kBlock);
        *data = answer;
        return 0;
    }
    case 0x28:   // READ(10)
    case 0x2A: { // WRITE(10)
        const std::uint32_t lba = be32(cdb + 2);
        const std::uint32_t count = (std::uint32_t(cdb[7]) << 8) | cdb[8];
        if (lba + count > kBlocks || count * kBlock != length) {
            setSense(0x05, 0x21);
            return 2;
        }
        if (cdb[0] == 0x28)
            *data = m_disk.mid(int(lba * kBlock), int(length));
        else
            m_disk.replace(int(lba * kBlock), int(length), *data);
        return 0;
    }
    default:
        setSense(0x05, 0x20); // illegal request: invalid command operation code
        return 2;
    }
}

void StorageFunction::transportLoop()
{
    while (m_running) {
        char cbw[31];
        const ssize_t n = ::read(m_out, cbw, sizeof cbw);
        if (n != ssize_t(sizeof cbw)) {
            if (n < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        const auto *c = reinterpret_cast<const std::uint8_t *>(cbw);
        if (spt::getLe32(c) != kCbwSignature)
            continue;
        std::lock_guard<std::timed_mutex> busy(m_commandMutex);
        const std::uint32_t tag = spt::getLe32(c + 4);
        const std::uint32_t length = spt::getLe32(c + 8);
        const bool in = c[12] & 0x80;
        const int cdbLength = c[14] & 0x1F;
        QByteArray data;
        if (!in && length > 0) {
            data.resize(int(length));
            if (!readAll(m_out, data.data(), length))
                continue;
        }
        const int status = command(c + 15, cdbLength, in, length, &data);
        // Every command and its status, beside the kernel's log (dmesg's time base).
        std::fprintf(stderr, "[%10.3f] storage: %02x %02x length %u status %d\n", bootSeconds(), c[15],
                     cdbLength > 1 ? c[16] : 0, length, status);
        std::uint32_t residue = 0;
        if (in && length > 0) {
            // Shorter answers are padded to the transfer the host asked for.
            residue = length - std::min<std::uint32_t>(length, std::uint32_t(data.size()));
            data.resize(int(length));
            if (::write(m_in, data.constData(), data.size()) != data.size())
                continue;
        }
        QByteArray csw;
        put32(&csw, kCswSignature);
        put32(&csw, tag);
        put32(&csw, residue);
        csw.append(char(status == 0 ? 0 : 1));
        // A host that went away gets no status; the next command starts afresh.
        const ssize_t sent = ::write(m_in, csw.constData(), csw.size());
        Q_UNUSED(sent)
    }
}
