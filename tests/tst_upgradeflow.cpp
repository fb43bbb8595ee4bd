// The window's firmware sequences against the rig: upgrade from the support page,
// recovery of a camera stuck in a boot state, the factory reset and the guards.
#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "UpgradeTestSupport.h"
#include "WindowTestSupport.h"

#include "core/AppPaths.h"
#include "platform/sim/SimMassStorage.h"
#include "ui/LanguageSwitch.h"
#include "ui/MaskWidget.h"
#include "ui/UpgradeFlow.h"
#include "upgrade/UpgradeLock.h"
#include "upgrade/Zip7z.h"

#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>

using namespace windowtest;
using dialogtest::DialogAnswerer;
using dialogtest::FileDialogAnswerer;

namespace {

const QString kDone = QStringLiteral("<h3>Upgrade is done!</h3>\r\nThe device is initializing, don't power off.");
const QString kFailed = QStringLiteral(
    "<h3>Upgrade Failed!</h3>\r\nplease try to unplug and plug the USB cable for upgrade again.");
const QString kNotCorrect =
    QStringLiteral("<h3>Unable to Upgrade</h3>\r\nThe format of firmware file is not correct.");
const QString kCorrupted = QStringLiteral("<h3>Unable to Upgrade</h3>\r\nThe firmware file is corrupted.");
const QString kNoMatch =
    QStringLiteral("<h3>Unable to Upgrade</h3>\r\nThe upgrade version does not match this device.");
const QString kCannotExit = QStringLiteral("Cannot exit during the upgrade process!");
const QString kRestart =
    QStringLiteral("To complete this process, your device may take a few seconds to restart.");
const QString kRestoreQuestion = QStringLiteral(
    "<h3>Restore Factory Defaults</h3>\r\nAre you sure you want to reset your device to factory settings? "
    "Your device may take several seconds to reboot. Please keep your device connected during the whole "
    "resetting process.");

const QByteArray kKernel = upgradetest::pattern(60000, 3);
const QByteArray kOtherKernel = upgradetest::pattern(60000, 9);
const QByteArray kUpdater = upgradetest::pattern(5000, 6);
const QByteArray kBootLoader = upgradetest::pattern(30000, 7);

QByteArray md5(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

struct PackageContents
{
    QByteArray modelName = "Orvia Vista Pro";
    bool kernel = true;
    bool bootFiles = false;
    QByteArray kernelData = kKernel;
};

// Builds a ".zip" package with the system's archive tool in its own folder.
QString makePackage(const QTemporaryDir &work, const QString &name, const PackageContents &contents = {})
{
    const QString dir = work.path() + QLatin1Char('/') + name;
    QDir(dir).removeRecursively();
    upgradetest::writeFile(dir + QStringLiteral("/auto_update.txt"),
                           "estar scripts/flash.txt\r\nsetenv fw_version 1.0.23\r\nsaveenv\r\nreset\r\n");
    upgradetest::writeFile(dir + QStringLiteral("/scripts/flash.txt"),
                           "tftp 0x21000000 kernel\nnand write.e 0x21000000 kernel ${filesize}\n");
    if (contents.kernel)
        upgradetest::writeFile(dir + QStringLiteral("/kernel"), contents.kernelData);
    upgradetest::writeFile(dir + QStringLiteral("/miservice.ubifs"),
                           upgradetest::pattern(3000, 4) + contents.modelName + upgradetest::pattern(100, 5));
    QStringList entries{QStringLiteral("auto_update.txt"), QStringLiteral("scripts"),
                        QStringLiteral("miservice.ubifs")};
    if (contents.kernel)
        entries << QStringLiteral("kernel");
    if (contents.bootFiles) {
        upgradetest::writeFile(dir + QStringLiteral("/usb_updater.bin"), kUpdater);
        upgradetest::writeFile(dir + QStringLiteral("/u-boot.bin"), kBootLoader);
        entries << QStringLiteral("usb_updater.bin") << QStringLiteral("u-boot.bin");
    }
    const QString archive = work.path() + QLatin1Char('/') + name + QStringLiteral(".zip");
    QFile::remove(archive);
    upgradetest::zipEntries(dir, archive, entries);
    return archive;
}

QByteArray cameraRig(const QString &extra = QString())
{
    return QStringLiteral(R"({"cameras": [ { "key": "cam1", "instance": "7&2a1b3c4d&0", "driveLetter": "F",
                                             "restartDelayMs": 3000 %1 } ]})")
        .arg(extra)
        .toUtf8();
}

bool upgradeModeEntrySent(sim::SimCamera *camera)
{
    for (const auto &m : camera->uvc().xuMessages()) {
        if (m.selector == 4)
            return true;
    }
    return false;
}

// The notice of an upgrade refused because another program holds the user's upgrade lock.
QString lockHeldNotice(const QString &program, qint64 pid)
{
    return QStringLiteral("<h3>Unable to Upgrade</h3>\r\nAnother program is upgrading a camera: %1 (process %2). "
                          "Please try again when it has finished.")
        .arg(program)
        .arg(pid);
}

// The hidden folders named for processes in the application directory.
QStringList processFolders()
{
    return QDir(testsupport::appDir())
        .entryList({QStringLiteral(".package-*")}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct CtlRun
{
    bool done = false;
    int code = -1;
    QString err;
};

// lensdeskctl from the application directory (so that it shares the window's package
// folder and lock) on a rig of its own with one camera.
CtlRun runCtl(const QStringList &arguments)
{
    const QString binary = testsupport::appDir() + QStringLiteral("/lensdeskctl");
    if (!QFileInfo::exists(binary) && !QFile::copy(QStringLiteral(LENSDESK_CTL_BINARY), binary))
        qFatal("cannot copy lensdeskctl");
    QTemporaryDir dir;
    upgradetest::writeFile(dir.filePath(QStringLiteral("rig.json")),
                           R"({"cameras": [ { "key": "cam1", "instance": "7&9999&0", "driveLetter": "F" } ]})");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LENSDESK_BACKEND"), QStringLiteral("sim"));
    env.insert(QStringLiteral("LENSDESK_SIM_VIRTUAL_CLOCK"), QStringLiteral("1"));
    env.insert(QStringLiteral("LENSDESK_RIG"), dir.filePath(QStringLiteral("rig.json")));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(binary, arguments);
    CtlRun run;
    run.done = p.waitForFinished(120000);
    run.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

struct Flow : Fixture
{
    explicit Flow(const QByteArray &rig = cameraRig(), int productLine = 2,
                  const std::function<void(testsupport::SimEnvironment &)> &beforeWindow = {})
        : Fixture(rig, productLine, beforeWindow)
    {
    }
    UpgradeFlow *flow() const { return window->upgradeFlow(); }
    QPushButton *upgradeButton() const { return child<QPushButton>("btnUpgrade"); }
    QProgressBar *bar() const { return child<QProgressBar>("progressBarUpdate"); }
    sim::SimCamera *cam1() { return cam("cam1"); }
};

// Calls back when a widget of the given object name is shown or hidden (before the
// application's other filters see it).
class ShowWatcher : public QObject
{
public:
    ShowWatcher(const QString &name, std::function<void(bool shown)> onShow)
        : m_name(name)
        , m_onShow(std::move(onShow))
    {
        qApp->installEventFilter(this);
    }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const bool show = event->type() == QEvent::Show;
        if ((show || event->type() == QEvent::Hide) && watched->isWidgetType() && watched->objectName() == m_name)
            m_onShow(show);
        return false;
    }

private:
    QString m_name;
    std::function<void(bool)> m_onShow;
};

} // namespace

class TestUpgradeFlow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;

private slots:
    void initTestCase()
    {
        if (Zip7z::toolPath().isEmpty())
            QSKIP("no 7-Zip tool on this system (Debian package 7zip)");
        // As at start-up: relative paths of the package resolve in the application directory.
        QDir::setCurrent(testsupport::appDir());
    }

    void init() { upgradetest::clearAppDir(); }

    void upgradeFromTheSupportPage()
    {
        const QString package = makePackage(m_work, QStringLiteral("good"));
        Flow f;
        QVERIFY(f.window->isCameraOpen());
        QCOMPARE(f.child<QLabel>("labelDevVer")->text(), QStringLiteral("V1.0.22"));
        FileDialogAnswerer files;
        files.answer(package);
        DialogAnswerer dialogs(dialogtest::LeaveOpen);
        dialogs.answer(dialogtest::Ok); // the confirmation

        f.child<QToolButton>("btnNavSupport")->click();
        f.upgradeButton()->click();
        QCOMPARE(files.count(), 1);
        QCOMPARE(files.requests().at(0).caption, QStringLiteral("Open File"));
        QCOMPARE(files.requests().at(0).filter, QStringLiteral("Upgrade File(*.zip)"));
        QCOMPARE(dialogs.names(), QStringList{QStringLiteral("FormUpgrade")});
        QVERIFY(f.window->isUpgrading());
        QVERIFY(f.bar()->isVisible());
        QVERIFY(!f.upgradeButton()->isEnabled());
        QVERIFY(!f.child<QPushButton>("btnRestoreDefaults")->isEnabled());
        QVERIFY(!f.child<QSlider>("sliderBrightness")->isEnabled());
        // The window holds the user's upgrade lock: lensdeskctl cannot start one meanwhile.
        {
            UpgradeLock other;
            QVERIFY(!other.tryLock());
            QCOMPARE(other.holder(), QCoreApplication::applicationPid());
        }

        // Closing is refused while the upgrade runs.
        dialogs.answer(dialogtest::Ok);
        f.window->close();
        QVERIFY(f.window->isVisible());
        QCOMPARE(dialogs.at(1).text, kCannotExit);

        // The bar creeps but stays below 100 until the report.
        int highest = 0;
        QMetaObject::Connection watch = connect(f.bar(), &QProgressBar::valueChanged, this,
                                                [&](int v) {
                                                    if (f.window->isUpgrading())
                                                        highest = qMax(highest, v);
                                                });
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.texts().contains(kDone), 30000);
        disconnect(watch);
        QVERIFY2(highest <= 99, qPrintable(QString::number(highest)));
        QVERIFY(!f.window->isUpgrading());
        QVERIFY(UpgradeLock().tryLock());
        QVERIFY(f.bar()->isHidden());
        QVERIFY(f.upgradeButton()->isEnabled());
        QVERIFY(!dialogs.last().countdown.isEmpty());

        // The kernel went to flash, and the camera comes back with the new firmware.
        const auto flash = f.cam1()->storage().flashWrites();
        QCOMPARE(flash.size(), 1);
        QCOMPARE(flash.at(0).digest, md5(kKernel));
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isCameraOpen(), 30000);
        QCOMPARE(f.cam1()->firmwareVersion(), QStringLiteral("1.0.23"));
        QCOMPARE(f.child<QLabel>("labelDevVer")->text(), QStringLiteral("V1.0.23"));
        QCOMPARE(f.list()->count(), 1);

        // Closing is allowed again.
        const int seen = dialogs.count();
        f.window->close();
        QVERIFY(!f.window->isVisible());
        QCOMPARE(dialogs.count(), seen);
    }

    void upgradeFromAReadOnlyInstallation()
    {
        // The program as installed under a prefix: bin/ beside share/lensdesk with the
        // installation's settings, and bin/ read-only.
        QTemporaryDir prefix;
        const QString bin = prefix.path() + QStringLiteral("/bin");
        QVERIFY(QDir().mkpath(bin));
        upgradetest::writeFile(prefix.path() + QStringLiteral("/share/lensdesk/product.ini"),
                               "[product_model]\nmain=2\n");
        QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser));
        setApplicationDirOverride(bin);
        const auto restore = qScopeGuard([bin] {
            setApplicationDirOverride(testsupport::appDir());
            QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                                           | QFile::WriteUser | QFile::ExeUser);
        });
        const QString packages = testsupport::homeDir() + QStringLiteral("/.local/share/lensdesk/package");
        QCOMPARE(packageDir(), packages);

        const QString package = makePackage(m_work, QStringLiteral("installed"));
        Flow f(cameraRig(), -1); // the manufacturer comes from the installation's file
        QVERIFY(f.window->isCameraOpen());
        FileDialogAnswerer files;
        files.answer(package);
        DialogAnswerer dialogs(dialogtest::LeaveOpen);
        dialogs.answer(dialogtest::Ok); // the confirmation
        f.child<QToolButton>("btnNavSupport")->click();
        f.upgradeButton()->click();
        // The package lies in a folder of its own in the user's folder while it is played.
        const QStringList own = QDir(packages).entryList({QStringLiteral(".package-*")}, QDir::Dirs | QDir::Hidden);
        QCOMPARE(own.size(), 1);
        QFile kernel(packages + QLatin1Char('/') + own.at(0) + QStringLiteral("/kernel"));
        QVERIFY(kernel.open(QIODevice::ReadOnly));
        QCOMPARE(kernel.readAll(), kKernel);
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.texts().contains(kDone), 30000);

        const auto flash = f.cam1()->storage().flashWrites();
        QCOMPARE(flash.size(), 1);
        QCOMPARE(flash.at(0).digest, md5(kKernel));
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isCameraOpen(), 30000);
        QCOMPARE(f.cam1()->firmwareVersion(), QStringLiteral("1.0.23"));
        // The package went to a folder of its own in the user's folder, which went with
        // the report; the program's folder got nothing.
        QCOMPARE(QDir(packages).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList());
        QCOMPARE(QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList());
        f.window->close();
        QCOMPARE(QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void packagesThatStopEarly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("notice");
        QTest::newRow("cancelled pick") << "cancel" << QString();
        QTest::newRow("incomplete") << "incomplete" << kNotCorrect;
        QTest::newRow("no model name") << "corrupted" << kCorrupted;
        QTest::newRow("another model") << "other" << kNoMatch;
        QTest::newRow("confirmation rejected") << "reject" << QString();
        QTest::newRow("not an archive") << "garbage" << QStringLiteral("<h3>Unable to Upgrade</h3>");
    }

    void packagesThatStopEarly()
    {
        QFETCH(QString, kind);
        QFETCH(QString, notice);
        QString package;
        if (kind == QLatin1String("incomplete"))
            package = makePackage(m_work, kind, PackageContents{"Orvia Vista Pro", false, false});
        else if (kind == QLatin1String("corrupted"))
            package = makePackage(m_work, kind, PackageContents{"no name here", true, false});
        else if (kind == QLatin1String("other"))
            package = makePackage(m_work, kind, PackageContents{"ARBOR 50F", true, false});
        else if (kind == QLatin1String("reject"))
            package = makePackage(m_work, kind);
        else if (kind == QLatin1String("garbage")) {
            package = m_work.path() + QStringLiteral("/garbage.zip");
            upgradetest::writeFile(package, "this is not an archive at all");
        }

        Flow f;
        FileDialogAnswerer files;
        files.answer(package);
        DialogAnswerer dialogs(kind == QLatin1String("reject") ? dialogtest::Cancel : dialogtest::Ok);
        upgradetest::LogCapture log;
        f.cam1()->uvc().clearHistory();
        f.upgradeButton()->click();

        if (kind == QLatin1String("cancel")) {
            QVERIFY(log.contains(QStringLiteral("Open file dialog cancel.")));
            QCOMPARE(dialogs.count(), 0);
        } else if (kind == QLatin1String("reject")) {
            QCOMPARE(dialogs.names(), QStringList{QStringLiteral("FormUpgrade")});
            QVERIFY(log.contains(QStringLiteral("FormUpgrade rejected.")));
        } else {
            QCOMPARE(dialogs.count(), 1);
            QCOMPARE(dialogs.at(0).name, QStringLiteral("FormCustomizeMessagebox"));
            QVERIFY2(dialogs.at(0).text.startsWith(notice), qPrintable(dialogs.at(0).text));
            QVERIFY(dialogs.at(0).countdown.isEmpty());
        }
        // Nothing reached the camera and the window is as it was.
        QVERIFY(!upgradeModeEntrySent(f.cam1()));
        QCOMPARE(f.cam1()->mode(), sim::CameraMode::Normal);
        QVERIFY(!f.window->isUpgrading());
        QVERIFY(f.upgradeButton()->isEnabled());
        QVERIFY(f.bar()->isHidden());
        QVERIFY(f.window->isCameraOpen());
    }

    void languageAndClosingAreRefusedWhileUpgrading()
    {
        const QString package = makePackage(m_work, QStringLiteral("good"));
        // The camera never comes back as a volume: the worker waits its 41 searches. The
        // workers stop at their first pause until the window has been tried.
        Flow f(cameraRig(QStringLiteral(R"(, "upgradeEntryDelayMs": -1)")));
        platform::VirtualClock &clock = f.env.clock();
        clock.setSleepLimit(clock.nowMs());
        auto lift = qScopeGuard([&clock] { clock.setSleepLimit(-1); });
        FileDialogAnswerer files;
        files.answer(package);
        DialogAnswerer dialogs(dialogtest::Ok);
        f.upgradeButton()->click();
        QVERIFY(f.window->isUpgrading());
        f.child<QPushButton>("btnLanguage")->click();
        QCOMPARE(dialogs.last().text, kCannotExit);
        QVERIFY(!f.window->languageSwitch()->chooser());
        f.window->close();
        QCOMPARE(dialogs.last().text, kCannotExit);
        QVERIFY(f.window->isVisible());
        QVERIFY(!dialogs.texts().contains(kFailed));

        // After the report both work again.
        clock.setSleepLimit(-1);
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.texts().contains(kFailed), 60000);
        f.child<QPushButton>("btnLanguage")->click();
        QVERIFY(f.window->languageSwitch()->chooser());
        QVERIFY(f.window->languageSwitch()->chooser()->isVisible());
        f.window->close();
        QVERIFY(!f.window->isVisible());
    }

    void aSecondClickWhilePreparingIsIgnored()
    {
        const QString package = makePackage(m_work, QStringLiteral("good"));
        Flow f;
        int picks = 0;
        bool closeRefused = false;
        DialogAnswerer dialogs(dialogtest::Ok);
        dialogs.answer(dialogtest::Ok).answer(dialogtest::Cancel);
        FileDialogs::setHook([&](const FileDialogs::Request &) {
            ++picks;
            // The window's events run while the package is picked and unpacked.
            f.upgradeButton()->click();
            f.window->close();
            closeRefused = f.window->isVisible();
            return package;
        });
        f.upgradeButton()->click();
        FileDialogs::setHook(nullptr);
        QCOMPARE(picks, 1);
        QVERIFY(closeRefused);
        QCOMPARE(dialogs.names(), (QStringList{"FormCustomizeMessagebox", "FormUpgrade"}));
        QCOMPARE(dialogs.at(0).text, kCannotExit);
        QVERIFY(!f.window->isUpgrading());
    }

    void anUpgradeThatFailsReleasesTheWindow_data()
    {
        QTest::addColumn<QString>("faults");
        QTest::newRow("command lines not acknowledged") << "\"storage.unacknowledgedCommands\": 100";
        QTest::newRow("download not acknowledged") << "\"storage.unacknowledgedDownloads\": 100";
        QTest::newRow("status never answers") << "\"storage.statusNoAnswer\": true";
        QTest::newRow("vanishes mid-transfer for good")
            << "\"storage.vanishAfterBytes\": 20000, \"storage.vanishReturnMs\": -1";
        QTest::newRow("never comes back as a volume") << "\"upgradeEntryDelayMs\": -1";
    }

    void anUpgradeThatFailsReleasesTheWindow()
    {
        QFETCH(QString, faults);
        const QString package = makePackage(m_work, QStringLiteral("good"));
        const QString extra = faults.startsWith(QLatin1String("\"storage"))
            ? QStringLiteral(", \"faults\": {%1}").arg(faults)
            : QStringLiteral(", %1").arg(faults);
        Flow f(cameraRig(extra));
        FileDialogAnswerer files;
        files.answer(package);
        DialogAnswerer dialogs(dialogtest::Ok);
        f.upgradeButton()->click();
        QVERIFY(f.window->isUpgrading());
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.texts().contains(kFailed), 60000);
        QVERIFY(!f.window->isUpgrading());
        QVERIFY(f.bar()->isHidden());
        QVERIFY(f.upgradeButton()->isEnabled());
        QVERIFY(f.child<QPushButton>("btnRestoreDefaults")->isEnabled());
        QCOMPARE(dialogs.texts().count(kFailed), 1);
        QVERIFY(!dialogs.texts().contains(kDone));
    }

    void hostilePackagesAreRefusedBeforeAnythingIsWritten_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("leaves the folder") << "../escaped.txt";
        QTest::newRow("replaces the settings") << "product.ini";
    }

    void hostilePackagesAreRefusedBeforeAnythingIsWritten()
    {
        QFETCH(QString, entry);
        // A package built by hand: its extra entry is named as the archive stores it.
        const QString dir = m_work.path() + QStringLiteral("/hostile/a/b");
        QDir(m_work.path() + QStringLiteral("/hostile")).removeRecursively();
        makePackage(m_work, QStringLiteral("hostile/a/b"));
        upgradetest::writeFile(dir + QLatin1Char('/') + entry, "hostile");
        const QString archive = m_work.path() + QStringLiteral("/hostile.zip");
        QFile::remove(archive);
        // -spf keeps the names as given, "../" included.
        upgradetest::zipEntries(dir, archive,
                                {QStringLiteral("auto_update.txt"), QStringLiteral("scripts"), QStringLiteral("kernel"),
                                 QStringLiteral("miservice.ubifs"), entry},
                                {QStringLiteral("-spf")});

        Flow f;
        upgradetest::writeAppFile(QStringLiteral("product.ini"), "[product_model]\nmain=2\n");
        const QByteArray settingsBefore = [] {
            QFile file(upgradetest::appFile(QStringLiteral("product.ini")));
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }();
        FileDialogAnswerer files;
        files.answer(archive);
        DialogAnswerer dialogs(dialogtest::Ok);
        f.upgradeButton()->click();
        QCOMPARE(dialogs.count(), 1);
        QVERIFY2(dialogs.at(0).text.startsWith(QStringLiteral("<h3>Unable to Upgrade</h3>")),
                 qPrintable(dialogs.at(0).text));
        QVERIFY(!upgradeModeEntrySent(f.cam1()));
        QVERIFY(!QFile::exists(testsupport::appDir() + QStringLiteral("/../escaped.txt")));
        QFile settings(upgradetest::appFile(QStringLiteral("product.ini")));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll(), settingsBefore);
        QVERIFY(!f.window->isUpgrading());
    }

    void recoveryFromTheBootStates_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("boot ROM") << "rom";
        QTest::newRow("updater") << "updater";
        QTest::newRow("boot loader") << "uboot";
    }

    void recoveryFromTheBootStates()
    {
        QFETCH(QString, mode);
        const QString package = makePackage(m_work, QStringLiteral("recovery"), PackageContents{"Orvia Vista Pro", true, true});
        FileDialogAnswerer files;
        files.answer(package);
        DialogAnswerer dialogs(dialogtest::LeaveOpen);
        dialogs.answer(dialogtest::Upgrade).answer(dialogtest::Ok);
        Flow f(cameraRig(QStringLiteral(", \"mode\": \"%1\"").arg(mode)));
        QCOMPARE(f.list()->count(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(dialogs.count() >= 2, 30000);
        QCOMPARE(dialogs.at(0).name, QStringLiteral("FormAbnormal"));
        QCOMPARE(dialogs.at(1).name, QStringLiteral("FormUpgrade"));
        QCOMPARE(f.child<QStackedWidget>("stackedWidgetMain")->currentIndex(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.texts().contains(kDone), 60000);
        // The camera is back in its normal mode, listed and opened.
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isCameraOpen(), 30000);
        QCOMPARE(f.cam1()->mode(), sim::CameraMode::Normal);
        QCOMPARE(f.list()->count(), 1);
        QCOMPARE(f.child<QLabel>("labelDevVer")->text(), QStringLiteral("V1.0.23"));
        QCOMPARE(dialogs.names().count(QStringLiteral("FormAbnormal")), 1);
    }

    void cancelledRecoveryComesBackAtTheNextReport()
    {
        DialogAnswerer dialogs(dialogtest::Cancel);
        upgradetest::LogCapture log;
        // The watcher stops at its first pause after the first report...
        Flow f(cameraRig(QStringLiteral(R"(, "mode": "rom")")), 2,
               [](testsupport::SimEnvironment &env) { env.clock().setSleepLimit(env.clock().nowMs()); });
        platform::VirtualClock &clock = f.env.clock();
        auto lift = qScopeGuard([&clock] { clock.setSleepLimit(-1); });
        QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("FormAbnormal rejected.")) >= 1, 30000);
        QCOMPARE(dialogs.count(), 1);
        // ...and is let through one more round of its pauses (11 s) and no further: the
        // next report comes only after the dialog was answered, however busy the machine.
        clock.setSleepLimit(clock.nowMs() + 16000);
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.count() >= 2, 60000);
        QCOMPARE(dialogs.names(), (QStringList{QStringLiteral("FormAbnormal"), QStringLiteral("FormAbnormal")}));
        QTRY_VERIFY(log.count(QStringLiteral("FormAbnormal rejected.")) >= 2);
        // Between the two refusals there was exactly one report: the one that showed the
        // dialog again.
        const QStringList lines = log.lines();
        const int first = lines.indexOf(QStringLiteral("FormAbnormal rejected."));
        const int second = lines.indexOf(QStringLiteral("FormAbnormal rejected."), first + 1);
        int reports = 0;
        for (int i = first + 1; i < second; ++i)
            reports += lines.at(i).startsWith(QLatin1String("Detect camera abnormal, state:")) ? 1 : 0;
        QCOMPARE(reports, 1);
    }

    void onlyOneRecoveryDialogAtATime()
    {
        DialogAnswerer dialogs(dialogtest::LeaveOpen);
        int shownWhileOpen = -1;
        bool sawOpen = false;
        // Runs inside the dialog's own event loop: two more reports, then close it. The
        // watcher goes on reporting the stuck camera, and a report may open the dialog
        // again before the wait below looks: those are closed as they come.
        QTimer probe;
        probe.setInterval(5);
        connect(&probe, &QTimer::timeout, this, [&] {
            auto *modal = QApplication::activeModalWidget();
            if (!modal || modal->objectName() != QLatin1String("FormAbnormal"))
                return;
            if (shownWhileOpen >= 0) {
                modal->close();
                return;
            }
            // The first report may come while the window is still being set up.
            UpgradeFlow *flow = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *window = qobject_cast<MainWindow *>(w))
                    flow = window->upgradeFlow();
            }
            if (!flow)
                return;
            sawOpen = flow->isAbnormalDialogOpen();
            flow->slotOnDeviceAbnormal(0);
            flow->slotOnDeviceAbnormal(2);
            shownWhileOpen = dialogs.count();
            modal->close();
        });
        probe.start();
        Flow f(cameraRig(QStringLiteral(", \"mode\": \"rom\"")));
        QTRY_VERIFY_WITH_TIMEOUT(shownWhileOpen >= 0, 30000);
        QVERIFY(sawOpen);
        QCOMPARE(shownWhileOpen, 1);
        QTRY_VERIFY(!f.flow()->isAbnormalDialogOpen());
    }

    void anotherProgramCannotTakeThePackageTheWindowPrepared()
    {
        const QString mine = makePackage(m_work, QStringLiteral("mine"));
        const QString theirs =
            makePackage(m_work, QStringLiteral("theirs"), PackageContents{"Orvia Vista Pro", true, false, kOtherKernel});
        Flow f;
        FileDialogAnswerer files;
        files.answer(mine);
        DialogAnswerer dialogs(dialogtest::Ok);
        dialogs.answer(dialogtest::LeaveOpen); // the confirmation, answered below
        // While the window asks for the confirmation of its package, lensdeskctl tries to
        // upgrade a camera of its own with another package.
        CtlRun other;
        QTimer probe;
        probe.setInterval(5);
        connect(&probe, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            // Once the answerer has left it open.
            if (!modal || modal->objectName() != QLatin1String("FormUpgrade") || other.done || dialogs.pendingSteps() > 0)
                return;
            other = runCtl({QStringLiteral("upgrade"), theirs});
            modal->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        });
        probe.start();
        f.upgradeButton()->click();
        probe.stop();
        QVERIFY(other.done);
        QCOMPARE(other.code, 1);
        QCOMPARE(other.err.trimmed(), QStringLiteral("lensdeskctl: another lensdesk is upgrading a camera (process %1); "
                                                     "try again when it has finished")
                                          .arg(QCoreApplication::applicationPid()));

        // The window's camera gets the window's package, byte for byte.
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.texts().contains(kDone), 30000);
        const auto flash = f.cam1()->storage().flashWrites();
        QCOMPARE(flash.size(), 1);
        QCOMPARE(flash.at(0).size, quint32(60000));
        QCOMPARE(flash.at(0).digest, md5(kKernel));
        // The package's folder and the lock went with the report.
        QVERIFY(processFolders().isEmpty());
        QVERIFY(UpgradeLock().tryLock());
    }

    void anUpgradeIsRefusedWhileAnotherProgramHoldsTheLock()
    {
        const QString package = makePackage(m_work, QStringLiteral("good"));
        Flow f;
        upgradetest::LogCapture log;
        auto other = std::make_unique<UpgradeLock>(); // another program's
        QVERIFY(other->tryLock());
        FileDialogAnswerer files;
        files.answer(package).answer(package);
        DialogAnswerer dialogs(dialogtest::Ok);
        dialogs.answer(dialogtest::Ok).answer(dialogtest::Cancel);
        f.cam1()->uvc().clearHistory();
        f.upgradeButton()->click();
        QCOMPARE(dialogs.count(), 1);
        QCOMPARE(dialogs.at(0).name, QStringLiteral("FormCustomizeMessagebox"));
        QCOMPARE(dialogs.at(0).text, lockHeldNotice(QStringLiteral("tst_upgradeflow"), QCoreApplication::applicationPid()));
        QVERIFY(dialogs.at(0).countdown.isEmpty());
        // Nothing was unpacked, nothing reached the camera, and the lock is still the other's.
        QVERIFY(processFolders().isEmpty());
        QVERIFY(!QFileInfo::exists(upgradetest::appFile(QStringLiteral("auto_update.txt"))));
        QVERIFY(!upgradeModeEntrySent(f.cam1()));
        QVERIFY(!f.window->isUpgrading());
        QVERIFY(f.upgradeButton()->isEnabled());
        QVERIFY(UpgradeLock().tryLock() == false);

        // Once the other program is done, the same package goes on to the confirmation.
        other.reset();
        f.upgradeButton()->click();
        QCOMPARE(dialogs.names(), (QStringList{"FormCustomizeMessagebox", "FormUpgrade"}));
        QVERIFY(log.contains(QStringLiteral("FormUpgrade rejected.")));
        QVERIFY(processFolders().isEmpty());
        QVERIFY(UpgradeLock().tryLock());
    }

    void noRecoveryWhileAnotherProgramHoldsTheLock()
    {
        const QString package =
            makePackage(m_work, QStringLiteral("recovery"), PackageContents{"Orvia Vista Pro", true, true});
        upgradetest::LogCapture log;
        FileDialogAnswerer files;
        files.answer(package);
        auto other = std::make_unique<UpgradeLock>(); // another program recovers the camera
        QVERIFY(other->tryLock());
        std::unique_ptr<Flow> f;
        {
            DialogAnswerer offers(dialogtest::Cancel);
            f = std::make_unique<Flow>(cameraRig(QStringLiteral(R"(, "mode": "rom")")));
            // The watcher looks again and again (a report would pause it for 10 s) but
            // offers nothing.
            const qint64 start = f->env.clock().totalSleptMs();
            QTRY_VERIFY_WITH_TIMEOUT(f->env.clock().totalSleptMs() - start > 30000, 60000);
            QCOMPARE(offers.count(), 0);
        }
        QVERIFY(!log.lines().contains(QStringLiteral("FormAbnormal rejected.")));
        DialogAnswerer dialogs(dialogtest::Ok);
        dialogs.answer(dialogtest::LeaveOpen); // FormAbnormal, driven below

        // The other program is done but the camera is still stuck: the offer comes. Then
        // the other program starts again before the user picks the package.
        other.reset();
        bool clicked = false;
        QTimer probe;
        probe.setInterval(5);
        connect(&probe, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (clicked || !modal || modal->objectName() != QLatin1String("FormAbnormal") || dialogs.pendingSteps() > 0)
                return;
            clicked = true;
            other = std::make_unique<UpgradeLock>();
            QVERIFY(other->tryLock());
            modal->findChild<QPushButton *>(QStringLiteral("btnUpgrade"))->click();
            // The refusal was told and the dialog stays for another try or a cancel.
            QVERIFY(modal->isVisible());
            static_cast<QDialog *>(modal)->reject();
        });
        probe.start();
        QTRY_VERIFY_WITH_TIMEOUT(clicked && !f->flow()->isAbnormalDialogOpen(), 60000);
        probe.stop();
        QCOMPARE(dialogs.names(), (QStringList{"FormAbnormal", "FormCustomizeMessagebox"}));
        QCOMPARE(dialogs.at(1).text, lockHeldNotice(QStringLiteral("tst_upgradeflow"), QCoreApplication::applicationPid()));
        QVERIFY(log.contains(QStringLiteral("FormAbnormal rejected.")));
        QVERIFY(!f->window->isUpgrading());
        QCOMPARE(f->cam1()->mode(), sim::CameraMode::Rom);
        QVERIFY(f->cam1()->storage().updaterImage().isEmpty());
        QVERIFY(processFolders().isEmpty());
        other.reset();
    }

    void foldersOfProcessesThatAreGoneAreRemovedAtStart()
    {
        QProcess live;
        const qint64 livePid = upgradetest::startLingeringProcess(live);
        const qint64 gonePid = upgradetest::endedProcessId();
        const QString liveFolder = QStringLiteral(".package-%1-Ab12Cd").arg(livePid);
        upgradetest::writeAppFile(liveFolder + QStringLiteral("/.package-%1-Xy56Zw/kernel").arg(livePid), "unpacking");
        upgradetest::writeAppFile(QStringLiteral(".package-%1-Ef34Gh/.package-%1-Ij78Kl/kernel").arg(gonePid),
                                  upgradetest::pattern(100000));
        upgradetest::writeAppFile(QStringLiteral(".package-%1-Mn90Op/auto_update.txt").arg(gonePid), "reset\n");
        // A staging folder of an earlier version, which named none.
        upgradetest::writeAppFile(QStringLiteral(".package-Qr12St/kernel"), "left behind");
        upgradetest::writeAppFile(QStringLiteral("usb_updater.bin"), kUpdater);

        Flow f;
        QCOMPARE(processFolders(), QStringList{liveFolder});
        QVERIFY(QFileInfo::exists(upgradetest::appFile(liveFolder + QStringLiteral("/.package-%1-Xy56Zw/kernel").arg(livePid))));
        QVERIFY(QFileInfo::exists(upgradetest::appFile(QStringLiteral("usb_updater.bin"))));
        live.closeWriteChannel();
        QVERIFY(live.waitForFinished());
    }

    void factoryReset_data()
    {
        QTest::addColumn<bool>("preReset");
        QTest::newRow("model 0") << false;
        QTest::newRow("model 13 with 1.0.22") << true;
    }

    void factoryReset()
    {
        QFETCH(bool, preReset);
        const QString rig = preReset
            ? QStringLiteral(R"(, "vendorId": "0x343B", "productId": "0x030A", "friendlyName": "ARBOR 220",
                               "properties": {"pan": {"min": -30, "max": 30, "value": 10}})")
            : QString();
        Flow f(cameraRig(rig), preReset ? 1 : 2);
        QCOMPARE(f.window->currentCameraModel(), preReset ? 13 : 0);
        sim::SimCamera *cam = f.cam1();
        cam->uvc().setFeature(QStringLiteral("antiFlicker"), 2);
        cam->uvc().setFeature(QStringLiteral("mirror"), 1);
        cam->uvc().clearHistory();

        DialogAnswerer dialogs(dialogtest::LeaveOpen);
        dialogs.answer(dialogtest::Ok);
        f.child<QPushButton>("btnRestoreDefaults")->click();
        QCOMPARE(dialogs.at(0).text, kRestoreQuestion);
        QCOMPARE(dialogs.at(0).buttons, (QStringList{QStringLiteral("btnCancel"), QStringLiteral("btnOK")}));
        QCOMPARE(dialogs.at(1).text, kRestart);

        QList<int> opcodes;
        for (const auto &m : cam->uvc().xuMessages()) {
            if (m.selector == 1 && quint8(m.data.at(0)) < 0x80)
                opcodes << quint8(m.data.at(0));
        }
        if (preReset) {
            // Pan 0, tilt 0, zoom 100 by hand, then 50 Hz and the microphone on, then the reset.
            QList<QPair<int, int>> writes;
            for (const auto &r : cam->uvc().propertyRequests()) {
                if (r.kind == 2)
                    writes << qMakePair(int(r.id), int(r.value));
            }
            QCOMPARE(writes.mid(0, 3), (QList<QPair<int, int>>{{0, 0}, {1, 0}, {3, 100}}));
            QCOMPARE(opcodes, (QList<int>{0x02, 0x04, 0x7F}));
        } else {
            QCOMPARE(opcodes, (QList<int>{0x7F}));
        }
        // The camera comes back with its factory values, and the window shows them.
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isCameraOpen(), 30000);
        QCOMPARE(cam->uvc().feature(QStringLiteral("antiFlicker")), 1);
        QCOMPARE(cam->uvc().feature(QStringLiteral("mirror")), 0);
        QCOMPARE(f.child<QComboBox>("comboBoxAntiFlicker")->currentIndex(), 0);
    }

    void cancelledResetSendsNothing()
    {
        Flow f;
        f.cam1()->uvc().clearHistory();
        DialogAnswerer dialogs(dialogtest::Cancel);
        f.child<QPushButton>("btnRestoreDefaults")->click();
        QCOMPARE(dialogs.count(), 1);
        for (const auto &m : f.cam1()->uvc().xuMessages())
            QVERIFY(quint8(m.data.at(0)) != 0x7F);
        QVERIFY(f.window->isCameraOpen());
    }

    void failedResetTellsTheUser()
    {
        Flow f;
        f.cam1()->setFault(QStringLiteral("xu.opcode.0x7f"), QStringLiteral("0x8007001F"));
        DialogAnswerer dialogs(dialogtest::Ok);
        f.child<QPushButton>("btnRestoreDefaults")->click();
        QCOMPARE(dialogs.count(), 2);
        QCOMPARE(dialogs.at(1).text, QStringLiteral("The setting has timed out, please try again."));
        QVERIFY(!f.window->isStatusPollActive());
    }

    void recoveryWaitsUntilTheFailureNoticeIsClosed()
    {
        // The camera stays in its boot loader after the failure; the watcher finds it.
        const QString package = makePackage(m_work, QStringLiteral("good"));
        Flow f(cameraRig(QStringLiteral(R"(, "faults": {"storage.unacknowledgedCommands": 100})")));
        FileDialogAnswerer files;
        files.answer(package);
        DialogAnswerer dialogs(dialogtest::Cancel);
        dialogs.answer(dialogtest::Ok).answer(dialogtest::LeaveOpen);
        // What was on screen when the recovery question came up.
        struct Seen {
            int noticesShown = -1;
            bool dimmed = false;
        } atRecovery;
        ShowWatcher watcher(QStringLiteral("FormAbnormal"), [&atRecovery](bool shown) {
            if (!shown) {
                // Still dimmed when the question goes.
                atRecovery.dimmed = MaskWidget::instance()->isVisible();
                return;
            }
            atRecovery.noticesShown = 0;
            for (QWidget *w : QApplication::topLevelWidgets())
                atRecovery.noticesShown += w->isVisible() && w->objectName() == QLatin1String("FormCustomizeMessagebox");
        });
        f.upgradeButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.names().contains(QStringLiteral("FormAbnormal")), 60000);
        const int failed = dialogs.texts().indexOf(kFailed);
        QVERIFY(failed >= 0);
        QVERIFY(dialogs.names().indexOf(QStringLiteral("FormAbnormal")) > failed);
        // The notice was read to its end (closed by its countdown) before the question.
        QCOMPARE(dialogs.at(failed).result, 1);
        QCOMPARE(atRecovery.noticesShown, 0);
        QVERIFY(atRecovery.dimmed);
    }

    void reportsAndTheSimulatedBar()
    {
        Flow f;
        UpgradeFlow *flow = f.flow();
        // Drive the bar by hand: it never passes 99 before a report.
        for (int i = 0; i < 60; ++i)
            flow->slotOnUpdateDummyTimeout();
        QCOMPARE(flow->upgradeProgress(), 99);
        QCOMPARE(f.bar()->value(), 99);
    }
};

LENSDESK_TEST_MAIN(TestUpgradeFlow)
#include "tst_upgradeflow.moc"
