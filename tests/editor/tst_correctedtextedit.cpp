#include "editor/CorrectedTextEdit.h"

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

// The position conversions written the long way, line by line.
QList<int> lineLengths(const QString &text)
{
    QList<int> lengths;
    for (const QString &line : text.split(u'\n'))
        lengths.append(int(line.size()));
    return lengths;
}

ColumnLine referenceLineCol(const QList<int> &lengths, int index)
{
    if (index <= 0)
        return {0, 0};
    int line = 0;
    while (index >= lengths[line]) {
        if (line + 1 == lengths.size())
            return {lengths[line], line};
        index -= lengths[line];
        ++line;
    }
    return {index, line};
}

constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Alt = Qt::AltModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Keypad = Qt::KeypadModifier;

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
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("keyText");
        QTest::addColumn<bool>("handled");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<QString>("expectedSelection");
        QTest::addColumn<QString>("expectedClipboard");
        QTest::addColumn<int>("changes");

        const QString two = QStringLiteral("one\ntwo");
        const Qt::KeyboardModifiers ctrl(Ctrl), ctrlAlt(Ctrl | Alt), none;
        QTest::newRow("Ctrl+A") << two << 1 << 1 << "" << int(Qt::Key_A) << ctrl << "\x01" << true
                                << two << two << "" << 0;
        QTest::newRow("Ctrl+ф code 0")
                << two << 1 << 1 << "" << 0 << ctrl << "ф" << true << two << two << "" << 0;
        QTest::newRow("Ctrl+ф letter code")
                << two << 1 << 1 << "" << 0x0424 << ctrl << "ф" << true << two << two << "" << 0;
        QTest::newRow("Ctrl+Shift+A is not Ctrl+A") << two << 1 << 1 << "" << int(Qt::Key_A)
                                                    << (Ctrl | Shift) << "\x01" << true << two << ""
                                                    << "" << 0;
        QTest::newRow("code 0 without text matches nothing")
                << two << 1 << 1 << "" << 0 << ctrl << "" << true << two << ""
                << "" << 0;

        const QString words = QStringLiteral("  alpha\n beta\n\n\ngamma  ");
        const int end = int(words.size());
        const QString reflowed = QStringLiteral("\talpha beta\n\tgamma\n");
        const QString lines = QStringLiteral("\talpha\n\tbeta\n\n\n\tgamma\n");
        const QString joined = QStringLiteral("\talpha beta gamma\n");
        QTest::newRow("Ctrl+Alt+[") << words << 0 << end << "" << int(Qt::Key_BracketLeft)
                                    << ctrlAlt << "\x1b" << true << reflowed << ""
                                    << "" << 1;
        QTest::newRow("Ctrl+Alt+х code 0")
                << words << end << 0 << "" << 0 << ctrlAlt << "х" << true << reflowed << ""
                << "" << 1;
        QTest::newRow("Ctrl+Alt+х letter code")
                << words << 0 << end << "" << 0x0425 << ctrlAlt << "х" << true << reflowed << ""
                << "" << 1;
        QTest::newRow("Ctrl+Alt+P") << words << 0 << end << "" << int(Qt::Key_P) << ctrlAlt
                                    << "\x10" << true << lines << ""
                                    << "" << 1;
        QTest::newRow("Ctrl+Alt+з code 0")
                << words << 0 << end << "" << 0 << ctrlAlt << "з" << true << lines << ""
                << "" << 1;
        QTest::newRow("Ctrl+P") << words << 0 << end << "" << int(Qt::Key_P) << ctrl << "\x10"
                                << true << joined << ""
                                << "" << 1;
        QTest::newRow("Ctrl+з letter code")
                << words << 0 << end << "" << 0x0417 << ctrl << "з" << true << joined << ""
                << "" << 1;
        QTest::newRow("Ctrl+Shift+P is not Ctrl+P")
                << words << 0 << end << "" << int(Qt::Key_P) << (Ctrl | Shift) << "\x10" << true
                << words << words << "" << 0;
        QTest::newRow("reflow past column 0")
                << "abc  alpha\n beta" << 3 << 16 << "" << int(Qt::Key_BracketLeft) << ctrlAlt << ""
                << true << "abc\n\talpha beta\n"
                << ""
                << "" << 1;
        QTest::newRow("reflow at column 0 of a later line")
                << "x\n  y" << 2 << 5 << "" << int(Qt::Key_BracketLeft) << ctrlAlt << "" << true
                << "x\n\ty\n"
                << ""
                << "" << 1;
        QTest::newRow("Ctrl+P on spaces at column 0")
                << "   \nz" << 0 << 3 << "" << int(Qt::Key_P) << ctrl << "" << true << "\n\nz"
                << ""
                << "" << 1;
        QTest::newRow("reflow without selection") << two << 2 << 2 << "" << int(Qt::Key_BracketLeft)
                                                  << ctrlAlt << "" << true << two << ""
                                                  << "" << 0;

        QTest::newRow("Ctrl+Alt+A swallowed")
                << two << 1 << 1 << "" << int(Qt::Key_A) << ctrlAlt << "a" << false << two << ""
                << "" << 0;
        QTest::newRow("Ctrl+Alt+Backspace swallowed")
                << two << 3 << 3 << "" << int(Qt::Key_Backspace) << ctrlAlt << "\b" << false << two
                << ""
                << "" << 0;
        QTest::newRow("Ctrl+Alt+ю swallowed")
                << two << 1 << 1 << "" << 0 << ctrlAlt << "ю" << false << two << ""
                << "" << 0;
        QTest::newRow("Ctrl+Alt+Keypad+[ is no command")
                << two << 0 << 3 << "" << int(Qt::Key_BracketLeft) << (Ctrl | Alt | Keypad) << ""
                << true << two << "one"
                << "" << 0;

        QTest::newRow("Ctrl+Insert copies") << "hello" << 1 << 4 << "old" << int(Qt::Key_Insert)
                                            << ctrl << "" << true << "hello"
                                            << "ell"
                                            << "ell" << 0;
        QTest::newRow("Ctrl+keypad Insert copies")
                << "hello" << 4 << 1 << "old" << int(Qt::Key_Insert) << (Ctrl | Keypad) << ""
                << true << "hello"
                << "ell"
                << "ell" << 0;
        QTest::newRow("Shift+Insert pastes") << "ab" << 1 << 1 << "XY" << int(Qt::Key_Insert)
                                             << Qt::KeyboardModifiers(Shift) << "" << true << "aXYb"
                                             << ""
                                             << "XY" << 1;
        QTest::newRow("Shift+Delete cuts") << "hello" << 1 << 4 << "old" << int(Qt::Key_Delete)
                                           << Qt::KeyboardModifiers(Shift) << "\x7f" << true << "ho"
                                           << ""
                                           << "ell" << 1;
        QTest::newRow("Shift+Return breaks the line")
                << "ab" << 1 << 1 << "" << int(Qt::Key_Return) << Qt::KeyboardModifiers(Shift)
                << "\r" << true << "a\nb"
                << ""
                << "" << 1;
        QTest::newRow("line separators end lines for the reformatting")
                << "alpha\u2028 beta" << 0 << 11 << "" << int(Qt::Key_P) << ctrlAlt << "" << true
                << "\talpha\n\tbeta\n"
                << ""
                << "" << 1;
        QTest::newRow("Shift+Alt+Insert turns tabs into line feeds")
                << "ab" << 1 << 1 << "a\tb\tc" << int(Qt::Key_Insert) << (Shift | Alt) << "" << true
                << "ab"
                << ""
                << "a\nb\nc" << 0;
    }

    void keyBindings()
    {
        QFETCH(QString, text);
        QFETCH(int, anchor);
        QFETCH(int, position);
        QFETCH(QString, clipboard);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, keyText);
        QFETCH(bool, handled);

        CorrectedTextEdit editor(nullptr, "editBox");
        editor.setText(text);
        select(editor, anchor, position);
        QGuiApplication::clipboard()->setText(clipboard);
        QSignalSpy changes(&editor, &CorrectedTextEdit::textChangedTRUE);

        const bool result = sendKey(&editor, key, modifiers, keyText);
        QTEST(editor.text(), "expectedText");
        QTEST(selectedText(editor), "expectedSelection");
        QTEST(QGuiApplication::clipboard()->text(), "expectedClipboard");
        QTEST(int(changes.count()), "changes");
        QCOMPARE(result, handled);
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

    void readOnlyTextIsNotReformatted()
    {
        CorrectedTextEdit editor;
        editor.setReadOnly(true);
        editor.setText("a  b");
        select(editor, 0, 4);
        sendKey(&editor, Qt::Key_P, Ctrl);
        sendKey(&editor, Qt::Key_BracketLeft, Ctrl | Alt);
        QCOMPARE(editor.text(), QString("a  b"));
    }

    void altBackspaceUndoesTypingButNotLoading()
    {
        CorrectedTextEdit editor;
        editor.setText("first");
        editor.moveCursor(QTextCursor::End);
        type(&editor, "x");
        QCOMPARE(editor.text(), QString("firstx"));
        QSignalSpy changes(&editor, &CorrectedTextEdit::textChangedTRUE);
        QVERIFY(sendKey(&editor, Qt::Key_Backspace, Alt, "\b"));
        QCOMPARE(editor.text(), QString("first"));
        QCOMPARE(changes.count(), 1);

        type(&editor, "y");
        editor.setText("second");
        sendKey(&editor, Qt::Key_Backspace, Alt, "\b");
        QCOMPARE(editor.text(), QString("second"));
    }

    void setTextIsNoUserChange()
    {
        CorrectedTextEdit editor;
        QSignalSpy changes(&editor, &CorrectedTextEdit::textChangedTRUE);
        QSignalSpy baseChanges(&editor, &QPlainTextEdit::textChanged);
        editor.setText("loaded\ntext");
        editor.setText("");
        editor.setText("");
        QVERIFY(baseChanges.count() > 0);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!editor.isEdited());

        type(&editor, "z");
        QCOMPARE(changes.count(), 1);
        QVERIFY(editor.isEdited());
        editor.setText("other");
        QCOMPARE(changes.count(), 1);
        QVERIFY(!editor.isEdited());
        // Nothing is left over from loading to swallow the next user change.
        type(&editor, "q");
        QCOMPARE(changes.count(), 2);
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

    void positionConversions()
    {
        CorrectedTextEdit editor;
        editor.setText("ab\ncd");
        QCOMPARE(editor.indexToLineCol(0), (ColumnLine{0, 0}));
        QCOMPARE(editor.indexToLineCol(2), (ColumnLine{0, 1}));
        QCOMPARE(editor.indexToLineCol(4), (ColumnLine{2, 1}));
        QCOMPARE(editor.lineColToIndex(1, 1), 3);
        QCOMPARE(editor.lineColToIndex(-1, 0), -1);
        QCOMPARE(editor.lineColToIndex(0, -1), -1);
    }

    void positionConversionsFollowTheLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("one line") << "abc";
        QTest::newRow("only line feeds") << "\n\n";
        QTest::newRow("empty lines inside") << "ab\n\n\ncd\n";
        QTest::newRow("empty first line") << "\nx\n\nyz";
        QTest::newRow("many lines") << "a\nbb\n\nccc\nd\n\n\neeee\nf";
    }

    void positionConversionsFollowTheLines()
    {
        QFETCH(QString, text);
        CorrectedTextEdit editor;
        editor.setText(text);
        const QList<int> lengths = lineLengths(text);
        int total = 0;
        for (int length : lengths)
            total += length;
        for (int index = -1; index <= total + 2; ++index)
            QCOMPARE(editor.indexToLineCol(index), referenceLineCol(lengths, index));
        for (int line = 0; line <= lengths.size() + 1; ++line) {
            int before = 0;
            for (int i = 0; i < line && i < lengths.size(); ++i)
                before += lengths[i];
            for (int col = 0; col < 4; ++col)
                QCOMPARE(editor.lineColToIndex(line, col), before + col);
        }
    }
};

QTEST_MAIN(TestCorrectedTextEdit)
#include "tst_correctedtextedit.moc"
