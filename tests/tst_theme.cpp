// Themes, the support links, the language chooser and the language change, and the
// overlay that dims the window behind its dialogs.
#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"

#include "core/Language.h"
#include "ui/LanguageSwitch.h"
#include "ui/MaskWidget.h"
#include "ui/Theme.h"
#include "ui/dialogs/FormPrompt.h"

#include <QPushButton>
#include <QTimer>

using namespace windowtest;
using dialogtest::DialogAnswerer;

namespace {

QString settingValue(const QString &key)
{
    QSettings settings(testsupport::appDir() + QStringLiteral("/product.ini"), QSettings::IniFormat);
    return settings.value(key).toString();
}

void writeSettings(int productLine, int style)
{
    QFile::remove(testsupport::appDir() + QStringLiteral("/product.ini"));
    QSettings settings(testsupport::appDir() + QStringLiteral("/product.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("/product_model/main"), productLine);
    settings.setValue(QStringLiteral("/style/index"), style);
}

struct LanguageGuard
{
    explicit LanguageGuard(int language) { g_language = language; }
    ~LanguageGuard() { g_language = 0; }
};

} // namespace

class TestTheme : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { LanguageSwitch::setRestartHandler(nullptr); }

    void lightAndDark()
    {
        Fixture f(rigJson({}));
        Theme *theme = f.window->theme();
        // The window starts light: the palette colour comes from the style sheet.
        QVERIFY(qApp->styleSheet().startsWith(QLatin1String("QPalette{background:#F5F5F5;}")));
        QCOMPARE(qApp->palette().color(QPalette::Window), QColor(QStringLiteral("#F5F5F5")));
        QCOMPARE(f.child<QLabel>("labelDevInfo")->styleSheet(), QStringLiteral("color: #4a4a4a;"));

        // The same theme again is read but not applied again.
        const int applied = Theme::appliedCount();
        theme->applyTheme(0);
        QCOMPARE(Theme::appliedCount(), applied);

        f.child<QPushButton>("btnModeLight")->click();
        QCOMPARE(f.window->styleIndex(), 1);
        QVERIFY(theme->isDarkMode());
        QCOMPARE(Theme::appliedCount(), applied + 1);
        QVERIFY(qApp->styleSheet().startsWith(QLatin1String("QPalette{background:#1e1e1f;}")));
        QCOMPARE(qApp->palette().color(QPalette::Window), QColor(QStringLiteral("#1e1e1f")));
        QCOMPARE(f.child<QLabel>("labelDevSupport")->styleSheet(), QStringLiteral("color: #F2F2F2;"));
        QVERIFY(f.child<QLabel>("labelHyperlinksApp")->text().contains(QLatin1String("color: #FFFFFF;")));
        QVERIFY(f.child<QPushButton>("btnLanguage")->styleSheet().contains(QLatin1String("background-color:#1e1e1f;")));
        QVERIFY(f.child<QWidget>("btnCameraUp")->styleSheet().contains(QLatin1String(":/qss/dark/icon-arrow-up-disable.png")));

        f.child<QPushButton>("btnModeLight")->click();
        QCOMPARE(f.window->styleIndex(), 0);
        QVERIFY(qApp->styleSheet().startsWith(QLatin1String("QPalette{background:#F5F5F5;}")));
        QVERIFY(f.child<QLabel>("labelHyperlinksApp")->text().contains(QLatin1String("color: #000000;")));
    }

    void languageSwitchOnItsOwnWindow()
    {
        // The switch needs no main window: any window that answers its few questions
        // will do. One that is upgrading keeps its language, its preview and its settings.
        struct UpgradingWindow : LanguageSwitch::Window
        {
            QWidget window;
            int refusals = 0;
            int previewStops = 0;
            QWidget *widget() override { return &window; }
            bool refuseWhileUpgrading() override
            {
                ++refusals;
                return true;
            }
            void stopCameraPreView() override { ++previewStops; }
        } window;
        writeSettings(0, 0);
        const LanguageGuard english(0);
        LanguageSwitch language(window);
        QCOMPARE(language.parent(), &window.window);

        language.on_btnLanguage_clicked();
        QVERIFY(!language.chooser());
        language.slotOnSwitchLanguage(2);
        QCOMPARE(window.refusals, 2);
        QCOMPARE(window.previewStops, 0);
        QCOMPARE(g_language, 0);
        QVERIFY(settingValue(QStringLiteral("/ChangeLanguage/Language")).isEmpty());
    }

    void savedDarkIndexIsKept()
    {
        testsupport::SimEnvironment env(rigJson({}));
        writeSettings(2, 2);
        {
            MainWindow w;
            w.show();
            QCOMPARE(w.styleIndex(), 2);
            QVERIFY(w.theme()->isDarkMode());
            QVERIFY(qApp->styleSheet().startsWith(QLatin1String("QPalette{background:#1e1e1f;}")));
            w.close();
        }
        QCOMPARE(settingValue(QStringLiteral("/style/index")), QStringLiteral("2"));
    }

    void linksFollowLanguageAndHover()
    {
        LanguageGuard spanish(3);
        Fixture f(rigJson({}));
        auto *contact = f.child<QLabel>("labelHyperlinksContactSupport");
        QVERIFY2(contact->text().contains(QLatin1String("/es/customer-service/\">")), qPrintable(contact->text()));
        QVERIFY(f.child<QPushButton>("btnLanguage")->styleSheet().contains(
            QLatin1String("url(:/qss/light/icon-lang-sp.png)")));
        QVERIFY(f.child<QLabel>("labelHyperlinksQuickStartGuide")->text().contains(QLatin1String("/us/downloads\"")));

        QEvent enter(QEvent::HoverEnter);
        QCoreApplication::sendEvent(contact, &enter);
        QVERIFY(contact->text().contains(QLatin1String("color: #42a5f5;")));
        QEvent leave(QEvent::HoverLeave);
        QCoreApplication::sendEvent(contact, &leave);
        QVERIFY(contact->text().contains(QLatin1String("color: #000000;")));

        auto *app = f.child<QLabel>("labelHyperlinksApp");
        QCoreApplication::sendEvent(app, &leave);
        QVERIFY(app->text().endsWith(QLatin1String("target=_blank>Application and Firmware</a>")));
        auto *header = f.child<QLabel>("labelDevUpdate");
        QCoreApplication::sendEvent(header, &enter);
        QCOMPARE(header->styleSheet(), QStringLiteral("color: #000000;"));
        QCoreApplication::sendEvent(header, &leave);
        QCOMPARE(header->styleSheet(), QStringLiteral("color: #4a4a4a;"));
    }

    void chooserOpensAndClosesAndTheSameLanguageOnlyCloses()
    {
        LanguageGuard english(0);
        Fixture f(rigJson({}));
        auto *language = f.child<QPushButton>("btnLanguage");
        language->click();
        FormPrompt *chooser = f.window->languageSwitch()->chooser();
        QVERIFY(chooser);
        QVERIFY(chooser->isVisible());
        QCOMPARE(chooser->parentWidget(), f.window.get());
        // The chooser raises no overlay.
        QVERIFY(!MaskWidget::instance()->isVisible());
        language->click();
        QVERIFY(!chooser->isVisible());

        language->click();
        DialogAnswerer dialogs;
        int restarts = 0;
        LanguageSwitch::setRestartHandler([&] { ++restarts; });
        chooser->findChild<QPushButton *>(QStringLiteral("btnEN"))->click();
        QVERIFY(!chooser->isVisible());
        QCOMPARE(dialogs.count(), 0);
        QTest::qWait(50);
        QCOMPARE(restarts, 0);

        // A page tab closes it too.
        language->click();
        QVERIFY(chooser->isVisible());
        f.child<QAbstractButton>("btnNavSupport")->click();
        QVERIFY(!chooser->isVisible());
    }

    void languageChangeSavesBothKeysBeforeTheRestart()
    {
        LanguageGuard english(0);
        Fixture f(rigJson({}));
        f.child<QPushButton>("btnModeLight")->click(); // dark, so the saved style is 1
        int restarts = 0;
        QString languageAtRestart;
        QString styleAtRestart;
        LanguageSwitch::setRestartHandler([&] {
            ++restarts;
            languageAtRestart = settingValue(QStringLiteral("/ChangeLanguage/Language"));
            styleAtRestart = settingValue(QStringLiteral("/style/index"));
        });

        // Cancel changes nothing; the chooser stays open.
        f.child<QPushButton>("btnLanguage")->click();
        FormPrompt *chooser = f.window->languageSwitch()->chooser();
        {
            DialogAnswerer dialogs(dialogtest::Cancel);
            chooser->findChild<QPushButton *>(QStringLiteral("btnFR"))->click();
            QCOMPARE(dialogs.count(), 1);
            QCOMPARE(dialogs.at(0).text, QStringLiteral("Camera needs to restart to switch the default language."));
            QCOMPARE(dialogs.at(0).buttons, (QStringList{"btnCancel", "btnOK"}));
        }
        QVERIFY(chooser->isVisible());
        QCOMPARE(g_language, 0);
        QVERIFY(settingValue(QStringLiteral("/ChangeLanguage/Language")).isEmpty());

        DialogAnswerer dialogs(dialogtest::Ok);
        chooser->findChild<QPushButton *>(QStringLiteral("btnIT"))->click();
        QCOMPARE(g_language, 4);
        QVERIFY(!f.window->isPreviewRunning());
        QVERIFY(!f.window->isStatusPollActive());
        QTRY_COMPARE(restarts, 1);
        QCOMPARE(languageAtRestart, QStringLiteral("4"));
        QCOMPARE(styleAtRestart, QStringLiteral("1"));
    }

    void overlayWhileADialogIsOpen()
    {
        Fixture f(rigJson({}));
        MaskWidget *mask = MaskWidget::instance();
        QCOMPARE(mask->mainWidget(), f.window.get());
        QVERIFY(!mask->isVisible());
        bool maskedWhileOpen = false;
        QTimer probe;
        probe.setInterval(5);
        connect(&probe, &QTimer::timeout, this, [&] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                maskedWhileOpen = mask->isVisible();
                probe.stop();
                modal->close();
            }
        });
        probe.start();
        f.window->showMessageBox(QStringLiteral("hello"), false);
        QVERIFY(maskedWhileOpen);
        QVERIFY(!mask->isVisible());
        QCOMPARE(mask->geometry().size(), f.window->size());
    }
};

LENSDESK_TEST_MAIN(TestTheme)
#include "tst_theme.moc"
