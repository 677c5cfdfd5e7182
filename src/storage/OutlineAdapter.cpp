#include "storage/OutlineAdapter.h"

#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/TreeFile.h"

#include <QBuffer>

namespace OutlineAdapter {

OutlineNode wholeOf(ThemeDocument &document, const QString &documentName)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    // In Unicode, whatever the document's form: an export keeps every character.
    const TextEncoding form = document.textEncoding();
    document.setTextEncoding(TextEncoding::Utf8);
    writeTree(document, document.root(), &buffer, 0, {}, nullptr, nullptr, nullptr);
    document.setTextEncoding(form);
    OutlineNode root = OutlineTreeFile::read(buffer.data());
    root.name = documentName;
    root.date = document.root()->date();
    return root;
}

} // namespace OutlineAdapter
