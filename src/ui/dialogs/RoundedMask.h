#pragma once
#include <QBitmap>
#include <QSize>

class QWidget;

// The rounded outline of the frameless dialogs: every corner cut on a 20 x 20 square
// (radius 10). Each dialog calls applyRoundedMask from its resizeEvent, so the shape
// follows every size the dialog is given.

// A one-bit mask of the given size, set inside the rounded outline.
QBitmap roundedMaskBitmap(const QSize &size);
// Sets the rounded mask of the widget's current size on the widget.
void applyRoundedMask(QWidget *widget);
