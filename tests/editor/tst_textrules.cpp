#include "editor/Reformat.h"
#include "storage/HiddenParts.h"
#include "storage/HtmlText.h"
#include "support/Rows.h"

// The pure rules that rewrite a description: the editor's reformatting commands, hidden parts
// stripped from exports, and the HTML page's escaping and line markup.
struct TextRow
{
    const char *name, *rule;
    QString text, expected;
};

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
    return Reformat::placedAt(text, QString(rule).remove("column").toInt());
}

class TestTextRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rules_data()
    {
        const QString words = QStringLiteral("  alpha\n beta\n\n\ngamma  ");
        addRows<TextRow>({
                {"reflow paragraphs", "reflow", words, "\talpha beta\n\tgamma\n"},
                {"one paragraph", "one", words, "\talpha beta gamma\n"},
                {"lines", "lines", words, "\talpha\n\tbeta\n\n\n\tgamma\n"},
                {"reflow only blanks", "reflow", " \t\u00a0 ", "\t\n"},
                {"one only blanks", "one", "   ", "\n"},
                {"lines only blanks", "lines", " \t ", "\n"},
                {"reflow only line feeds", "reflow", "\n\n\n", "\t\n"},
                {"lines of blanks become empty", "lines", " \n  \n", "\n\n\n"},
                {"reflow empty", "reflow", "", "\t\n"},
                {"one empty", "one", "", "\n"},
                {"lines empty", "lines", "", "\n"},
                {"reflow no-break spaces", "reflow", "a\u00a0\u00a0b\u00a0", "\ta b\n"},
                {"one no-break spaces", "one", "\u00a0a\u00a0\u00a0b", "\ta b\n"},
                {"lines no-break spaces", "lines", "a\u00a0\nb", "\ta\n\tb\n"},
                // Reflow counts control characters as part of a word; the others make them blanks.
                {"reflow control characters", "reflow", "a\001b\002", "\ta\001b\002\n"},
                {"one control characters", "one", "a\001\002b\037", "\ta b\n"},
                {"lines control characters", "lines", "\001a\002\003b", "\ta b\n"},
                {"reflow CR LF", "reflow", "a\r\nb", "\ta\r b\n"},
                {"one CR LF", "one", "a\r\nb\r\n", "\ta b\n"},
                {"lines CR LF", "lines", "a\r\nb\r\n", "\ta\n\tb\n\n"},
                {"reflow tabs", "reflow", "\ta\t\tb\t", "\ta b\n"},
                {"lines tabs", "lines", "\ta\t\tb\t\n\tc", "\ta b\n\tc\n"},
                {"reflow trailing break", "reflow", "a\n\n", "\ta\n\t\n"},
                {"reflow blank line between", "reflow", "a\n \t\nb", "\ta\n\tb\n"},
                {"reflow gap before break", "reflow", "a  \nb", "\ta b\n"},
                {"lines leading empty line", "lines", "\nx", "\n\tx\n"},
                {"placed at column 0", "column0", "\tx\n", "\tx\n"},
                {"placed at column 1 starts a line", "column1", "\tx\n", "\n\tx\n"},

                {"nothing hidden", "hidden", "plain </hidden> text", "plain </hidden> text"},
                {"hidden: empty", "hidden", "", ""},
                {"one hidden part", "hidden", "a<hidden>b</hidden>c", "ac"},
                {"two hidden parts", "hidden", "a<hidden>b</hidden>c<hidden>d</hidden>e", "ace"},
                {"adjacent hidden parts", "hidden", "<hidden>x</hidden><hidden>y</hidden>", ""},
                {"unclosed hidden part", "hidden", "a<hidden>b</hidde", "a"},
                {"unclosed after a closed part", "hidden", "a<hidden>b</hidden>c<hidden>d", "ac"},
                {"no nesting", "hidden", "a<hidden>b<hidden>c</hidden>d</hidden>e", "ad</hidden>e"},
                {"stray close first", "hidden", "a</hidden>b<hidden>c</hidden>d", "a</hidden>bd"},
                {"case-sensitive open", "hidden", "a<HIDDEN>b</hidden>c", "a<HIDDEN>b</hidden>c"},
                {"case-sensitive close", "hidden", "a<hidden>b</HIDDEN>c", "a"},
                {"hidden across lines", "hidden", "one\n<hidden>secret\nmore</hidden>\nthree",
                 "one\n\nthree"},
                {"hidden Cyrillic", "hidden", "Привет<hidden>тайна</hidden> мир", "Привет мир"},

                {"escaped markup", "escape", "a<b>&\"c\"", "a&lt;b&gt;&amp;&quot;c&quot;"},
                {"markup kept by the line markup", "html", "a<b>&\"c\"", "a<b>&\"c\""},
                {"escaping keeps lines", "escape", "x\n\n\tt\n", "x\n\n\tt\n"},
                {"line markup", "html", "x\n\n\tt\n", "x<br>\n<p>\n<dd>\tt<br>\n"},
                {"escaping keeps tabs", "escape", "\t\ta\tb\n\t", "\t\ta\tb\n\t"},
                {"a <dd> per leading tab", "html", "\t\ta\tb\n\t", "<dd>\t<dd>\ta\tb<br>\n<dd>\t"},
                {"escaped Cyrillic stays", "escape", "Ёж &", "Ёж &amp;"},
                {"Cyrillic in line markup", "html", "Ёж &", "Ёж &"},
        });
    }
    void rules()
    {
        QFETCH(TextRow, row);
        QCOMPARE(apply(row.rule, row.text), row.expected);
    }
};

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
