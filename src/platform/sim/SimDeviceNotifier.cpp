#include "platform/sim/SimDeviceNotifier.h"

#include "platform/sim/SimRig.h"

#include <QPointer>
#include <QTimer>

namespace sim {

SimDeviceNotifier::SimDeviceNotifier(SimRig &rig, QObject *parent)
    : platform::DeviceNotifier(parent)
    , m_rig(rig)
{
    qRegisterMetaType<platform::DeviceChange>();
    // Timed rig events under the real clock fire from here; a virtual clock fires them
    // itself whenever it advances.
    m_pumpTimer = new QTimer(this);
    m_pumpTimer->setInterval(20);
    connect(m_pumpTimer, &QTimer::timeout, this, [this] { m_rig.pump(); });
    m_pumpTimer->start();
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
