#include "editor/CorrectedTextEdit.h"
#include "editor/KeyboardLayout.h"
#include "editor/Reformat.h"
#include "storage/ExportParts.h"
#include "storage/HiddenParts.h"
#include "storage/HtmlText.h"
#include "support/JsonRows.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QSignalSpy>

namespace {

// Sends a key press and its release as the windowing system would; returns the press's result.
bool sendKey(QWidget *widget, int key, Qt::KeyboardModifiers modifiers, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    const bool handled = QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &release);
    return handled;
}

void type(QWidget *widget, const QString &text)
{
    for (QChar c : text)
        sendKey(widget, 0, Qt::NoModifier, QString(c));
}

QString selectedText(const CorrectedTextEdit &editor)
{
    return editor.textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n');
}

void select(CorrectedTextEdit &editor, int anchor, int position)
{
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
}

constexpr auto Alt = Qt::AltModifier;

} // namespace

char *toString(const ColumnLine &position)
{
    return qstrdup("(column " + QByteArray::number(position.column) + ", line " +
                   QByteArray::number(position.line) + ")");
}

// The pure rules that rewrite a description: the editor's reformatting commands, hidden parts
// stripped from exports, the HTML page's escaping and line markup, and the MIME text's lines that
// read as its boundary.
static QString apply(const QString &rule, const QString &text)
{
    if (rule == "reflow")
        return Reformat::reflowParagraphs(text);
    if (rule == "one")
        return Reformat::oneParagraph(text);
    if (rule == "lines")
        return Reformat::normaliseLines(text);
    if (rule == "hidden")
        return stripHiddenParts(text);
    if (rule == "escape")
        return escapeHtml(text);
    if (rule == "html")
        return reformatHtml(text);
    if (rule == "mime")
        return ExportParts::mimeSafeText(text);
    return Reformat::placedAt(text, QString(rule).remove("column").toInt());
}

class TestCorrectedTextEdit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keyBindings_data()
    {
        JSON_ROWS("text", "selection", "press", "keyText", "expectedText", "changes",
                  "expectedSelection", "expectedClipboard", "clipboard", "flags");
    }

    void keyBindings()
    {
        FETCH_TEXTS(text, selection, press, keyText, clipboard, flags);
        CorrectedTextEdit editor(nullptr, "editBox");
        editor.setReadOnly(flags.contains('r'));
        editor.setText(text);
        select(editor, selection.section(' ', 0, 0).toInt(), selection.section(' ', 1).toInt());
        QGuiApplication::clipboard()->setText(clipboard);
        QSignalSpy changes(&editor, &CorrectedTextEdit::textChangedTRUE);
        // A key part that is a number is sent as that key code, as some layouts do.
        const QString keyPart = press.section('+', -1);
        const QKeyCombination keys = QKeySequence::fromString(press.section('+', 0, -2) + "+A")[0];
        bool number = false;
        int key = keyPart.toInt(&number, 0);
        if (!number)
            key = QKeySequence::fromString(keyPart)[0].key();
        QCOMPARE(sendKey(&editor, key, keys.keyboardModifiers(), keyText), !flags.contains('s'));
        QTEST(editor.text(), "expectedText");
        QTEST(selectedText(editor), "expectedSelection");
        QTEST(QGuiApplication::clipboard()->text(), "expectedClipboard");
        QTEST(QString::number(changes.count()), "changes");
    }

    void reformatLeavesCursorAfterReplacementAndUndoesInOneStep()
    {
        CorrectedTextEdit editor;
        editor.setText("abc  alpha\n beta\nrest");
        select(editor, 3, 16);
        editor.reflowParagraphs();
        QCOMPARE(editor.text(), QString("abc\n\talpha beta\n\nrest"));
        QCOMPARE(editor.textCursor().position(), 16);
        QVERIFY(!editor.textCursor().hasSelection());
        QVERIFY(editor.isEdited());
        sendKey(&editor, Qt::Key_Backspace, Alt);
        QCOMPARE(editor.text(), QString("abc  alpha\n beta\nrest"));
    }

    // Loading is no user change and cannot be undone; typing is, and Alt+Backspace undoes it.
    void loadingIsNoUserChange()
    {
        CorrectedTextEdit editor;
        QSignalSpy changes(&editor, &CorrectedTextEdit::textChangedTRUE);
        QSignalSpy baseChanges(&editor, &QPlainTextEdit::textChanged);
        editor.setText("loaded\ntext");
        editor.setText("");
        editor.setText("first");
        QVERIFY(baseChanges.count() > 0);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!editor.isEdited());
        editor.moveCursor(QTextCursor::End);
        type(&editor, "x");
        QCOMPARE(changes.count(), 1);
        QVERIFY(editor.isEdited());
        QVERIFY(sendKey(&editor, Qt::Key_Backspace, Alt, "\b"));
        QCOMPARE(editor.text(), QString("first"));
        QCOMPARE(changes.count(), 2);
        type(&editor, "y");
        editor.setText("other");
        QVERIFY(!editor.isEdited());
        sendKey(&editor, Qt::Key_Backspace, Alt, "\b");
        QCOMPARE(editor.text(), QString("other"));
        // Nothing is left over from loading to swallow the next user change.
        type(&editor, "q");
        QCOMPARE(changes.count(), 4);
    }

    // No-break spaces, line and paragraph separators and the frame marks of the text model come
    // out as they went in, after typing, a paste of them and a copy; lines stay the text's own.
    void textKeepsEveryCharacterItWasGiven_data() { JSON_ROWS("text"); }
    void textKeepsEveryCharacterItWasGiven()
    {
        QFETCH(QString, text);
        CorrectedTextEdit editor;
        editor.setText(text);
        QCOMPARE(editor.text(), text);
        editor.moveCursor(QTextCursor::End);
        QCOMPARE(editor.cursorLineCol(), (ColumnLine{int(text.size() - text.lastIndexOf('\n') - 1),
                                                     int(text.count('\n'))}));
        editor.moveCursor(QTextCursor::Start);
        type(&editor, "x");
        QCOMPARE(editor.text(), 'x' + text);
        editor.selectAll();
        editor.copy();
        editor.moveCursor(QTextCursor::End);
        editor.paste();
        QCOMPARE(editor.text(), 'x' + text + 'x' + text);
    }

    void setSelectionLeavesCursorAtStart()
    {
        CorrectedTextEdit editor;
        editor.setText("abc\ndef\nghi");
        editor.setSelection(0, 1, 2, 2);
        const QTextCursor cursor = editor.textCursor();
        QCOMPARE(cursor.position(), 1);
        QCOMPARE(cursor.anchor(), 10);
        QCOMPARE(selectedText(editor), QString("bc\ndef\ngh"));
        // Positions past the text stay inside it.
        editor.setSelection(1, 9, 7, 0);
        QCOMPARE(editor.textCursor().position(), 7);
        QCOMPARE(editor.textCursor().anchor(), 8);
    }

    // A line of 4096 "a" and 904 "b" is held as two blocks; keys at the cut (at the end of the
    // first block or the start of the second) act as inside a line; undo and redo step over them.
    void keysAtACut_data() { JSON_ROWS("at", "press", "from", "removed", "inserted", "cursor"); }
    void keysAtACut()
    {
        FETCH_TEXTS(at, press, from, removed, inserted);
        CorrectedTextEdit editor;
        const QString line = QString(4096, 'a') + QString(904, 'b');
        editor.setText(line);
        QCOMPARE(editor.document()->blockCount(), 2);
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(at.toInt());
        editor.setTextCursor(cursor);
        const QKeySequence keys = QKeySequence::fromString(press.size() > 1 ? press : "A");
        sendKey(&editor, keys[0].key(), keys[0].keyboardModifiers(), press.size() > 1 ? "" : press);
        const QString edited = QString(line).replace(from.toInt(), removed.toInt(), inserted);
        QCOMPARE(editor.text(), edited);
        QTEST(QString::number(editor.cursorLineCol().line) + ' ' +
                      QString::number(editor.cursorLineCol().column),
              "cursor");
        editor.undo();
        QCOMPARE(editor.text(), line);
        editor.redo();
        QCOMPARE(editor.text(), edited);
    }

    // The key a Ctrl+key press stands for, whatever the keyboard layout: a key event with a key
    // code (0: none) and a text.
    // The key code sent (0: none, else hex), the text, the code the press stands for. A character
    // sent without a key code lies on a key of the Latin layout (0: none): the Russian layout's
    // "." and "," lie on the "/" key, and its string is searched first; the Latin string holds
    // lowercase letters only, and the lookup is case-sensitive.
    void effectiveKeyCode_data() { JSON_ROWS("key", "text", "code"); }

    void effectiveKeyCode()
    {
        FETCH_TEXTS(key, text, code);
        const QKeyEvent event(QEvent::KeyPress, key.toInt(nullptr, 16), Qt::ControlModifier, text);
        QCOMPARE(KeyboardLayout::effectiveKeyCode(&event), code.toInt(nullptr, 16));
        if (key == "0" && !text.isEmpty())
            QCOMPARE(KeyboardLayout::layoutKeyCode(text[0]), code.toInt(nullptr, 16));
    }
    void rules_data() { JSON_ROWS("rule", "text", "expected"); }
    void rules()
    {
        FETCH_TEXTS(rule, text);
        QTEST(apply(rule, text), "expected");
    }
};

QTEST_MAIN(TestCorrectedTextEdit)
#include "tst_correctedtextedit.moc"
