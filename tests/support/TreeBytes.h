#pragma once

#include "common/Clock.h"
#include "model/ThemeDocument.h"
#include "storage/TreeFile.h"
#include "support/TreeOutline.h"

#include <QBuffer>

// What the writer puts into a file for the branch of `top` (the root: the whole document); with
// SAVE_BRANCH the top first holds its group's subthemes, as the window writes a branch.
inline QByteArray saveToBytes(ThemeDocument &document, Theme *top, int flags,
                              QString *log = nullptr, int *result = nullptr,
                              SaveReport *report = nullptr)
{
    if (flags & SAVE_BRANCH)
        document.makeHolder(top);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const int r = writeTree(document, top, &buffer, flags, {}, log, nullptr, report);
    if (result)
        *result = r;
    return buffer.data();
}

// The bytes read below the root of a document with no subthemes yet, the groups settled as a
// window settles them; what the settling took apart.
inline ThemeDocument::BrokenGroups loadBytes(ThemeDocument &document, const QByteArray &bytes)
{
    readTree(document, document.root(), wholeBytes(bytes), {}, false);
    return document.settleGroups();
}

// The first theme of that name in preorder as a file holds the document, "/" the root; null when
// there is none.
inline Theme *themeNamed(const ThemeDocument &document, const QString &name)
{
    Theme *found = name == QLatin1String("/") ? document.root() : nullptr;
    walkHeldBranch(document, document.root(), [&](Theme *theme, int, int) {
        if (!found && theme->name() == name)
            found = theme;
    });
    return found;
}

// A Unicode tree file of the outline (TreeOutline.h), as the writer makes it; every theme is
// dated with the program's start.
inline QByteArray outlineFileBytes(const QString &outline)
{
    ThemeDocument built;
    built.setTextEncoding(TextEncoding::Utf8);
    buildOutline(built, outline);
    walkThemes(
            built.root(), [](Theme *theme) { return theme; },
            [](Theme *theme, int, int) { theme->setDate(Clock::startDate()); });
    return saveToBytes(built, built.root(), 0);
}
