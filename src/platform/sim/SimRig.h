#pragma once
#include "platform/DeviceChange.h"
#include "platform/sim/SimCamera.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace sim {

class SimDeviceNotifier;

// A deterministic, in-process model of the hardware: the cameras on the bus, their
// comings and goings, and the device-change events a real system raises for them.
// Every method may be called from any thread; the rig serialises itself.
class SimRig
{
public:
    SimRig();
    ~SimRig();

    // Builds a rig from a rig file's JSON; null with a message when it does not parse.
    static std::unique_ptr<SimRig> fromJson(const QByteArray &json, QString *error);
    static std::unique_ptr<SimRig> fromFile(const QString &path, QString *error);
    // The rig as it is now, as a rig file: every device with its present feature
    // values, standard properties, mode, firmware and whether it is plugged (these
    // become the start and factory values of a rig loaded from it). Timed events that
    // have not run are left out.
    QByteArray stateJson() const;
    // The built-in rig: one model-0 camera.
    static QByteArray defaultRigJson();
    // Checks the numbers of one device entry (of "cameras" or "volumes", or of the
    // control channel's "add") that become integers or durations: each number given
    // must be whole and within its range. False with a message naming the entry (where,
    // e.g. "cameras[0]") and the key.
    static bool checkDeviceNumbers(const QJsonObject &config, const QString &where, QString *error);
    // The longest time the rig file may name (restart delays, event times, slow
    // faults): a day.
    static constexpr qint64 kMaxDurationMs = 86400000;

    // Adds a device described like one entry of the rig file's "cameras" array. A
    // device that starts plugged raises its arrival events.
    SimCamera *addCamera(const QJsonObject &config);

    QList<SimCamera *> cameras() const;
    // Adds a plain disk, described like one entry of the rig file's "volumes" array:
    // a volume on its drive letter that is no capture device and answers INQUIRY
    // with another vendor.
    SimCamera *addVolume(const QJsonObject &config);
    QList<SimCamera *> volumes() const;
    SimCamera *camera(const QString &key) const;
    // The present device in a normal (video-class) mode whose moniker name, with every
    // ":" turned into "_", equals the given one.
    SimCamera *cameraByCaptureName(const QString &monikerUnderscored) const;

    // Bus events.
    void plug(SimCamera *camera);
    void unplug(SimCamera *camera);
    // Leaves the bus now; comes back after delayMs (negative: never) in the given mode,
    // after onReturn has updated the camera.
    void restart(SimCamera *camera, int delayMs, CameraMode comeBackAs,
                 std::function<void(SimCamera &)> onReturn = {});

    // Timed work on the clock in force. pump() runs what is due; the rig pumps itself
    // on every advance of a virtual clock, on every request, and from a timer on the
    // GUI thread under the real clock.
    void schedule(qint64 delayMs, std::function<void()> work);
    void pump();
    int pendingEvents() const;
    // When the earliest timed event is due (on the clock's milliseconds), -1 if none is.
    qint64 nextDueMs() const;

    // Device-change delivery.
    void setNotifier(SimDeviceNotifier *notifier);
    SimDeviceNotifier *notifier() const { return m_notifier; }
    // Raises one device-change broadcast (delivered queued on the notifier's thread).
    void raise(const platform::DeviceChange &change);
    // Every broadcast raised so far, in order.
    QList<platform::DeviceChange> raisedEvents() const;
    void clearRaisedEvents();

    // The session's screen lock, as a desktop's screen saver reports it; the listener
    // (the backend's screen lock) hears each change, on the caller's thread.
    void setScreenLocked(bool locked);
    bool screenLocked() const;
    void setScreenLockListener(std::function<void(bool)> listener);

    // Applies a control command ("plug cam1", "unplug cam1", "restart cam1 [ms]",
    // "rom cam1", "updater cam1", "uboot cam1", "normal cam1", and "lock" and "unlock"
    // of the screen); false with a message for an unknown command or device.
    bool command(const QString &line, QString *error);

    std::recursive_mutex &mutex() const { return m_mutex; }

private:
    void raiseArrivalOrRemoval(SimCamera *camera, bool arrival);
    void attachClock();

    mutable std::recursive_mutex m_mutex;
    std::vector<std::unique_ptr<SimCamera>> m_cameras;
    std::vector<std::unique_ptr<SimCamera>> m_volumes;
    struct Timed
    {
        qint64 due;
        quint64 order;
        std::function<void()> work;
        // Earlier due time first, then the order scheduled.
        static bool sooner(const Timed &a, const Timed &b);
    };
    std::vector<Timed> m_timed;
    quint64 m_nextOrder = 0;
    SimDeviceNotifier *m_notifier = nullptr;
    bool m_screenLocked = false;
    std::function<void(bool)> m_screenLockListener;
    QList<platform::DeviceChange> m_raised;
    int m_clockListener = 0;
    bool m_pumping = false;
};

} // namespace sim
