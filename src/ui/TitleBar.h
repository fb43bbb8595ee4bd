#pragma once
#include <QWidget>

class QPushButton;

// The window's own title bar: the language and theme buttons and the three window
// buttons. The window has no system frame, so minimise, maximise and close live here.
class titleBar : public QWidget
{
    Q_OBJECT
public:
    explicit titleBar(QWidget *parent = nullptr);

    void setMaximizeLook(bool maximized);
    void setLanguageButtonStyle(const QString &styleSheet);

public slots:
    void onClicked();

protected:
    // A double-click toggles maximise exactly like the button.
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QPushButton *m_btnLanguage = nullptr;
    QPushButton *m_btnModeLight = nullptr;
    QPushButton *m_btnMinimize = nullptr;
    QPushButton *m_btnMaximize = nullptr;
    QPushButton *m_btnCloseWindow = nullptr;
};
