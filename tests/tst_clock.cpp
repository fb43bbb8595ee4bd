#include "TestSupport.h"

#include "platform/Clock.h"

#include <QApplication>
#include <QElapsedTimer>

class TestClock : public QObject
{
    Q_OBJECT
private slots:
    void virtualSleepCostsNoRealTime()
    {
        testsupport::SimEnvironment env;
        QElapsedTimer real;
        real.start();
        const qint64 before = platform::nowMs();
        for (int i = 0; i < 41; ++i)
            platform::sleepMs(500);
        QCOMPARE(platform::nowMs() - before, qint64(20500));
        QVERIFY(real.elapsed() < 2000);
    }

    void rigEventsFireWhenTheirTimeComes()
    {
        testsupport::SimEnvironment env;
        int fired = 0;
        env.rig().schedule(1500, [&] { ++fired; });
        platform::sleepMs(1000);
        QCOMPARE(fired, 0);
        platform::sleepMs(500);
        QCOMPARE(fired, 1);
        QCOMPARE(env.rig().pendingEvents(), 0);
    }
};

LENSDESK_TEST_MAIN(TestClock)
#include "tst_clock.moc"
