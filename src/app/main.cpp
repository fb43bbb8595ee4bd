#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Orvia Vista Cam"));
    w.show();
    return app.exec();
}
