#include "platform/linux/LinuxKsControl.h"

#include "platform/linux/LinuxCaptureFilter.h"
#include "platform/linux/LinuxControlMap.h"

namespace platform {

LinuxKsControl::LinuxKsControl(std::shared_ptr<LinuxCaptureFilter> filter)
    : m_filter(std::move(filter))
{
}

HResult LinuxKsControl::ksProperty(const void *property, std::uint32_t propertyLength, void *data,
                                   std::uint32_t dataLength, std::uint32_t *bytesReturned)
{
    if (bytesReturned)
        *bytesReturned = 0;
    LinuxControlMap::Request request;
    if (!LinuxControlMap::parseRequest(property, propertyLength, data, dataLength, &request))
        return kEInvalidArg;
    PropertySet set;
    if (!LinuxControlMap::propertySet(request.set, &set))
        return LinuxControlMap::kErrorSetNotFound;
    if (request.kind == LinuxControlMap::kKindGet) {
        std::int32_t value = 0;
        std::int32_t flags = 0;
        HResult status = m_filter->getValue(set, request.id, &value, &flags);
        if (failed(status))
            return status;
        PropertyRange range;
        status = m_filter->getRange(set, request.id, &range);
        if (failed(status))
            return status;
        LinuxControlMap::writeAnswer(data, value, flags, range.capsFlags);
        if (bytesReturned)
            *bytesReturned = dataLength;
        return kSOk;
    }
    if (request.kind == LinuxControlMap::kKindSet)
        return m_filter->setValue(set, request.id, request.value, request.flags);
    return kEInvalidArg;
}

} // namespace platform
