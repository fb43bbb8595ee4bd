#include "platform/sim/SimMassStorage.h"

#include "platform/ScsiPassThrough.h"
#include "platform/sim/SimCamera.h"
#include "platform/sim/SimRig.h"

#include <QCryptographicHash>
#include <QRegularExpression>

#include <cstring>

namespace sim {

namespace spt = platform::spt;

namespace {

// What the device expects of the host, from its own side of the protocol.
constexpr std::uint8_t kOpInquiry = 0x12;
constexpr std::uint8_t kOpVendor = 0xE8;
constexpr std::uint32_t kInquiryLength = 36;
constexpr std::uint8_t kInquiryTarget = 1;
constexpr std::uint8_t kVendorTarget = 0;
constexpr std::uint32_t kInquiryTimeoutS = 2;
constexpr std::uint32_t kVendorTimeoutS = 120;
constexpr std::uint32_t kMaxTransfer = 65536;
constexpr std::uint32_t kRomBlock = 1024;
constexpr std::uint32_t kDownloadBlock = 0x8000;
constexpr std::uint32_t kMaxCommand = 1023;
constexpr std::uint32_t kHandoverAddress = 0xFFFFFFFFu;

constexpr int kSubBlock = 1;
constexpr int kSubStatus = 2;
constexpr int kSubLastBlock = 4;
constexpr int kSubHeader = 5;
constexpr int kSubCommand = 6;

QByteArray padded(const QByteArray &text, int size, char fill)
{
    QByteArray out = text.left(size);
    out.append(QByteArray(size - out.size(), fill));
    return out;
}

bool parseHex(const QString &word, std::uint32_t *value)
{
    QString digits = word;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    bool ok = false;
    const uint v = digits.toUInt(&ok, 16);
    if (ok)
        *value = v;
    return ok;
}

QByteArray md5(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

// A copy that shares no storage with the device's own record, so that a test may read
// it while the device goes on recording on another thread (the shared reference count
// lives inside Qt, out of the thread sanitizer's sight).
template <typename T>
T detached(const T &value)
{
    T copy = value;
    copy.detach();
    return copy;
}

} // namespace

SimMassStorage::SimMassStorage(SimCamera &camera, const QJsonObject &config)
    : m_camera(camera)
    , m_link(std::make_shared<SimVolume::Link>())
{
    m_disk = config.value(QStringLiteral("kind")).toString() == QLatin1String("disk");
    m_vendor = config.value(QStringLiteral("inquiryVendor"))
                   .toString(m_disk ? QStringLiteral("GENERIC") : QStringLiteral("GC"))
                   .toLatin1();
    m_product = config.value(QStringLiteral("inquiryProduct"))
                    .toString(m_disk ? QStringLiteral("FLASH DISK") : QString())
                    .toLatin1();
    // The boot ROM and loader of a camera give its product name, as its video side does.
    m_usbProduct = config.value(QStringLiteral("usbProduct"))
                       .toString(m_disk ? QStringLiteral("Flash Disk") : camera.friendlyName());
    m_handoverMs = config.value(QStringLiteral("handoverMs")).toInt(1500);
    m_link->storage = this;
}

SimMassStorage::~SimMassStorage()
{
    std::lock_guard<std::mutex> lock(m_link->mutex);
    m_link->storage = nullptr;
}

bool SimMassStorage::answersDrive(QChar letter) const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    if (!m_camera.present() || m_camera.driveLetter() != letter)
        return false;
    if (m_disk)
        return true;
    return m_camera.mode() != CameraMode::Normal && !m_camera.fault(QStringLiteral("storage.noVolume")).toBool();
}

std::shared_ptr<platform::Volume> SimMassStorage::openVolume()
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    if (takeFault(QStringLiteral("storage.openFails")))
        return nullptr;
    ++m_openHandles;
    return std::make_shared<SimVolume>(m_link, m_generation);
}

void SimMassStorage::leaveBus()
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    ++m_generation;
    m_downloading = false;
    m_pending = Download();
    m_received.clear();
    m_memory.clear();
    m_environment = m_savedEnvironment;
    std::memset(m_status, 0, sizeof m_status);
    m_handoverPending = false;
    m_resetPending = false;
    m_romImage.clear();
    m_romBlocks = 0;
}

int SimMassStorage::inquiries() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return m_inquiries;
}

qint64 SimMassStorage::bytesReceived() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return m_bytesReceived;
}

QList<SimMassStorage::Request> SimMassStorage::requests() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return detached(m_requests);
}

QStringList SimMassStorage::commandsReceived() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return detached(m_commandsReceived);
}

QStringList SimMassStorage::commandsExecuted() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return detached(m_commandsExecuted);
}

QList<SimMassStorage::Download> SimMassStorage::downloads() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return detached(m_downloads);
}

QList<SimMassStorage::FlashWrite> SimMassStorage::flashWrites() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return detached(m_flashWrites);
}

QByteArray SimMassStorage::updaterImage() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return QByteArray(m_updaterImage.constData(), m_updaterImage.size());
}

int SimMassStorage::updaterBlocks() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return m_updaterBlocks;
}

QMap<QString, QString> SimMassStorage::savedEnvironment() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return detached(m_savedEnvironment);
}

int SimMassStorage::malformedRequests() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return m_malformed;
}

QString SimMassStorage::lastMalformedReason() const
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    return m_lastMalformed;
}

void SimMassStorage::clearLog()
{
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    m_inquiries = 0;
    m_bytesReceived = 0;
    m_requests.clear();
    m_commandsReceived.clear();
    m_commandsExecuted.clear();
    m_downloads.clear();
    m_flashWrites.clear();
    m_malformed = 0;
    m_lastMalformed.clear();
}

int SimMassStorage::transferDelayMs(std::uint32_t code, const void *in, std::uint32_t inLength) const
{
    if (code != platform::kIoctlScsiPassThrough || !in || inLength < spt::kHeaderLength)
        return 0;
    const auto *header = static_cast<const std::uint8_t *>(in);
    const std::uint8_t *cdb = header + spt::kCdb;
    if (cdb[0] != kOpVendor)
        return 0;
    QString fault;
    if (cdb[1] == kSubBlock || cdb[1] == kSubLastBlock)
        fault = QStringLiteral("storage.slowTransferMs");
    else if (cdb[1] == kSubCommand)
        fault = QStringLiteral("storage.slowCommandMs");
    else
        return 0;
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    const int slow = m_camera.fault(fault, 0).toInt();
    // Past the request's time-out the host gives up; no need to sleep longer.
    const int limit = int(spt::getLe32(header + spt::kTimeOutValue)) * 1000 + 1;
    return qBound(0, slow, limit);
}

bool SimMassStorage::live(quint64 generation) const
{
    return generation == m_generation && m_camera.present()
           && (m_disk || m_camera.mode() != CameraMode::Normal);
}

bool SimMassStorage::malformed(const QString &reason)
{
    ++m_malformed;
    m_lastMalformed = reason;
    return false;
}

bool SimMassStorage::takeFault(const QString &name)
{
    if (!m_camera.hasFault(name))
        return false;
    const QVariant value = m_camera.fault(name);
    if (value.type() == QVariant::Bool)
        return value.toBool();
    const int count = value.toInt();
    if (count <= 0)
        return false;
    m_camera.setFault(name, count - 1);
    return true;
}

bool SimMassStorage::request(quint64 generation, std::uint32_t code, const void *in,
                             std::uint32_t inLength, void *out, std::uint32_t outLength,
                             std::uint32_t *bytesReturned, int delayedMs)
{
    m_camera.rig().pump();
    std::lock_guard<std::recursive_mutex> lock(m_camera.rig().mutex());
    if (!live(generation))
        return false; // the device is gone; this handle stays dead
    if (code != platform::kIoctlScsiPassThrough)
        return malformed(QStringLiteral("unknown control code 0x%1").arg(code, 0, 16));
    if (!in || !out || inLength < spt::kHeaderLength || outLength < spt::kHeaderLength)
        return malformed(QStringLiteral("buffers shorter than the header"));
    const auto *header = static_cast<const std::uint8_t *>(in);
    auto *reply = static_cast<std::uint8_t *>(out);
    if (spt::getLe16(header + spt::kLength) != spt::kHeaderLength)
        return malformed(QStringLiteral("header length %1").arg(spt::getLe16(header + spt::kLength)));
    if (header[spt::kSenseInfoLength] != spt::kSenseLength
        || spt::getLe32(header + spt::kSenseInfoOffset) != spt::kSenseOffset
        || spt::getLe32(header + spt::kDataBufferOffset) != spt::kDataOffset)
        return malformed(QStringLiteral("sense or data area misplaced"));
    if (header[spt::kPathId] != 0 || header[spt::kLun] != 0)
        return malformed(QStringLiteral("path or LUN not 0"));
    const std::uint8_t *cdb = header + spt::kCdb;
    const std::uint32_t dataLength = spt::getLe32(header + spt::kDataTransferLength);
    const std::uint8_t direction = header[spt::kDataIn];
    const std::uint32_t timeout = spt::getLe32(header + spt::kTimeOutValue);

    auto finish = [&](Answer answer) {
        if (answer == Answer::Fail)
            return false;
        if (out != in)
            std::memcpy(reply, header, spt::kHeaderLength);
        reply[spt::kScsiStatus] =
            answer == Answer::Good ? spt::kStatusGood : spt::kStatusCheckCondition;
        if (outLength >= spt::kSenseOffset + spt::kSenseLength) {
            std::uint8_t *sense = reply + spt::kSenseOffset;
            std::memset(sense, 0, spt::kSenseLength);
            if (answer == Answer::CheckCondition) {
                sense[0] = 0x70; // current error, fixed format
                sense[2] = 0x05; // ILLEGAL REQUEST
                sense[7] = 10;
                sense[12] = 0x20; // invalid command operation code
            }
        }
        if (bytesReturned)
            *bytesReturned = outLength;
        return true;
    };

    if (cdb[0] == kOpInquiry) {
        static const std::uint8_t expected[6] = {kOpInquiry, 0, 0, 0, kInquiryLength, 0};
        if (header[spt::kCdbLength] != 6 || std::memcmp(cdb, expected, 6) != 0)
            return malformed(QStringLiteral("INQUIRY command block"));
        if (direction != spt::kDirectionIn || dataLength != kInquiryLength)
            return malformed(QStringLiteral("INQUIRY direction or length"));
        if (header[spt::kTargetId] != kInquiryTarget)
            return malformed(QStringLiteral("INQUIRY target %1").arg(header[spt::kTargetId]));
        if (timeout != kInquiryTimeoutS)
            return malformed(QStringLiteral("INQUIRY time-out %1").arg(timeout));
        if (inLength != spt::kHeaderLength || outLength != spt::kDataOffset + kInquiryLength)
            return malformed(QStringLiteral("INQUIRY buffer lengths %1/%2").arg(inLength).arg(outLength));
        if (takeFault(QStringLiteral("storage.inquiryFails")))
            return false;
        ++m_inquiries;
        const QByteArray data = inquiryData();
        std::memcpy(reply + spt::kDataOffset, data.constData(), kInquiryLength);
        return finish(Answer::Good);
    }

    if (cdb[0] != kOpVendor) {
        if (header[spt::kCdbLength] == 0 || header[spt::kCdbLength] > spt::kCdbCapacity)
            return malformed(QStringLiteral("command block length"));
        return finish(Answer::CheckCondition);
    }

    const int subcommand = cdb[1];
    const std::uint32_t length = spt::getBe32(cdb + 6);
    if (header[spt::kCdbLength] != 10 || cdb[2] != 0 || cdb[3] != 0 || cdb[4] != 0 || cdb[5] != 0)
        return malformed(QStringLiteral("vendor command block"));
    if (length != dataLength)
        return malformed(QStringLiteral("vendor length %1 but transfer length %2").arg(length).arg(dataLength));
    if (length > kMaxTransfer)
        return malformed(QStringLiteral("vendor transfer of %1 bytes").arg(length));
    if (header[spt::kTargetId] != kVendorTarget)
        return malformed(QStringLiteral("vendor target %1").arg(header[spt::kTargetId]));
    if (timeout != kVendorTimeoutS)
        return malformed(QStringLiteral("vendor time-out %1").arg(timeout));
    if (inLength != spt::kDataOffset + length || outLength != spt::kDataOffset + length)
        return malformed(QStringLiteral("vendor buffer lengths %1/%2").arg(inLength).arg(outLength));
    std::uint8_t wanted = spt::kDirectionOut;
    switch (subcommand) {
    case kSubBlock:
    case kSubLastBlock:
        if (length == 0)
            return malformed(QStringLiteral("empty data block"));
        break;
    case kSubStatus:
        wanted = spt::kDirectionIn;
        if (length != 4)
            return malformed(QStringLiteral("status read of %1 bytes").arg(length));
        break;
    case kSubHeader:
        if (length != 24)
            return malformed(QStringLiteral("download header of %1 bytes").arg(length));
        break;
    case kSubCommand:
        if (length == 0 || length > kMaxCommand)
            return malformed(QStringLiteral("command line of %1 bytes").arg(length));
        break;
    default:
        return malformed(QStringLiteral("vendor subcommand %1").arg(subcommand));
    }
    if (direction != wanted)
        return malformed(QStringLiteral("direction %1 for subcommand %2").arg(direction).arg(subcommand));

    Request logged;
    logged.subcommand = subcommand;
    logged.length = length;
    Answer answer = Answer::CheckCondition;
    if (delayedMs > int(timeout) * 1000)
        answer = Answer::Fail; // the host's time-out ran out first
    else if (!m_disk)
        answer = vendor(subcommand, header + spt::kDataOffset, length, reply + spt::kDataOffset);
    logged.ok = answer != Answer::Fail;
    m_requests.append(logged);
    const bool ok = finish(answer);
    if (m_resetPending) {
        m_resetPending = false;
        resetDevice();
    }
    return ok;
}

QByteArray SimMassStorage::inquiryData() const
{
    QByteArray data(int(kInquiryLength), '\0');
    data[0] = 0x00;       // direct-access block device
    data[1] = char(0x80); // removable
    data[2] = 0x02;
    data[3] = 0x02;
    data[4] = char(kInquiryLength - 5);
    QByteArray product;
    if (!m_product.isEmpty())
        product = padded(m_product, 16, ' ');
    else if (m_camera.mode() == CameraMode::Updater)
        product = padded("UPDATER", 16, ' ');
    else if (m_camera.mode() == CameraMode::UBoot)
        product = padded("UBOOT", 16, ' ');
    else
        product = QByteArray(16, '\0'); // the boot ROM answers with an empty identification
    data.replace(8, 8, padded(m_vendor, 8, ' '));
    data.replace(16, 16, product);
    data.replace(32, 4, QByteArrayLiteral("1.00"));
    return data;
}

SimMassStorage::Answer SimMassStorage::vendor(int subcommand, const std::uint8_t *data,
                                              std::uint32_t length, std::uint8_t *dataOut)
{
    const bool rom = m_camera.mode() == CameraMode::Rom;
    switch (subcommand) {
    case kSubBlock:
    case kSubLastBlock: {
        if (takeFault(QStringLiteral("storage.failTransfers")))
            return Answer::Fail;
        const QString vanishKey = QStringLiteral("storage.vanishAfterBytes");
        if (m_camera.hasFault(vanishKey)) {
            const qint64 left = m_camera.fault(vanishKey).toLongLong();
            if (qint64(length) > left) {
                m_camera.clearFault(vanishKey);
                vanish();
                return Answer::Fail;
            }
            m_camera.setFault(vanishKey, left - qint64(length));
        }
        return rom ? romBlock(subcommand, data, length) : dataBlock(subcommand, data, length);
    }
    case kSubStatus:
        return rom ? Answer::CheckCondition : statusRead(dataOut, length);
    case kSubHeader: {
        if (rom)
            return Answer::CheckCondition;
        m_pending = Download();
        m_pending.address = spt::getLe32(data);
        m_pending.size = spt::getLe32(data + 4);
        m_pending.headerDigest = QByteArray(reinterpret_cast<const char *>(data + 8), 16);
        m_received.clear();
        m_handoverPending = false;
        if (m_pending.size == 0) {
            // No part of the camera is empty: an empty image is refused, not "verified".
            m_downloading = false;
            m_pending.dataDigest = md5(QByteArray());
            m_downloads.append(m_pending);
            setStatus(false);
            return Answer::CheckCondition;
        }
        m_downloading = true;
        std::memset(m_status, 0, sizeof m_status); // busy until the data is complete
        return Answer::Good;
    }
    case kSubCommand:
        if (rom)
            return Answer::CheckCondition;
        if (m_camera.mode() == CameraMode::Updater) {
            // The updater takes downloads only; boot-loader command lines mean nothing
            // to it.
            m_commandsReceived.append(QString::fromLatin1(reinterpret_cast<const char *>(data), int(length)));
            setStatus(false);
            return Answer::CheckCondition;
        }
        return command(QByteArray(reinterpret_cast<const char *>(data), int(length)));
    default:
        return Answer::CheckCondition;
    }
}

SimMassStorage::Answer SimMassStorage::romBlock(int subcommand, const std::uint8_t *data,
                                                std::uint32_t length)
{
    // The boot ROM's buffer takes exactly 1 KiB at a time; only the last block may be
    // shorter. A block of another size spoils the program received so far.
    if (length > kRomBlock || (subcommand == kSubBlock && length != kRomBlock)) {
        m_romImage.clear();
        m_romBlocks = 0;
        return Answer::CheckCondition;
    }
    m_bytesReceived += length;
    m_romImage.append(reinterpret_cast<const char *>(data), int(length));
    ++m_romBlocks;
    if (subcommand == kSubLastBlock) {
        // The ROM starts the program it received; the updater answers on the same
        // connection from now on.
        m_updaterImage = m_romImage;
        m_updaterBlocks = m_romBlocks;
        m_romImage.clear();
        m_romBlocks = 0;
        m_camera.setMode(CameraMode::Updater);
    }
    return Answer::Good;
}

SimMassStorage::Answer SimMassStorage::dataBlock(int subcommand, const std::uint8_t *data,
                                                 std::uint32_t length)
{
    if (!m_downloading) {
        setStatus(false);
        return Answer::CheckCondition;
    }
    if (length > kDownloadBlock || (subcommand == kSubBlock && length != kDownloadBlock)) {
        // Downloads come in blocks of exactly 32 KiB, the last one at most that; any
        // other block makes the download void.
        m_downloading = false;
        m_pending.dataDigest = md5(m_received);
        m_downloads.append(m_pending);
        m_received.clear();
        setStatus(false);
        return Answer::CheckCondition;
    }
    m_bytesReceived += length;
    m_received.append(reinterpret_cast<const char *>(data), int(length));
    if (std::uint32_t(m_received.size()) > m_pending.size) {
        // More than the header announced: the download is void.
        m_downloading = false;
        m_pending.dataDigest = md5(m_received);
        m_downloads.append(m_pending);
        setStatus(false);
        return Answer::CheckCondition;
    }
    if (subcommand == kSubLastBlock)
        finishDownload();
    return Answer::Good;
}

void SimMassStorage::finishDownload()
{
    m_downloading = false;
    Download done = m_pending;
    done.dataDigest = md5(m_received);
    done.verified = std::uint32_t(m_received.size()) == done.size && done.dataDigest == done.headerDigest;
    const bool ack = done.verified && !takeFault(QStringLiteral("storage.unacknowledgedDownloads"));
    if (ack) {
        m_memory.insert(done.address, m_received);
        m_environment.insert(QStringLiteral("filesize"), QString::number(done.size, 16));
        m_environment.insert(QStringLiteral("fileaddr"), QString::number(done.address, 16));
        if (m_camera.mode() == CameraMode::Updater && done.address == kHandoverAddress)
            m_handoverPending = true;
    }
    m_downloads.append(done);
    m_received.clear();
    setStatus(ack);
}

SimMassStorage::Answer SimMassStorage::statusRead(std::uint8_t *dataOut, std::uint32_t length)
{
    if (takeFault(QStringLiteral("storage.statusNoAnswer")))
        return Answer::Fail;
    std::memset(dataOut, 0, length);
    std::memcpy(dataOut, m_status, qMin<std::uint32_t>(length, sizeof m_status));
    if (m_handoverPending) {
        // The updater starts the boot loader it was handed, which enumerates anew.
        m_handoverPending = false;
        const bool never = m_camera.fault(QStringLiteral("storage.handoverNeverReturns")).toBool();
        m_camera.rig().restart(&m_camera, never ? -1 : m_handoverMs, CameraMode::UBoot);
    }
    return Answer::Good;
}

SimMassStorage::Answer SimMassStorage::command(const QByteArray &bytes)
{
    const QString line = QString::fromLatin1(bytes.constData(), bytes.size());
    m_commandsReceived.append(line);
    const QString vanishKey = QStringLiteral("storage.vanishAfterCommands");
    if (m_camera.hasFault(vanishKey)) {
        const int left = m_camera.fault(vanishKey).toInt();
        if (left <= 0) {
            m_camera.clearFault(vanishKey);
            vanish();
            return Answer::Fail;
        }
        m_camera.setFault(vanishKey, left - 1);
    }
    const QString match = m_camera.fault(QStringLiteral("storage.unacknowledgedMatch")).toString();
    if ((match.isEmpty() || line.startsWith(match)) && takeFault(QStringLiteral("storage.unacknowledgedCommands"))) {
        setStatus(false); // dropped: the boot loader never ran it
        return Answer::Good;
    }
    setStatus(execute(line));
    return Answer::Good;
}

bool SimMassStorage::execute(const QString &line)
{
    m_commandsExecuted.append(line);
    const QStringList words = expand(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    const QString verb = words.at(0);
    if (verb == QLatin1String("setenv")) {
        if (words.size() < 2)
            return false;
        const QString value = words.mid(2).join(QLatin1Char(' '));
        if (value.isEmpty())
            m_environment.remove(words.at(1));
        else
            m_environment.insert(words.at(1), value);
        return true;
    }
    if (verb == QLatin1String("saveenv")) {
        m_savedEnvironment = m_environment;
        return true;
    }
    if (verb == QLatin1String("reset")) {
        m_resetPending = true;
        return true;
    }
    if (verb == QLatin1String("nand") && words.size() >= 2 && words.at(1).startsWith(QLatin1String("write"))) {
        // nand write[.e] <address> <partition> [<size>]
        std::uint32_t address = 0;
        if (words.size() < 4 || !parseHex(words.at(2), &address) || !m_memory.contains(address))
            return false;
        QByteArray image = m_memory.value(address);
        if (words.size() >= 5) {
            std::uint32_t size = 0;
            if (!parseHex(words.at(4), &size) || size > std::uint32_t(image.size()))
                return false;
            image.truncate(int(size));
        }
        if (image.isEmpty())
            return false; // no partition is written with nothing
        FlashWrite written;
        written.name = words.at(3);
        written.size = std::uint32_t(image.size());
        written.digest = md5(image);
        m_flashWrites.append(written);
        return true;
    }
    // Anything else runs on the boot loader without an effect the rig models.
    return true;
}

QString SimMassStorage::expand(const QString &line) const
{
    static const QRegularExpression variable(QStringLiteral("\\$\\{([^}]*)\\}"));
    QString result;
    int from = 0;
    auto it = variable.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        result += line.mid(from, m.capturedStart() - from);
        result += m_environment.value(m.captured(1));
        from = m.capturedEnd();
    }
    result += line.mid(from);
    return result;
}

void SimMassStorage::setStatus(bool ok)
{
    m_status[0] = 0x0D;
    m_status[1] = ok ? 0x00 : 0x01;
    m_status[2] = 0;
    m_status[3] = 0;
}

void SimMassStorage::resetDevice()
{
    // The boot loader restarts the camera: it comes back in normal mode with the
    // firmware version the saved environment names.
    const QString version = m_savedEnvironment.value(QStringLiteral("fw_version"));
    const bool never = m_camera.fault(QStringLiteral("storage.resetNeverReturns")).toBool();
    m_camera.rig().restart(&m_camera, never ? -1 : m_camera.restartDelayMs(), CameraMode::Normal,
                           [version](SimCamera &camera) {
                               if (!version.isEmpty())
                                   camera.setFirmwareVersion(version);
                           });
}

void SimMassStorage::vanish()
{
    const int returnMs = m_camera.fault(QStringLiteral("storage.vanishReturnMs"), -1).toInt();
    CameraMode mode = m_camera.mode();
    parseCameraMode(m_camera.fault(QStringLiteral("storage.vanishReturnMode")).toString(), &mode);
    m_camera.rig().restart(&m_camera, returnMs, mode);
}

} // namespace sim
