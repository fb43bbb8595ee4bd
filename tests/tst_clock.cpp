#include "TestSupport.h"

#include "platform/Clock.h"
#include "platform/VirtualClock.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

class TestClock : public QObject
{
    Q_OBJECT
private slots:
    void virtualSleepCostsNoRealTime()
    {
        testsupport::SimEnvironment env;
        const qint64 before = platform::nowMs();
        for (int i = 0; i < 41; ++i)
            platform::sleepMs(500);
        QCOMPARE(platform::nowMs() - before, qint64(20500));
        QCOMPARE(env.clock().totalSleptMs(), qint64(20500));
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

    // A worker sleeps up to the limit and no further, however long the test looks; the
    // thread that set the limit sleeps on past it.
    void sleepsOnOtherThreadsStopAtTheLimit()
    {
        platform::VirtualClock clock(1000);
        clock.setSleepLimit(1250);
        std::atomic<int> slept{0};
        std::thread worker([&] {
            for (int i = 0; i < 10; ++i) {
                clock.sleepMs(100);
                ++slept;
            }
        });
        QTRY_COMPARE(clock.sleepersAtLimit(), 1);
        QCOMPARE(slept.load(), 2);
        QCOMPARE(clock.nowMs(), qint64(1200));
        QTest::qWait(20);
        QCOMPARE(slept.load(), 2);

        clock.sleepMs(500); // the setter's own sleep passes the limit and moves the time
        QCOMPARE(clock.nowMs(), qint64(1700));
        QCOMPARE(slept.load(), 2);

        clock.setSleepLimit(2000);
        QTRY_COMPARE(slept.load(), 5);
        QTRY_COMPARE(clock.sleepersAtLimit(), 1);
        QCOMPARE(clock.nowMs(), qint64(2000));

        clock.setSleepLimit(-1);
        worker.join();
        QCOMPARE(slept.load(), 10);
        QCOMPARE(clock.nowMs(), qint64(2500));
        QCOMPARE(clock.sleepersAtLimit(), 0);
    }

    void heldTimersFireInTheOrderOfTheirTimesWhenTheClockPassesThem()
    {
        platform::VirtualClock clock(1000);
        platform::setClock(&clock);
        clock.setHeldTimers(true);
        QStringList fired;
        QTimer ticking;
        connect(&ticking, &QTimer::timeout, this, [&] { fired << QStringLiteral("tick %1").arg(clock.nowMs()); });
        platform::startTimer(ticking, 1000);
        QVERIFY(ticking.isActive());
        platform::singleShot(2500, this, [&] { fired << QStringLiteral("once %1").arg(clock.nowMs()); });

        // Real time alone fires nothing.
        QTest::qWait(30);
        clock.advance(999);
        QCoreApplication::processEvents();
        QVERIFY(fired.isEmpty());
        clock.advance(1);
        QCoreApplication::processEvents();
        QCOMPARE(fired, QStringList{QStringLiteral("tick 2000")});
        // One long advance: every tick it covers, the single shot in its place, once.
        fired.clear();
        clock.advance(3000);
        QCoreApplication::processEvents();
        QCOMPARE(fired, QStringList({QStringLiteral("tick 5000"), QStringLiteral("once 5000"), QStringLiteral("tick 5000"),
                                     QStringLiteral("tick 5000")}));
        QCOMPARE(clock.pendingTimers(), 1);
        // A restart counts from now; a stop ends it.
        fired.clear();
        platform::startTimer(ticking, 700);
        clock.advance(699);
        QCoreApplication::processEvents();
        QVERIFY(fired.isEmpty());
        clock.advance(1);
        QCoreApplication::processEvents();
        QCOMPARE(fired.size(), 1);
        ticking.stop();
        clock.advance(5000);
        QCoreApplication::processEvents();
        QCOMPARE(fired.size(), 1);
        platform::setClock(nullptr);
    }

    void heldTimersOfObjectsThatAreGoneFireNothing()
    {
        platform::VirtualClock clock;
        platform::setClock(&clock);
        clock.setHeldTimers(true);
        int calls = 0;
        auto context = std::make_unique<QObject>();
        platform::singleShot(100, context.get(), [&] { ++calls; });
        auto timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        connect(timer.get(), &QTimer::timeout, this, [&] { ++calls; });
        platform::startTimer(*timer, 100);
        QCOMPARE(clock.pendingTimers(), 2);
        context.reset();
        timer.reset();
        QCOMPARE(clock.pendingTimers(), 0);
        clock.advance(1000);
        QCoreApplication::processEvents();
        QCOMPARE(calls, 0);
        // Due, posted, and then gone before its delivery: still nothing.
        context = std::make_unique<QObject>();
        platform::singleShot(100, context.get(), [&] { ++calls; });
        clock.advance(100);
        context.reset();
        QCoreApplication::processEvents();
        QCOMPARE(calls, 0);
        platform::setClock(nullptr);
    }

    void aSleepOnAnotherThreadDeliversOnTheTimersOwnThread()
    {
        platform::VirtualClock clock;
        platform::setClock(&clock);
        clock.setHeldTimers(true);
        QThread *deliveredOn = nullptr;
        platform::singleShot(500, this, [&] { deliveredOn = QThread::currentThread(); });
        std::unique_ptr<QThread> sleeper(QThread::create([] { platform::sleepMs(500); }));
        sleeper->start();
        QVERIFY(sleeper->wait(60000));
        QCOMPARE(deliveredOn, nullptr); // waits for this thread's event loop
        QTRY_COMPARE(deliveredOn, QThread::currentThread());
        platform::setClock(nullptr);
    }
};

LENSDESK_TEST_MAIN(TestClock)
#include "tst_clock.moc"
