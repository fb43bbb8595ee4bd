#pragma once
#include <QMetaType>
#include <QString>
#include <QUuid>

#include <cstdint>

namespace platform {

// Device-change broadcast codes and the device-interface header type.
constexpr std::uint32_t kDbtDeviceArrival = 0x8000;
constexpr std::uint32_t kDbtDeviceRemoveComplete = 0x8004;
constexpr std::uint32_t kDbtDevtypDeviceInterface = 5;

// Device-interface classes a window can register for.
const QUuid kCaptureInterfaceClass("{65E8773D-8F56-11D0-A3B9-00A0C9223196}");
const QUuid kUsbDeviceInterfaceClass("{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
const QUuid kDiskInterfaceClass("{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}");
const QUuid kHidInterfaceClass("{4D1E55B2-F16F-11CF-88CB-001111000030}");
const QUuid kNetInterfaceClass("{AD498944-762F-11D0-8DCB-00C04FC3358C}");

// One device-change broadcast as the window's native-event hook sees it.
struct DeviceChange
{
    std::uint32_t event = 0;      // kDbtDeviceArrival, kDbtDeviceRemoveComplete, or another code
    std::uint32_t deviceType = 0; // kDbtDevtypDeviceInterface for interface broadcasts
    QUuid classGuid;              // the device-interface class
    QString name;                 // the device-interface path, in the platform's form
};

} // namespace platform

Q_DECLARE_METATYPE(platform::DeviceChange)
