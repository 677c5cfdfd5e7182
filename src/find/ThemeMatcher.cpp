#include "find/ThemeMatcher.h"

#include "tree/LinkListView.h"
#include "tree/TreeWalk.h"

#include <algorithm>

namespace ThemeMatcher {

std::vector<ColorListViewItem *> reachableThemes(LinkListView &view)
{
    std::vector<ColorListViewItem *> themes;
    themes.reserve(size_t(view.themeCount()));
    walkHeldBranch(view, view.rootTheme(), [&](ColorListViewItem *theme, int, int) {
        if (!theme->isNullItem())
            themes.push_back(theme);
    });
    return themes;
}

QString pathOf(const ColorListViewItem *theme)
{
    QStringList names;
    for (const QTreeWidgetItem *step = theme; step && step->parent(); step = step->parent())
        names.prepend(step->text(0));
    return QLatin1Char('/') + names.join(QLatin1Char('/'));
}

int subsequenceSpan(QStringView name, QStringView query)
{
    if (query.isEmpty())
        return 0;
    int best = -1;
    // From each place where the first character matches, the earliest end; the tightest wins.
    for (qsizetype start = name.indexOf(query.front()); start >= 0;
         start = name.indexOf(query.front(), start + 1)) {
        qsizetype at = start;
        for (qsizetype q = 1; q < query.size() && at >= 0; ++q)
            at = name.indexOf(query[q], at + 1);
        if (at < 0)
            break; // a later start cannot finish either
        const int span = int(at - start + 1);
        if (best < 0 || span < best)
            best = span;
        if (best == query.size())
            break;
    }
    return best;
}

std::vector<int> rank(const std::vector<QString> &foldedNames, QStringView query)
{
    std::vector<int> contained;
    std::vector<std::pair<int, int>> scattered; // (span, index)
    for (int i = 0; i < int(foldedNames.size()); ++i) {
        const QStringView name = foldedNames[size_t(i)];
        if (name.contains(query))
            contained.push_back(i);
        else if (const int span = subsequenceSpan(name, query); span > 0)
            scattered.emplace_back(span, i);
    }
    std::stable_sort(scattered.begin(), scattered.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[span, index] : scattered)
        contained.push_back(index);
    return contained;
}

} // namespace ThemeMatcher
