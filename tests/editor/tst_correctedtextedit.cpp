#include "editor/CorrectedTextEdit.h"
#include "support/Rows.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

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

constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Alt = Qt::AltModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Keypad = Qt::KeypadModifier;

// A key pressed on a text with a selection from anchor to position: the text, selection and
// clipboard afterwards, and the number of user changes.
struct KeyRow
{
    const char *name;
    QString text;
    int anchor, position, key;
    Qt::KeyboardModifiers modifiers;
    QString keyText, expectedText;
    int changes;
    QString expectedSelection = {}, expectedClipboard = {}, clipboard = {};
    bool handled = true, readOnly = false;
};

} // namespace

char *toString(const ColumnLine &position)
{
    return qstrdup("(column " + QByteArray::number(position.column) + ", line " +
                   QByteArray::number(position.line) + ")");
}

class TestCorrectedTextEdit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keyBindings_data()
    {
        const QString two = QStringLiteral("one\ntwo"),
                      words = QStringLiteral("  alpha\n beta\n\n\ngamma  ");
        const int end = int(words.size());
        const QString reflowed = QStringLiteral("\talpha beta\n\tgamma\n");
        const QString lines = QStringLiteral("\talpha\n\tbeta\n\n\n\tgamma\n");
        const QString joined = QStringLiteral("\talpha beta gamma\n");
        const Qt::KeyboardModifiers ctrl(Ctrl), ctrlAlt(Ctrl | Alt), shift(Shift);
        using P = Qt::Key;
        addRows<KeyRow>({
                {"Ctrl+A", two, 1, 1, P::Key_A, ctrl, "\x01", two, 0, two},
                {"Ctrl+ф code 0", two, 1, 1, 0, ctrl, "ф", two, 0, two},
                {"Ctrl+ф letter code", two, 1, 1, 0x0424, ctrl, "ф", two, 0, two},
                {"Ctrl+Shift+A is not Ctrl+A", two, 1, 1, P::Key_A, Ctrl | Shift, "\x01", two, 0},
                {"code 0 without text matches nothing", two, 1, 1, 0, ctrl, "", two, 0},
                {"Ctrl+Alt+[", words, 0, end, P::Key_BracketLeft, ctrlAlt, "\x1b", reflowed, 1},
                {"Ctrl+Alt+х code 0", words, end, 0, 0, ctrlAlt, "х", reflowed, 1},
                {"Ctrl+Alt+х letter code", words, 0, end, 0x0425, ctrlAlt, "х", reflowed, 1},
                {"Ctrl+Alt+P", words, 0, end, P::Key_P, ctrlAlt, "\x10", lines, 1},
                {"Ctrl+Alt+з code 0", words, 0, end, 0, ctrlAlt, "з", lines, 1},
                {"Ctrl+P", words, 0, end, P::Key_P, ctrl, "\x10", joined, 1},
                {"Ctrl+з letter code", words, 0, end, 0x0417, ctrl, "з", joined, 1},
                {"Ctrl+Shift+P is not Ctrl+P", words, 0, end, P::Key_P, Ctrl | Shift, "\x10", words,
                 0, words},
                {"read-only text is not reformatted", words, 0, end, P::Key_P, ctrl, "", words, 0,
                 words, "", "", true, true},
                {"reflow past column 0", "abc  alpha\n beta", 3, 16, P::Key_BracketLeft, ctrlAlt,
                 "", "abc\n\talpha beta\n", 1},
                {"reflow at column 0 of a later line", "x\n  y", 2, 5, P::Key_BracketLeft, ctrlAlt,
                 "", "x\n\ty\n", 1},
                {"Ctrl+P on spaces at column 0", "   \nz", 0, 3, P::Key_P, ctrl, "", "\n\nz", 1},
                {"reflow without selection", two, 2, 2, P::Key_BracketLeft, ctrlAlt, "", two, 0},
                {"Ctrl+Alt+A swallowed", two, 1, 1, P::Key_A, ctrlAlt, "a", two, 0, "", "", "",
                 false},
                {"Ctrl+Alt+Backspace swallowed", two, 3, 3, P::Key_Backspace, ctrlAlt, "\b", two, 0,
                 "", "", "", false},
                {"Ctrl+Alt+ю swallowed", two, 1, 1, 0, ctrlAlt, "ю", two, 0, "", "", "", false},
                {"Ctrl+Alt+Keypad+[ is no command", two, 0, 3, P::Key_BracketLeft,
                 Ctrl | Alt | Keypad, "", two, 0, "one"},
                {"Ctrl+Insert copies", "hello", 1, 4, P::Key_Insert, ctrl, "", "hello", 0, "ell",
                 "ell", "old"},
                {"Ctrl+keypad Insert copies", "hello", 4, 1, P::Key_Insert, Ctrl | Keypad, "",
                 "hello", 0, "ell", "ell", "old"},
                {"Shift+Insert pastes", "ab", 1, 1, P::Key_Insert, shift, "", "aXYb", 1, "", "XY",
                 "XY"},
                {"Shift+Delete cuts", "hello", 1, 4, P::Key_Delete, shift, "\x7f", "ho", 1, "",
                 "ell", "old"},
                {"Shift+Return breaks the line", "ab", 1, 1, P::Key_Return, shift, "\r", "a\nb", 1},
                {"line separators end lines for the reformatting", "alpha\u2028 beta", 0, 11,
                 P::Key_P, ctrlAlt, "", "\talpha\n\tbeta\n", 1},
                {"Shift+Alt+Insert turns tabs into line feeds", "ab", 1, 1, P::Key_Insert,
                 Shift | Alt, "", "ab", 0, "", "a\nb\nc", "a\tb\tc"},
        });
    }

    void keyBindings()
    {
        QFETCH(KeyRow, row);
        CorrectedTextEdit editor(nullptr, "editBox");
        editor.setReadOnly(row.readOnly);
        editor.setText(row.text);
        select(editor, row.anchor, row.position);
        QGuiApplication::clipboard()->setText(row.clipboard);
        QSignalSpy changes(&editor, &CorrectedTextEdit::textChangedTRUE);

        QCOMPARE(sendKey(&editor, row.key, row.modifiers, row.keyText), row.handled);
        QCOMPARE(editor.text(), row.expectedText);
        QCOMPARE(selectedText(editor), row.expectedSelection);
        QCOMPARE(QGuiApplication::clipboard()->text(), row.expectedClipboard);
        QCOMPARE(int(changes.count()), row.changes);
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

    void textKeepsNoBreakSpacesAndEndsLinesAtSeparators()
    {
        CorrectedTextEdit editor;
        editor.setText(QStringLiteral("a\u00a0b\n\nc\u2028d\u2029e\n"));
        QCOMPARE(editor.text(), QStringLiteral("a\u00a0b\n\nc\nd\ne\n"));
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

    // Positions count the characters of the lines without their line feeds.
    void positionConversionsFollowTheLines_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *text : {"", "abc", "\n\n", "\nx\n\nyz", "a\nbb\n\nccc\nd\n\n\neeee\nf"})
            QTest::newRow(qPrintable("text " + QString(text).replace(u'\n', u'|')))
                    << QString(text);
    }

    void positionConversionsFollowTheLines()
    {
        QFETCH(QString, text);
        CorrectedTextEdit editor;
        editor.setText(text);
        const QStringList lines = text.split(u'\n');
        int index = 0;
        for (int line = 0; line < lines.size() + 2; ++line) {
            for (int col = 0; col < 4; ++col)
                QCOMPARE(editor.lineColToIndex(line, col), index + col);
            QCOMPARE(editor.lineColToIndex(line, -1), -1);
            for (int col = 0; col < lines.value(line).size(); ++col, ++index)
                QCOMPARE(editor.indexToLineCol(index),
                         index ? (ColumnLine{col, line}) : ColumnLine{});
        }
        for (int past : {-1, index, index + 2})
            QCOMPARE(editor.indexToLineCol(past),
                     past <= 0 ? ColumnLine{}
                               : (ColumnLine{int(lines.last().size()), int(lines.size() - 1)}));
        QCOMPARE(editor.lineColToIndex(-1, 0), -1);
    }
};

QTEST_MAIN(TestCorrectedTextEdit)
#include "tst_correctedtextedit.moc"
