// The four translation files: complete, faithful to the markup and placeholders of their
// source texts, in step with the texts the sources carry, and compiled into what the
// program loads.
#include "TestSupport.h"
#include "WindowTestSupport.h"

#include "core/Language.h"
#include "app/StartupWidgets.h"
#include "core/Startup.h"
#include "ui/ElidingComboBox.h"

#include <QDialogButtonBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QTranslator>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QString kSourceDir = QStringLiteral(LENSDESK_SOURCE_DIR);
const QString kQmDir = QStringLiteral(LENSDESK_TRANSLATIONS_DIR);
const QStringList kLanguages{QStringLiteral("de"), QStringLiteral("fr"), QStringLiteral("es"),
                             QStringLiteral("it")};
const QChar kNoBreakSpace(0x00A0);
const QChar kFullWidthColon(0xFF1A);

struct Message
{
    QString context;
    QString source;
    QString translation;
    QString type; // the translation's type attribute: empty when finished
    bool numerus = false;
    QStringList forms; // the plural forms of a numerus message, singular first
};

struct TsFile
{
    QString language;
    QList<Message> messages;
    QString error;
};

// The text of <source> or <translation>; lupdate writes a carriage return as <byte value="xd"/>.
// The plural forms of a translation go to forms as well.
QString readText(QXmlStreamReader &xml, bool *numerus, QStringList *forms)
{
    bool inForm = false;
    QString text;
    const QString element = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            text += xml.text();
            if (inForm)
                forms->last() += xml.text();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("byte")) {
            const QString value = xml.attributes().value(QLatin1String("value")).toString();
            bool ok = false;
            const uint code = value.startsWith(QLatin1Char('x')) ? value.mid(1).toUInt(&ok, 16) : value.toUInt(&ok);
            if (ok)
                text += QChar(code);
            if (ok && inForm)
                forms->last() += QChar(code);
        } else if (xml.isStartElement() && xml.name() == QLatin1String("numerusform")) {
            *numerus = true;
            inForm = true;
            forms->append(QString());
        } else if (xml.isEndElement() && xml.name() == QLatin1String("numerusform")) {
            inForm = false;
        } else if (xml.isEndElement() && xml.name() == element) {
            break;
        }
    }
    return text;
}

TsFile readTs(const QString &path)
{
    TsFile ts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ts.error = QStringLiteral("cannot open ") + path;
        return ts;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("TS")) {
                ts.language = xml.attributes().value(QLatin1String("language")).toString();
            } else if (xml.name() == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("message")) {
                message = Message();
                message.context = context;
            } else if (xml.name() == QLatin1String("source")) {
                message.source = readText(xml, &message.numerus, &message.forms);
            } else if (xml.name() == QLatin1String("translation")) {
                message.type = xml.attributes().value(QLatin1String("type")).toString();
                message.translation = readText(xml, &message.numerus, &message.forms);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            ts.messages << message;
        }
    }
    if (xml.hasError())
        ts.error = path + QStringLiteral(": ") + xml.errorString();
    return ts;
}

QString tsPath(const QString &language)
{
    return kSourceDir + QStringLiteral("/translations/app_") + language + QStringLiteral(".ts");
}

// What a translator wrote: the plural forms of a numerus message, else its one text.
QStringList translations(const Message &m)
{
    return m.numerus ? m.forms : QStringList{m.translation};
}

QString key(const Message &m)
{
    return m.context + QStringLiteral(" | ") + m.source;
}

QStringList sortedMatches(const QString &text, const QRegularExpression &re)
{
    QStringList found;
    auto it = re.globalMatch(text);
    while (it.hasNext())
        found << it.next().captured(0);
    std::sort(found.begin(), found.end());
    return found;
}

// What the markup leaves to read: no tags, no style block.
QString plainText(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("<style>.*?</style>"),
                                   QRegularExpression::DotMatchesEverythingOption));
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return text;
}

// Copies of the committed files that the running program loads.
struct Loaded
{
    explicit Loaded(const QString &language)
    {
        ok = translator.load(kQmDir + QStringLiteral("/app_") + language + QStringLiteral(".qm"));
        if (ok)
            QCoreApplication::installTranslator(&translator);
    }
    ~Loaded() { QCoreApplication::removeTranslator(&translator); }
    QTranslator translator;
    bool ok = false;
};

QString translated(const char *context, const char *source, int n = -1)
{
    return QCoreApplication::translate(context, source, nullptr, n);
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const QString &language : kLanguages) {
            const TsFile ts = readTs(tsPath(language));
            QVERIFY2(ts.error.isEmpty(), qPrintable(ts.error));
            QCOMPARE(ts.language, language);
            QVERIFY(ts.messages.size() > 80);
        }
    }

    void everyMessageIsFinished_data()
    {
        QTest::addColumn<QString>("language");
        for (const QString &language : kLanguages)
            QTest::newRow(qPrintable(language)) << language;
    }

    void everyMessageIsFinished()
    {
        QFETCH(QString, language);
        QStringList problems;
        for (const Message &m : readTs(tsPath(language)).messages) {
            if (!m.type.isEmpty())
                problems << m.type + QStringLiteral(": ") + key(m);
            if (m.translation.trimmed().isEmpty())
                problems << QStringLiteral("empty: ") + key(m);
            // A count in the text (%n) has the singular and the plural of the four
            // languages, each with the count; nothing else has plural forms.
            const bool counted = m.source.contains(QLatin1String("%n"));
            if (m.numerus != counted)
                problems << QStringLiteral("plural forms %1: ").arg(counted ? "missing" : "without a count") + key(m);
            if (m.numerus && m.forms.size() != 2)
                problems << QStringLiteral("%1 plural forms: ").arg(m.forms.size()) + key(m);
            for (const QString &form : m.forms) {
                if (!form.contains(QLatin1String("%n")))
                    problems << QStringLiteral("a form without the count: ") + key(m);
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // Placeholders, tags with their attributes, entities, line breaks and the full-width
    // colon come through unchanged; only the words between them are the translator's.
    void markupAndPlaceholdersMatchTheSource_data() { everyMessageIsFinished_data(); }

    void markupAndPlaceholdersMatchTheSource()
    {
        QFETCH(QString, language);
        const QRegularExpression placeholder(QStringLiteral("%\\d+"));
        const QRegularExpression tag(QStringLiteral("<[^>]*>"));
        const QRegularExpression entity(QStringLiteral("&#?\\w+;"));
        const QRegularExpression style(QStringLiteral("<style>.*?</style>"),
                                       QRegularExpression::DotMatchesEverythingOption);
        QStringList problems;
        for (const Message &m : readTs(tsPath(language)).messages) {
            for (const QString &t : translations(m)) {
                const QString &s = m.source;
                if (sortedMatches(s, placeholder) != sortedMatches(t, placeholder))
                    problems << QStringLiteral("placeholders: ") + key(m);
                if (sortedMatches(s, tag) != sortedMatches(t, tag))
                    problems << QStringLiteral("tags: ") + key(m);
                if (sortedMatches(s, entity) != sortedMatches(t, entity))
                    problems << QStringLiteral("entities: ") + key(m);
                if (sortedMatches(s, style) != sortedMatches(t, style))
                    problems << QStringLiteral("style block: ") + key(m);
                if (s.count(QStringLiteral("\r\n")) != t.count(QStringLiteral("\r\n"))
                    || s.count(QLatin1Char('\n')) != t.count(QLatin1Char('\n')))
                    problems << QStringLiteral("line breaks: ") + key(m);
                if (s.count(kFullWidthColon) != t.count(kFullWidthColon))
                    problems << QStringLiteral("full-width colon: ") + key(m);
                if (s.endsWith(kFullWidthColon) != t.endsWith(kFullWidthColon))
                    problems << QStringLiteral("full-width colon at the end: ") + key(m);
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // French sets a no-break space before ":", "!", "?" and ";" so that the sign never
    // wraps alone; the other languages set none.
    void punctuationFollowsEachLanguage_data() { everyMessageIsFinished_data(); }

    void punctuationFollowsEachLanguage()
    {
        QFETCH(QString, language);
        QStringList problems;
        for (const Message &m : readTs(tsPath(language)).messages) {
            const QString text = plainText(m.translation);
            for (int i = 0; i < text.size(); ++i) {
                const QChar c = text.at(i);
                if (!QStringLiteral(":!?;").contains(c) || i == 0)
                    continue;
                const QChar before = text.at(i - 1);
                if (language == QLatin1String("fr") ? before != kNoBreakSpace : before.isSpace())
                    problems << QStringLiteral("space before \"%1\": ").arg(c) + key(m);
            }
            if (language != QLatin1String("fr") && m.translation.contains(kNoBreakSpace))
                problems << QStringLiteral("no-break space: ") + key(m);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));

        // The case that matters most on screen, written out.
        if (language != QLatin1String("fr"))
            return;
        for (const Message &m : readTs(tsPath(language)).messages) {
            if (m.context == QLatin1String("MainWindow") && m.source == QLatin1String("White Balance:"))
                QCOMPARE(m.translation, QStringLiteral("Balance des blancs\u00A0:"));
        }
    }

    // The four files hold the same messages, and exactly the ones lupdate finds in the
    // sources and forms today: none missing, none left over.
    void everyTextOfTheSourcesHasAnEntry()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString probe = dir.filePath(QStringLiteral("probe.ts"));
        QProcess lupdate;
        lupdate.start(QStringLiteral(LENSDESK_LUPDATE),
                      {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                       QStringLiteral("-no-obsolete"), kSourceDir + QStringLiteral("/src"), QStringLiteral("-ts"),
                       probe});
        QVERIFY2(lupdate.waitForFinished(60000), qPrintable(lupdate.errorString()));
        QCOMPARE(lupdate.exitCode(), 0);
        const TsFile found = readTs(probe);
        QVERIFY2(found.error.isEmpty(), qPrintable(found.error));

        QSet<QString> expected;
        QSet<QString> contexts;
        for (const Message &m : found.messages) {
            expected.insert(key(m));
            contexts.insert(m.context);
        }
        // Texts from the forms, from code, and from every window and dialog.
        QVERIFY(expected.contains(QStringLiteral("MainWindow | Auto Focus\uFF1A")));
        QVERIFY(expected.contains(QStringLiteral("MainWindow | Powerline Frequency:\n(Anti Flicker)")));
        QVERIFY(expected.contains(QStringLiteral("MainWindow | The operation has timed out, please try again.")));
        QVERIFY(expected.contains(QStringLiteral("MainWindow | <h3>Upgrade is done!</h3>\r\nThe device is "
                                                 "initializing, don't power off.")));
        QVERIFY(expected.contains(QStringLiteral("MainWindow | Camera needs to restart to switch the default "
                                                 "language.")));
        QVERIFY(expected.contains(QStringLiteral("titleBar | Close")));
        for (const char *name : {"MainWindow", "FormCustomizeMessagebox", "FormUpgrade", "FormAbnormal",
                                 "FormPrompt", "titleBar", "Zip7z"})
            QVERIFY2(contexts.contains(QLatin1String(name)), name);

        for (const QString &language : kLanguages) {
            QSet<QString> committed;
            for (const Message &m : readTs(tsPath(language)).messages)
                committed.insert(key(m));
            const QStringList missing = (expected - committed).values();
            const QStringList stale = (committed - expected).values();
            QVERIFY2(missing.isEmpty(), qPrintable(language + QStringLiteral(" lacks:\n") + missing.join('\n')));
            QVERIFY2(stale.isEmpty(), qPrintable(language + QStringLiteral(" no longer used:\n") + stale.join('\n')));
        }
    }

    // A text handed to the translator through a helper is invisible to lupdate unless it is
    // marked where it is written.
    void textsPassedThroughHelpersAreMarked()
    {
        const QRegularExpression unmarked(QStringLiteral("windowText\\(\\s*\""));
        QStringList problems;
        QDirIterator files(kSourceDir + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            auto it = unmarked.globalMatch(text);
            while (it.hasNext()) {
                const int at = it.next().capturedStart();
                problems << QStringLiteral("%1:%2").arg(file.fileName()).arg(text.left(at).count('\n') + 1);
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // The .qm beside the program says what its .ts says, message for message.
    void compiledTranslationsCarryEveryMessage_data() { everyMessageIsFinished_data(); }

    void compiledTranslationsCarryEveryMessage()
    {
        QFETCH(QString, language);
        QTranslator translator;
        QVERIFY(translator.load(kQmDir + QStringLiteral("/app_") + language + QStringLiteral(".qm")));
        QCOMPARE(translator.language(), language);
        QStringList problems;
        for (const Message &m : readTs(tsPath(language)).messages) {
            const QByteArray context = m.context.toUtf8();
            const QByteArray source = m.source.toUtf8();
            if (m.numerus) {
                // One of something takes the first form, five the last, in all four languages.
                const QString one = translator.translate(context.constData(), source.constData(), nullptr, 1);
                const QString five = translator.translate(context.constData(), source.constData(), nullptr, 5);
                if (m.forms.size() != 2 || one != m.forms.first() || five != m.forms.last())
                    problems << key(m) + QStringLiteral(" -> \"") + one + QStringLiteral("\" / \"") + five + QLatin1Char('"');
                continue;
            }
            const QString got = translator.translate(context.constData(), source.constData());
            if (got != m.translation)
                problems << key(m) + QStringLiteral(" -> \"") + got + QLatin1Char('"');
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void keyTextsTranslate_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("cannotExit");
        QTest::addColumn<QString>("upgradeDone");
        QTest::addColumn<QString>("controls");
        QTest::addColumn<QString>("autoFocus");
        QTest::addColumn<QString>("countdown");
        QTest::addColumn<QString>("countdownOne");
        QTest::addColumn<QString>("countdownZero");
        QTest::addColumn<QString>("close");
        QTest::newRow("de") << "de" << "Während der Aktualisierung kann das Programm nicht beendet werden!"
                            << "<h3>Aktualisierung abgeschlossen!</h3>\r\nDas Gerät wird initialisiert. Bitte "
                               "nicht ausschalten."
                            << "Steuerung" << "Autofokus\uFF1A"
                            << "Das Fenster wird in 3 Sekunden automatisch geschlossen."
                            << "Das Fenster wird in 1 Sekunde automatisch geschlossen."
                            << "Das Fenster wird in 0 Sekunden automatisch geschlossen." << "Schließen";
        QTest::newRow("fr") << "fr" << "Impossible de quitter pendant la mise à jour\u00A0!"
                            << "<h3>Mise à jour terminée\u00A0!</h3>\r\nL'appareil s'initialise, ne "
                               "l'éteignez pas."
                            << "Commandes" << "Mise au point auto\uFF1A"
                            << "La fenêtre se fermera automatiquement dans 3 secondes."
                            << "La fenêtre se fermera automatiquement dans 1 seconde."
                            << "La fenêtre se fermera automatiquement dans 0 seconde." << "Fermer";
        QTest::newRow("es") << "es" << "¡No se puede salir durante la actualización!"
                            << "<h3>¡Actualización completada!</h3>\r\nEl dispositivo se está inicializando; "
                               "no lo apague."
                            << "Controles" << "Enfoque automático\uFF1A"
                            << "La ventana se cerrará automáticamente en 3 segundos."
                            << "La ventana se cerrará automáticamente en 1 segundo."
                            << "La ventana se cerrará automáticamente en 0 segundos." << "Cerrar";
        QTest::newRow("it") << "it" << "Impossibile uscire durante l'aggiornamento!"
                            << "<h3>Aggiornamento completato!</h3>\r\nIl dispositivo si sta "
                               "inizializzando, non spegnerlo."
                            << "Controlli" << "Messa a fuoco automatica\uFF1A"
                            << "La finestra si chiuderà automaticamente tra 3 secondi."
                            << "La finestra si chiuderà automaticamente tra 1 secondo."
                            << "La finestra si chiuderà automaticamente tra 0 secondi." << "Chiudi";
    }

    void keyTextsTranslate()
    {
        QFETCH(QString, language);
        QFETCH(QString, cannotExit);
        QFETCH(QString, upgradeDone);
        QFETCH(QString, controls);
        QFETCH(QString, autoFocus);
        QFETCH(QString, countdown);
        QFETCH(QString, countdownOne);
        QFETCH(QString, countdownZero);
        QFETCH(QString, close);
        Loaded loaded(language);
        QVERIFY(loaded.ok);
        QCOMPARE(translated("MainWindow", "Cannot exit during the upgrade process!"), cannotExit);
        QCOMPARE(translated("MainWindow", "<h3>Upgrade is done!</h3>\r\nThe device is initializing, don't power off."),
                 upgradeDone);
        QCOMPARE(translated("MainWindow", "Controls"), controls);
        QCOMPARE(translated("MainWindow", "Auto Focus\xEF\xBC\x9A"), autoFocus);
        const char countdownText[] = "The window will close automatically after %n seconds.";
        QCOMPARE(translated("FormCustomizeMessagebox", countdownText, 3), countdown);
        QCOMPARE(translated("FormCustomizeMessagebox", countdownText, 1), countdownOne);
        QCOMPARE(translated("FormCustomizeMessagebox", countdownText, 0), countdownZero);
        QCOMPARE(translated("titleBar", "Close"), close);
        QCOMPARE(translated("MainWindow", "Orvia Vista Cam"), QStringLiteral("Orvia Vista Cam"));
    }

    // The toolkit's own dialogs (the firmware file dialog, standard buttons) speak the
    // window's language: its translations come from the folder Debian installs them in.
    void toolkitDialogsSpeakTheLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("cancel");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("de") << int(E_L_GE) << "de" << "Abbrechen" << "&\u00D6ffnen" << "Datei&name:";
        QTest::newRow("fr") << int(E_L_FR) << "fr" << "Annuler" << "&Ouvrir" << "&Nom de fichier :";
        QTest::newRow("es") << int(E_L_SP) << "es" << "Cancelar" << "&Abrir" << "&Nombre de fichero:";
        QTest::newRow("it") << int(E_L_IT) << "it" << "Annulla" << "&Apri" << "&Nome del file:";
    }

    void toolkitDialogsSpeakTheLanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, code);
        QFETCH(QString, cancel);
        QFETCH(QString, open);
        QFETCH(QString, fileName);
        QCOMPARE(QLibraryInfo::location(QLibraryInfo::TranslationsPath), QStringLiteral("/usr/share/qt5/translations"));
        if (!QFileInfo::exists(QStringLiteral("/usr/share/qt5/translations/qtbase_%1.qm").arg(code)))
            QSKIP("the toolkit's translations are not installed (Debian package qttranslations5-l10n)");
        QTranslator toolkit;
        QVERIFY(loadToolkitTranslation(&toolkit, language));
        QCoreApplication::installTranslator(&toolkit);
        QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"),
                        QMessageBox::Ok | QMessageBox::Cancel);
#ifndef __SANITIZE_THREAD__
        QFileDialog dialog(nullptr, QStringLiteral("Open File"), QString(), QStringLiteral("Upgrade File(*.zip)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        QCoreApplication::removeTranslator(&toolkit);

        QCOMPARE(box.button(QMessageBox::Cancel)->text(), cancel);
        QDialogButtonBox *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), cancel);
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), open);
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("fileNameLabel"))->text(), fileName);
#else
        // Qt's own file dialog starts its file-system model's thread before it connects to
        // it, a race inside Qt Widgets that the instrumented QtCore reports. Under the thread
        // sanitizer the dialog's texts are asked of the same translation instead.
        const QString openText = QCoreApplication::translate("QFileDialog", "&Open");
        const QString fileNameText = QCoreApplication::translate("QFileDialog", "File &name:");
        QCoreApplication::removeTranslator(&toolkit);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), cancel);
        QCOMPARE(openText, open);
        QCOMPARE(fileNameText, fileName);
#endif

        // English loads nothing and the toolkit's own English shows.
        QTranslator english;
        QVERIFY(!loadToolkitTranslation(&english, E_L_EN));
        QMessageBox plain(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"),
                          QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(plain.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
    }

    // A choice longer than its box (French names presenter tracking at length) ends in
    // "…" and shows whole as the box's tooltip; a choice that fits shows whole and has none.
    void longChoicesEndWithAnEllipsis()
    {
        Loaded loaded(QStringLiteral("fr"));
        QVERIFY(loaded.ok);
        // The option lists come in the language of the run.
        struct RunLanguage
        {
            RunLanguage() { g_language = E_L_FR; }
            ~RunLanguage() { g_language = E_L_EN; }
        } runLanguage;
        // The program's own font, as it starts.
        installApplicationFont();
        windowtest::Fixture f;
        auto *box = f.child<ElidingComboBox>("comboBoxTrackMode");
        QCOMPARE(box->count(), 3);
        const QString whole = QStringLiteral("Suivi par la t\u00e9l\u00e9commande de pr\u00e9sentation");
        QCOMPARE(box->itemText(2), whole);
        box->setCurrentIndex(2);
        QCoreApplication::processEvents();
        const QString shown = box->shownText();
        QVERIFY2(shown.endsWith(QChar(0x2026)) && shown.size() > 10, qPrintable(shown));
        QVERIFY2(whole.startsWith(shown.chopped(1)), qPrintable(shown));
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(box, &help);
        QVERIFY(help.isAccepted());
        QCOMPARE(QToolTip::text(), whole);

        box->setCurrentIndex(0);
        QCoreApplication::processEvents();
        QCOMPARE(box->shownText(), QStringLiteral("\u00c9teint"));
        QHelpEvent again(QEvent::ToolTip, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(box, &again);
        QVERIFY(!again.isAccepted()); // no tooltip of its own
    }

    // The drop-down lists carry the labels of the run's language, whatever translator is
    // loaded, and the label chosen sends its value.
    void optionListsInTheRunsLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("effects");
        QTest::addColumn<QString>("fast");
        QTest::newRow("English") << 0 << QStringList{"Smooth", "Immediate"} << "Fast";
        QTest::newRow("German") << 1 << QStringList{"Fließend", "Unmittelbar"} << "Schnell";
        QTest::newRow("French") << 2 << QStringList{"Fluide", "Immédiat"} << "Rapide";
        QTest::newRow("Spanish") << 3 << QStringList{"Suave", "Inmediato"} << "Rápido";
        QTest::newRow("Italian") << 4 << QStringList{"Liscio", "Immediato"} << "Veloce";
    }

    void optionListsInTheRunsLanguage()
    {
        QFETCH(int, language);
        QFETCH(QStringList, effects);
        QFETCH(QString, fast);
        g_language = language;
        const auto restore = qScopeGuard([] { g_language = E_L_EN; });
        // Auto framing, so that effect and speed can be chosen.
        windowtest::Fixture f(windowtest::rigJson({windowtest::camera(
            QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
            QJsonObject{{QStringLiteral("features"),
                         QJsonObject{{QStringLiteral("trackingMode"), 1}, {QStringLiteral("trackingEffect"), 0},
                                     {QStringLiteral("trackingSpeed"), 2}}}})}));
        auto *effect = f.child<QComboBox>("comboBoxTrackEffect");
        QStringList shown;
        for (int i = 0; i < effect->count(); ++i)
            shown << effect->itemText(i);
        QCOMPARE(shown, effects);
        // The camera's values are shown by their labels.
        QCOMPARE(effect->currentText(), effects.at(1));
        QCOMPARE(f.child<QComboBox>("comboBoxTrackSpeend")->currentText(), fast);

        effect->setCurrentIndex(effects.indexOf(effects.at(0)));
        QCOMPARE(f.cam("cam1")->uvc().feature(QStringLiteral("trackingEffect")), 1);
    }

    // The window built under a translator shows the form's texts and the texts the code
    // sets (links, tooltips) in that language.
    void windowShowsTheLanguage()
    {
        Loaded loaded(QStringLiteral("fr"));
        QVERIFY(loaded.ok);
        windowtest::Fixture f;
        QCOMPARE(f.child<QToolButton>("btnNavControl")->text(), QStringLiteral("Commandes"));
        QCOMPARE(f.child<QToolButton>("btnColorControl")->text(), QStringLiteral("Réglage des couleurs"));
        QCOMPARE(f.child<QLabel>("label_22")->text(), QStringLiteral("Balance des blancs\u00A0:"));
        QCOMPARE(f.child<QLabel>("label")->text(), QStringLiteral("Micro\uFF1A"));
        QCOMPARE(f.child<QPushButton>("btnRestoreDefaults")->text(), QStringLiteral("Restaurer les paramètres d'usine"));
        QVERIFY(f.child<QLabel>("labelHyperlinksContactSupport")->text().endsWith(QLatin1String(">Contacter l'assistance")));
        QVERIFY(f.child<QLabel>("labelHyperlinksQuickStartGuide")->text().endsWith(QLatin1String(">Documentation</a>")));
        QCOMPARE(f.child<QPushButton>("btnCloseWindow")->toolTip(), QStringLiteral("Fermer"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Orvia Vista Cam"));
    }
};

LENSDESK_TEST_MAIN(TestTranslations)
#include "tst_translations.moc"
