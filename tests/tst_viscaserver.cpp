// The VISCA endpoints on 127.0.0.1: each command as raw bytes over UDP (with the
// VISCA-over-IP header) and over TCP (without), the reply bytes, and the values read
// back from the rig; the header checks, a flood, the client limit and the allow list;
// lensdeskctl serve as a real process that is stopped with SIGTERM. Every server takes
// free ports (port 0), so tests may run side by side.
#include "TestSupport.h"
#include "ViscaTestSupport.h"

#include "platform/sim/SimCamera.h"
#include "platform/sim/SimUvcCamera.h"
#include "remote/ServedCamera.h"
#include "remote/ViscaEngine.h"
#include "remote/ViscaServer.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <memory>

#include <csignal>
#include <sys/stat.h>

using platform::PropertySet;

using namespace viscatest;

namespace {

constexpr int kWait = 20000; // a bound only: the replies come as soon as they come

// A served rig camera on free ports of 127.0.0.1.
struct Rig
{
    explicit Rig(const QList<QPair<QHostAddress, int>> &allow = {})
        : env(rigJson())
        , camera(ServedCamera::Identity{kPath, kName, 0, 0, 0, QStringLiteral("1.2.3")})
        , engine(camera)
    {
        env.clock().setHeldTimers(true);
        camera.open();
        ViscaServer::Options o;
        o.udpPort = 0;
        o.tcpPort = 0;
        o.allow = allow;
        o.name = QStringLiteral("test camera");
        server = std::make_unique<ViscaServer>(engine, o);
        QString error;
        started = server->start(&error);
        if (!started)
            qWarning() << error;
    }
    sim::SimCamera *cam() { return env.rig().camera(QStringLiteral("cam1")); }
    void pass(int ms)
    {
        for (int t = 0; t < ms; t += 50) {
            env.clock().advance(50);
            QCoreApplication::processEvents();
        }
    }

    testsupport::SimEnvironment env;
    ServedCamera camera;
    ViscaEngine engine;
    std::unique_ptr<ViscaServer> server;
    bool started = false;
};

// A controller on UDP.
struct UdpClient
{
    UdpClient() { socket.bind(QHostAddress(QHostAddress::LocalHost), 0); }
    void send(const QByteArray &datagram, quint16 port)
    {
        socket.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), port);
    }
    // Collects datagrams until there are n (or the bound runs out).
    QList<QByteArray> receive(int n)
    {
        (void)QTest::qWaitFor(
            [&] {
                while (socket.hasPendingDatagrams()) {
                    QByteArray d(int(socket.pendingDatagramSize()), 0);
                    socket.readDatagram(d.data(), d.size());
                    received << d;
                }
                return received.size() >= n;
            },
            kWait);
        QList<QByteArray> out = received.mid(0, n);
        received = received.mid(n);
        return out;
    }
    // Sends one message with a header and gives the n replies.
    QList<QByteArray> exchange(quint16 port, quint16 type, quint32 sequence, const char *message, int n)
    {
        const QByteArray payload = hex(message);
        QByteArray d = hex("0000 0000 00000000") + payload;
        d[0] = char(type >> 8);
        d[1] = char(type & 0xFF);
        d[3] = char(payload.size());
        d[4] = char(sequence >> 24);
        d[5] = char((sequence >> 16) & 0xFF);
        d[6] = char((sequence >> 8) & 0xFF);
        d[7] = char(sequence & 0xFF);
        send(d, port);
        return receive(n);
    }

    QUdpSocket socket;
    QList<QByteArray> received;
};

// Reads from a TCP client until n bytes arrived.
QByteArray readTcp(QTcpSocket &socket, int n)
{
    QByteArray got;
    (void)QTest::qWaitFor(
        [&] {
            got += socket.readAll();
            return got.size() >= n;
        },
        kWait);
    return got;
}

bool connectTcp(QTcpSocket &socket, quint16 port)
{
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, kWait);
}

QString ctlBinary()
{
    return QStringLiteral(LENSDESK_CTL_BINARY);
}

void startServe(QProcess &p, const QTemporaryDir &dir, const QStringList &arguments)
{
    QFile rig(dir.filePath(QStringLiteral("rig.json")));
    rig.open(QIODevice::WriteOnly);
    rig.write(rigJson());
    rig.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LENSDESK_BACKEND"), QStringLiteral("sim"));
    env.insert(QStringLiteral("LENSDESK_SIM_VIRTUAL_CLOCK"), QStringLiteral("1"));
    env.insert(QStringLiteral("LENSDESK_RIG"), rig.fileName());
    env.insert(QStringLiteral("LENSDESK_RIG_SAVE"), dir.filePath(QStringLiteral("state.json")));
    env.insert(QStringLiteral("LENSDESK_RIG_CONTROL"), dir.filePath(QStringLiteral("control")));
    env.insert(QStringLiteral("HOME"), dir.path());
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(ctlBinary(), arguments);
}

// The next status line of a serve process, as JSON.
QJsonObject nextLine(QProcess &p)
{
    (void)QTest::qWaitFor([&] { return p.canReadLine() || p.state() == QProcess::NotRunning; }, kWait);
    return QJsonDocument::fromJson(p.readLine()).object();
}

// The zoom a serve process left in its rig.
int savedZoom(const QTemporaryDir &dir)
{
    QFile f(dir.filePath(QStringLiteral("state.json")));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QJsonObject cam = QJsonDocument::fromJson(f.readAll()).object().value("cameras").toArray().at(0).toObject();
    return cam.value("properties").toObject().value("zoom").toObject().value("value").toInt(-1);
}

const QByteArray kAck = QByteArray::fromHex("0111 0003");
const QByteArray kUdpDone = QByteArray::fromHex("9041ff");

} // namespace

class TestViscaServer : public QObject
{
    Q_OBJECT

private slots:
    void commandsOverUdp()
    {
        Rig rig;
        QVERIFY(rig.started);
        const quint16 port = rig.server->udpPort();
        QVERIFY(port != 0);
        UdpClient c;
        // Zoom direct 0x0000, 0x2000, 0x4000: ACK and completion, each with the command's
        // sequence number in a reply header (01 11, length 3).
        QCOMPARE(c.exchange(port, 0x0100, 1, "8101044700000000ff", 2),
                 (QList<QByteArray>{hex("01110003 00000001 9041ff"), hex("01110003 00000001 9051ff")}));
        QCOMPARE(value(rig.cam(), kZoom), 100);
        QCOMPARE(c.exchange(port, 0x0100, 2, "8101044702000000ff", 2),
                 (QList<QByteArray>{hex("01110003 00000002 9041ff"), hex("01110003 00000002 9051ff")}));
        QCOMPARE(value(rig.cam(), kZoom), 450);
        QCOMPARE(c.exchange(port, 0x0100, 3, "8101044704000000ff", 2),
                 (QList<QByteArray>{hex("01110003 00000003 9041ff"), hex("01110003 00000003 9051ff")}));
        QCOMPARE(value(rig.cam(), kZoom), 800);
        // Absolute pan 20, tilt -5.
        QCOMPARE(c.exchange(port, 0x0100, 4, "810106021814 00000104 0f0f0f0bff", 2).last(),
                 hex("01110003 00000004 9051ff"));
        QCOMPARE(value(rig.cam(), kPan), 20);
        QCOMPARE(value(rig.cam(), kTilt), -5);
        // Memory 4 set, elsewhere, memory 4 recalled.
        QCOMPARE(c.exchange(port, 0x0100, 5, "8101043f0104ff", 2).last(), hex("01110003 00000005 9051ff"));
        QCOMPARE(c.exchange(port, 0x0100, 6, "81010604ff", 2).last(), hex("01110003 00000006 9051ff"));
        QCOMPARE(value(rig.cam(), kPan), 0);
        QCOMPARE(c.exchange(port, 0x0100, 7, "8101043f0204ff", 2).last(), hex("01110003 00000007 9051ff"));
        QCOMPARE(value(rig.cam(), kPan), 20);
        QCOMPARE(value(rig.cam(), kTilt), -5);
        QCOMPARE(value(rig.cam(), kZoom), 800);
        // Drive left at the top speed for one second, stop, and it holds.
        QCOMPARE(c.exchange(port, 0x0100, 8, "8101060118140103ff", 2).last(), hex("01110003 00000008 9051ff"));
        rig.pass(1000);
        QCOMPARE(value(rig.cam(), kPan), 10);
        QCOMPARE(c.exchange(port, 0x0100, 9, "8101060118140303ff", 2).last(), hex("01110003 00000009 9051ff"));
        rig.pass(1000);
        QCOMPARE(value(rig.cam(), kPan), 10);

        // Inquiries (01 10): the answers with the inquiry's sequence number.
        QCOMPARE(c.exchange(port, 0x0110, 10, "81090400ff", 1), QList<QByteArray>{hex("01110004 0000000a 905002ff")});
        QCOMPARE(c.exchange(port, 0x0110, 11, "81090447ff", 1),
                 QList<QByteArray>{hex("01110007 0000000b 905004000000ff")});
        QCOMPARE(c.exchange(port, 0x0110, 12, "81090448ff", 1),
                 QList<QByteArray>{hex("01110007 0000000c 905000020602ff")});
        QCOMPARE(c.exchange(port, 0x0110, 13, "81090438ff", 1), QList<QByteArray>{hex("01110004 0000000d 905003ff")});
        QCOMPARE(c.exchange(port, 0x0110, 14, "81090612ff", 1),
                 QList<QByteArray>{hex("0111000b 0000000e 90500000000a0f0f0f0bff")});
        QCOMPARE(c.exchange(port, 0x0110, 15, "81090002ff", 1),
                 QList<QByteArray>{hex("0111000a 0000000f 90503749030a120302ff")});
    }

    void commandsOverTcp()
    {
        Rig rig;
        QVERIFY(rig.started);
        QTcpSocket c;
        QVERIFY(connectTcp(c, rig.server->tcpPort()));
        // Plain VISCA, no header.
        c.write(hex("8101044700000000ff"));
        QCOMPARE(readTcp(c, 6), hex("9041ff9051ff"));
        QCOMPARE(value(rig.cam(), kZoom), 100);
        // Two messages in one write, then one split over two writes.
        c.write(hex("8101044702000000ff 81090447ff"));
        QCOMPARE(readTcp(c, 13), hex("9041ff9051ff 905002000000ff"));
        QCOMPARE(value(rig.cam(), kZoom), 450);
        c.write(hex("81010447040000"));
        c.flush();
        (void)QTest::qWaitFor([&] { return rig.server->tcpClientCount() == 1; }, kWait);
        c.write(hex("00ff"));
        QCOMPARE(readTcp(c, 6), hex("9041ff9051ff"));
        QCOMPARE(value(rig.cam(), kZoom), 800);
        c.write(hex("810106021814 00000104 0f0f0f0bff"));
        QCOMPARE(readTcp(c, 6), hex("9041ff9051ff"));
        QCOMPARE(value(rig.cam(), kPan), 20);
        QCOMPARE(value(rig.cam(), kTilt), -5);
        c.write(hex("8101043f0100ff 81010604ff"));
        QCOMPARE(readTcp(c, 12), hex("9041ff9051ff9041ff9051ff"));
        QCOMPARE(value(rig.cam(), kPan), 0);
        c.write(hex("8101043f0200ff"));
        QCOMPARE(readTcp(c, 6), hex("9041ff9051ff"));
        QCOMPARE(value(rig.cam(), kPan), 20);
        c.write(hex("8101060118140203ff"));
        QCOMPARE(readTcp(c, 6), hex("9041ff9051ff"));
        rig.pass(500);
        QCOMPARE(value(rig.cam(), kPan), 25);
        c.write(hex("8101060118140303ff"));
        QCOMPARE(readTcp(c, 6), hex("9041ff9051ff"));
        rig.pass(1000);
        QCOMPARE(value(rig.cam(), kPan), 25);
        c.write(hex("81090612ff 81090400ff 81090002ff"));
        QCOMPARE(readTcp(c, 11 + 4 + 10), hex("9050 00000109 0f0f0f0b ff 905002ff 90503749030a120302ff"));
        // Garbage, a message without terminator run over 16 bytes, then a good one.
        c.write(hex("8101049999ff") + QByteArray(40, 0x01) + hex("ff 81090400ff"));
        QCOMPARE(readTcp(c, 4 + 4 + 4), hex("906002ff 906001ff 905002ff"));

        // A client leaving in the middle of a drive stops it.
        c.write(hex("8101060118140103ff"));
        QCOMPARE(readTcp(c, 6), hex("9041ff9051ff"));
        c.disconnectFromHost();
        QVERIFY(QTest::qWaitFor([&] { return rig.server->tcpClientCount() == 0; }, kWait));
        QVERIFY(!rig.engine.drive().isMoving());
    }

    void headerChecksAndSequenceNumbers()
    {
        Rig rig;
        QVERIFY(rig.started);
        const quint16 port = rig.server->udpPort();
        UdpClient c;
        // The largest sequence numbers are echoed whole.
        QCOMPARE(c.exchange(port, 0x0110, 0xFFFFFFFE, "81090400ff", 1),
                 QList<QByteArray>{hex("01110004 fffffffe 905002ff")});
        // The sequence-number reset (02 00, payload 01) and its reply (02 01, payload 01).
        QCOMPARE(c.exchange(port, 0x0200, 0, "01", 1), QList<QByteArray>{hex("02010001 00000000 01")});
        // Another control message: "abnormality in the message" (0F 02).
        QCOMPARE(c.exchange(port, 0x0200, 5, "05", 1), QList<QByteArray>{hex("02010002 00000005 0f02")});
        // A payload type no camera takes.
        QCOMPARE(c.exchange(port, 0x0111, 6, "9041ff", 1), QList<QByteArray>{hex("02010002 00000006 0f02")});
        // The header says 7 bytes, 6 follow: the syntax error, nothing done.
        c.send(hex("01000007 00000007 8101044700000000ff").left(14), port);
        QCOMPARE(c.receive(1), QList<QByteArray>{hex("01110004 00000007 906002ff")});
        c.send(hex("01000009 00000008 8101044700000000"), port);
        QCOMPARE(c.receive(1), QList<QByteArray>{hex("01110004 00000008 906002ff")});
        QCOMPARE(value(rig.cam(), kZoom), 450);
        // Truncated below the header: no reply; the next datagram is answered alone.
        c.send(hex("0100000900"), port);
        QCOMPARE(c.exchange(port, 0x0110, 9, "81090400ff", 1), QList<QByteArray>{hex("01110004 00000009 905002ff")});
        // A message without its 0xFF terminator.
        QCOMPARE(c.exchange(port, 0x0100, 10, "8101044700000000", 1), QList<QByteArray>{hex("01110004 0000000a 906002ff")});
        // 17 bytes of payload, and a 1000-byte datagram whose header claims 16.
        QCOMPARE(c.exchange(port, 0x0100, 11, "8101060218140000000000000000000000ff", 1),
                 QList<QByteArray>{hex("01110004 0000000b 906001ff")});
        c.send(hex("01000010 0000000c") + QByteArray(992, 0x01), port);
        QCOMPARE(c.receive(1), QList<QByteArray>{hex("01110004 0000000c 906001ff")});
        QCOMPARE(value(rig.cam(), kZoom), 450);
        QVERIFY(rig.server->refusedCount() >= 7);
    }

    void floodIsBoundedAndLosesNoValidReply()
    {
        Rig rig;
        QVERIFY(rig.started);
        const quint16 port = rig.server->udpPort();
        UdpClient c;
        // 10,000 datagrams in windows of 100: every tenth a power inquiry, the others
        // malformed in four ways, one of them too short to be answered at all.
        const QByteArray bad[] = {hex("01000007 00000000 81090400ff"), hex("01000004 00000000 8109ff00"),
                                  hex("01000003 00000000 ffffff"), hex("010000")};
        int validAnswers = 0;
        int errors = 0;
        QSet<quint32> sequences;
        for (int window = 0; window < 100; ++window) {
            int expected = 0;
            for (int i = 0; i < 100; ++i) {
                const quint32 n = quint32(window * 100 + i);
                if (i % 10 == 0) {
                    QByteArray d = hex("01100005 00000000 81090400ff");
                    d[4] = char(n >> 24);
                    d[5] = char((n >> 16) & 0xFF);
                    d[6] = char((n >> 8) & 0xFF);
                    d[7] = char(n & 0xFF);
                    c.send(d, port);
                    ++expected;
                } else {
                    const QByteArray &b = bad[i % 4];
                    c.send(b, port);
                    expected += b.size() >= 8 ? 1 : 0;
                }
            }
            const QList<QByteArray> replies = c.receive(expected);
            QCOMPARE(replies.size(), expected);
            for (const QByteArray &r : replies) {
                if (r.mid(8) == hex("905002ff")) {
                    ++validAnswers;
                    sequences.insert(quint32((uchar(r[4]) << 24) | (uchar(r[5]) << 16) | (uchar(r[6]) << 8) | uchar(r[7])));
                } else {
                    ++errors;
                }
            }
        }
        QCOMPARE(validAnswers, 1000);
        QCOMPARE(sequences.size(), 1000);
        QVERIFY(sequences.contains(9990));
        // Per window 90 malformed, 25 of them below the header.
        QCOMPARE(errors, 100 * 65);
        QCOMPARE(rig.server->refusedCount(), qint64(9000));
        QCOMPARE(rig.server->rememberedSenders(), 1);

        // 100 senders: the table of senders stays at 64.
        std::vector<std::unique_ptr<UdpClient>> many;
        for (int i = 0; i < 100; ++i) {
            many.push_back(std::make_unique<UdpClient>());
            QCOMPARE(many.back()->exchange(port, 0x0110, 1, "81090400ff", 1).size(), 1);
        }
        QCOMPARE(rig.server->rememberedSenders(), 64);
    }

    void tcpClientLimitAndSilentClients()
    {
        Rig rig;
        QVERIFY(rig.started);
        const quint16 port = rig.server->tcpPort();
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        // The first connects and never sends anything.
        for (int i = 0; i < 16; ++i) {
            clients.push_back(std::make_unique<QTcpSocket>());
            QVERIFY(connectTcp(*clients.back(), port));
        }
        QVERIFY(QTest::qWaitFor([&] { return rig.server->tcpClientCount() == 16; }, kWait));
        for (int i = 1; i < 16; ++i) {
            clients.at(i)->write(hex("81090400ff"));
            QCOMPARE(readTcp(*clients.at(i), 4), hex("905002ff"));
        }
        // The 17th is closed at once.
        QTcpSocket extra;
        extra.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
        QVERIFY(QTest::qWaitFor([&] { return extra.state() == QAbstractSocket::UnconnectedState; }, kWait));
        QCOMPARE(rig.server->tcpClientCount(), 16);
        // The silent one keeps its place; the others are still served.
        clients.at(15)->write(hex("81090447ff"));
        QCOMPARE(readTcp(*clients.at(15), 7), hex("905002000000ff"));
        // One leaves: a new one gets its place.
        clients.at(3)->disconnectFromHost();
        QVERIFY(QTest::qWaitFor([&] { return rig.server->tcpClientCount() == 15; }, kWait));
        QTcpSocket late;
        QVERIFY(connectTcp(late, port));
        late.write(hex("81090400ff"));
        QCOMPARE(readTcp(late, 4), hex("905002ff"));
        QCOMPARE(rig.server->tcpClientCount(), 16);
    }

    void allowListAndPortsInUse()
    {
        QVERIFY(ViscaServer::allowed(QHostAddress("192.168.1.7"), {QHostAddress::parseSubnet("192.168.1.0/24")}));
        QVERIFY(!ViscaServer::allowed(QHostAddress("192.168.2.7"), {QHostAddress::parseSubnet("192.168.1.0/24")}));
        QVERIFY(ViscaServer::allowed(QHostAddress("::ffff:192.168.1.7"), {QHostAddress::parseSubnet("192.168.1.0/24")}));
        QVERIFY(ViscaServer::allowed(QHostAddress("10.1.2.3"), {}));

        Rig rig({QHostAddress::parseSubnet("10.0.0.0/8")});
        QVERIFY(rig.started);
        UdpClient c;
        c.send(hex("01100005 00000001 81090400ff"), rig.server->udpPort());
        QVERIFY(QTest::qWaitFor([&] { return rig.server->refusedCount() == 1; }, kWait));
        QVERIFY(!c.socket.hasPendingDatagrams());
        QTcpSocket t;
        t.connectToHost(QHostAddress(QHostAddress::LocalHost), rig.server->tcpPort());
        QVERIFY(QTest::qWaitFor([&] { return t.state() == QAbstractSocket::UnconnectedState; }, kWait));
        QCOMPARE(rig.server->refusedCount(), qint64(2));
        QCOMPARE(rig.server->tcpClientCount(), 0);

        // A second server on the same ports says which one is taken.
        ViscaServer::Options o;
        o.udpPort = rig.server->udpPort();
        o.tcpPort = 0;
        ViscaServer second(rig.engine, o);
        QString error;
        QVERIFY(!second.start(&error));
        QCOMPARE(error, QStringLiteral("UDP port %1 is already in use (is lensdesk's remote control or another "
                                       "lensdeskctl serve running?)")
                            .arg(rig.server->udpPort()));
        o.udpPort = 0;
        o.tcpPort = rig.server->tcpPort();
        ViscaServer third(rig.engine, o);
        QVERIFY(!third.start(&error));
        QCOMPARE(error, QStringLiteral("TCP port %1 is already in use (is lensdesk's remote control or another "
                                       "lensdeskctl serve running?)")
                            .arg(rig.server->tcpPort()));
        QVERIFY(!third.isListening());
    }

    void serveProcessAnswersAndStopsOnSigterm()
    {
        QTemporaryDir dir;
        QProcess serve;
        startServe(serve, dir, {QStringLiteral("serve"), QStringLiteral("--json"), QStringLiteral("--udp-port"),
                                QStringLiteral("0"), QStringLiteral("--tcp-port"), QStringLiteral("0")});
        QVERIFY(serve.waitForStarted());
        const QJsonObject listening = nextLine(serve);
        QCOMPARE(listening.value("event").toString(), QStringLiteral("listening"));
        QCOMPARE(listening.value("address").toString(), QStringLiteral("127.0.0.1"));
        QCOMPARE(listening.value("command").toString(), QStringLiteral("serve"));
        QCOMPARE(listening.value("camera").toInt(), 1);
        QCOMPARE(listening.value("device").toObject().value("name").toString(), kName);
        const quint16 udpPort = quint16(listening.value("udpPort").toInt());
        const quint16 tcpPort = quint16(listening.value("tcpPort").toInt());
        QVERIFY(udpPort != 0 && tcpPort != 0);

        UdpClient c;
        QCOMPARE(c.exchange(udpPort, 0x0100, 1, "8101044704000000ff", 2),
                 (QList<QByteArray>{hex("01110003 00000001 9041ff"), hex("01110003 00000001 9051ff")}));
        const QJsonObject client = nextLine(serve);
        QCOMPARE(client.value("event").toString(), QStringLiteral("client"));
        QCOMPARE(client.value("protocol").toString(), QStringLiteral("udp"));
        QTcpSocket t;
        t.connectToHost(QHostAddress(QHostAddress::LocalHost), tcpPort);
        QVERIFY(t.waitForConnected(kWait));
        t.write(hex("81090447ff"));
        QVERIFY(t.waitForBytesWritten(kWait));
        QByteArray answer;
        while (answer.size() < 7 && t.waitForReadyRead(kWait))
            answer += t.readAll();
        QCOMPARE(answer, hex("905004000000ff"));

        // Unplugged: not executable, power answers standby; plugged again: served again.
        {
            QFile control(dir.filePath(QStringLiteral("control")));
            QVERIFY(control.open(QIODevice::WriteOnly));
            control.write("unplug cam1\n");
        }
        QJsonObject line;
        while (line.value("event").toString() != QLatin1String("camera-gone") && serve.state() == QProcess::Running)
            line = nextLine(serve);
        QCOMPARE(line.value("event").toString(), QStringLiteral("camera-gone"));
        QCOMPARE(c.exchange(udpPort, 0x0100, 2, "8101044700000000ff", 1), QList<QByteArray>{hex("01110004 00000002 906141ff")});
        QCOMPARE(c.exchange(udpPort, 0x0110, 3, "81090400ff", 1), QList<QByteArray>{hex("01110004 00000003 905003ff")});
        {
            QFile control(dir.filePath(QStringLiteral("control")));
            QVERIFY(control.open(QIODevice::WriteOnly));
            control.write("plug cam1\n");
        }
        while (line.value("event").toString() != QLatin1String("camera-back") && serve.state() == QProcess::Running)
            line = nextLine(serve);
        QCOMPARE(c.exchange(udpPort, 0x0100, 4, "8101044702000000ff", 2).last(), hex("01110003 00000004 9051ff"));

        // A second serve on the same UDP port says so and ends with 1.
        QTemporaryDir dir2;
        QProcess second;
        startServe(second, dir2, {QStringLiteral("serve"), QStringLiteral("--udp-port"), QString::number(udpPort),
                                  QStringLiteral("--tcp-port"), QStringLiteral("0")});
        QVERIFY(second.waitForFinished(kWait));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(QString::fromUtf8(second.readAllStandardError())
                    .contains(QStringLiteral("UDP port %1 is already in use (is lensdesk's remote control or another "
                                             "lensdeskctl serve running?)")
                                  .arg(udpPort)));

        ::kill(pid_t(serve.processId()), SIGTERM);
        QVERIFY(serve.waitForFinished(kWait));
        QCOMPARE(serve.exitStatus(), QProcess::NormalExit);
        QCOMPARE(serve.exitCode(), 0);
        const QList<QByteArray> rest = serve.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(QJsonDocument::fromJson(rest.last()).object().value("event").toString(), QStringLiteral("stopped"));
        // The rig the process left: zoom at 0x2000 of 100..800.
        QCOMPARE(savedZoom(dir), 450);
    }

    void serveRefusesBadOptions()
    {
        QTemporaryDir dir;
        const struct
        {
            QStringList arguments;
            const char *message;
        } cases[] = {
            {{"serve", "--listen", "not-an-address"}, "--listen: \"not-an-address\" is no IP address"},
            {{"serve", "--allow", "10.0.0.0/99"}, "--allow: \"10.0.0.0/99\" is no address or ADDRESS/BITS"},
            {{"serve", "--udp-port", "70000"}, "--udp-port: \"70000\" is no port (0..65535)"},
            {{"serve", "--all", "--camera", "1"}, "serve takes --camera or --all, not both"},
            {{"get", "--listen", "0.0.0.0"}, "get takes no --listen"},
        };
        for (const auto &c : cases) {
            QProcess p;
            startServe(p, dir, c.arguments);
            QVERIFY(p.waitForFinished(kWait));
            QCOMPARE(p.exitCode(), 2);
            QVERIFY2(QString::fromUtf8(p.readAllStandardError()).contains(QLatin1String(c.message)), c.message);
        }
    }
};

LENSDESK_TEST_MAIN(TestViscaServer)
#include "tst_viscaserver.moc"
