#include "ctl/CtlOutput.h"

#include "core/NoticeTexts.h"
#include "ctl/CtlArguments.h"

#include <QJsonDocument>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr int kBarWidth = 30;

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QString dash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

// Rows of columns, each column as wide as its widest cell plus two spaces; the last
// column is not padded.
QString table(const QList<QStringList> &rows)
{
    QVector<int> widths;
    for (const QStringList &row : rows) {
        for (int i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths.append(0);
            widths[i] = std::max(widths.at(i), int(row.at(i).size()));
        }
    }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? CtlOutput::pad(row.at(i), widths.at(i) + 2) : row.at(i);
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString statusWord(UpgradeBatch::Outcome::Status status)
{
    using Outcome = UpgradeBatch::Outcome;
    switch (status) {
    case Outcome::Done:
        return QStringLiteral("done");
    case Outcome::Refused:
        return QStringLiteral("refused");
    case Outcome::Failed:
        return QStringLiteral("failed");
    case Outcome::Skipped:
        return QStringLiteral("skipped");
    case Outcome::Planned:
        return QStringLiteral("planned");
    }
    return QString();
}

} // namespace

CtlOutput::CtlOutput(QTextStream &out, QTextStream &err, bool terminal)
    : m_out(out)
    , m_err(err)
    , m_terminal(terminal)
{
}

QString CtlOutput::pad(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '));
}

QString CtlOutput::plain(const QString &notice)
{
    static const QRegularExpression heading(QStringLiteral("^<h3>(.*)</h3>\\s*"));
    static const QRegularExpression runTogether(QStringLiteral("([a-z][.!?])([A-Z])"));
    QString text = notice;
    const QRegularExpressionMatch m = heading.match(text);
    if (m.hasMatch()) {
        const QString title = m.captured(1);
        const bool stop = title.endsWith(QLatin1Char('!')) || title.endsWith(QLatin1Char('.'));
        text = title + (stop ? QStringLiteral(" ") : QStringLiteral(": ")) + text.mid(m.capturedLength());
    }
    return text.replace(runTogether, QStringLiteral("\\1 \\2")).simplified();
}

QJsonArray CtlOutput::camerasJson(const QList<ListedCamera> &cameras)
{
    QJsonArray array;
    for (const ListedCamera &camera : cameras)
        array.append(camera.toJsonObject());
    return array;
}

int CtlOutput::json(QJsonObject result, int code)
{
    if (!m_command.isEmpty())
        result.insert(QStringLiteral("command"), m_command);
    result.insert(QStringLiteral("exitCode"), code);
    m_out << QJsonDocument(result).toJson();
    return code;
}

int CtlOutput::fail(int code, const QString &message, const QList<ListedCamera> &matches)
{
    if (m_json) {
        QJsonObject o{{QStringLiteral("error"), message.trimmed()}};
        if (!matches.isEmpty())
            o.insert(QStringLiteral("matches"), camerasJson(matches));
        return json(o, code);
    }
    m_err << "lensdeskctl: " << message.trimmed() << '\n';
    for (const ListedCamera &camera : matches)
        m_err << "  " << camera.number << "  " << camera.name << "  " << camera.path << '\n';
    return code;
}

int CtlOutput::usageError(const QString &message)
{
    constexpr int kBadUsage = 2;
    const QString usage = CtlArguments::usageLine(m_command);
    if (m_json)
        return json(QJsonObject{{QStringLiteral("error"), message.trimmed()}, {QStringLiteral("usage"), usage}},
                    kBadUsage);
    m_err << "lensdeskctl: " << message.trimmed() << '\n'
          << "Usage: " << usage << '\n'
          << (m_command.isEmpty() ? QStringLiteral("lensdeskctl --help describes the commands.")
                                  : QStringLiteral("lensdeskctl %1 --help describes it.").arg(m_command))
          << '\n';
    return kBadUsage;
}

void CtlOutput::cameraTable(const QList<ListedCamera> &cameras)
{
    QList<QStringList> rows{{QStringLiteral("#"), QStringLiteral("STATE"), QStringLiteral("MODEL"),
                             QStringLiteral("FIRMWARE"), QStringLiteral("NODE"), QStringLiteral("SERIAL"),
                             QStringLiteral("NAME"), QStringLiteral("PATH")}};
    for (const ListedCamera &camera : cameras) {
        rows << QStringList{QString::number(camera.number),
                            camera.stateText(),
                            camera.knowsModel() ? QString::number(camera.model) : QStringLiteral("-"),
                            dash(camera.isNormal() ? camera.firmware : QString()),
                            dash(camera.videoNode),
                            dash(camera.serial),
                            camera.name,
                            camera.path};
    }
    m_out << table(rows);
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
    QString message;
    QString detail;
    switch (outcome.status) {
    case Outcome::Refused:
        message = plain(notices::packageModelMismatch());
        detail = camera.knowsModel()
            ? QStringLiteral("package model %1, camera model %2").arg(outcome.packageModel).arg(camera.model)
            : QStringLiteral("package model %1").arg(outcome.packageModel);
        break;
    case Outcome::Failed:
        message = plain(notices::upgradeFailed());
        detail = outcome.detail;
        break;
    case Outcome::Done:
        message = plain(notices::upgradeDone());
        if (recovery && !outcome.cameBackAs.path.isEmpty())
            detail = QStringLiteral("back as %1 (%2)").arg(outcome.cameBackAs.name, outcome.cameBackAs.path);
        else if (outcome.firmwareAfter.isEmpty())
            detail = QStringLiteral("the camera has not come back yet");
        break;
    case Outcome::Skipped:
        message = QStringLiteral("The camera runs firmware %1 already; --force upgrades it all the same.")
                      .arg(camera.firmware);
        break;
    case Outcome::Planned:
        message = recovery ? QStringLiteral("Would be recovered.")
                           : QStringLiteral("Would be upgraded from %1 to %2.")
                                 .arg(dash(camera.firmware), dash(outcome.packageVersion));
        break;
    }
    const bool ran = outcome.status == Outcome::Done || outcome.status == Outcome::Failed;
    return QJsonObject{
        {QStringLiteral("camera"), camera.toJsonObject()},
        {QStringLiteral("status"), statusWord(outcome.status)},
        {QStringLiteral("message"), message},
        {QStringLiteral("detail"), textOrNull(detail)},
        {QStringLiteral("packageModel"), outcome.packageModel},
        {QStringLiteral("packageVersion"), textOrNull(outcome.packageVersion)},
        {QStringLiteral("modelChecked"), outcome.modelChecked},
        {QStringLiteral("warning"), textOrNull(outcome.warning)},
        {QStringLiteral("firmwareBefore"), textOrNull(camera.isNormal() ? camera.firmware : QString())},
        {QStringLiteral("firmwareAfter"), textOrNull(ran ? outcome.firmwareAfter : QString())},
        {QStringLiteral("stateAfter"), textOrNull(outcome.leftStuck.state)},
        {QStringLiteral("pathAfter"), textOrNull(outcome.leftStuck.path)},
    };
}

int CtlOutput::upgradeSummary(const QJsonArray &rows, const QJsonObject &package, bool dryRun)
{
    bool allDone = true;
    for (const QJsonValue &row : rows) {
        const QString status = row.toObject().value(QStringLiteral("status")).toString();
        allDone = allDone
            && (status == QLatin1String("done") || status == QLatin1String("skipped")
                || (dryRun && status == QLatin1String("planned")));
    }
    const int code = allDone ? 0 : 1;
    if (m_json)
        return json(QJsonObject{{QStringLiteral("dryRun"), dryRun},
                                {QStringLiteral("package"), package},
                                {QStringLiteral("results"), rows}},
                    code);
    auto text = [](const QJsonValue &v) { return dash(v.toString()); };
    if (dryRun) {
        m_out << "Package " << package.value(QStringLiteral("file")).toString() << ": model "
              << package.value(QStringLiteral("model")).toInt() << ", firmware "
              << text(package.value(QStringLiteral("version"))) << '\n';
    }
    QList<QStringList> lines{{QStringLiteral("#"), QStringLiteral("CAMERA"), QStringLiteral("BEFORE"),
                              dryRun ? QStringLiteral("PACKAGE") : QStringLiteral("AFTER"), QStringLiteral("RESULT"),
                              QStringLiteral("MESSAGE")}};
    QMap<int, QStringList> notes;
    for (const QJsonValue &value : rows) {
        const QJsonObject row = value.toObject();
        const QJsonObject camera = row.value(QStringLiteral("camera")).toObject();
        QString message = row.value(QStringLiteral("message")).toString();
        const QString detail = row.value(QStringLiteral("detail")).toString();
        if (!detail.isEmpty())
            message += QStringLiteral(" (") + detail + QLatin1Char(')');
        lines << QStringList{QString::number(camera.value(QStringLiteral("index")).toInt()),
                             camera.value(QStringLiteral("name")).toString(),
                             text(row.value(QStringLiteral("firmwareBefore"))),
                             text(row.value(dryRun ? QStringLiteral("packageVersion") : QStringLiteral("firmwareAfter"))),
                             row.value(QStringLiteral("status")).toString(),
                             message};
        if (!row.value(QStringLiteral("stateAfter")).isNull()) {
            ListedCamera left;
            left.state = row.value(QStringLiteral("stateAfter")).toString();
            const bool before = camera.value(QStringLiteral("state")).toString() != QLatin1String("normal");
            notes[lines.size() - 1] << (QStringLiteral("    %1%2 as %3; bring it back with lensdeskctl recover PACKAGE")
                                              .arg(before ? QStringLiteral("still ") : QString(), left.stateText(),
                                                   row.value(QStringLiteral("pathAfter")).toString()));
        }
        // A real run has said so on standard error as the camera's turn came.
        if (dryRun && !row.value(QStringLiteral("warning")).isNull())
            notes[lines.size() - 1] << QStringLiteral("    warning: ") + row.value(QStringLiteral("warning")).toString();
    }
    const QStringList formatted = table(lines).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!dryRun)
        m_out << '\n';
    for (int i = 0; i < formatted.size(); ++i) {
        m_out << formatted.at(i) << '\n';
        for (const QString &note : notes.value(i))
            m_out << note << '\n';
    }
    if (dryRun)
        m_out << "Dry run: nothing was sent to any camera.\n";
    return code;
}
