#include "upgrade/MassStorageTransport.h"

#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/ScsiPassThrough.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtGlobal>

#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace spt = platform::spt;

namespace {

constexpr std::uint8_t kInquiryOperation = 0x12;
constexpr std::uint32_t kInquiryLength = 36;
constexpr std::uint8_t kInquiryTarget = 1;
constexpr std::uint8_t kVendorTarget = 0;
constexpr std::uint32_t kInquiryTimeoutSeconds = 2;
constexpr std::uint32_t kVendorTimeoutSeconds = 120;
constexpr std::uint8_t kSenseLength = 24;
constexpr int kSendFailurePauseMs = 500;
constexpr int kStatusRetryPauseMs = 100;
constexpr int kStatusTries = 10;
constexpr int kBlockRetryPauseMs = 100;
constexpr int kMaxBlockFailures = 100;
constexpr int kDownloadAttempts = 2;
constexpr std::uint32_t kBytesPerPauseMs = 20480;
// Piece size of the reading pass that computes a file's digest.
constexpr qint64 kReadPiece = 0x8000;

// What blocks() reports besides 0.
constexpr int kSendFailed = -1;
constexpr int kSourceShort = -2;

// Model codes whose first five characters identify the camera's vendor field.
const char *const kModelCodes[] = {"LNS410AD"};

std::mutex g_claimMutex;
std::set<ushort> g_claimedDrives;

std::mutex g_probeMutex;
FileSizeProbe g_sizeProbe;

ushort driveKey(QChar letter)
{
    return letter.toUpper().unicode();
}

void writeHeader(std::uint8_t *buffer, std::uint8_t target, std::uint8_t cdbLength, std::uint8_t direction,
                 std::uint32_t dataLength, std::uint32_t timeoutSeconds)
{
    spt::putLe16(buffer + spt::kLength, std::uint16_t(spt::kHeaderLength));
    buffer[spt::kPathId] = 0;
    buffer[spt::kTargetId] = target;
    buffer[spt::kLun] = 0;
    buffer[spt::kCdbLength] = cdbLength;
    buffer[spt::kSenseInfoLength] = kSenseLength;
    buffer[spt::kDataIn] = direction;
    spt::putLe32(buffer + spt::kDataTransferLength, dataLength);
    spt::putLe32(buffer + spt::kTimeOutValue, timeoutSeconds);
    spt::putLe32(buffer + spt::kDataBufferOffset, spt::kDataOffset);
    spt::putLe32(buffer + spt::kSenseInfoOffset, spt::kSenseOffset);
}

bool inquire(platform::Volume *volume, std::uint8_t *data)
{
    std::vector<std::uint8_t> buffer(spt::kDataOffset + kInquiryLength, 0);
    writeHeader(buffer.data(), kInquiryTarget, 6, kDirectionIn, kInquiryLength, kInquiryTimeoutSeconds);
    std::uint8_t *cdb = buffer.data() + spt::kCdb;
    cdb[0] = kInquiryOperation;
    cdb[4] = kInquiryLength;
    std::uint32_t returned = 0;
    const bool ok = volume
                    && volume->deviceIoControl(platform::kIoctlScsiPassThrough, buffer.data(),
                                               spt::kHeaderLength, buffer.data(),
                                               std::uint32_t(buffer.size()), &returned);
    std::memcpy(data, buffer.data() + spt::kDataOffset, kInquiryLength);
    return ok;
}

int transfer(platform::Volume *volume, std::uint8_t opcode, int subcommand, std::uint8_t direction,
             std::uint32_t length, std::uint8_t *data)
{
    if (length > kMaxVendorTransfer || (length > 0 && !data))
        return -1;
    std::vector<std::uint8_t> buffer(spt::kDataOffset + length, 0);
    writeHeader(buffer.data(), kVendorTarget, 10, direction, length, kVendorTimeoutSeconds);
    std::uint8_t *cdb = buffer.data() + spt::kCdb;
    cdb[0] = opcode;
    cdb[1] = std::uint8_t(subcommand);
    spt::putBe32(cdb + 6, length);
    if (length > 0)
        std::memcpy(buffer.data() + spt::kDataOffset, data, length);
    std::uint32_t returned = 0;
    const bool ok = volume
                    && volume->deviceIoControl(platform::kIoctlScsiPassThrough, buffer.data(),
                                               std::uint32_t(buffer.size()), buffer.data(),
                                               std::uint32_t(buffer.size()), &returned);
    if (direction == kDirectionIn && length > 0)
        std::memcpy(data, buffer.data() + spt::kDataOffset, length);
    return ok ? 0 : -1;
}

int sendOut(platform::Volume *volume, int subcommand, const void *bytes, std::uint32_t length)
{
    std::vector<std::uint8_t> copy(length);
    if (length > 0)
        std::memcpy(copy.data(), bytes, length);
    if (transfer(volume, kVendorOperation, subcommand, kDirectionOut, length, copy.data()) != 0)
        platform::sleepMs(kSendFailurePauseMs);
    return 0;
}

int sendHeader(platform::Volume *volume, const DownloadHeader &header)
{
    std::uint8_t wire[24];
    spt::putLe32(wire, header.address);
    spt::putLe32(wire + 4, header.size);
    std::memcpy(wire + 8, header.md5, 16);
    return sendOut(volume, kSubcommandDownloadHeader, wire, sizeof wire);
}

// Fills the next block of a transfer; false when the source cannot deliver all of it.
using BlockSource = std::function<bool(std::uint8_t *out, std::uint32_t length)>;

// Sends size bytes in blocks, each taken once from the source and resent as it is
// after a failed send. 0, kSendFailed after more than 100 failed sends in all, or
// kSourceShort when the source came up short (the transfer is abandoned there).
int blocks(platform::Volume *volume, std::uint32_t size, std::uint32_t blockSize, const BlockSource &next)
{
    if (blockSize == 0 || blockSize > kMaxVendorTransfer)
        return kSendFailed;
    std::vector<std::uint8_t> block;
    std::uint32_t offset = 0;
    int failures = 0;
    while (offset < size) {
        const std::uint32_t remaining = size - offset;
        const std::uint32_t length = remaining <= blockSize ? remaining : blockSize;
        const int subcommand = length == remaining ? kSubcommandLastData : kSubcommandData;
        block.resize(length);
        if (!next(block.data(), length))
            return kSourceShort;
        for (;;) {
            if (transfer(volume, kVendorOperation, subcommand, kDirectionOut, length, block.data()) == 0)
                break;
            platform::sleepMs(kBlockRetryPauseMs);
            if (failures >= kMaxBlockFailures)
                return kSendFailed;
            ++failures;
        }
        offset += length;
    }
    return 0;
}

int requestStatus(platform::Volume *volume, std::uint8_t *buffer, std::uint32_t length, int tries)
{
    if (!buffer)
        return -1;
    std::memset(buffer, 0xFF, qMin<std::uint32_t>(length, 4));
    if (tries == 0)
        tries = kStatusTries;
    for (int i = 0; i < tries; ++i) {
        if (transfer(volume, kVendorOperation, kSubcommandStatus, kDirectionIn, length, buffer) == 0)
            break;
        platform::sleepMs(kStatusRetryPauseMs);
    }
    return 0;
}

// Reads exactly length bytes; false when the file delivers fewer.
bool readExactly(QFile &file, std::uint8_t *out, qint64 length)
{
    qint64 done = 0;
    while (done < length) {
        const qint64 n = file.read(reinterpret_cast<char *>(out) + done, length - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A file about to be sent, opened and read whole once. Nothing is sent unless every
// byte the size announces was read; the digest is that of exactly those bytes.
class SendFile
{
public:
    bool open(const QString &path, QByteArray *digest)
    {
        m_file.setFileName(path);
        const QByteArray name = QFile::encodeName(path);
        const QFileInfo info(path);
        if (!info.exists()) {
            qWarning("Cannot open %s for sending.", name.constData());
            return false;
        }
        // A device node or a pipe is no image, whatever it delivers (and opening a pipe
        // would wait for a writer).
        if (!info.isFile()) {
            qWarning("%s is not a regular file; nothing is sent.", name.constData());
            return false;
        }
        if (!m_file.open(QIODevice::ReadOnly)) {
            qWarning("Cannot open %s for sending.", name.constData());
            return false;
        }
        if (m_file.isSequential()) {
            qWarning("%s is not a regular file; nothing is sent.", name.constData());
            return false;
        }
        m_size = transferFileSize(path);
        if (m_size == 0) {
            qWarning("%s is empty; nothing is sent.", name.constData());
            return false;
        }
        if (m_size < 0 || m_size > kMaxDownloadFileSize) {
            qWarning("%s has %lld bytes, more than a download can carry; nothing is sent.", name.constData(),
                     static_cast<long long>(m_size));
            return false;
        }
        QCryptographicHash hash(QCryptographicHash::Md5);
        std::vector<std::uint8_t> piece(static_cast<std::size_t>(kReadPiece));
        qint64 read = 0;
        while (read < m_size) {
            const qint64 n = m_file.read(reinterpret_cast<char *>(piece.data()), qMin(kReadPiece, m_size - read));
            if (n <= 0)
                break;
            hash.addData(reinterpret_cast<const char *>(piece.data()), int(n));
            read += n;
        }
        if (read != m_size) {
            qWarning("Read only %lld of %lld bytes of %s; nothing is sent.", static_cast<long long>(read),
                     static_cast<long long>(m_size), name.constData());
            return false;
        }
        if (digest)
            *digest = hash.result();
        return true;
    }

    std::uint32_t size() const { return std::uint32_t(m_size); }

    // Sends the file from its start in blocks of the given size.
    int send(platform::Volume *volume, std::uint32_t blockSize)
    {
        if (!m_file.seek(0))
            return kSourceShort;
        const int result = blocks(volume, size(), blockSize,
                                  [this](std::uint8_t *out, std::uint32_t length) {
                                      return readExactly(m_file, out, length);
                                  });
        if (result == kSourceShort)
            qWarning("%s could not be read whole while it was sent; the transfer is abandoned.",
                     QFile::encodeName(m_file.fileName()).constData());
        return result;
    }

private:
    QFile m_file;
    qint64 m_size = 0;
};

} // namespace

qint64 transferFileSize(const QString &path)
{
    const QFileInfo info(path);
    const qint64 reported = info.exists() ? info.size() : -1;
    std::lock_guard<std::mutex> lock(g_probeMutex);
    return g_sizeProbe ? g_sizeProbe(path, reported) : reported;
}

void setFileSizeProbe(FileSizeProbe probe)
{
    std::lock_guard<std::mutex> lock(g_probeMutex);
    g_sizeProbe = std::move(probe);
}

bool claimUpgradeDrive(QChar letter)
{
    std::lock_guard<std::mutex> lock(g_claimMutex);
    return g_claimedDrives.insert(driveKey(letter)).second;
}

void releaseUpgradeDrive(QChar letter)
{
    std::lock_guard<std::mutex> lock(g_claimMutex);
    g_claimedDrives.erase(driveKey(letter));
}

bool upgradeDriveClaimed(QChar letter)
{
    std::lock_guard<std::mutex> lock(g_claimMutex);
    return g_claimedDrives.count(driveKey(letter)) > 0;
}

std::shared_ptr<platform::Volume> findUpgradeDevice(int manufacturer, int &state, QChar *driveLetter,
                                                    QChar onlyDrive)
{
    const bool only = !onlyDrive.isNull();
    const char first = only ? char(onlyDrive.toUpper().toLatin1()) : 'D';
    const char last = only ? first : 'Z';
    for (char letter = first; letter >= 'D' && letter <= last; ++letter) {
        // A drive an upgrade is bound to is left alone: not even an INQUIRY reaches it.
        if (!only && upgradeDriveClaimed(QLatin1Char(letter)))
            continue;
        std::shared_ptr<platform::Volume> volume =
            platform::backend().openVolume(QStringLiteral("\\\\.\\%1:").arg(QLatin1Char(letter)));
        if (!volume)
            continue;
        std::uint8_t data[kInquiryLength] = {};
        if (!inquire(volume.get(), data))
            continue;
        if (manufacturer < 0 || manufacturer > 2)
            continue;
        bool match = false;
        for (const char *code : kModelCodes) {
            if ((data[8] == 'G' && data[9] == 'C') || std::memcmp(data + 8, code, 5) == 0)
                match = true;
        }
        if (!match)
            continue;
        if (data[16] == 0x00) {
            state = Rom;
            qInfo("device state: ROM");
        } else if (data[16] == 'U' && data[17] == 'P' && data[18] == 'D') {
            state = Updater;
            qInfo("device state: Updater");
        } else if (data[16] == 'U' && data[17] == 'B' && data[18] == 'O') {
            state = UBoot;
            qInfo("device state: u-Boot");
        } else {
            state = NotFound;
        }
        if (driveLetter)
            *driveLetter = QLatin1Char(letter);
        return volume;
    }
    state = NotFound;
    if (driveLetter)
        *driveLetter = QChar();
    return nullptr;
}

bool inquireDevice(platform::Volume *volume, std::uint8_t *data)
{
    return inquire(volume, data);
}

int vendorTransfer(platform::Volume *volume, std::uint8_t opcode, int subcommand, std::uint8_t direction,
                   std::uint32_t length, std::uint8_t *buffer)
{
    return transfer(volume, opcode, subcommand, direction, length, buffer);
}

int sendCommand(platform::Volume *volume, const char *bytes, std::uint32_t length)
{
    return sendOut(volume, kSubcommandCommand, bytes, length);
}

int sendDownloadHeader(platform::Volume *volume, const DownloadHeader &header, std::uint32_t length)
{
    Q_UNUSED(length);
    return sendHeader(volume, header);
}

int readStatus(platform::Volume *volume, std::uint8_t *buffer, std::uint32_t length, int tries)
{
    return requestStatus(volume, buffer, length, tries);
}

int sendData(platform::Volume *volume, const std::uint8_t *bytes, std::uint32_t size, std::uint32_t blockSize)
{
    std::uint32_t offset = 0;
    const int result = blocks(volume, size, blockSize, [&](std::uint8_t *out, std::uint32_t length) {
        std::memcpy(out, bytes + offset, length);
        offset += length;
        return true;
    });
    return result == 0 ? 0 : -1;
}

bool statusAcknowledged(const std::uint8_t *status)
{
    return status[0] == 0x0D && status[1] == 0x00;
}

int loadFileToDevice(platform::Volume *volume, const QString &path, std::uint32_t address)
{
    SendFile file;
    QByteArray digest;
    if (!file.open(path, &digest))
        return -1;
    DownloadHeader header;
    header.address = address;
    header.size = file.size();
    std::memcpy(header.md5, digest.constData(), sizeof header.md5);

    for (int attempt = 0; attempt < kDownloadAttempts; ++attempt) {
        sendHeader(volume, header);
        const int sent = file.send(volume, kDownloadBlockSize);
        if (sent == kSourceShort)
            return -1;
        if (sent != 0)
            continue;
        platform::sleepMs(int(header.size / kBytesPerPauseMs));
        std::uint8_t word[4];
        requestStatus(volume, word, sizeof word, 0);
        if (statusAcknowledged(word))
            return 0;
    }
    return -1;
}

int sendRawFile(platform::Volume *volume, const QString &path)
{
    SendFile file;
    if (!file.open(path, nullptr))
        return -1;
    if (file.send(volume, kUpdaterBlockSize) == kSourceShort)
        return -1;
    return 0;
}
