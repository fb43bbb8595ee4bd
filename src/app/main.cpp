#include "app/AppPaths.h"
#include "app/Language.h"
#include "app/Log.h"
#include "app/Startup.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSettings>
#include <QTranslator>

int main(int argc, char *argv[])
{
    Q_INIT_RESOURCE(resources);
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);

    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    g_language = languageIndexFromSettings(settings);

    installApplicationFont();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/main.ico")));
    // Every relative path of the program (translations, package files) is resolved here.
    QDir::setCurrent(applicationDir());

    setLogFilePath(prepareFilePath(logFilePath(), false, QByteArray()));
    qInstallMessageHandler(logMessageHandler);
    logStartBanner();

    QTranslator translator;
    loadTranslation(&translator, g_language);
    app.installTranslator(&translator);

    MainWindow window;
    window.show();
    armTestExitHook(translator);
    const int result = app.exec();
    return handleEventLoopResult(result, QCoreApplication::applicationFilePath());
}
