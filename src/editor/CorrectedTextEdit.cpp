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

namespace {

// The toolkit wraps at word boundaries and, in a line without any, measures the rest of the line
// again for every row it makes: laying out such a line takes minutes. Texts with a run this long
// without a blank wrap anywhere instead.
constexpr int longestWrappedRun = 2000;

bool hasUnbrokenRun(const QString &text)
{
    int run = 0;
    for (QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > longestWrappedRun)
            return true;
    }
    return false;
}

} // namespace

CorrectedTextEdit::CorrectedTextEdit(QWidget *parent, const QString &name)
    : QPlainTextEdit(parent)
    , m_wordWrap(wordWrapMode())
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
    cursor.insertText(m_standIns.toEditor(source->text()));
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData *CorrectedTextEdit::createMimeDataFromSelection() const
{
    // Plain text as the editor holds it: the base editor's copy turns no-break spaces into spaces.
    auto *copied = new QMimeData;
    copied->setText(m_standIns.fromEditor(withLineFeeds(textCursor().selectedText())));
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
    return m_standIns.fromEditor(withLineFeeds(document()->toRawText()));
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
    // Before the text goes in: the wrap mode lays out whatever the editor holds again.
    setPlainText(QString());
    setWordWrapMode(hasUnbrokenRun(text) ? QTextOption::WrapAnywhere : m_wordWrap);
    setPlainText(m_standIns.toEditor(text));
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
    // The reformatting ends lines at the line and paragraph separators too.
    const QString taken = withLineFeeds(m_standIns.fromEditor(cursor.selectedText()));
    const QString replacement = m_standIns.toEditor(Reformat::placedAt(reformat(taken), column));
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
        {ShiftModifier, Qt::Key_Return, 0, LineBreak, nullptr},
        {ShiftModifier, Qt::Key_Enter, 0, LineBreak, nullptr},
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
    case LineBreak:
        if (isReadOnly())
            return std::nullopt;
        textCursor().insertBlock();
        ensureCursorVisible();
        return true;
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
