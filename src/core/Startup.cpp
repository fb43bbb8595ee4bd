#include "core/Startup.h"

#include "core/AppPaths.h"
#include "core/Language.h"
#include "core/SettingsStore.h"
#include "core/SharedTexts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QLibraryInfo>
#include <QProcess>
#include <QSettings>
#include <QTranslator>

int handleCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // "-reverse" or "-style" of the toolkit must not read as a cluster of short options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Controls and upgrades USB PTZ conference cameras. Toolkit options such as -platform "
        "are passed on unchanged."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Toolkit options are unknown here; they are not errors.
    parser.parse(arguments);
    if (!parser.isSet(help) && !parser.isSet(version) && !parser.isSet(QStringLiteral("help-all")))
        return -1;
    // Printing the texts needs an application object; a non-GUI one needs no display.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lensdesk"));
    QCoreApplication::setApplicationVersion(applicationVersion());
    // Prints the text asked for and exits with 0.
    parser.process(app);
    return 0;
}

QString applicationVersion()
{
    return QStringLiteral("%1.%2.%3").arg(LENSDESK_VERSION_MAJOR).arg(LENSDESK_VERSION_MINOR).arg(LENSDESK_VERSION_PATCH);
}

QString settingsFilePath()
{
    return userSettingsFilePath();
}

namespace {

int languageIndexFromValue(const QVariant &value)
{
    bool ok = false;
    const int index = value.toInt(&ok);
    // An index outside the known languages would select no label table later on.
    if (!ok || index < 0 || index >= kLanguageCount)
        return E_L_EN;
    return index;
}

} // namespace

int languageIndexFromSettings(const QSettings &settings)
{
    return languageIndexFromValue(settings.value(QStringLiteral("/ChangeLanguage/Language"), QVariant()));
}

int languageIndexFromSettings(const SettingsStore &settings)
{
    return languageIndexFromValue(settings.value(QStringLiteral("/ChangeLanguage/Language"), QVariant()));
}

void logStartBanner()
{
    const char *rule = "---------------------------------------------------";
    qInfo("%s", rule);
    qInfo("- System Start!");
    qInfo("%s", rule);
}

bool loadTranslation(QTranslator *translator, int language, const QString &folder)
{
    switch (language) {
    case E_L_GE:
        qDebug("call E_L_GE");
        return translator->load(QStringLiteral("app_de.qm"), folder);
    case E_L_FR:
        qDebug("call E_L_FR");
        return translator->load(QStringLiteral("app_fr.qm"), folder);
    case E_L_SP:
        qDebug("call E_L_SP");
        return translator->load(QStringLiteral("app_es.qm"), folder);
    case E_L_IT:
        qDebug("call E_L_IT");
        return translator->load(QStringLiteral("app_it.qm"), folder);
    default:
        return false;
    }
}

bool loadToolkitTranslation(QTranslator *translator, int language)
{
    const char *code = nullptr;
    switch (language) {
    case E_L_GE:
        code = "de";
        break;
    case E_L_FR:
        code = "fr";
        break;
    case E_L_SP:
        code = "es";
        break;
    case E_L_IT:
        code = "it";
        break;
    default:
        return false;
    }
    return translator->load(QStringLiteral("qtbase_") + QLatin1String(code),
                            QLibraryInfo::location(QLibraryInfo::TranslationsPath));
}

int handleEventLoopResult(int result, const QString &program)
{
    if (result != kRestartExitCode)
        return result;
    QProcess::startDetached(program, QStringList());
    return 0;
}
