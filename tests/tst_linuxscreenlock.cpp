#include "TestSupport.h"

#include "platform/linux/LinuxScreenLock.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

const QString kFreedesktop = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kFreedesktopPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kGnome = QStringLiteral("org.gnome.ScreenSaver");
const QString kGnomePath = QStringLiteral("/org/gnome/ScreenSaver");

// A desktop's screen saver on the session bus: its name, GetActive and ActiveChanged.
class FakeSaver : public QDBusVirtualObject
{
public:
    FakeSaver(const QString &address, const QString &service, const QString &path, bool active)
        : m_bus(QDBusConnection::connectToBus(address, service))
        , m_service(service)
        , m_path(path)
        , m_active(active)
    {
        m_bus.registerVirtualObject(path, this);
        m_bus.registerService(service);
    }
    ~FakeSaver() override
    {
        m_bus.unregisterService(m_service);
        m_bus.unregisterObject(m_path);
        QDBusConnection::disconnectFromBus(m_service);
    }

    void say(bool active)
    {
        m_active = active;
        QDBusMessage signal = QDBusMessage::createSignal(m_path, m_service, QStringLiteral("ActiveChanged"));
        signal << active;
        m_bus.send(signal);
    }

    QString introspect(const QString &) const override { return QString(); }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != m_service || message.member() != QLatin1String("GetActive"))
            return false;
        connection.send(message.createReply(m_active));
        return true;
    }

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    bool m_active;
};

// Lets every message already sent on the bus reach the lock: a call that waits for its
// answer goes behind them, and the events they bring are then handled.
void settle()
{
    QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.example.nobody"));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

class TestLinuxScreenLock : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon not found (Debian package dbus-daemon)");
        // A session bus of the test's own, so that the desktop's (if any) is never asked.
        m_daemon = std::make_unique<QProcess>();
        m_daemon->start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                 QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        QVERIFY(m_daemon->waitForStarted(60000));
        QVERIFY(QTest::qWaitFor([this] { return m_daemon->canReadLine(); }, 60000));
        m_address = QString::fromUtf8(m_daemon->readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void cleanupTestCase()
    {
        if (!m_daemon)
            return;
        m_daemon->terminate();
        m_daemon->waitForFinished(60000);
    }

    void lockedFromTheStartThenUnlocked()
    {
        FakeSaver saver(m_address, kFreedesktop, kFreedesktopPath, true);
        platform::LinuxScreenLock lock;
        QSignalSpy changes(&lock, &platform::ScreenLock::lockedChanged);
        // Asked at once, answered without holding anyone up.
        QTRY_VERIFY_WITH_TIMEOUT(lock.isLocked(), 60000);
        saver.say(false);
        QTRY_VERIFY_WITH_TIMEOUT(!lock.isLocked(), 60000);
        saver.say(true);
        QTRY_VERIFY_WITH_TIMEOUT(lock.isLocked(), 60000);
        QCOMPARE(changes.count(), 3);
        QCOMPARE(changes.at(0).at(0).toBool(), true);
        QCOMPARE(changes.at(1).at(0).toBool(), false);
        QCOMPARE(changes.at(2).at(0).toBool(), true);
    }

    void lockedWhileEitherSaverSaysSo()
    {
        FakeSaver freedesktop(m_address, kFreedesktop, kFreedesktopPath, false);
        FakeSaver gnome(m_address, kGnome, kGnomePath, false);
        platform::LinuxScreenLock lock;
        settle();
        QVERIFY(!lock.isLocked());
        gnome.say(true);
        QTRY_VERIFY_WITH_TIMEOUT(lock.isLocked(), 60000);
        freedesktop.say(false);
        settle();
        QVERIFY(lock.isLocked());
        freedesktop.say(true);
        gnome.say(false);
        settle();
        QVERIFY(lock.isLocked());
        freedesktop.say(false);
        QTRY_VERIFY_WITH_TIMEOUT(!lock.isLocked(), 60000);
    }

    void noScreenSaverThenOneStarts()
    {
        platform::LinuxScreenLock lock;
        settle();
        QVERIFY(!lock.isLocked());
        // A screen saver that starts later is heard too.
        FakeSaver saver(m_address, kGnome, kGnomePath, false);
        settle();
        saver.say(true);
        QTRY_VERIFY_WITH_TIMEOUT(lock.isLocked(), 60000);
    }

    void anotherSenderIsNotTheScreenSaver()
    {
        FakeSaver saver(m_address, kFreedesktop, kFreedesktopPath, false);
        platform::LinuxScreenLock lock;
        settle();
        // The same signal from a program that does not own the screen saver's name.
        QDBusConnection other = QDBusConnection::connectToBus(m_address, QStringLiteral("other"));
        QDBusMessage signal = QDBusMessage::createSignal(kFreedesktopPath, kFreedesktop, QStringLiteral("ActiveChanged"));
        signal << true;
        QVERIFY(other.send(signal));
        settle();
        QVERIFY(!lock.isLocked());
        QDBusConnection::disconnectFromBus(QStringLiteral("other"));
    }

private:
    std::unique_ptr<QProcess> m_daemon;
    QString m_address;
};

LENSDESK_TEST_MAIN(TestLinuxScreenLock)
#include "tst_linuxscreenlock.moc"
