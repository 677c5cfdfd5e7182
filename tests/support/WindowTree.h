#pragma once

#include "common/Clock.h"
#include "model/ThemeDocument.h"
#include "model/ThemeTreeModel.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "tree/ThemeView.h"

// A window's tree in outline notation (TreeOutline.h): built in place of its document (every
// theme dated today), read back, and its themes by name ("/" the root).
inline void buildOutline(ThemeView &view, const QString &outline)
{
    ThemeDocument &document = view.rows().document();
    ThemeDocument built;
    built.setTextEncoding(document.textEncoding());
    built.root()->setDate(document.root()->date());
    buildOutline(built, outline);
    const QDate today = Clock::today();
    walkThemes(
            built.root(), [](Theme *theme) { return theme; },
            [today](Theme *theme, int, int) { theme->setDate(today); });
    document.replaceContents(built);
}

// The tree of the outline as its file holds it (TreeBytes.h), read in place of the document.
inline void loadOutlineFile(ThemeView &view, const QString &outline)
{
    ThemeDocument &document = view.rows().document();
    ThemeDocument read;
    read.root()->setDate(document.root()->date());
    loadBytes(read, outlineFileBytes(outline));
    document.replaceContents(read);
}

inline QString outlineOf(ThemeView &view, bool descriptions = false)
{
    return outlineOf(view.rows().document(), descriptions);
}

inline Theme *themeNamed(ThemeView &view, const QString &name)
{
    Theme *root = view.rows().document().root();
    Theme *found = name == QLatin1String("/") ? root : nullptr;
    walkThemes(
            root, [&found](Theme *theme) { return found ? nullptr : theme; },
            [&](Theme *theme, int, int) {
                if (!found && theme->name() == name)
                    found = theme;
            });
    return found;
}
