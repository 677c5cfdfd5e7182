#pragma once

#include "storage/Outline.h"

class ThemeDocument;

// The one way between a document and an outline, through the tree file form in memory, so that
// link groups and dates are those of a tree file. The window's side is in tree/ViewDocument.h.
namespace OutlineAdapter {

// The whole document as an outline named `documentName`.
OutlineNode wholeOf(ThemeDocument &document, const QString &documentName);

} // namespace OutlineAdapter
