#include "app/StartupWidgets.h"

#include "core/Startup.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QTimer>
#include <QTranslator>

void installApplicationFont()
{
    // "Segoe UI" is not free to ship; the bundled Open Sans takes its place everywhere.
    // Open Sans has no fullwidth forms (the labels' "："): the second substitute, a small
    // bundled font, supplies those glyphs wherever Open Sans lacks them.
    const int regular = QFontDatabase::addApplicationFont(QStringLiteral(":/image/OpenSans-Regular.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral(":/image/OpenSans-Semibold.ttf"));
    const int fullwidth = QFontDatabase::addApplicationFont(QStringLiteral(":/image/LensDeskFullwidth-Regular.ttf"));
    QStringList families = QFontDatabase::applicationFontFamilies(regular).mid(0, 1);
    if (!families.isEmpty()) {
        families += QFontDatabase::applicationFontFamilies(fullwidth).mid(0, 1);
        QFont::insertSubstitutions(QStringLiteral("Segoe UI"), families);
    }
    QApplication::setFont(QFont(QStringLiteral("Segoe UI"), 12));
}

void armTestExitHook(const QTranslator &translator)
{
    static const char variable[] = "LENSDESK_TEST_EXIT_CODES";
    QStringList codes = QString::fromLocal8Bit(qgetenv(variable)).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (codes.isEmpty())
        return;
    bool ok = false;
    const int code = codes.takeFirst().trimmed().toInt(&ok);
    if (codes.isEmpty())
        qunsetenv(variable);
    else
        qputenv(variable, codes.join(QLatin1Char(',')).toLocal8Bit());
    if (!ok)
        return;

    const QString report = QStringLiteral("test hook: exit %1, pid %2, directory \"%3\", translation \"%4\"")
                               .arg(QString::number(code), QString::number(QCoreApplication::applicationPid()),
                                    QDir::currentPath(), translator.language());
    // LENSDESK_TEST_CLOSE_WINDOW closes the window first, as a user would, so that what
    // closing does (saving the settings) happens too.
    const bool closeWindow = qEnvironmentVariableIsSet("LENSDESK_TEST_CLOSE_WINDOW");
    QTimer::singleShot(0, qApp, [code, report, closeWindow] {
        qInfo().noquote() << report;
        if (closeWindow) {
            // The exit code stays the one asked for.
            QApplication::setQuitOnLastWindowClosed(false);
            QApplication::closeAllWindows();
        }
        QCoreApplication::exit(code);
    });
}
