#pragma once
#include "camera/PositionPreset.h"
#include "upgrade/ListedCamera.h"

#include <QMap>

#include <QJsonObject>
#include <QString>
#include <QStringList>

// All settings of a camera as a small JSON file:
//
//   { "format": "lensdesk-preset", "version": 1,
//     "camera": { "name": "...", "model": 0, "firmware": "1.0.22" },
//     "settings": { "zoom": 100, "pan": 0, "hdr": "off", "tracking-mode": "off", ... },
//     "presets": { "1": { "pan": 4, "tilt": -3, "zoom": 250 }, "2": { ..., "focus": 300 } } }
//
// The values are those lensdeskctl get shows: numbers for ranges, "on"/"off" for
// switches and the option words for lists. "presets" (optional) carries the camera's
// stored position presets by number; focus only where the preset keeps it.
class Preset
{
public:
    static constexpr int kVersion = 1;

    Preset() = default;
    Preset(const ListedCamera &camera, const QJsonObject &settings,
           const QMap<int, PositionPreset> &positions = {});

    QJsonObject camera() const { return m_camera; }
    QJsonObject settings() const { return m_settings; }
    QMap<int, PositionPreset> positions() const { return m_positions; }
    // The position presets as the file holds them.
    static QJsonObject positionsJson(const QMap<int, PositionPreset> &positions);
    static QJsonObject positionJson(const PositionPreset &position);
    // "pan=4 tilt=-3 zoom=250 focus=300", as lensdeskctl shows a position.
    static QString positionText(const PositionPreset &position);
    QJsonObject toJsonObject() const;

    bool save(const QString &file, QString *error) const;
    // False with a message for a file that does not read or is no preset (of this version).
    bool readFile(const QString &file, QString *error);
    // The same for a preset's bytes; name stands for their source in messages.
    bool read(const QByteArray &data, const QString &name, QString *error);

private:
    QJsonObject m_camera;
    QJsonObject m_settings;
    QMap<int, PositionPreset> m_positions;
};
