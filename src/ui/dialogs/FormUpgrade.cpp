#include "ui/dialogs/FormUpgrade.h"
#include "ui_FormUpgrade.h"

#include "ui/dialogs/RoundedMask.h"

FormUpgrade::FormUpgrade(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::FormUpgrade)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    ui->textEditPrompt->setText(
        tr("<h3>Get Ready to Upgrade</h3>Make sure your camera is not in use by another application "
           "before proceeding with this software update. <br><br>This update takes a few minutes to "
           "complete. <br><br><b>Do not disconnect your device</b> during the update process."));
    ui->btnOK->setFocus();
}

FormUpgrade::~FormUpgrade()
{
    delete ui;
}

void FormUpgrade::on_btnOK_clicked()
{
    accept();
}

void FormUpgrade::on_btnCancel_clicked()
{
    reject();
}

void FormUpgrade::resizeEvent(QResizeEvent *event)
{
    applyRoundedMask(this);
    QDialog::resizeEvent(event);
}
