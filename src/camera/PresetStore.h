#pragma once
#include "camera/PositionPreset.h"

#include <QMap>
#include <QString>

#include <optional>

class SettingsStore;

// The cameras keep no positions of their own, so lensdesk keeps nine per camera, numbered
// 1..9, in the user's settings: one group per camera key under "presets", so that they
// survive restarts and unplugging. A camera is known by its USB serial number where it
// has one, else by its device path.
class PresetStore
{
public:
    static constexpr int kCount = 9;

    explicit PresetStore(SettingsStore &settings);

    // "serial:<serial>" or, for a camera without one, "path:<device path>"; empty when
    // both are empty (such a camera keeps no presets).
    static QString cameraKey(const QString &serial, const QString &devicePath);
    static bool isNumber(int number) { return number >= 1 && number <= kCount; }

    // The preset of that number; none when it holds nothing, when the number is not
    // 1..9 or when what the file holds there is no preset.
    std::optional<PositionPreset> preset(const QString &cameraKey, int number) const;
    // The presets that hold something, by number.
    QMap<int, PositionPreset> all(const QString &cameraKey) const;
    // Both write the settings file at once (a crash must not lose a saved position).
    void store(const QString &cameraKey, int number, const PositionPreset &preset);
    void clear(const QString &cameraKey, int number);

private:
    static QString group(const QString &cameraKey, int number);

    SettingsStore &m_settings;
};
