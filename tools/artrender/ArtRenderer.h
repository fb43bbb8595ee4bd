#pragma once

#include "ArtRecipe.h"

#include <QByteArray>
#include <QImage>

// Draws a recipe's SVG into a picture. With a matte the result has no partial
// transparency: every pixel the drawing touches is laid opaquely on the matte colour
// and the rest stays fully transparent, which is what a GIF frame can hold.
class ArtRenderer
{
public:
    // scale 2 gives the high-DPI picture. Returns a null image when the SVG is invalid.
    static QImage render(const QByteArray &svg, const ArtRecipe &recipe, int scale = 1);

    // The drawing's text with the recipe's colours swapped in.
    static QByteArray recolour(const QByteArray &svg, const ArtRecipe &recipe);
};
