#include "editor/KeyboardLayout.h"

#include <QKeyEvent>
#include <QTest>

// The key a Ctrl+key press stands for, whatever the keyboard layout: a key event with a key code
// (0: none) and a text.
class TestKeyboardLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void effectiveKeyCode_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        // A character sent without a key code, then the key it lies on (none: no key). The
        // Russian layout's "." and "," lie on the "/" key, and its string is searched first; the
        // Latin string holds lowercase letters only, and the lookup is case-sensitive.
        for (const QString &typed :
             QString("фA ФA йQ х[ Ъ] ж; э' б, Ю. ./ ,/ zZ M [[ // ё { 1").split(' '))
            QTest::newRow(qPrintable(typed))
                    << 0 << typed.left(1) << (typed.size() > 1 ? int(typed[1].unicode()) : 0);
        using K = Qt::Key;
        QTest::newRow("code 0, no text") << 0 << "" << 0;
        QTest::newRow("Latin letter with control text") << int(K::Key_A) << "\x01" << int(K::Key_A);
        QTest::newRow("a letter's code wins over its text")
                << int(K::Key_A) << "q" << int(K::Key_A);
        QTest::newRow("letter code Cyrillic") << 0x0424 << "ф" << int(K::Key_A);
        QTest::newRow("letter code without text") << 0x0425 << "" << int(K::Key_BracketLeft);
        QTest::newRow("unmapped letter code") << 0x0401 << "ё" << 0x0401;
        QTest::newRow("period keeps its key") << int(K::Key_Period) << "." << int(K::Key_Period);
        QTest::newRow("Insert") << int(K::Key_Insert) << "" << int(K::Key_Insert);
        QTest::newRow("Backspace") << int(K::Key_Backspace) << "\b" << int(K::Key_Backspace);
        QTest::newRow("digit") << int(K::Key_1) << "1" << int(K::Key_1);
        QTest::newRow("space") << int(K::Key_Space) << " " << int(K::Key_Space);
    }

    void effectiveKeyCode()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, code);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::ControlModifier, text);
        QCOMPARE(KeyboardLayout::effectiveKeyCode(&event), code);
        if (key == 0 && !text.isEmpty())
            QCOMPARE(KeyboardLayout::layoutKeyCode(text[0]), code);
    }
};

QTEST_MAIN(TestKeyboardLayout)
#include "tst_keyboardlayout.moc"
