#pragma once

#include "editor/KeyTable.h"

// The keys that the main window's event filter handles itself, as tables for KeyTable::find().
namespace WindowKeys {

enum Command {
    RaiseThisWindow,
    DetachedWindow,
    PreviousWindow,
    CtrlKPrefix,
    ApplyDescription,
    CrashTest,
    SaveBranchWithoutHidden,
    FocusDescription,
    FocusTree,
    EndFilter,
    LocationGrow,
    LocationShrink,
    LocationNarrower,
    LocationWider,
    LocationShorter,
    LocationTaller,
    LocationDisabled,
    LocationLeft,
    LocationRight,
    LocationUp,
    LocationDown,
    LocationEnd,
    LocationIgnored,
};

// Keys of every object the window watches (its widgets, dialogs and detached windows).
std::span<const KeyBinding> everywhere();
// Keys of the window, its tree and its editor.
std::span<const KeyBinding> document();
// The key after Ctrl+K; its modifiers do not count.
std::span<const KeyBinding> afterCtrlK();
std::span<const KeyBinding> tree();
std::span<const KeyBinding> editor();
// Location mode: every key press goes here and is swallowed.
std::span<const KeyBinding> location();

} // namespace WindowKeys
