#include "platform/linux/LinuxScreenLock.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace platform {

namespace {
struct Saver
{
    const char *service;
    const char *path;
    const char *interface;
    const char *slot;
};

const Saver kSavers[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
     SLOT(freedesktopActiveChanged(bool))},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", SLOT(gnomeActiveChanged(bool))},
};
} // namespace

LinuxScreenLock::LinuxScreenLock(QObject *parent)
    : ScreenLock(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    for (const Saver &saver : kSavers) {
        const QString service = QString::fromLatin1(saver.service);
        const QString path = QString::fromLatin1(saver.path);
        const QString interface = QString::fromLatin1(saver.interface);
        bus.connect(service, path, interface, QStringLiteral("ActiveChanged"), this, saver.slot);
        // Asked without waiting: a screen saver that is not there answers with an error
        // at once, one that hangs must not hold the window up.
        const QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetActive"));
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, interface](QDBusPendingCallWatcher *w) {
            const QDBusPendingReply<bool> reply = *w;
            if (!reply.isError())
                setActive(interface, reply.value());
            w->deleteLater();
        });
    }
}

void LinuxScreenLock::freedesktopActiveChanged(bool active)
{
    setActive(QString::fromLatin1(kSavers[0].interface), active);
}

void LinuxScreenLock::gnomeActiveChanged(bool active)
{
    setActive(QString::fromLatin1(kSavers[1].interface), active);
}

void LinuxScreenLock::setActive(const QString &interface, bool active)
{
    if (active)
        m_active.insert(interface);
    else
        m_active.remove(interface);
    setLocked(!m_active.isEmpty());
}

} // namespace platform
