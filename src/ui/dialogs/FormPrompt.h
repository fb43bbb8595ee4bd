#pragma once
#include <QWidget>

namespace Ui {
class FormPrompt;
}

// The small language chooser that drops down from the title bar. It only reports the
// choice; the main window hides and positions it.
class FormPrompt : public QWidget
{
    Q_OBJECT
public:
    explicit FormPrompt(QWidget *parent = nullptr);
    ~FormPrompt() override;

signals:
    // 0 English, 1 German, 2 French, 3 Spanish, 4 Italian.
    void sigSwitchLanguage(int type);

private slots:
    void on_btnEN_clicked();
    void on_btnGE_clicked();
    void on_btnFR_clicked();
    void on_btnSP_clicked();
    void on_btnIT_clicked();

private:
    Ui::FormPrompt *ui;
};
