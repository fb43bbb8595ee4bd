#pragma once
#include <QDialog>
#include <QString>

class QTimer;

namespace Ui {
class FormCustomizeMessagebox;
}

// The one notice and confirmation box of the application: a text, OK, an optional
// Cancel, and an optional countdown after which the box closes itself as accepted.
class FormCustomizeMessagebox : public QDialog
{
    Q_OBJECT
public:
    // buttonMode 1 shows Cancel beside OK; any other value shows OK only.
    FormCustomizeMessagebox(const QString &text, int buttonMode, bool autoClose,
                            QWidget *parent = nullptr);
    ~FormCustomizeMessagebox() override;

    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void on_btnOK_clicked();
    void on_btnCancel_clicked();
    void slotOnTimeout();

private:
    void writeCountdown();
    void stopTimer();

    Ui::FormCustomizeMessagebox *ui;
    QString m_text;
    int m_buttonMode = 0;
    bool m_autoClose = false;
    QTimer *m_timer = nullptr;
    int m_seconds = 5;
};
