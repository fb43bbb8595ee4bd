#include "camera/DShowCameraWrapper.h"

#include "catalogue/CameraModel.h"
#include "platform/Backend.h"

#include <QtDebug>

#include <cstdio>

using platform::PropertySet;

const QUuid DShowCameraWrapper::kPropSetCameraControl(0xC6E13370, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00,
                                                      0xA0, 0xC9, 0x11, 0x89, 0x56);
const QUuid DShowCameraWrapper::kPropSetVideoProcAmp(0xC6E13360, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00,
                                                     0xA0, 0xC9, 0x11, 0x89, 0x56);

namespace {

constexpr int kNameLimit = 255;

const QString kDevicePath = QStringLiteral("DevicePath");
const QString kFriendlyName = QStringLiteral("FriendlyName");
const QString kDescription = QStringLiteral("Description");

CameraPropertyState::Property *cameraControlProperty(CameraPropertyState &cameraPropertyState, int id)
{
    switch (id) {
    case 0: return &cameraPropertyState.pan;
    case 1: return &cameraPropertyState.tilt;
    case 3: return &cameraPropertyState.zoom;
    case 6: return &cameraPropertyState.focus;
    default: return nullptr;
    }
}

CameraPropertyState::Property *videoProcProperty(CameraPropertyState &cameraPropertyState, int id)
{
    switch (id) {
    case 0: return &cameraPropertyState.brightness;
    case 1: return &cameraPropertyState.contrast;
    case 2: return &cameraPropertyState.hue;
    case 3: return &cameraPropertyState.saturation;
    case 4: return &cameraPropertyState.sharpness;
    case 7: return &cameraPropertyState.whiteBalance;
    default: return nullptr;
    }
}

void storeRange(CameraPropertyState::Property &property, const platform::PropertyRange &range)
{
    property.minimum = range.minimum;
    property.maximum = range.maximum;
    property.defaultValue = range.defaultValue;
    property.step = range.step;
}

// Range first (a failure logs and leaves the property as it was), then the current
// value when it reads; the mode flags only where the caller keeps them.
bool readProperty(platform::CaptureFilter &filter, PropertySet set, std::int32_t id,
                  CameraPropertyState::Property &property, const char *rangeError, bool keepFlags,
                  const char *curLog = nullptr)
{
    platform::PropertyRange range;
    if (platform::failed(filter.getRange(set, id, &range))) {
        qDebug() << rangeError;
        return false;
    }
    storeRange(property, range);
    std::int32_t value = 0;
    std::int32_t flags = 0;
    if (!platform::failed(filter.getValue(set, id, &value, &flags))) {
        if (curLog)
            qDebug() << curLog;
        property.current = value;
        if (keepFlags)
            property.flags = flags;
    }
    return true;
}

} // namespace

DShowCameraWrapper::~DShowCameraWrapper() = default;

QString DShowCameraWrapper::idFromDevicePath(const QString &path)
{
    const int first = path.indexOf(QLatin1Char('#'));
    const int last = path.lastIndexOf(QLatin1Char('#'));
    if (first < 0 || last == first)
        return QString();
    return path.mid(first + 1, last - first - 1);
}

int DShowCameraWrapper::listCaptureDevices(QList<CameraEntry> &list)
{
    QList<std::shared_ptr<platform::CaptureDevice>> devices;
    if (platform::failed(platform::backend().enumerateVideoInputDevices(&devices)) || devices.isEmpty())
        return list.size();

    std::fputs("SETUP: Looking For Capture Devices\n", stdout);
    int position = 0;
    for (const auto &device : devices) {
        // A device whose property bag does not open takes no position.
        if (!device->openPropertyBag())
            continue;
        QString description;
        device->readProperty(kDescription, &description);

        QString id;
        QString path;
        if (device->readProperty(kDevicePath, &path)) {
            std::printf("Device path: %s\n", path.toLocal8Bit().constData());
            id = idFromDevicePath(path);
        } else {
            QString probe;
            if (!device->readProperty(kFriendlyName, &probe)) {
                ++position;
                continue;
            }
        }

        QString name;
        device->readProperty(kFriendlyName, &name);
        name = listedName(name);
        // Microphone-type capture devices are not cameras; they still take a position.
        if (name.contains(QLatin1String("MIC"), Qt::CaseInsensitive)) {
            ++position;
            continue;
        }

        const QString moniker = device->monikerDisplayName().left(kNameLimit);
        qDebug() << "name.MonikerName" << moniker;
        const QByteArray mb = moniker.toLocal8Bit();
        std::printf("Device:%s\n", mb.constData());
        qDebug() << "MB" << mb.constData();
        QString monikerName = QString::fromLocal8Bit(mb);
        monikerName.replace(QLatin1Char(':'), QLatin1Char('_'));

        CameraEntry entry;
        entry.index = position;
        entry.id = id;
        entry.name = name;
        entry.monikerName = monikerName;
        entry.serial = device->serialNumber();
        entry.node = device->videoNode();
        list.append(entry);
        qDebug() << "usb camera name:" << name << " id:" << id;
        ++position;
    }
    std::fflush(stdout);
    return list.size();
}

bool DShowCameraWrapper::selectCamera(const QString &id, const QString &name, int &index)
{
    captureFilter.reset();
    selectedSerialNumber.clear();
    index = -1;
    QList<std::shared_ptr<platform::CaptureDevice>> devices;
    if (platform::failed(platform::backend().enumerateVideoInputDevices(&devices)))
        return false;

    int position = 0;
    for (const auto &device : devices) {
        const int here = position++;
        QString deviceName = device->monikerDisplayName();
        if (!device->openPropertyBag())
            continue;
        QString friendly;
        if (device->readProperty(kFriendlyName, &friendly))
            deviceName = friendly;
        QString path;
        const QString deviceId = device->readProperty(kDevicePath, &path) ? idFromDevicePath(path) : QString();
        if (deviceId != id || listedName(deviceName) != listedName(name))
            continue;
        index = here;
        selectedSerialNumber = device->serialNumber();
        captureFilter = device->bindFilter();
        qDebug() << "get camera name:" << deviceName << " id:" << deviceId;
        break;
    }
    return captureFilter != nullptr;
}

QString DShowCameraWrapper::listedName(const QString &friendlyName)
{
    return friendlyName.left(kNameLimit);
}

void DShowCameraWrapper::releaseCamera()
{
    captureFilter.reset();
}

std::shared_ptr<platform::CaptureFilter> DShowCameraWrapper::bindFilterByPosition(int index)
{
    QList<std::shared_ptr<platform::CaptureDevice>> devices;
    if (platform::failed(platform::backend().enumerateVideoInputDevices(&devices)))
        return nullptr;
    std::shared_ptr<platform::CaptureFilter> filter;
    int position = 0;
    for (const auto &device : devices) {
        const int here = position++;
        QString name;
        if (!device->openPropertyBag() || !device->readProperty(kFriendlyName, &name))
            continue;
        qDebug() << "directshow camera info: " << index << name;
        if (here == index)
            filter = device->bindFilter();
    }
    return filter;
}

bool DShowCameraWrapper::readCameraProperties(int index, int model)
{
    const platform::HResult hr = platform::backend().createCaptureGraphBuilder();
    if (platform::failed(hr)) {
        qDebug() << "directshow CoCreateInstance error:" << hr;
        return false;
    }
    std::shared_ptr<platform::CaptureFilter> filter = bindFilterByPosition(index);
    if (!filter) {
        qDebug() << "directshow BindFilter error";
        return false;
    }

    CameraPropertyState &state = cameraPropertyState;
    const CameraModel &record = cameraModel(model);
    if (record.cameraControls && filter->hasInterface(PropertySet::CameraControl)) {
        platform::PropertyRange range;
        if (platform::failed(filter->getRange(PropertySet::CameraControl, 3, &range))) {
            qDebug() << "Get Zoom Parameter Error.";
        } else {
            std::int32_t value = 0;
            std::int32_t flags = 0;
            if (!platform::failed(filter->getValue(PropertySet::CameraControl, 3, &value, &flags))) {
                qDebug() << "Get Zoom Cur value.";
                state.zoom.current = value;
            }
            storeRange(state.zoom, range);
            qDebug() << "Zoom--->"
                     << "Flags:" << range.capsFlags << "Min:" << range.minimum << "Max:" << range.maximum
                     << "Default:" << range.defaultValue << "Cur:" << state.zoom.current;
        }
        readProperty(*filter, PropertySet::CameraControl, 0, state.pan, "Get Pan Parameter Error.", false);
        readProperty(*filter, PropertySet::CameraControl, 1, state.tilt, "Get Tilt Parameter Error.", false);
        if (record.focusRead)
            readProperty(*filter, PropertySet::CameraControl, 6, state.focus, "Get FOCUS Parameter Error.",
                         true);
    }

    if (filter->hasInterface(PropertySet::VideoProcAmp)) {
        const PropertySet vp = PropertySet::VideoProcAmp;
        readProperty(*filter, vp, 0, state.brightness, "Get Brightness Parameter Error.", false);
        readProperty(*filter, vp, 1, state.contrast, "Get Contrast Parameter Error.", false);
        readProperty(*filter, vp, 4, state.sharpness, "Get Sharpness Parameter Error.", false,
                     "Get Sharpness Cur value.");
        readProperty(*filter, vp, 2, state.hue, "Get Hue Parameter Error.", false, "Get Hue Cur value.");
        readProperty(*filter, vp, 3, state.saturation, "Get Saturation Parameter Error.", false);
        if (readProperty(*filter, vp, 7, state.whiteBalance, "Get whiteBalance Parameter Error.", true)) {
            qDebug() << "whiteBalance--->"
                     << "Min:" << state.whiteBalance.minimum << "Max:" << state.whiteBalance.maximum
                     << "Default:" << state.whiteBalance.defaultValue << "Cur:" << state.whiteBalance.current;
            qDebug() << "flag" << state.whiteBalance.flags;
        }
    }
    return true;
}

bool DShowCameraWrapper::sendRequest(const QUuid &set, int id, std::int32_t kind, std::int32_t value,
                                     std::int32_t flags, std::int32_t *valueOut, std::int32_t *flagsOut,
                                     platform::HResult *status)
{
    if (!captureFilter || !captureFilter->hasPropertyInterface()) {
        lastRequestStatus = platform::kENoInterface;
        return false;
    }
    const PropertySet which = set == kPropSetCameraControl ? PropertySet::CameraControl : PropertySet::VideoProcAmp;
    *status = kind == kKsPropertyTypeSet ? captureFilter->setValue(which, id, value, flags, valueOut, flagsOut)
                                         : captureFilter->readValue(which, id, value, flags, valueOut, flagsOut);
    lastRequestStatus = *status;
    return true;
}

bool DShowCameraWrapper::ksSet(const QUuid &set, int id, int value, std::int32_t flags,
                               std::int32_t *valueOut, std::int32_t *flagsOut)
{
    std::int32_t answered = value;
    std::int32_t answeredFlags = flags;
    platform::HResult hr = platform::kSOk;
    if (!sendRequest(set, id, kKsPropertyTypeSet, value, flags, &answered, &answeredFlags, &hr))
        return false;
    if (valueOut)
        *valueOut = answered;
    if (flagsOut)
        *flagsOut = answeredFlags;
    // A refused write is reported as such, so the caller never takes it as done.
    return !platform::failed(hr);
}

bool DShowCameraWrapper::getValue(const QUuid &set, int id, int value)
{
    std::int32_t current = 0;
    std::int32_t flags = 0;
    platform::HResult hr = platform::kSOk;
    if (!sendRequest(set, id, kKsPropertyTypeGet, value, kFlagsManual, &current, &flags, &hr))
        return false;
    // A refused read leaves the camera's last known value in place rather than storing
    // the caller's guess as the camera's.
    if (platform::failed(hr))
        return false;
    CameraPropertyState::Property *property =
        set == kPropSetCameraControl ? cameraControlProperty(cameraPropertyState, id)
                                     : videoProcProperty(cameraPropertyState, id);
    if (property)
        property->current = current;
    return true;
}

bool DShowCameraWrapper::getCameraCtlValue(int id, int value)
{
    return getValue(kPropSetCameraControl, id, value);
}

bool DShowCameraWrapper::getVideoProcValue(int id, int value)
{
    return getValue(kPropSetVideoProcAmp, id, value);
}

bool DShowCameraWrapper::setCameraCtlValue(int id, int value)
{
    return ksSet(kPropSetCameraControl, id, value, kFlagsManual, nullptr, nullptr);
}

bool DShowCameraWrapper::setVideoProcValue(int id, int value)
{
    return ksSet(kPropSetVideoProcAmp, id, value, kFlagsManual, nullptr, nullptr);
}

bool DShowCameraWrapper::setVideoProcAuto(int id)
{
    if (!captureFilter || !captureFilter->hasPropertyInterface())
        return false;
    std::int32_t value = 0;
    std::int32_t flags = 0;
    const bool ok = ksSet(kPropSetVideoProcAmp, id, 0, kFlagsAuto, &value, &flags);
    qDebug() << "devCtl.Value:" << value;
    qDebug() << "devCtl.Value:" << Qt::hex << flags;
    return ok;
}
