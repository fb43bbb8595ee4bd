#include "catalogue/Catalogue.h"

#include "core/Language.h"

#include <QDebug>

#include <array>

namespace {

using LocalizedTable = std::array<OptionTable, kLanguageCount>;

const OptionTable &pick(const LocalizedTable &tables, int language)
{
    if (language < 0 || language >= kLanguageCount)
        language = E_L_EN;
    return tables[static_cast<size_t>(language)];
}

// The text between the end of marker and the next "&", both searched in text; false when
// either is missing or the "&" stands within the marker.
bool fieldAfter(const QString &text, const QString &marker, QString *field, int *ampersand)
{
    const int start = text.indexOf(marker);
    const int end = text.indexOf(QLatin1Char('&'));
    if (start < 0 || end < 0 || end < start + marker.size())
        return false;
    *field = text.mid(start + marker.size(), end - start - marker.size());
    *ampersand = end;
    return true;
}

quint32 hexValue(const QString &digits, bool *ok)
{
    const quint32 value = (QLatin1String("0x") + digits).toUInt(ok, 16);
    return *ok ? value : 0;
}

} // namespace

const QVector<ProductModel> &productModelTable()
{
    static const QVector<ProductModel> table = {
        {0x3749, 0x030A, 0, QStringLiteral("Orvia Vista Pro Cam")},
        {0x1D6B, 0x0309, 4, QStringLiteral("KT-RBN41-000")},
        {0x1D6B, 0x0101, 2, QStringLiteral("ZX KT-M-P27")},
        {0x1D6B, 0x0101, 2, QStringLiteral("KT-MP27-000")},
        {0x1D6B, 0x0110, 3, QStringLiteral("KT-DOR27-000")},
        {0x1D6B, 0x0104, 1, QStringLiteral("KT-M41-000")},
        {0x1D6B, 0x0307, 5, QStringLiteral("LNS410A-000")},
        {0x1D6B, 0x030A, 6, QStringLiteral("LNS611-000")},
        {0x1D6B, 0xC010, 7, QStringLiteral("LNS612-000")},
        {0x1D6B, 0xC014, 8, QStringLiteral("LNS612-001")},
        {0x1D6B, 0xC00B, 9, QStringLiteral("Sightra 5")},
        {0x343B, 0x0110, 10, QStringLiteral("ARBOR 50F")},
        {0x343B, 0x0111, 11, QStringLiteral("ARBOR 50A")},
        {0x343B, 0x0103, 12, QStringLiteral("ARBOR 110")},
        {0x343B, 0x0305, 13, QStringLiteral("ARBOR 220")},
        {0x343B, 0x0306, 14, QStringLiteral("ARBOR 230")},
        {0x343B, 0x0307, 15, QStringLiteral("ARBOR 150A")},
        {0x343B, 0x0308, 16, QStringLiteral("ARBOR 150F")},
    };
    return table;
}

const QVector<Manufacturer> &manufacturerTable()
{
    static const QVector<Manufacturer> table = {
        {0, 0x1D6B, QStringLiteral("KT")},
        {1, 0x343B, QStringLiteral("Tessaline")},
        {2, 0x3749, QStringLiteral("KT")},
    };
    return table;
}

const QVector<quint32> &supportedProductIds()
{
    static const QVector<quint32> ids = {0x030A};
    return ids;
}

const QStringList &hotplugProductMarkers()
{
    static const QStringList markers = {QStringLiteral("pid_030A")};
    return markers;
}

const OptionTable &connectionStateLabels(int language)
{
    static const LocalizedTable tables = {{
        {{0, QStringLiteral("CONNECTED")}, {1, QStringLiteral("DISCONNECTED")}},
        {{0, QStringLiteral("VERBUNDEN")}, {1, QStringLiteral("NICHT VERBUNDEN")}},
        {{0, QStringLiteral("BRANCHÉ")}, {1, QStringLiteral("DÉBRANCHÉ")}},
        {{0, QStringLiteral("CONECTADO")}, {1, QStringLiteral("DESCONECTADO")}},
        {{0, QStringLiteral("CONNESSO")}, {1, QStringLiteral("DISCONNESSO")}},
    }};
    return pick(tables, language);
}

const OptionTable &trackingModeOptions(int language)
{
    // There is no mode 2.
    static const LocalizedTable tables = {{
        {{0, QStringLiteral("Off")}, {1, QStringLiteral("Auto Framing")}, {3, QStringLiteral("Presenter Tracking")}},
        {{0, QStringLiteral("Aus")},
         {1, QStringLiteral("Automatisches Framing")},
         {3, QStringLiteral("Sprecher-Tracking")}},
        {{0, QStringLiteral("Éteint")},
         {1, QStringLiteral("Cadrage automatique")},
         {3, QStringLiteral("Suivi par la télécommande de présentation")}},
        {{0, QStringLiteral("Apagado")},
         {1, QStringLiteral("Encuadre automático")},
         {3, QStringLiteral("Seguimiento de retroproyector")}},
        {{0, QStringLiteral("Spento")},
         {1, QStringLiteral("Inquadratura automatica")},
         {3, QStringLiteral("Monitoraggio del relatore")}},
    }};
    return pick(tables, language);
}

const OptionTable &trackingEffectOptions(int language)
{
    static const LocalizedTable tables = {{
        {{1, QStringLiteral("Smooth")}, {0, QStringLiteral("Immediate")}},
        {{1, QStringLiteral("Fließend")}, {0, QStringLiteral("Unmittelbar")}},
        {{1, QStringLiteral("Fluide")}, {0, QStringLiteral("Immédiat")}},
        {{1, QStringLiteral("Suave")}, {0, QStringLiteral("Inmediato")}},
        {{1, QStringLiteral("Liscio")}, {0, QStringLiteral("Immediato")}},
    }};
    return pick(tables, language);
}

const OptionTable &trackingSpeedOptions(int language)
{
    static const LocalizedTable tables = {{
        {{0, QStringLiteral("Slow")}, {1, QStringLiteral("Normal")}, {2, QStringLiteral("Fast")}},
        {{0, QStringLiteral("Langsam")}, {1, QStringLiteral("Normal")}, {2, QStringLiteral("Schnell")}},
        {{0, QStringLiteral("Lente")}, {1, QStringLiteral("Normale")}, {2, QStringLiteral("Rapide")}},
        {{0, QStringLiteral("Lento")}, {1, QStringLiteral("Normal")}, {2, QStringLiteral("Rápido")}},
        {{0, QStringLiteral("Lento")}, {1, QStringLiteral("Normale")}, {2, QStringLiteral("Veloce")}},
    }};
    return pick(tables, language);
}

const OptionTable &antiFlickerOptions()
{
    static const OptionTable table = {{1, QStringLiteral("50Hz")}, {2, QStringLiteral("60Hz")}};
    return table;
}

const OptionTable &microphoneOptions()
{
    static const OptionTable table = {{1, QStringLiteral("Enable")}, {0, QStringLiteral("Disable")}};
    return table;
}

const OptionTable &optionTable(OptionKind kind, int language)
{
    switch (kind) {
    case OptionKind::ConnectionState: return connectionStateLabels(language);
    case OptionKind::TrackingMode: return trackingModeOptions(language);
    case OptionKind::TrackingEffect: return trackingEffectOptions(language);
    case OptionKind::TrackingSpeed: return trackingSpeedOptions(language);
    case OptionKind::AntiFlicker: return antiFlickerOptions();
    case OptionKind::Microphone: return microphoneOptions();
    }
    return microphoneOptions();
}

bool parseVidPid(const QString &path, quint32 &vendorId, quint32 &productId)
{
    if (path.isEmpty())
        return false;

    QString digits;
    int ampersand = -1;
    if (!fieldAfter(path, QStringLiteral("vid_"), &digits, &ampersand))
        return false;
    bool ok = false;
    vendorId = hexValue(digits, &ok);

    if (!fieldAfter(path.mid(ampersand + 1), QStringLiteral("pid_"), &digits, &ampersand))
        return false;
    productId = hexValue(digits, &ok);

    qDebug() << "vid:" << vendorId << " pid:" << productId;
    return ok;
}

qint32 modelFromName(const QString &friendlyName)
{
    for (const ProductModel &row : productModelTable()) {
        if (friendlyName.contains(row.modelName, Qt::CaseInsensitive))
            return row.model;
    }
    return kUnknownModel;
}

qint32 modelFromVidPid(quint32 vendorId, quint32 productId)
{
    for (const ProductModel &row : productModelTable()) {
        if (row.vendorId == vendorId && row.productId == productId)
            return row.model;
    }
    return kUnknownModel;
}

Manufacturer manufacturerLookup(qint32 manufacturer)
{
    for (const Manufacturer &row : manufacturerTable()) {
        if (row.manufacturer == manufacturer)
            return row;
    }
    return {manufacturer, 0, QString()};
}

bool isSupportedDevice(const QString &id, quint32 activeVendorId)
{
    quint32 vendorId = 0;
    quint32 productId = 0;
    if (!parseVidPid(id, vendorId, productId))
        return false;
    // A vendor field that does not convert reads as 0; it must not match "no manufacturer".
    if (activeVendorId == 0)
        return false;
    return vendorId == activeVendorId && supportedProductIds().contains(productId);
}

int indexOfOptionValue(const OptionTable &table, qint32 value)
{
    for (int i = 0; i < table.size(); ++i) {
        if (table.at(i).value == value)
            return i;
    }
    return -1;
}
