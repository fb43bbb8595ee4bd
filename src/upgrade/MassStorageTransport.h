#pragma once
#include "platform/Volume.h"

#include <cstdint>
#include <memory>

// The mass-storage transport to a camera in one of its upgrade states: the search among
// the volumes, the INQUIRY, and the vendor 0xE8 commands that carry boot-loader command
// lines, downloads and status reads.

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

// The process-wide handle of the matched volume, or null. Every transfer takes its own
// reference for its duration, so a search on another thread that replaces the handle
// never closes it under a transfer; a replaced handle closes with its last reference.
std::shared_ptr<platform::Volume> deviceHandle();
// Drops the process-wide handle (the volume closes once no transfer holds it).
void closeDeviceHandle();

// Searches drives D to Z for the camera. On success publishes the handle as
// deviceHandle, sets the state and returns the handle; otherwise clears deviceHandle,
// sets NotFound and returns null.
std::shared_ptr<platform::Volume> findUpgradeDevice(int manufacturer, int &state);
// The standard INQUIRY on deviceHandle; the 36 bytes are copied out even on failure.
bool inquireDevice(std::uint8_t *data);
// One vendor request on deviceHandle: 0, or -1 when the platform request fails.
int vendorTransfer(std::uint8_t opcode, int subcommand, std::uint8_t direction, std::uint32_t length,
                   std::uint8_t *buffer);
int sendCommand(const char *bytes, std::uint32_t length);
int sendDownloadHeader(const DownloadHeader &header, std::uint32_t length);
int readStatus(std::uint8_t *buffer, std::uint32_t length, int tries);
int sendData(const std::uint8_t *bytes, std::uint32_t size, std::uint32_t blockSize);
// Downloads a file to the given address; -1 when it cannot be read or when neither
// attempt was acknowledged (the camera must not go on with an unverified image).
int loadFileToDevice(const char *fileName, std::uint32_t address);
// Sends a file in 1 KiB blocks without header or status (the updater to the boot ROM).
int sendRawFile(const char *fileName);
// Whether a status word acknowledges the last command or download.
bool statusAcknowledged(const std::uint8_t *status);
