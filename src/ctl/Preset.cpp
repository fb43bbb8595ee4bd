#include "ctl/Preset.h"

#include "camera/PresetStore.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>

namespace {
const char kFormat[] = "lensdesk-preset";
// A preset is a few hundred bytes; anything far larger is no preset.
constexpr qint64 kMaxPresetSize = 1024 * 1024;

// A whole number of the member, when there is one.
bool wholeNumber(const QJsonObject &o, const char *name, int *value)
{
    const QJsonValue v = o.value(QLatin1String(name));
    if (!v.isDouble() || v.toDouble() != static_cast<double>(v.toInt()))
        return false;
    *value = v.toInt();
    return true;
}

bool readPositions(const QJsonObject &presets, QMap<int, PositionPreset> *positions, QString *error)
{
    for (auto it = presets.begin(); it != presets.end(); ++it) {
        bool ok = false;
        const int number = it.key().toInt(&ok);
        if (!ok || !PresetStore::isNumber(number) || it.key() != QString::number(number)) {
            *error = QStringLiteral("\"presets\" holds \"%1\"; the presets are numbered 1 to %2")
                         .arg(it.key())
                         .arg(PresetStore::kCount);
            return false;
        }
        const QJsonObject o = it.value().toObject();
        PositionPreset p;
        if (!it.value().isObject() || !wholeNumber(o, "pan", &p.pan) || !wholeNumber(o, "tilt", &p.tilt)
            || !wholeNumber(o, "zoom", &p.zoom)) {
            *error = QStringLiteral("preset %1 needs whole numbers \"pan\", \"tilt\" and \"zoom\"").arg(number);
            return false;
        }
        if (o.contains(QStringLiteral("focus"))) {
            if (!wholeNumber(o, "focus", &p.focus)) {
                *error = QStringLiteral("preset %1: \"focus\" must be a whole number").arg(number);
                return false;
            }
            p.hasFocus = true;
        }
        positions->insert(number, p);
    }
    return true;
}

} // namespace

Preset::Preset(const ListedCamera &camera, const QJsonObject &settings, const QMap<int, PositionPreset> &positions)
    : m_camera{{QStringLiteral("name"), camera.name},
               {QStringLiteral("model"), camera.model},
               {QStringLiteral("firmware"), camera.firmware}}
    , m_settings(settings)
    , m_positions(positions)
{
}

QJsonObject Preset::positionJson(const PositionPreset &position)
{
    QJsonObject o{{QStringLiteral("pan"), position.pan},
                  {QStringLiteral("tilt"), position.tilt},
                  {QStringLiteral("zoom"), position.zoom}};
    if (position.hasFocus)
        o.insert(QStringLiteral("focus"), position.focus);
    return o;
}

QString Preset::positionText(const PositionPreset &p)
{
    QString text = QStringLiteral("pan=%1 tilt=%2 zoom=%3").arg(p.pan).arg(p.tilt).arg(p.zoom);
    if (p.hasFocus)
        text += QStringLiteral(" focus=%1").arg(p.focus);
    return text;
}

QJsonObject Preset::positionsJson(const QMap<int, PositionPreset> &positions)
{
    QJsonObject o;
    for (auto it = positions.begin(); it != positions.end(); ++it)
        o.insert(QString::number(it.key()), positionJson(it.value()));
    return o;
}

QJsonObject Preset::toJsonObject() const
{
    QJsonObject o{{QStringLiteral("format"), QLatin1String(kFormat)},
                  {QStringLiteral("version"), kVersion},
                  {QStringLiteral("camera"), m_camera},
                  {QStringLiteral("settings"), m_settings}};
    if (!m_positions.isEmpty())
        o.insert(QStringLiteral("presets"), positionsJson(m_positions));
    return o;
}

bool Preset::save(const QString &file, QString *error) const
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(toJsonObject()).toJson()) < 0 || !out.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    return true;
}

bool Preset::readFile(const QString &file, QString *error)
{
    const QFileInfo info(file);
    if (info.isDir()) {
        *error = QStringLiteral("%1 is a directory, not a preset").arg(file);
        return false;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        const QString why = !info.exists() ? QStringLiteral("no such file")
            : in.error() == QFileDevice::OpenError && !info.isReadable() ? QStringLiteral("permission denied")
                                                                          : in.errorString().toLower();
        *error = QStringLiteral("cannot read %1: %2").arg(file, why);
        return false;
    }
    if (in.size() > kMaxPresetSize) {
        *error = QStringLiteral("%1 is no preset: it is too large").arg(file);
        return false;
    }
    return read(in.readAll(), file, error);
}

bool Preset::read(const QByteArray &data, const QString &file, QString *error)
{
    if (data.size() > kMaxPresetSize) {
        *error = QStringLiteral("%1 is no preset: it is too large").arg(file);
        return false;
    }
    if (data.trimmed().isEmpty()) {
        *error = QStringLiteral("%1 is no preset: it is empty").arg(file);
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // Where the text stops being JSON, as an editor counts it.
        const QByteArray before = data.left(parseError.offset);
        const int line = before.count('\n') + 1;
        const int column = parseError.offset - (before.lastIndexOf('\n') + 1) + 1;
        *error = QStringLiteral("%1 is no preset: %2 at line %3, column %4")
                     .arg(file, parseError.errorString())
                     .arg(line)
                     .arg(column);
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("%1 is no preset: it holds a JSON array, not an object").arg(file);
        return false;
    }
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != QLatin1String(kFormat)
        || !root.value(QStringLiteral("settings")).isObject()) {
        *error = QStringLiteral("%1 is no preset: \"format\" must be \"%2\" and \"settings\" an object")
                     .arg(file, QLatin1String(kFormat));
        return false;
    }
    if (root.value(QStringLiteral("version")).toInt(-1) != kVersion) {
        *error = QStringLiteral("%1: preset version %2 is not known (this program reads version %3)")
                     .arg(file, QString::number(root.value(QStringLiteral("version")).toInt(-1)),
                          QString::number(kVersion));
        return false;
    }
    QMap<int, PositionPreset> positions;
    const QJsonValue presets = root.value(QStringLiteral("presets"));
    if (!presets.isUndefined()) {
        QString why;
        if (!presets.isObject())
            why = QStringLiteral("\"presets\" must be an object");
        else
            readPositions(presets.toObject(), &positions, &why);
        if (!why.isEmpty()) {
            *error = QStringLiteral("%1 is no preset: %2").arg(file, why);
            return false;
        }
    }
    m_camera = root.value(QStringLiteral("camera")).toObject();
    m_settings = root.value(QStringLiteral("settings")).toObject();
    m_positions = positions;
    return true;
}
