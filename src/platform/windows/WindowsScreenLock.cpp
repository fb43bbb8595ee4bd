#include "platform/windows/WindowsScreenLock.h"

#include <windows.h>
#include <wtsapi32.h>

namespace platform {

namespace {
const wchar_t kWindowClass[] = L"lensdesk-screen-lock";

LRESULT CALLBACK screenLockProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WTSSESSION_CHANGE) {
        auto *lock = reinterpret_cast<WindowsScreenLock *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (lock)
            lock->receive(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

WindowsScreenLock::WindowsScreenLock(QObject *parent)
    : ScreenLock(parent)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = screenLockProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass); // fails harmlessly when registered before
    HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!window)
        return;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (!WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION)) {
        DestroyWindow(window);
        return;
    }
    m_window = window;
}

WindowsScreenLock::~WindowsScreenLock()
{
    if (!m_window)
        return;
    WTSUnRegisterSessionNotification(static_cast<HWND>(m_window));
    DestroyWindow(static_cast<HWND>(m_window));
}

void WindowsScreenLock::receive(std::uintptr_t event)
{
    if (event == WTS_SESSION_LOCK)
        setLocked(true);
    else if (event == WTS_SESSION_UNLOCK)
        setLocked(false);
}

} // namespace platform
