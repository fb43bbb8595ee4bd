#include "ui/FramelessWindow.h"

#include "ui/TitleBar.h"

#include <QApplication>
#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

int FramelessWindow::hitTest(const QRect &window, const QPoint &cursor, bool horizontallyResizable,
                             bool verticallyResizable)
{
    const int left = window.x();
    const int top = window.y();
    const int right = window.x() + window.width();
    const int bottom = window.y() + window.height();
    const int x = cursor.x();
    const int y = cursor.y();

    const bool onLeft = horizontallyResizable && x >= left && x < left + kBorderWidth;
    const bool onRight = horizontallyResizable && x >= right - kBorderWidth && x < right;
    const bool onBottom = verticallyResizable && y >= bottom - kBorderWidth && y < bottom;
    const bool onTop = verticallyResizable && y >= top && y < top + kBorderWidth;

    if (onLeft && onBottom)
        return HitBottomLeft;
    if (onRight && onBottom)
        return HitBottomRight;
    if (onLeft && onTop)
        return HitTopLeft;
    if (onRight && onTop)
        return HitTopRight;
    if (onLeft)
        return HitLeft;
    if (onRight)
        return HitRight;
    if (onBottom)
        return HitBottom;
    if (onTop)
        return HitTop;
    return HitNone;
}

Qt::Edges FramelessWindow::edgesOf(int hit)
{
    switch (hit) {
    case HitLeft: return Qt::LeftEdge;
    case HitRight: return Qt::RightEdge;
    case HitTop: return Qt::TopEdge;
    case HitBottom: return Qt::BottomEdge;
    case HitTopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case HitTopRight: return Qt::TopEdge | Qt::RightEdge;
    case HitBottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case HitBottomRight: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

namespace {

Qt::CursorShape cursorFor(int hit)
{
    switch (hit) {
    case FramelessWindow::HitLeft:
    case FramelessWindow::HitRight: return Qt::SizeHorCursor;
    case FramelessWindow::HitTop:
    case FramelessWindow::HitBottom: return Qt::SizeVerCursor;
    case FramelessWindow::HitTopLeft:
    case FramelessWindow::HitBottomRight: return Qt::SizeFDiagCursor;
    default: return Qt::SizeBDiagCursor;
    }
}

} // namespace

FramelessWindow::FramelessWindow(QWidget *window, titleBar *bar)
    : QObject(window)
    , m_window(window)
    , m_titleBar(bar)
{
    m_window->setWindowFlags(m_window->windowFlags() | Qt::FramelessWindowHint);
    m_window->setContentsMargins(m_margins);
    // Mouse events reach the window before its widgets: the border belongs to the frame.
    m_window->winId();
    if (QWindow *handle = m_window->windowHandle()) {
        handle->installEventFilter(this);
        // A window moved by the window system onto a smaller screen shrinks onto it.
        connect(handle, &QWindow::screenChanged, this, [this](QScreen *) {
            if (!m_bDragging && m_bSystemMove && !m_window->isMaximized()) {
                m_bSystemMove = false;
                shrinkOntoScreen();
            }
        });
    }
}

int FramelessWindow::screenNumber() const
{
    QScreen *screen = m_window->screen();
    return QGuiApplication::screens().indexOf(screen);
}

int FramelessWindow::borderAt(const QPoint &globalPos) const
{
    if (m_window->isMaximized() || m_window->isFullScreen())
        return HitNone;
    const QRect frame = m_window->frameGeometry();
    const bool horizontal = m_window->minimumWidth() != m_window->maximumWidth();
    const bool vertical = m_window->minimumHeight() != m_window->maximumHeight();
    return hitTest(frame, globalPos, horizontal, vertical);
}

bool FramelessWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window->windowHandle())
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (type == QEvent::MouseMove && mouse->buttons() == Qt::NoButton) {
        const int hit = borderAt(mouse->globalPos());
        if (hit != HitNone) {
            if (m_bBorderCursor)
                QGuiApplication::changeOverrideCursor(cursorFor(hit));
            else
                QGuiApplication::setOverrideCursor(cursorFor(hit));
            m_bBorderCursor = true;
        } else if (m_bBorderCursor) {
            QGuiApplication::restoreOverrideCursor();
            m_bBorderCursor = false;
        }
        return false;
    }
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        const int hit = borderAt(mouse->globalPos());
        if (hit == HitNone)
            return false;
        // The window system resizes (X11 and Wayland both take this).
        if (!m_window->windowHandle()->startSystemResize(edgesOf(hit)))
            qDebug() << "The window system does not resize this window.";
        return true;
    }
    return false;
}

void FramelessWindow::mousePress(QMouseEvent *event)
{
    if (!m_bDragging)
        m_pressSize = m_window->size();
    emit pressed();
    m_bDragging = event->button() == Qt::LeftButton;
    m_dragOffset = event->globalPos() - m_window->pos();
    m_bScreenChanged = false;
    m_dragScreen = screenNumber();
}

void FramelessWindow::mouseMove(QMouseEvent *event)
{
    if (!m_bDragging)
        return;
    const int screen = screenNumber();
    if (screen != m_dragScreen) {
        m_bScreenChanged = true;
        m_dragScreen = screen;
    }
    if (m_window->isMaximized()) {
        // Out of the maximised state under the cursor, at the same relative place.
        if (m_titleBar)
            m_titleBar->setMaximizeLook(false);
        QRect normal = m_window->normalGeometry();
        const int width = m_window->width();
        const int x = width > 0 ? normal.width() * m_dragOffset.x() / width : 0;
        const QPoint offset(x, m_dragOffset.y());
        normal.moveTopLeft(event->globalPos() - offset);
        m_window->showNormal();
        m_window->setGeometry(normal);
        m_dragOffset = offset;
        m_pressSize = m_window->size();
        return;
    }
    // Where the window system can move windows itself (Wayland allows nothing else),
    // it takes over the drag from here.
    if (QWindow *handle = m_window->windowHandle()) {
        if (handle->startSystemMove()) {
            m_bDragging = false;
            m_bSystemMove = true;
            return;
        }
    }
    m_window->move(event->globalPos() - m_dragOffset);
}

void FramelessWindow::mouseRelease(QMouseEvent *event)
{
    Q_UNUSED(event)
    m_bDragging = false;
    if (m_bScreenChanged) {
        m_bScreenChanged = false;
        shrinkOntoScreen();
    }
}

void FramelessWindow::shrinkOntoScreen()
{
    QScreen *screen = m_window->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    m_window->resize(qMin(m_pressSize.width(), available.width()),
                     qMin(m_pressSize.height(), available.height()));
}

void FramelessWindow::setMaximizedFrames(bool maximized, const QMargins &frames)
{
    if (maximized) {
        m_frames = frames;
        m_window->setContentsMargins(m_margins + m_frames);
        m_bJustMaximized = true;
    } else if (m_bJustMaximized) {
        m_window->setContentsMargins(m_margins);
        m_bJustMaximized = false;
        m_frames = QMargins();
    }
}
