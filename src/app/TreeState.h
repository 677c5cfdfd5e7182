#pragma once

#include "app/DocumentState.h"

#include <QHash>
#include <QPair>

class Theme;
class ThemeView;

// A document state against the window's tree: the window's part without the description.
namespace TreeState {

// Opens the themes that still exist, makes the current theme current (its nearest ancestor when
// it is gone, without its cursor, which otherwise goes into `cursors` first) and scrolls the
// tree. Returns the current theme when it was found itself, else null.
Theme *apply(ThemeView &view, const DocumentState &state,
             QHash<const Theme *, QPair<int, int>> &cursors);
// The open themes, the current theme and the tree's scroll into `state`.
void capture(ThemeView &view, DocumentState &state);

} // namespace TreeState
