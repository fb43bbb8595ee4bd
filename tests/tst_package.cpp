// Package preparation: real ".zip" packages built with the system's 7-Zip, the
// completeness check, the model search, packages that try to escape, to replace the
// program's own files or to fill the disk, and the window kept responsive meanwhile.
#include "TestSupport.h"
#include "UpgradeTestSupport.h"

#include "upgrade/PackageFiles.h"
#include "upgrade/UpgradeLock.h"
#include "upgrade/Zip7z.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using upgradetest::appFile;
using upgradetest::LogCapture;
using upgradetest::writeAppFile;
using upgradetest::writeFile;

namespace {

QString systemTool()
{
    return Zip7z::toolPath();
}

// Builds a zip archive of the given entries (relative to workDir) with the system's tool.
bool makeZip(const QString &archive, const QString &workDir, const QStringList &entries,
             const QStringList &options = {})
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(systemTool(), QStringList{QStringLiteral("a"), QStringLiteral("-tzip")} + options
                              + QStringList{archive} + entries);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray withNameAt(qint64 size, const QList<QPair<qint64, QByteArray>> &names)
{
    QByteArray data(int(size), 'x');
    for (const auto &n : names)
        data.replace(int(n.first), n.second.size(), n.second);
    return data;
}

int modelOf(const QByteArray &content, const char *file = "model.dat")
{
    LogCapture quiet;
    upgradetest::clearAppDir();
    writeAppFile(QLatin1String(file), content);
    int model = -1;
    return readPackageModel(testsupport::appDir(), model) ? model : -1;
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;

    // A complete package source folder under m_work with the given extra entries.
    QString packageSource(const QString &name)
    {
        const QString dir = m_work.path() + QLatin1Char('/') + name;
        QDir(dir).removeRecursively();
        writeFile(dir + QStringLiteral("/auto_update.txt"), "tftp 0x21000000 kernel\nreset\n");
        writeFile(dir + QStringLiteral("/scripts/setup.txt"), "setenv a 1\n");
        writeFile(dir + QStringLiteral("/kernel"), upgradetest::pattern(4000));
        writeFile(dir + QStringLiteral("/model.dat"), "....ARBOR 50F....");
        return dir;
    }

private slots:
    void initTestCase()
    {
        if (systemTool().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
    }
    void init()
    {
        QDir::setCurrent(testsupport::appDir());
        upgradetest::clearAppDir();
        Zip7z::setTimeoutMs(30000);
    }

    void realPackageWithSpacesInItsPathExtractsEveryEntry()
    {
        const QString src = packageSource(QStringLiteral("src one"));
        writeFile(src + QStringLiteral("/u-boot.bin"), "uboot");
        writeFile(src + QStringLiteral("/usb_updater.bin"), "updater");
        writeFile(src + QStringLiteral("/readme.txt"), "not part of a package");
        const QString archive = m_work.path() + QStringLiteral("/with spaces/my package v1.zip");
        QDir().mkpath(m_work.path() + QStringLiteral("/with spaces"));
        QVERIFY(makeZip(archive, src,
                        {"auto_update.txt", "scripts", "kernel", "model.dat", "u-boot.bin", "usb_updater.bin",
                         "readme.txt"}));
        writeAppFile(QStringLiteral("product.ini"), "[product_model]\nmain=0\n");

        QString message;
        QVERIFY(Zip7z::extract(archive, testsupport::appDir(), message));
        QVERIFY2(message.contains(QLatin1String("Everything is Ok")), qPrintable(message));
        QVERIFY(checkPackageFiles(testsupport::appDir()));
        int model = -1;
        QVERIFY(readPackageModel(testsupport::appDir(), model));
        QCOMPARE(model, 10);
        QVERIFY(QFileInfo(appFile(QStringLiteral("scripts"))).isDir());
        QVERIFY(QFile::exists(appFile(QStringLiteral("scripts/setup.txt"))));
        QVERIFY(QFile::exists(appFile(QStringLiteral("u-boot.bin"))));
        QVERIFY(QFile::exists(appFile(QStringLiteral("usb_updater.bin"))));
        // Every entry arrives, the list of the unknown ones beside them, and no staging
        // folder stays behind.
        QVERIFY(QFile::exists(appFile(QStringLiteral("readme.txt"))));
        QCOMPARE(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({".package-entries", "auto_update.txt", "kernel", "model.dat", "product.ini",
                              "readme.txt", "scripts", "u-boot.bin", "usb_updater.bin"}));
        QCOMPARE(readPackageManifest(testsupport::appDir()), QStringList{"readme.txt"});

        // Clean-up removes the package but keeps the updater program and the settings.
        QVERIFY(cleanPackageFiles(testsupport::appDir()));
        QCOMPARE(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"product.ini", "usb_updater.bin"}));
        QVERIFY(!checkPackageFiles(testsupport::appDir()));
    }

    void completenessCheck()
    {
        const auto reset = [] { upgradetest::clearAppDir(); };
        reset();
        writeAppFile(QStringLiteral("auto_update.txt"), "x");
        writeAppFile(QStringLiteral("scripts"), "a plain file does as well");
        writeAppFile(QStringLiteral("kernel/uImage"), "k");
        writeAppFile(QStringLiteral("model.dat"), "m");
        QVERIFY(checkPackageFiles(testsupport::appDir()));
        QFile::remove(appFile(QStringLiteral("model.dat")));
        QVERIFY(!checkPackageFiles(testsupport::appDir()));
        writeAppFile(QStringLiteral("miservice.ubifs"), "m");
        QVERIFY(checkPackageFiles(testsupport::appDir()));
        QDir(appFile(QStringLiteral("kernel"))).removeRecursively();
        QVERIFY(!checkPackageFiles(testsupport::appDir()));
        writeAppFile(QStringLiteral("kernel"), "k");
        QFile::remove(appFile(QStringLiteral("auto_update.txt")));
        QVERIFY(!checkPackageFiles(testsupport::appDir()));
    }

    void modelSearch_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("model");
        QTest::newRow("catalogue name") << QByteArray("abc Orvia Vista Pro def") << 0;
        QTest::newRow("other separator") << QByteArray("ARBOR_50F") << 10;
        QTest::newRow("hyphens free") << QByteArray("KT.MP27.000") << 2;
        QTest::newRow("exact name") << QByteArray("KT-M41-000") << 1;
        QTest::newRow("exact name with a space") << QByteArray("KT M41-000") << -1;
        QTest::newRow("case matters") << QByteArray("arbor 50f") << -1;
        QTest::newRow("16 before 15") << QByteArray("ARBOR 150A and ARBOR 150F") << 16;
        QTest::newRow("order beats position") << QByteArray("ARBOR 230 ... ARBOR 220") << 13;
        QTest::newRow("plus sign exact") << QByteArray("Sightra+5") << 9;
        QTest::newRow("none") << QByteArray("nothing here") << -1;
        QTest::newRow("binary around") << QByteArray("\0\0LNS612\x01" "001\0", 14) << 8;
    }
    void modelSearch()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, model);
        QCOMPARE(modelOf(content), model);
    }

    void bothModelFilesReadOnlyMiservice()
    {
        writeAppFile(QStringLiteral("miservice.ubifs"), "ARBOR 110");
        writeAppFile(QStringLiteral("model.dat"), "ARBOR 220");
        int model = -1;
        QVERIFY(readPackageModel(testsupport::appDir(), model));
        QCOMPARE(model, 12);
        // miservice.ubifs without a name does not fall back to model.dat.
        writeAppFile(QStringLiteral("miservice.ubifs"), "no name");
        QVERIFY(!readPackageModel(testsupport::appDir(), model));
    }

    void missingModelFilesAreLogged()
    {
        LogCapture log;
        int model = -1;
        QVERIFY(!readPackageModel(testsupport::appDir(), model));
        QCOMPARE(model, -1);
        QCOMPARE(log.lines().size(), 3);
        QVERIFY(log.lines().at(1).contains(QLatin1String("miservice.ubifs")));
        QVERIFY(log.lines().at(1).endsWith(QLatin1String("does not exist.")));
        QVERIFY(log.lines().at(2).contains(QLatin1String("model.dat")));
    }

    void largeModelFileIsSearchedWhole()
    {
        const qint64 piece = 0x500000;
        // Early in a file of three pieces: beyond what the last piece would cover.
        QCOMPARE(modelOf(withNameAt(2 * piece + 100, {{1000, "LNS611-000"}}), "miservice.ubifs"), 6);
        // Across the first piece boundary.
        QCOMPARE(modelOf(withNameAt(piece + 5000, {{piece - 4, "ARBOR 220"}})), 13);
        // Across the second.
        QCOMPARE(modelOf(withNameAt(2 * piece + 5000, {{2 * piece - 1, "KT-RBN41-000"}})), 4);
        // The name order still decides.
        QCOMPARE(modelOf(withNameAt(2 * piece + 10, {{10, "ARBOR 230"}, {2 * piece, "ARBOR 220"}})), 13);
        QCOMPARE(modelOf(withNameAt(2 * piece + 10, {})), -1);
    }

    void pathHelpers()
    {
        QVERIFY(!pathExists(QString()));
        QVERIFY(!removePath(QString()));
        QVERIFY(!removePath(appFile(QStringLiteral("nothing"))));
        writeAppFile(QStringLiteral("dir/sub/file"), "x");
        QVERIFY(pathExists(appFile(QStringLiteral("dir"))));
        QVERIFY(removePath(appFile(QStringLiteral("dir"))));
        QVERIFY(!pathExists(appFile(QStringLiteral("dir"))));
        // A link is removed, never what it points to.
        const QString outside = m_work.path() + QStringLiteral("/precious");
        writeFile(outside + QStringLiteral("/keep.txt"), "keep");
        QVERIFY(QFile::link(outside, appFile(QStringLiteral("kernel"))));
        QVERIFY(cleanPackageFiles(testsupport::appDir()));
        QVERIFY(!QFileInfo(appFile(QStringLiteral("kernel"))).isSymLink());
        QVERIFY(QFile::exists(outside + QStringLiteral("/keep.txt")));
    }

    void unsafePackagesAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("escape with ../") << "parent" << "leaves its folder";
        QTest::newRow("absolute path") << "absolute" << "absolute path";
        QTest::newRow("link") << "link" << "link";
        QTest::newRow("product.ini") << "product.ini" << "replace a file of the program";
        QTest::newRow("translation") << "app_de.qm" << "replace a file of the program";
        QTest::newRow("the tool") << "7z" << "replace a file of the program";
    }
    void unsafePackagesAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString src = packageSource(QStringLiteral("unsafe"));
        const QString archive = m_work.path() + QStringLiteral("/unsafe.zip");
        QFile::remove(archive);
        QStringList entries{"auto_update.txt", "scripts", "kernel", "model.dat"};
        QStringList options;
        const QString outsideFile = m_work.path() + QStringLiteral("/evil.txt");
        writeFile(outsideFile, "evil");
        if (kind == QLatin1String("parent")) {
            entries << QStringLiteral("../evil.txt");
            options << QStringLiteral("-spf");
        } else if (kind == QLatin1String("absolute")) {
            entries << outsideFile;
            options << QStringLiteral("-spf");
        } else if (kind == QLatin1String("link")) {
            QFile::link(testsupport::appDir() + QStringLiteral("/product.ini"), src + QStringLiteral("/boot"));
            entries << QStringLiteral("boot");
            options << QStringLiteral("-snl");
        } else {
            writeFile(src + QLatin1Char('/') + kind, "replaced");
            entries << kind;
        }
        QVERIFY(makeZip(archive, src, entries, options));
        QFile::remove(outsideFile);
        writeAppFile(QStringLiteral("product.ini"), "[product_model]\nmain=1\n");
        writeAppFile(QStringLiteral("app_de.qm"), "translation");

        QString message;
        QVERIFY(!Zip7z::extract(archive, testsupport::appDir(), message));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY(message.endsWith(QLatin1String("Unable to perform decompression")));
        // Nothing of the package arrived, and nothing was written outside or replaced.
        QVERIFY(!checkPackageFiles(testsupport::appDir()));
        QVERIFY(!QFile::exists(outsideFile));
        QVERIFY(!QFile::exists(appFile(QStringLiteral("evil.txt"))));
        QFile ini(appFile(QStringLiteral("product.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), QByteArray("[product_model]\nmain=1\n"));
        QFile qm(appFile(QStringLiteral("app_de.qm")));
        QVERIFY(qm.open(QIODevice::ReadOnly));
        QCOMPARE(qm.readAll(), QByteArray("translation"));
        QCOMPARE(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"app_de.qm", "product.ini"}));
        QFile::remove(src + QStringLiteral("/boot"));
    }

    void toolFailuresAreReported_data()
    {
        QTest::addColumn<QByteArray>("tool");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QString>("reason");
        QTest::newRow("does not start") << QByteArray("not a program") << false << "could not be started";
        QTest::newRow("exits non-zero") << QByteArray("#!/bin/sh\nexit 2\n") << true << "exit code 2";
        QTest::newRow("runs out of time") << QByteArray("#!/bin/sh\nexec sleep 20\n") << true
                                          << "did not finish in time";
    }
    void toolFailuresAreReported()
    {
        QFETCH(QByteArray, tool);
        QFETCH(bool, executable);
        QFETCH(QString, reason);
        const QString src = packageSource(QStringLiteral("fine"));
        const QString archive = m_work.path() + QStringLiteral("/fine.zip");
        QFile::remove(archive);
        QVERIFY(makeZip(archive, src, {"auto_update.txt", "scripts", "kernel", "model.dat"}));

        // The tool beside the executable comes first.
        writeAppFile(QStringLiteral("7z"), tool);
        QFile::setPermissions(appFile(QStringLiteral("7z")),
                              executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                         : QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(Zip7z::toolPath(), appFile(QStringLiteral("7z")));
        Zip7z::setTimeoutMs(300);
        QString message;
        QVERIFY(!Zip7z::extract(archive, testsupport::appDir(), message));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY(!checkPackageFiles(testsupport::appDir()));
    }

    void missingToolIsReported()
    {
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        QString message;
        const bool prepared = Zip7z::prepareTool(message);
        const bool extracted = Zip7z::extract(m_work.path() + QStringLiteral("/any.zip"), testsupport::appDir(), message);
        qputenv("PATH", path);
        QVERIFY(!prepared);
        QVERIFY(!extracted);
        QVERIFY2(message.contains(QLatin1String("not found")), qPrintable(message));
        QVERIFY(message.endsWith(QLatin1String("Unable to perform decompression")));

        QVERIFY(Zip7z::prepareTool(message));
        QCOMPARE(message, QStringLiteral("The file check is complete and normal."));
    }

    void brokenArchiveIsReported()
    {
        const QString archive = m_work.path() + QStringLiteral("/broken.zip");
        writeFile(archive, "PK\x03\x04 this is not really a zip");
        QString message;
        QVERIFY(!Zip7z::extract(archive, testsupport::appDir(), message));
        QVERIFY(message.endsWith(QLatin1String("Unable to perform decompression")));
        QVERIFY(!Zip7z::extract(m_work.path() + QStringLiteral("/missing.zip"), testsupport::appDir(), message));
    }

    void entriesOfAnyNameArriveAndAreCleanedUp()
    {
        const QString src = packageSource(QStringLiteral("rootfs"));
        writeFile(src + QStringLiteral("/rootfs.img"), upgradetest::pattern(3000));
        writeFile(src + QStringLiteral("/extra/deep/part.bin"), "part");
        const QString archive = m_work.path() + QStringLiteral("/rootfs.zip");
        QFile::remove(archive);
        QVERIFY(makeZip(archive, src, {"auto_update.txt", "scripts", "kernel", "model.dat", "rootfs.img", "extra"}));
        writeAppFile(QStringLiteral("product.ini"), "[product_model]\nmain=0\n");
        writeAppFile(QStringLiteral("usb_updater.bin"), "updater of an earlier package");
        QString message;
        QVERIFY2(Zip7z::extract(archive, testsupport::appDir(), message), qPrintable(message));
        QVERIFY(QFile::exists(appFile(QStringLiteral("rootfs.img"))));
        QVERIFY(QFile::exists(appFile(QStringLiteral("extra/deep/part.bin"))));
        QCOMPARE(readPackageManifest(testsupport::appDir()), QStringList({"extra", "rootfs.img"}));
        // The same package again, without a clean-up between: its own entries give way.
        QVERIFY2(Zip7z::extract(archive, testsupport::appDir(), message), qPrintable(message));
        QVERIFY(cleanPackageFiles(testsupport::appDir()));
        QCOMPARE(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"product.ini", "usb_updater.bin"}));
    }

    void packageMayNotTakeThePlaceOfWhatNoPackageBrought_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("the user's file") << "notes.txt" << "The package would replace notes.txt, which no package brought.";
        QTest::newRow("the list of entries") << ".package-entries"
                                             << "The package would replace a file of the program: .package-entries";
        QTest::newRow("a library") << "Qt5Core.dll" << "The package would replace a file of the program: Qt5Core.dll";
    }
    void packageMayNotTakeThePlaceOfWhatNoPackageBrought()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        const QString src = packageSource(QStringLiteral("intruder"));
        writeFile(src + QLatin1Char('/') + name, "from the package\n");
        const QString archive = m_work.path() + QStringLiteral("/intruder.zip");
        QFile::remove(archive);
        QVERIFY(makeZip(archive, src, {"auto_update.txt", "scripts", "kernel", "model.dat", name}));
        writeAppFile(QStringLiteral("notes.txt"), "mine");
        QString message;
        QVERIFY(!Zip7z::extract(archive, testsupport::appDir(), message));
        QVERIFY2(message.startsWith(reason), qPrintable(message));
        QCOMPARE(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"notes.txt"});
        QFile notes(appFile(QStringLiteral("notes.txt")));
        QVERIFY(notes.open(QIODevice::ReadOnly));
        QCOMPARE(notes.readAll(), QByteArray("mine"));
    }

    void listOfEntriesNeverLeadsOutOrToTheProgram()
    {
        writeAppFile(QStringLiteral("product.ini"), "settings");
        writeAppFile(QStringLiteral("rootfs.img"), "package");
        writeFile(m_work.path() + QStringLiteral("/outside.txt"), "outside");
        writeAppFile(QStringLiteral(".package-entries"),
                     "product.ini\n../outside.txt\n/etc/hostname\nrootfs.img\r\nlensdesk.exe\n\n");
        QCOMPARE(readPackageManifest(testsupport::appDir()), QStringList{"rootfs.img"});
        QVERIFY(cleanPackageFiles(testsupport::appDir()));
        QCOMPARE(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"product.ini"});
        QVERIFY(QFile::exists(m_work.path() + QStringLiteral("/outside.txt")));
    }

    void oversizedPackagesAreRefusedBeforeAnythingIsWritten()
    {
        // The bound is 1 GiB; a smaller one makes the same rule testable with small files.
        QCOMPARE(Zip7z::maxUnpackedSize(), qint64(1073741824));
        QCOMPARE(Zip7z::maxEntries(), 10000);
        Zip7z::setMaxUnpackedSize(1 << 20);
        const QString src = packageSource(QStringLiteral("bomb"));
        // 4000 bytes of kernel plus the other entries: just under the bound with this image.
        const qint64 others = 4000 + qint64(qstrlen("tftp 0x21000000 kernel\nreset\n")) + qint64(qstrlen("setenv a 1\n"))
                              + qint64(qstrlen("....ARBOR 50F...."));
        writeFile(src + QStringLiteral("/rootfs.img"), QByteArray(int((1 << 20) - others), '\0'));
        const QString fits = m_work.path() + QStringLiteral("/fits.zip");
        QFile::remove(fits);
        QVERIFY(makeZip(fits, src, {"auto_update.txt", "scripts", "kernel", "model.dat", "rootfs.img"}));
        writeFile(src + QStringLiteral("/rootfs.img"), QByteArray(int((1 << 20) - others + 1), '\0'));
        const QString bomb = m_work.path() + QStringLiteral("/bomb.zip");
        QFile::remove(bomb);
        QVERIFY(makeZip(bomb, src, {"auto_update.txt", "scripts", "kernel", "model.dat", "rootfs.img"}));
        QVERIFY(QFileInfo(bomb).size() < 20000);

        QString message;
        QVERIFY(!Zip7z::extract(bomb, testsupport::appDir(), message));
        Zip7z::setMaxUnpackedSize(0);
        QVERIFY2(message.startsWith(QLatin1String("The package unpacks to more than 1048576 bytes.")), qPrintable(message));
        QVERIFY(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
        Zip7z::setMaxUnpackedSize(1 << 20);
        QVERIFY2(Zip7z::extract(fits, testsupport::appDir(), message), qPrintable(message));
        Zip7z::setMaxUnpackedSize(0);
        QVERIFY(checkPackageFiles(testsupport::appDir()));
    }

    void packageWithTooManyEntriesIsRefused()
    {
        const QString src = packageSource(QStringLiteral("many"));
        for (int i = 0; i < 9996; ++i) {
            QFile f(src + QStringLiteral("/scripts/s%1.txt").arg(i));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QString archive = m_work.path() + QStringLiteral("/many.zip");
        QFile::remove(archive);
        // The folder with setup.txt and 9996 more, and three entries beside it: 10001.
        QVERIFY(makeZip(archive, src, {"auto_update.txt", "scripts", "kernel", "model.dat"}));
        QString message;
        QVERIFY(!Zip7z::extract(archive, testsupport::appDir(), message));
        QVERIFY2(message.startsWith(QLatin1String("The package has more than 10000 entries.")), qPrintable(message));
        QVERIFY(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
        QFile::remove(src + QStringLiteral("/scripts/s0.txt"));
        QFile::remove(archive);
        QVERIFY(makeZip(archive, src, {"auto_update.txt", "scripts", "kernel", "model.dat"}));
        QVERIFY2(Zip7z::extract(archive, testsupport::appDir(), message), qPrintable(message));
    }

    void listedSizesThatOverflowTheirSumAreRefused_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QString>("error");
        const QString head = QStringLiteral("Path = x.zip\nType = zip\n----------\nPath = kernel\n");
        // Found by the listing's fuzzer: a small size, then the largest 64-bit one, made
        // their sum overflow before the bound was compared.
        QTest::newRow("sum beyond 64 bits") << head + QStringLiteral("Size = 1\n\nPath = rootfs\nSize = 9223372036854775807\n")
                                            << QStringLiteral("The package unpacks to more than 1073741824 bytes.");
        QTest::newRow("one beyond 64 bits") << head + QStringLiteral("Size = 9223372036854775808\n")
                                            << QStringLiteral("The size of an entry of the package cannot be read: 9223372036854775808");
        QTest::newRow("at the bound") << head + QStringLiteral("Size = 1073741823\nPath = cis.bin\nSize = 1\n")
                                      << QString();
        QTest::newRow("one past the bound") << head + QStringLiteral("Size = 1073741823\nPath = cis.bin\nSize = 2\n")
                                            << QStringLiteral("The package unpacks to more than 1073741824 bytes.");
    }
    void listedSizesThatOverflowTheirSumAreRefused()
    {
        QFETCH(QString, listing);
        QFETCH(QString, error);
        QString why;
        QCOMPARE(Zip7z::checkListing(listing, &why), error.isEmpty());
        QCOMPARE(why, error);
    }

    void packageThatUnpacksToMoreThanItListsIsStopped()
    {
        // A listing can understate: the tool is stopped once the disk shows more.
        writeAppFile(QStringLiteral("7z"), "#!/bin/sh\n"
                                           "case \"$1\" in\n"
                                           "l) printf -- '----------\\nPath = kernel\\nSize = 10\\n\\n'; exit 0;;\n"
                                           "x) for a in \"$@\"; do case \"$a\" in -o*) out=\"${a#-o}\";; esac; done\n"
                                           "   head -c 3000000 /dev/zero > \"$out/kernel\"; exec sleep 20;;\n"
                                           "esac\n");
        QFile::setPermissions(appFile(QStringLiteral("7z")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Zip7z::setMaxUnpackedSize(1 << 20);
        QString message;
        const bool extracted = Zip7z::extract(m_work.path() + QStringLiteral("/any.zip"), testsupport::appDir(), message);
        Zip7z::setMaxUnpackedSize(0);
        QVERIFY(!extracted);
        // Stopped by the size watch, not by the time-out (whose message is another).
        QVERIFY2(message.startsWith(QLatin1String("The package unpacks to more than 1048576 bytes.")), qPrintable(message));
        QCOMPARE(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"7z"});
    }

    void windowStaysResponsiveAndASecondExtractionIsRefused()
    {
        const QString src = packageSource(QStringLiteral("slow"));
        const QString archive = m_work.path() + QStringLiteral("/slow.zip");
        QFile::remove(archive);
        QVERIFY(makeZip(archive, src, {"auto_update.txt", "scripts", "kernel", "model.dat"}));
        // The real tool, after a pause of its own on every run.
        writeAppFile(QStringLiteral("7z"), "#!/bin/sh\nsleep 0.5\nexec '" + systemTool().toLocal8Bit() + "' \"$@\"\n");
        QFile::setPermissions(appFile(QStringLiteral("7z")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        int ticks = 0;
        bool busySeen = false;
        QString secondMessage;
        bool secondResult = true;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            if (ticks == 3) {
                busySeen = Zip7z::isBusy();
                secondResult = Zip7z::extract(archive, testsupport::appDir(), secondMessage);
            }
        });
        timer.start(20);
        QString message;
        QVERIFY2(Zip7z::extract(archive, testsupport::appDir(), message), qPrintable(message));
        timer.stop();
        // The event loop ran all along: about 50 ticks in two runs of half a second.
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QVERIFY(busySeen);
        QVERIFY(!secondResult);
        QCOMPARE(secondMessage, QStringLiteral("Another package is being unpacked.\nUnable to perform decompression"));
        QVERIFY(!Zip7z::isBusy());
        QVERIFY(checkPackageFiles(testsupport::appDir()));
    }

    void upgradeLockNamesItsHolderAndNobodysLockIsNone()
    {
        const QString path = UpgradeLock::lockFilePath();
        QFile::remove(path);
        QVERIFY(!UpgradeLock::isHeld());
        {
            UpgradeLock first;
            QVERIFY(first.tryLock());
            QVERIFY(UpgradeLock::isHeld());
            UpgradeLock second;
            QVERIFY(!second.tryLock());
            QCOMPARE(second.holder(), QCoreApplication::applicationPid());
            QCOMPARE(second.holderProgram(), QStringLiteral("tst_package"));
        }
        QVERIFY(!UpgradeLock::isHeld());
        QVERIFY(!QFile::exists(path));

        // A file that names nobody, which nobody holds, is no lock.
        for (const QByteArray &content : {QByteArray(), QByteArray("garbage"), QByteArray("-5\nlensdesk\n")}) {
            writeFile(path, content);
            QVERIFY(!UpgradeLock::isHeld());
            UpgradeLock lock;
            QVERIFY(lock.tryLock());
            QCOMPARE(lock.holder(), QCoreApplication::applicationPid());
        }
        // Nor is one that names a live process (an id used again) that does not hold it.
        writeFile(path, QByteArray::number(QCoreApplication::applicationPid()) + "\ntst_package\n"
                            + QSysInfo::machineHostName().toUtf8() + "\n");
        {
            UpgradeLock lock;
            QVERIFY(lock.tryLock());
        }
        // The same file held open and locked by a live process is one, whoever it is.
        writeFile(path, "garbage");
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        QVERIFY(UpgradeLock::isHeld());
        UpgradeLock blocked;
        QVERIFY(!blocked.tryLock());
        QCOMPARE(blocked.holder(), qint64(0));
        QVERIFY(blocked.holderProgram().isEmpty());
        ::close(fd);
        QVERIFY(blocked.tryLock());
    }

    void foldersOfProcessesAreNamedForThem()
    {
        const QString own = QString::number(QCoreApplication::applicationPid());
        QVERIFY(processFolderTemplate(QStringLiteral("/x")).startsWith(QStringLiteral("/x/.package-") + own + QLatin1Char('-')));
        writeAppFile(QStringLiteral(".package-%1-Ab12Cd/kernel").arg(own), "in use");
        writeAppFile(QStringLiteral(".package-Ef34Gh/kernel"), "an earlier version's");
        writeAppFile(QStringLiteral(".package-entries"), "kernel\n");
        writeAppFile(QStringLiteral(".package-notes/kernel"), "no folder of ours");
        // This process is alive; only a caller that knows its own are unused removes them.
        QCOMPARE(removeStalePackageFolders(testsupport::appDir()), 1);
        QCOMPARE(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({".package-" + own + "-Ab12Cd", ".package-entries", ".package-notes"}));
        QCOMPARE(removeStalePackageFolders(testsupport::appDir(), true), 1);
        QCOMPARE(QDir(testsupport::appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({".package-entries", ".package-notes"}));
    }

    void encryptedPackageDoesNotWaitForAPassword()
    {
        const QString src = packageSource(QStringLiteral("secret"));
        const QString archive = m_work.path() + QStringLiteral("/secret.zip");
        QFile::remove(archive);
        QVERIFY(makeZip(archive, src, {"auto_update.txt", "scripts", "kernel", "model.dat"}, {"-psecret"}));
        QString message;
        QVERIFY(!Zip7z::extract(archive, testsupport::appDir(), message));
        // The tool ended by itself: one that waited for a password would have been
        // ended by the time-out, with the time-out's message.
        QVERIFY2(message.contains(QLatin1String("failed with exit code")), qPrintable(message));
        QVERIFY(!checkPackageFiles(testsupport::appDir()));
    }
};

LENSDESK_TEST_MAIN(TestPackage)
#include "tst_package.moc"
