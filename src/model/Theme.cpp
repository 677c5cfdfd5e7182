#include "model/Theme.h"

#include <QStringList>

#include <algorithm>

bool isAncestorOrSelf(const Theme *ancestor, const Theme *theme)
{
    for (; theme; theme = theme->parent())
        if (theme == ancestor)
            return true;
    return false;
}

int Theme::row() const
{
    if (!m_parent)
        return -1;
    const std::vector<Theme *> &list = m_parent->m_children;
    const int size = int(list.size());
    const int hint = std::clamp(m_row, 0, size - 1);
    for (int distance = 0; hint - distance >= 0 || hint + distance < size; ++distance) {
        for (const int at : {hint - distance, hint + distance}) {
            if (at >= 0 && at < size && list[size_t(at)] == this) {
                m_row = at;
                return at;
            }
        }
    }
    return -1;
}

QString shownName(const QString &name)
{
    constexpr qsizetype longest = 1000;
    if (name.size() <= longest)
        return name;
    // Never half a surrogate pair.
    const qsizetype cut = name.at(longest - 1).isHighSurrogate() ? longest - 1 : longest;
    return name.left(cut) + QChar(0x2026);
}

QString themePath(const Theme *theme, bool forward)
{
    QStringList names;
    for (const Theme *step = theme; step && step->parent(); step = step->parent())
        names.append(step->name());
    if (!forward)
        return names.join(QLatin1Char('/')) + (names.isEmpty() ? "-|" : "/-|");
    std::reverse(names.begin(), names.end());
    return QStringLiteral("|-") + (names.isEmpty() ? QString() : '/' + names.join('/'));
}

int themeDepth(const Theme *theme)
{
    int depth = 0;
    for (const Theme *step = theme; step && step->parent(); step = step->parent())
        ++depth;
    return depth;
}

QString plainDateText(QDate date)
{
    return QString::asprintf("%2.2i.%2.2i.%i", date.day(), date.month(), date.year());
}
