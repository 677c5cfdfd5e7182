#include "find/FindText.h"
#include "find/SearchedText.h"

#include <QRandomGenerator>
#include <QTest>

class TestFindText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void positions()
    {
        const QString text = "ab\ncd\n";
        QCOMPARE(FindText::indexAt(text, 1, 0), 3);
        QCOMPARE(FindText::indexAt(text, 1, 9), 5);
        QCOMPARE(FindText::indexAt(text, 2, 0), 6);
        QCOMPARE(FindText::indexAt(text, 7, 1), 6);
        for (int index = 0; index <= text.size(); ++index) {
            const ColumnLine at = FindText::positionAt(text, index);
            QCOMPARE(FindText::indexAt(text, at.line, at.column), index);
        }
        QCOMPARE(FindText::positionAt(text, 2), (ColumnLine{2, 0}));
    }

    // Replace all runs as the engine does it, on a plain string and on the searched text.
    void replaceAllMatchesPlainStrings()
    {
        const QStringList finds{"a", "ab", "aa", "ba", "Ab"};
        const QStringList replacements{"", "b", "ab", "aab", "B"};
        QRandomGenerator random(7);
        for (int round = 0; round < 3000; ++round) {
            QString plain;
            for (int i = random.bounded(12); i > 0; --i)
                plain += QChar(u"abAB"[random.bounded(4)]);
            const QString find = finds[random.bounded(finds.size())];
            const QString replacement = replacements[random.bounded(replacements.size())];
            const bool backwards = random.bounded(2);
            const bool cs = random.bounded(2);
            SearchedText searched;
            searched.reset(plain, backwards);
            int from = backwards ? int(plain.size()) : 0;
            for (;;) {
                const int found = FindText::occurrence(plain, find, from, backwards, cs);
                QCOMPARE(searched.occurrence(find, from, cs), found);
                if (found < 0)
                    break;
                QCOMPARE(searched.slice(found, int(find.size())), plain.mid(found, find.size()));
                plain.replace(found, find.size(), replacement);
                searched.replace(found, int(find.size()), replacement);
                QCOMPARE(searched.size(), int(plain.size()));
                from = backwards ? found - 1 : found + int(replacement.size());
            }
            QCOMPARE(searched.text(), plain);
        }
    }
};

QTEST_GUILESS_MAIN(TestFindText)
#include "tst_findtext.moc"
