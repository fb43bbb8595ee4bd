#include "ui/dialogs/DialogPlacement.h"

#include <QDialog>
#include <QWidget>

QPoint centredTopLeft(const QRect &over, const QSize &size)
{
    // Integer division truncates toward zero, also for a dialog larger than the window.
    return QPoint(over.x() + (over.width() - size.width()) / 2,
                  over.y() + (over.height() - size.height()) / 2);
}

int execCentred(QDialog &dialog, const QWidget *over, const QSize &fixedSize)
{
    if (fixedSize.isValid())
        dialog.setFixedSize(fixedSize);
    if (over)
        dialog.move(centredTopLeft(QRect(over->x(), over->y(), over->width(), over->height()),
                                   dialog.size()));
    return dialog.exec();
}
