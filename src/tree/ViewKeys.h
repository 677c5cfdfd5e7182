#pragma once

#include "editor/KeyTable.h"

#include <span>

class QAbstractScrollArea;

// The keys of a theme tree view, shared by every view of the tree. The editing commands' keys
// are the window's menu shortcuts as well, and are listed there.
namespace ViewKeys {

enum Command {
    Rename,
    Delete,
    Paste,
    Cut,
    InsertUp,
    InsertInto,
    InsertDown,
    Copy,
    MoveLeft,
    MoveUp,
    MoveRight,
    MoveDown,
    ScrollLeft,
    ScrollUp,
    ScrollRight,
    ScrollDown,
    Redo,
    OpenTheme, // the toolkit's own Right when the theme is open already
    OpenBranch,
    NotHandled, // left to the window's commands, not to the toolkit's cursor movement
};

std::span<const KeyBinding> table();

// Scrolls the area by half a page in the direction of a Scroll command.
void scrollHalfPage(QAbstractScrollArea *area, Command direction);

} // namespace ViewKeys
