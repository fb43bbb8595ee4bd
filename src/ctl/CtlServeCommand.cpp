#include "ctl/CtlServeCommand.h"

#include "remote/ServedCamera.h"
#include "remote/ViscaEngine.h"
#include "remote/ViscaServer.h"
#include "upgrade/CameraInventory.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonDocument>
#include <QSocketNotifier>

#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN
// Ctrl+C, Ctrl+Break and the console closing end the loop for the life of the object.
// The handler runs on a thread of its own: the quit is queued to the loop's thread.
BOOL WINAPI onConsoleStop(DWORD)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    return TRUE;
}

class StopSignals
{
public:
    StopSignals() { m_ready = ::SetConsoleCtrlHandler(onConsoleStop, TRUE) != 0; }
    ~StopSignals()
    {
        if (m_ready)
            ::SetConsoleCtrlHandler(onConsoleStop, FALSE);
    }
    bool isReady() const { return m_ready; }

private:
    bool m_ready = false;
};

#else
// The write end of the pipe the signal handler wakes the event loop through.
int g_signalWrite = -1;

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    if (g_signalWrite >= 0) {
        const ssize_t written = ::write(g_signalWrite, &byte, 1);
        (void)written;
    }
}

// SIGINT and SIGTERM end the loop for the life of the object.
class StopSignals
{
public:
    StopSignals()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_fds) != 0) {
            m_fds[0] = m_fds[1] = -1;
            return;
        }
        g_signalWrite = m_fds[1];
        struct sigaction action = {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &m_oldInt);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
        m_notifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char byte = 0;
            const ssize_t got = ::read(m_fds[0], &byte, 1);
            (void)got;
            QCoreApplication::quit();
        });
    }
    ~StopSignals()
    {
        if (m_fds[0] < 0)
            return;
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        g_signalWrite = -1;
        m_notifier.reset();
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    bool isReady() const { return m_fds[0] >= 0; }

private:
    int m_fds[2] = {-1, -1};
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
    std::unique_ptr<QSocketNotifier> m_notifier;
};
#endif

bool parsePort(const QString &text, quint16 *port)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 0 || n > 65535)
        return false;
    *port = static_cast<quint16>(n);
    return true;
}

// One served camera: the camera, its engine and its endpoints.
struct Served
{
    ListedCamera listed;
    std::unique_ptr<ServedCamera> camera;
    std::unique_ptr<ViscaEngine> engine;
    std::unique_ptr<ViscaServer> server;
};

} // namespace

CtlServeCommand::CtlServeCommand(CtlOutput &output, QTextStream &out, QTextStream &err, int productLine,
                                 CameraChooser chooseCamera)
    : m_output(output)
    , m_out(out)
    , m_err(err)
    , m_productLine(productLine)
    , m_chooseCamera(std::move(chooseCamera))
{
}

void CtlServeCommand::status(const QJsonObject &event, const QString &text)
{
    if (m_output.isJson()) {
        // One event a line, each naming its command as every other result does.
        QJsonObject line = event;
        line.insert(QStringLiteral("command"), QStringLiteral("serve"));
        if (!line.contains(QStringLiteral("camera")))
            line.insert(QStringLiteral("camera"), QJsonValue());
        m_out << QJsonDocument(line).toJson(QJsonDocument::Compact) << '\n';
    } else {
        m_out << text << '\n';
    }
    m_out.flush();
}

int CtlServeCommand::serve(const CtlArguments &options)
{
    if (!options.positional.isEmpty())
        return m_output.usageError(QStringLiteral("serve takes no arguments"));
    if (options.all && !options.camera.isEmpty())
        return m_output.usageError(QStringLiteral("serve takes --camera or --all, not both"));

    ViscaServer::Options base;
    if (!options.listen.isEmpty()) {
        const QString text = options.listen.trimmed();
        base.address = text == QLatin1String("localhost") ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(text);
        if (base.address.isNull())
            return m_output.usageError(QStringLiteral("--listen: \"%1\" is no IP address").arg(options.listen));
    }
    for (const QString &cidr : options.allow) {
        QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(cidr.trimmed());
        if (subnet.first.isNull())
            return m_output.usageError(QStringLiteral("--allow: \"%1\" is no address or ADDRESS/BITS").arg(cidr));
        base.allow << subnet;
    }
    if (!options.udpPort.isEmpty() && !parsePort(options.udpPort, &base.udpPort))
        return m_output.usageError(QStringLiteral("--udp-port: \"%1\" is no port (0..65535)").arg(options.udpPort));
    if (!options.tcpPort.isEmpty() && !parsePort(options.tcpPort, &base.tcpPort))
        return m_output.usageError(QStringLiteral("--tcp-port: \"%1\" is no port (0..65535)").arg(options.tcpPort));

    QList<ListedCamera> cameras;
    if (options.all) {
        for (const ListedCamera &c : CameraInventory(m_productLine).scan()) {
            if (c.isNormal())
                cameras << c;
        }
        if (cameras.isEmpty())
            return m_output.fail(NoCamera, QStringLiteral("no supported camera is plugged in"));
    } else {
        ListedCamera camera;
        if (const int code = m_chooseCamera(options.camera, &camera))
            return code;
        cameras << camera;
    }
    // The ports of the next cameras follow on; port 0 (any free one) stays 0.
    const int last = cameras.size() - 1;
    if ((base.udpPort != 0 && base.udpPort + last > 65535) || (base.tcpPort != 0 && base.tcpPort + last > 65535))
        return m_output.usageError(QStringLiteral("the ports of %1 cameras go beyond 65535").arg(cameras.size()));

    StopSignals stopSignals;
    std::vector<Served> served;
    served.reserve(static_cast<size_t>(cameras.size()));
    for (int i = 0; i < cameras.size(); ++i) {
        Served s;
        s.listed = cameras.at(i);
        s.camera = std::make_unique<ServedCamera>(ServedCamera::Identity{s.listed.path, s.listed.name, s.listed.model,
                                                                         s.listed.identityModel, m_productLine,
                                                                         s.listed.firmware});
        if (!s.camera->open())
            return m_output.fail(Failed, QStringLiteral("camera %1 does not answer").arg(s.listed.describe()));
        s.engine = std::make_unique<ViscaEngine>(*s.camera);
        ViscaServer::Options o = base;
        o.udpPort = base.udpPort ? static_cast<quint16>(base.udpPort + i) : 0;
        o.tcpPort = base.tcpPort ? static_cast<quint16>(base.tcpPort + i) : 0;
        o.name = QStringLiteral("camera #%1").arg(s.listed.number);
        s.server = std::make_unique<ViscaServer>(*s.engine, o);
        QString error;
        if (!s.server->start(&error))
            return m_output.fail(Failed, QStringLiteral("camera %1: %2").arg(s.listed.describe(), error));
        served.push_back(std::move(s));
    }

    for (Served &s : served) {
        const ListedCamera listed = s.listed;
        const QString address = base.address.toString();
        status(QJsonObject{{QStringLiteral("event"), QStringLiteral("listening")},
                           {QStringLiteral("camera"), listed.number},
                           {QStringLiteral("device"), listed.toJsonObject()},
                           {QStringLiteral("address"), address},
                           {QStringLiteral("udpPort"), s.server->udpPort()},
                           {QStringLiteral("tcpPort"), s.server->tcpPort()}},
               QStringLiteral("serving %1 on %2: VISCA over IP on UDP %3, VISCA on TCP %4")
                   .arg(listed.describe(), address)
                   .arg(s.server->udpPort())
                   .arg(s.server->tcpPort()));
        s.camera->followDeviceChanges();
        QObject::connect(s.camera.get(), &ServedCamera::presenceChanged, [this, listed](bool present) {
            status(QJsonObject{{QStringLiteral("event"), present ? QStringLiteral("camera-back") : QStringLiteral("camera-gone")},
                               {QStringLiteral("camera"), listed.number}},
                   present ? QStringLiteral("camera #%1 is back").arg(listed.number)
                           : QStringLiteral("camera #%1 is gone; its commands are not executable until it is back")
                                 .arg(listed.number));
        });
        QObject::connect(s.server.get(), &ViscaServer::statusEvent, [this, listed](const QJsonObject &event) {
            QJsonObject e = event;
            e.insert(QStringLiteral("camera"), listed.number);
            const QString kind = event.value(QStringLiteral("event")).toString();
            const QString client = event.value(QStringLiteral("client")).toString();
            QString text;
            if (kind == QLatin1String("client"))
                text = QStringLiteral("camera #%1: %2 client %3")
                           .arg(listed.number)
                           .arg(event.value(QStringLiteral("protocol")).toString().toUpper(), client);
            else if (kind == QLatin1String("client-gone"))
                text = QStringLiteral("camera #%1: TCP client %2 left").arg(listed.number).arg(client);
            else
                text = QStringLiteral("camera #%1: refused %2: %3")
                           .arg(listed.number)
                           .arg(client, event.value(QStringLiteral("reason")).toString());
            status(e, text);
        });
    }
    if (!stopSignals.isReady()) {
        // The user must know that Ctrl+C will not end it cleanly; the log keeps it too.
        qWarning() << "serve: no stop signal pipe; end it with SIGKILL";
        m_err << "lensdeskctl: SIGINT and SIGTERM cannot be caught here; end serve with SIGKILL\n";
        m_err.flush();
    }

    QCoreApplication::exec();

    for (Served &s : served) {
        s.engine->drive().stopAll();
        s.server->stop();
    }
    status(QJsonObject{{QStringLiteral("event"), QStringLiteral("stopped")}}, QStringLiteral("stopped"));
    return Done;
}
