#include "core/AppPaths.h"
#include "core/Language.h"
#include "core/Log.h"
#include "core/SettingsStore.h"
#include "app/StartupWidgets.h"
#include "core/Startup.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTranslator>

#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // Diagnostics go to standard error; a reader that went away (a closed pipe, the
    // terminal a restarted copy was started from) must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    const int handled = handleCommandLine(argc, argv);
    if (handled >= 0)
        return handled;
    Q_INIT_RESOURCE(resources);
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // Icons then take their "@2x" pictures on scaled screens instead of blowing up the 1x ones.
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QApplication app(argc, argv);

    QCoreApplication::setApplicationVersion(applicationVersion());
    g_language = languageIndexFromSettings(SettingsStore());

    installApplicationFont();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/main.ico")));
    // Every relative path of the program (package files) is resolved in the package folder:
    // the application directory, or a per-user folder where that is read-only.
    QDir::setCurrent(packageDir());

    setLogFilePath(prepareFilePath(logFilePath(), false, QByteArray()));
    qInstallMessageHandler(logMessageHandler);
    logStartBanner();

    // The toolkit's texts first: a translator installed later is asked first, so the
    // program's own translation wins where both have a text.
    QTranslator toolkitTranslator;
    if (loadToolkitTranslation(&toolkitTranslator, g_language))
        app.installTranslator(&toolkitTranslator);
    QTranslator translator;
    loadTranslation(&translator, g_language, translationsDir());
    app.installTranslator(&translator);

    MainWindow window;
    window.show();
    armTestExitHook(translator);
    const int result = app.exec();
    return handleEventLoopResult(result, QCoreApplication::applicationFilePath());
}
