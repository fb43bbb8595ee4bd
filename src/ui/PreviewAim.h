#pragma once
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRectF>

#include <functional>

class QLabel;
class QSlider;
class QWidget;

// The mouse on the live picture: the wheel zooms by a page of the zoom slider per notch,
// a double-click turns the camera toward the point clicked.
class PreviewAim : public QObject
{
    Q_OBJECT
public:
    struct Widgets
    {
        QLabel *labPreview = nullptr;
        QSlider *sliderZoom = nullptr;
        // Hidden while AI tracking frames by itself: the mouse does nothing then.
        QWidget *widgetTrackOff = nullptr;
    };
    struct Actions
    {
        // The horizontal field of view at the wide end, in degrees.
        std::function<int()> fieldOfView;
        std::function<void(int panDelta, int tiltDelta)> panTiltBy;
    };

    PreviewAim(const Widgets &widgets, Actions actions, QObject *parent);

    // The pan and tilt, in degrees (one unit each), that bring the point of the picture
    // to its centre: its offset from the centre as a fraction of half the picture, times
    // half the field of view at this zoom (the wide end's divided by zoom / 100; the
    // vertical one in the picture's proportion). Right and up are positive.
    static QPoint degreesToward(const QPointF &point, const QRectF &picture, int wideFieldOfView, int zoom);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool usable() const;
    // Where the picture lies in the label (it sits centred at the bottom).
    QRectF pictureRect() const;

    const Widgets ui;
    const Actions m_actions;
    // Wheel turns smaller than a notch (fine-grained wheels), kept until they make one.
    int m_wheelRest = 0;
};
