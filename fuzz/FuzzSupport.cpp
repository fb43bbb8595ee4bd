#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace fuzzsupport {

namespace {

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

} // namespace

void start()
{
    static int argc = 1;
    static char name[] = "lensdesk-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = [] {
        qInstallMessageHandler(dropMessage);
        return new QCoreApplication(argc, argv);
    }();
    Q_UNUSED(app);
}

QString scratchDir()
{
    static QTemporaryDir *dir = [] {
        auto *d = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/lensdesk-fuzz-XXXXXX"));
        if (!d->isValid())
            std::abort();
        std::atexit([] { QDir(scratchDir()).removeRecursively(); });
        return d;
    }();
    return dir->path();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(content);
}

QByteArray bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
}

QList<QByteArray> split(const QByteArray &data, const QByteArray &separator)
{
    QList<QByteArray> parts;
    int from = 0;
    for (;;) {
        const int at = data.indexOf(separator, from);
        if (at < 0)
            break;
        parts << data.mid(from, at - from);
        from = at + separator.size();
    }
    parts << data.mid(from);
    return parts;
}

} // namespace fuzzsupport
