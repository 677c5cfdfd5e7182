#pragma once

#include "editor/CorrectedTextEdit.h"

#include <QString>

// Searching one string (a theme's name or description) and mapping between its indexes and the
// editor's (line, column) positions. A description is one string with line feeds; the editor
// shows each of its lines as a text block, so a line feed is the one character between blocks.
namespace FindText {

// Forwards the first occurrence starting at `from` or later; backwards the last one starting at
// `from` or earlier. -1 when there is none, also for a start outside the string.
int occurrence(QStringView text, QStringView what, int from, bool backwards, bool caseSensitive);

// The string index of (line, column): a column past its line ends at the line's end, a line
// past the text at the text's end.
int indexAt(const QString &text, int line, int column);

// The (line, column) of a string index. The index of a line feed is the end of its line, the
// index after it the start of the next line, so a match that begins or ends with a line feed
// is selected exactly.
ColumnLine positionAt(const QString &text, int index);

} // namespace FindText
