#include "TestSupport.h"

#include "platform/Clock.h"
#include "platform/VirtualClock.h"
#include "ui/ValueNotice.h"

#include <QApplication>
#include <QStringList>

#include <functional>

namespace {

const QString kSettingTimeout = QStringLiteral("The setting has timed out, please try again.");
const QString kNotTaken =
    QStringLiteral("Any change in the setting takes effect only if the camera is working.");

// A notice on a held virtual clock, with a window whose state the test sets and which
// records what it was asked to show (and what happened first).
struct Rig
{
    platform::VirtualClock clock{1000};
    bool cameraOpen = true;
    bool previewRunning = false;
    QStringList events;
    // Runs while a notice is open (a modal message box).
    std::function<void()> whileOpen;
    ValueNotice notice{services(), nullptr};

    Rig()
    {
        platform::setClock(&clock);
        clock.setHeldTimers(true);
        QObject::connect(&notice, &ValueNotice::aboutToOpen, [this] { events << QStringLiteral("refresh"); });
    }
    ~Rig()
    {
        clock.setHeldTimers(false);
        platform::setClock(nullptr);
    }

    ValueNotice::Services services()
    {
        ValueNotice::Services s;
        s.cameraOpen = [this] { return cameraOpen; };
        s.previewRunning = [this] { return previewRunning; };
        s.showMessageBox = [this](const QString &text, bool countdown) {
            events << (countdown ? QStringLiteral("countdown: ") : QStringLiteral("plain: ")) + text;
            if (whileOpen)
                whileOpen();
        };
        return s;
    }

    void advance(qint64 ms)
    {
        clock.advance(ms);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

} // namespace

class TestValueNotice : public QObject
{
    Q_OBJECT
private slots:
    void aBurstGivesOneNoticeHalfASecondAfterItsFirstValue()
    {
        Rig r;
        r.notice.noteNotTaken();
        r.notice.noteNotTaken();
        r.notice.noteRefused("zoom", 100);
        QVERIFY(r.notice.pending());
        r.advance(499);
        QVERIFY(r.events.isEmpty());
        r.advance(1);
        // The controls go back to the camera's values before the notice opens; the first
        // value of the burst chose the text.
        QCOMPARE(r.events, (QStringList{QStringLiteral("refresh"), QStringLiteral("countdown: ") + kNotTaken}));

        // Closed, the notice still keeps the window shut until 1500 ms have passed.
        QVERIFY(r.notice.pending());
        r.notice.noteRefused("focus", 3);
        r.advance(999);
        QVERIFY(r.notice.pending());
        r.advance(1);
        QVERIFY(!r.notice.pending());
        r.advance(5000);
        QCOMPARE(r.events.size(), 2);

        // The next burst has its own notice, with the refusal's text.
        r.events.clear();
        r.notice.noteRefused("focus", 3);
        r.notice.noteNotTaken();
        r.advance(500);
        QCOMPARE(r.events, (QStringList{QStringLiteral("refresh"), QStringLiteral("countdown: ") + kSettingTimeout}));
    }

    void aNoticeOpenPastItsTimeOpensNoOtherBehindIt()
    {
        Rig r;
        bool pendingWhileOpen = false;
        r.whileOpen = [&r, &pendingWhileOpen] {
            if (r.events.size() > 2)
                return;
            // Long past the 1500 ms, the notice is still open when another value is not
            // taken.
            r.advance(2000);
            r.notice.noteNotTaken();
            r.notice.noteRefused("hue", 0);
            pendingWhileOpen = r.notice.pending();
            r.advance(10000);
        };
        r.notice.noteNotTaken();
        r.advance(500);
        QVERIFY(pendingWhileOpen);
        // Closing it ends the window: the 1500 ms had passed already.
        QVERIFY(!r.notice.pending());
        r.advance(10000);
        QCOMPARE(r.events, (QStringList{QStringLiteral("refresh"), QStringLiteral("countdown: ") + kNotTaken}));
    }

    void valuesAreCheckedOnlyWithAnOpenCameraThatDoesNotStream()
    {
        Rig r;
        r.cameraOpen = false;
        QVERIFY(!r.notice.checksValues());
        r.notice.noteNotTaken();
        r.notice.noteRefused("zoom", 100);
        QVERIFY(!r.notice.pending());

        // While the camera streams, a value read back is not worth a notice; a refusal is.
        r.cameraOpen = true;
        r.previewRunning = true;
        QVERIFY(!r.notice.checksValues());
        r.notice.noteNotTaken();
        QVERIFY(!r.notice.pending());
        r.notice.noteRefused("zoom", 100);
        QVERIFY(r.notice.pending());
        r.advance(500);
        QCOMPARE(r.events, (QStringList{QStringLiteral("refresh"), QStringLiteral("countdown: ") + kSettingTimeout}));

        // A notice shown at once takes no part in the window.
        r.advance(1000);
        r.events.clear();
        r.notice.showNow(kNotTaken, false);
        QCOMPARE(r.events, QStringList{QStringLiteral("plain: ") + kNotTaken});
        QVERIFY(!r.notice.pending());
    }
};

LENSDESK_TEST_MAIN(TestValueNotice)
#include "tst_valuenotice.moc"
