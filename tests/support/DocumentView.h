#pragma once

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
