#include "core/Log.h"

#include "core/DebugOutput.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <filesystem>
#include <mutex>
#include <system_error>


namespace {

// Guards the log path and everything done to the log file, so lines of different
// threads never interleave and a rotation happens once however many threads cross the
// limit together.
std::mutex g_logMutex;
QString g_logFilePath = QString::fromLatin1(kDefaultLogFilePath);

const char *fileTag(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "-D- ";
    case QtInfoMsg: return "-I- ";
    case QtWarningMsg: return "-W- ";
    case QtCriticalMsg: return "-C- ";
    case QtFatalMsg: return "-F- ";
    }
    return "-E- ";
}

const char *debuggerTag(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return " [Debug] ";
    case QtInfoMsg: return " [Info] ";
    case QtWarningMsg: return " [Warning] ";
    case QtCriticalMsg: return " [Critical] ";
    case QtFatalMsg: return " [Fatal] ";
    }
    return " [Error] ";
}

bool hasSourceFile(const QMessageLogContext &context)
{
    return context.file && *context.file;
}

// The qualified function name of a signature such as
// "void __thiscall MainWindow::slotStartPreview(void)", or the whole signature when it
// has no such form.
QString functionName(const QMessageLogContext &context)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral(".*\\s([^\\s]+)\\(.*")));
    const QString signature = QString::fromUtf8(context.function);
    const QRegularExpressionMatch match = pattern.match(signature);
    return match.hasMatch() ? match.captured(1) : signature;
}

// Replaces target by source like a rename over an existing file does.
bool replaceFile(const QString &source, const QString &target)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(source).toStdString(),
                            QFile::encodeName(target).toStdString(), error);
    return !error;
}

QString generationPath(const QString &path, int generation)
{
    return path + QLatin1Char('.') + QString::number(generation);
}

// Moves the log to ".1" and a previous ".1" to ".2". When ".1" cannot be moved away the
// log stays where it is, so no generation is lost; the next line tries again.
void rotate(const QString &path)
{
    const QString first = generationPath(path, 1);
    if (QFileInfo::exists(first) && !replaceFile(first, generationPath(path, 2)))
        return;
    replaceFile(path, first);
}

} // namespace

QString logFilePath()
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    return g_logFilePath;
}

void setLogFilePath(const QString &path)
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_logFilePath = path;
}

QString prepareFilePath(const QString &path, bool pathOnly, const QByteArray &initialContent)
{
    QString result = path;
    if (result.startsWith(QLatin1String("~/"))) {
        result = QStringLiteral("%1/%2").arg(
            QStandardPaths::writableLocation(QStandardPaths::HomeLocation), result.mid(2));
    }
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (pathOnly)
        return result;

    const int slash = result.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) {
        const QString dir = result.left(slash);
        if (!QDir().mkpath(dir))
            qWarning() << "Error, cannot create dir" << dir;
    }
    if (!QFileInfo::exists(result)) {
        QFile file(result);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(initialContent);
            file.close();
        }
    }
    return result;
}

QString formatFileLine(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QString timestamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    if (hasSourceFile(context)) {
        return QStringLiteral("[%1] %2 %3(%4) <<%5>>: %6")
            .arg(timestamp, QLatin1String(fileTag(type)), QString::fromUtf8(context.file),
                 QString::number(context.line), QString::fromUtf8(context.function), message);
    }
    return QStringLiteral("[%1] %2: %3").arg(timestamp, QLatin1String(fileTag(type)), message);
}

QString formatDebuggerLine(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (hasSourceFile(context)) {
        return QStringLiteral("%1(%2):%3<<%4>> %5")
            .arg(QString::fromUtf8(context.file), QString::number(context.line),
                 QLatin1String(debuggerTag(type)), functionName(context), message);
    }
    return QStringLiteral("%1%2").arg(QLatin1String(debuggerTag(type)), message);
}

void writeLogFile(const QString &line)
{
    // UTF-8 whatever the locale, so no character of a message is lost.
    const QByteArray bytes = (line + QLatin1String("\r\n")).toUtf8();

    std::lock_guard<std::mutex> lock(g_logMutex);
    const QFileInfo info(g_logFilePath);
    if (info.exists() && info.size() > kLogRotationLimit)
        rotate(g_logFilePath);

    QFile file(g_logFilePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return; // an unwritable log loses the line; the debugger copy still goes out
    file.write(bytes);
    file.flush();
    file.close();
}

void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    writeLogFile(formatFileLine(type, context, message));
    core::debuggerOutput(formatDebuggerLine(type, context, message) + QLatin1String("\r\n"));
}
