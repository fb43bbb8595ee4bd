#include "ui/PreviewAim.h"

#include <QDebug>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QSlider>
#include <QWheelEvent>

#include <cmath>
#include <utility>

namespace {

// One notch of an ordinary mouse wheel, in eighths of a degree.
constexpr int kNotch = 120;

} // namespace

PreviewAim::PreviewAim(const Widgets &widgets, Actions actions, QObject *parent)
    : QObject(parent)
    , ui(widgets)
    , m_actions(std::move(actions))
{
    ui.labPreview->installEventFilter(this);
}

QPoint PreviewAim::degreesToward(const QPointF &point, const QRectF &picture, int wideFieldOfView, int zoom)
{
    if (picture.width() <= 0 || picture.height() <= 0 || zoom <= 0)
        return QPoint();
    const double horizontal = wideFieldOfView * 100.0 / zoom;
    const double vertical = horizontal * picture.height() / picture.width();
    const double x = (point.x() - picture.center().x()) / (picture.width() / 2);
    const double y = (picture.center().y() - point.y()) / (picture.height() / 2);
    return QPoint(static_cast<int>(std::lround(x * horizontal / 2)),
                  static_cast<int>(std::lround(y * vertical / 2)));
}

bool PreviewAim::usable() const
{
    return !ui.widgetTrackOff->isHidden() && ui.sliderZoom->isEnabled();
}

QRectF PreviewAim::pictureRect() const
{
    const QSize label = ui.labPreview->size();
    const QPixmap picture = ui.labPreview->pixmap(Qt::ReturnByValue);
    if (picture.isNull())
        return QRectF();
    const QSizeF size = picture.size() / picture.devicePixelRatioF();
    return QRectF(QPointF((label.width() - size.width()) / 2, label.height() - size.height()), size);
}

bool PreviewAim::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui.labPreview)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        if (!usable())
            return true;
        m_wheelRest += wheel->angleDelta().y();
        // Through the slider, so that its own handler sends the zoom.
        for (; m_wheelRest >= kNotch; m_wheelRest -= kNotch)
            ui.sliderZoom->triggerAction(QAbstractSlider::SliderPageStepAdd);
        for (; m_wheelRest <= -kNotch; m_wheelRest += kNotch)
            ui.sliderZoom->triggerAction(QAbstractSlider::SliderPageStepSub);
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QRectF picture = pictureRect();
        if (mouse->button() != Qt::LeftButton || !usable() || !picture.contains(mouse->localPos()))
            return false;
        const QPoint turn =
            degreesToward(mouse->localPos(), picture, m_actions.fieldOfView(), ui.sliderZoom->value());
        qDebug() << "aim at" << mouse->localPos() << "pan/tilt by" << turn.x() << turn.y();
        m_actions.panTiltBy(turn.x(), turn.y());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
