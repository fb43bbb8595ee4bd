// Renders the application's pictures from their SVG drawings.
//
//   lensdesk-artrender --recipes images.txt --sources dir --out dir
//       every picture of the list (and its "@2x" twin), as the build does;
//   lensdesk-artrender --svg file.svg --size WxH --out file.png [--scale N]
//                      [--rotate deg] [--matte #rrggbb] [--colour #from=#to ...]
//       one picture, as scripts/render-art.sh does for animation frames and icon sizes.
#include "ArtRecipe.h"
#include "ArtRenderer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

bool readFile(const QString &path, QByteArray *data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err() << "cannot read " << path << Qt::endl;
        return false;
    }
    *data = file.readAll();
    return true;
}

bool writePicture(const QImage &image, const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (image.isNull() || !image.save(path, "PNG")) {
        err() << "cannot write " << path << Qt::endl;
        return false;
    }
    return true;
}

int renderList(const QString &recipesPath, const QString &sources, const QString &out)
{
    QByteArray text;
    if (!readFile(recipesPath, &text))
        return 1;
    QList<ArtRecipe> recipes;
    QString error;
    if (!parseArtRecipes(QString::fromUtf8(text), &recipes, &error)) {
        err() << recipesPath << ": " << error << Qt::endl;
        return 1;
    }
    for (const ArtRecipe &recipe : recipes) {
        QByteArray svg;
        if (!readFile(QDir(sources).filePath(recipe.source), &svg))
            return 1;
        const QImage normal = ArtRenderer::render(svg, recipe, 1);
        if (normal.isNull())
            err() << "invalid drawing " << recipe.source << Qt::endl;
        if (!writePicture(normal, QDir(out).filePath(recipe.output)))
            return 1;
        if (recipe.highDpi
            && !writePicture(ArtRenderer::render(svg, recipe, 2),
                             QDir(out).filePath(ArtRecipe::highDpiName(recipe.output))))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs the GUI module but never a screen (nor a session's runtime folder).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption recipesOption(QStringLiteral("recipes"), QStringLiteral("Picture list."), QStringLiteral("file"));
    const QCommandLineOption sourcesOption(QStringLiteral("sources"), QStringLiteral("Folder of the drawings."), QStringLiteral("dir"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Output folder or file."), QStringLiteral("path"));
    const QCommandLineOption svgOption(QStringLiteral("svg"), QStringLiteral("One drawing."), QStringLiteral("file"));
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("WxH."), QStringLiteral("size"));
    const QCommandLineOption scaleOption(QStringLiteral("scale"), QStringLiteral("Pixel scale."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption rotateOption(QStringLiteral("rotate"), QStringLiteral("Degrees."), QStringLiteral("deg"));
    const QCommandLineOption matteOption(QStringLiteral("matte"), QStringLiteral("Background colour."), QStringLiteral("colour"));
    const QCommandLineOption colourOption(QStringLiteral("colour"), QStringLiteral("#from=#to."), QStringLiteral("swap"));
    parser.addOptions({recipesOption, sourcesOption, outOption, svgOption, sizeOption, scaleOption,
                       rotateOption, matteOption, colourOption});
    parser.process(app);

    if (parser.isSet(recipesOption))
        return renderList(parser.value(recipesOption), parser.value(sourcesOption), parser.value(outOption));

    if (!parser.isSet(svgOption) || !parser.isSet(sizeOption) || !parser.isSet(outOption))
        parser.showHelp(2);
    // One picture is described by a one-line list, so both paths read options alike.
    QStringList line{QStringLiteral("single.png"), QFileInfo(parser.value(svgOption)).fileName(),
                     parser.value(sizeOption)};
    if (parser.isSet(rotateOption))
        line << QStringLiteral("rotate=") + parser.value(rotateOption);
    if (parser.isSet(matteOption))
        line << QStringLiteral("matte=") + parser.value(matteOption);
    line << parser.values(colourOption);
    QList<ArtRecipe> recipes;
    QString error;
    if (!parseArtRecipes(line.join(QLatin1Char(' ')), &recipes, &error) || recipes.size() != 1) {
        err() << error << Qt::endl;
        return 2;
    }
    QByteArray svg;
    if (!readFile(parser.value(svgOption), &svg))
        return 1;
    return writePicture(ArtRenderer::render(svg, recipes.first(), parser.value(scaleOption).toInt()),
                        parser.value(outOption))
               ? 0
               : 1;
}
