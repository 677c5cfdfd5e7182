#pragma once

#include <QString>

// A (line, column) position of a text; a line ends at a line feed, so wrapping never makes lines.
struct ColumnLine
{
    int column = 0;
    int line = 0;
    bool operator==(const ColumnLine &) const = default;
};

class QTextBlock;
class QTextCursor;
class QTextDocument;

// The toolkit lays a text block out whole, again after every key in it: a line of megabytes takes
// seconds to show and a second a key. The editor therefore holds a line longer than
// kLongestBlock as several blocks, each after the first marked as continuing the line. The marks
// live in the block formats, so undo and redo carry them. These functions read and write the
// document in lines of the text as stored: a cut is no line break.
namespace LineCuts {

constexpr int kLongestBlock = 4096;

bool continuesLine(const QTextBlock &block);

// Fills an empty document with text, as no undoable change.
void load(QTextDocument *document, const QString &text);
// Inserts text at the cursor: a line feed ends a line, a line longer than kLongestBlock is cut.
void insertText(QTextCursor &cursor, const QString &text);
// Ends the line at the cursor: the new block continues nothing.
void insertLineBreak(QTextCursor &cursor);

// The stored text between two positions of the document.
QString textBetween(const QTextDocument *document, int from, int to);

// A place as (line, column) of the stored text, and back; a place beyond the text is clamped.
ColumnLine lineColumnAt(const QTextDocument *document, int position);
int positionAt(const QTextDocument *document, ColumnLine place);

// Whether a cut lies right after (forward) or before the position: a key that deletes across it
// must first join the blocks, which leaves the text as it is.
bool cutBeside(const QTextDocument *document, int position, bool forward);
void joinCut(QTextCursor &cursor, bool forward);

} // namespace LineCuts
