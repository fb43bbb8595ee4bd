#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The application's log: every Qt message becomes one time-stamped line appended to the
// log file (rotated at kLogRotationLimit with two older generations) and one line for
// the debugger output.

// A log larger than this many bytes is rotated before the next line is written.
constexpr qint64 kLogRotationLimit = 5242880;

// Where the log goes before start-up expands it.
inline constexpr char kDefaultLogFilePath[] = "~/.lensdesk/lensdesk.log";

// The process-wide log path; start-up replaces the default by its expanded form.
QString logFilePath();
void setLogFilePath(const QString &path);

// Expands a leading "~/" to the home directory and turns backslashes into slashes.
// Unless pathOnly, also creates the missing directories and, when no file is there yet,
// a file holding initialContent; an existing file is left as it is.
QString prepareFilePath(const QString &path, bool pathOnly, const QByteArray &initialContent);

// The handler installed with qInstallMessageHandler.
void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// The two texts the handler makes of one message (without line end).
QString formatFileLine(QtMsgType type, const QMessageLogContext &context, const QString &message);
QString formatDebuggerLine(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Appends one line (plus CR LF) to the log file, rotating it first when it is over the limit.
void writeLogFile(const QString &line);
