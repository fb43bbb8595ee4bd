#pragma once
#include <QObject>
#include <QPointer>

class QStackedWidget;
class QWidget;
class QWindow;

namespace platform {
class ScreenLock;
}

// Whether anybody can see the live picture: its window shown, not minimised and mapped
// on screen, the page that holds the picture the current one, the picture's own widget
// shown and not empty, and the session not locked (where the platform tells it). The window tells its preview worker, which then stops decoding
// pictures nobody sees while the camera streams on.
//
// Watches the window's show, hide and state changes, its native window's exposure, the
// page stack, the picture's widget and the screen lock; says visibleChanged when the
// answer changes.
class PreviewVisibility : public QObject
{
    Q_OBJECT
public:
    PreviewVisibility(QWidget *picture, QStackedWidget *pages, platform::ScreenLock *screenLock,
                      QObject *parent = nullptr);

    bool isVisible() const { return m_visible; }

signals:
    void visibleChanged(bool visible);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool pictureSeen() const;
    // Decides now, and once more when the events in hand are done: some states (the
    // native window's exposure, a page's children) settle only after the event that
    // announced the change.
    void reconsider();
    void update();
    // The native window exists only once the window has been shown.
    void watchNativeWindow();

    QPointer<QWidget> m_picture;
    QPointer<QStackedWidget> m_pages;
    QPointer<QWidget> m_window;
    QPointer<QWindow> m_nativeWindow;
    QPointer<platform::ScreenLock> m_screenLock;
    bool m_visible = false;
    bool m_recheckPosted = false;
};
