#include "ArtRenderer.h"

#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

QByteArray ArtRenderer::recolour(const QByteArray &svg, const ArtRecipe &recipe)
{
    QString text = QString::fromUtf8(svg);
    for (const auto &swap : recipe.colours) {
        text.replace(QRegularExpression(QRegularExpression::escape(swap.first),
                                        QRegularExpression::CaseInsensitiveOption),
                     swap.second);
    }
    return text.toUtf8();
}

QImage ArtRenderer::render(const QByteArray &svg, const ArtRecipe &recipe, int scale)
{
    QSvgRenderer renderer(recolour(svg, recipe));
    if (!renderer.isValid())
        return QImage();

    const QSize pixels = recipe.size * scale;
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        if (recipe.rotation != 0) {
            const QPointF centre(pixels.width() / 2.0, pixels.height() / 2.0);
            painter.translate(centre);
            painter.rotate(recipe.rotation);
            painter.translate(-centre);
        }
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    image = image.convertToFormat(QImage::Format_ARGB32);

    if (recipe.matte.isValid()) {
        // Nearly invisible edge pixels would become opaque specks on the matte.
        const int threshold = 24;
        const QRgb matte = recipe.matte.rgb();
        for (int y = 0; y < image.height(); ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = line[x];
                const int a = qAlpha(p);
                if (a < threshold) {
                    line[x] = qRgba(0, 0, 0, 0);
                    continue;
                }
                const auto mix = [a](int over, int under) { return (over * a + under * (255 - a) + 127) / 255; };
                line[x] = qRgb(mix(qRed(p), qRed(matte)), mix(qGreen(p), qGreen(matte)),
                               mix(qBlue(p), qBlue(matte)));
            }
        }
    }
    return image;
}
