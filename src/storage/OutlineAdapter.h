#pragma once

#include "storage/Outline.h"

#include <optional>

class LinkListView;
class QProgressBar;
class ThemeDocument;

// The one way between the tree of the window and an outline, through the tree file form in
// memory, so that link groups, dates and the insert's undo step are those of a tree file.
namespace OutlineAdapter {

// The branch of the current theme, or the whole document (named `documentName`) when the root
// is current. Nothing when the tree never became stable (the writer has said so).
std::optional<OutlineNode> branchOf(LinkListView &view, const QString &documentName);

// The whole document as an outline named `documentName`.
OutlineNode wholeOf(ThemeDocument &document, const QString &documentName);

// The outline in place of the tree, or (LOAD_INSERT) as a new theme under the current theme,
// named `name` and dated with the root's date, in one undo step, as a file is inserted.
void load(LinkListView &view, const OutlineNode &root, const QString &name, int flags,
          QProgressBar *progress);

} // namespace OutlineAdapter
