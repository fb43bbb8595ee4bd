#include "TestSupport.h"

#include "catalogue/Catalogue.h"
#include "core/SharedTexts.h"

#include <QApplication>

namespace {

constexpr quint32 kUntouched = 0xDEADBEEF;

QVector<qint32> valuesOf(const OptionTable &table)
{
    QVector<qint32> values;
    for (const OptionEntry &entry : table)
        values.append(entry.value);
    return values;
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void tablesKeepTheirOrder()
    {
        const QVector<ProductModel> &models = productModelTable();
        QCOMPARE(models.size(), 18);
        QCOMPARE(models.first().modelName, QStringLiteral("Orvia Vista Pro Cam"));
        QCOMPARE(models.first().vendorId, 0x3749u);
        QCOMPARE(models.at(7).productId, 0x030Au);
        QCOMPARE(models.at(7).model, 6);
        QCOMPARE(models.last().modelName, QStringLiteral("ARBOR 150F"));
        QCOMPARE(models.last().model, 16);
        for (int row = 1; row < models.size(); ++row)
            QVERIFY(models.at(row).model != 0); // model 0 belongs to row 0 only

        QCOMPARE(manufacturerTable().size(), 3);
        QCOMPARE(supportedProductIds(), QVector<quint32>({0x030A}));
        // Upper-case "A": the hot-plug search itself ignores case, the marker does not.
        QCOMPARE(hotplugProductMarkers(), QStringList(QStringLiteral("pid_030A")));
    }

    void productModelRows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<uint>("vendor");
        QTest::addColumn<uint>("product");
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("name");
        const struct
        {
            uint vendor;
            uint product;
            int model;
            const char *name;
        } rows[] = {
            {0x3749, 0x030A, 0, "Orvia Vista Pro Cam"}, {0x1D6B, 0x0309, 4, "KT-RBN41-000"},
            {0x1D6B, 0x0101, 2, "ZX KT-M-P27"},         {0x1D6B, 0x0101, 2, "KT-MP27-000"},
            {0x1D6B, 0x0110, 3, "KT-DOR27-000"},        {0x1D6B, 0x0104, 1, "KT-M41-000"},
            {0x1D6B, 0x0307, 5, "LNS410A-000"},         {0x1D6B, 0x030A, 6, "LNS611-000"},
            {0x1D6B, 0xC010, 7, "LNS612-000"},          {0x1D6B, 0xC014, 8, "LNS612-001"},
            {0x1D6B, 0xC00B, 9, "Sightra 5"},           {0x343B, 0x0110, 10, "ARBOR 50F"},
            {0x343B, 0x0111, 11, "ARBOR 50A"},          {0x343B, 0x0103, 12, "ARBOR 110"},
            {0x343B, 0x0305, 13, "ARBOR 220"},          {0x343B, 0x0306, 14, "ARBOR 230"},
            {0x343B, 0x0307, 15, "ARBOR 150A"},         {0x343B, 0x0308, 16, "ARBOR 150F"},
        };
        int row = 0;
        for (const auto &r : rows) {
            QTest::addRow("row %d, %s", row, r.name) << row << r.vendor << r.product << r.model << QString::fromLatin1(r.name);
            ++row;
        }
    }

    void productModelRows()
    {
        QFETCH(int, row);
        QFETCH(uint, vendor);
        QFETCH(uint, product);
        QFETCH(int, model);
        QFETCH(QString, name);
        const ProductModel &entry = productModelTable().at(row);
        QCOMPARE(entry.vendorId, quint32(vendor));
        QCOMPARE(entry.productId, quint32(product));
        QCOMPARE(entry.model, model);
        QCOMPARE(entry.modelName, name);
        // Found by its identifiers and by its name inside a longer friendly name.
        QCOMPARE(modelFromVidPid(vendor, product), model);
        QCOMPARE(modelFromName(QStringLiteral("USB ") + name.toLower() + QStringLiteral(" Camera")), model);
        // The vendor alone identifies nothing.
        QCOMPARE(modelFromVidPid(vendor, product + 0x1000), kUnknownModel);
    }

    void parseDevicePath()
    {
        quint32 vendor = kUntouched;
        quint32 product = kUntouched;
        const QString path = QStringLiteral(
            "\\\\?\\usb#vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
        QTest::ignoreMessage(QtDebugMsg, "vid: 14153  pid: 778");
        QVERIFY(parseVidPid(path, vendor, product));
        QCOMPARE(vendor, 0x3749u);
        QCOMPARE(product, 0x030Au);

        // The camera list's id (between the first and the last "#") parses the same.
        QTest::ignoreMessage(QtDebugMsg, "vid: 14153  pid: 778");
        QVERIFY(parseVidPid(QStringLiteral("vid_3749&pid_030a&mi_00#7&2a1b3c4d&0&0000"), vendor, product));
    }

    void markersAreCaseSensitive()
    {
        quint32 vendor = kUntouched;
        quint32 product = kUntouched;
        QVERIFY(!parseVidPid(QStringLiteral("\\\\?\\USB#VID_3749&PID_030A&MI_00#7&2A1B3C4D&0&0000"), vendor, product));
        QCOMPARE(vendor, kUntouched);
        QCOMPARE(product, kUntouched);
        QVERIFY(!isSupportedDevice(QStringLiteral("VID_3749&PID_030A&MI_00#7&2A1B3C4D&0&0000"), 0x3749));
    }

    void productDigitsFollowedByHash()
    {
        quint32 vendor = kUntouched;
        quint32 product = kUntouched;
        // The text up to the next "&" ("030a#6") is not hexadecimal.
        QTest::ignoreMessage(QtDebugMsg, "vid: 14153  pid: 0");
        QVERIFY(!parseVidPid(QStringLiteral("usb#vid_3749&pid_030a#6&2a1b&0"), vendor, product));
        QCOMPARE(vendor, 0x3749u);
        QCOMPARE(product, 0u);
        QVERIFY(!isSupportedDevice(QStringLiteral("usb#vid_3749&pid_030a#6&2a1b&0"), 0x3749));
    }

    void productDigitsAtTheEnd()
    {
        quint32 vendor = kUntouched;
        quint32 product = kUntouched;
        QVERIFY(!parseVidPid(QStringLiteral("usb#vid_3749&pid_030a"), vendor, product));
        QCOMPARE(vendor, 0x3749u); // stored before the product part failed
        QCOMPARE(product, kUntouched);

        // Another field between the vendor and the product: the first "&" after the vendor
        // stands before "pid_".
        vendor = kUntouched;
        QVERIFY(!parseVidPid(QStringLiteral("usb#vid_1d6b&rev_01&pid_030a&mi_00"), vendor, product));
        QCOMPARE(vendor, 0x1D6Bu);
        QCOMPARE(product, kUntouched);
    }

    void malformedPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty") << QString();
        QTest::newRow("no vid") << "usb#pid_030a&mi_00";
        QTest::newRow("no ampersand") << "usb#vid_3749";
        QTest::newRow("ampersand before vid") << "a&b#vid_3749&pid_030a&mi_00";
    }

    void malformedPaths()
    {
        QFETCH(QString, path);
        quint32 vendor = kUntouched;
        quint32 product = kUntouched;
        QVERIFY(!parseVidPid(path, vendor, product));
        QCOMPARE(vendor, kUntouched);
        QCOMPARE(product, kUntouched);
    }

    void vendorThatDoesNotConvert()
    {
        quint32 vendor = kUntouched;
        quint32 product = kUntouched;
        // The result follows the product; the vendor reads as 0.
        QTest::ignoreMessage(QtDebugMsg, "vid: 0  pid: 778");
        QVERIFY(parseVidPid(QStringLiteral("vid_37g9&pid_030a&mi_00"), vendor, product));
        QCOMPARE(vendor, 0u);
        QCOMPARE(product, 0x030Au);
        // An already prefixed "0x" does not convert either.
        QTest::ignoreMessage(QtDebugMsg, "vid: 0  pid: 778");
        QVERIFY(parseVidPid(QStringLiteral("vid_0x3749&pid_030a&"), vendor, product));
        QCOMPARE(vendor, 0u);
        // Such a device must not pass as "no manufacturer configured", though its
        // identifiers are still read (and logged) first.
        QTest::ignoreMessage(QtDebugMsg, "vid: 0  pid: 778");
        QVERIFY(!isSupportedDevice(QStringLiteral("vid_&pid_030a&mi_00"), 0));
    }

    void supportedDevicesFollowTheActiveVendor()
    {
        const Manufacturer fallback = manufacturerLookup(0); // what a missing key reads as
        QCOMPARE(fallback.vendorId, 0x1D6Bu);
        QTest::ignoreMessage(QtDebugMsg, "vid: 7531  pid: 778");
        QVERIFY(isSupportedDevice(QStringLiteral("vid_1d6b&pid_030a&mi_00#7&1&0&0000"), fallback.vendorId));
        QTest::ignoreMessage(QtDebugMsg, "vid: 7531  pid: 257");
        QVERIFY(!isSupportedDevice(QStringLiteral("vid_1d6b&pid_0101&mi_00#7&1&0&0000"), fallback.vendorId));
        QTest::ignoreMessage(QtDebugMsg, "vid: 14153  pid: 778");
        QVERIFY(!isSupportedDevice(QStringLiteral("vid_3749&pid_030a&mi_00#7&1&0&0000"), fallback.vendorId));
        QTest::ignoreMessage(QtDebugMsg, "vid: 14153  pid: 778");
        QVERIFY(isSupportedDevice(QStringLiteral("vid_3749&pid_030a&mi_00#7&1&0&0000"), 0x3749));
        // An unknown manufacturer leaves vendor 0, which accepts nothing.
        QTest::ignoreMessage(QtDebugMsg, "vid: 14153  pid: 778");
        QVERIFY(!isSupportedDevice(QStringLiteral("vid_3749&pid_030a&mi_00#7&1&0&0000"), manufacturerLookup(7).vendorId));
    }

    void manufacturers()
    {
        QCOMPARE(manufacturerLookup(0).name, QStringLiteral("KT"));
        QCOMPARE(manufacturerLookup(1).name, QStringLiteral("Tessaline"));
        QCOMPARE(manufacturerLookup(1).vendorId, 0x343Bu);
        QCOMPARE(manufacturerLookup(2).name, QStringLiteral("KT"));
        QCOMPARE(manufacturerLookup(2).vendorId, 0x3749u);
        for (int unknown : {7, -1, 3}) {
            QVERIFY(manufacturerLookup(unknown).name.isEmpty());
            QCOMPARE(manufacturerLookup(unknown).vendorId, 0u);
        }
    }

    void modelFromFriendlyName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("model");
        QTest::newRow("exact") << "ARBOR 150F" << 16;
        QTest::newRow("inside, lower case") << "usb video: arbor 150f camera" << 16;
        QTest::newRow("mixed case") << "Arbor 150a" << 15;
        QTest::newRow("main product") << "Orvia Vista Pro Cam" << 0;
        QTest::newRow("first row wins") << "KT-M41-000 LNS611-000" << 1;
        QTest::newRow("unknown") << "Integrated Webcam" << 255;
        QTest::newRow("empty") << "" << 255;
    }

    void modelFromFriendlyName()
    {
        QFETCH(QString, name);
        QFETCH(int, model);
        QCOMPARE(modelFromName(name), model);
    }

    void modelFromIdentifiers()
    {
        QCOMPARE(modelFromVidPid(0x1D6B, 0x0101), 2);
        QCOMPARE(modelFromVidPid(0x1D6B, 0x030A), 6);
        QCOMPARE(modelFromVidPid(0x3749, 0x030A), 0);
        QCOMPARE(modelFromVidPid(0x343B, 0x0308), 16);
        QCOMPARE(modelFromVidPid(0x3749, 0x0101), kUnknownModel);
        QCOMPARE(modelFromVidPid(0, 0), kUnknownModel);
    }

    void optionValuesAreTheSameInEveryLanguage()
    {
        const QVector<QPair<OptionKind, QVector<qint32>>> kinds = {
            {OptionKind::ConnectionState, {0, 1}}, {OptionKind::TrackingMode, {0, 1, 3}},
            {OptionKind::TrackingEffect, {1, 0}},  {OptionKind::TrackingSpeed, {0, 1, 2}},
            {OptionKind::AntiFlicker, {1, 2}},     {OptionKind::Microphone, {1, 0}},
        };
        for (const auto &kind : kinds) {
            for (int language = 0; language < 5; ++language) {
                const OptionTable &table = optionTable(kind.first, language);
                QCOMPARE(valuesOf(table), kind.second);
                for (const OptionEntry &entry : table)
                    QVERIFY(!entry.label.isEmpty());
            }
        }
    }

    void labelsPerLanguage()
    {
        QCOMPARE(trackingModeOptions(0).at(2).label, QStringLiteral("Presenter Tracking"));
        QCOMPARE(trackingModeOptions(1).at(1).label, QStringLiteral("Automatisches Framing"));
        QCOMPARE(trackingModeOptions(2).at(2).label, QStringLiteral("Suivi par la télécommande de présentation"));
        QCOMPARE(trackingModeOptions(3).at(0).label, QStringLiteral("Apagado"));
        QCOMPARE(trackingModeOptions(4).at(2).label, QStringLiteral("Monitoraggio del relatore"));
        QCOMPARE(connectionStateLabels(2).at(1).label, QStringLiteral("DÉBRANCHÉ"));
        QCOMPARE(connectionStateLabels(1).at(1).label, QStringLiteral("NICHT VERBUNDEN"));
        QCOMPARE(trackingEffectOptions(1).at(0).label, QStringLiteral("Fließend"));
        QCOMPARE(trackingSpeedOptions(3).at(2).label, QStringLiteral("Rápido"));
        QCOMPARE(trackingSpeedOptions(4).at(2).label, QStringLiteral("Veloce"));
        QCOMPARE(antiFlickerOptions().at(1).label, QStringLiteral("60Hz"));
        QCOMPARE(microphoneOptions().at(1).label, QStringLiteral("Disable"));
        // A language the tables do not know falls back to English instead of reading past them.
        QCOMPARE(trackingSpeedOptions(5).at(0).label, QStringLiteral("Slow"));
        QCOMPARE(optionTable(OptionKind::TrackingMode, -1).at(0).label, QStringLiteral("Off"));
    }

    void everyLabelInEveryLanguage_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("labels");
        const auto add = [](OptionKind kind, const char *name, const QList<QStringList> &perLanguage) {
            const char *languages[] = {"English", "German", "French", "Spanish", "Italian"};
            for (int language = 0; language < 5; ++language)
                QTest::addRow("%s, %s", name, languages[language])
                    << int(kind) << language << perLanguage.at(perLanguage.size() == 1 ? 0 : language);
        };
        add(OptionKind::ConnectionState, "connection",
            {{"CONNECTED", "DISCONNECTED"},
             {"VERBUNDEN", "NICHT VERBUNDEN"},
             {"BRANCHÉ", "DÉBRANCHÉ"},
             {"CONECTADO", "DESCONECTADO"},
             {"CONNESSO", "DISCONNESSO"}});
        add(OptionKind::TrackingMode, "tracking mode",
            {{"Off", "Auto Framing", "Presenter Tracking"},
             {"Aus", "Automatisches Framing", "Sprecher-Tracking"},
             {"Éteint", "Cadrage automatique", "Suivi par la télécommande de présentation"},
             {"Apagado", "Encuadre automático", "Seguimiento de retroproyector"},
             {"Spento", "Inquadratura automatica", "Monitoraggio del relatore"}});
        add(OptionKind::TrackingEffect, "tracking effect",
            {{"Smooth", "Immediate"},
             {"Fließend", "Unmittelbar"},
             {"Fluide", "Immédiat"},
             {"Suave", "Inmediato"},
             {"Liscio", "Immediato"}});
        add(OptionKind::TrackingSpeed, "tracking speed",
            {{"Slow", "Normal", "Fast"},
             {"Langsam", "Normal", "Schnell"},
             {"Lente", "Normale", "Rapide"},
             {"Lento", "Normal", "Rápido"},
             {"Lento", "Normale", "Veloce"}});
        add(OptionKind::AntiFlicker, "anti-flicker", {{"50Hz", "60Hz"}});
        add(OptionKind::Microphone, "microphone", {{"Enable", "Disable"}});
    }

    void everyLabelInEveryLanguage()
    {
        QFETCH(int, kind);
        QFETCH(int, language);
        QFETCH(QStringList, labels);
        QStringList shown;
        for (const OptionEntry &entry : optionTable(OptionKind(kind), language))
            shown << entry.label;
        QCOMPARE(shown, labels);
    }

    void indexOfValues()
    {
        QCOMPARE(indexOfOptionValue(trackingModeOptions(0), 3), 2);
        QCOMPARE(indexOfOptionValue(trackingModeOptions(0), 2), -1);
        QCOMPARE(indexOfOptionValue(trackingEffectOptions(4), 0), 1);
        QCOMPARE(indexOfOptionValue(microphoneOptions(), 1), 0);
        QCOMPARE(indexOfOptionValue(antiFlickerOptions(), 0), -1);
        QCOMPARE(indexOfOptionValue(OptionTable{{5, QStringLiteral("a")}, {5, QStringLiteral("b")}}, 5), 0);
        QCOMPARE(indexOfOptionValue(OptionTable(), 0), -1);
    }

    void sharedTexts()
    {
        QCOMPARE(QLatin1String(kSettingsFileName), QLatin1String("product.ini"));
        QCOMPARE(QLatin1String(kModelDataFileName), QLatin1String("model.dat"));
        QCOMPARE(QLatin1String(kModelServiceFileName), QLatin1String("miservice.ubifs"));
        QVERIFY(supportSiteAddress().startsWith(QStringLiteral("https://")));
        QVERIFY(!supportSiteAddress().endsWith(QLatin1Char('/')));
        QCOMPARE(QLatin1String(kDownloadsPath), QLatin1String("/us/downloads"));
        QCOMPARE(QLatin1String(kCustomerServicePath), QLatin1String("/us/customer-service"));
    }
};

LENSDESK_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
