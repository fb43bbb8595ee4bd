// The frameless window: the resize border's hit-test rule, the title bar's buttons and
// double-click, and dragging (also out of the maximised state).
#include "TestSupport.h"
#include "WindowTestSupport.h"

#include "ui/FramelessWindow.h"
#include "ui/TitleBar.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

using namespace windowtest;

namespace {

QMouseEvent mouse(QEvent::Type type, const QPoint &global, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    return QMouseEvent(type, QPointF(), QPointF(global), button, buttons, Qt::NoModifier);
}

const QString kMaximizedLook = QStringLiteral(
    "QPushButton{border-image:url(:/qss/light/icon-normal.png)center no-repeat;}"
    "QPushButton:hover{border-image: url(:/qss/light/icon-normal-hover.png)center no-repeat;}"
    "QPushButton:pressed{border-image: url(:/qss/light/icon-normal-hover.png)center no-repeat;}");
const QString kNormalLook = QStringLiteral(
    "QPushButton{border-image:url(:/qss/light/icon-max.png)center no-repeat;}"
    "QPushButton:hover{border-image: url(:/qss/light/icon-max-hover.png)center no-repeat;}"
    "QPushButton:pressed{border-image: url(:/qss/light/icon-max-hover.png)center no-repeat;}");

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT
private slots:
    void hitTest_data()
    {
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("hit");
        // The window spans x 100..899 and y 100..699.
        QTest::newRow("4 px inside the left edge") << QPoint(104, 300) << true << true << 10;
        QTest::newRow("5 px inside the left edge") << QPoint(105, 300) << true << true << 0;
        QTest::newRow("left of the window") << QPoint(99, 300) << true << true << 0;
        QTest::newRow("right edge") << QPoint(895, 300) << true << true << 11;
        QTest::newRow("6 px inside the right edge") << QPoint(894, 300) << true << true << 0;
        QTest::newRow("top edge") << QPoint(400, 104) << true << true << 12;
        QTest::newRow("bottom edge") << QPoint(400, 699) << true << true << 15;
        QTest::newRow("top left") << QPoint(100, 100) << true << true << 13;
        QTest::newRow("top right") << QPoint(899, 104) << true << true << 14;
        QTest::newRow("bottom left") << QPoint(101, 698) << true << true << 16;
        QTest::newRow("bottom right") << QPoint(899, 699) << true << true << 17;
        QTest::newRow("middle") << QPoint(500, 400) << true << true << 0;
        QTest::newRow("fixed width: left edge") << QPoint(104, 300) << false << true << 0;
        QTest::newRow("fixed width: top left is top") << QPoint(100, 100) << false << true << 12;
        QTest::newRow("fixed width: bottom right is bottom") << QPoint(899, 699) << false << true << 15;
        QTest::newRow("fixed height: top left is left") << QPoint(100, 100) << true << false << 10;
    }

    void hitTest()
    {
        QFETCH(QPoint, cursor);
        QFETCH(bool, horizontal);
        QFETCH(bool, vertical);
        QFETCH(int, hit);
        QCOMPARE(FramelessWindow::hitTest(QRect(100, 100, 800, 600), cursor, horizontal, vertical), hit);
    }

    void edges()
    {
        QCOMPARE(FramelessWindow::edgesOf(10), Qt::Edges(Qt::LeftEdge));
        QCOMPARE(FramelessWindow::edgesOf(17), Qt::BottomEdge | Qt::RightEdge);
        QCOMPARE(FramelessWindow::edgesOf(13), Qt::TopEdge | Qt::LeftEdge);
        QCOMPARE(FramelessWindow::edgesOf(0), Qt::Edges());
    }

    void titleBarButtons()
    {
        Fixture f(rigJson({}));
        MainWindow *w = f.window.get();
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        auto *bar = f.child<titleBar>("widgetTitleBar");
        QCOMPARE(bar->height(), 45);
        QStringList names;
        for (QPushButton *b : bar->findChildren<QPushButton *>()) {
            names << b->objectName();
            QCOMPARE(b->size(), QSize(36, 36));
            QVERIFY(b->isFlat());
        }
        QCOMPARE(names, (QStringList{"btnLanguage", "btnModeLight", "btnMinimize", "btnMaximize", "btnCloseWindow"}));

        auto *maximize = f.child<QPushButton>("btnMaximize");
        QCOMPARE(maximize->styleSheet(), kNormalLook);
        maximize->click();
        QTRY_VERIFY(w->isMaximized());
        QCOMPARE(maximize->styleSheet(), kMaximizedLook);
        // A double-click on the bar toggles like the button.
        QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(100, 20));
        QTRY_VERIFY(!w->isMaximized());
        QCOMPARE(maximize->styleSheet(), kNormalLook);

        f.child<QPushButton>("btnMinimize")->click();
        QTRY_VERIFY(w->isMinimized());
        w->showNormal();
        f.child<QPushButton>("btnCloseWindow")->click();
        QTRY_VERIFY(!w->isVisible());
    }

    void dragMovesTheWindow()
    {
        Fixture f(rigJson({}));
        MainWindow *w = f.window.get();
        w->move(50, 40);
        QCoreApplication::processEvents();
        const QPoint start = w->pos();
        FramelessWindow *frame = w->frame();
        auto press = mouse(QEvent::MouseButtonPress, start + QPoint(300, 20), Qt::LeftButton, Qt::LeftButton);
        frame->mousePress(&press);
        QVERIFY(frame->isDragging());
        QCOMPARE(frame->dragOffset(), QPoint(300, 20));
        auto move = mouse(QEvent::MouseMove, start + QPoint(310, 45), Qt::NoButton, Qt::LeftButton);
        frame->mouseMove(&move);
        QCOMPARE(w->pos(), start + QPoint(10, 25));
        auto release = mouse(QEvent::MouseButtonRelease, start + QPoint(310, 45), Qt::LeftButton, Qt::NoButton);
        frame->mouseRelease(&release);
        QVERIFY(!frame->isDragging());
        // A right-button press starts no drag.
        auto right = mouse(QEvent::MouseButtonPress, start, Qt::RightButton, Qt::RightButton);
        frame->mousePress(&right);
        QVERIFY(!frame->isDragging());
    }

    void dragOutOfTheMaximisedState()
    {
        Fixture f(rigJson({}));
        MainWindow *w = f.window.get();
        w->showNormal();
        // The 800x600 test screen is below the size rule's 1000: the rule made the window
        // as large as the screen.
        w->setMinimumSize(200, 150);
        w->setGeometry(40, 30, 600, 400);
        QCoreApplication::processEvents();
        const QRect normal = w->normalGeometry();
        w->showMaximized();
        QTRY_VERIFY(w->isMaximized());
        // The test platform has no window manager to size a maximised window: do it here.
        w->windowHandle()->setGeometry(QRect(QPoint(0, 0), w->screen()->geometry().size()));
        QTRY_COMPARE(w->width(), w->screen()->geometry().width());
        QVERIFY(w->isMaximized());
        const int maxWidth = w->width();
        QVERIFY2(maxWidth > normal.width(), qPrintable(QStringLiteral("%1 %2").arg(maxWidth).arg(normal.width())));

        FramelessWindow *frame = w->frame();
        // The press at three quarters of the bar's width.
        const QPoint grab = w->pos() + QPoint(maxWidth * 3 / 4, 20);
        auto press = mouse(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        frame->mousePress(&press);
        auto move = mouse(QEvent::MouseMove, grab + QPoint(5, 7), Qt::NoButton, Qt::LeftButton);
        frame->mouseMove(&move);
        QTRY_VERIFY(!w->isMaximized());
        QCOMPARE(w->size(), normal.size());
        // The cursor keeps its relative place: three quarters across the restored width.
        const int x = normal.width() * (maxWidth * 3 / 4) / maxWidth;
        QCOMPARE(frame->dragOffset(), QPoint(x, 20));
        QCOMPARE(w->geometry().topLeft(), grab + QPoint(5, 7) - QPoint(x, 20));
        QCOMPARE(f.child<QPushButton>("btnMaximize")->styleSheet(), kNormalLook);
    }
};

LENSDESK_TEST_MAIN(TestFrame)
#include "tst_frame.moc"
