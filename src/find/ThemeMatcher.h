#pragma once

#include <QString>

#include <vector>

class ColorListViewItem;
class LinkListView;

// Finding a theme by a few typed letters: the themes a user can go to, their paths, and the
// order in which the names that match a query are offered.
namespace ThemeMatcher {

// Every theme below the root in preorder, each once: no null items, and the children a link
// group shares only under the theme that holds them.
std::vector<ColorListViewItem *> reachableThemes(LinkListView &view);

// The names from the top down to the theme, each after a "/": "/projects/home/roof".
QString pathOf(const ColorListViewItem *theme);

// The name as the matcher compares it: case folded in every script.
inline QString folded(const QString &name)
{
    return name.toCaseFolded();
}

// The length of the shortest stretch of the name that holds the query's characters in order,
// gaps allowed; -1 when it holds them in no order. Both are folded.
int subsequenceSpan(QStringView name, QStringView query);

// The indexes of the folded names that match the folded query: first those that contain it, in
// their order, then those that hold its letters in order, tightest first (ties in their order).
std::vector<int> rank(const std::vector<QString> &foldedNames, QStringView query);

} // namespace ThemeMatcher
