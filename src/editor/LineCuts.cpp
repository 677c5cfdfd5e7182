#include "editor/LineCuts.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

constexpr int continuesProperty = QTextFormat::UserProperty + 1;
// Set on a document once it holds a cut; without it blocks are lines and no walk is needed.
constexpr char cutsProperty[] = "lineCuts";

bool hasCuts(const QTextDocument *document)
{
    return document->property(cutsProperty).toBool();
}

QTextBlockFormat formatContinuing(QTextBlockFormat format, bool continues)
{
    if (continues)
        format.setProperty(continuesProperty, true);
    else
        format.clearProperty(continuesProperty);
    return format;
}

// Where the piece of a long line from start ends: after a blank in the second half of the piece,
// so the cut looks like a wrap, else at its full length but never inside a surrogate pair.
qsizetype pieceEnd(QStringView line, qsizetype start)
{
    qsizetype end = start + LineCuts::kLongestBlock;
    if (end >= line.size())
        return line.size();
    for (qsizetype i = end - 1; i > start + LineCuts::kLongestBlock / 2; --i) {
        if (line[i].isSpace())
            return i + 1;
    }
    return line[end - 1].isHighSurrogate() ? end - 1 : end;
}

bool hasLongLine(const QString &text)
{
    qsizetype start = 0;
    for (qsizetype end = text.indexOf(u'\n'); end >= 0; end = text.indexOf(u'\n', start)) {
        if (end - start > LineCuts::kLongestBlock)
            return true;
        start = end + 1;
    }
    return text.size() - start > LineCuts::kLongestBlock;
}

void insertLine(QTextCursor &cursor, QStringView line)
{
    if (line.size() <= LineCuts::kLongestBlock) {
        cursor.insertText(line.toString());
        return;
    }
    cursor.document()->setProperty(cutsProperty, true);
    for (qsizetype start = 0; start < line.size();) {
        const qsizetype end = pieceEnd(line, start);
        if (start > 0)
            cursor.insertBlock(formatContinuing(cursor.blockFormat(), true));
        cursor.insertText(line.mid(start, end - start).toString());
        start = end;
    }
}

} // namespace

namespace LineCuts {

bool continuesLine(const QTextBlock &block)
{
    return block.blockFormat().boolProperty(continuesProperty);
}

void insertLineBreak(QTextCursor &cursor)
{
    cursor.insertBlock(formatContinuing(cursor.blockFormat(), false));
}

void load(QTextDocument *document, const QString &text)
{
    document->setProperty(cutsProperty, false);
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    insertText(cursor, text);
    document->setUndoRedoEnabled(undo);
}

void insertText(QTextCursor &cursor, const QString &text)
{
    // Nothing inserted is no change but for the selection it replaces.
    if (text.isEmpty()) {
        cursor.removeSelectedText();
        return;
    }
    // The toolkit's own insertion gives new blocks the format of the cursor's: right unless that
    // one continues a line. It is also much faster than a call per line.
    if (!hasLongLine(text) &&
        !continuesLine(cursor.document()->findBlock(cursor.selectionStart()))) {
        cursor.insertText(text);
        return;
    }
    // One undo step, as the toolkit's own insertion.
    cursor.beginEditBlock();
    bool first = true;
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        if (!first)
            insertLineBreak(cursor);
        first = false;
        insertLine(cursor, line);
    }
    cursor.endEditBlock();
}

QString textBetween(const QTextDocument *document, int from, int to)
{
    if (!hasCuts(document) && from == 0 && to == document->characterCount() - 1)
        return document->toRawText().replace(QChar::ParagraphSeparator, u'\n');
    if (!hasCuts(document)) {
        QTextCursor cursor(const_cast<QTextDocument *>(document));
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        return cursor.selectedText().replace(QChar::ParagraphSeparator, u'\n');
    }
    QString text;
    for (QTextBlock block = document->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        const int start = qMax(from, block.position());
        if (start > from && !continuesLine(block))
            text += u'\n';
        const int end = qMin(to, block.position() + block.length() - 1);
        text += QStringView(block.text()).mid(start - block.position(), end - start);
    }
    return text;
}

ColumnLine lineColumnAt(const QTextDocument *document, int position)
{
    const QTextBlock target = document->findBlock(position);
    if (!hasCuts(document))
        return {position - target.position(), target.blockNumber()};
    ColumnLine place{0, -1};
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (!continuesLine(block))
            place = {0, place.line + 1};
        if (block == target)
            return {place.column + position - block.position(), place.line};
        place.column += block.length() - 1;
    }
    return {place.column, qMax(0, place.line)};
}

int positionAt(const QTextDocument *document, ColumnLine place)
{
    QTextBlock block = document->begin();
    if (!hasCuts(document)) {
        block = document->findBlockByNumber(qBound(0, place.line, document->blockCount() - 1));
    } else {
        for (int line = 0; line < place.line;) {
            QTextBlock next = block.next();
            while (next.isValid() && continuesLine(next))
                next = next.next();
            if (!next.isValid())
                break;
            block = next;
            ++line;
        }
        while (place.column > block.length() - 1 && block.next().isValid() &&
               continuesLine(block.next())) {
            place.column -= block.length() - 1;
            block = block.next();
        }
    }
    return block.position() + qBound(0, place.column, block.length() - 1);
}

bool cutBeside(const QTextDocument *document, int position, bool forward)
{
    const QTextBlock block = document->findBlock(position);
    if (forward)
        return position == block.position() + block.length() - 1 && block.next().isValid() &&
               continuesLine(block.next());
    return position == block.position() && continuesLine(block);
}

void joinCut(QTextCursor &cursor, bool forward)
{
    // The joined block keeps the format of the first: it continues what that one continued.
    if (forward)
        cursor.deleteChar();
    else
        cursor.deletePreviousChar();
}

} // namespace LineCuts
