#pragma once

#include "tree/ColorListViewItem.h"

#include <QTreeWidget>

// The first theme of the tree with exactly this name, or null.
inline ColorListViewItem *findTheme(QTreeWidget &view, const QString &name)
{
    const QList<QTreeWidgetItem *> items =
            view.findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : ColorListViewItem::themeOf(items.first());
}
