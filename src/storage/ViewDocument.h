#pragma once

#include <memory>

class ColorListViewItem;
class LinkListView;
class Theme;
class ThemeDocument;

// The tree of the window and the document model, while the window still holds its themes as
// rows: a copy of the rows as a document for the writer, and rows built from a document read.
namespace ViewDocument {

// The view's document as a file holds it: every theme but the placeholder rows of links, with
// its link groups and the member holding each group's subthemes, in the view's text form. The
// current theme's description is the one being edited; a link that is `top` carries the text
// it shows. `topCopy` gets the copy of `top`.
std::unique_ptr<ThemeDocument> snapshot(LinkListView &view, ColorListViewItem *top,
                                        Theme **topCopy);

// Appends the subthemes of `source` below `target` as rows, in the order a file gives them,
// each named, dated and joined to its link group through the view's primitives.
void buildRows(LinkListView &view, const Theme *source, ColorListViewItem *target);

} // namespace ViewDocument
