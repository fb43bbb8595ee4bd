#include "ui/MaskWidget.h"

#include <QApplication>
#include <QEvent>
#include <QMutex>
#include <QMutexLocker>
#include <QPalette>
#include <QScreen>

#include <atomic>

namespace {
std::atomic<MaskWidget *> g_instance{nullptr};
QMutex g_instanceMutex;

// The overlay goes before the application's widgets are torn down.
void destroyInstance()
{
    delete g_instance.exchange(nullptr);
}
} // namespace

MaskWidget *MaskWidget::instance()
{
    MaskWidget *mask = g_instance.load();
    if (mask)
        return mask;
    QMutexLocker lock(&g_instanceMutex);
    mask = g_instance.load();
    if (!mask) {
        mask = new MaskWidget;
        g_instance.store(mask);
        qAddPostRoutine(destroyInstance);
    }
    return mask;
}

MaskWidget::MaskWidget()
    : QWidget(nullptr)
    , m_dialogNames{QStringLiteral("FormCustomizeMessagebox"), QStringLiteral("FormAbnormal"),
                    QStringLiteral("FormUpgrade")}
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setOpacity(0.7);
    setBgColor(QColor(0, 0, 0, 255));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    qApp->installEventFilter(this);
}

void MaskWidget::setMainWidget(QWidget *mainWidget)
{
    if (m_mainWidget == mainWidget)
        return;
    m_mainWidget = mainWidget;
}

void MaskWidget::setDialogNames(const QStringList &dialogNames)
{
    if (m_dialogNames == dialogNames)
        return;
    m_dialogNames = dialogNames;
}

void MaskWidget::setBgColor(const QColor &bgColor)
{
    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Window, bgColor);
    setPalette(pal);
}

void MaskWidget::setOpacity(double opacity)
{
    setWindowOpacity(opacity);
}

bool MaskWidget::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (m_dialogNames.contains(watched->objectName())) {
            show();
            activateWindow();
            if (auto *dialog = qobject_cast<QWidget *>(watched)) {
                dialog->raise();
                dialog->activateWindow();
            }
        }
        break;
    case QEvent::Hide:
        // One dialog may open over another (a recovery question over a notice): the
        // window stays dimmed while any of them is still shown.
        if (m_dialogNames.contains(watched->objectName()) && !otherDialogShown(watched))
            hide();
        break;
    case QEvent::WindowActivate:
        // An unnamed main window would match every unnamed widget; compare the object
        // itself then.
        if (m_mainWidget && isVisible()
            && (watched == m_mainWidget
                || (!m_mainWidget->objectName().isEmpty() && watched->objectName() == m_mainWidget->objectName())))
            activateWindow();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool MaskWidget::otherDialogShown(const QObject *closing) const
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows) {
        if (window != closing && window->isVisible() && m_dialogNames.contains(window->objectName()))
            return true;
    }
    return false;
}

void MaskWidget::showEvent(QShowEvent *event)
{
    if (m_mainWidget)
        setGeometry(QRect(m_mainWidget->mapToGlobal(QPoint(0, 0)), m_mainWidget->size()));
    QWidget::showEvent(event);
}
