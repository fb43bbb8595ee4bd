#pragma once
#include <QDialog>

namespace Ui {
class FormUpgrade;
}

// The confirmation shown before a firmware upgrade starts.
class FormUpgrade : public QDialog
{
    Q_OBJECT
public:
    explicit FormUpgrade(QWidget *parent = nullptr);
    ~FormUpgrade() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void on_btnOK_clicked();
    void on_btnCancel_clicked();

private:
    Ui::FormUpgrade *ui;
};
