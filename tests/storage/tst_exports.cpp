#include "model/ThemeDocument.h"
#include "storage/HtmlTable.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"

#include <QBuffer>
#include <QTest>

#include <malloc.h>

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

// Drops what is written, noting the most heap in use meanwhile.
struct HeapWatch : QIODevice
{
    qint64 written = 0;
    qint64 peak = 0;
    static qint64 inUse() { return qint64(mallinfo2().uordblks + mallinfo2().hblkhd); }
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override
    {
        peak = std::max(peak, inUse());
        written += size;
        return size;
    }
};

class TestExports : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The table of entries given in preorder as depth digit and name, comma-separated.
    void tableGrid_data() { JSON_ROWS("preorder", "grid"); }
    void tableGrid()
    {
        QFETCH(QString, preorder);
        std::vector<HtmlTable::Entry> entries;
        for (const QString &entry : preorder.split(',', Qt::SkipEmptyParts))
            entries.push_back({entry.left(1).toInt(), entry.mid(1)});
        QTEST(compactGrid(HtmlTable::layout(entries)), "grid");
    }

    // The table of a branch of exportTree or of a hand-made file, as the writer's result and the
    // grid: a link shows the group's subthemes, each member of the group when its turn comes; a
    // link's own subthemes join the group's, and a member of the group among them lies inside the
    // holder and shows nothing.
    void tableOfABranch_data() { JSON_ROWS("file", "current", "table", "box?"); }
    void tableOfABranch()
    {
        FETCH_TEXTS(file, current, box);
        ScriptedMessages shown;
        ThemeDocument tree;
        if (file.isEmpty())
            loadBytes(tree, exportTree);
        else
            readTree(tree, tree.root(), wholeBytes(file.toLatin1()), {}, false);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const int result = HtmlTable::write(tree, themeNamed(tree, current), &buffer, nullptr);
        QTEST(QString::number(result) + compactGrid(QString::fromLatin1(buffer.data())), "table");
        QCOMPARE(shown.texts(), QStringList(box).mid(box.isEmpty()));
    }

    void pageAndMimeText_data()
    {
        addJsonRows(QFINDTESTDATA("data/pages.jsonl"), {"current", "flags", "expected"});
    }
    void pageAndMimeText()
    {
        FETCH_TEXTS(current, flags);
        ScriptedMessages shown;
        ThemeDocument document;
        loadBytes(document, exportTree);
        const bool branch = flags.contains("branch");
        const int saveFlags =
                (flags.contains("page") ? SAVE_HTML : SAVE_PALM) | (branch ? SAVE_BRANCH : 0);
        const QByteArray bytes = saveToBytes(
                document, branch ? themeNamed(document, current) : document.root(), saveFlags);
        QTEST(QString::fromLatin1(QByteArray(bytes).replace("\r\n", "\n")), "expected");
        QCOMPARE(shown.count(), 0);
    }

    // A chain's page grows with the square of its depth (the outline numbers); it is written
    // as it is made, so the memory does not.
    void deepPageIsWrittenAsItIsMade()
    {
        ThemeDocument document;
        QByteArray chain;
        for (int depth = 1; depth <= 3000; ++depth)
            chain += "<!--" + QByteArray::number(depth) + "-->t\n";
        loadBytes(document, chain);
        HeapWatch sink;
        sink.open(QIODevice::WriteOnly);
        const qint64 before = HeapWatch::inUse();
        QCOMPARE(writeTree(document, document.root(), &sink, SAVE_HTML, {}, nullptr, nullptr,
                           nullptr),
                 1);
        QVERIFY(sink.written > 10'000'000);
        QVERIFY2(sink.peak - before < sink.written / 20,
                 qPrintable(QString::number(sink.peak - before)));
    }

    void charactersOutsideTheCodePageAreCounted()
    {
        ScriptedMessages shown;
        ThemeDocument document;
        loadBytes(document, "\n<!--1[01.01.2001]-->plain €\n<!--1[01.01.2001]-->X\n");
        themeNamed(document, "X")->setDescription(QString("ł 中 \U0001F600"));
        SaveReport report;
        const QByteArray bytes =
                saveToBytes(document, document.root(), 0, nullptr, nullptr, &report);
        QCOMPARE(QString::number(report.replaced) + report.firstThemeReplaced, "3X");
        QVERIFY(bytes.endsWith("X\r\n\x1a \x1a \x1a\r\n"));
    }
};

QTEST_MAIN(TestExports)
#include "tst_exports.moc"
