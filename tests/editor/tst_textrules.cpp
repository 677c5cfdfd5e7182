#include "editor/Reformat.h"
#include "storage/HiddenParts.h"
#include "storage/HtmlText.h"

#include <QFile>
#include <QRegularExpression>
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

// A C-style quoted text: \n \t \r \" \\, \xHH and \uHHHH.
static QString unquoted(const QString &quoted)
{
    QString text;
    for (qsizetype i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] != '\\') {
            text += quoted[i];
            continue;
        }
        const QChar c = quoted[++i];
        const int digits = c == 'x' ? 2 : c == 'u' ? 4 : 0;
        if (digits)
            text += QChar(quoted.mid(i + 1, digits).toUShort(nullptr, 16));
        else
            text += c == 'n' ? QChar('\n') : c == 't' ? QChar('\t') : c == 'r' ? QChar('\r') : c;
        i += digits;
    }
    return text;
}

class TestTextRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QFile file(QFINDTESTDATA("data/textrules.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString quoted = "(\"(?:[^\"\\\\]|\\\\.)*\")";
        const QRegularExpression row("^(\\S+) " + quoted + " " + quoted + " (.+)$");
        for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
            const QRegularExpressionMatch m = row.match(line);
            QVERIFY2(m.hasMatch() || line.isEmpty() || line.startsWith('#'), qPrintable(line));
            if (m.hasMatch())
                QTest::newRow(qPrintable(m.captured(4)))
                        << m.captured(1) << unquoted(m.captured(2)) << unquoted(m.captured(3));
        }
    }
    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, text);
        QTEST(apply(rule, text), "expected");
    }
};

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
