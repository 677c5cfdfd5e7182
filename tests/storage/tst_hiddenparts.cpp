#include "storage/HiddenParts.h"

#include <QTest>

class TestHiddenParts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void strips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const QString &text, const QString &expected) {
            QTest::newRow(name) << text << expected;
        };
        row("nothing hidden", "plain </hidden> text", "plain </hidden> text");
        row("empty", "", "");
        row("one part", "a<hidden>b</hidden>c", "ac");
        row("two parts", "a<hidden>b</hidden>c<hidden>d</hidden>e", "ace");
        row("adjacent parts", "<hidden>x</hidden><hidden>y</hidden>", "");
        row("unclosed", "a<hidden>b</hidde", "a");
        row("unclosed after a closed part", "a<hidden>b</hidden>c<hidden>d", "ac");
        row("no nesting", "a<hidden>b<hidden>c</hidden>d</hidden>e", "ad</hidden>e");
        row("stray close first", "a</hidden>b<hidden>c</hidden>d", "a</hidden>bd");
        row("case-sensitive open", "a<HIDDEN>b</hidden>c", "a<HIDDEN>b</hidden>c");
        row("case-sensitive close", "a<hidden>b</HIDDEN>c", "a");
        row("across lines", "one\n<hidden>secret\nmore</hidden>\nthree", "one\n\nthree");
        row("Cyrillic", "Привет<hidden>тайна</hidden> мир", "Привет мир");
    }
    void strips()
    {
        QFETCH(QString, text);
        QTEST(stripHiddenParts(text), "expected");
    }
};

QTEST_GUILESS_MAIN(TestHiddenParts)
#include "tst_hiddenparts.moc"
