#include "platform/sim/SimControlChannel.h"

#include "platform/sim/SimRig.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sim {

SimControlChannel::SimControlChannel(SimRig &rig, QObject *parent)
    : QObject(parent)
    , m_rig(rig)
{
}

SimControlChannel::~SimControlChannel()
{
    close();
}

std::unique_ptr<SimControlChannel> SimControlChannel::fromEnvironment(SimRig &rig)
{
    const QString path = qEnvironmentVariable("LENSDESK_RIG_CONTROL");
    if (path.isEmpty())
        return nullptr;
    auto channel = std::make_unique<SimControlChannel>(rig);
    QString error;
    if (!channel->open(path, &error)) {
        std::fprintf(stderr, "lensdesk: rig control channel: %s\n", qPrintable(error));
        return nullptr;
    }
    return channel;
}

bool SimControlChannel::open(const QString &path, QString *error)
{
    close();
#ifdef Q_OS_WIN
    // Windows has no FIFOs in the file system; the rig runs there without the channel.
    if (error)
        *error = QStringLiteral("cannot open %1: FIFOs are not available on Windows").arg(path);
    return false;
#else
    const QByteArray native = QFile::encodeName(path);
    struct stat info;
    if (::stat(native.constData(), &info) == 0) {
        if (!S_ISFIFO(info.st_mode)) {
            if (error)
                *error = QStringLiteral("%1 exists and is not a FIFO").arg(path);
            return false;
        }
    } else if (::mkfifo(native.constData(), 0600) == 0) {
        m_created = true;
    } else {
        if (error)
            *error = QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Opened for reading and writing, so the FIFO never reports end-of-file when a
    // writer closes; the notifier then fires only for new lines.
    m_fd = ::open(native.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        if (m_created)
            ::unlink(native.constData());
        m_created = false;
        return false;
    }
    m_path = path;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readAvailable(); });
    return true;
#endif
}

void SimControlChannel::close()
{
    delete m_notifier;
    m_notifier = nullptr;
#ifndef Q_OS_WIN
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_created)
        ::unlink(QFile::encodeName(m_path).constData());
#endif
    m_created = false;
    m_pending.clear();
}

void SimControlChannel::readAvailable()
{
#ifndef Q_OS_WIN
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            m_pending.append(buffer, static_cast<int>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
#endif
    int end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(end)).trimmed();
        m_pending.remove(0, end + 1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QString error;
        const bool ok = apply(line, &error);
        if (!ok)
            std::fprintf(stderr, "lensdesk: rig control channel: %s\n", qPrintable(error));
        emit commandApplied(line, ok, error);
    }
}

bool SimControlChannel::apply(const QString &line, QString *error)
{
    const QString text = line.trimmed();
    if (text.startsWith(QLatin1String("add "), Qt::CaseInsensitive)) {
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(text.mid(4).toUtf8(), &parseError);
        if (!doc.isObject()) {
            if (error)
                *error = QStringLiteral("\"add\" needs one JSON object: %1").arg(parseError.errorString());
            return false;
        }
        const QString key = doc.object().value(QStringLiteral("key")).toString();
        if (!key.isEmpty() && m_rig.camera(key)) {
            if (error)
                *error = QStringLiteral("a device \"%1\" exists already").arg(key);
            return false;
        }
        if (!SimRig::checkDeviceNumbers(doc.object(), QStringLiteral("the device"), error))
            return false;
        m_rig.addCamera(doc.object());
        return true;
    }
    return m_rig.command(text, error);
}

} // namespace sim
