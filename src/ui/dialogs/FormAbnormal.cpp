#include "ui/dialogs/FormAbnormal.h"
#include "ui_FormAbnormal.h"

#include "app/AppPaths.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/RoundedMask.h"
#include "upgrade/PackageFiles.h"
#include "upgrade/Zip7z.h"

#include <QDebug>

FormAbnormal::FormAbnormal(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::FormAbnormal)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    ui->labelPrompt->setText(tr("<h3>Unknown Exception Detected</h3>\r\nUpgrade was interrupted by an "
                                "unknown exception, please try again."));
    ui->labelPrompt->adjustSize();
    ui->btnUpgrade->setFocus();
}

FormAbnormal::~FormAbnormal()
{
    delete ui;
}

void FormAbnormal::on_btnUpgrade_clicked()
{
    const QString appDir = packageDir();
    qInfo() << "app dir:" << appDir;
    const QString fileName =
        FileDialogs::getOpenFileName(this, tr("Open File"), QString(), tr("Upgrade File(*.zip)"));
    if (fileName.isEmpty())
        return;
    qInfo() << "upgrade file:" << fileName;

    cleanPackageFiles();
    QString message;
    Zip7z::extract(fileName, appDir, message);
    // An incomplete package leaves the dialog open so that the user can pick another.
    if (!checkPackageFiles())
        return;
    // The caller goes on to the upgrade confirmation; the model is only logged here.
    int model = -1;
    if (readPackageModel(model))
        qDebug() << "firmware file model:" << model;
    accept();
}

void FormAbnormal::on_btnCancel_clicked()
{
    reject();
}

void FormAbnormal::resizeEvent(QResizeEvent *event)
{
    applyRoundedMask(this);
    QDialog::resizeEvent(event);
}
