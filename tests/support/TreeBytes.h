#pragma once

#include "storage/TreeFile.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"
#include "tree/ViewDocument.h"

#include <QFile>
#include <QTemporaryDir>

// What the writer puts into a file, and a tree read from given bytes.
inline QByteArray saveToBytes(LinkListView &view, int flags, QString *log = nullptr,
                              int *result = nullptr, SaveReport *report = nullptr)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("out.brw"));
    if (!file.open(QIODevice::WriteOnly))
        return "cannot open";
    const int r = saveTree(view, &file, flags, nullptr, log, report);
    if (result)
        *result = r;
    file.close();
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

inline bool loadBytes(LinkListView &view, const QByteArray &bytes, int flags = 0)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("in.brw"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return loadTree(view, file.fileName(), flags, nullptr);
}

// A Unicode tree file of the outline (TreeOutline.h), as the writer makes it.
inline QByteArray outlineFileBytes(const QString &outline)
{
    LinkListView built;
    built.setTextEncoding(TextEncoding::Utf8);
    buildOutline(built, outline);
    return saveToBytes(built, 0);
}
