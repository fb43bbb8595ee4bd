#include "platform/sim/SimCaptureDevice.h"

#include "platform/sim/SimCamera.h"
#include "platform/sim/SimCaptureFilter.h"

namespace sim {

SimCaptureDevice::SimCaptureDevice(SimUvcCamera::Handle handle)
    : m_handle(std::move(handle))
{
}

bool SimCaptureDevice::openPropertyBag()
{
    bool opens = false;
    m_handle.call([&](SimUvcCamera &uvc) {
        opens = uvc.propertyBagOpens();
        return platform::kSOk;
    });
    return opens;
}

bool SimCaptureDevice::readProperty(const QString &name, QString *value)
{
    bool read = false;
    m_handle.call([&](SimUvcCamera &uvc) {
        read = uvc.readBagProperty(name, value);
        return platform::kSOk;
    });
    return read;
}

QString SimCaptureDevice::monikerDisplayName()
{
    QString name;
    m_handle.call([&](SimUvcCamera &uvc) {
        name = uvc.monikerDisplayName();
        return platform::kSOk;
    });
    return name;
}

QString SimCaptureDevice::serialNumber()
{
    QString serial;
    m_handle.call([&](SimUvcCamera &uvc) {
        serial = uvc.camera().serialNumber();
        return platform::kSOk;
    });
    return serial;
}

QString SimCaptureDevice::videoNode()
{
    QString node;
    m_handle.call([&](SimUvcCamera &uvc) {
        node = uvc.camera().videoNode();
        return platform::kSOk;
    });
    return node;
}

std::shared_ptr<platform::CaptureFilter> SimCaptureDevice::bindFilter()
{
    std::shared_ptr<platform::CaptureFilter> filter;
    m_handle.call([&](SimUvcCamera &uvc) {
        platform::HResult status = platform::kSOk;
        if (!uvc.faultStatus(QStringLiteral("capture.bindFilter"), &status))
            filter = std::make_shared<SimCaptureFilter>(m_handle);
        return status;
    });
    return filter;
}

} // namespace sim
