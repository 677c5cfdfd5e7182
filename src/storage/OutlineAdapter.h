#pragma once

#include "storage/Outline.h"

class Theme;
class ThemeDocument;

// The one way between a document and an outline, through the tree file form in memory, so that
// link groups and dates are those of a tree file.
namespace OutlineAdapter {

// The whole document as an outline named `documentName`.
OutlineNode wholeOf(ThemeDocument &document, const QString &documentName);
// The branch of `top`, named after it; the whole document for the root.
OutlineNode branchOf(ThemeDocument &document, Theme *top, const QString &documentName);

} // namespace OutlineAdapter
