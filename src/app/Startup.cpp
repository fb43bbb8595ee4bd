#include "app/Startup.h"

#include "app/AppPaths.h"
#include "app/Language.h"
#include "catalogue/SharedTexts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <QTranslator>

QString settingsFilePath()
{
    return QStringLiteral("%1/%2").arg(applicationDir(), QLatin1String(kSettingsFileName));
}

int languageIndexFromSettings(const QSettings &settings)
{
    bool ok = false;
    const int index = settings.value(QStringLiteral("/ChangeLanguage/Language"), QVariant()).toInt(&ok);
    // An index outside the known languages would select no label table later on.
    if (!ok || index < 0 || index >= kLanguageCount)
        return E_L_EN;
    return index;
}

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

void logStartBanner()
{
    const char *rule = "---------------------------------------------------";
    qInfo("%s", rule);
    qInfo("- System Start!");
    qInfo("%s", rule);
}

bool loadTranslation(QTranslator *translator, int language)
{
    switch (language) {
    case E_L_GE:
        qDebug("call E_L_GE");
        return translator->load(QStringLiteral("app_de.qm"));
    case E_L_FR:
        qDebug("call E_L_FR");
        return translator->load(QStringLiteral("app_fr.qm"));
    case E_L_SP:
        qDebug("call E_L_SP");
        return translator->load(QStringLiteral("app_es.qm"));
    case E_L_IT:
        qDebug("call E_L_IT");
        return translator->load(QStringLiteral("app_it.qm"));
    default:
        return false;
    }
}

int handleEventLoopResult(int result, const QString &program)
{
    if (result != kRestartExitCode)
        return result;
    QProcess::startDetached(program, QStringList());
    return 0;
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
    QTimer::singleShot(0, qApp, [code, report] {
        qInfo().noquote() << report;
        QCoreApplication::exit(code);
    });
}
