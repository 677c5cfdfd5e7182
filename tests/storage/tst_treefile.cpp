// The tree file read into a document and written from it, with no window: the reference files,
// inserted files, branches, hostile and unreadable files, code pages and theme headers.
#include "model/EditingCommands.h"
#include "storage/FileReading.h"
#include "storage/TreeFile.h"
#include "storage/TreeFileRead.h"
#include "storage/TreeHeader.h"
#include "support/FileBytes.h"
#include "support/FileChanges.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#include <sys/stat.h>

// input/NAME read and written as data/references.jsonl says must equal reference/NAME;
// BRW_REGENERATE=1 rewrites the references (regenerate-references.sh).
static const QString sourceDir = QStringLiteral(BRW_TEST_SOURCE_DIR);

// The writer's flags named by words of a row: "branch strip".
static int saveFlagsOf(const QString &words)
{
    return (words.contains("branch") ? SAVE_BRANCH : 0) |
           (words.contains("strip") ? SAVE_STRIP_HIDDEN : 0) |
           (words.contains("structure") ? SAVE_STRUCTURE : 0);
}

// Read as the command line reads a file, piece by piece.
static bool readThroughFile(ThemeDocument &document, const QByteArray &bytes)
{
    QTemporaryDir dir;
    return writeBytes(dir.filePath("in.brw"), bytes) &&
           readTreeFile(dir.filePath("in.brw"), document, nullptr);
}

class TestTreeFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 15)); }
    void cleanup() { resetClock(); }

    void referenceFiles_data()
    {
        addJsonRows(QFINDTESTDATA("data/references.jsonl"), {"flags", "outline", "boxes"});
    }
    void referenceFiles()
    {
        const QString name = QTest::currentDataTag();
        FETCH_TEXTS(flags, boxes);
        const int saveFlags = saveFlagsOf(flags);
        ScriptedMessages shown;
        ThemeDocument document;
        QVERIFY(readTreeFile(sourceDir + "/input/" + name, document, nullptr));
        // The reminder's own boxes come once a window reads its tasks.
        QStringList windowBoxes = boxes.split(" + ", Qt::SkipEmptyParts);
        windowBoxes.removeIf([](const QString &box) { return box.startsWith("Unknown task"); });
        QCOMPARE(shown.texts(), windowBoxes);
        QTEST(outlineOf(document), "outline");
        int result = 0;
        const QByteArray written =
                saveToBytes(document, document.root(), saveFlags, nullptr, &result);
        QCOMPARE(result, 1);

        const QString reference = sourceDir + "/reference/" + name;
        QVERIFY(!qEnvironmentVariableIsSet("BRW_REGENERATE") || writeBytes(reference, written));
        // That the written tree reads back to the same bytes, the command line test shows.
        QCOMPARE(written, fileBytes(reference));

        // In pieces, a large file's second part read by a thread of its own, the tree is the same.
        const QByteArray bytes = fileBytes(sourceDir + "/input/" + name);
        for (const qsizetype size : {5, 23, 64, 150}) {
            TreeChunks pieces;
            for (qsizetype at = 0; at < bytes.size(); at += size)
                pieces.push_back(bytes.mid(at, size));
            ThemeDocument pieced;
            pieced.root()->setDate(Clock::startDate());
            QCOMPARE(readTree(pieced, pieced.root(), pieces, {}, false).reminderRenamed,
                     boxes.contains("REMINDER"));
            pieced.settleGroups();
            QCOMPARE(saveToBytes(pieced, pieced.root(), saveFlags), written);
        }
    }

    // A file inserted below a theme: the tree afterwards, the new theme.
    void insert_data()
    {
        addJsonRows(QFINDTESTDATA("data/inserts.jsonl"), {"base", "target", "inserted", "outline"});
    }
    void insert()
    {
        FETCH_TEXTS(base, target, inserted);
        ScriptedMessages shown;
        ThemeDocument document;
        QVERIFY(readTreeFile(sourceDir + "/input/" + base, document, nullptr));
        DocumentUndo undo(document);
        EditingCommands commands(document, undo);
        const QByteArray before = saveToBytes(document, document.root(), 0);
        const QFileInfo file(sourceDir + "/input/" + inserted);
        ThemeDocument read;
        readTree(read, read.root(), *readTreeFileChunks(file.filePath(), nullptr), {},
                 document.reminderTheme() != nullptr);
        read.settleGroups();
        Theme *theme = commands.insertDocument(themeNamed(document, target), read, inserted,
                                               file.lastModified().date(), "Insert File")
                               .current;
        QTEST(outlineOf(document), "outline");
        // An inserted file joins the document in the document's form.
        QCOMPARE(document.textEncoding(), TextEncoding::Cp1251);
        // The insert is one step of the undo history, groups renumbered included.
        const QByteArray after = saveToBytes(document, document.root(), 0);
        QCOMPARE(undo.undoText(), QString("Insert File"));
        undo.undo();
        QCOMPARE(saveToBytes(document, document.root(), 0), before);
        undo.redo();
        QCOMPARE(saveToBytes(document, document.root(), 0), after);
        QCOMPARE(theme->parent(), themeNamed(document, target));
        QCOMPARE(theme->name(), inserted);
        QCOMPARE(theme->date(), file.lastModified().date());
        if (inserted == "no_headers.brw")
            QCOMPARE(theme->description(), QString("just some text\nwithout any header"));
        if (inserted == "basic.brw") // a link shows its mark theme's description
            QCOMPARE(document.resolve(themeNamed(document, "Link to mark"))->description(),
                     "shared text");
    }

    void branchesAndLinks_data()
    {
        addJsonRows(QFINDTESTDATA("data/saves.jsonl"), {"file", "current", "flags", "expected"});
    }
    void branchesAndLinks()
    {
        FETCH_TEXTS(file, current, flags);
        ScriptedMessages shown;
        ThemeDocument document;
        loadBytes(document, file.toLatin1());
        Theme *theme = themeNamed(document, current);
        document.makeHolder(theme); // a link opened holds its group's children
        int result = 0;
        Theme *top = flags.contains("branch") ? theme : document.root();
        QTEST(QString::fromLatin1(saveToBytes(document, top, saveFlagsOf(flags), nullptr, &result)),
              "expected");
        QCOMPARE(result, 1);
        QCOMPARE(shown.count(), 0);
    }

    // A file that cannot be read whole changes nothing and never blocks.
    void unreadableFiles_data() { JSON_ROWS("file", "box"); }
    void unreadableFiles()
    {
        FETCH_TEXTS(file, box);
        QTemporaryDir dir;
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600) == 0);
        QFile huge(dir.filePath("huge.brw")); // sparse: no disk space needed
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(maxTreeFileSize + 1));
        QFile(dir.filePath(QString::fromUtf8("\xEF\xBF\xBD.brw"))).open(QIODevice::WriteOnly);
        const QString path = QDir(dir.path()).filePath(file);
        ScriptedMessages shown;
        ThemeDocument document;
        loadBytes(document, "<!--1-->A\n<!--2-->B\n");
        QVERIFY(!readTreeFile(path, document, nullptr));
        QCOMPARE(shown.count(), 1);
        QVERIFY2(shown.texts()[0].startsWith(box), qPrintable(shown.texts()[0]));
        QVERIFY2(shown.texts()[0].endsWith(path), qPrintable(shown.texts()[0]));
        QCOMPARE(outlineOf(document), "A(B)");
    }

    // A file changed mid-read is read again, one changing at every read refused: never a tree
    // from two states of the file.
    void changedWhileRead_data() { JSON_ROWS("change", "outline"); }
    void changedWhileRead()
    {
        FETCH_TEXTS(change, outline);
        QTemporaryDir dir;
        const QString path = dir.filePath("doc.brw");
        auto content = [](const QByteArray &name) {
            return "<!--1-->" + name + "\r\n" + QByteArray(1 << 20, 'd') + "\r\n<!--1-->" + name +
                   " end\r\n";
        };
        ScriptedMessages shown;
        QVERIFY(writeBytes(path, content("aaa")));
        int pieces = 0;
        FileReading::setPieceObserver([&] {
            if (change == "every") {
                QVERIFY(writeBytes(path, content("aaa") + QByteArray::number(pieces)));
            } else if (pieces == 0 && change == "cut") {
                QVERIFY(writeBytes(path, "<!--1-->short\r\n"));
            } else if (pieces == 0) {
                QVERIFY(rewriteKeepingTime(path, content("bbb")));
            }
            ++pieces;
        });
        FileStamp stamp;
        std::optional<TreeChunks> chunks = readTreeFileChunks(path, nullptr, nullptr, &stamp);
        ThemeDocument document;
        if (chunks)
            readTree(document, document.root(), *chunks, {}, false);
        FileReading::setPieceObserver({});
        QCOMPARE(bool(chunks), !outline.isEmpty());
        QCOMPARE(outlineOf(document), outline);
        const QString box = "File changed while it was read\nФайл изменился во время чтения\n";
        QCOMPARE(shown.texts(), chunks ? QStringList() : QStringList{box + path});
        // The stamp is that of the state read.
        QCOMPARE(chunks && stamp == FileStamp::ofPath(path), bool(chunks));
    }

    // A window reads its file while it is built and takes the bytes as the file is then:
    // rewritten after the read (size and time kept), it is read again; gone, the box says so.
    void earlyReadTakesTheFileAsItIsThen()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("early.brw");
        QVERIFY(writeBytes(path, "<!--1-->aaa\r\n"));
        std::atomic<bool> read = false;
        FileReading::setPieceObserver([&read] { read = true; });
        ScriptedMessages shown;
        {
            TreeFileRead early(path);
            QTRY_VERIFY(read);
            QVERIFY(rewriteKeepingTime(path, "<!--1-->bbb\r\n"));
            FileStamp stamp;
            std::optional<TreeChunks> chunks = early.take(nullptr, nullptr, &stamp);
            QVERIFY(chunks && stamp == FileStamp::ofPath(path));
            ThemeDocument document;
            readTree(document, document.root(), std::move(*chunks), {}, false);
            QCOMPARE(outlineOf(document), "bbb");
        }
        {
            read = false;
            TreeFileRead early(path);
            QTRY_VERIFY(read);
            QVERIFY(QFile::remove(path));
            QVERIFY(!early.take(nullptr, nullptr, nullptr));
        }
        FileReading::setPieceObserver({});
        QCOMPARE(shown.texts(), QStringList{"Cannot open file\nНевозможно открыть файл\n" + path});
    }

    // One theme header a row, read from a line start: its depth, link id, date and end; written
    // again from those values it is the same text.
    void readsHeaders_data()
    {
        addJsonRows(QFINDTESTDATA("data/headers.jsonl"),
                    {"text", "lineStart", "depth", "linkId", "date", "end", "writer"});
    }
    void readsHeaders()
    {
        FETCH_TEXTS(text, lineStart, depth, date, writer);
        fixClock(QDate(2024, 6, 1)); // the header dates of the rows are told from this start
        const std::optional<ThemeHeader> header = readThemeHeader(text.toUtf8(), lineStart.toInt());
        QCOMPARE(header.has_value(), !depth.isEmpty());
        if (!header)
            return;
        QCOMPARE(header->depth, depth.toLongLong());
        QTEST(QString::number(header->linkId), "linkId");
        const QStringList dmy = date.split('.');
        const QDate given =
                dmy.size() == 3 ? QDate(dmy[2].toInt(), dmy[1].toInt(), dmy[0].toInt()) : QDate();
        const QStringList kinds{"none", "parent", "date", "impossible"};
        QCOMPARE(kinds.value(int(header->dateKind)), given.isValid() ? "date" : date);
        QCOMPARE(header->date, given);
        QTEST(QString::number(header->end), "end");
        // The writer gives the same header for these values, also after text.
        if (writer.isEmpty())
            return;
        const int depthValue = int(header->depth), start = lineStart.toInt();
        const std::optional<QDate> written = given.isValid() ? std::optional(given) : std::nullopt;
        const QString expected = text.sliced(start, header->end - start);
        QString line = "x";
        appendThemeHeader(line, depthValue, header->linkId, written);
        QCOMPARE(line, "x" + expected);
        QCOMPARE(themeHeader(depthValue, header->linkId, written), expected);
    }

    // The file's bytes as Latin-1 characters.
    void hostileBytesReadSafely_data()
    {
        JSON_ROWS("latin1");
        QString chain;
        for (int i = 1; i <= 200000; ++i)
            chain += QString("<!--%1-->n\n").arg(i);
        QTest::newRow("200000 levels deep") << chain;
    }
    void hostileBytesReadSafely()
    {
        QFETCH(QString, latin1);
        const QByteArray bytes = latin1.toLatin1();
        ScriptedMessages shown;
        ThemeDocument document;
        loadBytes(document, bytes);
        const QByteArray bytesWritten = saveToBytes(document, document.root(), 0);
        ThemeDocument fromFile;
        QVERIFY(readThroughFile(fromFile, bytes));
        QCOMPARE(saveToBytes(fromFile, fromFile.root(), 0), bytesWritten);
        ThemeDocument again;
        loadBytes(again, bytesWritten);
        QCOMPARE(saveToBytes(again, again.root(), 0), bytesWritten);
    }

    // What CP1251 lacks is written as 0x1A and counted.
    void conversion_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray cp1251 = "\xCF\xF0\xE8 \x88\r\n<!--1[01.01.2001]-->\xE0\r\n\r\n";
        const QByteArray unicode = "\xEF\xBB\xBFПри €\r\n<!--1[01.01.2001]-->а\r\n\r\n";
        QTest::newRow("to Unicode") << cp1251 << unicode;
        QTest::newRow("to CP1251") << unicode << cp1251;
        QTest::newRow("to CP1251, replaced") << QByteArray("\xEF\xBB\xBF漢 \U0001F600 e\u0301\r\n")
                                             << QByteArray("\x1A \x1A e\x1A\r\n");
    }
    void conversion()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        ThemeDocument document;
        loadBytes(document, file);
        QCOMPARE(document.textEncoding(), textFormOf(file));
        document.setTextEncoding(textFormOf(expected));
        SaveReport report;
        QCOMPARE(saveToBytes(document, document.root(), 0, nullptr, nullptr, &report), expected);
        QCOMPARE(report.replaced, expected.count('\x1A'));
    }

    // However the file is cut into pieces, and wherever the second thread starts, the tree is
    // the one read whole: lines that start with '<' but are no header, a header cut anywhere,
    // CRs, the form's mark, a link, an empty description, no final line end.
    void piecesCutAnywhere_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray tree = "pre\r\n<p>amble\r\n<!--1[12.03.2005]-->a\r\nxx<!--1-->y\r\n<b>\r\n"
                                "<!--1mark1-->b\r\nline\n<!--x-->\r\n\r\n<!--2-->c\r\n"
                                "<!--2link1-->d\r\n<!--1-->e\r\n<!--3-->f\n<!--1-->g\r\nlast";
        QTest::newRow("CP1251") << tree;
        // Converted where it lies up to the first character CP1251 lacks, then read as it is.
        QTest::newRow("UTF-8") << "\xEF\xBB\xBF" + tree + "\r\n<!--1-->u\r\n" +
                                          QString("Привет 日本\r\nпока").toUtf8() +
                                          "\r\n<!--1-->v\r\n" + QString("Ёж").toUtf8();
        QTest::newRow("a header first") << tree.mid(tree.indexOf("<!--1["));
    }
    void piecesCutAnywhere()
    {
        QFETCH(QByteArray, bytes);
        ThemeDocument whole;
        loadBytes(whole, bytes);
        const QString outline = outlineOf(whole, true);
        QVERIFY(outline.contains(
                "a[xx<!--1-->y\n<b>],b+1[line\n<!--x-->\n](c[],d-1(_)),e[](f[]),g[last"));
        QCOMPARE(outline.endsWith(QString("u[Привет 日本\nпока],v[Ёж]")),
                 bytes.startsWith("\xEF\xBB\xBF"));
        for (qsizetype size = 1; size < bytes.size(); ++size) {
            TreeChunks pieces;
            for (qsizetype at = 0; at < bytes.size(); at += size)
                pieces.push_back(bytes.mid(at, size));
            ThemeDocument pieced;
            readTree(pieced, pieced.root(), pieces, {}, false);
            pieced.settleGroups();
            QCOMPARE(outlineOf(pieced, true), outlineOf(whole, true));
        }

        // The second thread hands its themes over in batches.
        QByteArray many;
        for (int i = 0; i < 5000; ++i)
            many += "<!--" + QByteArray::number(1 + i % 3) + "-->" + QByteArray::number(i) +
                    "\r\n.\r\n";
        TreeChunks pieces;
        for (qsizetype at = 0; at < many.size(); at += 1000)
            pieces.push_back(many.mid(at, 1000));
        ThemeDocument manyWhole, manyPieced;
        loadBytes(manyWhole, many);
        readTree(manyPieced, manyPieced.root(), pieces, {}, false);
        QCOMPARE(outlineOf(manyPieced, true), outlineOf(manyWhole, true));
    }

    // A file of many pieces keeps every description: each is moved within its piece, and the
    // rest of the piece goes back to the system. With CRs and without, the texts are the ones
    // written.
    void largeFileKeepsEveryDescription()
    {
        ThemeDocument built;
        QStringList texts;
        for (int i = 0; i < 4000; ++i) {
            QString text =
                    QString(i * 37 % 1500, QChar(u'a' + i % 26)) + "\n<" + QString::number(i);
            if (i % 7 == 0)
                text = i % 2 ? QString() : QStringLiteral("\n\n");
            Theme *theme =
                    built.appendChild(i % 5 && i > 0 ? built.root()->child(i / 5) : built.root());
            theme->setName("t" + QString::number(i));
            theme->setDescription(text);
            texts << text;
        }
        const QByteArray written = saveToBytes(built, built.root(), 0);
        QVERIFY(written.size() > 2'500'000); // three pieces at least
        QByteArray withoutCrs = written;
        withoutCrs.replace("\r\n", "\n");
        for (const QByteArray &bytes : {written, withoutCrs}) {
            ThemeDocument read;
            QVERIFY(readThroughFile(read, bytes));
            for (int i = 0; i < texts.size(); ++i)
                QCOMPARE(themeNamed(read, "t" + QString::number(i))->description(), texts[i]);
        }
    }

    void failedWriteIsReported()
    {
        ScriptedMessages shown;
        ThemeDocument document;
        QVERIFY(readTreeFile(sourceDir + "/input/basic.brw", document, nullptr));
        QFile full("/dev/full");
        if (!full.open(QIODevice::WriteOnly))
            QSKIP("no /dev/full here");
        QString log;
        QCOMPARE(writeTree(document, document.root(), &full, 0, {}, &log, nullptr, nullptr), -1000);
        QCOMPARE(log + shown.texts().join(""), QString("!!!Error (Ошибка)!!!\nError writing "
                                                       "file\nОшибка записи в файл\n/dev/full\n"));
    }
};

QTEST_MAIN(TestTreeFile)
#include "tst_treefile.moc"
