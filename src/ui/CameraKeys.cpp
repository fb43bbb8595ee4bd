#include "ui/CameraKeys.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTextEdit>

#include <utility>

namespace {

// Widgets that need the keys themselves: typing, and moving through a list.
bool ownsKeys(const QObject *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QTextEdit *>(w)
           || qobject_cast<const QPlainTextEdit *>(w) || qobject_cast<const QAbstractSpinBox *>(w)
           || qobject_cast<const QAbstractItemView *>(w) || qobject_cast<const QComboBox *>(w);
}

} // namespace

CameraKeys::CameraKeys(const Widgets &widgets, Actions actions, QObject *parent)
    : QObject(parent)
    , ui(widgets)
    , m_actions(std::move(actions))
{
    qApp->installEventFilter(this);
}

CameraKeys::~CameraKeys()
{
    qApp->removeEventFilter(this);
}

bool CameraKeys::keysFree(QObject *receiver) const
{
    auto *target = qobject_cast<QWidget *>(receiver);
    if (!target || target->window() != ui.window)
        return false;
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return false;
    QWidget *focus = QApplication::focusWidget();
    if (focus && focus->window() != ui.window)
        return false;
    return !ownsKeys(target) && !ownsKeys(focus);
}

bool CameraKeys::padShown() const
{
    return !ui.widgetTrackOff->isHidden() && ui.sliderZoom->isEnabled();
}

bool CameraKeys::handleKey(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    const int key = event.key();
    if (key >= Qt::Key_1 && key <= Qt::Key_9
        && (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier)) {
        // Holding the key down goes there (or saves) once.
        if (!event.isAutoRepeat()) {
            const int number = key - Qt::Key_0;
            if (modifiers == Qt::ControlModifier)
                m_actions.save(number);
            else
                m_actions.recall(number);
        }
        return true;
    }
    if (modifiers != Qt::NoModifier)
        return false;

    QAbstractButton *arrow = nullptr;
    switch (key) {
    case Qt::Key_Up:
        arrow = ui.btnCameraUp;
        break;
    case Qt::Key_Down:
        arrow = ui.btnCameraDown;
        break;
    case Qt::Key_Left:
        arrow = ui.btnCameraLeft;
        break;
    case Qt::Key_Right:
        arrow = ui.btnCameraRight;
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: // + without Shift on many keyboards
    case Qt::Key_Minus:
        if (padShown())
            ui.sliderZoom->triggerAction(key == Qt::Key_Minus ? QAbstractSlider::SliderPageStepSub
                                                              : QAbstractSlider::SliderPageStepAdd);
        return true;
    case Qt::Key_Home:
        if (padShown() && !event.isAutoRepeat())
            m_actions.home();
        return true;
    default:
        return false;
    }
    // The arrow's own click: the same limits, conditions and looks (a disabled arrow
    // does nothing).
    if (!ui.widgetTrackOff->isHidden())
        arrow->click();
    return true;
}

bool CameraKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && keysFree(watched)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (handleKey(*key)) {
            key->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
