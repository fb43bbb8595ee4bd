#include "platform/sim/SimVolume.h"

#include "platform/Clock.h"
#include "platform/sim/SimMassStorage.h"

namespace sim {

SimVolume::SimVolume(std::shared_ptr<Link> link, quint64 generation)
    : m_link(std::move(link))
    , m_generation(generation)
{
}

SimVolume::~SimVolume()
{
    std::lock_guard<std::mutex> lock(m_link->mutex);
    if (m_link->storage)
        m_link->storage->volumeClosed();
}

bool SimVolume::deviceIoControl(std::uint32_t code, const void *in, std::uint32_t inLength, void *out,
                                std::uint32_t outLength, std::uint32_t *bytesReturned)
{
    if (bytesReturned)
        *bytesReturned = 0;
    int delayMs = 0;
    {
        std::lock_guard<std::mutex> lock(m_link->mutex);
        if (!m_link->storage)
            return false;
        delayMs = m_link->storage->transferDelayMs(code, in, inLength);
    }
    // A slow device costs clock time; nothing is locked meanwhile.
    if (delayMs > 0)
        platform::sleepMs(delayMs);
    std::lock_guard<std::mutex> lock(m_link->mutex);
    if (!m_link->storage)
        return false;
    return m_link->storage->request(m_generation, code, in, inLength, out, outLength, bytesReturned,
                                    delayMs);
}

QString SimVolume::usbProduct() const
{
    std::lock_guard<std::mutex> lock(m_link->mutex);
    return m_link->storage ? m_link->storage->usbProduct() : QString();
}

} // namespace sim
