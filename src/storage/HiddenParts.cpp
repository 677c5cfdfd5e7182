#include "storage/HiddenParts.h"

namespace {
constexpr QLatin1String openMarker("<hidden>");
constexpr QLatin1String closeMarker("</hidden>");
} // namespace

QString stripHiddenParts(const QString &text)
{
    qsizetype open = text.indexOf(openMarker);
    if (open < 0)
        return text; // shared, not copied: most descriptions hide nothing
    QString kept;
    kept.reserve(open);
    kept.append(QStringView(text).first(open));
    while (open >= 0) {
        const qsizetype close = text.indexOf(closeMarker, open);
        if (close < 0)
            break;
        const qsizetype from = close + closeMarker.size();
        open = text.indexOf(openMarker, from);
        kept.append(QStringView(text).sliced(from, (open < 0 ? text.size() : open) - from));
    }
    return kept;
}
