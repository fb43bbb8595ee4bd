// The walk over a USB device's descriptors (sysfs "descriptors": the device descriptor
// and its configurations) that finds the vendor extension units of its video-control
// interfaces. The input is the attribute's bytes.
#include "FuzzSupport.h"

#include "platform/linux/LinuxUvcDescriptors.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray descriptors = fuzzsupport::bytes(data, size);
    const QList<platform::LinuxUvcDescriptors::ExtensionUnit> units =
        platform::LinuxUvcDescriptors::extensionUnits(descriptors);
    // Every unit takes 21 bytes or more of the input.
    if (units.size() * 21 > int(size))
        std::abort();
    static const QUuid vendorUnit(0x23E49ED0, 0x1178, 0x4F31, 0xAE, 0x52, 0xD2, 0xFB, 0x8A, 0x8D, 0x3B, 0x48);
    for (const auto &unit : units) {
        if (unit.unitId < 0 || unit.unitId > 255 || unit.interfaceNumber < 0 || unit.interfaceNumber > 255)
            std::abort();
        int found = -1;
        if (!platform::LinuxUvcDescriptors::findUnit(descriptors, unit.interfaceNumber, unit.guid, &found))
            std::abort();
    }
    int unitId = -1;
    platform::LinuxUvcDescriptors::findUnit(descriptors, 0, vendorUnit, &unitId);
    return 0;
}
