#pragma once

#include "support/TreeOutline.h"

// The first theme of the tree with exactly this name, or null: themeNamed() under the name that
// tests written before TreeOutline use.
inline ColorListViewItem *findTheme(LinkListView &view, const QString &name)
{
    return themeNamed(view, name);
}
