#include "camera/PresetStore.h"

#include "core/SettingsStore.h"

#include <QDebug>

namespace {

// Reads one whole number; false for a missing or malformed value.
bool readNumber(const SettingsStore &settings, const QString &key, int *value)
{
    const QVariant v = settings.value(key);
    if (!v.isValid())
        return false;
    bool ok = false;
    *value = v.toString().trimmed().toInt(&ok);
    return ok;
}

} // namespace

PresetStore::PresetStore(SettingsStore &settings)
    : m_settings(settings)
{
}

QString PresetStore::cameraKey(const QString &serial, const QString &devicePath)
{
    const QString s = serial.trimmed();
    if (!s.isEmpty())
        return QStringLiteral("serial:") + s;
    if (!devicePath.isEmpty())
        return QStringLiteral("path:") + devicePath;
    return QString();
}

QString PresetStore::group(const QString &cameraKey, int number)
{
    // Serials and paths may hold "/", "\" and anything else, and an ini file is not case
    // sensitive everywhere: the hexadecimal UTF-8 of the key is safe and unique.
    return QStringLiteral("presets/%1/%2").arg(QString::fromLatin1(cameraKey.toUtf8().toHex())).arg(number);
}

std::optional<PositionPreset> PresetStore::preset(const QString &cameraKey, int number) const
{
    if (cameraKey.isEmpty() || !isNumber(number))
        return std::nullopt;
    const QString g = group(cameraKey, number) + QLatin1Char('/');
    PositionPreset p;
    if (!readNumber(m_settings, g + QStringLiteral("pan"), &p.pan)
        || !readNumber(m_settings, g + QStringLiteral("tilt"), &p.tilt)
        || !readNumber(m_settings, g + QStringLiteral("zoom"), &p.zoom))
        return std::nullopt;
    p.hasFocus = readNumber(m_settings, g + QStringLiteral("focus"), &p.focus);
    if (!p.hasFocus)
        p.focus = 0;
    return p;
}

QMap<int, PositionPreset> PresetStore::all(const QString &cameraKey) const
{
    QMap<int, PositionPreset> presets;
    for (int number = 1; number <= kCount; ++number) {
        if (const std::optional<PositionPreset> p = preset(cameraKey, number))
            presets.insert(number, *p);
    }
    return presets;
}

void PresetStore::store(const QString &cameraKey, int number, const PositionPreset &preset)
{
    if (cameraKey.isEmpty() || !isNumber(number)) {
        qWarning() << "No preset" << number << "for camera" << cameraKey;
        return;
    }
    const QString g = group(cameraKey, number);
    // A focus of an earlier preset at this number must not linger.
    m_settings.remove(g);
    m_settings.setValue(g + QStringLiteral("/pan"), preset.pan);
    m_settings.setValue(g + QStringLiteral("/tilt"), preset.tilt);
    m_settings.setValue(g + QStringLiteral("/zoom"), preset.zoom);
    if (preset.hasFocus)
        m_settings.setValue(g + QStringLiteral("/focus"), preset.focus);
    m_settings.sync();
}

void PresetStore::clear(const QString &cameraKey, int number)
{
    if (cameraKey.isEmpty() || !isNumber(number))
        return;
    m_settings.remove(group(cameraKey, number));
    m_settings.sync();
}
