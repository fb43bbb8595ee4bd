#include "ui/dialogs/FormAbnormal.h"
#include "ui_FormAbnormal.h"

#include "core/AppPaths.h"
#include "ui/dialogs/DialogPlacement.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/FormCustomizeMessagebox.h"
#include "ui/dialogs/RoundedMask.h"
#include "upgrade/PackagePreparation.h"

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

    // The package of an earlier pick goes, with the lock, before the next is prepared.
    m_package.reset();
    auto package = std::make_unique<PackagePreparation>();
    QString message;
    // A package that cannot be used leaves the dialog open so that the user can pick
    // another; an incomplete one without a word.
    const PackagePreparation::Result result = package->prepare(fileName, message);
    switch (result) {
    case PackagePreparation::Busy:
    case PackagePreparation::UnpackFailed:
        showNotice(package->failureNotice(result, message.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br>"))));
        return;
    case PackagePreparation::FormatWrong:
        return;
    case PackagePreparation::Corrupted:
        break;
    case PackagePreparation::Ready:
        // The caller goes on to the upgrade confirmation; the model is only logged here.
        qDebug() << "firmware file model:" << package->package().model();
        break;
    }
    m_package = std::move(package);
    accept();
}

std::unique_ptr<PackagePreparation> FormAbnormal::takePackage()
{
    return std::move(m_package);
}

QString FormAbnormal::packageFolder() const
{
    return m_package ? m_package->package().folder() : QString();
}

void FormAbnormal::showNotice(const QString &text)
{
    FormCustomizeMessagebox box(text, 0, false);
    box.setAttribute(Qt::WA_ShowModal, true);
    execCentred(box, this, QSize(450, 180));
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
