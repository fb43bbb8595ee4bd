#include "upgrade/CameraInventory.h"

#include "camera/DShowCameraWrapper.h"
#include "camera/UVCExtensionUnit.h"
#include "catalogue/Catalogue.h"
#include "upgrade/MassStorageTransport.h"

#include <QRegularExpression>

CameraInventory::CameraInventory(int productLine)
    : m_productLine(productLine)
{
}

QString CameraInventory::readFirmware(const QString &id, const QString &name)
{
    UVCExtensionUnit uvc;
    if (!uvc.InitUvc(id, name))
        return QString();
    QString version;
    if (!uvc.readFirmwareVersion(version))
        version.clear();
    uvc.ReleaseUvc();
    return version;
}

QList<ListedCamera> CameraInventory::scan(bool readFirmware) const
{
    QList<ListedCamera> cameras;
    const quint32 vendorId = manufacturerLookup(m_productLine).vendorId;
    DShowCameraWrapper dshow;
    QList<CameraEntry> entries;
    dshow.listCaptureDevices(entries);
    for (const CameraEntry &entry : qAsConst(entries)) {
        if (!isSupportedDevice(entry.id, vendorId))
            continue;
        ListedCamera camera;
        camera.number = cameras.size() + 1;
        camera.state = QStringLiteral("normal");
        camera.path = entry.id;
        camera.name = entry.name;
        camera.serial = entry.serial;
        camera.videoNode = entry.node;
        camera.model = modelFromName(entry.name);
        quint32 vid = 0;
        quint32 pid = 0;
        parseVidPid(entry.id, vid, pid);
        camera.identityModel = modelFromVidPid(vid, pid);
        if (readFirmware)
            camera.firmware = CameraInventory::readFirmware(entry.id, entry.name);
        cameras.append(camera);
    }
    for (ListedCamera camera : scanBootStates()) {
        camera.number = cameras.size() + 1;
        cameras.append(camera);
    }
    return cameras;
}

QMap<int, int> CameraInventory::hiddenByManufacturer() const
{
    QMap<int, int> hidden;
    const quint32 vendorId = manufacturerLookup(m_productLine).vendorId;
    DShowCameraWrapper dshow;
    QList<CameraEntry> entries;
    dshow.listCaptureDevices(entries);
    for (const CameraEntry &entry : qAsConst(entries)) {
        if (isSupportedDevice(entry.id, vendorId))
            continue;
        for (const Manufacturer &maker : manufacturerTable()) {
            if (maker.vendorId != vendorId && isSupportedDevice(entry.id, maker.vendorId)) {
                ++hidden[maker.manufacturer];
                break;
            }
        }
    }
    return hidden;
}

QList<ListedCamera> CameraInventory::scanBootStates() const
{
    QList<ListedCamera> cameras;
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        int state = NotFound;
        QChar drive;
        const std::shared_ptr<platform::Volume> volume =
            findUpgradeDevice(m_productLine, state, &drive, QLatin1Char(letter));
        if (!volume)
            continue;
        if (state != Rom && state != Updater && state != UBoot)
            continue;
        ListedCamera camera;
        camera.number = cameras.size() + 1;
        camera.state = state == Rom ? QStringLiteral("rom")
                                    : state == Updater ? QStringLiteral("updater") : QStringLiteral("uboot");
        camera.path = QStringLiteral("\\\\.\\%1:").arg(drive);
        camera.drive = drive;
        camera.name = QStringLiteral("camera on %1:").arg(drive);
        // Known only where the device behind the volume names its product, by the rule
        // that gives a camera's model from its name.
        camera.model = modelFromName(volume->usbProduct());
        cameras.append(camera);
    }
    return cameras;
}

CameraInventory::Selection CameraInventory::select(const QList<ListedCamera> &cameras, const QString &selector,
                                                   QList<ListedCamera> *matches)
{
    matches->clear();
    QString wanted = selector.trimmed();
    bool byPath = true;
    bool byName = true;
    if (wanted.startsWith(QLatin1String("name:"))) {
        byPath = false;
        wanted = wanted.mid(5);
    } else if (wanted.startsWith(QLatin1String("path:"))) {
        byName = false;
        wanted = wanted.mid(5);
    } else {
        static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
        if (number.match(wanted).hasMatch()) {
            // A number is an index and nothing else: one that is not listed selects no
            // camera, whatever paths or names hold its digits.
            bool ok = false;
            const int n = wanted.toInt(&ok);
            for (const ListedCamera &camera : cameras) {
                if (ok && camera.number == n) {
                    matches->append(camera);
                    return Selected;
                }
            }
            return NoMatch;
        }
    }
    if (wanted.isEmpty())
        return NoMatch;
    for (const ListedCamera &camera : cameras) {
        if ((byPath && camera.path.contains(wanted, Qt::CaseInsensitive))
            || (byName && camera.name.contains(wanted, Qt::CaseInsensitive)))
            matches->append(camera);
    }
    if (matches->isEmpty())
        return NoMatch;
    return matches->size() == 1 ? Selected : Ambiguous;
}
