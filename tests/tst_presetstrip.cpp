// The window's ways to aim the camera: the preset strip, the keys and the mouse on the
// preview. Every value is read back from the rig.
#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"

#include "camera/PresetStore.h"
#include "core/SettingsStore.h"
#include "ui/PreviewAim.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QSlider>
#include <QToolButton>
#include <QWheelEvent>

using namespace windowtest;
using dialogtest::DialogAnswerer;

namespace {

const QUuid kCameraControlSet = QUuid(QStringLiteral("{C6E13370-30AC-11d0-A18C-00A0C9118956}"));

struct Write
{
    int id;
    int value;
    bool operator==(const Write &o) const { return id == o.id && value == o.value; }
};

char *toString(const Write &w)
{
    return QTest::toString(QStringLiteral("(id %1, %2)").arg(w.id).arg(w.value));
}

QJsonObject range(int min, int max, int value)
{
    QJsonObject r = testsupport::rigRange(min, max, value);
    r.insert(QStringLiteral("default"), 0);
    return r;
}

// The window over one camera that pans and tilt -40..40, its preview stopped so that
// values the camera does not keep are checked.
struct Aim : Fixture
{
    Aim()
        : Fixture(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                                  QJsonObject{{QStringLiteral("properties"),
                                               QJsonObject{{QStringLiteral("pan"), range(-40, 40, 0)},
                                                           {QStringLiteral("tilt"), range(-40, 40, 0)}}}})}))
    {
        window->stopCameraPreView();
        QTRY_VERIFY(!window->isPreviewRunning());
        QTest::qWait(50);
        QApplication::setActiveWindow(window.get());
        window->setFocus();
        cam1()->uvc().clearHistory();
    }
    sim::SimCamera *cam1() { return cam("cam1"); }
    int value(int id)
    {
        sim::SimUvcCamera::Property p;
        return cam1()->uvc().property(platform::PropertySet::CameraControl, id, &p) ? p.value : -1000;
    }
    // The camera-control writes since the last clear, in order.
    QList<Write> writes()
    {
        QList<Write> out;
        for (const auto &r : cam1()->uvc().propertyRequests()) {
            if (r.kind == 2 && r.propertySet == kCameraControlSet)
                out.append({r.id, r.value});
        }
        return out;
    }
    // A key as the user types it: to the widget that has the focus.
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, k, modifiers);
    }
    QToolButton *preset(int n) const { return child<QToolButton>(qPrintable(QStringLiteral("btnPreset%1").arg(n))); }
    QSlider *zoom() const { return child<QSlider>("sliderZoom"); }
};

} // namespace

class TestPresetStrip : public QObject
{
    Q_OBJECT
private slots:
    void keysSendWhatTheButtonsSend()
    {
        Aim f;
        // At the wide end the arrows are unusable: so are the arrow keys.
        f.key(Qt::Key_Right);
        QCOMPARE(f.writes(), QList<Write>{});

        f.key(Qt::Key_Plus);
        QCOMPARE(f.writes(), (QList<Write>{{3, 110}}));
        QCOMPARE(f.zoom()->value(), 110);
        f.key(Qt::Key_Plus);
        f.key(Qt::Key_Minus);
        QCOMPARE(f.value(3), 110);

        f.cam1()->uvc().clearHistory();
        f.key(Qt::Key_Right);
        f.key(Qt::Key_Up);
        f.key(Qt::Key_Up);
        const QList<Write> byKeys = f.writes();
        QCOMPARE(byKeys, (QList<Write>{{0, 1}, {1, 1}, {1, 2}}));
        f.cam1()->uvc().clearHistory();
        f.child<QToolButton>("btnCameraLeft")->click();
        f.child<QToolButton>("btnCameraDown")->click();
        f.key(Qt::Key_Left);
        f.key(Qt::Key_Down);
        QCOMPARE(f.writes(), (QList<Write>{{0, 0}, {1, 1}, {0, -1}, {1, 0}}));

        // The keys stop at the window's limits as the arrows do, and look the same there.
        for (int i = 0; i < 35; ++i)
            f.key(Qt::Key_Right);
        QCOMPARE(f.value(0), 30);
        QVERIFY(f.child<QToolButton>("btnCameraRight")->styleSheet().contains(
            QLatin1String("icon-arrow-right-disable.png")));

        // Home: pan and tilt 0, then the wide end of the zoom.
        f.key(Qt::Key_Up);
        f.cam1()->uvc().clearHistory();
        f.key(Qt::Key_Home);
        QCOMPARE(f.value(0), 0);
        QCOMPARE(f.value(1), 0);
        QCOMPARE(f.value(3), 100);
        QCOMPARE(f.writes().last(), (Write{3, 100}));
        QCOMPARE(f.zoom()->value(), 100);
        QVERIFY(!f.child<QToolButton>("btnCameraRight")->isEnabled());
    }

    void wheelZoomsAndDoubleClickTurnsTowardThePoint()
    {
        Aim f;
        auto *preview = f.child<QLabel>("labPreview");
        const QPointF middle(preview->width() / 2.0, preview->height() / 2.0);
        const auto wheel = [&](int delta) {
            QWheelEvent event(middle, preview->mapToGlobal(middle.toPoint()), QPoint(), QPoint(0, delta),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(preview, &event);
        };
        wheel(120);
        wheel(120);
        QCOMPARE(f.writes(), (QList<Write>{{3, 110}, {3, 120}}));
        // Half a notch twice makes one.
        wheel(-60);
        QCOMPARE(f.value(3), 120);
        wheel(-60);
        QCOMPARE(f.value(3), 110);
        f.zoom()->setValue(200);

        // A picture of 400 x 225 centred at the bottom; a point half way to its right
        // edge at 93 degrees wide and zoom 200: 0.5 x 46.5 / 2 = 11.6, so 12 to the right.
        QVERIFY(preview->width() > 420 && preview->height() > 240);
        preview->setPixmap(QPixmap(400, 225));
        const QPointF origin((preview->width() - 400) / 2, preview->height() - 225);
        f.cam1()->uvc().clearHistory();
        QTest::mouseDClick(preview, Qt::LeftButton, Qt::NoModifier, (origin + QPointF(300, 112)).toPoint());
        QCOMPARE(f.writes(), (QList<Write>{{0, 12}}));
        // The top edge: up by half the vertical view, 46.5 x 225 / 400 / 2 = 13.
        QTest::mouseDClick(preview, Qt::LeftButton, Qt::NoModifier, (origin + QPointF(200, 0)).toPoint());
        QCOMPARE(f.value(1), 13);
        QCOMPARE(f.value(0), 12);
        // Outside the picture nothing moves.
        f.cam1()->uvc().clearHistory();
        QTest::mouseDClick(preview, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
        QCOMPARE(f.writes(), QList<Write>{});
    }

    void aimingMapsThePointToDegrees()
    {
        const QRectF picture(0, 0, 1600, 900);
        QCOMPARE(PreviewAim::degreesToward(QPointF(800, 450), picture, 93, 100), QPoint(0, 0));
        QCOMPARE(PreviewAim::degreesToward(QPointF(1600, 450), picture, 93, 100), QPoint(47, 0));
        QCOMPARE(PreviewAim::degreesToward(QPointF(0, 900), picture, 93, 100), QPoint(-47, -26));
        QCOMPARE(PreviewAim::degreesToward(QPointF(1200, 225), picture, 93, 400), QPoint(6, 3));
        QCOMPARE(PreviewAim::degreesToward(QPointF(10, 10), QRectF(), 93, 100), QPoint(0, 0));
    }

    void keysBelongToTextFieldsListsAndDialogs()
    {
        Aim f;
        f.zoom()->setValue(300);
        f.cam1()->uvc().clearHistory();

        auto *edit = new QLineEdit(f.child<QWidget>("widgetTrackOff"));
        edit->show();
        edit->setFocus();
        QCOMPARE(QApplication::focusWidget(), edit);
        for (Qt::Key k : {Qt::Key_Right, Qt::Key_Plus, Qt::Key_Home, Qt::Key_1})
            f.key(k);
        QCOMPARE(f.writes(), QList<Write>{});
        QCOMPARE(edit->text(), QStringLiteral("1+"));
        delete edit;

        f.list()->setFocus();
        f.key(Qt::Key_Left);
        f.key(Qt::Key_Minus);
        QCOMPARE(f.writes(), QList<Write>{});

        auto *box = f.child<QComboBox>("comboBoxAntiFlicker");
        box->showPopup();
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Up);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Plus);
        QCOMPARE(f.writes(), QList<Write>{});
        box->hidePopup();
        QTRY_VERIFY(!QApplication::activePopupWidget());

        QDialog dialog(f.window.get());
        dialog.setModal(true);
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Right);
        QTest::keyClick(&dialog, Qt::Key_Home);
        QCOMPARE(f.writes(), QList<Write>{});
        dialog.hide();

        // With the focus back on the window the keys aim again.
        f.window->setFocus();
        f.key(Qt::Key_Right);
        QCOMPARE(f.writes(), (QList<Write>{{0, 1}}));
    }

    void savedPresetComesBackZoomFirst()
    {
        Aim f;
        QToolButton *four = f.preset(4);
        QVERIFY(!four->property("stored").toBool());
        QVERIFY(four->toolTip().contains(QLatin1String("empty")));
        f.zoom()->setValue(300);
        for (int i = 0; i < 5; ++i)
            f.key(Qt::Key_Right);
        for (int i = 0; i < 3; ++i)
            f.key(Qt::Key_Down);
        QTest::mouseClick(four, Qt::LeftButton, Qt::ControlModifier);
        QVERIFY(four->property("stored").toBool());
        QVERIFY(four->toolTip().contains(QLatin1String("press 4")));

        // Saved with Ctrl+2 as well; then home, and back with the key and the button.
        f.key(Qt::Key_2, Qt::ControlModifier);
        QVERIFY(f.preset(2)->property("stored").toBool());
        f.key(Qt::Key_Home);
        QCOMPARE(f.value(3), 100);
        f.cam1()->uvc().clearHistory();
        four->click();
        // Focus was manual when saved (this model reads it): it comes back last.
        QCOMPARE(f.writes(), (QList<Write>{{3, 300}, {0, 5}, {1, -3}, {6, 255}}));
        QCOMPARE(f.value(0), 5);
        QCOMPARE(f.value(1), -3);
        // The controls show the camera's values, as after the arrows.
        QCOMPARE(f.zoom()->value(), 300);
        QCOMPARE(f.child<QSlider>("sliderFocus")->value(), 255);
        QVERIFY(f.child<QToolButton>("btnCameraRight")->isEnabled());
        f.key(Qt::Key_Right);
        QCOMPARE(f.value(0), 6);

        f.key(Qt::Key_Home);
        f.cam1()->uvc().clearHistory();
        f.key(Qt::Key_2);
        QCOMPARE(f.writes(), (QList<Write>{{3, 300}, {0, 5}, {1, -3}, {6, 255}}));

        // An empty preset does nothing.
        f.cam1()->uvc().clearHistory();
        f.preset(7)->click();
        f.key(Qt::Key_8);
        QCOMPARE(f.writes(), QList<Write>{});
        QVERIFY(!f.preset(7)->property("stored").toBool());
    }

    // Presets belong to the camera: they come back after an unplug and plug and in a new
    // window, and another camera has its own.
    void presetsOutliveUnplugAndRestart()
    {
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                                  QJsonObject{{QStringLiteral("serial"), QStringLiteral("SN-0042")}}),
                           camera(QStringLiteral("cam2"), QStringLiteral("7&3b2c1d0e&0"),
                                  QJsonObject{{QStringLiteral("plugged"), false},
                                              {QStringLiteral("friendlyName"), QStringLiteral("Orvia Vista Pro Cam 2")}})}));
        sim::SimCamera *cam1 = f.cam("cam1");
        const auto preset = [&f](int n) {
            return f.child<QToolButton>(qPrintable(QStringLiteral("btnPreset%1").arg(n)));
        };
        f.child<QSlider>("sliderZoom")->setValue(300);
        QTest::mouseClick(preset(3), Qt::LeftButton, Qt::ControlModifier);
        QVERIFY(preset(3)->property("stored").toBool());

        f.env.rig().unplug(cam1);
        QTRY_VERIFY(!f.window->isCameraOpen());
        f.env.rig().plug(cam1);
        QTRY_VERIFY(f.window->isCameraOpen());
        QTRY_VERIFY(preset(3)->property("stored").toBool());
        f.child<QSlider>("sliderZoom")->setValue(100);
        cam1->uvc().clearHistory();
        preset(3)->click();
        sim::SimUvcCamera::Property p;
        QVERIFY(cam1->uvc().property(platform::PropertySet::CameraControl, 3, &p));
        QCOMPARE(p.value, 300);

        // A new window over the same settings.
        f.window.reset();
        f.window = std::make_unique<MainWindow>();
        f.window->show();
        QTRY_VERIFY(f.window->isCameraOpen());
        QTRY_VERIFY(preset(3)->property("stored").toBool());

        // The other camera, opened when it arrives, has none.
        f.env.rig().plug(f.cam("cam2"));
        QTRY_COMPARE(f.window->currentDevicePath(), f.cam("cam2")->id());
        QTRY_VERIFY(!preset(3)->property("stored").toBool());
    }

    // A camera that does not keep the preset's pan shows the window's not-taken notice;
    // a model without mechanics refuses with its notice and sends nothing.
    void notTakenAndNoMechanics()
    {
        {
            Aim f;
            DialogAnswerer answerer;
            f.zoom()->setValue(250);
            f.key(Qt::Key_Right);
            f.key(Qt::Key_4, Qt::ControlModifier);
            f.key(Qt::Key_Home);
            f.cam1()->setFault(QStringLiteral("prop.ignore.camera.0"), true);
            f.key(Qt::Key_4);
            QTRY_COMPARE(answerer.texts(),
                         QStringList{QStringLiteral("Any change in the setting takes effect only if the camera is working.")});
            QCOMPARE(f.value(0), 0);
        }
        {
            // Product line 1, a camera whose name makes it an ARBOR 50F (no pan, tilt or zoom).
            Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&2a1b3c4d&0"),
                                      QJsonObject{{QStringLiteral("vendorId"), QStringLiteral("0x343B")},
                                                  {QStringLiteral("friendlyName"), QStringLiteral("ARBOR 50F")}})}),
                      1);
            QTRY_VERIFY(f.window->isCameraOpen());
            {
                // A preset another program stored for this camera.
                SettingsStore settings;
                PositionPreset stored;
                stored.zoom = 300;
                PresetStore(settings).store(PresetStore::cameraKey(QString(), f.cam("cam1")->id()), 1, stored);
            }
            DialogAnswerer answerer;
            f.cam("cam1")->uvc().clearHistory();
            f.child<QToolButton>("btnPreset1")->click();
            QTest::mouseClick(f.child<QToolButton>("btnPreset2"), Qt::LeftButton, Qt::ControlModifier);
            QCOMPARE(answerer.texts(),
                     (QStringList{QStringLiteral("This camera cannot pan, tilt or zoom, so it has no position presets."),
                                  QStringLiteral("This camera cannot pan, tilt or zoom, so it has no position presets.")}));
            QVERIFY(f.cam("cam1")->uvc().propertyRequests().isEmpty());
            QVERIFY(!f.child<QToolButton>("btnPreset2")->property("stored").toBool());
        }
    }

    void longPressSaves()
    {
        Aim f;
        platform::VirtualClock &clock = f.env.clock();
        clock.setHeldTimers(true);
        auto release = qScopeGuard([&clock] { clock.setHeldTimers(false); });
        f.zoom()->setValue(250);
        f.key(Qt::Key_Left);
        f.cam1()->uvc().clearHistory();

        QToolButton *nine = f.preset(9);
        QTest::mousePress(nine, Qt::LeftButton);
        clock.advance(599);
        QVERIFY(!nine->property("stored").toBool());
        clock.advance(1);
        QTRY_VERIFY(nine->property("stored").toBool());
        QTest::mouseRelease(nine, Qt::LeftButton);
        // Saving reads; releasing the held button does not recall.
        QCOMPARE(f.writes(), QList<Write>{});

        // A short press recalls.
        f.key(Qt::Key_Home);
        f.cam1()->uvc().clearHistory();
        QTest::mousePress(nine, Qt::LeftButton);
        clock.advance(300);
        QTest::mouseRelease(nine, Qt::LeftButton);
        clock.advance(1000);
        QCOMPARE(f.writes().mid(0, 3), (QList<Write>{{3, 250}, {0, -1}, {1, 0}}));
    }

    void refusedWhileTracking()
    {
        Aim f;
        DialogAnswerer answerer;
        f.zoom()->setValue(200);
        f.key(Qt::Key_Right);
        f.key(Qt::Key_3, Qt::ControlModifier);
        QVERIFY(f.preset(3)->property("stored").toBool());
        f.child<QComboBox>("comboBoxTrackMode")->setCurrentIndex(1);
        QCOMPARE(f.cam1()->uvc().feature(QStringLiteral("trackingMode")), 1);
        f.cam1()->uvc().clearHistory();

        f.key(Qt::Key_3);
        QCOMPARE(answerer.texts(),
                 QStringList{QStringLiteral("The position presets cannot be used while AI Tracking is on.")});
        f.key(Qt::Key_5, Qt::ControlModifier);
        QCOMPARE(answerer.count(), 2);
        QVERIFY(!f.preset(5)->property("stored").toBool());
        // No key reaches the camera while it frames by itself.
        for (Qt::Key k : {Qt::Key_Right, Qt::Key_Plus, Qt::Key_Home})
            f.key(k);
        QCOMPARE(f.writes(), QList<Write>{});
    }
};

QTEST_MAIN(TestPresetStrip)
#include "tst_presetstrip.moc"
