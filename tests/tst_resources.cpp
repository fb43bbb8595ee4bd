#include "TestSupport.h"

#include "core/AppPaths.h"
#include "core/Language.h"
#include "app/StartupWidgets.h"
#include "core/Startup.h"
#include "catalogue/Catalogue.h"
#include "ui/MainWindow.h"

#include "ArtRecipe.h"
#include "ArtRenderer.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QGlyphRun>
#include <QImageReader>
#include <QMovie>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTextLayout>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QString kSourceDir = QStringLiteral(LENSDESK_SOURCE_DIR);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QString normalised(QString value)
{
    return value.remove(QLatin1Char(' ')).toLower();
}

// A style sheet as a list of rules: selectors and their declarations.
struct Rule
{
    QStringList selectors;
    QList<QPair<QString, QString>> declarations;
};

QList<Rule> parseStyleSheet(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                   QRegularExpression::DotMatchesEverythingOption));
    QList<Rule> rules;
    for (const QString &block : text.split(QLatin1Char('}'), Qt::SkipEmptyParts)) {
        const int open = block.indexOf(QLatin1Char('{'));
        if (open < 0)
            continue;
        Rule rule;
        for (const QString &selector : block.left(open).split(QLatin1Char(',')))
            rule.selectors << selector.simplified();
        for (const QString &declaration : block.mid(open + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const int colon = declaration.indexOf(QLatin1Char(':'));
            if (colon > 0)
                rule.declarations.append({declaration.left(colon).trimmed().toLower(),
                                          declaration.mid(colon + 1).trimmed()});
        }
        rules << rule;
    }
    return rules;
}

// What a selector gets from the sheet: its rules in order, later ones winning.
QHash<QString, QString> declarationsOf(const QList<Rule> &rules, const QString &selector)
{
    QHash<QString, QString> result;
    for (const Rule &rule : rules) {
        if (!rule.selectors.contains(selector))
            continue;
        for (const auto &declaration : rule.declarations)
            result.insert(declaration.first, declaration.second);
    }
    return result;
}

QString styleSheetText(const QString &name)
{
    return QString::fromUtf8(readAll(QStringLiteral(":/qss/%1.css").arg(name)));
}

QStringList urlsIn(const QString &text)
{
    QStringList urls;
    static const QRegularExpression url(QStringLiteral("url\\(\\s*([^)\\s]+)\\s*\\)"));
    auto it = url.globalMatch(text);
    while (it.hasNext())
        urls << it.next().captured(1);
    return urls;
}

// Resource image names written in the program's sources. A name built with "%1"
// stands for each of its known fillings; an unknown pattern fails the test.
QStringList imagesNamedInSources(QStringList *unknownPatterns)
{
    static const QRegularExpression literal(
        QStringLiteral(":/(?:qss|image)/[A-Za-z0-9_@%/.\\-]+\\.(?:png|gif|ico)|:/main\\.ico"));
    const QHash<QString, QStringList> fillings{
        {QStringLiteral("icon-arrow-%1"), {QStringLiteral("up"), QStringLiteral("down"), QStringLiteral("left"), QStringLiteral("right")}},
        {QStringLiteral("icon-lang-%1"), {QStringLiteral("en"), QStringLiteral("ge"), QStringLiteral("fr"), QStringLiteral("sp"), QStringLiteral("it")}},
    };
    QStringList names;
    QDirIterator files(kSourceDir + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.ui")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString text = QString::fromUtf8(readAll(files.next()));
        auto it = literal.globalMatch(text);
        while (it.hasNext()) {
            const QString name = it.next().captured(0);
            if (!name.contains(QLatin1String("%1"))) {
                names << name;
                continue;
            }
            bool known = false;
            for (auto f = fillings.cbegin(); f != fillings.cend(); ++f) {
                if (!name.contains(f.key()))
                    continue;
                known = true;
                for (const QString &filling : f.value())
                    names << QString(name).replace(QLatin1String("%1"), filling);
            }
            if (!known)
                *unknownPatterns << name;
        }
    }
    return names;
}

// Every text a window or dialog can show: the forms, the translation files (source and
// translation) and the option labels of the catalogue, in all languages.
QStringList visibleTexts()
{
    QStringList texts{QStringLiteral("Auto Focus\uFF1A"), QStringLiteral("Mic\uFF1A"),
                      QStringLiteral("Manual Focus\uFF1A"), QStringLiteral("93\u00B0")};
    QDirIterator files(kSourceDir, {QStringLiteral("*.ts"), QStringLiteral("*.ui")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (path.contains(QLatin1String("/build")))
            continue;
        QXmlStreamReader xml(readAll(path));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const auto name = xml.name();
            if (name == QLatin1String("source") || name == QLatin1String("translation")
                || name == QLatin1String("string") || name == QLatin1String("numerusform"))
                texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    for (int language = 0; language < kLanguageCount; ++language) {
        for (OptionKind kind : {OptionKind::ConnectionState, OptionKind::TrackingMode, OptionKind::TrackingEffect,
                                OptionKind::TrackingSpeed, OptionKind::AntiFlicker, OptionKind::Microphone}) {
            for (const OptionEntry &entry : optionTable(kind, language))
                texts << entry.label;
        }
    }
    return texts;
}

QList<uint> distinctCharacters(const QStringList &texts)
{
    QSet<uint> seen;
    for (const QString &text : texts) {
        for (uint c : text.toUcs4()) {
            if (c >= 0x20)
                seen.insert(c);
        }
    }
    QList<uint> list = seen.values();
    std::sort(list.begin(), list.end());
    return list;
}

// Largest difference of one colour channel between two pictures of the same size, where
// both pixels are opaque; a pixel opaque in one and transparent in the other counts 255.
int largestDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int alpha = std::abs(qAlpha(p[col]) - qAlpha(q[col]));
            worst = std::max(worst, alpha);
            if (qAlpha(p[col]) == 0 || qAlpha(q[col]) == 0)
                continue;
            worst = std::max({worst, std::abs(qRed(p[col]) - qRed(q[col])),
                              std::abs(qGreen(p[col]) - qGreen(q[col])),
                              std::abs(qBlue(p[col]) - qBlue(q[col]))});
        }
    }
    return worst;
}

QByteArray drawing(const QString &name)
{
    return readAll(kSourceDir + QStringLiteral("/resources/art/") + name);
}

QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

void recordWarning(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type >= QtWarningMsg)
        g_warnings << text;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void paletteColourAtCharacters20To26()
    {
        const QString light = styleSheetText(QStringLiteral("light"));
        const QString dark = styleSheetText(QStringLiteral("dark"));
        QVERIFY(light.startsWith(QLatin1String("QPalette{background:")));
        QVERIFY(dark.startsWith(QLatin1String("QPalette{background:")));
        QCOMPARE(light.mid(20, 7), QStringLiteral("#F5F5F5"));
        QCOMPARE(dark.mid(20, 7), QStringLiteral("#1e1e1f"));
        QVERIFY(!readAll(QStringLiteral(":/qss/light.css")).startsWith("\xEF\xBB\xBF"));
    }

    void designValues_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("selector");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");

        struct Row { const char *selector, *property, *light, *dark; };
        const Row rows[] = {
            {"QWidget", "color", "#D7E2E9", "#D7E2E9"},
            {"#labPreview", "background-color", "#eaeaea", "#141415"},
            {"#labPreview_up", "font-size", "20px", "20px"},
            {"#labPreview_up", "font-weight", "550", "550"},
            {"#labPreview_up", "color", "#4a4a4a", "#9b9b9b"},
            {"#labPreview_down", "font-size", "16px", "16px"},
            {"#labPreview_down", "font-weight", "550", "550"},
            {"#labPreview_down", "color", "#f2813b", "#f2813b"},
            {"#labelState", "font-size", "18px", "18px"},
            {"#labelState", "color", "#42a5f5", "#42a5f5"},
            {"#listWidgetCamera::item:selected", "background-color", "#42a5f5", "#42a5f5"},
            {"#listWidgetCamera::item:selected", "color", "#ffffff", "#F1F2F2"},
            {"#listWidgetCamera::item:selected", "border-radius", "8px", "8px"},
            {"QSlider::handle:horizontal", "width", "14px", "14px"},
            {"QSlider::handle:horizontal", "border-image", "url(:/qss/light/program-point.png)", "url(:/qss/dark/program-point.png)"},
            {"QSlider::handle:horizontal:hover", "border-image", "url(:/qss/light/program-point-hover.png)", "url(:/qss/light/program-point-hover.png)"},
            {"QSlider::handle:horizontal:disabled", "border-image", "url(:/qss/light/program-point-disabled.png)", "url(:/qss/dark/program-point-disabled.png)"},
        };
        for (const Row &row : rows) {
            QTest::addRow("light %s %s", row.selector, row.property)
                << QStringLiteral("light") << row.selector << row.property << row.light;
            QTest::addRow("dark %s %s", row.selector, row.property)
                << QStringLiteral("dark") << row.selector << row.property << row.dark;
        }
        for (const char *name : {"btnMirror", "btnAutoAE", "btnGestureControl", "btnHDR", "btnMute", "btnHD", "btnAutoFocus"}) {
            const QString id = QStringLiteral("#") + QLatin1String(name);
            QTest::addRow("light %s", name) << QStringLiteral("light") << id << "border-image" << "url(:/qss/light/switch-close.png)";
            QTest::addRow("light %s:checked", name) << QStringLiteral("light") << id + ":checked" << "border-image" << "url(:/qss/light/switch-open.png)";
            QTest::addRow("light %s:disabled", name) << QStringLiteral("light") << id + ":disabled" << "border-image" << "url(:/qss/light/switch-close.png)";
            QTest::addRow("dark %s", name) << QStringLiteral("dark") << id << "border-image" << "url(:/qss/dark/switch-close-dark.png)";
            QTest::addRow("dark %s:checked", name) << QStringLiteral("dark") << id + ":checked" << "border-image" << "url(:/qss/dark/switch-open.png)";
            QTest::addRow("dark %s:disabled", name) << QStringLiteral("dark") << id + ":disabled" << "border-image" << "url(:/qss/dark/switch-close-dark.png)";
            for (const char *sheet : {"light", "dark"}) {
                QTest::addRow("%s %s width", sheet, name) << QString::fromLatin1(sheet) << id << "width" << "48px";
                QTest::addRow("%s %s height", sheet, name) << QString::fromLatin1(sheet) << id << "height" << "24px";
            }
        }
    }

    void designValues()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, selector);
        QFETCH(QString, property);
        QFETCH(QString, value);
        const QHash<QString, QString> declarations = declarationsOf(parseStyleSheet(styleSheetText(sheet)), selector);
        QVERIFY2(declarations.contains(property), qPrintable(selector + QStringLiteral(" has no ") + property));
        QCOMPARE(normalised(declarations.value(property)), normalised(value));
    }

    void everyWidgetAndDialogHasRulesInBothThemes()
    {
        QStringList names{QStringLiteral("FormCustomizeMessagebox"), QStringLiteral("FormUpgrade"), QStringLiteral("FormAbnormal"),
                          QStringLiteral("FormPrompt"), QStringLiteral("widgetBackground"), QStringLiteral("btnEN"), QStringLiteral("btnGE"),
                          QStringLiteral("btnFR"), QStringLiteral("btnSP"), QStringLiteral("btnIT"), QStringLiteral("labeltext"),
                          QStringLiteral("labelCountdown"), QStringLiteral("btnOK"), QStringLiteral("btnCancel"), QStringLiteral("btnUpgrade"),
                          QStringLiteral("textEditPrompt"), QStringLiteral("labelPrompt"), QStringLiteral("btnLanguage"),
                          QStringLiteral("btnModeLight"), QStringLiteral("btnMinimize"), QStringLiteral("btnMaximize"),
                          QStringLiteral("btnCloseWindow")};
        QXmlStreamReader form(readAll(kSourceDir + QStringLiteral("/src/ui/MainWindow.ui")));
        while (!form.atEnd()) {
            if (form.readNext() == QXmlStreamReader::StartElement && form.name() == QLatin1String("widget"))
                names << form.attributes().value(QLatin1String("name")).toString();
        }
        QVERIFY(names.size() > 120);
        for (const QString &sheet : {QStringLiteral("light"), QStringLiteral("dark")}) {
            QStringList selectors;
            for (const Rule &rule : parseStyleSheet(styleSheetText(sheet)))
                selectors << rule.selectors;
            const QString all = selectors.join(QLatin1Char(' ')) + QLatin1Char(' ');
            for (const QString &name : names) {
                const QRegularExpression id(QStringLiteral("#%1(?![A-Za-z0-9_])").arg(name));
                QVERIFY2(id.match(all).hasMatch(), qPrintable(sheet + QStringLiteral(": nothing for ") + name));
            }
        }
    }

    void everyNamedImageIsInTheBundle()
    {
        QStringList unknown;
        QStringList names = imagesNamedInSources(&unknown);
        QVERIFY2(unknown.isEmpty(), qPrintable(unknown.join(QLatin1Char(' '))));
        QVERIFY(names.contains(QStringLiteral(":/qss/light/camera_disable.png")));
        QVERIFY(names.contains(QStringLiteral(":/qss/dark/icon-arrow-left-dark.png")));
        QVERIFY(names.contains(QStringLiteral(":/qss/light/lns-410-a-pic.png")));
        for (const QString &sheet : {QStringLiteral("light"), QStringLiteral("dark")})
            names << urlsIn(styleSheetText(sheet));
        // Named by the title bar's maximize looks and the language button.
        names << QStringLiteral(":/qss/light/icon-max.png") << QStringLiteral(":/qss/light/icon-max-hover.png")
              << QStringLiteral(":/qss/light/icon-normal.png") << QStringLiteral(":/qss/light/icon-normal-hover.png");
        for (const char *code : {"en", "ge", "fr", "sp", "it"})
            names << QStringLiteral(":/qss/light/icon-lang-%1.png").arg(QLatin1String(code));
        names.removeDuplicates();
        QVERIFY(names.size() > 80);

        for (const QString &name : qAsConst(names)) {
            QVERIFY2(QFile::exists(name), qPrintable(name + QStringLiteral(" is missing")));
            if (name.endsWith(QLatin1String(".gif"))) {
                QMovie movie(name);
                QVERIFY2(movie.isValid(), qPrintable(name));
                QVERIFY(movie.jumpToFrame(0));
                QVERIFY2(!movie.currentImage().isNull(), qPrintable(name));
                continue;
            }
            const QImage image(name);
            QVERIFY2(!image.isNull(), qPrintable(name + QStringLiteral(" does not load")));
            // A high-DPI twin, where there is one, is exactly twice the size.
            const QString twin = ArtRecipe::highDpiName(name);
            if (name.endsWith(QLatin1String(".png")) && QFile::exists(twin))
                QCOMPARE(QImage(twin).size(), image.size() * 2);
        }
    }

    void picturesFitTheirWidgets_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        const QSize sw(48, 24), arrow(36, 36), device(100, 56), big(96, 96), flag(24, 24), listIcon(66, 36);
        QTest::newRow("switch off") << ":/qss/light/switch-close.png" << sw;
        QTest::newRow("switch on") << ":/qss/light/switch-open.png" << sw;
        QTest::newRow("dark switch off") << ":/qss/dark/switch-close-dark.png" << sw;
        QTest::newRow("dark switch on") << ":/qss/dark/switch-open.png" << sw;
        QTest::newRow("handle") << ":/qss/light/program-point.png" << QSize(14, 14);
        QTest::newRow("dark handle") << ":/qss/dark/program-point-disabled.png" << QSize(14, 14);
        QTest::newRow("arrow") << ":/qss/light/icon-arrow-up.png" << arrow;
        QTest::newRow("dark arrow") << ":/qss/dark/icon-arrow-right-disable.png" << arrow;
        // The device pictures are background images of a 100x56 label: any other size tiles.
        QTest::newRow("Arbor") << ":/qss/light/Arbor-pic.png" << device;
        QTest::newRow("Arbor 50") << ":/qss/light/arbor-50-pic.png" << device;
        QTest::newRow("Arbor 150") << ":/qss/light/arbor-150-pic.png" << device;
        QTest::newRow("LNS-410-A") << ":/qss/light/lns-410-a-pic.png" << device;
        QTest::newRow("start") << ":/qss/light/camera_disable.png" << big;
        QTest::newRow("start hover") << ":/qss/light/camera_disable-hover.png" << big;
        QTest::newRow("stop") << ":/qss/light/icon-stop.png" << big;
        QTest::newRow("stop hover") << ":/qss/light/icon-stop-hover.png" << big;
        QTest::newRow("list selected") << ":/qss/light/Arbor-icon.png" << listIcon;
        QTest::newRow("list light") << ":/qss/light/Arbor-icon-normal.png" << listIcon;
        QTest::newRow("list dark") << ":/qss/dark/Arbor-icon-dark.png" << listIcon;
        QTest::newRow("flag") << ":/qss/light/icon-lang-sp.png" << flag;
        QTest::newRow("maximize") << ":/qss/light/icon-max.png" << arrow;
        QTest::newRow("logo") << ":/image/logo.png" << QSize(188, 64);
        QTest::newRow("logo 2x") << ":/image/logo@2x.png" << QSize(376, 128);
        QTest::newRow("logo 3x") << ":/image/logo@3x.png" << QSize(564, 192);
        QTest::newRow("window icon") << ":/image/app-icon-256.png" << QSize(256, 256);
        QTest::newRow("loading") << ":/qss/light/loading.gif" << QSize(64, 64);
    }

    void picturesFitTheirWidgets()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QImageReader reader(name);
        QCOMPARE(reader.size(), size);
    }

    void loadingAnimationsMatchTheirDrawing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("matte");
        QTest::newRow("light") << ":/qss/light/loading.gif" << "#eaeaea";
        QTest::newRow("dark") << ":/qss/dark/loading.gif" << "#141415";
    }

    void loadingAnimationsMatchTheirDrawing()
    {
        QFETCH(QString, name);
        QFETCH(QString, matte);
        // The reader, not a movie: a movie's delay is that of its running timer.
        QImageReader reader(name);
        QCOMPARE(reader.imageCount(), 24);
        ArtRecipe recipe;
        recipe.size = QSize(64, 64);
        recipe.matte = QColor(matte);
        for (int frame = 0; frame < 24; ++frame) {
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(QString::number(frame)));
            QCOMPARE(reader.nextImageDelay(), 120);
            recipe.rotation = frame * 15;
            const QImage expected = ArtRenderer::render(drawing(QStringLiteral("spinner.svg")), recipe);
            // GIF frames hold a reduced palette; the drawing's colours come back within a few steps.
            const int difference = largestDifference(image, expected);
            QVERIFY2(difference <= 16, qPrintable(QStringLiteral("frame %1 differs by %2").arg(frame).arg(difference)));
        }
    }

    void windowsIconMatchesItsDrawing()
    {
        QImageReader reader(QStringLiteral(":/main.ico"));
        QList<int> sizes;
        do {
            const QImage image = reader.read();
            QVERIFY(!image.isNull());
            QCOMPARE(image.width(), image.height());
            sizes << image.width();
            ArtRecipe recipe;
            recipe.size = image.size();
            const QImage expected = ArtRenderer::render(drawing(QStringLiteral("app-icon.svg")), recipe);
            QVERIFY2(largestDifference(image, expected) <= 2, qPrintable(QString::number(image.width())));
        } while (reader.jumpToNextImage());
        std::sort(sizes.begin(), sizes.end());
        QCOMPARE(sizes, QList<int>({16, 24, 32, 48, 64, 256}));
    }

    void artRecipes()
    {
        QList<ArtRecipe> recipes;
        QString error;
        QVERIFY(parseArtRecipes(QStringLiteral("# comment\n\n"
                                               "qss/dark/a.png  a.svg 36x24 #5F6B76=#C5CDD5 rotate=90\n"
                                               "image/b@3x.png b.svg 564x192 1x\n"),
                                &recipes, &error));
        QCOMPARE(recipes.size(), 2);
        QCOMPARE(recipes[0].output, QStringLiteral("qss/dark/a.png"));
        QCOMPARE(recipes[0].size, QSize(36, 24));
        QCOMPARE(recipes[0].rotation, 90.0);
        QCOMPARE(recipes[0].colours.size(), 1);
        QVERIFY(recipes[0].highDpi);
        QVERIFY(!recipes[1].highDpi);
        QCOMPARE(ArtRecipe::highDpiName(QStringLiteral("qss/light/icon-max.png")), QStringLiteral("qss/light/icon-max@2x.png"));
        QCOMPARE(ArtRenderer::recolour("<path stroke=\"#5f6b76\"/>", recipes[0]), QByteArray("<path stroke=\"#C5CDD5\"/>"));

        recipes.clear();
        QVERIFY(!parseArtRecipes(QStringLiteral("a.png a.svg 24x24\nb.png b.svg 24\n"), &recipes, &error));
        QCOMPARE(error, QStringLiteral("line 2: bad size \"24\""));
        QVERIFY(!parseArtRecipes(QStringLiteral("a.png a.svg 24x24 glow=3\n"), &recipes, &error));
        QVERIFY(!parseArtRecipes(QStringLiteral("a.gif a.svg 24x24\n"), &recipes, &error));

        // The colour swap reaches the picture; the rotation turns it about its centre.
        ArtRecipe recipe;
        recipe.size = QSize(36, 36);
        const QByteArray up = drawing(QStringLiteral("chevron-up.svg"));
        const QImage plain = ArtRenderer::render(up, recipe);
        recipe.rotation = 180;
        const QImage turned = ArtRenderer::render(up, recipe);
        QVERIFY(largestDifference(turned, plain.mirrored(true, true)) <= 8);
        recipe.rotation = 0;
        recipe.colours = {{QStringLiteral("#5F6B76"), QStringLiteral("#FF0000")}};
        const QImage red = ArtRenderer::render(up, recipe);
        QCOMPARE(QColor(red.pixel(18, 15)).name(), QStringLiteral("#ff0000"));
        QCOMPARE(QColor(plain.pixel(18, 15)).name(), QStringLiteral("#5f6b76"));
    }

    void styledWindowRendersWithoutWarnings()
    {
        testsupport::SimEnvironment env;
        {
            // Manufacturer 2 lists the rig's camera, so its picture and icons are drawn too.
            QSettings settings(applicationDir() + QStringLiteral("/product.ini"), QSettings::IniFormat);
            settings.setValue(QStringLiteral("/product_model/main"), 2);
        }
        MainWindow window;
        window.show();
        QWidget *content = window.centralWidget();
        for (const QString &sheet : {QStringLiteral("light"), QStringLiteral("dark"), QStringLiteral("light")}) {
            g_warnings.clear();
            g_previousHandler = qInstallMessageHandler(recordWarning);
            const QString text = styleSheetText(sheet);
            qApp->setPalette(QPalette(QColor(text.mid(20, 7))));
            qApp->setStyleSheet(text);
            (void)window.grab();
            content->setEnabled(false); // the disabled pictures get drawn too
            (void)window.grab();
            content->setEnabled(true);
            qInstallMessageHandler(g_previousHandler);
            static const QRegularExpression trouble(
                QStringLiteral("pixmap|style ?sheet|unknown property|could not parse|cannot open|qimage|qicon"),
                QRegularExpression::CaseInsensitiveOption);
            for (const QString &warning : qAsConst(g_warnings))
                QVERIFY2(!trouble.match(warning).hasMatch(), qPrintable(sheet + QStringLiteral(": ") + warning));
        }
        qApp->setStyleSheet(QString());
        window.close();
    }

    // Runs last: it installs the application font for the rest of the process.
    void everyVisibleCharacterHasAGlyph()
    {
        const QList<uint> characters = distinctCharacters(visibleTexts());
        QVERIFY(characters.contains(0xFF1A));
        for (uint accent : {0xE4u, 0xDFu, 0xE9u, 0xE8u, 0xE7u, 0xF3u, 0xEDu, 0xE0u})
            QVERIFY2(characters.contains(accent), qPrintable(QString::number(accent, 16)));

        // The bundled fonts alone cover every character: no system font is needed.
        const QRawFont openSans(readAll(QStringLiteral(":/image/OpenSans-Regular.ttf")), 16);
        const QRawFont openSansSemibold(readAll(QStringLiteral(":/image/OpenSans-Semibold.ttf")), 16);
        const QRawFont fullwidth(readAll(QStringLiteral(":/image/LensDeskFullwidth-Regular.ttf")), 16);
        QVERIFY(openSans.isValid() && openSansSemibold.isValid() && fullwidth.isValid());
        QVERIFY(!openSans.supportsCharacter(0xFF1A));
        for (uint c : characters) {
            QVERIFY2(openSans.supportsCharacter(c) || fullwidth.supportsCharacter(c),
                     qPrintable(QStringLiteral("U+%1").arg(c, 4, 16, QLatin1Char('0'))));
            QVERIFY2(openSansSemibold.supportsCharacter(c) || fullwidth.supportsCharacter(c),
                     qPrintable(QStringLiteral("semibold U+%1").arg(c, 4, 16, QLatin1Char('0'))));
        }

        // And the application font, as the program installs it, draws each of them with
        // a real glyph, the fullwidth colon from the bundled fallback.
        installApplicationFont();
        for (int weight : {int(QFont::Normal), int(QFont::DemiBold), int(QFont::Bold)}) {
            QFont font = QApplication::font();
            font.setWeight(weight);
            for (uint c : characters) {
                QTextLayout layout(QString::fromUcs4(&c, 1), font);
                layout.beginLayout();
                layout.createLine();
                layout.endLayout();
                const QList<QGlyphRun> runs = layout.glyphRuns();
                QVERIFY(!runs.isEmpty());
                for (const QGlyphRun &run : runs) {
                    QVERIFY2(!run.glyphIndexes().contains(0),
                             qPrintable(QStringLiteral("U+%1 in %2").arg(c, 4, 16, QLatin1Char('0')).arg(run.rawFont().familyName())));
                    const QString family = run.rawFont().familyName();
                    if (c == 0xFF1A)
                        QVERIFY2(family.compare(QLatin1String("LensDesk Fullwidth"), Qt::CaseInsensitive) == 0, qPrintable(family));
                    else
                        QVERIFY2(family.startsWith(QLatin1String("Open Sans"), Qt::CaseInsensitive), qPrintable(family));
                }
            }
        }
    }
};

LENSDESK_TEST_MAIN(TestResources)
#include "tst_resources.moc"
