#pragma once
// Helpers shared by the upgrade tests: a capture of the log lines, and files in the
// application directory.
#include "TestSupport.h"

#include "upgrade/Zip7z.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

namespace upgradetest {

// Records every message of the Qt message macros while it exists.
class LogCapture
{
public:
    LogCapture()
    {
        std::lock_guard<std::mutex> lock(mutex());
        current() = this;
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        std::lock_guard<std::mutex> lock(mutex());
        current() = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // A copy that shares nothing with the record, which other threads go on appending to.
    QStringList lines() const
    {
        std::lock_guard<std::mutex> lock(mutex());
        QStringList copy = m_lines;
        copy.detach();
        return copy;
    }
    bool contains(const QString &line) const { return lines().contains(line); }
    int count(const QString &line) const { return lines().count(line); }
    // Index of the first line equal to the text, or -1.
    int indexOf(const QString &line) const { return lines().indexOf(line); }
    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex());
        m_lines.clear();
    }
    // Called with every line, on the thread that logs it, after it was recorded (so a
    // test can act at an exact point of a worker's progress). It may log itself.
    void setHook(std::function<void(const QString &)> hook)
    {
        std::lock_guard<std::mutex> lock(mutex());
        m_hook = std::move(hook);
    }

private:
    static std::mutex &mutex()
    {
        static std::mutex m;
        return m;
    }
    static LogCapture *&current()
    {
        static LogCapture *c = nullptr;
        return c;
    }
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        std::function<void(const QString &)> hook;
        {
            std::lock_guard<std::mutex> lock(mutex());
            if (current()) {
                current()->m_lines.append(message);
                hook = current()->m_hook;
            }
        }
        if (hook)
            hook(message);
    }

    QtMessageHandler m_previous = nullptr;
    QStringList m_lines;
    std::function<void(const QString &)> m_hook;
};

inline QString appFile(const QString &name)
{
    return testsupport::appDir() + QLatin1Char('/') + name;
}

inline void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
}

inline void writeAppFile(const QString &name, const QByteArray &content)
{
    writeFile(appFile(name), content);
}

// Removes everything from the application directory.
inline void clearAppDir()
{
    QDir dir(testsupport::appDir());
    for (const QFileInfo &info : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (info.isDir() && !info.isSymLink())
            QDir(info.filePath()).removeRecursively();
        else
            QFile::remove(info.filePath());
    }
}

// Bytes that differ from block to block, so that a misplaced block shows in a digest.
inline QByteArray pattern(int size, int seed = 1)
{
    QByteArray data(size, '\0');
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = char(x >> 16);
    }
    return data;
}

// Zips the folder's entries into the archive with the system's 7-Zip.
inline void zipEntries(const QString &folder, const QString &archive, const QStringList &entries,
                       const QStringList &options = {})
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(Zip7z::toolPath(), QStringList{QStringLiteral("a"), QStringLiteral("-tzip")} + options + QStringList{archive}
                                   + entries);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qFatal("cannot build %s", qPrintable(archive));
}

// The id of a process that has just ended.
inline qint64 endedProcessId()
{
    QProcess p;
    p.start(QStringLiteral("true"), QStringList());
    if (!p.waitForStarted())
        qFatal("cannot start true");
    const qint64 id = p.processId();
    p.waitForFinished();
    return id;
}

// Starts a process that runs until its input is closed; its id.
inline qint64 startLingeringProcess(QProcess &p)
{
    p.start(QStringLiteral("cat"), QStringList());
    if (!p.waitForStarted())
        qFatal("cannot start cat");
    return p.processId();
}

} // namespace upgradetest
