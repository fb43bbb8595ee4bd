#pragma once
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

// The fixed knowledge about the supported cameras: which USB identifiers and names
// belong to which model, the manufacturers an installation can be configured for, and
// the value/label pairs of the option lists. All tables are constant.

// The model number of a camera that matches no row.
constexpr qint32 kUnknownModel = 255;

struct ProductModel
{
    quint32 vendorId;
    quint32 productId;
    qint32 model;
    QString modelName; // occurs inside the camera's friendly name
};

struct Manufacturer
{
    qint32 manufacturer;
    quint32 vendorId;
    QString name;
};

struct OptionEntry
{
    qint32 value; // as sent to and read from the camera
    QString label;
};

using OptionTable = QVector<OptionEntry>;

// The tables, in the order they are searched.
const QVector<ProductModel> &productModelTable();
const QVector<Manufacturer> &manufacturerTable();
const QVector<quint32> &supportedProductIds();
// Texts the device-change handling looks for in a device path.
const QStringList &hotplugProductMarkers();

// The option tables. Those with labels per language take a language index (0 English,
// 1 German, 2 French, 3 Spanish, 4 Italian); an index outside that range gives English.
enum class OptionKind {
    ConnectionState,
    TrackingMode,
    TrackingEffect,
    TrackingSpeed,
    AntiFlicker,
    Microphone,
};
const OptionTable &optionTable(OptionKind kind, int language);
const OptionTable &connectionStateLabels(int language);
const OptionTable &trackingModeOptions(int language);
const OptionTable &trackingEffectOptions(int language);
const OptionTable &trackingSpeedOptions(int language);
const OptionTable &antiFlickerOptions();
const OptionTable &microphoneOptions();

// Reads the vendor and product identifiers from the "vid_XXXX&pid_XXXX&" run of a device
// path or camera id. The markers are case-sensitive and the product digits must be
// followed by "&". vendorId is stored as soon as it is read, even when the product part
// then fails; a text that is not hexadecimal stores 0. Returns whether the product
// identifier was read.
bool parseVidPid(const QString &path, quint32 &vendorId, quint32 &productId);

// The model of the first row whose name occurs in friendlyName (any letter case), or
// kUnknownModel.
qint32 modelFromName(const QString &friendlyName);

// The model of the first row with both identifiers, or kUnknownModel.
qint32 modelFromVidPid(quint32 vendorId, quint32 productId);

// The row of a manufacturer number; an unknown number gives an empty name and vendor 0.
Manufacturer manufacturerLookup(qint32 manufacturer);

// Whether the camera list accepts the capture device with this id: its identifiers
// parse, its vendor is the active one and its product is supported. An active vendor of
// 0 (no manufacturer configured) accepts nothing.
bool isSupportedDevice(const QString &id, quint32 activeVendorId);

// The index of the first entry with this value, or -1.
int indexOfOptionValue(const OptionTable &table, qint32 value);
