#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Orvia Vista Cam"));
}

MainWindow::~MainWindow()
{
    delete ui;
}
