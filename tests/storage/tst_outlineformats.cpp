#include "storage/OutlineAdapter.h"
#include "storage/OutlineFiles.h"
#include "storage/OutlineFormats.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"

#include <QBuffer>
#include <QDir>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

static const QString sourceDir = QStringLiteral(BRW_TEST_SOURCE_DIR);

// An outline in one line: name{description}@date#mark/#link(children,...).
static QString compact(const OutlineNode &node, bool withDates = true)
{
    QString text = node.name;
    if (!node.description.isEmpty())
        text += "{" + node.description + "}";
    if (withDates && node.date.isValid())
        text += "@" + node.date.toString(Qt::ISODate);
    if (node.linkId != 0)
        text += (node.linkId > 0 ? "#mark" : "#link") + QString::number(qAbs(node.linkId));
    if (!node.children.empty()) {
        QStringList children;
        for (const OutlineNode &child : node.children)
            children << compact(child, withDates);
        text += "(" + children.join(",") + ")";
    }
    return text;
}

// What a format without link groups keeps: a link theme is an ordinary theme with a name only.
static OutlineNode withoutLinks(OutlineNode node)
{
    node.linkId = 0;
    for (OutlineNode &child : node.children)
        child = withoutLinks(std::move(child));
    return node;
}

// Texts to trip the writers: Markdown and XML markup anywhere, lines that look like headings,
// items, fences or tree headers, non-Latin letters.
static QString trickyText(QRandomGenerator &random, bool multiline)
{
    static const QStringList pieces = {
            "a",   "Слово", "厨房",  "🍅", " ",  "  ",  "\t",  "#",       "# x", "-",
            "- y", "+",     "*",     "_", "`",  "```", "~~~", "[",       "]",   "(",
            ")",   "<b>",   "&amp;", "&", "\"", "'",   "\\",  "|",       "1.",  "2)",
            "=",   "!",     ">",     "{", "}",  "é",   "\\#", "<!--1-->"};
    QString text;
    const int count = random.bounded(0, 8);
    for (int i = 0; i < count; ++i) {
        if (multiline && random.bounded(5) == 0)
            text += "\n";
        text += pieces[random.bounded(int(pieces.size()))];
    }
    // A tree file cannot hold a description line that begins with a theme header.
    text.replace("\n<!--", "\n <!--");
    return text.startsWith("<!--") ? " " + text : text;
}

static OutlineNode randomOutline(quint32 seed)
{
    QRandomGenerator random(seed);
    OutlineNode root;
    root.name = "Random " + QString::number(seed);
    root.description = trickyText(random, true);
    std::vector<OutlineNode *> path{&root};
    int nextMark = 1;
    const int themes = random.bounded(1, 60);
    for (int i = 0; i < themes; ++i) {
        // Up, down or beside; deep enough to pass the six heading levels.
        const int depth = random.bounded(1, int(path.size()) + 1);
        path.resize(size_t(depth));
        OutlineNode &node = path.back()->children.emplace_back();
        node.name = trickyText(random, false);
        // Now and then the first or the last day a tree file holds.
        node.date = random.bounded(8) ? QDate(2000, 1, 1).addDays(random.bounded(9000))
                                      : QDate(1, 1, 1).addYears(9998 * random.bounded(2));
        if (random.bounded(10) == 0)
            node.linkId = nextMark++;
        else if (nextMark > 1 && random.bounded(10) == 0)
            node.linkId = -random.bounded(1, nextMark);
        if (node.linkId >= 0)
            node.description = trickyText(random, true);
        if (node.linkId >= 0)
            path.push_back(&node);
    }
    return root;
}

class TestOutlineFormats : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { fixClock(QDate(2026, 12, 7)); }

    // Reference documents: Markdown keeps names, descriptions and structure (that OPML keeps
    // everything the command line test shows, byte for byte).
    void referenceRoundTrips_data()
    {
        QTest::addColumn<QString>("file");
        const QDir dir(sourceDir + "/reference");
        for (const QString &name : dir.entryList({"*.brw"}, QDir::Files))
            if (name != "structure.brw")
                QTest::newRow(qPrintable(name)) << dir.filePath(name);
        QTest::newRow("sample") << QString(BRW_SAMPLE);
    }
    void referenceRoundTrips()
    {
        QFETCH(QString, file);
        ScriptedMessages boxes;
        ThemeDocument document;
        QVERIFY(readTreeFile(file, document, nullptr));
        const OutlineNode original = OutlineAdapter::wholeOf(document, "doc");
        const OutlineNode fromMarkdown = Markdown::read(Markdown::write(original));
        QCOMPARE(compact(fromMarkdown, false),
                 compact(withoutLinks(original), false).mid(original.name.size()));
    }

    void randomRoundTrips_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 200; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }
    void randomRoundTrips()
    {
        QFETCH(quint32, seed);
        OutlineNode original = randomOutline(seed);
        OutlineNode fromOpml;
        QString error;
        QVERIFY2(Opml::read(Opml::write(original), fromOpml, error), qPrintable(error));
        QCOMPARE(compact(fromOpml), compact(original));

        OutlineNode fromMarkdown = Markdown::read(Markdown::write(original));
        fromMarkdown.name = original.name;
        QCOMPARE(compact(fromMarkdown, false), compact(withoutLinks(original), false));

        // And through the tree file form, which the window and the command line use.
        QCOMPARE(compact(OutlineTreeFile::read(OutlineTreeFile::write(original)).children.front()),
                 compact(original.children.front()));
    }

    // A link theme is written as a copy of its group's subtree; reading keeps only the link.
    void opmlLinkCopies()
    {
        OutlineNode root;
        root.children.push_back({"M", "shared", {}, 1, {{"x", "", {}, 0, {}}}});
        root.children.push_back({"L", "", {}, -1, {}});
        // A link inside its own group's subtree is written once, not copied into itself.
        root.children.front().children.push_back({"inner", "", {}, -1, {}});
        const QString xml = QString::fromUtf8(Opml::write(root));
        QVERIFY2(xml.contains("<outline text=\"L\" _note=\"shared\" brwLink=\"1\">\n"
                              "  <outline text=\"x\"/>\n"
                              "  <outline text=\"inner\"/>\n </outline>"),
                 qPrintable(xml));
        QVERIFY2(xml.contains("  <outline text=\"inner\" brwLink=\"1\"/>"), qPrintable(xml));
        OutlineNode back;
        QString error;
        QVERIFY(Opml::read(xml.toUtf8(), back, error));
        QCOMPARE(compact(back), "(M{shared}#mark1(x,inner#link1),L#link1)");
    }

    void opmlFixtures_data() { addJsonRows(QFINDTESTDATA("data/opml.jsonl"), {"file", "outline"}); }
    void opmlFixtures()
    {
        FETCH_TEXTS(file, outline);
        QFile input(sourceDir + "/opml/" + file);
        QVERIFY(file.startsWith('<') || input.open(QIODevice::ReadOnly));
        OutlineNode root;
        root.name = "untouched";
        QString error;
        if (Opml::read(file.startsWith('<') ? file.toUtf8() : input.readAll(), root, error)) {
            QCOMPARE(compact(root), outline);
        } else {
            QVERIFY2(outline.startsWith("refused: "), qPrintable(error));
            QVERIFY2(error.startsWith(outline.mid(9)), qPrintable(error));
            QCOMPARE(root.name, "untouched");
        }
    }

    void opmlDeepNesting()
    {
        constexpr int depth = 5000;
        QByteArray xml = "<opml><body>";
        for (int i = 0; i < depth; ++i)
            xml += "<outline text=\"" + QByteArray::number(i) + "\">";
        for (int i = 0; i < depth; ++i)
            xml += "</outline>";
        xml += "</body></opml>";
        OutlineNode root;
        QString error;
        QVERIFY2(Opml::read(xml, root, error), qPrintable(error));
        int deepest = 0;
        QString last;
        walkOutline(
                root,
                [&](const OutlineNode &node, int at) {
                    deepest = std::max(deepest, at);
                    last = node.name;
                },
                [](const OutlineNode &, int) {});
        QCOMPARE(deepest, depth);
        QCOMPARE(last, QString::number(depth - 1));
        // Written back, the indent stops growing: the file stays linear in the depth.
        QVERIFY(Opml::write(root).size() < depth * 120);
        QBuffer refusing; // not open: a full disk reports the same way
        QVERIFY(!Opml::write(root, refusing));
        // Let go of on a thread whose stack would not hold a call for each level.
        OutlineNode *node = &root;
        for (int i = 0; i < 20000; ++i)
            node = &node->children.emplace_back();
        std::unique_ptr<QThread> thread(QThread::create([&root] { root = OutlineNode(); }));
        thread->setStackSize(256 * 1024);
        thread->start();
        QVERIFY(thread->wait(30000));
        QVERIFY(root.children.empty());
    }

    void rfc822Dates_data() { JSON_ROWS("text", "date"); }
    void rfc822Dates()
    {
        QFETCH(QString, text);
        const QDate parsed = Opml::parseRfc822Date(text);
        QTEST(parsed.toString(Qt::ISODate), "date");
        if (parsed.isValid()) // and written back, it reads as the same day
            QCOMPARE(Opml::parseRfc822Date(Opml::rfc822Date(parsed)), parsed);
    }

    // Markdown rows, then indented text rows named "indented ..."; a text given as written back
    // is what the writer makes of the outline read. Depth 6 is the last heading, 7 the first list
    // item, each deeper one indented by two.
    void reading_data()
    {
        addJsonRows(QFINDTESTDATA("data/markdown.jsonl"), {"text", "outline", "writtenBack?"});
    }
    void reading()
    {
        FETCH_TEXTS(text, writtenBack);
        const QByteArray bytes = text.toUtf8();
        const bool indented = QByteArray(QTest::currentDataTag()).startsWith("indented");
        const OutlineNode read = indented ? IndentedText::read(bytes) : Markdown::read(bytes);
        QTEST(compact(read), "outline");
        if (!writtenBack.isEmpty())
            QCOMPARE(indented ? IndentedText::write(read) : Markdown::write(read), bytes);
    }

    // A description line that begins with a theme header is moved right by a space, no other.
    void headerLinesInDescriptions_data() { JSON_ROWS("description", "read"); }
    void headerLinesInDescriptions()
    {
        FETCH_TEXTS(description, read);
        OutlineNode root;
        root.description = description;
        root.children.push_back({"t", description, {}, 0, {}});
        const OutlineNode back = OutlineTreeFile::read(OutlineTreeFile::write(root));
        QCOMPARE(compact(back, false), "{" + read + "}(t{" + read + "})");
    }

    // A branch export starts at the current theme; a link marked outside it is ordinary there.
    // Indented text holds the names alone; text from older programs in CP1251 reads as such.
    void branchExport()
    {
        ThemeDocument document;
        Theme *p = buildOutline(document, "P(A(B(C)),L-1(_),Ж),M+1(x)")["P"];
        const OutlineNode branch = OutlineAdapter::branchOf(document, p, "doc");
        QCOMPARE(compact(branch, false), "P{P-text}(A{A-text}(B{B-text}(C{C-text})),L,Ж{Ж-text})");
        QCOMPARE(IndentedText::write(branch), QByteArray("A\n\tB\n\t\tC\nL\nЖ\n"));
        QCOMPARE(compact(IndentedText::read("\xC6\n\t\xE6")), "(Ж(ж))");
    }
};

QTEST_MAIN(TestOutlineFormats)
#include "tst_outlineformats.moc"
