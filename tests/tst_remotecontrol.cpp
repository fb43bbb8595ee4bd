// "Remote control (VISCA)" in the window: off by default, kept in the user's settings,
// serving the window's open camera on 127.0.0.1 with the engine lensdeskctl serve uses,
// and saying so when its port is taken. The servers take free ports (0) here.
#include "WindowTestSupport.h"

#include "core/SettingsStore.h"
#include "ui/RemoteControlOption.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QToolButton>
#include <QUdpSocket>

using namespace windowtest;
using platform::PropertySet;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

int zoomOf(sim::SimCamera *camera)
{
    sim::SimUvcCamera::Property p;
    camera->uvc().property(PropertySet::CameraControl, 3, &p);
    return p.value;
}

// One VISCA-over-IP datagram to the port; the replies that come back.
QList<QByteArray> exchange(quint16 port, const QByteArray &datagram, int replies)
{
    QUdpSocket socket;
    socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
    socket.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), port);
    QList<QByteArray> got;
    (void)QTest::qWaitFor(
        [&] {
            while (socket.hasPendingDatagrams()) {
                QByteArray d(int(socket.pendingDatagramSize()), 0);
                socket.readDatagram(d.data(), d.size());
                got << d;
            }
            return got.size() >= replies;
        },
        20000);
    return got;
}

QString stored()
{
    return SettingsStore().value(QStringLiteral("/remote_control/visca")).toString();
}

// A stand-in window that lends no camera.
struct NoCamera : RemoteControlOption::Window
{
    OpenCamera *servedCamera() override { return nullptr; }
};

} // namespace

class TestRemoteControl : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        SettingsStore settings;
        settings.remove(QStringLiteral("remote_control"));
        settings.sync();
    }

    void offByDefaultThenServesTheWindowsCamera()
    {
        Fixture f(rigJson({camera(QStringLiteral("cam1"), QStringLiteral("7&1111&0"))}));
        QTRY_VERIFY(f.window->isCameraOpen());
        QCheckBox *check = f.child<QCheckBox>("checkRemoteControl");
        QCOMPARE(check->text(), QStringLiteral("Remote control (VISCA)"));
        QVERIFY(!check->isChecked());
        QVERIFY(!f.window->remoteControl()->isServing());
        QVERIFY(f.hidden("labelRemoteControl"));

        f.window->remoteControl()->setPorts(0, 0);
        check->setChecked(true);
        QVERIFY(f.window->remoteControl()->isServing());
        QCOMPARE(stored(), QStringLiteral("1"));
        const quint16 udp = f.window->remoteControl()->udpPort();
        const quint16 tcp = f.window->remoteControl()->tcpPort();
        QCOMPARE(f.child<QLabel>("labelRemoteControl")->text(),
                 QStringLiteral("VISCA over IP on 127.0.0.1: UDP port %1, TCP port %2").arg(udp).arg(tcp));
        // Zoom direct 0x4000: the tele end of the built-in camera's 100..800.
        QCOMPARE(exchange(udp, hex("01000009 00000001 8101044704000000ff"), 2),
                 (QList<QByteArray>{hex("01110003 00000001 9041ff"), hex("01110003 00000001 9051ff")}));
        QCOMPARE(zoomOf(f.cam("cam1")), 800);
        QCOMPARE(exchange(udp, hex("01100005 00000002 81090447ff"), 1),
                 QList<QByteArray>{hex("01110007 00000002 905004000000ff")});
        // A preset set and reset by a client shows on the window's preset strip at once.
        const auto stored5 = [&f] { return f.child<QToolButton>("btnPreset5")->property("stored").toBool(); };
        QVERIFY(!stored5());
        QCOMPARE(exchange(udp, hex("01000007 00000010 8101043f0104ff"), 2),
                 (QList<QByteArray>{hex("01110003 00000010 9041ff"), hex("01110003 00000010 9051ff")}));
        QVERIFY(stored5());
        QCOMPARE(exchange(udp, hex("01000007 00000011 8101043f0004ff"), 2).size(), 2);
        QVERIFY(!stored5());

        // Unplugged, the window has no camera open: not executable.
        f.env.rig().unplug(f.cam("cam1"));
        QTRY_VERIFY(!f.window->isCameraOpen());
        QCOMPARE(exchange(udp, hex("01000009 00000003 8101044700000000ff"), 1),
                 QList<QByteArray>{hex("01110004 00000003 906141ff")});
        QCOMPARE(zoomOf(f.cam("cam1")), 800);
        // Back: it follows the window again.
        f.env.rig().plug(f.cam("cam1"));
        QTRY_VERIFY(f.window->isCameraOpen());
        QCOMPARE(exchange(udp, hex("01000009 00000004 8101044702000000ff"), 2).size(), 2);
        QCOMPARE(zoomOf(f.cam("cam1")), 450);

        check->setChecked(false);
        QVERIFY(!f.window->remoteControl()->isServing());
        QCOMPARE(stored(), QStringLiteral("0"));
        QVERIFY(f.hidden("labelRemoteControl"));
    }

    void choiceSurvivesARestart()
    {
        NoCamera window;
        QCheckBox check;
        QLabel label;
        {
            RemoteControlOption option({&check, &label}, window);
            option.setPorts(0, 0);
            option.restore();
            QVERIFY(!check.isChecked());
            QVERIFY(!option.isServing());
            check.setChecked(true);
            QVERIFY(option.isServing());
        }
        QCheckBox check2;
        QLabel label2;
        RemoteControlOption again({&check2, &label2}, window);
        again.setPorts(0, 0);
        again.restore();
        QVERIFY(check2.isChecked());
        QVERIFY(again.isServing());
        // Without a camera, commands are not executable and power answers standby.
        QCOMPARE(exchange(again.udpPort(), hex("01000009 00000001 8101044704000000ff"), 1),
                 QList<QByteArray>{hex("01110004 00000001 906141ff")});
        QCOMPARE(exchange(again.udpPort(), hex("01100005 00000002 81090400ff"), 1),
                 QList<QByteArray>{hex("01110004 00000002 905003ff")});
    }

    void takenPortIsNamed()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress(QHostAddress::LocalHost), 0));
        NoCamera window;
        QCheckBox check;
        QLabel label;
        RemoteControlOption option({&check, &label}, window);
        option.setPorts(holder.localPort(), 0);
        check.setChecked(true);
        QVERIFY(!option.isServing());
        QCOMPARE(label.text(), QStringLiteral("UDP port %1 is already in use (is lensdeskctl serve or another "
                                              "lensdesk running?). Remote control is off.")
                                   .arg(holder.localPort()));
        // The choice stays: the next start tries again.
        QCOMPARE(stored(), QStringLiteral("1"));
    }
};

LENSDESK_TEST_MAIN(TestRemoteControl)
#include "tst_remotecontrol.moc"
