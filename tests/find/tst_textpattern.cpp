#include "find/TextPattern.h"
#include "support/FindFlags.h"
#include "support/JsonRows.h"

// What one search finds in one string, with the regular expression and whole-word options.
class TestTextPattern : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // flags: r regular expression, w whole words, c case, b backwards; l: the text goes on with
    // dashes long enough for a worker thread (e: so long that the wait is ended, as by Escape).
    // Every match from `from` on (backwards: from `from` back), as the engine steps: past a
    // match, and one character on after an empty one; "position+length", or the error.
    void matches_data() { JSON_ROWS("text", "find", "flags", "from", "found"); }
    void matches()
    {
        FETCH_TEXTS(text, find, flags, from);
        TextPattern pattern(findParas(flags + '0', find));
        if (flags.contains('l')) {
            text += QString(flags.contains('e') ? 100'000 : 4096, '-');
            pattern.setLongWait([&flags](const std::function<bool()> &done) {
                while (!flags.contains('e') && !done()) {
                }
                return !flags.contains('e');
            });
        }
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
            found << (pattern.interrupted() ? "interrupted" : "stopped");
        QTEST(found.join(' '), "found");
    }

    void replacementReferences_data() { JSON_ROWS("flags", "text", "find", "replace", "result"); }
    void replacementReferences()
    {
        FETCH_TEXTS(flags, text, find, replace);
        const TextPattern pattern(findParas(flags + '0', find));
        const TextPattern::Match match = pattern.find(text, 0, false);
        QVERIFY(match.position >= 0);
        QTEST(QString(text).replace(match.position, match.length,
                                    pattern.replacement(match, replace)),
              "result");
    }
};

QTEST_MAIN(TestTextPattern)
#include "tst_textpattern.moc"
