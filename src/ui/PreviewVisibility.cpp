#include "ui/PreviewVisibility.h"

#include "platform/ScreenLock.h"

#include <QEvent>
#include <QStackedWidget>
#include <QWidget>
#include <QWindow>

PreviewVisibility::PreviewVisibility(QWidget *picture, QStackedWidget *pages, platform::ScreenLock *screenLock,
                                     QObject *parent)
    : QObject(parent)
    , m_picture(picture)
    , m_pages(pages)
    , m_window(picture ? picture->window() : nullptr)
    , m_screenLock(screenLock)
{
    if (m_picture)
        m_picture->installEventFilter(this);
    if (m_window && m_window != m_picture)
        m_window->installEventFilter(this);
    if (m_pages)
        connect(m_pages.data(), &QStackedWidget::currentChanged, this, [this] { reconsider(); });
    if (m_screenLock)
        connect(m_screenLock.data(), &platform::ScreenLock::lockedChanged, this, [this] { update(); });
    watchNativeWindow();
    m_visible = pictureSeen();
}

bool PreviewVisibility::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
    case QEvent::Expose:
    case QEvent::WinIdChange:
        reconsider();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool PreviewVisibility::pictureSeen() const
{
    if (!m_picture || !m_window)
        return false;
    if (m_screenLock && m_screenLock->isLocked())
        return false;
    // isVisible covers a hidden window, page or widget; a minimised window keeps its
    // children "visible" and only unmaps them.
    if (!m_picture->isVisible() || m_picture->width() <= 0 || m_picture->height() <= 0)
        return false;
    if (m_window->isMinimized())
        return false;
    if (m_pages) {
        const QWidget *page = m_pages->currentWidget();
        if (!page || !page->isAncestorOf(m_picture))
            return false;
    }
    // Unmapped by the window system (iconified, on a desktop not shown).
    const QWindow *native = m_window->windowHandle();
    return native && native->isExposed();
}

void PreviewVisibility::reconsider()
{
    update();
    if (m_recheckPosted)
        return;
    m_recheckPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_recheckPosted = false;
            update();
        },
        Qt::QueuedConnection);
}

void PreviewVisibility::update()
{
    watchNativeWindow();
    const bool visible = pictureSeen();
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit visibleChanged(visible);
}

void PreviewVisibility::watchNativeWindow()
{
    QWindow *native = m_window ? m_window->windowHandle() : nullptr;
    if (native == m_nativeWindow)
        return;
    if (m_nativeWindow)
        m_nativeWindow->removeEventFilter(this);
    m_nativeWindow = native;
    if (native)
        native->installEventFilter(this);
}
