#pragma once
#include "platform/ScreenLock.h"

#include <QSet>
#include <QString>

namespace platform {

// The screen lock as the desktop's screen saver tells it on the session bus: the
// freedesktop interface (KDE, Xfce, LXQt, Cinnamon, MATE) and GNOME's own, each with its
// GetActive call and ActiveChanged signal. Locked while any of them says active. Without
// a session bus or a screen saver on it, it stays "not locked".
class LinuxScreenLock : public ScreenLock
{
    Q_OBJECT
public:
    explicit LinuxScreenLock(QObject *parent = nullptr);

private slots:
    // ActiveChanged of each interface.
    void freedesktopActiveChanged(bool active);
    void gnomeActiveChanged(bool active);

private:
    void setActive(const QString &interface, bool active);

    // The interfaces that last said active.
    QSet<QString> m_active;
};

} // namespace platform
