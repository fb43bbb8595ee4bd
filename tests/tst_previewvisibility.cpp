#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"

#include "platform/sim/SimStreamServer.h"
#include "preview/VideoStreamThread.h"
#include "ui/ControlPanel.h"
#include "ui/PreviewVisibility.h"

#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>

using namespace windowtest;
using dialogtest::DialogAnswerer;

namespace {

const QString kNotTaken =
    QStringLiteral("Any change in the setting takes effect only if the camera is working.");

// One camera with a small stream, so that decoding stays cheap beside the other tests.
QByteArray oneCamera()
{
    const QJsonObject stream{{QStringLiteral("width"), 640}, {QStringLiteral("height"), 360},
                             {QStringLiteral("fps"), 30}};
    return rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                           QJsonObject{{QStringLiteral("stream"), stream}})});
}

// Waits until the worker has read this many more of the camera's packets.
bool readsMorePackets(const VideoStreamThread *worker, quint64 more)
{
    const quint64 target = worker->packetsRead() + more;
    return QTest::qWaitFor([&] { return worker->packetsRead() >= target; }, 20000);
}

// The camera's video state as the window asks it (the vendor query), -1 when the query fails.
int videoState(MainWindow &window)
{
    int state = -1;
    if (!window.openCamera().extensionUnit().GetVideoState(state))
        return -1;
    return state;
}

// The ways the picture goes out of sight, and back.
enum class Away { Minimised, Hidden, SupportPage, PictureHidden, ScreenLocked };

void goAway(Fixture &f, Away how)
{
    switch (how) {
    case Away::Minimised:
        f.window->showMinimized();
        break;
    case Away::Hidden:
        f.window->hide();
        break;
    case Away::SupportPage:
        f.child<QToolButton>("btnNavSupport")->click();
        break;
    case Away::PictureHidden:
        f.child<QLabel>("labPreview")->hide();
        break;
    case Away::ScreenLocked:
        // As the desktop's screen saver says it (the rig stands for the session bus).
        QVERIFY(f.env.rig().command(QStringLiteral("lock"), nullptr));
        break;
    }
    QCoreApplication::processEvents();
}

void comeBack(Fixture &f, Away how)
{
    switch (how) {
    case Away::Minimised:
        f.window->showNormal();
        break;
    case Away::Hidden:
        f.window->show();
        break;
    case Away::SupportPage:
        f.child<QToolButton>("btnNavControl")->click();
        break;
    case Away::PictureHidden:
        f.child<QLabel>("labPreview")->show();
        break;
    case Away::ScreenLocked:
        QVERIFY(f.env.rig().command(QStringLiteral("unlock"), nullptr));
        break;
    }
    QCoreApplication::processEvents();
}

} // namespace

Q_DECLARE_METATYPE(Away)

class TestPreviewVisibility : public QObject
{
    Q_OBJECT
private slots:
    void nothingIsDecodedOutOfSight_data()
    {
        QTest::addColumn<Away>("how");
        QTest::newRow("window minimised") << Away::Minimised;
        QTest::newRow("window hidden") << Away::Hidden;
        QTest::newRow("support page shown") << Away::SupportPage;
        QTest::newRow("picture hidden") << Away::PictureHidden;
        QTest::newRow("screen locked") << Away::ScreenLocked;
    }

    void nothingIsDecodedOutOfSight()
    {
        QFETCH(Away, how);
        Fixture f(oneCamera());
        QVERIFY(f.window->isPreviewRunning());
        VideoStreamThread *worker = f.window->previewWorker();
        QVERIFY(worker);
        sim::SimStreamServer &stream = f.cam("cam1")->stream();
        auto *label = f.child<QLabel>("labPreview");
        QTRY_VERIFY_WITH_TIMEOUT(worker->picturesDecoded() >= 2 && !picture(label).isNull(), 20000);
        QVERIFY(f.window->previewVisibility()->isVisible());
        QVERIFY(worker->isDecoding());
        QVERIFY(stream.streaming());
        QCOMPARE(videoState(*f.window), 1);

        goAway(f, how);
        QVERIFY(!f.window->previewVisibility()->isVisible());
        QVERIFY(!worker->isDecoding());
        // A packet read just before may still be in the decoder; after two more reads
        // it has been handed over.
        QVERIFY(readsMorePackets(worker, 2));
        const quint64 decoded = worker->picturesDecoded();
        const qint64 sent = stream.framesSent();
        QVERIFY(readsMorePackets(worker, 10));
        QCOMPARE(worker->picturesDecoded(), decoded);
        // The camera streams on and the worker drains it: nothing the camera, the rig
        // or the window can tell has changed.
        // Pictures the worker had not read yet may have been sent before: wait for the
        // camera's own count rather than tie it to the reads.
        QTRY_VERIFY_WITH_TIMEOUT(stream.framesSent() >= sent + 10, 20000);
        QVERIFY(stream.streaming());
        QCOMPARE(videoState(*f.window), 1);
        QVERIFY(f.window->isPreviewRunning());
        QCOMPARE(f.window->previewWorker(), worker);
        const qint64 shownBefore = picture(label).cacheKey();

        comeBack(f, how);
        QVERIFY(f.window->previewVisibility()->isVisible());
        QVERIFY(worker->isDecoding());
        // The packets read from here on are decoded (the count rises once the first of
        // them is through the decoder).
        QTRY_VERIFY_WITH_TIMEOUT(worker->picturesDecoded() > decoded, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(picture(label).cacheKey() != shownBefore, 20000);
        QCOMPARE(videoState(*f.window), 1);
    }

    void outOfSightTwiceOverNeedsBothBack()
    {
        // Minimised while the support page is shown: coming back from one is not enough.
        Fixture f(oneCamera());
        VideoStreamThread *worker = f.window->previewWorker();
        QVERIFY(worker);
        QSignalSpy changes(f.window->previewVisibility(), &PreviewVisibility::visibleChanged);
        goAway(f, Away::SupportPage);
        goAway(f, Away::Minimised);
        comeBack(f, Away::Minimised);
        QVERIFY(!worker->isDecoding());
        QVERIFY(readsMorePackets(worker, 2));
        const quint64 decoded = worker->picturesDecoded();
        QVERIFY(readsMorePackets(worker, 5));
        QCOMPARE(worker->picturesDecoded(), decoded);
        comeBack(f, Away::SupportPage);
        QVERIFY(worker->isDecoding());
        QTRY_VERIFY_WITH_TIMEOUT(worker->picturesDecoded() > decoded, 20000);
        // One change each way, none for the steps that changed nothing.
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.at(0).at(0).toBool(), false);
        QCOMPARE(changes.at(1).at(0).toBool(), true);
    }

    void aPreviewStartedOutOfSightDecodesOnlyOnceShown()
    {
        Fixture f(oneCamera());
        f.window->stopCameraPreView();
        goAway(f, Away::Minimised);
        // The camera icon starts the preview again, here while the window is minimised.
        QMetaObject::invokeMethod(f.window.get(), "slotStartPreview");
        VideoStreamThread *worker = f.window->previewWorker();
        QVERIFY(worker);
        QVERIFY(!worker->isDecoding());
        sim::SimStreamServer &stream = f.cam("cam1")->stream();
        QVERIFY(readsMorePackets(worker, 5));
        QCOMPARE(worker->picturesDecoded(), quint64(0));
        QVERIFY(stream.streaming());
        QCOMPARE(videoState(*f.window), 1);

        comeBack(f, Away::Minimised);
        QVERIFY(worker->isDecoding());
        QTRY_VERIFY_WITH_TIMEOUT(!picture(f.child<QLabel>("labPreview")).isNull(), 20000);
        QVERIFY(worker->picturesDecoded() > 0);
    }

    void valuesNotTakenWithTheWindowOutOfSight()
    {
        Fixture f(oneCamera());
        sim::SimCamera *cam = f.cam("cam1");
        auto *brightness = f.child<QSlider>("sliderBrightness");
        DialogAnswerer answerer;
        cam->setFault(QStringLiteral("prop.ignore.video.0"), true);

        // Streaming and minimised: as when shown, a value read back is not checked,
        // since the camera still reports that it streams.
        QTRY_VERIFY_WITH_TIMEOUT(f.window->previewWorker() && f.window->previewWorker()->picturesDecoded() > 0,
                                 20000);
        goAway(f, Away::Minimised);
        QVERIFY(!f.window->previewWorker()->isDecoding());
        QCOMPARE(videoState(*f.window), 1);
        brightness->setValue(83);
        QVERIFY(!f.window->controlPanel()->tipPending());
        QTest::qWait(100);
        QCOMPARE(answerer.count(), 0);
        comeBack(f, Away::Minimised);

        // Not streaming and minimised: the notice comes and the slider shows the
        // camera's own value again.
        f.window->stopCameraPreView();
        QTRY_COMPARE_WITH_TIMEOUT(videoState(*f.window), 0, 20000);
        goAway(f, Away::Minimised);
        brightness->setValue(70);
        QVERIFY(f.window->controlPanel()->tipPending());
        QTRY_COMPARE(answerer.count(), 1);
        QCOMPARE(answerer.at(0).text, kNotTaken);
        QCOMPARE(brightness->value(), 50);
    }
};

LENSDESK_TEST_MAIN(TestPreviewVisibility)
#include "tst_previewvisibility.moc"
