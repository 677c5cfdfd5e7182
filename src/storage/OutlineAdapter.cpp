#include "storage/OutlineAdapter.h"

#include "model/ThemeDocument.h"
#include "storage/TreeFile.h"

namespace OutlineAdapter {

OutlineNode wholeOf(ThemeDocument &document, const QString &documentName)
{
    return branchOf(document, document.root(), documentName);
}

OutlineNode branchOf(ThemeDocument &document, Theme *top, const QString &documentName)
{
    const bool whole = top == document.root();
    OutlineNode root =
            OutlineTreeFile::read(utf8Tree(document, top, whole ? 0 : SAVE_BRANCH, nullptr));
    root.name = whole ? documentName : top->name();
    root.date = top->date();
    return root;
}

} // namespace OutlineAdapter
