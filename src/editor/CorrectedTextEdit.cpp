#include "editor/CorrectedTextEdit.h"

#include "common/Assertions.h"
#include "editor/KeyTable.h"
#include "editor/Reformat.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
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

bool CorrectedTextEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return source && !source->formats().isEmpty() && QPlainTextEdit::canInsertFromMimeData(source);
}

void CorrectedTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || source->formats().isEmpty())
        return;
    if (!source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // Inserted as typed: the base editor's paste turns no-break spaces into spaces.
    QTextCursor cursor = textCursor();
    LineCuts::insertText(cursor, m_standIns.toEditor(source->text()));
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData *CorrectedTextEdit::createMimeDataFromSelection() const
{
    // Plain text as the editor holds it: the base editor's copy turns no-break spaces into spaces.
    auto *copied = new QMimeData;
    copied->setText(selectedText());
    return copied;
}

QString CorrectedTextEdit::withLineFeeds(QString text)
{
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

QString CorrectedTextEdit::text() const
{
    return m_standIns.fromEditor(
            withLineFeeds(LineCuts::textBetween(document(), 0, document()->characterCount() - 1)));
}

QString CorrectedTextEdit::selectedText() const
{
    const QTextCursor cursor = textCursor();
    return m_standIns.fromEditor(withLineFeeds(
            LineCuts::textBetween(document(), cursor.selectionStart(), cursor.selectionEnd())));
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
    m_standIns.chooseFor(text);
    setPlainText(QString());
    LineCuts::load(document(), m_standIns.toEditor(text));
    moveCursor(QTextCursor::Start);
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
    QTextCursor cursor = textCursor();
    cursor.setPosition(LineCuts::positionAt(document(), {col2, line2}));
    cursor.setPosition(LineCuts::positionAt(document(), {col, line}), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

ColumnLine CorrectedTextEdit::cursorLineCol() const
{
    return LineCuts::lineColumnAt(document(), textCursor().position());
}

void CorrectedTextEdit::setCursorLineCol(ColumnLine place)
{
    setSelection(place.line, place.column, place.line, place.column);
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
    const int column = LineCuts::lineColumnAt(document(), cursor.selectionStart()).column;
    // The reformatting ends lines at the line and paragraph separators too.
    const QString taken = withLineFeeds(selectedText());
    const QString replacement = m_standIns.toEditor(Reformat::placedAt(reformat(taken), column));
    // One edit block: one undo step and one change signal.
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    LineCuts::insertText(cursor, replacement);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

bool CorrectedTextEdit::event(QEvent *e)
{
    // Event filters have already run; only key events carry bindings of ours.
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        if (const std::optional<bool> handled = handleKey(static_cast<QKeyEvent *>(e)))
            return *handled;
        if (const std::optional<bool> handled = keyAtCut(static_cast<QKeyEvent *>(e)))
            return *handled;
    }
    return QPlainTextEdit::event(e);
}

namespace {

enum EditorCommand {
    ReflowParagraphs,
    NormaliseLines,
    SwallowCtrlAlt,
    SelectAll,
    OneParagraph,
    Undo,
    Copy,
    Paste,
    Cut,
    TabsToLines,
    LineBreak,
};

using Qt::AltModifier;
using Qt::ControlModifier;
using Qt::ShiftModifier;

const KeyBinding editorKeys[] = {
        // Ctrl+Alt is compared unmasked; its keys that are no command are swallowed: the base
        // editor would type a character for some of them.
        {ControlModifier | AltModifier, Qt::Key_BracketLeft, 0, ReflowParagraphs,
         "Reflow the selected paragraphs (Форматировать абзацы)", KeyBinding::Unmasked},
        {ControlModifier | AltModifier, Qt::Key_P, 0, NormaliseLines,
         "Tidy the selected lines (Выровнять строки)", KeyBinding::Unmasked},
        {ControlModifier | AltModifier, 0, 0, SwallowCtrlAlt, nullptr, KeyBinding::Unmasked},
        {ControlModifier, Qt::Key_A, 0, SelectAll, "Select all (Выделить всё)"},
        {ControlModifier, Qt::Key_P, 0, OneParagraph,
         "Make the selection one paragraph (Один абзац)"},
        {AltModifier, Qt::Key_Backspace, 0, Undo, "Undo (Отменить)"},
        {ControlModifier, Qt::Key_Insert, 0, Copy, "Copy (Копировать)"},
        {ShiftModifier, Qt::Key_Insert, 0, Paste, "Paste (Вставить)"},
        {ShiftModifier, Qt::Key_Delete, 0, Cut, "Cut (Вырезать)"},
        {ShiftModifier | AltModifier, Qt::Key_Insert, 0, TabsToLines,
         "Paste table cells one a line (Вставить ячейки таблицы по строкам)"},
        // A line break is a new line, as Return makes, not the toolkit's line separator.
        // Either way the new line continues no cut line (the toolkit would copy the mark).
        {ShiftModifier, Qt::Key_Return, 0, LineBreak, nullptr},
        {ShiftModifier, Qt::Key_Enter, 0, LineBreak, nullptr},
        {Qt::NoModifier, Qt::Key_Return, 0, LineBreak, nullptr},
        {Qt::NoModifier, Qt::Key_Enter, 0, LineBreak, nullptr},
};

} // namespace

std::span<const KeyBinding> CorrectedTextEdit::keyBindings()
{
    return editorKeys;
}

std::optional<bool> CorrectedTextEdit::handleKey(QKeyEvent *e)
{
    if (e->type() != QEvent::KeyPress)
        return std::nullopt;
    const KeyBinding *binding = KeyTable::find(editorKeys, e);
    if (!binding)
        return std::nullopt;
    switch (binding->command) {
    case ReflowParagraphs:
        reflowParagraphs();
        return true;
    case NormaliseLines:
        normaliseLines();
        return true;
    case SwallowCtrlAlt:
        return false;
    case SelectAll:
        selectAll();
        return true;
    case OneParagraph:
        oneParagraph();
        return true;
    case Undo:
        sendCtrlKey(e, Qt::Key_Z, Qt::ControlModifier);
        return true;
    case Copy:
        sendCtrlKey(e, Qt::Key_C, e->modifiers());
        return true;
    case Paste:
        sendCtrlKey(e, Qt::Key_V, Qt::ControlModifier);
        return true;
    case Cut:
        sendCtrlKey(e, Qt::Key_X, Qt::ControlModifier);
        return true;
    case TabsToLines: {
        // Tab-separated cells copied elsewhere paste as one cell a line; the key goes on.
        QClipboard *clipboard = QGuiApplication::clipboard();
        QString text = clipboard->text();
        // An unchanged text is not put back, so other formats on the clipboard survive.
        if (text.contains(u'\t'))
            clipboard->setText(text.replace(u'\t', u'\n'));
        return std::nullopt;
    }
    case LineBreak: {
        if (isReadOnly())
            return std::nullopt;
        QTextCursor cursor = textCursor();
        LineCuts::insertLineBreak(cursor);
        setTextCursor(cursor);
        ensureCursorVisible();
        return true;
    }
    }
    return std::nullopt;
}

std::optional<bool> CorrectedTextEdit::keyAtCut(QKeyEvent *e)
{
    if (e->type() != QEvent::KeyPress)
        return std::nullopt;
    QTextCursor cursor = textCursor();
    const bool forward = e->key() == Qt::Key_Delete;
    if (forward || e->key() == Qt::Key_Backspace) {
        // Joining first makes the key delete what it deletes inside a line, in one undo step.
        if (isReadOnly() || cursor.hasSelection() ||
            !LineCuts::cutBeside(document(), cursor.position(), forward))
            return std::nullopt;
        cursor.beginEditBlock();
        LineCuts::joinCut(cursor, forward);
        const bool handled = QPlainTextEdit::event(e);
        cursor.endEditBlock();
        return handled;
    }
    if (e->key() != Qt::Key_Left && e->key() != Qt::Key_Right)
        return std::nullopt;
    // A step across a cut alone stays at the same place of the text: one more step leaves it.
    const int before = cursor.position();
    const bool handled = QPlainTextEdit::event(e);
    const int after = textCursor().position();
    if (qAbs(after - before) == 1 && LineCuts::cutBeside(document(), qMin(before, after), true))
        QPlainTextEdit::event(e);
    return handled;
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
