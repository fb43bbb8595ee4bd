// The rig file's loader: the numbers it turns into integers and durations are whole and
// within their ranges, or the file is refused with a message that names the entry, the
// key and the value. Inputs the fuzzers found are kept here as they were found.
#include "TestSupport.h"

#include "platform/sim/SimControlChannel.h"
#include "platform/sim/SimRig.h"

#include <QApplication>

class TestRigFile : public QObject
{
    Q_OBJECT

    static QString refusal(const QByteArray &json)
    {
        QString error;
        const auto rig = sim::SimRig::fromJson(json, &error);
        return rig ? QStringLiteral("(loaded)") : error;
    }

private slots:
    void eventTimesAreWholeMillisecondsWithinADay_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        // Found by the rig file's fuzzer: 1e300 was converted to an integer.
        QTest::newRow("1e300") << QByteArray(R"({"events":[{"atMs":1e300,"command":"unplug cam1"}]})")
                               << R"("atMs" of events[0] must be a whole number from 0 to 86400000, not 1e+300)";
        QTest::newRow("negative") << QByteArray(R"({"events":[{"atMs":5},{"atMs":-1}]})")
                                  << R"("atMs" of events[1] must be a whole number from 0 to 86400000, not -1)";
        QTest::newRow("fraction") << QByteArray(R"({"events":[{"atMs":2.5}]})")
                                  << R"("atMs" of events[0] must be a whole number from 0 to 86400000, not 2.5)";
        QTest::newRow("a day and one") << QByteArray(R"({"events":[{"atMs":86400001}]})")
                                       << R"("atMs" of events[0] must be a whole number from 0 to 86400000, not 86400001)";
        QTest::newRow("text") << QByteArray(R"({"events":[{"atMs":"5000"}]})")
                              << R"("atMs" of events[0] must be a whole number from 0 to 86400000, not "5000")";
    }
    void eventTimesAreWholeMillisecondsWithinADay()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        QCOMPARE(refusal(json), error);
    }

    void eventsAtTheLimitsStillRun()
    {
        testsupport::SimEnvironment env(
            R"({"cameras":[{"key":"cam1"}],
                "events":[{"command":"unplug cam1"},{"atMs":86400000,"command":"plug cam1"}]})");
        sim::SimCamera *camera = env.rig().camera(QStringLiteral("cam1"));
        env.clock().advance(1);
        QVERIFY(!camera->present());
        env.clock().advance(86399998);
        QVERIFY(!camera->present());
        env.clock().advance(1);
        QVERIFY(camera->present());
    }

    void deviceNumbersAreCheckedWhereTheyBecomeIntegers_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const char *json, const char *error) {
            QTest::newRow(name) << QByteArray(json) << QString::fromUtf8(error);
        };
        row("restart delay", R"({"cameras":[{"restartDelayMs":1e300}]})",
            R"("restartDelayMs" of cameras[0] must be a whole number from -1 to 86400000, not 1e+300)");
        row("entry delay below never", R"({"cameras":[{},{"upgradeEntryDelayMs":-2}]})",
            R"("upgradeEntryDelayMs" of cameras[1] must be a whole number from -1 to 86400000, not -2)");
        row("hand-over", R"({"cameras":[{"handoverMs":0.5}]})",
            R"("handoverMs" of cameras[0] must be a whole number from 0 to 86400000, not 0.5)");
        row("interface", R"({"cameras":[{"interface":256}]})",
            R"("interface" of cameras[0] must be a whole number from 0 to 255, not 256)");
        row("vendor number", R"({"cameras":[{"vendorId":65536}]})",
            R"("vendorId" of cameras[0] must be a number from 0 to 65535 (0x0 to 0xFFFF), not 65536)");
        row("product text", R"({"cameras":[{"productId":"0x10000"}]})",
            R"("productId" of cameras[0] must be a number from 0 to 65535 (0x0 to 0xFFFF), not "0x10000")");
        row("product word", R"({"cameras":[{"productId":"cam"}]})",
            R"("productId" of cameras[0] must be a number from 0 to 65535 (0x0 to 0xFFFF), not "cam")");
        row("xu node", R"({"cameras":[{"xuNode":-5}]})",
            R"("xuNode" of cameras[0] must be a whole number from -1 to 255, not -5)");
        row("stream width", R"({"cameras":[{"stream":{"width":1e10}}]})",
            R"("width" of cameras[0].stream must be a whole number from -2147483648 to 2147483647, not 10000000000)");
        row("stream mode", R"({"cameras":[{"stream":{"modes":[{"fps":30},{"fps":29.97}]}}]})",
            R"("fps" of cameras[0].stream.modes[1] must be a whole number from -2147483648 to 2147483647, not 29.97)");
        row("property", R"({"cameras":[{"properties":{"zoom":{"max":3e9}}}]})",
            R"("max" of cameras[0].properties.zoom must be a whole number from -2147483648 to 2147483647, not 3000000000)");
        row("feature", R"({"cameras":[{"features":{"hdr":256}}]})",
            R"("hdr" of cameras[0].features must be a whole number from 0 to 255, not 256)");
        row("version opcode", R"({"cameras":[{"versionOpcodes":[128,-11]}]})",
            R"("versionOpcodes[1]" of cameras[0] must be a whole number from 0 to 255, not -11)");
        row("slow fault", R"({"cameras":[{"faults":{"storage.slowTransferMs":1e300}}]})",
            R"("storage.slowTransferMs" of cameras[0].faults must be a whole number from -1 to 86400000, not 1e+300)");
        row("count fault", R"({"cameras":[{"faults":{"storage.failTransfers":4294967296}}]})",
            R"("storage.failTransfers" of cameras[0].faults must be a whole number from -1 to 4294967295, not 4294967296)");
        row("opcode list fault", R"({"cameras":[{"faults":{"xu.vanish":[16,1.5]}}]})",
            R"("xu.vanish" of cameras[0].faults must be a whole number from -1 to 4294967295, not 1.5)");
        row("volume", R"({"volumes":[{"handoverMs":-1}]})",
            R"("handoverMs" of volumes[0] must be a whole number from 0 to 86400000, not -1)");
    }
    void deviceNumbersAreCheckedWhereTheyBecomeIntegers()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        QCOMPARE(refusal(json), error);
    }

    void numbersWithinTheirRangesLoad()
    {
        const QByteArray json(R"({"cameras":[{"key":"cam1","vendorId":"0xFFFF","productId":778,"interface":255,
            "restartDelayMs":-1,"upgradeEntryDelayMs":86400000,"handoverMs":0,"xuNode":2,
            "stream":{"width":10,"fps":1e4},"properties":{"zoom":{"min":-2147483648,"max":2147483647}},
            "features":{"hdr":255},"versionOpcodes":[11,"0x80"],
            "faults":{"storage.vanishReturnMs":-1,"prop.get":4294967295,"xu.unanswered":[1,true],
                      "storage.unacknowledgedMatch":"nand"}}],
            "volumes":[{"key":"stick","driveLetter":"E"}]})");
        QCOMPARE(refusal(json), QStringLiteral("(loaded)"));
        QString error;
        const auto rig = sim::SimRig::fromJson(json, &error);
        QCOMPARE(int(rig->cameras().first()->vendorId()), 0xFFFF);
        QCOMPARE(int(rig->cameras().first()->productId()), 778);
        QCOMPARE(rig->cameras().first()->restartDelayMs(), -1);
        // A rig saved from it loads again.
        QCOMPARE(refusal(rig->stateJson()), QStringLiteral("(loaded)"));
    }

    void controlChannelChecksAnAddedDevice()
    {
        testsupport::SimEnvironment env;
        sim::SimControlChannel channel(env.rig());
        QString error;
        QVERIFY(!channel.apply(QStringLiteral(R"(add {"key":"cam2","restartDelayMs":1e300})"), &error));
        QCOMPARE(error, QStringLiteral(
            R"("restartDelayMs" of the device must be a whole number from -1 to 86400000, not 1e+300)"));
        QVERIFY(!env.rig().camera(QStringLiteral("cam2")));
        QVERIFY(channel.apply(QStringLiteral(R"(add {"key":"cam2","restartDelayMs":100})"), &error));
        QCOMPARE(env.rig().camera(QStringLiteral("cam2"))->restartDelayMs(), 100);
    }
};

LENSDESK_TEST_MAIN(TestRigFile)
#include "tst_rigfile.moc"
