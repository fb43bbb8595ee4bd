#pragma once

#include <QColor>
#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>

// One picture of the resource bundle: which drawing it comes from, at which size, and
// how it differs from the drawing (colours swapped, turned, laid on a background).
struct ArtRecipe
{
    QString output;                         // resource path, e.g. "qss/light/switch-open.png"
    QString source;                         // drawing file name, e.g. "switch-on.svg"
    QSize size;                             // size in device-independent pixels
    QList<QPair<QString, QString>> colours; // "#rrggbb" in the drawing -> "#rrggbb" in the picture
    qreal rotation = 0;                     // degrees, clockwise, about the centre
    QColor matte;                           // when valid: opaque picture on this colour, see ArtRenderer
    bool highDpi = true;                    // also write "name@2x.png"

    // "name@2x.png" for "name.png".
    static QString highDpiName(const QString &output);
};

// Reads the list of pictures: one recipe a line; a line starting with "#" is a comment.
//   <output> <source.svg> <W>x<H> [#from=#to ...] [rotate=<deg>] [matte=#rrggbb] [1x]
// Returns false and an error naming the line when a line cannot be read.
bool parseArtRecipes(const QString &text, QList<ArtRecipe> *recipes, QString *error);
