// lensdeskctl's preset files ("apply FILE"): the JSON reader with its position presets,
// then every setting it holds through the checks "apply" makes before a camera is asked
// (the name, the value's kind, the order of writing, the value's text). The input is
// the file.
#include "FuzzSupport.h"

#include "ctl/CameraSession.h"
#include "ctl/Preset.h"

#include <QJsonDocument>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    static const QString file = fuzzsupport::scratchDir() + QStringLiteral("/preset.json");
    if (size > 65536)
        return 0;
    fuzzsupport::writeFile(file, fuzzsupport::bytes(data, size));
    Preset preset;
    QString error;
    if (!preset.readFile(file, &error)) {
        if (error.isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    const QJsonObject settings = preset.settings();
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        if (!CameraSession::isSetting(it.key()))
            continue;
        QString why;
        CameraSession::checkValue(it.key(), it.value(), &why);
        CameraSession::writeRank(it.key(), it.value());
        CameraSession::valueText(it.value());
    }
    const QMap<int, PositionPreset> positions = preset.positions();
    for (auto it = positions.begin(); it != positions.end(); ++it) {
        if (it.key() < 1 || it.key() > 9)
            std::abort();
        Preset::positionText(it.value());
    }
    // What "save" would write of it.
    QJsonDocument(preset.toJsonObject()).toJson();
    return 0;
}
