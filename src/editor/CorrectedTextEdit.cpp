#include "editor/CorrectedTextEdit.h"

#include "common/Assertions.h"
#include "editor/KeyboardLayout.h"
#include "editor/Reformat.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

CorrectedTextEdit::CorrectedTextEdit(QWidget *parent, const QString &name)
    : QPlainTextEdit(parent)
{
    setObjectName(name);
    CONNECT_ASSERT(
            connect(this, &QPlainTextEdit::textChanged, this, &CorrectedTextEdit::textChangedSlot));
}

QString CorrectedTextEdit::text() const
{
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    return raw;
}

bool CorrectedTextEdit::isEdited() const
{
    return document()->isModified();
}

void CorrectedTextEdit::setEdited(bool edited)
{
    document()->setModified(edited);
}

void CorrectedTextEdit::setText(const QString &text)
{
    m_settingText = true;
    setPlainText(text);
    // The base editor may signal a change any number of times while loading, or not at all.
    m_settingText = false;
    setEdited(false);
}

void CorrectedTextEdit::textChangedSlot()
{
    if (m_settingText)
        return;
    emit textChangedTRUE();
}

void CorrectedTextEdit::setSelection(int line, int col, int line2, int col2)
{
    const auto position = [this](int l, int c) {
        const QTextDocument *doc = document();
        const QTextBlock block = doc->findBlockByNumber(qBound(0, l, doc->blockCount() - 1));
        return block.position() + qBound(0, c, block.length() - 1);
    };
    QTextCursor cursor = textCursor();
    cursor.setPosition(position(line2, col2));
    cursor.setPosition(position(line, col), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

int CorrectedTextEdit::lengthBefore(int line) const
{
    const QTextDocument *doc = document();
    if (line < doc->blockCount())
        return doc->findBlockByNumber(line).position() - line;
    // Every line but the last ends in one line break, and the document adds one more.
    return doc->characterCount() - doc->blockCount();
}

int CorrectedTextEdit::lineColToIndex(int line, int col) const
{
    if (line < 0 || col < 0)
        return -1;
    return lengthBefore(line) + col;
}

ColumnLine CorrectedTextEdit::indexToLineCol(int index) const
{
    if (index <= 0)
        return {0, 0};
    // The first line whose end lies past the index; the ends grow with the line number.
    const int lines = document()->blockCount();
    int low = 0;
    int high = lines;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (lengthBefore(middle + 1) > index)
            high = middle;
        else
            low = middle + 1;
    }
    if (low == lines) {
        const int last = lines - 1;
        return {lengthBefore(lines) - lengthBefore(last), last};
    }
    return {index - lengthBefore(low), low};
}

void CorrectedTextEdit::reflowParagraphs()
{
    replaceSelection(&Reformat::reflowParagraphs);
}

void CorrectedTextEdit::oneParagraph()
{
    replaceSelection(&Reformat::oneParagraph);
}

void CorrectedTextEdit::normaliseLines()
{
    replaceSelection(&Reformat::normaliseLines);
}

void CorrectedTextEdit::replaceSelection(QString (*reformat)(const QString &))
{
    QTextCursor cursor = textCursor();
    // A read-only text (key help, symbol table) must not change under a key binding.
    if (!cursor.hasSelection() || isReadOnly())
        return;
    const int start = cursor.selectionStart();
    const int column = start - document()->findBlock(start).position();
    QString taken = cursor.selectedText();
    taken.replace(QChar::ParagraphSeparator, u'\n');
    const QString replacement = Reformat::placedAt(reformat(taken), column);
    // One edit block: one undo step and one change signal.
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    cursor.insertText(replacement);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

bool CorrectedTextEdit::event(QEvent *e)
{
    // Event filters have already run; only key events carry bindings of ours.
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        if (const std::optional<bool> handled = handleKey(static_cast<QKeyEvent *>(e)))
            return *handled;
    }
    return QPlainTextEdit::event(e);
}

std::optional<bool> CorrectedTextEdit::handleKey(QKeyEvent *e)
{
    const bool press = e->type() == QEvent::KeyPress;
    const int key = KeyboardLayout::effectiveKeyCode(e);
    // Ctrl+Alt is compared unmasked; its keys that are no command are swallowed: the base
    // editor would type a character for some of them.
    if (press && e->modifiers() == (Qt::ControlModifier | Qt::AltModifier)) {
        if (key == Qt::Key_BracketLeft) {
            reflowParagraphs();
            return true;
        }
        if (key == Qt::Key_P) {
            normaliseLines();
            return true;
        }
        return false;
    }
    if (!press)
        return std::nullopt;

    const Qt::KeyboardModifiers modifiers = e->modifiers() & ~Qt::KeypadModifier;
    const auto is = [&](Qt::KeyboardModifiers wanted, int wantedKey) {
        return modifiers == wanted && key == wantedKey;
    };
    if (is(Qt::ControlModifier, Qt::Key_A)) {
        selectAll();
        return true;
    }
    if (is(Qt::ControlModifier, Qt::Key_P)) {
        oneParagraph();
        return true;
    }
    if (is(Qt::AltModifier, Qt::Key_Backspace)) {
        sendCtrlKey(e, Qt::Key_Z, Qt::ControlModifier);
        return true;
    }
    if (is(Qt::ControlModifier, Qt::Key_Insert)) {
        sendCtrlKey(e, Qt::Key_C, e->modifiers());
        return true;
    }
    if (is(Qt::ShiftModifier, Qt::Key_Insert)) {
        sendCtrlKey(e, Qt::Key_V, Qt::ControlModifier);
        return true;
    }
    if (is(Qt::ShiftModifier, Qt::Key_Delete)) {
        sendCtrlKey(e, Qt::Key_X, Qt::ControlModifier);
        return true;
    }
    if (is(Qt::ShiftModifier | Qt::AltModifier, Qt::Key_Insert)) {
        // Tab-separated cells copied elsewhere paste as one cell a line; the key goes on.
        QClipboard *clipboard = QGuiApplication::clipboard();
        QString text = clipboard->text();
        // An unchanged text is not put back, so other formats on the clipboard survive.
        if (text.contains(u'\t'))
            clipboard->setText(text.replace(u'\t', u'\n'));
    }
    return std::nullopt;
}

void CorrectedTextEdit::sendCtrlKey(const QKeyEvent *incoming, int key,
                                    Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(), incoming->isAutoRepeat(),
                    ushort(incoming->count()));
    QCoreApplication::sendEvent(this, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, QString(), incoming->isAutoRepeat(),
                      ushort(incoming->count()));
    QCoreApplication::sendEvent(this, &release);
}
