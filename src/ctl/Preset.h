#pragma once
#include "upgrade/ListedCamera.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// All settings of a camera as a small JSON file:
//
//   { "format": "lensdesk-preset", "version": 1,
//     "camera": { "name": "...", "model": 0, "firmware": "1.0.22" },
//     "settings": { "zoom": 100, "pan": 0, "hdr": "off", "tracking-mode": "off", ... } }
//
// The values are those lensdeskctl get shows: numbers for ranges, "on"/"off" for
// switches and the option words for lists.
class Preset
{
public:
    static constexpr int kVersion = 1;

    Preset() = default;
    Preset(const ListedCamera &camera, const QJsonObject &settings);

    QJsonObject camera() const { return m_camera; }
    QJsonObject settings() const { return m_settings; }
    QJsonObject toJsonObject() const;

    bool save(const QString &file, QString *error) const;
    // False with a message for a file that does not read or is no preset (of this version).
    bool readFile(const QString &file, QString *error);

private:
    QJsonObject m_camera;
    QJsonObject m_settings;
};
