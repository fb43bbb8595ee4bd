#include "ui/DeviceChangeFilter.h"

#include "catalogue/Catalogue.h"
#include "platform/DeviceChange.h"

#include <QDebug>
#include <QStringList>

#include <algorithm>
#include <iterator>

namespace devicechange {

namespace {

const QString kVendorMarker = QStringLiteral("vid_3749");
const QString kInstanceSuffix = QStringLiteral("0000");

// Class identifiers are compared as four 32-bit words, as the broadcast carries them.
bool sameClass(const QUuid &a, const QUuid &b)
{
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3
           && std::equal(std::begin(a.data4), std::end(a.data4), std::begin(b.data4));
}

} // namespace

Verdict classifyDeviceChange(const platform::DeviceChange &change)
{
    Verdict verdict;
    const bool arrival = change.event == platform::kDbtDeviceArrival;
    if (!arrival && change.event != platform::kDbtDeviceRemoveComplete)
        return verdict;
    if (change.deviceType != platform::kDbtDevtypDeviceInterface
        || !sameClass(change.classGuid, platform::kCaptureInterfaceClass))
        return verdict;

    const QString &path = change.name;
    qDebug() << (arrival ? "devicePath in" : "devicePath out") << path;

    const QStringList parts = path.split(QLatin1Char('#'), Qt::KeepEmptyParts);
    if (parts.size() != 4) {
        qDebug() << "camera logic error";
        verdict.kind = Verdict::NotHandled;
        return verdict;
    }
    const QStringList pieces = parts.at(2).split(QLatin1Char('&'), Qt::KeepEmptyParts);
    if (pieces.size() != 4) {
        qDebug() << "camera logic error";
        verdict.kind = Verdict::NotHandled;
        return verdict;
    }
    // Only the camera's first interface instance stands for the camera; the others
    // come and go with it.
    if (pieces.at(3) != kInstanceSuffix) {
        verdict.kind = Verdict::NotHandled;
        return verdict;
    }
    if (!path.contains(kVendorMarker, Qt::CaseInsensitive)) {
        qDebug() << "vid no support";
        verdict.kind = Verdict::NotHandled;
        return verdict;
    }
    for (const QString &marker : hotplugProductMarkers()) {
        if (path.contains(marker, Qt::CaseInsensitive)) {
            qDebug() << (arrival ? "usb camera in" : "usb camera out");
            verdict.kind = Verdict::Camera;
            verdict.plug = arrival;
            verdict.path = path.toLower();
            return verdict;
        }
    }
    return verdict;
}

} // namespace devicechange
