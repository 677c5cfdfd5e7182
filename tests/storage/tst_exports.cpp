#include "storage/HtmlTable.h"
#include "support/Rows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"

#include <QBuffer>
#include <QTest>

// A table's cells as "a,b|,c": rows split by "|", cells by ",", each cell's text between the
// <pre> tags. Anything but the table's own framing comes back as "bad framing".
static QString compactGrid(QString text)
{
    const QString head = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                         "charset=windows-1251\"></head><body><TABLE cellpadding=0 cellspacing=0 "
                         "border=1>\n<TR>\n<TD>";
    const QString tail = "\n</TABLE></body></html>";
    if (!text.startsWith(head) || !text.endsWith(tail))
        return text.isEmpty() ? text : "bad framing";
    text = text.mid(head.size(), text.size() - head.size() - tail.size());
    return text.replace("\n<TR>\n<TD>", "|")
            .replace("\n<TD>", ",")
            .remove("<pre>")
            .remove("</pre>");
}

// The branch below "/" in the tree file the HTML and MIME rows share: a link inside "A" whose
// mark "M" lies outside it.
static const QByteArray exportTree = "root\n<!--1[01.01.2001]-->A\n<!--2[01.01.2001]-->B \"q\"\n"
                                     "\tb\n\nx\n<!--2link1[01.01.2001]-->L\n"
                                     "<!--1mark1[01.01.2001]-->M\n<!--2[01.01.2001]-->C\n";

class TestExports : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The table of entries given in preorder as depth digit and name, comma-separated.
    void tableGrid_data()
    {
        addTextRows({"preorder", "grid"},
                    {{"two leaves", "1a,1b", "a|b"},
                     {"one subtheme, two leaves", "1A,2x,2y", "A,x|,y"},
                     {"mixed depths", "1A,2B,3c,2d,1e", "A,B,c|,d,|e,,"},
                     {"markup and empty names", "1a<b>,2,2\"&\"", "a&lt;b&gt;,|,&quot;&amp;&quot;"},
                     {"nothing"}});
    }
    void tableGrid()
    {
        QFETCH(QString, preorder);
        std::vector<HtmlTable::Entry> entries;
        for (const QString &entry : preorder.split(',', Qt::SkipEmptyParts))
            entries.push_back({entry.left(1).toInt(), entry.mid(1)});
        QTEST(compactGrid(HtmlTable::layout(entries)), "grid");
    }

    void tableOfABranch()
    {
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadBytes(view, exportTree));
        auto table = [&](const char *root) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            const int result = HtmlTable::write(view, themeNamed(view, root), &buffer, &view);
            return QString::number(result) + compactGrid(QString::fromLatin1(buffer.data()));
        };
        // The link takes the group's subthemes while its table is made.
        QCOMPARE(table("A"), QString("1B &quot;q&quot;,|L,C"));
        QCOMPARE(themeNamed(view, "C")->parentTheme(), themeNamed(view, "L"));
        // Each member of the group shows the subthemes when its turn comes.
        QCOMPARE(table("/"), QString("1A,B &quot;q&quot;,|,L,C|M,C,"));
        QCOMPARE(shown.count(), 0);
        QCOMPARE(table("C"), QString("0"));
        QVERIFY(shown.wasShown("Error (Ошибка)",
                               "Unexpected error\nНеожиданная ошибка. Обратитесь к разработчику"));
    }

    void pageAndMimeText_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray page =
                "<HTML>\n<HEAD><META http-equiv=\"Content-Type\" content=\"text/html; "
                "charset=windows-1251\"></HEAD>\n<BODY>\n";
        const QByteArray part =
                "--simple boundary\nContent-Type: Text/plain; charset=windows-1251\n\n";
        QTest::newRow("branch page: numbers of the whole tree, outlines of the branch")
                << "A" << int(SAVE_HTML | SAVE_BRANCH)
                << page + "<p>\n<a href=\"#2\"><b>1. B &quot;q&quot;</b></a><br>\n"
                          "<b><i>L. L</i></b><br>\n<p>\n"
                          "<!--1[01.01.2001]--><a name=\"2\"><b>1. B &quot;q&quot;</b></a><br>\n"
                          "<dd>\tb<br>\n<p>\nx<br>\n<p>\n";
        QTest::newRow("branch MIME text")
                << "M" << int(SAVE_PALM | SAVE_BRANCH)
                << "MIME-Version: 1.0\nContent-type: multipart/mixed; boundary=\"simple "
                   "boundary\"\n\n" +
                           part + "\n" + part + "C\n<!--1[01.01.2001]-->\n\n";
    }
    void pageAndMimeText()
    {
        QFETCH(QString, current);
        QFETCH(int, flags);
        QFETCH(QByteArray, expected);
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadBytes(view, exportTree));
        view.setCurrentItem(themeNamed(view, current));
        QCOMPARE(saveToBytes(view, flags).replace("\r\n", "\n"), expected);
        QCOMPARE(shown.count(), 0);
    }

    void charactersOutsideTheCodePageAreCounted()
    {
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadBytes(view, "\n<!--1[01.01.2001]-->plain €\n<!--1[01.01.2001]-->X\n"));
        view.setDescription(themeNamed(view, "X"), QString("ł 中 \U0001F600"), false);
        SaveReport report;
        const QByteArray bytes = saveToBytes(view, 0, nullptr, nullptr, &report);
        QCOMPARE(report.replaced, 3);
        QCOMPARE(report.firstThemeReplaced, QString("X"));
        QVERIFY(bytes.endsWith("X\r\n\x1a \x1a \x1a\r\n"));
    }
};

QTEST_MAIN(TestExports)
#include "tst_exports.moc"
