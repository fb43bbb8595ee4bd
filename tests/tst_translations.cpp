// The four translation files: complete, faithful to the markup and placeholders of their
// source texts, in step with the texts the sources carry, and compiled into what the
// program loads.
#include "TestSupport.h"
#include "WindowTestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QToolButton>
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
};

struct TsFile
{
    QString language;
    QList<Message> messages;
    QString error;
};

// The text of <source> or <translation>; lupdate writes a carriage return as <byte value="xd"/>.
QString readText(QXmlStreamReader &xml, bool *numerus)
{
    QString text;
    const QString element = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            text += xml.text();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("byte")) {
            const QString value = xml.attributes().value(QLatin1String("value")).toString();
            bool ok = false;
            const uint code = value.startsWith(QLatin1Char('x')) ? value.mid(1).toUInt(&ok, 16) : value.toUInt(&ok);
            if (ok)
                text += QChar(code);
        } else if (xml.isStartElement() && xml.name() == QLatin1String("numerusform")) {
            *numerus = true;
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
                message.source = readText(xml, &message.numerus);
            } else if (xml.name() == QLatin1String("translation")) {
                message.type = xml.attributes().value(QLatin1String("type")).toString();
                message.translation = readText(xml, &message.numerus);
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

QString translated(const char *context, const char *source)
{
    return QCoreApplication::translate(context, source);
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
            if (m.numerus)
                problems << QStringLiteral("plural forms are not used: ") + key(m);
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
            const QString &s = m.source;
            const QString &t = m.translation;
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
            const QString got =
                translator.translate(m.context.toUtf8().constData(), m.source.toUtf8().constData());
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
        QTest::addColumn<QString>("close");
        QTest::newRow("de") << "de" << "Während der Aktualisierung kann das Programm nicht beendet werden!"
                            << "<h3>Aktualisierung abgeschlossen!</h3>\r\nDas Gerät wird initialisiert. Bitte "
                               "nicht ausschalten."
                            << "Steuerung" << "Autofokus\uFF1A"
                            << "Das Fenster wird in 3 Sekunden automatisch geschlossen." << "Schließen";
        QTest::newRow("fr") << "fr" << "Impossible de quitter pendant la mise à jour\u00A0!"
                            << "<h3>Mise à jour terminée\u00A0!</h3>\r\nL'appareil s'initialise, ne "
                               "l'éteignez pas."
                            << "Commandes" << "Mise au point auto\uFF1A"
                            << "La fenêtre se fermera automatiquement dans 3 secondes." << "Fermer";
        QTest::newRow("es") << "es" << "¡No se puede salir durante la actualización!"
                            << "<h3>¡Actualización completada!</h3>\r\nEl dispositivo se está inicializando; "
                               "no lo apague."
                            << "Controles" << "Enfoque automático\uFF1A"
                            << "La ventana se cerrará automáticamente en 3 segundos." << "Cerrar";
        QTest::newRow("it") << "it" << "Impossibile uscire durante l'aggiornamento!"
                            << "<h3>Aggiornamento completato!</h3>\r\nIl dispositivo si sta "
                               "inizializzando, non spegnerlo."
                            << "Controlli" << "Messa a fuoco automatica\uFF1A"
                            << "La finestra si chiuderà automaticamente tra 3 secondi." << "Chiudi";
    }

    void keyTextsTranslate()
    {
        QFETCH(QString, language);
        QFETCH(QString, cannotExit);
        QFETCH(QString, upgradeDone);
        QFETCH(QString, controls);
        QFETCH(QString, autoFocus);
        QFETCH(QString, countdown);
        QFETCH(QString, close);
        Loaded loaded(language);
        QVERIFY(loaded.ok);
        QCOMPARE(translated("MainWindow", "Cannot exit during the upgrade process!"), cannotExit);
        QCOMPARE(translated("MainWindow", "<h3>Upgrade is done!</h3>\r\nThe device is initializing, don't power off."),
                 upgradeDone);
        QCOMPARE(translated("MainWindow", "Controls"), controls);
        QCOMPARE(translated("MainWindow", "Auto Focus\xEF\xBC\x9A"), autoFocus);
        QCOMPARE(translated("FormCustomizeMessagebox", "The window will close automatically after %1 seconds.").arg(3),
                 countdown);
        QCOMPARE(translated("titleBar", "Close"), close);
        QCOMPARE(translated("MainWindow", "Orvia Vista Cam"), QStringLiteral("Orvia Vista Cam"));
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
