#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"

#include "camera/CameraPropertyState.h"
#include "platform/CaptureFilter.h"
#include "platform/sim/SimStreamServer.h"
#include "preview/VideoStreamThread.h"
#include "ui/ControlPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QScopeGuard>
#include <QSlider>
#include <QStackedWidget>
#include <QThread>
#include <QToolButton>

#include <algorithm>

using namespace windowtest;
using dialogtest::DialogAnswerer;

const QString kSettingTimeout = QStringLiteral("The setting has timed out, please try again.");
const QString kOperationTimeout = QStringLiteral("The operation has timed out, please try again.");
const QString kNotTaken =
    QStringLiteral("Any change in the setting takes effect only if the camera is working.");

namespace {

const QUuid kCameraControlSet = QUuid(QStringLiteral("{C6E13370-30AC-11d0-A18C-00A0C9118956}"));
const QUuid kVideoProcAmpSet = QUuid(QStringLiteral("{C6E13360-30AC-11d0-A18C-00A0C9118956}"));

struct Command
{
    int opcode;
    int value;
    bool operator==(const Command &o) const { return opcode == o.opcode && value == o.value; }
};

char *toString(const Command &c)
{
    return QTest::toString(QStringLiteral("(0x%1, %2)").arg(c.opcode, 2, 16, QLatin1Char('0')).arg(c.value));
}

// The vendor commands (not the queries) the camera received, in order.
QList<Command> commands(sim::SimCamera *camera)
{
    QList<Command> out;
    for (const auto &m : camera->uvc().xuMessages()) {
        if (m.selector != 1 || m.data.size() < 3)
            continue;
        const int opcode = static_cast<quint8>(m.data.at(0));
        if (opcode >= 0x80)
            continue;
        out.append({opcode, static_cast<quint8>(m.data.at(2))});
    }
    return out;
}

struct PropertySet
{
    QUuid set;
    int id;
    int value;
    int flags;
};

// The single-value property writes the camera received, in order.
QList<PropertySet> propertyWrites(sim::SimCamera *camera)
{
    QList<PropertySet> out;
    for (const auto &r : camera->uvc().propertyRequests()) {
        if (r.kind == 2)
            out.append({r.propertySet, r.id, r.value, r.flags});
    }
    return out;
}

int cameraValue(sim::SimCamera *camera, platform::PropertySet set, int id)
{
    sim::SimUvcCamera::Property p;
    if (!camera->uvc().property(set, id, &p))
        return -1;
    return p.value;
}

int cameraFlags(sim::SimCamera *camera, platform::PropertySet set, int id)
{
    sim::SimUvcCamera::Property p;
    if (!camera->uvc().property(set, id, &p))
        return -1;
    return p.flags;
}

QJsonObject range(int min, int max, int value, int def = 0)
{
    return QJsonObject{{QStringLiteral("min"), min}, {QStringLiteral("max"), max},
                       {QStringLiteral("value"), value}, {QStringLiteral("default"), def}};
}

// One camera (the built-in model-0 camera unless the extra keys say otherwise) with
// pan and tilt wide enough for the window's own limits.
QByteArray oneCamera(QJsonObject extra = {})
{
    if (!extra.contains(QStringLiteral("properties")))
        extra.insert(QStringLiteral("properties"),
                     QJsonObject{{QStringLiteral("pan"), range(-40, 40, 0)},
                                 {QStringLiteral("tilt"), range(-40, 40, 0)}});
    return rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"), extra)});
}

// Opens the camera without a preview, so values the camera does not take are checked.
// Runs the action once the value-not-taken notice is up, inside its event loop.
class NoticeHook : public QObject
{
public:
    explicit NoticeHook(std::function<void()> action)
        : m_action(std::move(action))
    {
        qApp->installEventFilter(this);
    }
    ~NoticeHook() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("FormCustomizeMessagebox"))
            QMetaObject::invokeMethod(this, [this] { m_action(); }, Qt::QueuedConnection);
        return false;
    }

private:
    std::function<void()> m_action;
};

// Another program showing the camera: a capture of its own, outside the window, that
// reads the stream without decoding it.
class OtherViewer
{
public:
    explicit OtherViewer(const QString &captureName)
        : m_worker(new VideoStreamThread(captureName))
    {
        m_worker->setDecoding(false);
        m_worker->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::started, m_worker, &VideoStreamThread::start);
        m_thread.start();
    }
    ~OtherViewer() { end(); }

    void end()
    {
        if (!m_worker)
            return;
        m_worker->stop();
        m_thread.quit();
        m_thread.wait();
        delete m_worker;
        m_worker = nullptr;
    }

private:
    QThread m_thread;
    VideoStreamThread *m_worker;
};

struct Controls : Fixture
{
    explicit Controls(const QByteArray &rig = oneCamera(), int productLine = 2)
        : Fixture(rig, productLine)
    {
        window->stopCameraPreView();
        QTRY_VERIFY(!window->isPreviewRunning());
        QTest::qWait(50);
        cam1()->uvc().clearHistory();
    }
    sim::SimCamera *cam1() { return cam("cam1"); }
    int feature(const char *name) { return cam1()->uvc().feature(QLatin1String(name)); }
    QComboBox *box(const char *name) const { return child<QComboBox>(name); }
    bool shown(const char *name) const { return !child<QWidget>(name)->isHidden(); }
};

} // namespace

class TestControls : public QObject
{
    Q_OBJECT
private slots:
    void switchesSendTheirCommandAndShowTheCamerasValue_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("feature");
        QTest::addColumn<int>("opcode");
        QTest::newRow("HDR") << "btnHDR" << "hdr" << 0x01;
        QTest::newRow("AI light compensation") << "btnAutoAE" << "autoAE" << 0x17;
        QTest::newRow("gesture") << "btnGestureControl" << "gesture" << 0x19;
        QTest::newRow("mirror") << "btnMirror" << "mirror" << 0x09;
    }

    void switchesSendTheirCommandAndShowTheCamerasValue()
    {
        QFETCH(QString, button);
        QFETCH(QString, feature);
        QFETCH(int, opcode);
        Controls f;
        auto *b = f.window->findChild<QPushButton *>(button);
        QVERIFY(b);
        const int before = f.feature(qPrintable(feature));
        QCOMPARE(b->isChecked(), before != 0);

        b->click();
        const int after = before == 0 ? 1 : 0;
        QCOMPARE(f.feature(qPrintable(feature)), after);
        QCOMPARE(commands(f.cam1()), (QList<Command>{{opcode, after}}));
        QCOMPARE(b->isChecked(), after != 0);

        b->click();
        QCOMPARE(f.feature(qPrintable(feature)), before);
        QCOMPARE(b->isChecked(), before != 0);
    }

    void openingWritesNothingAndKeepsAutomaticWhiteBalance()
    {
        // The built-in camera balances white automatically; opening it must leave it so.
        testsupport::SimEnvironment env(oneCamera());
        writeProductLine(2);
        sim::SimCamera *cam = env.rig().camera(QStringLiteral("cam1"));
        QCOMPARE(cameraFlags(cam, platform::PropertySet::VideoProcAmp, 7), 1);
        MainWindow w;
        w.show();
        QVERIFY(w.isCameraOpen());
        QTest::qWait(100);
        QCOMPARE(cameraFlags(cam, platform::PropertySet::VideoProcAmp, 7), 1);
        QVERIFY(w.findChild<QCheckBox *>(QStringLiteral("checkBoxWB"))->isChecked());
        QVERIFY(!w.findChild<QSlider *>(QStringLiteral("sliderWhiteBalance"))->isEnabled());
        // Nothing but the re-application of pan, tilt and zoom was written.
        for (const auto &write : propertyWrites(cam))
            QVERIFY2(write.set == kCameraControlSet && (write.id == 0 || write.id == 1 || write.id == 3),
                     qPrintable(QStringLiteral("write of %1 %2").arg(write.set.toString()).arg(write.id)));
        // And no vendor command at all.
        QCOMPARE(commands(cam), QList<Command>{});

        // The status refresh (every 3 s for this model) writes nothing either.
        cam->uvc().clearHistory();
        QTRY_VERIFY_WITH_TIMEOUT(cam->uvc().xuMessages().size() > 6, 5000);
        QCOMPARE(commands(cam), QList<Command>{});
        QCOMPARE(cameraFlags(cam, platform::PropertySet::VideoProcAmp, 7), 1);
    }

    void imageSlidersAndAutoBoxes()
    {
        Controls f;
        auto *brightness = f.child<QSlider>("sliderBrightness");
        brightness->setValue(83);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::VideoProcAmp, 0), 83);
        QCOMPARE(f.child<QLabel>("labelBrightnessValue")->text(), QStringLiteral("83"));
        const PropertySet w = propertyWrites(f.cam1()).last();
        QCOMPARE(w.set, kVideoProcAmpSet);
        QCOMPARE(w.id, 0);
        QCOMPARE(w.value, 83);
        QCOMPARE(w.flags, 2);

        f.child<QSlider>("sliderSharpness")->setValue(200);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::VideoProcAmp, 4), 200);
        f.child<QSlider>("sliderHue")->setValue(3);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::VideoProcAmp, 2), 3);

        // Unchecking Auto white balance makes it manual at the shown value; the slider
        // then writes manual values.
        auto *wb = f.child<QCheckBox>("checkBoxWB");
        auto *wbSlider = f.child<QSlider>("sliderWhiteBalance");
        QVERIFY(wb->isChecked());
        wb->click();
        QVERIFY(wbSlider->isEnabled());
        QCOMPARE(cameraFlags(f.cam1(), platform::PropertySet::VideoProcAmp, 7), 2);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::VideoProcAmp, 7), 5983);
        wbSlider->setValue(4000);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::VideoProcAmp, 7), 4000);
        QCOMPARE(f.child<QLabel>("labelWhiteBalance")->text(), QStringLiteral("4000"));
        wb->click();
        QCOMPARE(cameraFlags(f.cam1(), platform::PropertySet::VideoProcAmp, 7), 1);
        QVERIFY(!wbSlider->isEnabled());
    }

    void defaultColourWritesTheDefaults()
    {
        Controls f;
        f.child<QSlider>("sliderBrightness")->setValue(90);
        f.child<QSlider>("sliderContract")->setValue(10);
        f.child<QCheckBox>("checkBoxWB")->click();
        QCOMPARE(cameraFlags(f.cam1(), platform::PropertySet::VideoProcAmp, 7), 2);
        f.cam1()->uvc().clearHistory();

        f.child<QPushButton>("btnDefaultColor")->click();
        // Brightness, hue, contrast, saturation, sharpness manual, then white balance automatic.
        QList<int> ids;
        for (const auto &w : propertyWrites(f.cam1()))
            ids << w.id;
        QCOMPARE(ids, (QList<int>{0, 2, 1, 3, 4, 7}));
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::VideoProcAmp, 0), 50);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::VideoProcAmp, 1), 50);
        QCOMPARE(cameraFlags(f.cam1(), platform::PropertySet::VideoProcAmp, 7), 1);
        QCOMPARE(f.child<QSlider>("sliderBrightness")->value(), 50);
        QCOMPARE(f.child<QSlider>("sliderContract")->value(), 50);
        QCOMPARE(f.child<QLabel>("labelContractValue")->text(), QStringLiteral("50"));
        QVERIFY(f.child<QCheckBox>("checkBoxWB")->isChecked());
    }

    void antiFlicker()
    {
        Controls f;
        QCOMPARE(f.box("comboBoxAntiFlicker")->currentIndex(), 0);
        f.box("comboBoxAntiFlicker")->setCurrentIndex(1);
        QCOMPARE(f.feature("antiFlicker"), 2);
        QCOMPARE(commands(f.cam1()), (QList<Command>{{0x02, 2}}));
        f.box("comboBoxAntiFlicker")->setCurrentIndex(0);
        QCOMPARE(f.feature("antiFlicker"), 1);
    }

    void trackingRows()
    {
        Controls f;
        QComboBox *mode = f.box("comboBoxTrackMode");
        QCOMPARE(mode->currentText(), QStringLiteral("Off"));
        QVERIFY(f.shown("widgetTrackOff"));
        QVERIFY(f.shown("widgetAngle"));
        QVERIFY(!f.shown("comboBoxTrackEffect"));
        QVERIFY(!f.shown("comboBoxTrackSpeend"));

        // Auto Framing with the camera's Smooth effect: both rows.
        mode->setCurrentIndex(1);
        QCOMPARE(f.feature("trackingMode"), 1);
        QCOMPARE(commands(f.cam1()), (QList<Command>{{0x10, 1}}));
        QVERIFY(!f.shown("widgetTrackOff"));
        QVERIFY(!f.shown("widgetAngle"));
        for (const char *w : {"label_16", "comboBoxTrackEffect", "widget_12", "label_17",
                              "comboBoxTrackSpeend", "widget_11"})
            QVERIFY2(f.shown(w), w);
        QCOMPARE(f.box("comboBoxTrackEffect")->currentText(), QStringLiteral("Smooth"));
        QCOMPARE(f.box("comboBoxTrackSpeend")->currentText(), QStringLiteral("Normal"));

        // Immediate: no speed row.
        f.cam1()->uvc().clearHistory();
        f.box("comboBoxTrackEffect")->setCurrentIndex(1);
        QCOMPARE(f.feature("trackingEffect"), 0);
        QCOMPARE(commands(f.cam1()), (QList<Command>{{0x11, 0}}));
        QVERIFY(f.shown("comboBoxTrackEffect"));
        for (const char *w : {"label_17", "comboBoxTrackSpeend", "widget_11"})
            QVERIFY2(!f.shown(w), w);
        f.box("comboBoxTrackEffect")->setCurrentIndex(0);
        QVERIFY(f.shown("comboBoxTrackSpeend"));
        f.box("comboBoxTrackSpeend")->setCurrentIndex(2);
        QCOMPARE(f.feature("trackingSpeed"), 2);

        // Presenter Tracking sends 3 and hides every row.
        f.cam1()->uvc().clearHistory();
        mode->setCurrentIndex(2);
        QCOMPARE(commands(f.cam1()), (QList<Command>{{0x10, 3}}));
        QCOMPARE(f.feature("trackingMode"), 3);
        for (const char *w : {"widgetTrackOff", "widgetAngle", "label_16", "comboBoxTrackEffect",
                              "widget_12", "label_17", "comboBoxTrackSpeend", "widget_11"})
            QVERIFY2(!f.shown(w), w);

        // While not in Auto Framing an effect change sends nothing, it only shows or hides
        // the speed row.
        f.cam1()->uvc().clearHistory();
        f.box("comboBoxTrackEffect")->setCurrentIndex(1);
        QVERIFY(!f.shown("comboBoxTrackSpeend"));
        f.box("comboBoxTrackEffect")->setCurrentIndex(0);
        QVERIFY(f.shown("comboBoxTrackSpeend"));
        f.box("comboBoxTrackSpeend")->setCurrentIndex(0);
        QCOMPARE(commands(f.cam1()), QList<Command>{});
        QCOMPARE(f.feature("trackingSpeed"), 2);

        // Off: the pan/tilt/zoom panel and the field of view come back, the zoom goes wide.
        f.child<QSlider>("sliderZoom")->setValue(300);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 3), 300);
        mode->setCurrentIndex(0);
        QCOMPARE(f.feature("trackingMode"), 0);
        QVERIFY(f.shown("widgetTrackOff"));
        QVERIFY(f.shown("widgetAngle"));
        QVERIFY(!f.shown("comboBoxTrackEffect"));
        QVERIFY(!f.shown("comboBoxTrackSpeend"));
        QCOMPARE(f.child<QSlider>("sliderZoom")->value(), 100);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 3), 100);
    }

    void panTiltArrows()
    {
        Controls f;
        auto *zoom = f.child<QSlider>("sliderZoom");
        auto *right = f.child<QToolButton>("btnCameraRight");
        auto *left = f.child<QToolButton>("btnCameraLeft");
        auto *up = f.child<QToolButton>("btnCameraUp");
        QCOMPARE(zoom->value(), 100);
        QVERIFY(!right->isEnabled());
        QVERIFY(right->styleSheet().contains(QLatin1String(":/qss/light/icon-arrow-right-disable.png")));

        zoom->setValue(101);
        QVERIFY(right->isEnabled());
        QCOMPARE(right->styleSheet(),
                 QStringLiteral("border-image:url(:/qss/light/icon-arrow-right.png) center no-repeat;"));
        zoom->setValue(100);
        QVERIFY(!right->isEnabled() && !left->isEnabled() && !up->isEnabled());
        QVERIFY(up->styleSheet().contains(QLatin1String("icon-arrow-up-disable.png")));
        zoom->setValue(400);

        for (int i = 0; i < 30; ++i)
            right->click();
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 0), 30);
        QCOMPARE(right->styleSheet(),
                 QStringLiteral("border-image:url(:/qss/light/icon-arrow-right-disable.png) center no-repeat;"));
        QCOMPARE(right->cursor().shape(), Qt::ForbiddenCursor);
        QVERIFY(right->isEnabled());
        f.cam1()->uvc().clearHistory();
        right->click();
        QCOMPARE(propertyWrites(f.cam1()).size(), 1);
        QCOMPARE(propertyWrites(f.cam1()).first().id, 0);
        QCOMPARE(propertyWrites(f.cam1()).first().value, 30);
        left->click();
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 0), 29);
        QCOMPARE(right->cursor().shape(), Qt::ArrowCursor);

        for (int i = 0; i < 35; ++i)
            f.child<QToolButton>("btnCameraDown")->click();
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 1), -30);
        QVERIFY(f.child<QToolButton>("btnCameraDown")->styleSheet().contains(
            QLatin1String("icon-arrow-down-disable.png")));
        up->click();
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 1), -29);
    }

    void panStopsAtTheCamerasNarrowerRange()
    {
        // The built-in camera pans only from -20 to 20.
        Controls f(oneCamera(QJsonObject{{QStringLiteral("properties"), QJsonObject{}}}));
        f.child<QSlider>("sliderZoom")->setValue(200);
        auto *right = f.child<QToolButton>("btnCameraRight");
        for (int i = 0; i < 25; ++i)
            right->click();
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 0), 20);
        QVERIFY(right->styleSheet().contains(QLatin1String("icon-arrow-right-disable.png")));
        QCOMPARE(f.window->openCamera().properties().pan.current, 20);
    }

    void fieldOfView()
    {
        Controls f;
        auto *b78 = f.child<QToolButton>("btn78");
        auto *b65 = f.child<QToolButton>("btn65");
        QVERIFY(f.child<QToolButton>("btn90")->isChecked());

        // At home (pan 0, tilt 0, zoom 100) the camera does not move.
        b78->click();
        QCOMPARE(commands(f.cam1()), (QList<Command>{{0x0C, 1}}));
        QCOMPARE(propertyWrites(f.cam1()).size(), 0);
        QCOMPARE(f.feature("viewAngle"), 1);
        QVERIFY(b78->isChecked());
        QVERIFY(!f.child<QToolButton>("btn90")->isChecked());

        // Elsewhere it first returns home.
        f.child<QSlider>("sliderZoom")->setValue(250);
        f.child<QToolButton>("btnCameraRight")->click();
        f.child<QToolButton>("btnCameraUp")->click();
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 0), 1);
        f.cam1()->uvc().clearHistory();
        b65->click();
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 0), 0);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 1), 0);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 3), 100);
        QCOMPARE(commands(f.cam1()), (QList<Command>{{0x0C, 2}}));
        QCOMPARE(f.feature("viewAngle"), 2);
        QVERIFY(b65->isChecked() && !b78->isChecked());
    }

    void fieldOfViewOutsideTheButtonsClicksNothing()
    {
        Controls f;
        f.cam1()->uvc().setFeature(QStringLiteral("viewAngle"), 5);
        LogCapture log;
        QTRY_VERIFY_WITH_TIMEOUT(g_log.contains(QStringLiteral("field of view without a button: 5")), 5000);
        QVERIFY(f.child<QToolButton>("btn90")->isChecked());
        QCOMPARE(commands(f.cam1()), QList<Command>{});
    }

    void focusAutoAndManual()
    {
        Controls f;
        auto *autoFocus = f.child<QPushButton>("btnAutoFocus");
        QVERIFY(!autoFocus->isChecked());
        QVERIFY(f.shown("widgetMFocus"));
        autoFocus->click();
        QVERIFY(autoFocus->isChecked());
        QVERIFY(!f.shown("widgetMFocus"));
        QCOMPARE(commands(f.cam1()).size(), 1);
        QCOMPARE(commands(f.cam1()).first().opcode, 0x40);
        QCOMPARE(cameraFlags(f.cam1(), platform::PropertySet::CameraControl, 6), 1);

        autoFocus->click();
        QVERIFY(!autoFocus->isChecked());
        QVERIFY(f.shown("widgetMFocus"));
        QCOMPARE(cameraFlags(f.cam1(), platform::PropertySet::CameraControl, 6), 2);
        f.child<QSlider>("sliderFocus")->setValue(700);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::CameraControl, 6), 700);
    }

    void refusedSliderValueShowsTheCamerasValue()
    {
        Controls f;
        f.cam1()->setFault(QStringLiteral("prop.set.video.0"), QStringLiteral("0x80070057"));
        auto *brightness = f.child<QSlider>("sliderBrightness");
        brightness->setValue(83);
        QCOMPARE(cameraValue(f.cam1(), platform::PropertySet::VideoProcAmp, 0), 50);
        QCOMPARE(brightness->value(), 50);
        QCOMPARE(f.child<QLabel>("labelBrightnessValue")->text(), QStringLiteral("50"));
    }

    void longFriendlyNameOpens()
    {
        const QString name = QStringLiteral("Orvia Vista Pro Cam ") + QString(300, QLatin1Char('x'));
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                                  {{QStringLiteral("friendlyName"), name}})}));
        QCOMPARE(f.list()->count(), 1);
        QCOMPARE(f.list()->item(0)->text(), name.left(255));
        QVERIFY(f.window->isCameraOpen());
        QVERIFY(f.child<QWidget>("sliderBrightness")->isEnabled());
    }

    void failedRequestReopensTheFirstCamerasChannel()
    {
        // The very first opening already meets a failing request: its channel is rebuilt.
        LogCapture log;
        DialogAnswerer answerer;
        Fixture f(oneCamera(QJsonObject{{QStringLiteral("faults"),
                                         QJsonObject{{QStringLiteral("xu.response.0x81"), QStringLiteral("0x8007001F")}}}}));
        const int reopenedAt = g_log.indexOf(QStringLiteral("MainWindow::slotReInitUvcEx"));
        QVERIFY(reopenedAt >= 0);
        QVERIFY(f.window->isCameraOpen());
    }

    void failedSwitchesTellTheUserAndShowTheCamerasValue()
    {
        Controls f;
        DialogAnswerer answerer;
        f.cam1()->setFault(QStringLiteral("xu.opcode.0x09"), QStringLiteral("0x8007001F"));
        f.cam1()->setFault(QStringLiteral("xu.opcode.0x17"), QStringLiteral("0x8007001F"));
        f.cam1()->setFault(QStringLiteral("xu.opcode.0x01"), QStringLiteral("0x8007001F"));

        auto *mirror = f.child<QPushButton>("btnMirror");
        mirror->click();
        QCOMPARE(answerer.texts(), QStringList{kOperationTimeout});
        QCOMPARE(answerer.at(0).buttons, QStringList{QStringLiteral("btnOK")});
        QVERIFY(answerer.at(0).countdown.isEmpty());
        QVERIFY(!mirror->isChecked());
        QCOMPARE(f.feature("mirror"), 0);

        auto *autoAE = f.child<QPushButton>("btnAutoAE");
        QVERIFY(autoAE->isChecked());
        autoAE->click();
        QCOMPARE(answerer.last().text, kSettingTimeout);
        QVERIFY(autoAE->isChecked());
        QCOMPARE(f.feature("autoAE"), 1);

        // HDR keeps the user's choice: it is not read back.
        auto *hdr = f.child<QPushButton>("btnHDR");
        hdr->click();
        QCOMPARE(answerer.count(), 3);
        QCOMPARE(answerer.last().text, kSettingTimeout);
        QVERIFY(hdr->isChecked());
        QCOMPARE(f.window->controlPanel()->hdrState(), 1);
        QCOMPARE(f.feature("hdr"), 0);
    }

    void failedListsShowTheCamerasValue()
    {
        Controls f;
        DialogAnswerer answerer;
        f.cam1()->setFault(QStringLiteral("xu.opcode.0x02"), QStringLiteral("0x8007001F"));
        f.cam1()->setFault(QStringLiteral("xu.opcode.0x10"), QStringLiteral("0x8007001F"));
        f.cam1()->setFault(QStringLiteral("xu.opcode.0x0c"), QStringLiteral("0x8007001F"));

        f.box("comboBoxAntiFlicker")->setCurrentIndex(1);
        QCOMPARE(answerer.texts(), QStringList{kSettingTimeout});
        QCOMPARE(f.box("comboBoxAntiFlicker")->currentIndex(), 0);

        f.box("comboBoxTrackMode")->setCurrentIndex(2);
        QCOMPARE(answerer.last().text, kOperationTimeout);
        QCOMPARE(f.box("comboBoxTrackMode")->currentIndex(), 0);
        QVERIFY(f.shown("widgetTrackOff"));

        f.child<QToolButton>("btn78")->click();
        QCOMPARE(answerer.count(), 3);
        QCOMPARE(answerer.last().text, kSettingTimeout);
        QVERIFY(f.child<QToolButton>("btn90")->isChecked());
        QVERIFY(!f.child<QToolButton>("btn78")->isChecked());
    }

    void microphoneAndHdModeRestartTheCamera_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("feature");
        QTest::addColumn<int>("opcode");
        QTest::addColumn<QString>("notice");
        QTest::newRow("microphone")
            << "btnMute" << "mic" << 0x04
            << "To complete this process, your device may take a few seconds to restart.";
        QTest::newRow("HD mode")
            << "btnHD" << "hdMode" << 0x0D
            << "Turn on for better image quality and turn off for better compatibility.To complete this "
               "process, your device may take a few seconds to restart.";
    }

    void microphoneAndHdModeRestartTheCamera()
    {
        QFETCH(QString, button);
        QFETCH(QString, feature);
        QFETCH(int, opcode);
        QFETCH(QString, notice);
        Fixture f(oneCamera());
        QVERIFY(f.window->isPreviewRunning());
        sim::SimCamera *cam = f.cam("cam1");
        QCOMPARE(cam->uvc().feature(feature), 1);
        cam->uvc().clearHistory();
        DialogAnswerer answerer(dialogtest::LeaveOpen);
        LogCapture log;
        f.window->findChild<QPushButton *>(button)->click();
        // The camera's stream ends with the restart: the preview is stopped first.
        QVERIFY(g_log.contains(QStringLiteral("stop camera!")));
        QCOMPARE(commands(cam).first(), (Command{opcode, 0}));
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.at(0).text, notice);
        QCOMPARE(answerer.at(0).countdown,
                 (QStringList{QStringLiteral("The window will close automatically after 5 seconds."),
                              QStringLiteral("The window will close automatically after 5 seconds."),
                              QStringLiteral("The window will close automatically after 4 seconds."),
                              QStringLiteral("The window will close automatically after 3 seconds."),
                              QStringLiteral("The window will close automatically after 2 seconds."),
                              QStringLiteral("The window will close automatically after 1 seconds."),
                              QStringLiteral("The window will close automatically after 0 seconds.")}));
        QCOMPARE(answerer.at(0).result, 1);
        // The camera comes back with the new value, and the window opens it again.
        QTRY_COMPARE_WITH_TIMEOUT(cam->uvc().feature(feature), 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isCameraOpen() && f.window->isPreviewRunning(), 10000);
        QVERIFY(!f.window->findChild<QPushButton *>(button)->isChecked());
    }

    void valueNotTakenNoticeOncePerWindowAndSlidersSnapBack()
    {
        Controls f;
        DialogAnswerer answerer;
        // The camera acknowledges brightness and contrast but keeps its values.
        f.cam1()->setFault(QStringLiteral("prop.ignore.video.0"), true);
        f.cam1()->setFault(QStringLiteral("prop.ignore.video.1"), true);
        auto *brightness = f.child<QSlider>("sliderBrightness");
        brightness->setValue(83);
        brightness->setValue(84);
        f.child<QSlider>("sliderContract")->setValue(20);
        QVERIFY(f.window->controlPanel()->tipPending());
        QCOMPARE(answerer.count(), 0);
        QTRY_COMPARE(answerer.count(), 1);
        QCOMPARE(answerer.at(0).text, kNotTaken);
        QVERIFY(!answerer.at(0).countdown.isEmpty());
        QCOMPARE(brightness->value(), 50);
        QCOMPARE(f.child<QLabel>("labelBrightnessValue")->text(), QStringLiteral("50"));
        QCOMPARE(f.child<QSlider>("sliderContract")->value(), 50);
        QTRY_VERIFY(!f.window->controlPanel()->tipPending());
        QTest::qWait(50);
        QCOMPARE(answerer.count(), 1);

        // A later value that is not taken shows the notice again.
        brightness->setValue(70);
        QTRY_COMPARE(answerer.count(), 2);
        QCOMPARE(brightness->value(), 50);
    }

    void noSecondNoticeWhileTheFirstIsOpen()
    {
        Controls f;
        platform::VirtualClock &clock = f.env.clock();
        clock.setHeldTimers(true);
        auto release = qScopeGuard([&clock] { clock.setHeldTimers(false); });
        DialogAnswerer answerer(dialogtest::Ok);
        answerer.answer(dialogtest::LeaveOpen);
        f.cam1()->setFault(QStringLiteral("prop.ignore.video.0"), true);
        auto *brightness = f.child<QSlider>("sliderBrightness");
        ControlPanel *panel = f.window->controlPanel();
        bool pendingWhileOpen = false;
        bool acted = false;
        // While the notice is open, long after its 1500 ms: another value not taken.
        NoticeHook hook([&] {
            if (acted)
                return;
            acted = true;
            clock.advance(2000);
            QCoreApplication::processEvents();
            brightness->setValue(90);
            pendingWhileOpen = panel->tipPending();
            clock.advance(10000);
        });
        brightness->setValue(83);
        QVERIFY(panel->tipPending());
        QTRY_VERIFY(acted);
        QTRY_VERIFY(!answerer.at(0).open);
        // Whatever was due has fired: no second notice was scheduled meanwhile.
        clock.advance(10000);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(pendingWhileOpen);
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.at(0).text, kNotTaken);
        QVERIFY(!panel->tipPending());
    }

    void valuesAreNotCheckedWhileTheCameraStreams()
    {
        Fixture f(oneCamera());
        QVERIFY(f.window->isPreviewRunning());
        sim::SimCamera *cam = f.cam("cam1");
        QTRY_VERIFY_WITH_TIMEOUT(!picture(f.child<QLabel>("labPreview")).isNull(), 15000);
        DialogAnswerer answerer;
        cam->setFault(QStringLiteral("prop.ignore"), true);
        f.child<QSlider>("sliderBrightness")->setValue(83);
        f.child<QSlider>("sliderZoom")->setValue(300);
        QVERIFY(!f.window->controlPanel()->tipPending());
        QTest::qWait(100);
        QCOMPARE(answerer.count(), 0);
    }

    void valuesAreNotCheckedWhileAnotherProgramStreams()
    {
        // The window shows no preview, but another program has the camera streaming: the
        // camera's own video state decides, not the window's preview.
        QJsonObject extra{{QStringLiteral("stream"), QJsonObject{{QStringLiteral("width"), 320},
                                                                 {QStringLiteral("height"), 240},
                                                                 {QStringLiteral("fps"), 30}}}};
        Controls f(oneCamera(extra));
        sim::SimCamera *cam = f.cam1();
        DialogAnswerer answerer;
        cam->setFault(QStringLiteral("prop.ignore.video.0"), true);
        auto *brightness = f.child<QSlider>("sliderBrightness");

        OtherViewer viewer(cam->monikerDisplayName().replace(QLatin1Char(':'), QLatin1Char('_')));
        QTRY_VERIFY_WITH_TIMEOUT(cam->stream().streaming(), 20000);
        QVERIFY(!f.window->isPreviewRunning());
        brightness->setValue(83);
        QVERIFY(!f.window->controlPanel()->tipPending());
        // The camera was asked (video state, opcode 0x96) and said it streams.
        const QList<sim::SimUvcCamera::XuMessage> m = cam->uvc().xuMessages();
        QVERIFY(std::any_of(m.begin(), m.end(), [](const sim::SimUvcCamera::XuMessage &x) {
            return x.selector == 2 && quint8(x.data.at(0)) == 0x96 && quint8(x.reply.at(2)) == 1;
        }));

        // The other program lets go: the same value not taken is noticed.
        viewer.end();
        QTRY_VERIFY_WITH_TIMEOUT(!cam->stream().streaming(), 20000);
        brightness->setValue(70);
        QVERIFY(f.window->controlPanel()->tipPending());
        QTRY_COMPARE(answerer.count(), 1);
        QCOMPARE(answerer.at(0).text, kNotTaken);
        QCOMPARE(brightness->value(), 50);
    }

    void refusedValueShowsOneNotice()
    {
        Controls f;
        DialogAnswerer answerer;
        f.cam1()->setFault(QStringLiteral("prop.set.video.4"), QStringLiteral("0x80070057"));
        auto *sharpness = f.child<QSlider>("sliderSharpness");
        sharpness->setValue(100);
        sharpness->setValue(101);
        QCOMPARE(sharpness->value(), 0);
        QTRY_COMPARE(answerer.count(), 1);
        QCOMPARE(answerer.at(0).text, kSettingTimeout);
        QTest::qWait(50);
        QCOMPARE(answerer.count(), 1);
    }

    void panNotTakenShowsTheNoticeWithCountdown()
    {
        Controls f;
        DialogAnswerer answerer;
        f.child<QSlider>("sliderZoom")->setValue(300);
        f.cam1()->setFault(QStringLiteral("prop.ignore.camera.0"), true);
        f.child<QToolButton>("btnCameraRight")->click();
        QCOMPARE(answerer.texts(), QStringList{kNotTaken});
        QVERIFY(!answerer.at(0).countdown.isEmpty());
        QCOMPARE(f.window->openCamera().properties().pan.current, 0);
    }

    void defaultColourNotTakenShowsTheNotice()
    {
        Controls f;
        DialogAnswerer answerer;
        f.child<QSlider>("sliderSaturation")->setValue(100);
        f.cam1()->setFault(QStringLiteral("prop.ignore.video.3"), true);
        f.child<QPushButton>("btnDefaultColor")->click();
        QCOMPARE(answerer.texts(), QStringList{kNotTaken});
        QCOMPARE(f.child<QSlider>("sliderSaturation")->value(), 100);
    }

    void tabsAndSections()
    {
        Controls f;
        auto *support = f.child<QToolButton>("btnNavSupport");
        support->click();
        QCOMPARE(f.child<QStackedWidget>("stackedWidgetMain")->currentIndex(), 1);
        QVERIFY(support->isChecked());
        QVERIFY(!f.child<QToolButton>("btnNavControl")->isChecked());
        f.child<QToolButton>("btnColorControl")->click();
        QCOMPARE(f.child<QStackedWidget>("stackedWidgetControl")->currentIndex(), 1);

        QVERIFY(f.shown("widgetDevInfo"));
        f.child<QToolButton>("btnDevInfoExtend")->click();
        QVERIFY(!f.shown("widgetDevInfo"));
        f.child<QToolButton>("btnDevInfoExtend")->click();
        QVERIFY(f.shown("widgetDevInfo"));
        // A press on a header folds its section like the button.
        QTest::mouseClick(f.child<QLabel>("labelDevUpdate"), Qt::LeftButton);
        QVERIFY(!f.shown("widgetDevUpdate"));
        f.child<QToolButton>("btnDevSupportExtend")->click();
        QVERIFY(!f.shown("widgetDevSupport"));
    }
};

LENSDESK_TEST_MAIN(TestControls)
#include "tst_controls.moc"
