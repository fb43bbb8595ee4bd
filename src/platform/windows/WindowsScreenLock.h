#pragma once
#include "platform/ScreenLock.h"

#include <cstdint>

namespace platform {

// The session lock as Windows tells it: WM_WTSSESSION_CHANGE (lock and unlock) on a
// message-only window registered with WTSRegisterSessionNotification for this session.
class WindowsScreenLock : public ScreenLock
{
    Q_OBJECT
public:
    explicit WindowsScreenLock(QObject *parent = nullptr);
    ~WindowsScreenLock() override;

    // One WM_WTSSESSION_CHANGE of the window.
    void receive(std::uintptr_t event);

private:
    void *m_window = nullptr;
};

} // namespace platform
