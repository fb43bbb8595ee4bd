#include "ctl/CtlOutput.h"

#include "core/NoticeTexts.h"

#include <QJsonDocument>
#include <QRegularExpression>

namespace {

constexpr int kBarWidth = 30;

QString pad(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '));
}

} // namespace

CtlOutput::CtlOutput(QTextStream &out, QTextStream &err, bool terminal)
    : m_out(out)
    , m_err(err)
    , m_terminal(terminal)
{
}

QString CtlOutput::plain(const QString &notice)
{
    static const QRegularExpression heading(QStringLiteral("^<h3>(.*)</h3>\\s*"));
    QString text = notice;
    const QRegularExpressionMatch m = heading.match(text);
    if (m.hasMatch()) {
        const QString title = m.captured(1);
        const bool stop = title.endsWith(QLatin1Char('!')) || title.endsWith(QLatin1Char('.'));
        text = title + (stop ? QStringLiteral(" ") : QStringLiteral(": ")) + text.mid(m.capturedLength());
    }
    return text.simplified();
}

QJsonArray CtlOutput::camerasJson(const QList<ListedCamera> &cameras)
{
    QJsonArray array;
    for (const ListedCamera &camera : cameras)
        array.append(camera.toJsonObject());
    return array;
}

int CtlOutput::fail(int code, const QString &message, const QList<ListedCamera> &matches)
{
    if (m_json) {
        QJsonObject o{{QStringLiteral("error"), message.trimmed()}, {QStringLiteral("exitCode"), code}};
        if (!matches.isEmpty())
            o.insert(QStringLiteral("matches"), camerasJson(matches));
        m_out << QJsonDocument(o).toJson();
        return code;
    }
    m_err << "lensdeskctl: " << message.trimmed() << '\n';
    for (const ListedCamera &camera : matches)
        m_err << "  " << camera.number << "  " << camera.name << "  " << camera.path << '\n';
    return code;
}

void CtlOutput::cameraTable(const QList<ListedCamera> &cameras)
{
    m_out << pad(QStringLiteral("#"), 4) << pad(QStringLiteral("STATE"), 22) << pad(QStringLiteral("MODEL"), 7)
          << pad(QStringLiteral("FIRMWARE"), 10) << pad(QStringLiteral("NAME"), 24) << "PATH\n";
    for (const ListedCamera &camera : cameras) {
        m_out << pad(QString::number(camera.number), 4) << pad(camera.stateText(), 22)
              << pad(camera.isNormal() ? QString::number(camera.model) : QStringLiteral("-"), 7)
              << pad(camera.isNormal() && !camera.firmware.isEmpty() ? camera.firmware : QStringLiteral("-"), 10)
              << pad(camera.name, 24) << camera.path << '\n';
    }
}

void CtlOutput::showProgress(const QString &what, int percent)
{
    if (m_json || !m_terminal)
        return;
    const int filled = percent * kBarWidth / 100;
    m_out << '\r' << what << " [" << QString(filled, QLatin1Char('#')) << QString(kBarWidth - filled, QLatin1Char(' '))
          << "] " << QString::number(percent).rightJustified(3) << '%';
    m_out.flush();
    m_progressShown = true;
}

void CtlOutput::endProgress()
{
    if (m_progressShown)
        m_out << '\n';
    m_progressShown = false;
}

QJsonObject CtlOutput::upgradeRow(const UpgradeBatch::Outcome &outcome, bool recovery)
{
    using Outcome = UpgradeBatch::Outcome;
    const ListedCamera &camera = outcome.camera;
    QString status;
    QString message;
    QString detail;
    switch (outcome.status) {
    case Outcome::Refused:
        status = QStringLiteral("refused");
        message = plain(notices::packageModelMismatch());
        detail = QStringLiteral("package model %1, camera model %2").arg(outcome.packageModel).arg(camera.model);
        break;
    case Outcome::Failed:
        status = QStringLiteral("failed");
        message = plain(notices::upgradeFailed());
        detail = outcome.detail;
        break;
    case Outcome::Done:
        status = QStringLiteral("done");
        message = plain(notices::upgradeDone());
        if (recovery && !outcome.cameBackAs.path.isEmpty())
            detail = QStringLiteral("back as %1 (%2)").arg(outcome.cameBackAs.name, outcome.cameBackAs.path);
        else if (outcome.firmwareAfter.isEmpty())
            detail = QStringLiteral("the camera has not come back yet");
        break;
    }
    QJsonObject row{{QStringLiteral("camera"), camera.toJsonObject()},
                    {QStringLiteral("status"), status},
                    {QStringLiteral("message"), message}};
    if (camera.isNormal())
        row.insert(QStringLiteral("firmwareBefore"), camera.firmware);
    if (!detail.isEmpty())
        row.insert(QStringLiteral("detail"), detail);
    if (!outcome.firmwareAfter.isEmpty())
        row.insert(QStringLiteral("firmwareAfter"), outcome.firmwareAfter);
    if (!outcome.leftStuck.state.isEmpty()) {
        row.insert(QStringLiteral("stateAfter"), outcome.leftStuck.state);
        row.insert(QStringLiteral("pathAfter"), outcome.leftStuck.path);
    }
    if (recovery) {
        row.insert(QStringLiteral("modelChecked"), outcome.modelChecked);
        if (!outcome.warning.isEmpty())
            row.insert(QStringLiteral("warning"), outcome.warning);
    }
    return row;
}

bool CtlOutput::upgradeSummary(const QJsonArray &rows)
{
    bool allDone = true;
    for (const QJsonValue &row : rows)
        allDone = allDone && row.toObject().value(QStringLiteral("status")).toString() == QLatin1String("done");
    if (m_json) {
        m_out << QJsonDocument(QJsonObject{{QStringLiteral("results"), rows}}).toJson();
        return allDone;
    }
    m_out << '\n'
          << pad(QStringLiteral("#"), 4) << pad(QStringLiteral("CAMERA"), 28) << pad(QStringLiteral("BEFORE"), 10)
          << pad(QStringLiteral("AFTER"), 10) << pad(QStringLiteral("RESULT"), 9) << "MESSAGE\n";
    for (const QJsonValue &value : rows) {
        const QJsonObject row = value.toObject();
        const QJsonObject camera = row.value(QStringLiteral("camera")).toObject();
        auto text = [](const QString &s) { return s.isEmpty() ? QStringLiteral("-") : s; };
        m_out << pad(QString::number(camera.value(QStringLiteral("index")).toInt()), 4)
              << pad(camera.value(QStringLiteral("name")).toString(), 28)
              << pad(text(row.value(QStringLiteral("firmwareBefore")).toString()), 10)
              << pad(text(row.value(QStringLiteral("firmwareAfter")).toString()), 10)
              << pad(row.value(QStringLiteral("status")).toString(), 9) << row.value(QStringLiteral("message")).toString();
        const QString detail = row.value(QStringLiteral("detail")).toString();
        if (!detail.isEmpty())
            m_out << " (" << detail << ')';
        m_out << '\n';
        if (row.contains(QStringLiteral("stateAfter"))) {
            ListedCamera left;
            left.state = row.value(QStringLiteral("stateAfter")).toString();
            const bool before = camera.value(QStringLiteral("state")).toString() != QLatin1String("normal");
            m_out << "    " << (before ? "still " : "") << left.stateText() << " as "
                  << row.value(QStringLiteral("pathAfter")).toString()
                  << "; bring it back with lensdeskctl recover PACKAGE\n";
        }
    }
    return allDone;
}
