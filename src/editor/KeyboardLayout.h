#pragma once

#include <QChar>

class QKeyEvent;

// The keyboard-layout key map: lets key bindings work the same on the Russian layout as on the
// Latin one, by mapping a typed character back to the Latin key that carries it.
namespace KeyboardLayout {

// The key code (Qt::Key_A..Qt::Key_Z, [ ] ; ' , . /) of the key that carries the character on
// the Russian or the Latin layout; 0 when the character is on none of these keys.
int layoutKeyCode(QChar c);

// The key code that key bindings compare against. The event's own code holds when it is one of
// the map's Latin or punctuation keys. Any other code (0, or a letter code such as Qt 6 gives
// a Cyrillic letter) is replaced by the mapped code of the event's first character, or of the
// code itself read as a character, when that maps; keys whose character is not in the map
// (Insert, Backspace, Return, digits, ...) keep their own code.
int effectiveKeyCode(const QKeyEvent *event);

} // namespace KeyboardLayout
