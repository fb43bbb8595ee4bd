#include "ui/dialogs/RoundedMask.h"

#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QWidget>

namespace {
constexpr qreal kRadius = 10;
constexpr qreal kCorner = 2 * kRadius;
} // namespace

QBitmap roundedMaskBitmap(const QSize &size)
{
    QBitmap bitmap(size);
    bitmap.fill(Qt::color0);

    const qreal w = size.width();
    const qreal h = size.height();
    QPainterPath path;
    path.moveTo(kRadius, 0);
    path.arcTo(QRectF(0, 0, kCorner, kCorner), 90, 90);
    path.lineTo(0, h - kRadius);
    path.arcTo(QRectF(0, h - kCorner, kCorner, kCorner), 180, 90);
    path.lineTo(w - kRadius, h);
    path.arcTo(QRectF(w - kCorner, h - kCorner, kCorner, kCorner), 270, 90);
    path.lineTo(w, kRadius);
    path.arcTo(QRectF(w - kCorner, 0, kCorner, kCorner), 0, 90);
    path.lineTo(kRadius, 0);
    path.closeSubpath();

    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawPath(path);
    return bitmap;
}

void applyRoundedMask(QWidget *widget)
{
    widget->setMask(roundedMaskBitmap(widget->size()));
}
