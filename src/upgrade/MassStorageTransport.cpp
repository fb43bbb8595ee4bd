#include "upgrade/MassStorageTransport.h"

#include "platform/Backend.h"
#include "platform/Clock.h"
#include "platform/ScsiPassThrough.h"

#include <QCryptographicHash>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <cstring>
#include <mutex>
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

// Model codes whose first five characters identify the camera's vendor field.
const char *const kModelCodes[] = {"LNS410AD"};

std::mutex g_handleMutex;
std::shared_ptr<platform::Volume> g_deviceHandle;

void publishHandle(std::shared_ptr<platform::Volume> handle)
{
    std::shared_ptr<platform::Volume> previous;
    {
        std::lock_guard<std::mutex> lock(g_handleMutex);
        previous.swap(g_deviceHandle);
        g_deviceHandle = std::move(handle);
    }
    // The previous handle closes here unless a transfer still holds it.
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

int status(platform::Volume *volume, std::uint8_t *buffer, std::uint32_t length, int tries)
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

int blocks(platform::Volume *volume, const std::uint8_t *bytes, std::uint32_t size, std::uint32_t blockSize)
{
    if (blockSize == 0 || blockSize > kMaxVendorTransfer)
        return -1;
    std::vector<std::uint8_t> block;
    std::uint32_t offset = 0;
    int failures = 0;
    while (offset < size) {
        const std::uint32_t remaining = size - offset;
        const std::uint32_t length = remaining <= blockSize ? remaining : blockSize;
        const int subcommand = length == remaining ? kSubcommandLastData : kSubcommandData;
        block.assign(bytes + offset, bytes + offset + length);
        if (transfer(volume, kVendorOperation, subcommand, kDirectionOut, length, block.data()) == 0) {
            offset += length;
            continue;
        }
        platform::sleepMs(kBlockRetryPauseMs);
        if (failures >= kMaxBlockFailures)
            return -1;
        ++failures;
    }
    return 0;
}

// Reads a whole file as raw bytes; false when it cannot be read or does not fit the
// 32-bit size of a download.
bool readWholeFile(const char *fileName, QByteArray *bytes)
{
    if (!fileName || !*fileName)
        return false;
    QFile file(QString::fromLocal8Bit(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > qint64(0xFFFFFFFFu))
        return false;
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

} // namespace

std::shared_ptr<platform::Volume> deviceHandle()
{
    std::lock_guard<std::mutex> lock(g_handleMutex);
    return g_deviceHandle;
}

void closeDeviceHandle()
{
    publishHandle(nullptr);
}

std::shared_ptr<platform::Volume> findUpgradeDevice(int manufacturer, int &state)
{
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        // A candidate stays private to this search: publishing it before it is known
        // to be the camera would let another thread's transfer reach a plain disk.
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
        publishHandle(volume);
        return volume;
    }
    publishHandle(nullptr);
    state = NotFound;
    return nullptr;
}

bool inquireDevice(std::uint8_t *data)
{
    const std::shared_ptr<platform::Volume> volume = deviceHandle();
    return inquire(volume.get(), data);
}

int vendorTransfer(std::uint8_t opcode, int subcommand, std::uint8_t direction, std::uint32_t length,
                   std::uint8_t *buffer)
{
    const std::shared_ptr<platform::Volume> volume = deviceHandle();
    return transfer(volume.get(), opcode, subcommand, direction, length, buffer);
}

int sendCommand(const char *bytes, std::uint32_t length)
{
    const std::shared_ptr<platform::Volume> volume = deviceHandle();
    return sendOut(volume.get(), kSubcommandCommand, bytes, length);
}

int sendDownloadHeader(const DownloadHeader &header, std::uint32_t length)
{
    Q_UNUSED(length);
    const std::shared_ptr<platform::Volume> volume = deviceHandle();
    return sendHeader(volume.get(), header);
}

int readStatus(std::uint8_t *buffer, std::uint32_t length, int tries)
{
    const std::shared_ptr<platform::Volume> volume = deviceHandle();
    return status(volume.get(), buffer, length, tries);
}

int sendData(const std::uint8_t *bytes, std::uint32_t size, std::uint32_t blockSize)
{
    const std::shared_ptr<platform::Volume> volume = deviceHandle();
    return blocks(volume.get(), bytes, size, blockSize);
}

bool statusAcknowledged(const std::uint8_t *status)
{
    return status[0] == 0x0D && status[1] == 0x00;
}

int loadFileToDevice(const char *fileName, std::uint32_t address)
{
    QByteArray bytes;
    if (!readWholeFile(fileName, &bytes))
        return -1;
    DownloadHeader header;
    header.address = address;
    header.size = std::uint32_t(bytes.size());
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
    std::memcpy(header.md5, digest.constData(), sizeof header.md5);

    // One handle for the header, the data and the status of every attempt.
    const std::shared_ptr<platform::Volume> volume = deviceHandle();
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    for (int attempt = 0; attempt < kDownloadAttempts; ++attempt) {
        sendHeader(volume.get(), header);
        if (blocks(volume.get(), data, header.size, kDownloadBlockSize) != 0)
            continue;
        platform::sleepMs(int(header.size / kBytesPerPauseMs));
        std::uint8_t word[4];
        status(volume.get(), word, sizeof word, 0);
        if (statusAcknowledged(word))
            return 0;
    }
    return -1;
}

int sendRawFile(const char *fileName)
{
    QByteArray bytes;
    if (!readWholeFile(fileName, &bytes))
        return -1;
    const std::shared_ptr<platform::Volume> volume = deviceHandle();
    blocks(volume.get(), reinterpret_cast<const std::uint8_t *>(bytes.constData()),
           std::uint32_t(bytes.size()), kUpdaterBlockSize);
    return 0;
}
