#include "TestSupport.h"

#include "ui/WindowSizing.h"

#include <QApplication>

using windowsizing::WindowSizeDecision;

Q_DECLARE_METATYPE(WindowSizeDecision::Kind)

class TestWindowSizing : public QObject
{
    Q_OBJECT
private slots:
    void sizeTable_data()
    {
        // Logical screen size (what the window sees at the display's scale) and the
        // physical size of the display.
        QTest::addColumn<int>("sw");
        QTest::addColumn<int>("sh");
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("H");
        QTest::addColumn<WindowSizeDecision::Kind>("kind");
        QTest::addColumn<QSize>("size");

        const auto resize = WindowSizeDecision::Resize;
        QTest::newRow("1920x1080 at 100%") << 1920 << 1080 << 1920 << 1080 << resize << QSize(1536, 804);
        QTest::newRow("1920x1080 at 125%") << 1536 << 864 << 1920 << 1080 << resize << QSize(1320, 708);
        QTest::newRow("1920x1080 at 150%") << 1280 << 720 << 1920 << 1080 << resize << QSize(1203, 662);
        QTest::newRow("1920x1080 at 175%") << 1097 << 617 << 1920 << 1080 << resize << QSize(1053, 505);
        QTest::newRow("1920 wide at 138% keeps its size")
            << 1391 << 783 << 1920 << 1080 << WindowSizeDecision::Keep << QSize();
        QTest::newRow("3840x2160 at 100%") << 3840 << 2160 << 3840 << 2160 << resize << QSize(2534, 1425);
        QTest::newRow("3840x2160 at 300%") << 1280 << 720 << 3840 << 2160 << resize << QSize(1203, 662);
        QTest::newRow("2560x1080 at 175%") << 1463 << 617 << 2560 << 1080 << resize << QSize(1170, 505);
        QTest::newRow("2560x1080 at 200%") << 1280 << 540 << 2560 << 1080 << resize << QSize(1152, 529);
        QTest::newRow("2560x1440 at 200%") << 1280 << 720 << 2560 << 1440 << resize << QSize(1203, 662);
        QTest::newRow("2560x1440 at 175%") << 1463 << 823 << 2560 << 1440 << resize << QSize(1228, 691);
        QTest::newRow("2560x1440 at 100% has no row") << 2560 << 1440 << 2560 << 1440 << resize << QSize(2048, 1072);
        QTest::newRow("3440x1440 at 100%") << 3440 << 1440 << 3440 << 1440 << resize << QSize(2408, 1281);
        QTest::newRow("3440x1440 at 200%") << 1720 << 720 << 3440 << 1440 << resize << QSize(1444, 662);
        QTest::newRow("1366x768 has no row") << 1366 << 768 << 1366 << 768 << resize << QSize(1092, 572);
        QTest::newRow("screen under 1000 wide")
            << 800 << 600 << 800 << 600 << WindowSizeDecision::FitScreen << QSize();
        QTest::newRow("999 wide at 200%")
            << 999 << 562 << 1998 << 1124 << WindowSizeDecision::FitScreen << QSize();
    }

    void sizeTable()
    {
        QFETCH(int, sw);
        QFETCH(int, sh);
        QFETCH(int, W);
        QFETCH(int, H);
        QFETCH(WindowSizeDecision::Kind, kind);
        QFETCH(QSize, size);
        const WindowSizeDecision decision = windowsizing::windowSizeFor(sw, sh, W, H);
        QCOMPARE(decision.kind, kind);
        if (kind == WindowSizeDecision::Resize)
            QCOMPARE(decision.size, size);
    }

    void scaleIsRoundedToTwoDecimals()
    {
        QCOMPARE(windowsizing::screenScale(1536, 1920), 1.25);
        QCOMPARE(windowsizing::screenScale(1280, 1920), 1.5);
        QCOMPARE(windowsizing::screenScale(1097, 1920), 1.75);
        QCOMPARE(windowsizing::screenScale(1280, 3840), 3.0);
        QCOMPARE(windowsizing::screenScale(1391, 1920), 1.38);
        QCOMPARE(windowsizing::screenScale(0, 1920), 1.0);
    }
};

LENSDESK_TEST_MAIN(TestWindowSizing)
#include "tst_windowsizing.moc"
