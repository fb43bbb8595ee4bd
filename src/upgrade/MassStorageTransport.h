#pragma once
#include "platform/Volume.h"

#include <QChar>
#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <memory>

// The mass-storage transport to a camera in one of its upgrade states: the search among
// the volumes, the INQUIRY, and the vendor 0xE8 commands that carry boot-loader command
// lines, downloads and status reads.
//
// There is no process-wide device handle: every transfer names the volume it goes to,
// so that a search (the watcher's every second, or anybody's) can never redirect the
// transfers of an upgrade to another camera. UpgradeDevice binds one upgrade to one
// volume.

// The state the camera answers in (carried to the window as an int).
enum UpgradeDeviceState {
    Rom = 0,
    Updater = 1,
    UBoot = 2,
    NotFound = 3
};

// Sent before a file download (24 bytes on the wire, little-endian fields).
struct DownloadHeader
{
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    std::uint8_t md5[16] = {};
};

constexpr std::uint8_t kVendorOperation = 0xE8;
constexpr int kSubcommandData = 1;
constexpr int kSubcommandStatus = 2;
constexpr int kSubcommandLastData = 4;
constexpr int kSubcommandDownloadHeader = 5;
constexpr int kSubcommandCommand = 6;
constexpr std::uint8_t kDirectionOut = 0;
constexpr std::uint8_t kDirectionIn = 1;
constexpr int kDownloadBlockSize = 0x8000;
constexpr int kUpdaterBlockSize = 1024;
constexpr std::uint32_t kMaxVendorTransfer = 65536;
constexpr std::uint32_t kHandoverAddress = 0xFFFFFFFFu;
// The header carries a 32-bit size.
constexpr qint64 kMaxDownloadFileSize = 0xFFFFFFFFll;

// Searches drives D to Z for the camera and returns the first match with its state
// (NotFound for a matching identity with an unknown signature) and its drive letter;
// null with NotFound when there is none. Drives claimed by an upgrade in progress are
// passed by, unless onlyDrive names one: then only that drive is looked at (an upgrade
// looking for its own camera again after it re-enumerated).
std::shared_ptr<platform::Volume> findUpgradeDevice(int manufacturer, int &state, QChar *driveLetter = nullptr,
                                                    QChar onlyDrive = QChar());

// Claims a drive for one upgrade: searches that do not name it pass it by. False when
// another upgrade holds it.
bool claimUpgradeDrive(QChar letter);
void releaseUpgradeDrive(QChar letter);
bool upgradeDriveClaimed(QChar letter);

// The standard INQUIRY; the 36 bytes are copied out even on failure.
bool inquireDevice(platform::Volume *volume, std::uint8_t *data);
// One vendor request: 0, or -1 when the platform request fails (or there is no volume).
int vendorTransfer(platform::Volume *volume, std::uint8_t opcode, int subcommand, std::uint8_t direction,
                   std::uint32_t length, std::uint8_t *buffer);
int sendCommand(platform::Volume *volume, const char *bytes, std::uint32_t length);
int sendDownloadHeader(platform::Volume *volume, const DownloadHeader &header, std::uint32_t length);
int readStatus(platform::Volume *volume, std::uint8_t *buffer, std::uint32_t length, int tries);
int sendData(platform::Volume *volume, const std::uint8_t *bytes, std::uint32_t size, std::uint32_t blockSize);
// Downloads a file to the given address, streamed in 32 KiB blocks. The file is read
// whole once for its digest before anything is sent; it goes only when every byte of
// it was read. -1 when it cannot be read whole, is empty or larger than a header can
// announce, or when neither attempt was acknowledged (the camera must not go on with
// an unverified image).
int loadFileToDevice(platform::Volume *volume, const QString &path, std::uint32_t address);
// Sends a file in 1 KiB blocks without header or status (the updater to the boot ROM),
// only after it was read whole. -1 when it cannot be read whole or is empty.
int sendRawFile(platform::Volume *volume, const QString &path);
// Whether a status word acknowledges the last command or download.
bool statusAcknowledged(const std::uint8_t *status);

// The size of a file that is about to be sent, as the file system reports it (-1 when
// it does not exist).
qint64 transferFileSize(const QString &path);
// Test seam: replaces the size the file system reports for a file about to be sent, so
// that a read that comes up short can be tested without a file of gigabytes on disk.
// An empty function restores the file system's size.
using FileSizeProbe = std::function<qint64(const QString &path, qint64 reported)>;
void setFileSizeProbe(FileSizeProbe probe);
