#pragma once

#include <QString>

class ColorListViewItem;
class LinkListView;

// Trees in a compact outline: "P(A,M+1(x),L-1(_))" is P with children A, M and L; M is the mark
// theme of group 1 with child x, L a link of group 1 showing its null item "_". A link written
// with children holds its group's children, and its mark theme then shows the null item, unless
// the children begin with "_": they are then the link's own. A description follows the name in
// brackets, "A[two\nlines]", and one without a name, "[text],A", is the root's; a theme written
// without one carries name + "-text" (links none).
void buildOutline(LinkListView &view, const QString &outline);
// The tree below the root as it stands, in the same form; with descriptions, every theme's but a
// link's in brackets, and the root's in front when it has one.
QString outlineOf(LinkListView &view, bool descriptions = false);
// The first theme of that name; "_" finds the first null item, "/" the root.
ColorListViewItem *themeNamed(LinkListView &view, const QString &name);
