#include "tree/ThemeIcons.h"

#include <QColor>
#include <QImage>
#include <QPixmap>

namespace {

const char *const markRows[12] = {"........", "........", ".#....#.", ".##..##.",
                                  ".######.", ".#.##.#.", ".#....#.", ".#....#.",
                                  ".#....#.", ".#....#.", "........", "........"};
const char *const linkRows[12] = {"........", "........", ".#......", ".#......",
                                  ".#......", ".#......", ".#......", ".#......",
                                  ".######.", ".######.", "........", "........"};

QIcon iconFrom(const char *const rows[12])
{
    QImage image(8, 12, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QRgb blue = QColor(QStringLiteral("#0082ff")).rgba();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 8; ++x)
            if (rows[y][x] == '#')
                image.setPixel(x, y, blue);
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

namespace ThemeIcons {

QIcon mark()
{
    static const QIcon icon = iconFrom(markRows);
    return icon;
}

QIcon link()
{
    static const QIcon icon = iconFrom(linkRows);
    return icon;
}

} // namespace ThemeIcons
