#include "editor/Reformat.h"
#include "storage/HiddenParts.h"
#include "storage/HtmlText.h"
#include "support/JsonRows.h"

#include <QTest>

// The pure rules that rewrite a description: the editor's reformatting commands, hidden parts
// stripped from exports, and the HTML page's escaping and line markup.
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
    void rules_data() { JSON_ROWS("rule", "text", "expected"); }
    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, text);
        QTEST(apply(rule, text), "expected");
    }
};

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
