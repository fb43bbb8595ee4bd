// The readers of Windows-form device paths ("\\?\usb#vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000#{class}\global"):
// the vendor and product identifiers, the id between the first and last "#", the
// supported-camera check, the model from a name, and the hot-plug filter's path checks
// on a capture-class broadcast. The input is the path, as UTF-8.
#include "FuzzSupport.h"

#include "camera/DShowCameraWrapper.h"
#include "catalogue/Catalogue.h"
#include "platform/DeviceChange.h"
#include "ui/DeviceChangeFilter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    if (size > 4096)
        return 0;
    const QString path = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));

    quint32 vendorId = 0;
    quint32 productId = 0;
    const bool parsed = parseVidPid(path, vendorId, productId);
    const bool supported = isSupportedDevice(path, 0x3749);
    if (supported && (!parsed || vendorId != 0x3749))
        std::abort();
    modelFromVidPid(vendorId, productId);

    const QString id = DShowCameraWrapper::idFromDevicePath(path);
    if (!id.isEmpty() && !path.contains(id))
        std::abort();
    isSupportedDevice(id, 0x3749);
    modelFromName(path);
    DShowCameraWrapper::listedName(path);

    for (const std::uint32_t event : {platform::kDbtDeviceArrival, platform::kDbtDeviceRemoveComplete}) {
        platform::DeviceChange change;
        change.event = event;
        change.deviceType = platform::kDbtDevtypDeviceInterface;
        change.classGuid = platform::kCaptureInterfaceClass;
        change.name = path;
        const devicechange::Verdict verdict = devicechange::classifyDeviceChange(change);
        if (verdict.kind == devicechange::Verdict::Camera
            && (verdict.plug != (event == platform::kDbtDeviceArrival) || verdict.path != path.toLower()))
            std::abort();
    }
    return 0;
}
