#pragma once
#include <QDialog>

namespace Ui {
class FormAbnormal;
}

// Shown when a camera is found stuck in a boot or recovery state: the user picks a
// package to recover it with. Accepted once an extracted package passes the check.
class FormAbnormal : public QDialog
{
    Q_OBJECT
public:
    explicit FormAbnormal(QWidget *parent = nullptr);
    ~FormAbnormal() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void on_btnUpgrade_clicked();
    void on_btnCancel_clicked();

private:
    Ui::FormAbnormal *ui;
};
