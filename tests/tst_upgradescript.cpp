// The upgrade script interpreter, played against a rig camera in its boot-loader state:
// the language, the check of the whole script tree before anything is sent, the files a
// script may name, the limits of one upgrade and the stop between lines.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "platform/sim/SimMassStorage.h"
#include "upgrade/MassStorageTransport.h"
#include "upgrade/UpgradeScript.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <memory>

#include <sys/stat.h>
#include <sys/types.h>

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
    std::shared_ptr<platform::Volume> m_volume;

    sim::SimCamera *camera() { return m_env->rig().camera(QStringLiteral("cam1")); }
    sim::SimMassStorage &device() { return camera()->storage(); }
    QStringList received() { return device().commandsReceived(); }
    void fault(const QString &name, const QVariant &value) { camera()->setFault(name, value); }

    // Runs a script file written with the given content.
    int run(const QByteArray &content, const char *name = "auto_update.txt")
    {
        writeAppFile(QString::fromLatin1(name), content);
        return runUpgradeScript(m_volume.get(), FirmwarePackage(testsupport::appDir()), name);
    }

    // The lines of the log so far, as one text for failure messages.
    QByteArray logText() const { return m_log->lines().join(QLatin1Char('|')).toLocal8Bit(); }

private slots:
    void init()
    {
        QDir::setCurrent(testsupport::appDir());
        upgradetest::clearAppDir();
        m_env = std::make_unique<testsupport::SimEnvironment>(kRig);
        int state = -1;
        m_volume = findUpgradeDevice(0, state);
        QVERIFY(m_volume);
        QCOMPARE(state, int(UBoot));
        m_log = std::make_unique<LogCapture>();
    }
    void cleanup()
    {
        m_log.reset();
        setFileSizeProbe({});
        m_volume.reset();
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
        // Found by the check, before the line before it is sent.
        QCOMPARE(run("setenv before 1\nestar\nsetenv never 1\n"), -1);
        QCOMPARE(m_log->lines(), QStringList({"open script fail: \n", "parse script fail: \n",
                                              "package check failed, nothing sent: auto_update.txt\n"}));
        QVERIFY(received().isEmpty());
    }

    void missingScriptFails()
    {
        QCOMPARE(runUpgradeScript(m_volume.get(), FirmwarePackage(testsupport::appDir()), "no-such-script.txt"), -1);
        QCOMPARE(m_log->lines(), QStringList({"open script fail: no-such-script.txt\n",
                                              "package check failed, nothing sent: no-such-script.txt\n"}));
    }

    void selfNamingScriptStopsAtTheNestingBound()
    {
        QCOMPARE(run("estar loop.txt\n", "loop.txt"), -1);
        QVERIFY(m_log->contains(QStringLiteral("script nesting deeper than 16: loop.txt\n")));
        QCOMPARE(m_log->count(QStringLiteral("parse script fail: loop.txt\n")), 17);
        QVERIFY(received().isEmpty());
        // Two scripts naming each other end the same way.
        m_log->clear();
        writeAppFile(QStringLiteral("b.txt"), "estar a.txt\n");
        QCOMPARE(run("estar b.txt\n", "a.txt"), -1);
        QCOMPARE(m_log->count(QStringLiteral("script nesting deeper than 16: a.txt\n"))
                     + m_log->count(QStringLiteral("script nesting deeper than 16: b.txt\n")),
                 1);
        QCOMPARE(m_log->lines().last(), QStringLiteral("package check failed, nothing sent: a.txt\n"));
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
        QCOMPARE(run("setenv before 1\n" + line + "\nsetenv never 1\n"), -1);
        QCOMPARE(m_log->lines(), QStringList({log, "package check failed, nothing sent: auto_update.txt\n"}));
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
        m_log->clear();
        QCOMPARE(run("setenv before 1\n" + tooLong + '\n'), -1);
        QCOMPARE(received().size(), 1);
        QCOMPARE(m_log->lines(),
                 QStringList({QStringLiteral("command is too long to support. cmd: %1\n").arg(QString::fromLatin1(tooLong)),
                              "package check failed, nothing sent: auto_update.txt\n"}));
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

    void scriptNamingAMissingFileSendsNothing()
    {
        writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(5000));
        writeAppFile(QStringLiteral("scripts/flash.txt"), "tftp 0x21000000 kernel\n"
                                                          "nand write.e 0x21000000 kernel ${filesize}\n"
                                                          "tftp 0x21000000 rootfs.img\n"
                                                          "nand write.e 0x21000000 rootfs ${filesize}\n");
        QCOMPARE(run("setenv bootargs console=ttyS0\nestar scripts/flash.txt\nreset\n"), -1);
        QCOMPARE(m_log->lines(), QStringList({"load file fail: rootfs.img\n", "parse script fail: scripts/flash.txt\n",
                                              "package check failed, nothing sent: auto_update.txt\n"}));
        QVERIFY(device().requests().isEmpty());
        QVERIFY(device().flashWrites().isEmpty());
        // With the file there, the same package runs to its end.
        writeAppFile(QStringLiteral("rootfs.img"), upgradetest::pattern(70000, 2));
        m_log->clear();
        QCOMPARE(run("setenv bootargs console=ttyS0\nestar scripts/flash.txt\nreset\n"), 0);
        QCOMPARE(device().flashWrites().size(), 2);
    }

    void linesAfterResetAreNotChecked()
    {
        // Nothing after "reset" is read, so nothing there can hold the package back.
        QCOMPARE(run("setenv a 1\nreset\ntftp 0x21000000 missing.bin\n"), 0);
        QCOMPARE(received(), QStringList({"setenv a 1", "setenv ota_upgrade_status 0", "saveenv", "reset"}));
    }

    void filesOutsideThePackageAreRefusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("problem");
        QTest::newRow("absolute path") << QByteArray("/etc/hostname") << "file outside the package";
        QTest::newRow("device node") << QByteArray("/dev/zero") << "file outside the package";
        QTest::newRow("parent folder") << QByteArray("../outside.bin") << "file outside the package";
        QTest::newRow("parent inside the path") << QByteArray("scripts/../../outside.bin") << "file outside the package";
        QTest::newRow("back to the package through ..") << QByteArray("scripts/../kernel") << "file outside the package";
        QTest::newRow("drive letter") << QByteArray("C:\\Windows\\win.ini") << "file outside the package";
        QTest::newRow("link out of the package") << QByteArray("hostname-link") << "file outside the package";
        QTest::newRow("folder link out of the package") << QByteArray("etc-link/hostname")
                                                        << "file outside the package";
        QTest::newRow("the program's settings") << QByteArray("product.ini") << "file outside the package";
        QTest::newRow("link inside the package") << QByteArray("kernel-link") << "not a regular file";
        QTest::newRow("device node in the package") << QByteArray("null-link") << "file outside the package";
        QTest::newRow("pipe in the package") << QByteArray("pipe") << "not a regular file";
        QTest::newRow("folder") << QByteArray("scripts") << "not a regular file";
        QTest::newRow("current folder") << QByteArray(".") << "not a regular file";
    }
    void filesOutsideThePackageAreRefusedBeforeAnythingIsSent()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, problem);
        QTemporaryDir outside;
        upgradetest::writeFile(outside.path() + QStringLiteral("/hostname"), "host");
        writeAppFile(QStringLiteral("kernel"), upgradetest::pattern(5000));
        writeAppFile(QStringLiteral("product.ini"), "[product_model]\nmain=0\n");
        writeAppFile(QStringLiteral("scripts/inner.txt"), "setenv a 1\n");
        QVERIFY(QFile::link(outside.path() + QStringLiteral("/hostname"), upgradetest::appFile(QStringLiteral("hostname-link"))));
        QVERIFY(QFile::link(outside.path(), upgradetest::appFile(QStringLiteral("etc-link"))));
        QVERIFY(QFile::link(upgradetest::appFile(QStringLiteral("kernel")), upgradetest::appFile(QStringLiteral("kernel-link"))));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), upgradetest::appFile(QStringLiteral("null-link"))));
        QCOMPARE(::mkfifo(QFile::encodeName(upgradetest::appFile(QStringLiteral("pipe"))).constData(), 0600), 0);

        // As a file to load.
        QCOMPARE(run("setenv before 1\ntftp 0x21000000 " + name + "\n"), -1);
        const QString text = QString::fromLatin1(name);
        QCOMPARE(m_log->lines(), QStringList({QStringLiteral("%1: %2\n").arg(problem, text),
                                              QStringLiteral("load file fail: %1\n").arg(text),
                                              "package check failed, nothing sent: auto_update.txt\n"}));
        // As a nested script.
        m_log->clear();
        QCOMPARE(run("setenv before 1\nestar " + name + "\n"), -1);
        QCOMPARE(m_log->lines(), QStringList({QStringLiteral("%1: %2\n").arg(problem, text),
                                              QStringLiteral("open script fail: %1\n").arg(text),
                                              QStringLiteral("parse script fail: %1\n").arg(text),
                                              "package check failed, nothing sent: auto_update.txt\n"}));
        QVERIFY(device().requests().isEmpty());
    }

    void emptyAndOversizedFilesAreRefusedBeforeAnythingIsSent()
    {
        writeAppFile(QStringLiteral("empty.bin"), QByteArray());
        QCOMPARE(run("setenv a 1\ntftp 0x21000000 empty.bin\n"), -1);
        QCOMPARE(m_log->lines().first(), QStringLiteral("empty file: empty.bin\n"));
        // 4 GiB does not fit the header's size field; 4 GiB - 1 does.
        writeAppFile(QStringLiteral("big.bin"), upgradetest::pattern(1000));
        setFileSizeProbe([](const QString &path, qint64 reported) {
            return path.endsWith(QLatin1String("/big.bin")) ? qint64(4294967296) : reported;
        });
        m_log->clear();
        QCOMPARE(run("setenv a 1\ntftp 0x21000000 big.bin\n"), -1);
        QCOMPARE(m_log->lines().first(), QStringLiteral("file too large: big.bin\n"));
        // More than 4 GiB in all, in files that fit one by one.
        setFileSizeProbe([](const QString &path, qint64 reported) {
            return path.endsWith(QLatin1String("/big.bin")) ? qint64(3) << 30 : reported;
        });
        m_log->clear();
        QCOMPARE(run("setenv a 1\ntftp 0x21000000 big.bin\ntftp 0x21000000 big.bin\n"), -1);
        QCOMPARE(m_log->lines().first(),
                 QStringLiteral("script work limit reached: more than 4294967296 bytes to download\n"));
        // A script of more than 1 MiB.
        writeAppFile(QStringLiteral("huge.txt"), QByteArray((1 << 20) + 1, '#'));
        m_log->clear();
        QCOMPARE(run("setenv a 1\nestar huge.txt\n"), -1);
        QCOMPARE(m_log->lines().first(), QStringLiteral("script too large: huge.txt\n"));
        writeAppFile(QStringLiteral("huge.txt"), QByteArray(1 << 20, '#'));
        m_log->clear();
        QCOMPARE(run("estar huge.txt\n"), 0);
        QVERIFY(device().requests().isEmpty());
    }

    void fanOutTreeStopsAtTheScriptRunLimit()
    {
        // 15 levels of 4 nested scripts each would be about 10^9 script runs.
        for (int level = 0; level < 15; ++level) {
            const QByteArray next = "level" + QByteArray::number(level + 1) + ".txt";
            QByteArray content;
            for (int i = 0; i < 4; ++i)
                content += "estar " + next + "\n";
            writeAppFile(QStringLiteral("level%1.txt").arg(level), level == 14 ? QByteArray("setenv leaf 1\n") : content);
        }
        QCOMPARE(run("estar level0.txt\n"), -1);
        QVERIFY2(m_log->contains(QStringLiteral("script work limit reached: more than 256 script runs\n")), logText().constData());
        QCOMPARE(m_log->lines().last(), QStringLiteral("package check failed, nothing sent: auto_update.txt\n"));
        // One line for the limit, one per level on the way back, one for the check.
        QVERIFY(m_log->lines().size() <= 20);
        QVERIFY(device().requests().isEmpty());

        // 256 scripts in all are allowed: the top one and 255 nested ones.
        QByteArray wide;
        for (int i = 0; i < 255; ++i)
            wide += "estar leaf.txt\n";
        writeAppFile(QStringLiteral("leaf.txt"), "# nothing\n");
        m_log->clear();
        QCOMPARE(run(wide), 0);
        QCOMPARE(run(wide + "estar leaf.txt\n"), -1);
        QVERIFY(m_log->contains(QStringLiteral("script work limit reached: more than 256 script runs\n")));
    }

    void commandLimitCoversTheWholeUpgrade()
    {
        // 4096 executed lines in all, nested scripts and their "estar" lines included.
        QByteArray inner;
        for (int i = 0; i < 2047; ++i)
            inner += "setenv i " + QByteArray::number(i) + "\n";
        writeAppFile(QStringLiteral("inner.txt"), inner + "# comments are free\n\n");
        QByteArray outer = "estar inner.txt\n" + inner;
        QCOMPARE(outer.count('\n'), 2048);
        QCOMPARE(run(outer + "setenv last 1\n"), 0);
        QCOMPARE(received().size(), 4095);
        device().clearLog();
        m_log->clear();
        QCOMPARE(run(outer + "setenv last 1\nsetenv one-too-many 1\n"), -1);
        QCOMPARE(m_log->lines(), QStringList({"script work limit reached: more than 4096 commands\n",
                                              "package check failed, nothing sent: auto_update.txt\n"}));
        QVERIFY(received().isEmpty());
    }

    void stopEndsTheScriptBetweenLines()
    {
        QByteArray content;
        for (int i = 0; i < 50; ++i)
            content += "setenv n " + QByteArray::number(i) + "\n";
        writeAppFile(QStringLiteral("auto_update.txt"), content);
        UpgradeScript script(m_volume.get(), FirmwarePackage(testsupport::appDir()));
        int asked = 0;
        script.setStopCheck([&asked] { return ++asked > 10; });
        QCOMPARE(script.run("auto_update.txt"), -1);
        QCOMPARE(received().size(), 10);
        QCOMPARE(received().last(), QStringLiteral("setenv n 9"));
        QCOMPARE(m_log->lines().last(), QStringLiteral("upgrade stopped.\n"));
        // The check itself is never stopped half-way; it sends nothing anyway.
        asked = 100;
        device().clearLog();
        QCOMPARE(script.check("auto_update.txt"), 0);
        QVERIFY(received().isEmpty());
    }
};

LENSDESK_TEST_MAIN(TestUpgradeScript)
#include "tst_upgradescript.moc"
