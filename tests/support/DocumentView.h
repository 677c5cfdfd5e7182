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
