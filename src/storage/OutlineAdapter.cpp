#include "storage/OutlineAdapter.h"

#include "common/Clock.h"
#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"

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

std::optional<OutlineNode> branchOf(LinkListView &view, const QString &documentName)
{
    ColorListViewItem *current = view.currentTheme();
    const bool whole = !current || current == view.rootTheme();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const TextEncoding form = view.textEncoding();
    view.setTextEncoding(TextEncoding::Utf8);
    const int result = saveTree(view, &buffer, whole ? 0 : SAVE_BRANCH, nullptr, nullptr);
    view.setTextEncoding(form);
    if (result <= 0)
        return std::nullopt;
    OutlineNode root = OutlineTreeFile::read(buffer.data());
    root.name = whole ? documentName : current->name();
    root.date = whole ? view.rootTheme()->date() : current->date();
    return root;
}

void load(LinkListView &view, const OutlineNode &root, const QString &name, int flags,
          QProgressBar *progress)
{
    const QDate date = root.date.isValid() ? root.date : Clock::today();
    loadTreeBytes(view, OutlineTreeFile::write(root), name, QDateTime(date, QTime(0, 0)), flags,
                  progress);
}

} // namespace OutlineAdapter
