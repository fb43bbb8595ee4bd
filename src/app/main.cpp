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

#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // Diagnostics go to standard error; a reader that went away (a closed pipe, the
    // terminal a restarted copy was started from) must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    Q_INIT_RESOURCE(resources);
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // Icons then take their "@2x" pictures on scaled screens instead of blowing up the 1x ones.
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
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
