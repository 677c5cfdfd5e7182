#include "editor/KeyboardLayout.h"
#include "support/Rows.h"

#include <QKeyEvent>

// The key a Ctrl+key press stands for, whatever the keyboard layout: a key event with a key code
// (0: none) and a text.
struct LayoutRow
{
    const char *name;
    int key;
    QString text;
    int code;
};

class TestKeyboardLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void effectiveKeyCode_data()
    {
        using K = Qt::Key;
        addRows<LayoutRow>({
                {"ф", 0, "ф", K::Key_A},
                {"Ф", 0, "Ф", K::Key_A},
                {"й", 0, "й", K::Key_Q},
                {"х", 0, "х", K::Key_BracketLeft},
                {"Ъ", 0, "Ъ", K::Key_BracketRight},
                {"ж", 0, "ж", K::Key_Semicolon},
                {"э", 0, "э", K::Key_Apostrophe},
                {"б", 0, "б", K::Key_Comma},
                {"Ю", 0, "Ю", K::Key_Period},
                // The Russian layout's "." and "," lie on the "/" key, and its string is searched
                // first.
                {".", 0, ".", K::Key_Slash},
                {",", 0, ",", K::Key_Slash},
                {"z", 0, "z", K::Key_Z},
                // The Latin string holds lowercase letters only, and the lookup is case-sensitive.
                {"M", 0, "M", 0},
                {"[", 0, "[", K::Key_BracketLeft},
                {"/", 0, "/", K::Key_Slash},
                {"ё", 0, "ё", 0},
                {"{", 0, "{", 0},
                {"1", 0, "1", 0},
                {"code 0, no text", 0, "", 0},
                {"Latin letter with control text", K::Key_A, "\x01", K::Key_A},
                {"a letter's code wins over its text", K::Key_A, "q", K::Key_A},
                {"letter code Cyrillic", 0x0424, "ф", K::Key_A},
                {"letter code without text", 0x0425, "", K::Key_BracketLeft},
                {"unmapped letter code", 0x0401, "ё", 0x0401},
                {"period keeps its key", K::Key_Period, ".", K::Key_Period},
                {"Insert", K::Key_Insert, "", K::Key_Insert},
                {"Backspace", K::Key_Backspace, "\b", K::Key_Backspace},
                {"digit", K::Key_1, "1", K::Key_1},
                {"space", K::Key_Space, " ", K::Key_Space},
        });
    }

    void effectiveKeyCode()
    {
        QFETCH(LayoutRow, row);
        const QKeyEvent event(QEvent::KeyPress, row.key, Qt::ControlModifier, row.text);
        QCOMPARE(KeyboardLayout::effectiveKeyCode(&event), row.code);
        if (row.key == 0 && !row.text.isEmpty())
            QCOMPARE(KeyboardLayout::layoutKeyCode(row.text[0]), row.code);
    }
};

QTEST_MAIN(TestKeyboardLayout)
#include "tst_keyboardlayout.moc"
