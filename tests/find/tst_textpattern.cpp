#include "find/TextPattern.h"
#include "support/Rows.h"

#include <QTest>

// What one search finds in one string, with the regular expression and whole-word options.
class TestTextPattern : public QObject
{
    Q_OBJECT

    // flags: r regular expression, w whole words, c case, b backwards
    static FindParas paras(const QString &flags, const QString &find)
    {
        FindParas p;
        p.regularExpression = flags.contains('r');
        p.wholeWords = flags.contains('w');
        p.caseSensitive = flags.contains('c');
        p.findText = find;
        return p;
    }

private Q_SLOTS:
    // Every match from `from` on (backwards: from `from` back), as the engine steps: past a
    // match, and one character on after an empty one; "position+length", or the error.
    void matches_data()
    {
        // clang-format off
        addTextRows({"text", "find", "flags", "from", "found"}, {
                {"plain, options off", "a.b a.b", "a.b", "", "0", "0+3 4+3"},
                {"plain backwards from the last start", "aXa", "a", "b", "2", "2+1 0+1"},
                {"regex dot", "a.b axb", "a.b", "r", "0", "0+3 4+3"},
                {"regex case folded, Cyrillic", "Ёж ёЖ", "ёж", "r", "0", "0+2 3+2"},
                {"regex case kept", "Ёж ёЖ", "ёж", "rc", "0", ""},
                {"regex case folded outside the basic plane", "x\U00010400", "\U00010428", "r", "0", "1+2"},
                {"groups", "k=v, a=b", "(\\w)=(\\w)", "r", "1", "5+3"},
                {"start anchor only at the text's start", "ab\nab", "^ab", "r", "0", "0+2"},
                {"end anchor only at the text's end", "ab\nab", "ab$", "r", "0", "3+2"},
                {"dot stops at a line end", "a\nb", "a.b", "r", "0", ""},
                {"a pattern may ask for the line end", "a\nb", "a\\nb", "r", "0", "0+3"},
                {"empty matches move on", "ab", "x*", "r", "0", "0+0 1+0 2+0"},
                {"empty match at the end only", "ab", "$", "r", "0", "2+0"},
                {"regex backwards", "aa ab aab", "a+b", "rb", "9", "7+2 3+2"},
                {"regex backwards, longest at each start", "aab", "a+b", "rb", "3", "1+2"},
                {"whole words", "cat cats scat cat.", "cat", "w", "0", "0+3 14+3"},
                {"whole words backwards", "cat cats scat cat.", "cat", "wb", "17", "14+3 0+3"},
                {"whole words next to punctuation", "(cat),cat_x", "cat", "w", "0", "1+3"},
                {"whole words in Cyrillic", "кот котик кот", "кот", "w", "0", "0+3 10+3"},
                {"whole words: a Cyrillic letter is a word's", "котx xкот", "кот", "w", "0", ""},
                {"whole words of punctuation", "a--b --", "--", "w", "0", "1+2 5+2"},
                {"whole words with a regex", "cat cats scat", "c\\w+", "rw", "0", "0+3 4+4"},
                {"invalid: unclosed group", "x", "a(b", "r", "0", "Error in the regular expression at 4: missing closing parenthesis"},
                {"invalid with whole words", "x", "a)", "rw", "0", "Error in the regular expression at 2: unmatched closing parenthesis"},
                {"invalid pattern is plain text without the option", "a(b", "a(b", "", "0", "0+3"},
                {"a pattern that backtracks without end stops", QString(4000, 'a') + 'b', "(a+)+$", "r", "0", "stopped"},
        });
        // clang-format on
    }
    void matches()
    {
        QFETCH(QString, text);
        QFETCH(QString, find);
        QFETCH(QString, flags);
        QFETCH(QString, from);
        const TextPattern pattern(paras(flags, find));
        QStringList found;
        if (!pattern.isValid())
            found << pattern.errorText();
        const bool backwards = flags.contains('b');
        for (TextPattern::Match match = pattern.find(text, from.toInt(), backwards);
             match.position >= 0 && found.size() < 10;) {
            found << QString("%1+%2").arg(match.position).arg(match.length);
            const int next = backwards ? match.position - qMax(1, match.length)
                                       : match.position + qMax(1, match.length);
            match = pattern.find(text, next, backwards);
        }
        if (pattern.stopped())
            found << "stopped";
        QTEST(found.join(' '), "found");
    }

    void replacementReferences_data()
    {
        addTextRows({"flags", "text", "find", "replace", "result"},
                    {{"groups swapped", "r", "key=value", "(\\w+)=(\\w+)", "\\2=\\1", "value=key"},
                     {"the whole match", "r", "abc", "b", "[\\0]", "a[b]c"},
                     {"a group that took no part", "r", "ac", "a(b)?c", "<\\1>", "<>"},
                     {"a literal backslash", "r", "ab", "a", "\\\\\\0", "\\ab"},
                     {"a group beyond the pattern's", "r", "ab", "a", "\\7", "b"},
                     {"other escapes as typed", "r", "ab", "a", "\\n\\", "\\n\\b"},
                     {"plain text keeps its backslashes", "", "ab", "a", "\\1", "\\1b"},
                     {"whole words keep them too", "w", "a b", "a", "\\0", "\\0 b"}});
    }
    void replacementReferences()
    {
        QFETCH(QString, flags);
        QFETCH(QString, text);
        QFETCH(QString, find);
        QFETCH(QString, replace);
        const TextPattern pattern(paras(flags, find));
        const TextPattern::Match match = pattern.find(text, 0, false);
        QVERIFY(match.position >= 0);
        QTEST(QString(text).replace(match.position, match.length,
                                    pattern.replacement(match, replace)),
              "result");
    }
};

QTEST_MAIN(TestTextPattern)
#include "tst_textpattern.moc"
