#include "ctl/Preset.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>

namespace {
const char kFormat[] = "lensdesk-preset";
// A preset is a few hundred bytes; anything far larger is no preset.
constexpr qint64 kMaxPresetSize = 1024 * 1024;
} // namespace

Preset::Preset(const ListedCamera &camera, const QJsonObject &settings)
    : m_camera{{QStringLiteral("name"), camera.name},
               {QStringLiteral("model"), camera.model},
               {QStringLiteral("firmware"), camera.firmware}}
    , m_settings(settings)
{
}

QJsonObject Preset::toJsonObject() const
{
    return QJsonObject{{QStringLiteral("format"), QLatin1String(kFormat)},
                       {QStringLiteral("version"), kVersion},
                       {QStringLiteral("camera"), m_camera},
                       {QStringLiteral("settings"), m_settings}};
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
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(file, in.errorString());
        return false;
    }
    if (in.size() > kMaxPresetSize) {
        *error = QStringLiteral("%1 is no preset: it is too large").arg(file);
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &parseError);
    if (!doc.isObject()) {
        *error = QStringLiteral("%1 is no preset: %2").arg(file, parseError.errorString());
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
    m_camera = root.value(QStringLiteral("camera")).toObject();
    m_settings = root.value(QStringLiteral("settings")).toObject();
    return true;
}
