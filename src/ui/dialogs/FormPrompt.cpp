#include "ui/dialogs/FormPrompt.h"
#include "ui_FormPrompt.h"

#include <QDebug>

FormPrompt::FormPrompt(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::FormPrompt)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    ui->widgetBackground->setWindowFlags(ui->widgetBackground->windowFlags() | Qt::FramelessWindowHint);
}

FormPrompt::~FormPrompt()
{
    delete ui;
}

void FormPrompt::on_btnEN_clicked()
{
    qDebug() << "call on_btnEN_clicked";
    emit sigSwitchLanguage(0);
}

void FormPrompt::on_btnGE_clicked()
{
    qDebug() << "call on_btnGE_clicked";
    emit sigSwitchLanguage(1);
}

void FormPrompt::on_btnFR_clicked()
{
    qDebug() << "call on_btnFR_clicked";
    emit sigSwitchLanguage(2);
}

void FormPrompt::on_btnSP_clicked()
{
    qDebug() << "call on_btnSP_clicked";
    emit sigSwitchLanguage(3);
}

void FormPrompt::on_btnIT_clicked()
{
    qDebug() << "call on_btnIT_clicked";
    emit sigSwitchLanguage(4);
}
