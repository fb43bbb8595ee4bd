#pragma once
#include <QDialog>

#include <memory>

class PackagePreparation;

namespace Ui {
class FormAbnormal;
}

// Shown when a camera is found stuck in a boot or recovery state: the user picks a
// package to recover it with. Accepted once an extracted package passes the check; the
// package (its folder and the upgrade lock) is then the caller's to take.
class FormAbnormal : public QDialog
{
    Q_OBJECT
public:
    explicit FormAbnormal(QWidget *parent = nullptr);
    ~FormAbnormal() override;

    // The package the dialog was accepted with (null before); the caller keeps it until
    // the upgrade's report, or drops it to remove it.
    std::unique_ptr<PackagePreparation> takePackage();
    // Its folder, while the dialog has it.
    QString packageFolder() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void on_btnUpgrade_clicked();
    void on_btnCancel_clicked();

private:
    // A notice over the dialog, as the window shows its own.
    void showNotice(const QString &text);

    Ui::FormAbnormal *ui;
    std::unique_ptr<PackagePreparation> m_package;
};
