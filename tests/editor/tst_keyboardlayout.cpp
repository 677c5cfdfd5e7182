#include "editor/KeyboardLayout.h"

#include <QKeyEvent>
#include <QTest>

class TestKeyboardLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layoutKeyCode_data()
    {
        QTest::addColumn<QChar>("character");
        QTest::addColumn<int>("code");
        QTest::newRow("ф") << QChar(u'ф') << int(Qt::Key_A);
        QTest::newRow("Ф") << QChar(u'Ф') << int(Qt::Key_A);
        QTest::newRow("й") << QChar(u'й') << int(Qt::Key_Q);
        QTest::newRow("х") << QChar(u'х') << int(Qt::Key_BracketLeft);
        QTest::newRow("Ъ") << QChar(u'Ъ') << int(Qt::Key_BracketRight);
        QTest::newRow("ж") << QChar(u'ж') << int(Qt::Key_Semicolon);
        QTest::newRow("э") << QChar(u'э') << int(Qt::Key_Apostrophe);
        QTest::newRow("б") << QChar(u'б') << int(Qt::Key_Comma);
        QTest::newRow("Ю") << QChar(u'Ю') << int(Qt::Key_Period);
        // The Russian layout's "." and "," lie on the "/" key, and its string is searched first.
        QTest::newRow(".") << QChar(u'.') << int(Qt::Key_Slash);
        QTest::newRow(",") << QChar(u',') << int(Qt::Key_Slash);
        QTest::newRow("z") << QChar(u'z') << int(Qt::Key_Z);
        // The Latin string holds lowercase letters only, and the lookup is case-sensitive.
        QTest::newRow("M") << QChar(u'M') << 0;
        QTest::newRow("[") << QChar(u'[') << int(Qt::Key_BracketLeft);
        QTest::newRow("/") << QChar(u'/') << int(Qt::Key_Slash);
        QTest::newRow("ё") << QChar(u'ё') << 0;
        QTest::newRow("{") << QChar(u'{') << 0;
        QTest::newRow("1") << QChar(u'1') << 0;
        QTest::newRow("space") << QChar(u' ') << 0;
    }

    void layoutKeyCode()
    {
        QFETCH(QChar, character);
        QFETCH(int, code);
        QCOMPARE(KeyboardLayout::layoutKeyCode(character), code);
    }

    void effectiveKeyCode_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("Latin letter with control text")
                << int(Qt::Key_A) << "\x01" << int(Qt::Key_A);
        QTest::newRow("code 0 Cyrillic") << 0 << "ф" << int(Qt::Key_A);
        QTest::newRow("letter code Cyrillic") << 0x0424 << "ф" << int(Qt::Key_A);
        QTest::newRow("letter code without text") << 0x0425 << "" << int(Qt::Key_BracketLeft);
        QTest::newRow("code 0 no text") << 0 << "" << 0;
        QTest::newRow("code 0 unmapped") << 0 << "ё" << 0;
        QTest::newRow("unmapped letter code") << 0x0401 << "ё" << 0x0401;
        QTest::newRow("period keeps its key") << int(Qt::Key_Period) << "." << int(Qt::Key_Period);
        QTest::newRow("Insert") << int(Qt::Key_Insert) << "" << int(Qt::Key_Insert);
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << "\b" << int(Qt::Key_Backspace);
        QTest::newRow("digit") << int(Qt::Key_1) << "1" << int(Qt::Key_1);
        QTest::newRow("space") << int(Qt::Key_Space) << " " << int(Qt::Key_Space);
    }

    void effectiveKeyCode()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, code);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::ControlModifier, text);
        QCOMPARE(KeyboardLayout::effectiveKeyCode(&event), code);
    }
};

QTEST_MAIN(TestKeyboardLayout)
#include "tst_keyboardlayout.moc"
