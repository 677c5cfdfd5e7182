#pragma once

#include "app/DocumentState.h"

class ColorListViewItem;
class LinkListView;

// A document state against the tree widget: the window's part without the description.
namespace TreeState {

// Opens the themes that still exist, makes the current theme current (its nearest ancestor when
// it is gone, without its cursor) and scrolls the tree. Returns the current theme when it was
// found itself, else null.
ColorListViewItem *apply(LinkListView &tree, const DocumentState &state);
// The open themes, the current theme and the tree's scroll into `state`.
void capture(LinkListView &tree, DocumentState &state);

} // namespace TreeState
