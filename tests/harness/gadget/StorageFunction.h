#pragma once
#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
class Volume;
}
namespace sim {
class SimCamera;
}

// The mass-storage function of the emulated camera in its upgrade states, served over
// FunctionFS with the bulk-only transport. INQUIRY and the vendor 0xE8 commands go to
// the rig's mass-storage model (boot ROM, updater, boot loader with their digest
// checks); what the kernel's disk driver asks besides (capacity, reads and writes,
// sense) is answered from a small RAM disk here.
class StorageFunction
{
public:
    StorageFunction(sim::SimCamera &camera, const QString &functionDir);
    ~StorageFunction();

    bool start(QString *error);
    // A new volume handle from the rig: called whenever the device comes onto the bus.
    void attach();
    // Runs leave (the unplug) once the command in progress, if any, has sent its status,
    // and starts no other command meanwhile: the device answers what it was asked before
    // it restarts, as a real one does, however late this thread gets to it. A host that
    // no longer reads the answer is waited for limitMs at most.
    bool leaveAfterCommand(const std::function<bool()> &leave, int limitMs);

private:
    void controlLoop();
    void transportLoop();
    // Runs one command; data holds the OUT data or receives the IN data. Returns the
    // SCSI status (0 good, 2 check condition).
    int command(const std::uint8_t *cdb, int cdbLength, bool in, std::uint32_t length, QByteArray *data);
    int forward(const std::uint8_t *cdb, int cdbLength, std::uint8_t target, std::uint32_t timeoutS,
                std::uint8_t direction, std::uint32_t length, QByteArray *data);
    void setSense(std::uint8_t key, std::uint8_t code);

    sim::SimCamera &m_camera;
    QString m_dir;
    int m_ep0 = -1;
    int m_in = -1;
    int m_out = -1;
    std::atomic<bool> m_running{false};
    std::thread m_control;
    std::thread m_transport;
    std::mutex m_volumeMutex;
    // Held from a command block to its status.
    std::timed_mutex m_commandMutex;
    std::shared_ptr<platform::Volume> m_volume;
    QByteArray m_disk;
    std::uint8_t m_sense[18] = {};
};
