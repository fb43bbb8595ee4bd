#include "ArtRecipe.h"

#include <QRegularExpression>

QString ArtRecipe::highDpiName(const QString &output)
{
    const int dot = output.lastIndexOf(QLatin1Char('.'));
    return output.left(dot) + QStringLiteral("@2x") + output.mid(dot);
}

namespace {

bool isColour(const QString &text)
{
    static const QRegularExpression hex(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    return hex.match(text).hasMatch();
}

bool parseOption(const QString &option, ArtRecipe *recipe)
{
    if (option == QLatin1String("1x")) {
        recipe->highDpi = false;
        return true;
    }
    const int equals = option.indexOf(QLatin1Char('='));
    if (equals < 0)
        return false;
    const QString key = option.left(equals);
    const QString value = option.mid(equals + 1);
    if (isColour(key) && isColour(value)) {
        recipe->colours.append({key, value});
        return true;
    }
    if (key == QLatin1String("rotate")) {
        bool ok = false;
        recipe->rotation = value.toDouble(&ok);
        return ok;
    }
    if (key == QLatin1String("matte") && isColour(value)) {
        recipe->matte = QColor(value);
        return true;
    }
    return false;
}

} // namespace

bool parseArtRecipes(const QString &text, QList<ArtRecipe> *recipes, QString *error)
{
    static const QRegularExpression sizePattern(QStringLiteral("^(\\d+)x(\\d+)$"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const auto fail = [&](const QString &why) {
            *error = QStringLiteral("line %1: %2").arg(i + 1).arg(why);
            return false;
        };
        if (words.size() < 3)
            return fail(QStringLiteral("expected <output> <source.svg> <W>x<H>"));
        ArtRecipe recipe;
        recipe.output = words.at(0);
        recipe.source = words.at(1);
        const QRegularExpressionMatch size = sizePattern.match(words.at(2));
        if (!size.hasMatch())
            return fail(QStringLiteral("bad size \"%1\"").arg(words.at(2)));
        recipe.size = QSize(size.captured(1).toInt(), size.captured(2).toInt());
        if (!recipe.output.endsWith(QLatin1String(".png")))
            return fail(QStringLiteral("output must be a .png file"));
        for (int w = 3; w < words.size(); ++w) {
            if (!parseOption(words.at(w), &recipe))
                return fail(QStringLiteral("bad option \"%1\"").arg(words.at(w)));
        }
        recipes->append(recipe);
    }
    return true;
}
