#pragma once
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class QMouseEvent;
class QWidget;
class titleBar;

// The frameless main window's own frame: the 5 px resize border, dragging by any free
// area (also out of the maximised state), the shrink onto a smaller screen after a
// drag, and the margins kept while maximised.
class FramelessWindow : public QObject
{
    Q_OBJECT
public:
    // Hit-test codes of the resize border (the values of the Windows messages).
    enum Hit {
        HitNone = 0,
        HitLeft = 10,
        HitRight = 11,
        HitTop = 12,
        HitTopLeft = 13,
        HitTopRight = 14,
        HitBottom = 15,
        HitBottomLeft = 16,
        HitBottomRight = 17,
    };
    static constexpr int kBorderWidth = 5;

    // Which border a point is on: window is the window's rectangle in screen
    // coordinates (right and bottom exclusive, as window systems give it), cursor the
    // point; a direction that is not resizable has no border. A corner wins over an
    // edge.
    static int hitTest(const QRect &window, const QPoint &cursor, bool horizontallyResizable,
                       bool verticallyResizable);
    static Qt::Edges edgesOf(int hit);

    FramelessWindow(QWidget *window, titleBar *bar);

    bool isDragging() const { return m_bDragging; }
    QPoint dragOffset() const { return m_dragOffset; }

    // The window's mouse events outside its controls.
    void mousePress(QMouseEvent *event);
    void mouseMove(QMouseEvent *event);
    void mouseRelease(QMouseEvent *event);

    // The border around the maximised window (from the system's frame metrics).
    void setMaximizedFrames(bool maximized, const QMargins &frames);

signals:
    // A press on the window that is not on one of its controls (the language chooser
    // goes away).
    void pressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int screenNumber() const;
    void shrinkOntoScreen();
    // The border under a point of the window's own event stream, or HitNone.
    int borderAt(const QPoint &globalPos) const;

    QWidget *m_window;
    titleBar *m_titleBar;
    bool m_bDragging = false;
    bool m_bSystemMove = false;
    QPoint m_dragOffset;
    int m_dragScreen = -1;
    bool m_bScreenChanged = false;
    QSize m_pressSize;
    QMargins m_margins;
    QMargins m_frames;
    bool m_bJustMaximized = false;
    bool m_bBorderCursor = false;
};
