#include "platform/sim/SimStreamServer.h"

#include "platform/sim/SimCamera.h"
#include "platform/sim/SimMjpegPattern.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QList>
#include <QMap>
#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include <errno.h>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace sim {

namespace {

// The one mode a camera offers unless the rig file lists its modes. A camera refuses an
// open that asks for a mode it does not offer, as a real device refuses a format it
// cannot deliver.
constexpr SimStreamServer::Mode kDefaultMode{1920, 1080, 30};

// Stream faults (SimCamera::fault): see the rig file documentation.
const QString kFaultCorruptFrame = QStringLiteral("streamCorruptFrame");
const QString kFaultStallAfter = QStringLiteral("streamStallAfter");
const QString kFaultEmpty = QStringLiteral("streamEmpty");
const QString kFaultResize = QStringLiteral("streamResize");
const QString kFaultInput = QStringLiteral("streamInput");

// Each picture goes out as one part of a multipart stream that states its length, as a
// camera hands over each picture whole in a buffer of its own: the reader takes a
// picture without looking for where it ends.
const QByteArray kPartHead = QByteArrayLiteral("--lensdeskrig\r\nContent-Type: image/jpeg\r\nContent-Length: ");

// The part's first line alone: a stream that opens and then ends without a picture.
constexpr qint64 kBoundaryLine = 15; // "--lensdeskrig\r\n"

// The part around a picture, in the pieces that go out one after the other: the picture
// itself is shared, not copied (a copy of each picture was most of the rig's cost).
QList<QByteArray> framed(const QByteArray &picture)
{
    return {kPartHead + QByteArray::number(picture.size()) + QByteArrayLiteral("\r\n\r\n"), picture,
            QByteArrayLiteral("\r\n")};
}

// One folder per process for the cameras' sockets, removed at exit.
QString socketFolder()
{
    static QTemporaryDir *folder = [] {
        QString base = QDir::tempPath();
        // Socket paths are limited to about 100 bytes.
        if (base.toLocal8Bit().size() > 60)
            base = QStringLiteral("/tmp");
        auto *dir = new QTemporaryDir(base + QStringLiteral("/lensdesk-rig-XXXXXX"));
        std::atexit([] { delete folder; });
        return dir;
    }();
    return folder->isValid() ? folder->path() : QString();
}

// The socket calls that differ between systems. On Windows the cameras listen on
// loopback TCP ports (FFmpeg's tcp protocol) and a loopback datagram socket stands in
// for the wake-up pipe; elsewhere they are local sockets and a pipe.
#ifdef Q_OS_WIN
using PollEntry = WSAPOLLFD;
using PollCount = ULONG;
constexpr int kShutBoth = SD_BOTH;

void closeSocket(qintptr fd)
{
    ::closesocket(SOCKET(fd));
}

bool transientError()
{
    const int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINTR;
}

int pollSockets(PollEntry *fds, PollCount count, int timeout)
{
    return ::WSAPoll(fds, count, timeout);
}

bool setNonBlocking(SOCKET fd)
{
    u_long on = 1;
    return ::ioctlsocket(fd, FIONBIO, &on) == 0;
}

qintptr acceptClient(qintptr listenFd)
{
    const SOCKET client = ::accept(SOCKET(listenFd), nullptr, nullptr);
    if (client == INVALID_SOCKET)
        return -1;
    setNonBlocking(client);
    return qintptr(client);
}

qint64 sendSome(qintptr fd, const char *data, qint64 length)
{
    return ::send(SOCKET(fd), data, static_cast<int>(qMin<qint64>(length, 1 << 30)), 0);
}

qint64 receiveSome(qintptr fd, char *data, int length, bool peek)
{
    return ::recv(SOCKET(fd), data, length, peek ? MSG_PEEK : 0);
}

void wake(qintptr fd, char byte)
{
    ::send(SOCKET(fd), &byte, 1, 0);
}

qint64 drainWake(qintptr fd, char *data, int length)
{
    return ::recv(SOCKET(fd), data, length, 0);
}

bool startSockets()
{
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

sockaddr_in loopback()
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}
#else
using PollEntry = pollfd;
using PollCount = nfds_t;
constexpr int kShutBoth = SHUT_RDWR;

void closeSocket(qintptr fd)
{
    ::close(int(fd));
}

bool transientError()
{
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

int pollSockets(PollEntry *fds, PollCount count, int timeout)
{
    return ::poll(fds, count, timeout);
}

qintptr acceptClient(qintptr listenFd)
{
    const int client = ::accept4(int(listenFd), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client >= 0) {
        // Room for a few whole pictures, as a camera's queue of buffers has: the server
        // and the reader then meet once a picture rather than many times.
        const int bytes = 4 << 20;
        ::setsockopt(client, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    }
    return client;
}

qint64 sendSome(qintptr fd, const char *data, qint64 length)
{
    return ::send(int(fd), data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
}

qint64 receiveSome(qintptr fd, char *data, int length, bool peek)
{
    return ::recv(int(fd), data, static_cast<size_t>(length), MSG_DONTWAIT | (peek ? MSG_PEEK : 0));
}

void wake(qintptr fd, char byte)
{
    [[maybe_unused]] const ssize_t n = ::write(int(fd), &byte, 1);
}

qint64 drainWake(qintptr fd, char *data, int length)
{
    return ::read(int(fd), data, static_cast<size_t>(length));
}
#endif

#ifndef Q_OS_WIN
// Socket files are numbered; ports are given by the system.
int nextServerNumber()
{
    static std::atomic<int> number{0};
    return ++number;
}
#endif

bool parseSize(const QString &text, int *width, int *height)
{
    const QStringList parts = text.toLower().split(QLatin1Char('x'));
    if (parts.size() != 2)
        return false;
    bool okW = false;
    bool okH = false;
    *width = parts.at(0).trimmed().toInt(&okW);
    *height = parts.at(1).trimmed().toInt(&okH);
    return okW && okH;
}

// A connected socket whose peer has gone (or that was shut down here) reads as end
// of file; the client never sends anything, so any other answer means alive.
bool peerAlive(qintptr fd)
{
    char byte = 0;
    const qint64 n = receiveSome(fd, &byte, 1, true);
    if (n > 0)
        return true;
    return n < 0 && transientError();
}

int clampInt(const QJsonValue &value, int fallback, int low, int high)
{
    const int v = value.toInt(fallback);
    return v < low || v > high ? fallback : v;
}

} // namespace

SimStreamServer::SimStreamServer(SimCamera &camera, const QJsonObject &config)
    : m_camera(camera)
{
    const QJsonObject stream = config.value(QStringLiteral("stream")).toObject();
    m_width = clampInt(stream.value(QStringLiteral("width")), 1920, 16, 8192) & ~1;
    m_height = clampInt(stream.value(QStringLiteral("height")), 1080, 16, 8192) & ~1;
    m_fps = clampInt(stream.value(QStringLiteral("fps")), 30, 1, 1000);
    m_cycleFrames = clampInt(stream.value(QStringLiteral("cycleFrames")), 30, 1, 100000);
    m_paced = stream.value(QStringLiteral("paced")).toBool(true);
    const QJsonValue modes = stream.value(QStringLiteral("modes"));
    if (modes.isArray()) {
        for (const QJsonValue &value : modes.toArray()) {
            const QJsonObject mode = value.toObject();
            m_modes.append(Mode{mode.value(QStringLiteral("width")).toInt(),
                                mode.value(QStringLiteral("height")).toInt(),
                                mode.value(QStringLiteral("fps")).toInt()});
        }
    } else {
        m_modes.append(kDefaultMode);
    }
}

SimStreamServer::~SimStreamServer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
        if (m_wakeWrite >= 0)
            wake(m_wakeWrite, 'q');
    }
    if (m_thread.joinable())
        m_thread.join();
    for (qintptr fd : {m_clientFd, m_listenFd, m_wakeRead, m_wakeWrite}) {
        if (fd >= 0)
            closeSocket(fd);
    }
    if (!m_socketPath.isEmpty())
        QFile::remove(m_socketPath);
}

bool SimStreamServer::offers(int width, int height, int fps) const
{
    for (const Mode &mode : m_modes) {
        if (mode.width == width && mode.height == height && mode.fps == fps)
            return true;
    }
    return false;
}

bool SimStreamServer::offers(const platform::CaptureOptions &requested) const
{
    QMap<QByteArray, QByteArray> asked;
    for (const auto &option : requested)
        asked.insert(option.first, option.second);
    int width = 0;
    int height = 0;
    bool rateOk = false;
    const int fps = asked.value(QByteArrayLiteral("framerate")).toInt(&rateOk);
    return asked.value(QByteArrayLiteral("input_format")) == "mjpeg"
        && parseSize(QString::fromLatin1(asked.value(QByteArrayLiteral("video_size"))), &width, &height) && rateOk
        && offers(width, height, fps);
}

platform::CaptureOptions SimStreamServer::lastRequest() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastRequest;
}

platform::CaptureInput SimStreamServer::captureInput(const platform::CaptureOptions &requested)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastRequest = requested;
    }
    const QVariant replaced = m_camera.fault(kFaultInput);
    if (replaced.isValid()) {
        const QVariantMap input = replaced.toMap();
        platform::CaptureInput capture{input.value(QStringLiteral("format")).toString().toUtf8(),
                                       input.value(QStringLiteral("url")).toString().toUtf8(),
                                       {}};
        const QVariantMap options = input.value(QStringLiteral("options")).toMap();
        for (auto it = options.cbegin(); it != options.cend(); ++it)
            capture.options.append({it.key().toUtf8(), it.value().toString().toUtf8()});
        return capture;
    }

    const QString folder = socketFolder();
    if (!offers(requested) || folder.isEmpty()) {
        // Nobody listens there: the open fails like a device refusing the format.
        return {QByteArrayLiteral("mpjpeg"),
                QStringLiteral("unix:%1/%2-refused.sock").arg(folder, m_camera.key()).toUtf8(),
                {}};
    }

    // Encoding happens once per size and process, before the first client connects.
    SimMjpegPattern::frames(m_width, m_height, m_cycleFrames);

    std::lock_guard<std::mutex> lock(m_mutex);
    if (!startLocked())
        return {QByteArrayLiteral("mpjpeg"), QByteArrayLiteral("unix:/nonexistent/lensdesk-rig.sock"), {}};
    // Without timestamps in the stream FFmpeg would read twenty pictures to guess the
    // rate before the first one is shown; the camera's rate is known. The input also
    // keeps a seek index of every picture, up to 1 MiB by default, which a camera input
    // does not: a small one keeps a long preview's memory flat.
    return {QByteArrayLiteral("mpjpeg"), m_url,
            {{QByteArrayLiteral("fpsprobesize"), QByteArrayLiteral("0")},
             {QByteArrayLiteral("max_index_size"), QByteArrayLiteral("16384")}}};
}

bool SimStreamServer::startLocked()
{
    if (m_thread.joinable())
        return true;
#ifdef Q_OS_WIN
    if (!startSockets())
        return false;
    const SOCKET fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const SOCKET wakeRead = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const SOCKET wakeWrite = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address = loopback();
    sockaddr_in wakeAddress = loopback();
    int length = sizeof address;
    int wakeLength = sizeof wakeAddress;
    const bool ok = fd != INVALID_SOCKET && wakeRead != INVALID_SOCKET && wakeWrite != INVALID_SOCKET
                    && ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
                    && ::listen(fd, 4) == 0
                    && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0
                    && ::bind(wakeRead, reinterpret_cast<const sockaddr *>(&wakeAddress), sizeof wakeAddress) == 0
                    && ::getsockname(wakeRead, reinterpret_cast<sockaddr *>(&wakeAddress), &wakeLength) == 0
                    && ::connect(wakeWrite, reinterpret_cast<const sockaddr *>(&wakeAddress), sizeof wakeAddress) == 0
                    && setNonBlocking(fd) && setNonBlocking(wakeRead);
    if (!ok) {
        for (SOCKET s : {fd, wakeRead, wakeWrite}) {
            if (s != INVALID_SOCKET)
                ::closesocket(s);
        }
        return false;
    }
    m_url = QStringLiteral("tcp://127.0.0.1:%1").arg(ntohs(address.sin_port)).toUtf8();
    m_listenFd = qintptr(fd);
    m_wakeRead = qintptr(wakeRead);
    m_wakeWrite = qintptr(wakeWrite);
#else
    m_socketPath = QStringLiteral("%1/%2-%3.sock").arg(socketFolder(), m_camera.key()).arg(nextServerNumber());
    const QByteArray path = QFile::encodeName(m_socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<size_t>(path.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));

    int wake[2] = {-1, -1};
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0
        || ::listen(fd, 4) != 0) {
        for (int f : {fd, wake[0], wake[1]}) {
            if (f >= 0)
                ::close(f);
        }
        return false;
    }
    m_url = ("unix:" + m_socketPath).toUtf8();
    m_listenFd = fd;
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
#endif
    m_thread = std::thread([this] { run(); });
    return true;
}

bool SimStreamServer::streaming() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_clientFd >= 0 && !m_leaving && peerAlive(m_clientFd);
}

void SimStreamServer::closeAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_clientFd < 0)
        return;
    // The server thread ends the stream at the next picture boundary.
    m_leaving = true;
    wake(m_wakeWrite, 'c');
}

QByteArray SimStreamServer::nextPicture(qint64 index)
{
    int width = m_width;
    int height = m_height;
    const QVariant resize = m_camera.fault(kFaultResize);
    if (resize.isValid() && !parseSize(resize.toString(), &width, &height)) {
        width = m_width;
        height = m_height;
    }
    const auto frames = SimMjpegPattern::frames(width, height, m_cycleFrames);
    if (frames->empty())
        return {};
    const QByteArray &picture = frames->at(static_cast<size_t>(index % static_cast<qint64>(frames->size())));
    const QVariant corrupt = m_camera.fault(kFaultCorruptFrame);
    if (corrupt.isValid() && corrupt.toLongLong() == index + 1)
        return SimMjpegPattern::corrupted(picture);
    return picture;
}

void SimStreamServer::run()
{
#ifndef Q_OS_WIN
    // Named so that measurements of the whole process can leave the rig's share out.
    pthread_setname_np(pthread_self(), "sim-stream");
#endif
    using SteadyClock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1000000 / m_fps);
    qintptr client = -1;
    qint64 sent = 0;     // pictures written completely to this client
    QList<QByteArray> pending; // what is left of the current picture's part, piece by piece
    int offset = 0;            // into its first piece
    SteadyClock::time_point due = SteadyClock::now();
    // Leaving the bus: the camera finishes the picture it has begun, then the stream
    // ends, so that a reader sees whole pictures and then failing reads.
    bool leaving = false;
    SteadyClock::time_point leaveBy;

    const auto dropClient = [&] {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (client >= 0) {
            ::shutdown(client, kShutBoth);
            closeSocket(client);
        }
        client = -1;
        m_clientFd = -1;
        m_leaving = false;
        leaving = false;
        pending.clear();
    };

    for (;;) {
        if (client >= 0 && leaving && pending.isEmpty())
            dropClient();

        const auto stalledNow = [&] {
            const QVariant stall = m_camera.fault(kFaultStallAfter);
            return stall.isValid() && sent >= stall.toLongLong();
        };
        int timeout = -1;
        if (client >= 0 && pending.isEmpty()) {
            if (stalledNow()) {
                timeout = 20; // look again whether the stall has been lifted
            } else if (m_paced) {
                const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - SteadyClock::now());
                timeout = static_cast<int>(qMax<qint64>(0, wait.count()));
            } else {
                timeout = 0;
            }
        } else if (leaving) {
            timeout = 20;
        }

        PollEntry fds[3] = {{decltype(PollEntry::fd)(m_wakeRead), POLLIN, 0},
                            {decltype(PollEntry::fd)(m_listenFd), POLLIN, 0},
                            {decltype(PollEntry::fd)(client), 0, 0}};
        PollCount count = 2;
        if (client >= 0) {
            fds[2].events = static_cast<short>(POLLIN | (pending.isEmpty() ? 0 : POLLOUT));
            count = 3;
        }
        if (pollSockets(fds, count, timeout) < 0 && !transientError())
            break;

        if (fds[0].revents) {
            char buffer[64];
            while (drainWake(m_wakeRead, buffer, sizeof buffer) > 0) {
            }
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_quit)
                break;
            if (m_leaving && client >= 0 && !leaving) {
                leaving = true;
                leaveBy = SteadyClock::now() + std::chrono::seconds(1);
            }
        }
        if (leaving && SteadyClock::now() > leaveBy)
            dropClient(); // a reader that no longer reads does not hold the camera

        if (fds[1].revents & POLLIN) {
            const qintptr incoming = acceptClient(m_listenFd);
            if (incoming >= 0) {
                ++m_connections;
                if (client >= 0 && peerAlive(client)) {
                    // The camera is busy with another client: the stream opens and
                    // ends before its first picture.
                    sendSome(incoming, kPartHead.constData(), kBoundaryLine);
                    closeSocket(incoming);
                } else {
                    dropClient();
                    std::lock_guard<std::mutex> lock(m_mutex);
                    client = incoming;
                    m_clientFd = incoming;
                    sent = 0;
                    offset = 0;
                    due = SteadyClock::now();
                }
                if (client == incoming && m_camera.fault(kFaultEmpty).toBool()) {
                    sendSome(client, kPartHead.constData(), kBoundaryLine);
                    dropClient();
                }
            }
        }

        if (client >= 0 && count == 3 && qintptr(fds[2].fd) == client
            && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            if (!peerAlive(client)) {
                dropClient();
                continue;
            }
            char buffer[256];
            while (receiveSome(client, buffer, sizeof buffer, false) > 0) {
            }
        }
        if (client < 0)
            continue;

        if (pending.isEmpty() && !leaving && !stalledNow() && (!m_paced || SteadyClock::now() >= due)) {
            const QByteArray current = nextPicture(sent);
            pending = current.isEmpty() ? QList<QByteArray>() : framed(current);
            offset = 0;
        }
        if (pending.isEmpty())
            continue;

        const QByteArray &piece = pending.constFirst();
        const qint64 n = sendSome(client, piece.constData() + offset, piece.size() - offset);
        if (n > 0) {
            offset += static_cast<int>(n);
            if (offset == piece.size()) {
                pending.removeFirst();
                offset = 0;
            }
            if (pending.isEmpty()) {
                ++sent;
                ++m_framesSent;
                due += period;
                // A client that fell behind does not get a burst of stale pictures.
                const auto now = SteadyClock::now();
                if (due + period < now)
                    due = now;
            }
        } else if (n < 0 && !transientError()) {
            dropClient();
        }
    }
    dropClient();
}

} // namespace sim
