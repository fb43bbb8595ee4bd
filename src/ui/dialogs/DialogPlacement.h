#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

class QDialog;
class QWidget;

// How the main window shows its dialogs: optionally at a fixed size, centred over the
// window, modally.

// Top left of a dialog of the given size centred over a window at the given geometry:
// x + (W - w) / 2, y + (H - h) / 2, the halves truncated toward zero.
QPoint centredTopLeft(const QRect &over, const QSize &size);

// Fixes the dialog's size first when fixedSize is valid, centres it over `over` (left
// where it is when `over` is null), runs it modally and returns its result (1 accepted,
// 0 rejected or closed).
int execCentred(QDialog &dialog, const QWidget *over, const QSize &fixedSize = QSize());
