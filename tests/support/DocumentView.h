#pragma once

#include "model/ThemeTreeModel.h"
#include "support/TreeOutline.h"
#include "tree/ThemeView.h"

// A document from an outline (`named`: the first theme of each name), its history and its view.
struct DocumentView
{
    explicit DocumentView(const QString &outline)
        : named(buildOutline(document, outline))
    {}
    ThemeDocument document;
    QHash<QString, Theme *> named;
    DocumentUndo undo{document};
    ThemeView view{document, undo};
};

// The names of the view's open themes in preorder, joined by spaces (names without spaces).
inline QString openThemes(const ThemeView &view)
{
    QStringList names;
    walkThemes(
            view.rows().document().root(), [](Theme *theme) { return theme; },
            [&](Theme *theme, int, int) { names << (view.isOpen(theme) ? theme->name() : ""); });
    return names.join(' ').simplified();
}

// The view's laid-out rows top to bottom, and the rows its open themes call for: the same unless
// the view missed a change.
inline std::pair<QString, QString> laidOutRows(const ThemeView &view)
{
    QStringList laid, called;
    for (QModelIndex row = view.model()->index(0, 0); row.isValid(); row = view.indexBelow(row))
        laid << row.data().toString();
    const std::function<void(const Theme *)> add = [&](const Theme *theme) {
        called << theme->name();
        for (int i = 0; view.isOpen(theme) && i < theme->childCount(); ++i)
            add(theme->child(i));
    };
    add(view.rows().document().root());
    return {laid.join(' '), called.join(' ')};
}
