// The dialogs of the main window: the message box with its countdown, the upgrade
// confirmation, the abnormal-device dialog with its package pick, the language chooser,
// the rounded outline, the placement over the window and the dimming overlay.
#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "platform/VirtualClock.h"
#include "ui/MaskWidget.h"
#include "ui/dialogs/DialogPlacement.h"
#include "ui/dialogs/FormAbnormal.h"
#include "ui/dialogs/FormCustomizeMessagebox.h"
#include "ui/dialogs/FormPrompt.h"
#include "ui/dialogs/FormUpgrade.h"
#include "ui/dialogs/RoundedMask.h"
#include "upgrade/PackagePreparation.h"
#include "upgrade/UpgradeLock.h"
#include "upgrade/Zip7z.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>

#include <memory>

using dialogtest::DialogAnswerer;
using dialogtest::FileDialogAnswerer;
using upgradetest::appFile;
using upgradetest::LogCapture;
using upgradetest::writeFile;

namespace {

QString countdownLine(int seconds)
{
    return QStringLiteral("The window will close automatically after %1 seconds.").arg(seconds);
}

QStringList countdownLines(std::initializer_list<int> seconds)
{
    QStringList lines;
    for (int s : seconds)
        lines << countdownLine(s);
    return lines;
}

QStringList shownButtons(QWidget *form)
{
    QStringList names;
    for (QPushButton *b : form->findChildren<QPushButton *>())
        if (b->isVisibleTo(form))
            names << b->objectName();
    names.sort();
    return names;
}

QTimer *countdownTimer(QObject *box)
{
    const auto timers = box->findChildren<QTimer *>();
    return timers.size() == 1 ? timers.first() : nullptr;
}

QString label(QWidget *form, const char *name)
{
    auto *l = form->findChild<QLabel *>(QLatin1String(name));
    return l ? l->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

    platform::VirtualClock m_clock;
    QTemporaryDir m_work;

    // A zip of the given files (path relative to the package -> content) built with the
    // system's 7-Zip.
    QString makePackage(const QString &name, const QList<QPair<QString, QByteArray>> &files)
    {
        const QString src = m_work.path() + QStringLiteral("/src-") + name;
        QDir(src).removeRecursively();
        QStringList entries;
        for (const auto &f : files) {
            writeFile(src + QLatin1Char('/') + f.first, f.second);
            const QString top = f.first.section(QLatin1Char('/'), 0, 0);
            if (!entries.contains(top))
                entries << top;
        }
        const QString archive = m_work.path() + QLatin1Char('/') + name + QStringLiteral(".zip");
        QFile::remove(archive);
        upgradetest::zipEntries(src, archive, entries);
        return archive;
    }

    static QList<QPair<QString, QByteArray>> packageFiles(const QByteArray &model)
    {
        return {{QStringLiteral("auto_update.txt"), "reset\n"},
                {QStringLiteral("scripts/setup.txt"), "setenv a 1\n"},
                {QStringLiteral("kernel"), upgradetest::pattern(3000)},
                {QStringLiteral("model.dat"), model}};
    }

private slots:
    void initTestCase()
    {
        platform::setClock(&m_clock);
        MaskWidget::instance();
    }
    void cleanupTestCase() { platform::setClock(nullptr); }
    void init()
    {
        m_clock.setTimerDivisor(100);
        QDir::setCurrent(testsupport::appDir());
        upgradetest::clearAppDir();
    }
    void cleanup()
    {
        m_clock.setHeldTimers(false);
        MaskWidget::instance()->setMainWidget(nullptr);
        MaskWidget::instance()->hide();
    }

    // ---- message box ---------------------------------------------------------------

    void messageBoxForm()
    {
        FormCustomizeMessagebox box(QStringLiteral("<h3>Title</h3>\r\nBody"), 0, false);
        QCOMPARE(box.objectName(), QStringLiteral("FormCustomizeMessagebox"));
        QCOMPARE(box.windowTitle(), QStringLiteral("Tips"));
        QCOMPARE(box.size(), QSize(450, 225));
        QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(label(&box, "labeltext"), QStringLiteral("<h3>Title</h3>\r\nBody"));
        QVERIFY(box.findChild<QLabel *>(QStringLiteral("labeltext"))->wordWrap());
        QVERIFY(!box.findChild<QLabel *>(QStringLiteral("labelCountdown"))->isVisibleTo(&box));
        QVERIFY(box.findChildren<QTimer *>().isEmpty());
        QCOMPARE(box.findChild<QPushButton *>(QStringLiteral("btnOK"))->text(), QStringLiteral("OK"));
        QCOMPARE(box.findChild<QPushButton *>(QStringLiteral("btnCancel"))->text(), QStringLiteral("Cancel"));
        QCOMPARE(box.focusWidget(), box.findChild<QPushButton *>(QStringLiteral("btnOK")));
        auto *grid = qobject_cast<QGridLayout *>(box.layout());
        QVERIFY(grid);
        QCOMPARE(grid->verticalSpacing(), 6);
        QCOMPARE(grid->contentsMargins().left(), 22);
        QCOMPARE(grid->contentsMargins().right(), 22);
    }

    void messageBoxButtons_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("0") << 0 << QStringList{"btnOK"};
        QTest::newRow("1") << 1 << QStringList{"btnCancel", "btnOK"};
        QTest::newRow("2") << 2 << QStringList{"btnOK"};
        QTest::newRow("-1") << -1 << QStringList{"btnOK"};
    }
    void messageBoxButtons()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, buttons);
        FormCustomizeMessagebox box(QStringLiteral("text"), mode, false);
        QCOMPARE(shownButtons(&box), buttons);
    }

    void okAndCancelAnswer()
    {
        DialogAnswerer answerer;
        answerer.answer(dialogtest::Ok).answer(dialogtest::Cancel).answer(dialogtest::Close);
        FormCustomizeMessagebox a(QStringLiteral("a"), 1, false);
        QCOMPARE(a.exec(), 1);
        FormCustomizeMessagebox b(QStringLiteral("b"), 1, false);
        QCOMPARE(b.exec(), 0);
        FormCustomizeMessagebox c(QStringLiteral("c"), 1, false);
        QCOMPARE(c.exec(), 0);
        QCOMPARE(answerer.texts(), QStringList({"a", "b", "c"}));
        QVERIFY(answerer.errors().isEmpty());
    }

    void countdownRunsOnTheInjectedClock()
    {
        m_clock.setTimerDivisor(1);
        FormCustomizeMessagebox box(QStringLiteral("text"), 0, true);
        QTimer *timer = countdownTimer(&box);
        QVERIFY(timer);
        QCOMPARE(timer->parent(), &box);
        QVERIFY(timer->isActive());
        QVERIFY(!timer->isSingleShot());
        QCOMPARE(timer->interval(), 1000);
        QCOMPARE(label(&box, "labelCountdown"), countdownLine(5));
        QVERIFY(box.findChild<QLabel *>(QStringLiteral("labelCountdown"))->isVisibleTo(&box));
    }

    void countdownMovesWithTheClockAlone()
    {
        m_clock.setHeldTimers(true);
        DialogAnswerer answerer;
        answerer.answer(dialogtest::LeaveOpen);
        FormCustomizeMessagebox box(QStringLiteral("Done"), 0, true);
        QStringList shown;
        QTimer::singleShot(0, &box, [&] {
            // Real time passes, the clock does not: no tick.
            QTest::qWait(50);
            shown << label(&box, "labelCountdown");
            // The first tick (at 1 s) shows 5 again, the second (at 2 s) 4.
            m_clock.advance(1999);
            QCoreApplication::processEvents();
            shown << label(&box, "labelCountdown");
            m_clock.advance(1);
            QCoreApplication::processEvents();
            shown << label(&box, "labelCountdown");
            // Four seconds at once: every tick, in order, and the box closes at zero (6 s).
            m_clock.advance(4000);
        });
        QCOMPARE(box.exec(), 1);
        QCOMPARE(shown, countdownLines({5, 5, 4}));
        QCOMPARE(label(&box, "labelCountdown"), countdownLine(0));
        QCOMPARE(m_clock.pendingTimers(), 0);
    }

    void countdownClosesAsAcceptedAfterTheZeroTick()
    {
        DialogAnswerer answerer;
        answerer.answer(dialogtest::LeaveOpen);
        FormCustomizeMessagebox box(QStringLiteral("Done"), 0, true);
        // Another listener on the box's timer sees every tick but the last, which
        // closes the box.
        QStringList atTick;
        QList<bool> visibleAtTick;
        connect(countdownTimer(&box), &QTimer::timeout, this, [&] {
            atTick << label(&box, "labelCountdown");
            visibleAtTick << box.isVisible();
        });
        QCOMPARE(box.exec(), 1);
        QCOMPARE(atTick, countdownLines({5, 4, 3, 2, 1}));
        QCOMPARE(visibleAtTick, QList<bool>({true, true, true, true, true}));
        QCOMPARE(label(&box, "labelCountdown"), countdownLine(0));
        QVERIFY(box.findChildren<QTimer *>().isEmpty());
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.at(0).countdown, countdownLines({5, 5, 4, 3, 2, 1, 0}));
        QCOMPARE(answerer.at(0).ticks, 6);
        QCOMPARE(answerer.at(0).result, 1);
    }

    // The count agrees with its noun in a translation: French takes the singular for one
    // second and for none, the plural above. English keeps its one text (above).
    void countdownAgreesWithTheCountInFrench()
    {
        QTranslator french;
        QVERIFY(french.load(QStringLiteral(LENSDESK_TRANSLATIONS_DIR "/app_fr.qm")));
        QCoreApplication::installTranslator(&french);
        DialogAnswerer answerer;
        answerer.answer(dialogtest::LeaveOpen);
        FormCustomizeMessagebox box(QStringLiteral("Done"), 0, true);
        const int result = box.exec();
        QCoreApplication::removeTranslator(&french);
        QCOMPARE(result, 1);
        const QString line = QStringLiteral("La fen\u00eatre se fermera automatiquement dans %1.");
        QCOMPARE(answerer.at(0).countdown,
                 (QStringList{line.arg("5 secondes"), line.arg("5 secondes"), line.arg("4 secondes"),
                              line.arg("3 secondes"), line.arg("2 secondes"), line.arg("1 seconde"),
                              line.arg("0 seconde")}));
    }

    void noTickAfterTheBoxIsAnswered_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("lastShown");
        QTest::newRow("OK after 2 ticks") << int(dialogtest::Ok) << 2 << 1 << 4;
        QTest::newRow("Cancel after 3 ticks") << int(dialogtest::Cancel) << 3 << 0 << 3;
        QTest::newRow("Cancel at once") << int(dialogtest::Cancel) << 0 << 0 << 5;
        QTest::newRow("closed after 4 ticks") << int(dialogtest::Close) << 4 << 0 << 2;
    }
    void noTickAfterTheBoxIsAnswered()
    {
        QFETCH(int, action);
        QFETCH(int, ticks);
        QFETCH(int, result);
        QFETCH(int, lastShown);
        DialogAnswerer answerer;
        answerer.answer(dialogtest::Action(action), ticks);
        FormCustomizeMessagebox box(QStringLiteral("text"), 1, true);
        QCOMPARE(box.exec(), result);
        QVERIFY(box.findChildren<QTimer *>().isEmpty());
        // Ten ticks' worth of real time later nothing has moved.
        QTest::qWait(100);
        QCOMPARE(label(&box, "labelCountdown"), countdownLine(lastShown));
        QCOMPARE(box.result(), result);
        QCOMPARE(answerer.at(0).ticks, ticks);
        QCOMPARE(answerer.at(0).result, result);
        QVERIFY(answerer.errors().isEmpty());
    }

    // ---- the other forms -----------------------------------------------------------

    void upgradeForm()
    {
        FormUpgrade form;
        QCOMPARE(form.objectName(), QStringLiteral("FormUpgrade"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Upgrade"));
        QCOMPARE(form.size(), QSize(450, 258));
        QVERIFY(!form.isModal());
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        auto *edit = form.findChild<QTextEdit *>(QStringLiteral("textEditPrompt"));
        QVERIFY(edit->isReadOnly());
        QCOMPARE(edit->contextMenuPolicy(), Qt::NoContextMenu);
        QVERIFY(edit->toPlainText().startsWith(QLatin1String("Get Ready to Upgrade\nMake sure your camera")));
        QVERIFY(edit->toHtml().contains(QLatin1String("Do not disconnect your device")));
        QCOMPARE(shownButtons(&form), QStringList({"btnCancel", "btnOK"}));
        QCOMPARE(form.focusWidget(), form.findChild<QPushButton *>(QStringLiteral("btnOK")));
        const QMargins m = form.layout()->contentsMargins();
        QCOMPARE(m.left(), 22);
        QCOMPARE(m.right(), 22);
        QCOMPARE(m.bottom(), 24);

        DialogAnswerer answerer;
        answerer.answer(dialogtest::Ok).answer(dialogtest::Cancel);
        QCOMPARE(form.exec(), 1);
        QCOMPARE(form.exec(), 0);
        QCOMPARE(answerer.at(0).name, QStringLiteral("FormUpgrade"));
        QVERIFY(answerer.at(0).text.contains(QLatin1String("This update takes a few minutes to complete.")));
    }

    void abnormalForm()
    {
        FormAbnormal form;
        QCOMPARE(form.objectName(), QStringLiteral("FormAbnormal"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Upgrade"));
        QCOMPARE(form.size(), QSize(450, 238));
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        auto *prompt = form.findChild<QLabel *>(QStringLiteral("labelPrompt"));
        QCOMPARE(prompt->text(), QStringLiteral("<h3>Unknown Exception Detected</h3>\r\nUpgrade was interrupted by "
                                                "an unknown exception, please try again."));
        QVERIFY(prompt->openExternalLinks());
        QVERIFY(prompt->wordWrap());
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("btnUpgrade"))->text(), QStringLiteral("Upgrade"));
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("btnCancel"))->text(), QStringLiteral("Cancel"));
        QCOMPARE(form.focusWidget(), form.findChild<QPushButton *>(QStringLiteral("btnUpgrade")));
        auto *grid = qobject_cast<QGridLayout *>(form.layout());
        QCOMPARE(grid->horizontalSpacing(), 22);
        int row, column, rowSpan, columnSpan;
        grid->getItemPosition(grid->indexOf(prompt), &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(columnSpan, 4);
    }

    void languageChooser()
    {
        LogCapture log;
        QWidget window;
        FormPrompt prompt(&window);
        QCOMPARE(prompt.objectName(), QStringLiteral("FormPrompt"));
        QCOMPARE(prompt.size(), QSize(235, 80));
        QCOMPARE(prompt.minimumSize(), QSize(235, 80));
        QVERIFY(prompt.testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(prompt.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!prompt.isWindow());
        window.show();
        prompt.show();
        QVERIFY(prompt.findChild<QWidget *>(QStringLiteral("widgetBackground"))->isVisible());

        QSignalSpy spy(&prompt, &FormPrompt::sigSwitchLanguage);
        const char *names[] = {"btnEN", "btnGE", "btnFR", "btnSP", "btnIT"};
        for (const char *name : names) {
            auto *b = prompt.findChild<QPushButton *>(QLatin1String(name));
            QVERIFY2(b, name);
            QVERIFY(b->isVisible());
            QCOMPARE(b->minimumSize(), QSize(24, 24));
            QCOMPARE(b->maximumSize(), QSize(24, 24));
            QVERIFY(b->text().isEmpty());
            QTest::mouseClick(b, Qt::LeftButton);
        }
        QCOMPARE(spy.count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(spy.at(i).at(0).toInt(), i);
        QCOMPARE(log.lines(), QStringList({"call on_btnEN_clicked", "call on_btnGE_clicked", "call on_btnFR_clicked",
                                           "call on_btnSP_clicked", "call on_btnIT_clicked"}));
        // The chooser does not hide itself, and it has no rounded outline.
        QVERIFY(prompt.isVisible());
        QVERIFY(prompt.mask().isEmpty());
    }

    void textsAreTranslatedInTheFormContext()
    {
        // The countdown holds still while the dialogs are answered, however slow the
        // machine: it moves with the clock alone.
        m_clock.setHeldTimers(true);
        QTranslator german;
        QVERIFY(german.load(QStringLiteral(LENSDESK_TRANSLATIONS_DIR "/app_de.qm")));
        QCoreApplication::installTranslator(&german);
        FormCustomizeMessagebox box(QStringLiteral("text"), 1, true);
        FormUpgrade upgrade;
        FormAbnormal abnormal;
        FileDialogAnswerer files;
        DialogAnswerer answerer(dialogtest::Cancel);
        answerer.answer(dialogtest::Upgrade);
        abnormal.exec();
        QCoreApplication::removeTranslator(&german);

        QCOMPARE(box.windowTitle(), QStringLiteral("Hinweis"));
        QCOMPARE(box.findChild<QPushButton *>(QStringLiteral("btnCancel"))->text(), QStringLiteral("Abbrechen"));
        QCOMPARE(label(&box, "labelCountdown"),
                 QStringLiteral("Das Fenster wird in 5 Sekunden automatisch geschlossen."));
        QCOMPARE(upgrade.windowTitle(), QStringLiteral("Aktualisierung"));
        QVERIFY(upgrade.findChild<QTextEdit *>(QStringLiteral("textEditPrompt"))
                    ->toPlainText()
                    .startsWith(QLatin1String("Bereit zur Aktualisierung")));
        QCOMPARE(label(&abnormal, "labelPrompt"),
                 QStringLiteral("<h3>Unbekannte Ausnahme erkannt</h3>\r\nDie Aktualisierung wurde durch eine "
                                "unbekannte Ausnahme unterbrochen, bitte versuchen Sie es erneut."));
        QCOMPARE(abnormal.findChild<QPushButton *>(QStringLiteral("btnUpgrade"))->text(),
                 QStringLiteral("Aktualisieren"));
        QCOMPARE(files.count(), 1);
        QCOMPARE(files.requests().at(0).caption, QStringLiteral("Datei öffnen"));
        QCOMPARE(files.requests().at(0).filter, QStringLiteral("Aktualisierungsdatei(*.zip)"));
    }

    // ---- rounded outline -----------------------------------------------------------

    void roundedCornersFollowEveryResize_data()
    {
        QTest::addColumn<QString>("form");
        QTest::newRow("message box") << QStringLiteral("FormCustomizeMessagebox");
        QTest::newRow("upgrade") << QStringLiteral("FormUpgrade");
        QTest::newRow("abnormal") << QStringLiteral("FormAbnormal");
    }
    void roundedCornersFollowEveryResize()
    {
        QFETCH(QString, form);
        std::unique_ptr<QDialog> dialog;
        if (form == QLatin1String("FormCustomizeMessagebox"))
            dialog = std::make_unique<FormCustomizeMessagebox>(QStringLiteral("text"), 1, false);
        else if (form == QLatin1String("FormUpgrade"))
            dialog = std::make_unique<FormUpgrade>();
        else
            dialog = std::make_unique<FormAbnormal>();
        dialog->show();
        for (const QSize size : {QSize(450, 180), QSize(501, 333)}) {
            dialog->resize(size);
            QCoreApplication::processEvents();
            const QRegion mask = dialog->mask();
            const int w = size.width();
            const int h = size.height();
            QCOMPARE(mask.boundingRect(), QRect(0, 0, w, h));
            // On the edge, the arc of radius 10 leaves the rows 0 to 6 (centre 6.5 px down,
            // 6.88 needed) and takes row 7 (7.72 would be needed at radius 11); on the
            // diagonal it leaves 2 and takes 3.
            for (const QPoint &p : {QPoint(0, 0), QPoint(1, 1), QPoint(2, 2), QPoint(0, 6), QPoint(6, 0)}) {
                QVERIFY2(!mask.contains(p), qPrintable(QStringLiteral("%1,%2 in %3x%4").arg(p.x()).arg(p.y()).arg(w).arg(h)));
                QVERIFY(!mask.contains(QPoint(w - 1 - p.x(), p.y())));
                QVERIFY(!mask.contains(QPoint(p.x(), h - 1 - p.y())));
                QVERIFY(!mask.contains(QPoint(w - 1 - p.x(), h - 1 - p.y())));
            }
            for (const QPoint &p : {QPoint(3, 3), QPoint(0, 7), QPoint(7, 0), QPoint(w / 2, 0)}) {
                QVERIFY2(mask.contains(p), qPrintable(QStringLiteral("%1,%2 in %3x%4").arg(p.x()).arg(p.y()).arg(w).arg(h)));
                QVERIFY(mask.contains(QPoint(w - 1 - p.x(), p.y())));
                QVERIFY(mask.contains(QPoint(p.x(), h - 1 - p.y())));
                QVERIFY(mask.contains(QPoint(w - 1 - p.x(), h - 1 - p.y())));
            }
            QVERIFY(mask.contains(QPoint(0, h / 2)));
        }
    }

    // ---- placement -----------------------------------------------------------------

    void centredPlacementArithmetic_data()
    {
        QTest::addColumn<QRect>("over");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("even") << QRect(100, 50, 1000, 600) << QSize(450, 180) << QPoint(375, 260);
        QTest::newRow("odd window") << QRect(100, 50, 1001, 601) << QSize(450, 180) << QPoint(375, 260);
        QTest::newRow("odd dialog") << QRect(0, 0, 1000, 600) << QSize(451, 181) << QPoint(274, 209);
        QTest::newRow("larger dialog") << QRect(0, 0, 300, 101) << QSize(451, 180) << QPoint(-75, -39);
        QTest::newRow("negative origin") << QRect(-1920, -7, 800, 600) << QSize(450, 258) << QPoint(-1745, 164);
    }
    void centredPlacementArithmetic()
    {
        QFETCH(QRect, over);
        QFETCH(QSize, size);
        QFETCH(QPoint, topLeft);
        QCOMPARE(centredTopLeft(over, size), topLeft);
    }

    void execCentredPlacesSizesAndRunsModally()
    {
        QWidget window;
        window.setObjectName(QStringLiteral("MainWindow"));
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.setGeometry(101, 51, 1001, 703);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MaskWidget::instance()->setMainWidget(&window);

        DialogAnswerer answerer;
        QPoint shownAt;
        QSize shownSize;
        bool modal = false;
        bool masked = false;
        QRect maskGeometry;
        FormCustomizeMessagebox box(QStringLiteral("notice"), 0, false);
        QTimer::singleShot(0, [&] {
            shownAt = box.pos();
            shownSize = box.size();
            modal = QApplication::activeModalWidget() == &box;
            masked = MaskWidget::instance()->isVisible();
            maskGeometry = MaskWidget::instance()->geometry();
        });
        QCOMPARE(execCentred(box, &window, QSize(450, 180)), 1);
        QCOMPARE(shownSize, QSize(450, 180));
        QCOMPARE(box.minimumSize(), QSize(450, 180));
        QCOMPARE(box.maximumSize(), QSize(450, 180));
        QCOMPARE(shownAt, QPoint(101 + 275, 51 + 261));
        QVERIFY(modal);
        QVERIFY(masked);
        QCOMPARE(maskGeometry, QRect(101, 51, 1001, 703));
        QVERIFY(!MaskWidget::instance()->isVisible());

        // Without a fixed size the form keeps its own.
        FormUpgrade upgrade;
        answerer.answer(dialogtest::Cancel);
        QCOMPARE(execCentred(upgrade, &window), 0);
        QCOMPARE(upgrade.size(), QSize(450, 258));
        QCOMPARE(upgrade.pos(), QPoint(101 + 275, 51 + 222));
        QCOMPARE(answerer.names(), QStringList({"FormCustomizeMessagebox", "FormUpgrade"}));
    }

    // ---- overlay -------------------------------------------------------------------

    void overlayLooks()
    {
        MaskWidget *mask = MaskWidget::instance();
        QCOMPARE(MaskWidget::instance(), mask);
        QVERIFY(mask->isWindow());
        QVERIFY(!mask->parent());
        QVERIFY(mask->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(mask->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(qAbs(mask->windowOpacity() - 0.7) < 0.01);
        QCOMPARE(mask->palette().color(QPalette::Active, QPalette::Window), QColor(0, 0, 0, 255));
        QCOMPARE(mask->palette().color(QPalette::Inactive, QPalette::Window), QColor(0, 0, 0, 255));
        QCOMPARE(mask->dialogNames(), QStringList({"FormCustomizeMessagebox", "FormAbnormal", "FormUpgrade"}));
    }

    void overlayFollowsTheThreeDialogsOnly()
    {
        MaskWidget *mask = MaskWidget::instance();
        QWidget window;
        window.setObjectName(QStringLiteral("MainWindow"));
        window.setGeometry(40, 30, 800, 500);
        window.show();
        mask->setMainWidget(&window);
        QVERIFY(!mask->isVisible());

        FormCustomizeMessagebox box(QStringLiteral("text"), 0, false);
        FormUpgrade upgrade;
        FormAbnormal abnormal;
        for (QDialog *dialog : std::initializer_list<QDialog *>{&box, &upgrade, &abnormal}) {
            dialog->show();
            QVERIFY2(mask->isVisible(), qPrintable(dialog->objectName()));
            QCOMPARE(mask->geometry(), QRect(40, 30, 800, 500));
            dialog->hide();
            QVERIFY2(!mask->isVisible(), qPrintable(dialog->objectName()));
        }

        // One over another: the window stays dimmed until the last of them goes,
        // whichever goes first.
        box.show();
        abnormal.show();
        box.hide();
        QVERIFY(mask->isVisible());
        abnormal.hide();
        QVERIFY(!mask->isVisible());
        upgrade.show();
        abnormal.show();
        abnormal.hide();
        QVERIFY(mask->isVisible());
        upgrade.hide();
        QVERIFY(!mask->isVisible());

        // The language chooser, shown as a child or on its own, never dims the window.
        FormPrompt child(&window);
        child.show();
        QVERIFY(!mask->isVisible());
        FormPrompt alone;
        alone.show();
        QVERIFY(!mask->isVisible());

        // Clicking the dimmed window puts the overlay back in front of it.
        box.show();
        QVERIFY(mask->isVisible());
        window.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), mask);
        box.hide();
    }

    void overlayOutlivesItsMainWidget()
    {
        MaskWidget *mask = MaskWidget::instance();
        auto window = std::make_unique<QWidget>();
        window->setGeometry(10, 20, 300, 200);
        mask->setMainWidget(window.get());
        QCOMPARE(mask->mainWidget(), window.get());
        window.reset();
        QVERIFY(!mask->mainWidget());
        FormUpgrade upgrade;
        upgrade.show();
        QVERIFY(mask->isVisible());
        upgrade.hide();
        QVERIFY(!mask->isVisible());
    }

    // ---- recovery package pick -----------------------------------------------------

    void abnormalPackagePick()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString bad = makePackage(QStringLiteral("no kernel"), [] {
            auto files = packageFiles("ARBOR 50F");
            files.removeAt(2);
            return files;
        }());
        const QString good = makePackage(QStringLiteral("good"), packageFiles("....ARBOR 50F...."));
        // An earlier complete package in the application directory must not make the
        // incomplete one pass.
        for (const auto &f : packageFiles("ARBOR 220"))
            upgradetest::writeAppFile(f.first, f.second);

        LogCapture log;
        FileDialogAnswerer files;
        files.answer(QString()).answer(bad).answer(good);
        DialogAnswerer answerer(dialogtest::Cancel);
        answerer.answer(dialogtest::Upgrade).answer(dialogtest::Upgrade).answer(dialogtest::Upgrade);
        FormAbnormal form;
        QCOMPARE(form.exec(), 1);

        // One dialog, answered three times, and no message at all.
        QCOMPARE(answerer.names(), QStringList{"FormAbnormal"});
        QCOMPARE(answerer.pendingSteps(), 0);
        QCOMPARE(files.count(), 3);
        for (const FileDialogs::Request &r : files.requests()) {
            QCOMPARE(r.parent, &form);
            QCOMPARE(r.caption, QStringLiteral("Open File"));
            QCOMPARE(r.filter, QStringLiteral("Upgrade File(*.zip)"));
            QVERIFY(r.dir.isEmpty());
        }
        const QString appDirLine = QStringLiteral("app dir: \"%1\"").arg(testsupport::appDir());
        // The cancelled pick logs nothing after the directory; the model comes last.
        QStringList flow;
        for (const QString &line : log.lines())
            if (line.startsWith(QLatin1String("app dir:")) || line.startsWith(QLatin1String("upgrade file:"))
                || line.startsWith(QLatin1String("firmware file model:")))
                flow << line;
        QCOMPARE(flow, QStringList({appDirLine, appDirLine, QStringLiteral("upgrade file: \"%1\"").arg(bad), appDirLine,
                                    QStringLiteral("upgrade file: \"%1\"").arg(good),
                                    QStringLiteral("firmware file model: 10")}));
        // The good package lies in a folder of its own, which goes with the package.
        const QString folder = form.packageFolder();
        QVERIFY(folder.startsWith(testsupport::appDir() + QStringLiteral("/.package-")));
        QFile model(folder + QStringLiteral("/model.dat"));
        QVERIFY(model.open(QIODevice::ReadOnly));
        QCOMPARE(model.readAll(), QByteArray("....ARBOR 50F...."));
        model.close();
        std::unique_ptr<PackagePreparation> package = form.takePackage();
        QVERIFY(form.packageFolder().isEmpty());
        QCOMPARE(package->package().folder(), folder);
        package.reset();
        QVERIFY(!QFileInfo::exists(folder));
    }

    void unreadableModelStillAccepts()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        const QString nameless = makePackage(QStringLiteral("nameless"), packageFiles("no model named here"));
        LogCapture log;
        FileDialogAnswerer files;
        files.answer(nameless);
        DialogAnswerer answerer(dialogtest::Cancel);
        answerer.answer(dialogtest::Upgrade);
        FormAbnormal form;
        QCOMPARE(form.exec(), 1);
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(log.count(QStringLiteral("upgrade file: \"%1\"").arg(nameless)), 1);
        for (const QString &line : log.lines())
            QVERIFY2(!line.startsWith(QLatin1String("firmware file model:")), qPrintable(line));
        QVERIFY(QFileInfo(form.packageFolder() + QStringLiteral("/model.dat")).isFile());
    }

    void aPackageThatCannotBeUnpackedIsReported()
    {
        // Not an archive: the tool's refusal is told, and the dialog stays for another pick.
        const QString garbage = upgradetest::appFile(QStringLiteral("garbage.zip"));
        upgradetest::writeFile(garbage, "this is not an archive at all");
        FileDialogAnswerer files;
        files.answer(garbage);
        DialogAnswerer answerer(dialogtest::Ok);
        answerer.answer(dialogtest::Upgrade).answer(dialogtest::Ok).answer(dialogtest::Cancel);
        FormAbnormal form;
        QCOMPARE(form.exec(), 0);
        QCOMPARE(answerer.names(), (QStringList{"FormAbnormal", "FormCustomizeMessagebox"}));
        QVERIFY2(answerer.at(1).text.startsWith(QStringLiteral("<h3>Unable to Upgrade</h3>\r\n")),
                 qPrintable(answerer.at(1).text));
        QVERIFY2(answerer.at(1).text.endsWith(QStringLiteral("Unable to perform decompression")),
                 qPrintable(answerer.at(1).text));
        QVERIFY(answerer.at(1).countdown.isEmpty());
        QVERIFY(answerer.errors().isEmpty());
        QVERIFY(form.packageFolder().isEmpty());
        // Nothing of it stays, and the lock is free.
        QVERIFY(QDir(testsupport::appDir()).entryList({QStringLiteral(".package-*")}, QDir::AllEntries | QDir::Hidden).isEmpty());
        QVERIFY(UpgradeLock().tryLock());
    }

    void cancelRejects()
    {
        FileDialogAnswerer files;
        DialogAnswerer answerer(dialogtest::Ok);
        answerer.answer(dialogtest::Cancel);
        FormAbnormal form;
        QCOMPARE(form.exec(), 0);
        QCOMPARE(files.count(), 0);
        QVERIFY(answerer.errors().isEmpty());
    }
};

LENSDESK_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
