#include "platform/windows/WindowsDeviceNotifier.h"

#include "platform/windows/WindowsDeviceBroadcast.h"

#include <windows.h>
#include <dbt.h>

namespace platform {

namespace {
const wchar_t kWindowClass[] = L"lensdesk-device-notifier";

LRESULT CALLBACK notifierProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DEVICECHANGE) {
        auto *notifier = reinterpret_cast<WindowsDeviceNotifier *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (notifier)
            notifier->receive(wParam, reinterpret_cast<const void *>(lParam));
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

WindowsDeviceNotifier::WindowsDeviceNotifier(QObject *parent)
    : DeviceNotifier(parent)
{
}

WindowsDeviceNotifier::~WindowsDeviceNotifier()
{
    if (m_ownWindow)
        DestroyWindow(static_cast<HWND>(m_ownWindow));
}

void WindowsDeviceNotifier::setWindow(quintptr window)
{
    m_window = reinterpret_cast<void *>(window);
}

void *WindowsDeviceNotifier::ownWindow()
{
    if (m_ownWindow)
        return m_ownWindow;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = notifierProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass); // fails harmlessly when a second notifier registered it
    HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_ownWindow = window;
    return m_ownWindow;
}

bool WindowsDeviceNotifier::registerInterfaceClass(const QUuid &classGuid)
{
    void *window = m_window ? m_window : ownWindow();
    if (!window)
        return false;
    QByteArray filter = WindowsDeviceBroadcast::registrationFilter(classGuid);
    // The handle lives as long as the window; it is never unregistered.
    return RegisterDeviceNotificationW(static_cast<HWND>(window), filter.data(), DEVICE_NOTIFY_WINDOW_HANDLE)
           != nullptr;
}

void WindowsDeviceNotifier::receive(std::uintptr_t event, const void *broadcast)
{
    DeviceChange change;
    if (WindowsDeviceBroadcast::decode(event, broadcast, &change))
        emit deviceChanged(change);
}

} // namespace platform
