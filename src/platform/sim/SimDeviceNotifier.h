#pragma once
#include "platform/DeviceNotifier.h"

#include <QSet>

class QTimer;

namespace sim {

class SimRig;

// Delivers the rig's device-change broadcasts for the registered classes. Lives on the
// thread that created it (the GUI thread); also pumps the rig's timed events there.
class SimDeviceNotifier : public platform::DeviceNotifier
{
    Q_OBJECT
public:
    explicit SimDeviceNotifier(SimRig &rig, QObject *parent = nullptr);
    ~SimDeviceNotifier() override;

    bool registerInterfaceClass(const QUuid &classGuid) override;
    // Makes the next registration (counting from 0) fail, for tests of refusal.
    void failRegistrationAt(int index) { m_failAt = index; }
    QList<QUuid> registeredClasses() const { return m_order; }

    // Called by the rig from any thread; emits deviceChanged on this object's thread.
    void post(const platform::DeviceChange &change);
    // Called by the rig from any thread when it schedules an event: the pump's timer is
    // set again, on this object's thread, for the earliest event due.
    void wake();
    // Whether the pump's timer waits for an event (none does while the rig is at rest).
    bool pumpScheduled() const;

private:
    void rearm(int shortestWaitMs);

    SimRig &m_rig;
    QSet<QUuid> m_registered;
    QList<QUuid> m_order;
    int m_failAt = -1;
    QTimer *m_pumpTimer = nullptr;
};

} // namespace sim
