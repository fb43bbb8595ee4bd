#pragma once
#include "platform/DeviceNotifier.h"

namespace platform {

// Device changes on Windows: RegisterDeviceNotificationW for each interface class on the
// window given with setWindow (whose WM_DEVICECHANGE the window handles itself), or,
// without one, on a message-only window of the notifier's own that delivers the
// broadcasts as deviceChanged.
class WindowsDeviceNotifier : public DeviceNotifier
{
    Q_OBJECT
public:
    explicit WindowsDeviceNotifier(QObject *parent = nullptr);
    ~WindowsDeviceNotifier() override;

    void setWindow(quintptr window) override;
    bool registerInterfaceClass(const QUuid &classGuid) override;

    // One WM_DEVICECHANGE of the notifier's own window.
    void receive(std::uintptr_t event, const void *broadcast);

private:
    void *ownWindow();

    void *m_window = nullptr;
    void *m_ownWindow = nullptr;
};

} // namespace platform
