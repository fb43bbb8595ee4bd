#include "ui/TitleBar.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>

namespace {

constexpr int kBarHeight = 45;
constexpr int kButtonSize = 36;

const char kMaximizedLook[] =
    "QPushButton{border-image:url(:/qss/light/icon-normal.png)center no-repeat;}"
    "QPushButton:hover{border-image: url(:/qss/light/icon-normal-hover.png)center no-repeat;}"
    "QPushButton:pressed{border-image: url(:/qss/light/icon-normal-hover.png)center no-repeat;}";
const char kNormalLook[] =
    "QPushButton{border-image:url(:/qss/light/icon-max.png)center no-repeat;}"
    "QPushButton:hover{border-image: url(:/qss/light/icon-max-hover.png)center no-repeat;}"
    "QPushButton:pressed{border-image: url(:/qss/light/icon-max-hover.png)center no-repeat;}";

QPushButton *makeButton(QWidget *parent, const char *name, int iconSize)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setFlat(true);
    button->setIconSize(QSize(iconSize, iconSize));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

titleBar::titleBar(QWidget *parent)
    : QWidget(parent)
{
    setFixedHeight(kBarHeight);
    m_btnLanguage = makeButton(this, "btnLanguage", 24);
    m_btnModeLight = makeButton(this, "btnModeLight", 24);
    m_btnMinimize = makeButton(this, "btnMinimize", kButtonSize);
    m_btnMaximize = makeButton(this, "btnMaximize", kButtonSize);
    m_btnCloseWindow = makeButton(this, "btnCloseWindow", kButtonSize);

    auto *layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    layout->addSpacing(5);
    for (QPushButton *b : {m_btnLanguage, m_btnModeLight, m_btnMinimize, m_btnMaximize, m_btnCloseWindow})
        layout->addWidget(b);

    for (QPushButton *b : {m_btnMinimize, m_btnMaximize, m_btnCloseWindow})
        connect(b, &QPushButton::clicked, this, &titleBar::onClicked);
    m_btnMinimize->setToolTip(tr("Minimize"));
    m_btnCloseWindow->setToolTip(tr("Close"));
    setMaximizeLook(false);
}

void titleBar::setMaximizeLook(bool maximized)
{
    m_btnMaximize->setStyleSheet(QLatin1String(maximized ? kMaximizedLook : kNormalLook));
    m_btnMaximize->setToolTip(maximized ? tr("Restore") : tr("Maximize"));
}

void titleBar::setLanguageButtonStyle(const QString &styleSheet)
{
    m_btnLanguage->setStyleSheet(styleSheet);
    m_btnLanguage->update();
}

void titleBar::onClicked()
{
    QWidget *window = this->window();
    if (!window->isWindow() || window == this)
        return;
    QObject *button = sender();
    if (button == m_btnMinimize) {
        window->showMinimized();
    } else if (button == m_btnMaximize) {
        if (window->isMaximized())
            window->showNormal();
        else
            window->showMaximized();
        setMaximizeLook(window->isMaximized());
    } else if (button == m_btnCloseWindow) {
        window->close();
    }
}

void titleBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit m_btnMaximize->clicked(false);
    QWidget::mouseDoubleClickEvent(event);
}
