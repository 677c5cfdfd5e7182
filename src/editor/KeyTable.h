#pragma once

#include <QString>
#include <Qt>

#include <span>

class QKeyEvent;

// One key binding of a widget: which key with which modifiers runs which of its commands.
// Widgets keep their bindings in constant tables and dispatch through KeyTable::find(), so every
// key is bound in one place and the program's key list is read back from the same tables.
struct KeyBinding
{
    enum Match {
        Exact,        // modifiers equal, the keypad flag masked off
        Unmasked,     // modifiers equal, the keypad flag counted
        AnyModifiers, // modifiers not compared
        Keypad,       // the keypad flag set; other modifiers not compared
    };
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    int key = 0;     // Qt::Key_*; 0 matches every key
    int lastKey = 0; // with key: the range key..lastKey (digits)
    int command = 0; // the owner's command number
    // What the key does, for the key list; null keeps the binding out of the list.
    const char *description = nullptr;
    Match match = Exact;
};

namespace KeyTable {

// The first binding of the table that the key event matches, or null. Keys are compared through
// the keyboard-layout map, so a Cyrillic letter counts as the Latin key that carries it.
const KeyBinding *find(std::span<const KeyBinding> table, const QKeyEvent *event);

// The key as the key list shows it: "Ctrl+Alt+Left", "Alt+1..9", "Num++".
QString keyText(const KeyBinding &binding);

} // namespace KeyTable
