#pragma once
#include "platform/Volume.h"

#include <QtGlobal>

#include <memory>
#include <mutex>

namespace sim {

class SimMassStorage;

// One open handle on a rig volume. Like a real volume handle it belongs to one
// enumeration of the device: once the device leaves the bus every request on it fails,
// even after the device has come back (a new handle must be opened then).
class SimVolume : public platform::Volume
{
public:
    // Ties handles to their device so that a handle that outlives the rig (a process-
    // wide handle at teardown) fails cleanly instead of reaching freed memory.
    struct Link
    {
        std::mutex mutex;
        SimMassStorage *storage = nullptr;
    };

    SimVolume(std::shared_ptr<Link> link, quint64 generation);
    ~SimVolume() override;
    SimVolume(const SimVolume &) = delete;
    SimVolume &operator=(const SimVolume &) = delete;

    bool deviceIoControl(std::uint32_t code, const void *in, std::uint32_t inLength, void *out,
                         std::uint32_t outLength, std::uint32_t *bytesReturned) override;
    QString usbProduct() const override;

private:
    std::shared_ptr<Link> m_link;
    quint64 m_generation;
};

} // namespace sim
