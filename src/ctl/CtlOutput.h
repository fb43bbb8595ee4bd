#pragma once
#include "upgrade/ListedCamera.h"
#include "upgrade/UpgradeBatch.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTextStream>

// How lensdeskctl words its results: tables and lines on a terminal or a pipe, or JSON
// with --json; errors, the progress bar and the upgrade summary.
class CtlOutput
{
public:
    CtlOutput(QTextStream &out, QTextStream &err, bool terminal);

    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }
    bool isJson() const { return m_json; }
    void setJson(bool json) { m_json = json; }
    bool isTerminal() const { return m_terminal; }

    // Reports an error: a line on err, or {"error": ...} on out for --json; gives code.
    int fail(int code, const QString &message, const QList<ListedCamera> &matches = {});
    void cameraTable(const QList<ListedCamera> &cameras);
    static QJsonArray camerasJson(const QList<ListedCamera> &cameras);

    // The window's notices are rich text ("<h3>Heading</h3>\r\nBody"); on a terminal the
    // heading and the body share one line.
    static QString plain(const QString &notice);

    // The bar of a terminal (nothing on a pipe or with --json).
    void showProgress(const QString &what, int percent);
    void endProgress();

    // One row of the upgrade summary for a camera's outcome (recovery rows say whether
    // the package's model was checked).
    static QJsonObject upgradeRow(const UpgradeBatch::Outcome &outcome, bool recovery);
    // The summary of all rows; whether every camera was done.
    bool upgradeSummary(const QJsonArray &rows);

private:
    QTextStream &m_out;
    QTextStream &m_err;
    bool m_terminal;
    bool m_json = false;
    bool m_progressShown = false;
};
