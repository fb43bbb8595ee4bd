#pragma once
#include "upgrade/ListedCamera.h"
#include "upgrade/UpgradeBatch.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTextStream>

// How lensdeskctl words its results: tables and lines on a terminal or a pipe, or one
// JSON object with --json (every object names its "command" and its "exitCode"; errors
// carry "error"); the progress bar and the upgrade summary.
class CtlOutput
{
public:
    CtlOutput(QTextStream &out, QTextStream &err, bool terminal);

    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }
    bool isJson() const { return m_json; }
    void setJson(bool json) { m_json = json; }
    bool isTerminal() const { return m_terminal; }
    // The command the output belongs to (its JSON's "command").
    void setCommand(const QString &command) { m_command = command; }

    // Writes a command's JSON result with its command and exit code; gives code.
    int json(QJsonObject result, int code);
    // Reports an error: a line on err, or {"error": ...} on out for --json; gives code.
    int fail(int code, const QString &message, const QList<ListedCamera> &matches = {});
    // A usage error: the message and the command's usage line (JSON: "usage"); exit 2.
    int usageError(const QString &message);

    void cameraTable(const QList<ListedCamera> &cameras);
    static QJsonArray camerasJson(const QList<ListedCamera> &cameras);

    // The window's notices are rich text ("<h3>Heading</h3>\r\nBody"); on a terminal the
    // heading and the body share one line, and sentences the window runs together
    // ("compatibility.To") get their space.
    static QString plain(const QString &notice);
    // A column of text padded to width, never cut.
    static QString pad(const QString &text, int width);

    // The bar of a terminal (nothing on a pipe or with --json).
    void showProgress(const QString &what, int percent);
    void endProgress();

    // One row of the upgrade or recovery summary for a camera's outcome; every row has
    // the same members (null where they do not apply).
    static QJsonObject upgradeRow(const UpgradeBatch::Outcome &outcome, bool recovery);
    // The summary of all rows (and the package they used); the exit code: 0 when every
    // camera was done or skipped (a dry run: planned or skipped), 1 otherwise.
    int upgradeSummary(const QJsonArray &rows, const QJsonObject &package, bool dryRun);

private:
    QTextStream &m_out;
    QTextStream &m_err;
    bool m_terminal;
    bool m_json = false;
    bool m_progressShown = false;
    QString m_command;
};
