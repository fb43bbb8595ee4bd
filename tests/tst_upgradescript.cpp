// The upgrade script interpreter, played against a rig camera in its boot-loader state.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "platform/sim/SimMassStorage.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/UpgradeScript.h"

#include <QApplication>
#include <QDir>

#include <memory>

using upgradetest::LogCapture;
using upgradetest::writeAppFile;

namespace {

const QByteArray kRig(R"({"cameras": [ { "key": "cam1", "driveLetter": "F", "mode": "uboot" } ]})");

} // namespace

class TestUpgradeScript : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::SimEnvironment> m_env;
    std::unique_ptr<LogCapture> m_log;

    sim::SimCamera *camera() { return m_env->rig().camera(QStringLiteral("cam1")); }
    sim::SimMassStorage &device() { return camera()->storage(); }
    QStringList received() { return device().commandsReceived(); }
    void fault(const QString &name, const QVariant &value) { camera()->setFault(name, value); }

    // Runs a script file written with the given content.
    int run(const QByteArray &content, const char *name = "auto_update.txt")
    {
        writeAppFile(QString::fromLatin1(name), content);
        return runUpgradeScript(name);
    }

private slots:
    void init()
    {
        QDir::setCurrent(testsupport::appDir());
        upgradetest::clearAppDir();
        m_env = std::make_unique<testsupport::SimEnvironment>(kRig);
        int state = -1;
        QVERIFY(findUpgradeDevice(0, state));
        QCOMPARE(state, int(UBoot));
        m_log = std::make_unique<LogCapture>();
    }
    void cleanup()
    {
        m_log.reset();
        closeDeviceHandle();
        m_env.reset();
    }

    void blankAndCommentLinesSendNothing()
    {
        QCOMPARE(run(""), 0);
        QCOMPARE(run("\n\n   \t\n# comment\n%percent\n   # indented comment\n\t%x\n"), 0);
        QVERIFY(received().isEmpty());
        QVERIFY(m_log->lines().isEmpty());
    }

    void linesAreNormalisedBeforeTheyAreLoggedAndSent()
    {
        QCOMPARE(run("  setenv   bootargs\tconsole=ttyS0  \n"), 0);
        const QByteArray expected("setenv bootargs console=ttyS0");
        QCOMPARE(expected.size(), 29);
        QCOMPARE(received(), QStringList{QString::fromLatin1(expected)});
        QCOMPARE(m_log->lines(), QStringList{QString::fromLatin1(expected + '\n')});
        QCOMPARE(normaliseScriptLine(" \t a \t\t b\r"), QByteArray("a b\r"));
    }

    void crLfLinesAndALastLineWithoutLineEnd()
    {
        QCOMPARE(run("setenv a 1\r\nsetenv b 2\r\nsetenv c 3"), 0);
        QCOMPARE(received(), QStringList({"setenv a 1", "setenv b 2", "setenv c 3"}));
        QCOMPARE(device().savedEnvironment().size(), 0);
    }

    void keywordsAreExactWholeWords()
    {
        QCOMPARE(run("Estar x.txt\nestarx x.txt\nTFTP 0x1000 kernel\ntftpx 1000 kernel\nRESET\nresets\n"), 0);
        QCOMPARE(received(), QStringList({"Estar x.txt", "estarx x.txt", "TFTP 0x1000 kernel", "tftpx 1000 kernel",
                                          "RESET", "resets"}));
        QVERIFY(device().downloads().isEmpty());
    }

    void resetSendsTheClosingCommandsAndEndsTheScript()
    {
        QCOMPARE(run("setenv fw_version 1.0.23\nreset now please\nsetenv never 1\n"), 0);
        QCOMPARE(received(), QStringList({"setenv fw_version 1.0.23", "setenv ota_upgrade_status 0", "saveenv",
                                          "reset"}));
        // No status is read between the three closing commands.
        int statusReads = 0;
        for (const auto &r : device().requests())
            statusReads += r.subcommand == 2 ? 1 : 0;
        QCOMPARE(statusReads, 1);
        QCOMPARE(device().savedEnvironment().value(QStringLiteral("fw_version")), QStringLiteral("1.0.23"));
        QVERIFY(!camera()->present()); // the camera restarts
    }

    void nestedScriptEndsOnlyItself()
    {
        writeAppFile(QStringLiteral("inner.txt"), "setenv inner 1\nreset\nsetenv unreachable 1\n");
        writeAppFile(QStringLiteral("second.txt"), "setenv second 1\n");
        // Keep the camera on the bus after the nested reset to see the outer script go on.
        fault(QStringLiteral("storage.unacknowledgedCommands"), 1);
        fault(QStringLiteral("storage.unacknowledgedMatch"), QStringLiteral("reset"));
        QCOMPARE(run("estar inner.txt\nestar second.txt\nsetenv outer 1\n"), 0);
        QCOMPARE(received(), QStringList({"setenv inner 1", "setenv ota_upgrade_status 0", "saveenv", "reset",
                                          "setenv second 1", "setenv outer 1"}));
    }

    void estarWithoutANameFails()
    {
        QCOMPARE(run("estar\nsetenv never 1\n"), -1);
        QCOMPARE(m_log->lines(), QStringList({"estar\n", "open script fail: \n", "parse script fail: \n"}));
        QVERIFY(received().isEmpty());
    }

    void missingScriptFails()
    {
        QCOMPARE(runUpgradeScript("no-such-script.txt"), -1);
        QCOMPARE(m_log->lines(), QStringList{"open script fail: no-such-script.txt\n"});
    }

    void selfNamingScriptStopsAtTheNestingBound()
    {
        QCOMPARE(run("estar loop.txt\n", "loop.txt"), -1);
        QVERIFY(m_log->contains(QStringLiteral("script nesting deeper than %1: loop.txt\n").arg(kMaxScriptNesting)));
        QCOMPARE(m_log->count(QStringLiteral("parse script fail: loop.txt\n")), kMaxScriptNesting + 1);
        // Two scripts naming each other end the same way.
        m_log->clear();
        writeAppFile(QStringLiteral("b.txt"), "estar a.txt\n");
        QCOMPARE(run("estar b.txt\n", "a.txt"), -1);
        QVERIFY(m_log->lines().first().startsWith(QLatin1String("estar")));
        QCOMPARE(m_log->count(QStringLiteral("script nesting deeper than %1: a.txt\n").arg(kMaxScriptNesting))
                     + m_log->count(QStringLiteral("script nesting deeper than %1: b.txt\n").arg(kMaxScriptNesting)),
                 1);
    }

    void tftpAddressWithAndWithoutPrefixLoadsAlike()
    {
        writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(70000));
        QCOMPARE(run("tftp 0x21000000 kernel\ntftp 21000000 kernel\ntftp 0X21000000zz kernel\n"), 0);
        const auto downloads = device().downloads();
        QCOMPARE(downloads.size(), 3);
        for (const auto &d : downloads) {
            QCOMPARE(d.address, 0x21000000u);
            QVERIFY(d.verified);
        }
    }

    void badTftpLinesFail_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("log");
        QTest::newRow("no file name") << QByteArray("tftp 0x21000000") << "load file fail: \n";
        QTest::newRow("missing file") << QByteArray("tftp 0x21000000 nothing.bin") << "load file fail: nothing.bin\n";
        QTest::newRow("not hexadecimal") << QByteArray("tftp zz kernel") << "invalid load address: zz\n";
        QTest::newRow("no address") << QByteArray("tftp") << "invalid load address: \n";
        QTest::newRow("beyond 32 bits") << QByteArray("tftp 0x100000000 kernel")
                                        << "invalid load address: 0x100000000\n";
        QTest::newRow("far beyond 64 bits") << QByteArray("tftp 0x1234567890abcdef1234 kernel")
                                            << "invalid load address: 0x1234567890abcdef1234\n";
        QTest::newRow("negative") << QByteArray("tftp -1 kernel") << "invalid load address: -1\n";
    }
    void badTftpLinesFail()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, log);
        writeAppFile(QStringLiteral("kernel"), "k");
        QCOMPARE(run(line + "\nsetenv never 1\n"), -1);
        QCOMPARE(m_log->lines().last(), log);
        QVERIFY(received().isEmpty());
    }

    void tftpThatStaysUnacknowledgedFailsTheScript()
    {
        writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(1000));
        fault(QStringLiteral("storage.unacknowledgedDownloads"), 2);
        QCOMPARE(run("tftp 0x21000000 kernel\nnand write 0x21000000 kernel\n"), -1);
        QCOMPARE(m_log->lines().last(), QStringLiteral("load file fail: kernel\n"));
        QVERIFY(received().isEmpty()); // the image is never written to flash
        QVERIFY(device().flashWrites().isEmpty());
    }

    void commandLengthLimit()
    {
        const QByteArray longest = "setenv x " + QByteArray(1023 - 9, 'a');
        QCOMPARE(longest.size(), 1023);
        QCOMPARE(run(longest + '\n'), 0);
        QCOMPARE(received(), QStringList{QString::fromLatin1(longest)});
        const QByteArray tooLong = longest + 'b';
        QCOMPARE(run(tooLong + '\n'), -1);
        QCOMPARE(received().size(), 1);
        QCOMPARE(m_log->lines().last(),
                 QStringLiteral("command is too long to support. cmd: %1\n").arg(QString::fromLatin1(tooLong)));
    }

    void commandAcknowledgedOnSecondAttempt()
    {
        fault(QStringLiteral("storage.unacknowledgedCommands"), 1);
        QCOMPARE(run("setenv a 1\nsetenv b 2\n"), 0);
        QCOMPARE(m_log->lines(), QStringList({"setenv a 1\n", "setenv a 1 [retry 1]\n", "setenv b 2\n"}));
        QCOMPARE(received(), QStringList({"setenv a 1", "setenv a 1", "setenv b 2"}));
    }

    void unacknowledgedSaveenvCountsAsDone()
    {
        fault(QStringLiteral("storage.unacknowledgedCommands"), 2);
        fault(QStringLiteral("storage.unacknowledgedMatch"), QStringLiteral("saveenv"));
        QCOMPARE(run("setenv a 1\nsaveenv\nsetenv never 1\n"), 0);
        QCOMPARE(m_log->lines(), QStringList({"setenv a 1\n", "saveenv\n", "saveenv [retry 1]\n",
                                              "saveenv [retry 2]\n", "Think ok.\n"}));
        QCOMPARE(received(), QStringList({"setenv a 1", "saveenv", "saveenv"}));
    }

    void otherUnacknowledgedCommandFails()
    {
        fault(QStringLiteral("storage.unacknowledgedCommands"), 2);
        QCOMPARE(run("saveenv now\nsetenv never 1\n"), -1);
        QCOMPARE(m_log->lines(), QStringList({"saveenv now\n", "saveenv now [retry 1]\n", "saveenv now [retry 2]\n",
                                              "USB scsi run cmd timeout.\n"}));
    }

    void statusThatNeverAnswersIsNotAnAcknowledgement()
    {
        fault(QStringLiteral("storage.statusNoAnswer"), true);
        QCOMPARE(run("setenv a 1\n"), -1);
        QCOMPARE(m_log->lines().last(), QStringLiteral("USB scsi run cmd timeout.\n"));
    }

    void cameraVanishingMidScriptFailsIt()
    {
        fault(QStringLiteral("storage.vanishAfterCommands"), 1);
        QCOMPARE(run("setenv a 1\nsetenv b 2\nsetenv c 3\n"), -1);
        QCOMPARE(m_log->lines().last(), QStringLiteral("USB scsi run cmd timeout.\n"));
        QCOMPARE(device().commandsExecuted(), QStringList{"setenv a 1"});
    }
};

LENSDESK_TEST_MAIN(TestUpgradeScript)
#include "tst_upgradescript.moc"
