#pragma once
#include <QMainWindow>

namespace Ui {
class MainWindow;
}

// The single top-level window and controller of the application.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private:
    Ui::MainWindow *ui;
};
