#include "storage/OutlineAdapter.h"

#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/TreeFile.h"

#include <QBuffer>

namespace OutlineAdapter {

OutlineNode wholeOf(ThemeDocument &document, const QString &documentName)
{
    return branchOf(document, document.root(), documentName);
}

OutlineNode branchOf(ThemeDocument &document, Theme *top, const QString &documentName)
{
    const bool whole = top == document.root();
    if (!whole)
        document.makeHolder(top); // its group's subthemes are its own in the branch
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    // In Unicode, whatever the document's form: an export keeps every character.
    const TextEncoding form = document.textEncoding();
    document.setTextEncoding(TextEncoding::Utf8);
    writeTree(document, top, &buffer, whole ? 0 : SAVE_BRANCH, {}, nullptr, nullptr, nullptr);
    document.setTextEncoding(form);
    OutlineNode root = OutlineTreeFile::read(buffer.data());
    root.name = whole ? documentName : top->name();
    root.date = top->date();
    return root;
}

} // namespace OutlineAdapter
