// The VISCA parser alone: messages, the VISCA-over-IP header, the TCP stream splitter
// and the decoding of each command and inquiry. The bytes are those of the VISCA
// command lists (camera address 1: 81 ... FF, replies 90 ... FF).
#include "TestSupport.h"

#include "remote/ViscaCommand.h"
#include "remote/ViscaPacket.h"
#include "remote/ViscaStreamSplitter.h"

#include <QApplication>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

ViscaCommand decode(const char *text)
{
    return ViscaCommand::decode(ViscaPacket::parse(hex(text)));
}

using Op = ViscaCommand::Op;

} // namespace

class TestViscaPacket : public QObject
{
    Q_OBJECT

private slots:
    void messagesAreCheckedByForm()
    {
        const ViscaPacket ok = ViscaPacket::parse(hex("8101040702ff"));
        QVERIFY(ok.isValid());
        QCOMPARE(ok.address(), 1);
        QCOMPARE(ok.body(), hex("01040702"));
        QCOMPARE(ok.replyAddress(), quint8(0x90));
        QCOMPARE(ViscaPacket::parse(hex("830904 00ff")).replyAddress(), quint8(0xB0));
        QVERIFY(ViscaPacket::parse(hex("88010001ff")).isBroadcast());

        QCOMPARE(ViscaPacket::parse(QByteArray()).status(), ViscaPacket::Status::Empty);
        QCOMPARE(ViscaPacket::parse(hex("81ff")).status(), ViscaPacket::Status::TooShort);
        QCOMPARE(ViscaPacket::parse(hex("8101040702")).status(), ViscaPacket::Status::NoTerminator);
        QCOMPARE(ViscaPacket::parse(hex("9001040702ff")).status(), ViscaPacket::Status::BadAddress);
        QCOMPARE(ViscaPacket::parse(hex("8001040702ff")).status(), ViscaPacket::Status::BadAddress);
        QCOMPARE(ViscaPacket::parse(hex("8101ff0702ff")).status(), ViscaPacket::Status::InnerTerminator);
        // 16 bytes is the longest message; 17 is refused before anything else.
        QVERIFY(ViscaPacket::parse(hex("81010602181400000000000000000000")).status() != ViscaPacket::Status::TooLong);
        QCOMPARE(ViscaPacket::parse(hex("8101060218140000000000000000000000ff")).status(), ViscaPacket::Status::TooLong);
    }

    void repliesAreTheDocumentedBytes()
    {
        QCOMPARE(ViscaPacket::ack(0x90, 1), hex("9041ff"));
        QCOMPARE(ViscaPacket::completion(0x90, 1), hex("9051ff"));
        QCOMPARE(ViscaPacket::completion(0x90, 0), hex("9050ff"));
        QCOMPARE(ViscaPacket::syntaxError(0x90), hex("906002ff"));
        QCOMPARE(ViscaPacket::lengthError(0x90), hex("906001ff"));
        QCOMPARE(ViscaPacket::notExecutable(0x90, 1), hex("906141ff"));
        QCOMPARE(ViscaPacket::notExecutable(0x90, 0), hex("906041ff"));
        QCOMPARE(ViscaPacket::noSocket(0x90, 2), hex("906205ff"));
        QCOMPARE(ViscaPacket::inquiryAnswer(0x90, hex("02")), hex("905002ff"));
        QCOMPARE(ViscaPacket::nibbles(0x4000), hex("04000000"));
        QCOMPARE(ViscaPacket::nibbles(0xFFF4), hex("0f0f0f04"));
        quint16 v = 0;
        QVERIFY(ViscaPacket::readNibbles(hex("0102030a"), 0, &v));
        QCOMPARE(v, quint16(0x123A));
        QVERIFY(!ViscaPacket::readNibbles(hex("01020310"), 0, &v));
        QVERIFY(!ViscaPacket::readNibbles(hex("010203"), 0, &v));
        QVERIFY(!ViscaPacket::readNibbles(hex("01020304"), -1, &v));
    }

    void datagramHeaderIsCheckedAgainstItsSize()
    {
        // Type 01 00 (command), length 00 06, sequence 00 00 00 2a, then the message.
        const QByteArray d = hex("01000006 0000002a 8101040702ff");
        const ViscaPacket::Datagram ok = ViscaPacket::parseDatagram(d);
        QVERIFY(ok.isValid());
        QCOMPARE(ok.type, quint16(0x0100));
        QCOMPARE(ok.length, quint16(6));
        QCOMPARE(ok.sequence, quint32(42));
        QCOMPARE(ok.payload, hex("8101040702ff"));
        QCOMPARE(ViscaPacket::datagram(0x0111, 42, hex("9041ff")), hex("01110003 0000002a 9041ff"));
        QCOMPARE(ViscaPacket::datagram(0x0111, 0xFFFFFFFE, hex("9051ff")), hex("01110003 fffffffe 9051ff"));

        QCOMPARE(ViscaPacket::parseDatagram(hex("01000006 000000")).status, ViscaPacket::Datagram::Status::TooShort);
        QCOMPARE(ViscaPacket::parseDatagram(QByteArray()).status, ViscaPacket::Datagram::Status::TooShort);
        // The header says 7 bytes, 6 follow; and 5 with 6 following.
        QCOMPARE(ViscaPacket::parseDatagram(hex("01000007 00000001 8101040702ff")).status,
                 ViscaPacket::Datagram::Status::LengthMismatch);
        QCOMPARE(ViscaPacket::parseDatagram(hex("01000005 00000001 8101040702ff")).status,
                 ViscaPacket::Datagram::Status::LengthMismatch);
        // A length of 65535 allocates nothing: only the bytes there are looked at.
        const ViscaPacket::Datagram huge = ViscaPacket::parseDatagram(hex("0100ffff 00000001 81ff"));
        QCOMPARE(huge.status, ViscaPacket::Datagram::Status::LengthMismatch);
        QVERIFY(huge.payload.isEmpty());
        QCOMPARE(ViscaPacket::parseDatagram(hex("01000000 00000001")).status, ViscaPacket::Datagram::Status::Empty);
        QCOMPARE(ViscaPacket::parseDatagram(hex("01000011 00000001") + QByteArray(17, 1)).status,
                 ViscaPacket::Datagram::Status::TooLong);
        // The sequence-number reset: control 02 00, length 1, payload 01.
        const ViscaPacket::Datagram reset = ViscaPacket::parseDatagram(hex("02000001 00000000 01"));
        QVERIFY(reset.isValid());
        QCOMPARE(reset.type, quint16(0x0200));
    }

    void streamIsCutAtEachTerminatorWithinBounds()
    {
        ViscaStreamSplitter s;
        // Two messages in one read, the third split over two reads.
        QList<ViscaStreamSplitter::Piece> p = s.feed(hex("8101040702ff 8101040700ff 810104"));
        QCOMPARE(p.size(), 2);
        QCOMPARE(p.at(0).bytes, hex("8101040702ff"));
        QCOMPARE(p.at(1).bytes, hex("8101040700ff"));
        QCOMPARE(s.pending(), 3);
        p = s.feed(hex("0703ff"));
        QCOMPARE(p.size(), 1);
        QCOMPARE(p.at(0).bytes, hex("8101040703ff"));
        QCOMPARE(s.pending(), 0);

        // 10,000 bytes without a terminator: one overlong piece, never more than 16
        // bytes held; the next message after the terminator is whole again.
        p = s.feed(QByteArray(10000, 0x01));
        QCOMPARE(p.size(), 1);
        QVERIFY(p.at(0).overlong);
        QVERIFY(s.pending() <= 16);
        p = s.feed(hex("0101ff 81090400ff"));
        QCOMPARE(p.size(), 1);
        QCOMPARE(p.at(0).bytes, hex("81090400ff"));

        // A 16-byte message passes; 16 bytes with no terminator among them do not.
        ViscaStreamSplitter t;
        p = t.feed(hex("81010602181400000000000000000000"));
        QCOMPARE(p.size(), 1);
        QVERIFY(p.at(0).overlong);
        ViscaStreamSplitter u;
        p = u.feed(hex("810106021814000000000000000000ff"));
        QCOMPARE(p.size(), 1);
        QCOMPARE(p.at(0).bytes.size(), 16);
        p = u.feed(hex("8101060218140000000000000000000000ff"));
        QCOMPARE(p.size(), 1);
        QVERIFY(p.at(0).overlong);
    }

    void panTiltCommandsDecode()
    {
        // Up, down, left, right, the four diagonals, stop (8x 01 06 01 VV WW 0p 0t FF).
        const struct
        {
            const char *bytes;
            int pan;
            int tilt;
        } drives[] = {{"81010601050503 01ff", 0, 1},  {"81010601050503 02ff", 0, -1}, {"81010601050501 03ff", -1, 0},
                      {"81010601050502 03ff", 1, 0},  {"81010601050501 01ff", -1, 1}, {"81010601050502 01ff", 1, 1},
                      {"81010601050501 02ff", -1, -1}, {"81010601050502 02ff", 1, -1}, {"81010601050503 03ff", 0, 0}};
        for (const auto &d : drives) {
            const ViscaCommand c = decode(d.bytes);
            QCOMPARE(c.op, Op::PanTiltDrive);
            QCOMPARE(c.panDirection, d.pan);
            QCOMPARE(c.tiltDirection, d.tilt);
        }
        ViscaCommand c = decode("8101060118140201ff");
        QCOMPARE(c.panSpeed, 0x18);
        QCOMPARE(c.tiltSpeed, 0x14);
        // Speeds beyond 01..18 / 01..14 move at the nearest one.
        c = decode("8101060120300201ff");
        QCOMPARE(c.panSpeed, 24);
        QCOMPARE(c.tiltSpeed, 20);
        c = decode("8101060100000201ff");
        QCOMPARE(c.panSpeed, 1);
        QCOMPARE(c.tiltSpeed, 1);
        QCOMPARE(decode("8101060105050403ff").op, Op::Invalid);
        QCOMPARE(decode("81010601050503ff").op, Op::Invalid);

        // Absolute: pan -12 (FFF4), tilt 9; relative: pan +3, tilt -1 (FFFF).
        c = decode("8101060218140f0f0f0400000009ff");
        QCOMPARE(c.op, Op::PanTiltAbsolute);
        QCOMPARE(c.pan, qint16(-12));
        QCOMPARE(c.tilt, qint16(9));
        c = decode("81010603181400000003 0f0f0f0fff");
        QCOMPARE(c.op, Op::PanTiltRelative);
        QCOMPARE(c.pan, qint16(3));
        QCOMPARE(c.tilt, qint16(-1));
        // A nibble byte with a high nibble, a byte short.
        QCOMPARE(decode("8101060218140f0f1f0400000009ff").op, Op::Invalid);
        QCOMPARE(decode("8101060218140f0f0f04000000ff").op, Op::Invalid);
        QCOMPARE(decode("81010604ff").op, Op::PanTiltHome);
        QCOMPARE(decode("81010605ff").op, Op::PanTiltReset);
    }

    void lensCommandsDecode()
    {
        QCOMPARE(decode("8101040700ff").op, Op::ZoomStop);
        QCOMPARE(decode("8101040702ff").op, Op::ZoomTele);
        QCOMPARE(decode("8101040703ff").op, Op::ZoomWide);
        ViscaCommand c = decode("8101040725ff");
        QCOMPARE(c.op, Op::ZoomTele);
        QCOMPARE(c.speed, 5);
        c = decode("8101040730ff");
        QCOMPARE(c.op, Op::ZoomWide);
        QCOMPARE(c.speed, 0);
        QCOMPARE(decode("8101040728ff").op, Op::Invalid);
        QCOMPARE(decode("8101040704ff").op, Op::Invalid);
        c = decode("810104470200 0000ff");
        QCOMPARE(c.op, Op::ZoomDirect);
        QCOMPARE(c.position, quint16(0x2000));

        QCOMPARE(decode("8101040800ff").op, Op::FocusStop);
        QCOMPARE(decode("8101040802ff").op, Op::FocusFar);
        QCOMPARE(decode("8101040803ff").op, Op::FocusNear);
        c = decode("8101040837ff");
        QCOMPARE(c.op, Op::FocusNear);
        QCOMPARE(c.speed, 7);
        c = decode("8101044800020602ff");
        QCOMPARE(c.op, Op::FocusDirect);
        QCOMPARE(c.position, quint16(0x0262));
        QCOMPARE(decode("8101043802ff").op, Op::FocusAuto);
        QCOMPARE(decode("8101043803ff").op, Op::FocusManual);
        QCOMPARE(decode("8101043810ff").op, Op::FocusToggle);
        QCOMPARE(decode("8101043804ff").op, Op::Invalid);
        QCOMPARE(decode("8101041801ff").op, Op::FocusOnePush);

        c = decode("8101043f0103ff");
        QCOMPARE(c.op, Op::MemorySet);
        QCOMPARE(c.number, 3);
        QCOMPARE(decode("8101043f0200ff").op, Op::MemoryRecall);
        QCOMPARE(decode("8101043f0008ff").op, Op::MemoryReset);
        // Memory 9 decodes (and is refused by the camera), 03 is no memory action.
        QCOMPARE(decode("8101043f0209ff").number, 9);
        QCOMPARE(decode("8101043f0300ff").op, Op::Invalid);
    }

    void interfaceCommandsAndInquiriesDecode()
    {
        QCOMPARE(decode("88010001ff").op, Op::IfClear);
        QCOMPARE(decode("81010001ff").op, Op::IfClear);
        ViscaCommand c = decode("883001ff");
        QCOMPARE(c.op, Op::AddressSet);
        QCOMPARE(c.number, 1);
        // Address set is a broadcast; other broadcasts are not for one camera.
        QCOMPARE(decode("813001ff").op, Op::Invalid);
        QCOMPARE(decode("8801040702ff").op, Op::Invalid);
        c = decode("8121ff");
        QCOMPARE(c.op, Op::Cancel);
        QCOMPARE(c.number, 1);

        QCOMPARE(decode("81090400ff").op, Op::PowerInquiry);
        QCOMPARE(decode("81090447ff").op, Op::ZoomPositionInquiry);
        QCOMPARE(decode("81090448ff").op, Op::FocusPositionInquiry);
        QCOMPARE(decode("81090438ff").op, Op::FocusModeInquiry);
        QCOMPARE(decode("81090612ff").op, Op::PanTiltPositionInquiry);
        QCOMPARE(decode("81090002ff").op, Op::VersionInquiry);
        QVERIFY(decode("81090002ff").isInquiry());
        QVERIFY(!decode("8101040702ff").isInquiry());
        QCOMPARE(decode("81090401ff").op, Op::Invalid);
        QCOMPARE(decode("8109040000ff").op, Op::Invalid);
        QCOMPARE(decode("8101ff").op, Op::Invalid);
        QCOMPARE(decode("81ff").op, Op::Invalid);
    }

    void anyBytesDecodeWithoutHarm()
    {
        // Every message of up to three body bytes, and a few thousand longer ones of a
        // fixed pseudo-random sequence: decoding never reads beyond the message.
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; b += 3) {
                QByteArray m = hex("81");
                m.append(char(a)).append(char(b)).append(char(0xFF));
                ViscaCommand::decode(ViscaPacket::parse(m));
            }
        }
        quint32 x = 12345;
        for (int i = 0; i < 5000; ++i) {
            QByteArray m;
            const int n = 1 + int(x % 20);
            for (int k = 0; k < n; ++k) {
                x = x * 1103515245 + 12345;
                m.append(char(x >> 16));
            }
            ViscaPacket::parseDatagram(m);
            ViscaCommand::decode(ViscaPacket::parse(m));
            ViscaStreamSplitter s;
            s.feed(m);
        }
        QVERIFY(true);
    }
};

LENSDESK_TEST_MAIN(TestViscaPacket)
#include "tst_viscapacket.moc"
