#include "platform/sim/SimDeviceNotifier.h"

#include "platform/Clock.h"
#include "platform/sim/SimRig.h"

#include <QPointer>
#include <QTimer>

namespace sim {

namespace {
constexpr int kRetryMs = 20;
} // namespace

SimDeviceNotifier::SimDeviceNotifier(SimRig &rig, QObject *parent)
    : platform::DeviceNotifier(parent)
    , m_rig(rig)
{
    qRegisterMetaType<platform::DeviceChange>();
    // Timed rig events under the real clock fire from here, each when it is due (a virtual
    // clock fires them itself whenever it advances). Nothing wakes this thread while no
    // event waits: a rig at rest costs the process no time.
    m_pumpTimer = new QTimer(this);
    m_pumpTimer->setSingleShot(true);
    connect(m_pumpTimer, &QTimer::timeout, this, [this] {
        m_rig.pump();
        // An event still due was held back (a pump already under way further up this
        // thread's stack): look again a little later, not at once and again and again.
        rearm(kRetryMs);
    });
    rearm(0);
}

SimDeviceNotifier::~SimDeviceNotifier() = default;

bool SimDeviceNotifier::registerInterfaceClass(const QUuid &classGuid)
{
    const int index = m_order.size();
    if (index == m_failAt)
        return false;
    m_order.append(classGuid);
    m_registered.insert(classGuid);
    return true;
}

void SimDeviceNotifier::wake()
{
    QMetaObject::invokeMethod(this, [this] { rearm(0); }, Qt::QueuedConnection);
}

bool SimDeviceNotifier::pumpScheduled() const
{
    return m_pumpTimer->isActive();
}

void SimDeviceNotifier::rearm(int shortestWaitMs)
{
    // A day at most, so the wait fits a timer; an event further off is looked at again then.
    constexpr qint64 kLongestWaitMs = 24 * 60 * 60 * 1000;
    const qint64 due = m_rig.nextDueMs();
    if (due < 0) {
        m_pumpTimer->stop();
        return;
    }
    const qint64 left = due - platform::nowMs();
    m_pumpTimer->start(static_cast<int>(left > 0 ? qMin(left, kLongestWaitMs) : shortestWaitMs));
}

void SimDeviceNotifier::post(const platform::DeviceChange &change)
{
    QPointer<SimDeviceNotifier> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, change] {
            if (self && self->m_registered.contains(change.classGuid))
                emit self->deviceChanged(change);
        },
        Qt::QueuedConnection);
}

} // namespace sim
