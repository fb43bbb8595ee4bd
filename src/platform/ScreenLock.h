#pragma once
#include <QObject>

namespace platform {

// Whether the user's session is locked (or its screen saver covers the screen), where
// the platform tells it: nobody can see a window then. Lives on the GUI thread, owned by
// the backend. Where the platform cannot tell, it stays "not locked".
class ScreenLock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool isLocked() const { return m_locked; }

signals:
    void lockedChanged(bool locked);

protected:
    // Says lockedChanged when the state changes.
    void setLocked(bool locked);

private:
    bool m_locked = false;
};

} // namespace platform
