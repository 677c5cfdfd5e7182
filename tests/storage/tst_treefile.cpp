#include "common/Emergency.h"
#include "storage/FileReading.h"
#include "storage/TreeFile.h"
#include "support/FileChanges.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"
#include "tree/TreeUndo.h"
#include "tree/ViewDocument.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        QFETCH(QString, flags);
        const int saveFlags = saveFlagsOf(flags);
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadTree(view, sourceDir + "/input/" + name, 0, nullptr));
        QTEST(shown.texts().join(" + "), "boxes");
        QTEST(outlineOf(view), "outline");
        QVERIFY(view.isStable());
        QVERIFY(view.currentTheme() == view.rootTheme());
        int result = 0;
        const QByteArray written = saveToBytes(view, saveFlags, nullptr, &result);
        QCOMPARE(result, 1);

        QFile reference(sourceDir + "/reference/" + name);
        if (qEnvironmentVariableIsSet("BRW_REGENERATE")) {
            QVERIFY(reference.open(QIODevice::WriteOnly));
            reference.write(written);
            return;
        }
        QVERIFY2(reference.open(QIODevice::ReadOnly), qPrintable(reference.fileName()));
        QCOMPARE(written, reference.readAll());

        // Read back, the written tree writes the same bytes.
        LinkListView again;
        QVERIFY(loadBytes(again, written));
        QCOMPARE(saveToBytes(again, saveFlags), written);
        QCOMPARE(outlineOf(again), outlineOf(view));
    }

    // A file inserted below a theme: the tree afterwards, the boxes shown, the new current theme.
    void insert_data()
    {
        addJsonRows(QFINDTESTDATA("data/inserts.jsonl"),
                    {"base", "target", "inserted", "outline", "boxes"});
    }
    void insert()
    {
        FETCH_TEXTS(base, target, inserted);
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadTree(view, sourceDir + "/input/" + base, 0, nullptr));
        view.setCurrentItem(themeNamed(view, target));
        const QByteArray before = saveToBytes(view, 0);
        QVERIFY(!view.undoHistory().canUndo()); // a tree read starts a fresh history
        QVERIFY(loadTree(view, sourceDir + "/input/" + inserted, LOAD_INSERT, nullptr));
        QTEST(outlineOf(view), "outline");
        // An inserted file joins the document in the document's form.
        QCOMPARE(view.textEncoding(), TextEncoding::Cp1251);
        // The insert is one step of the undo history, groups renumbered included.
        const QByteArray after = saveToBytes(view, 0);
        QCOMPARE(view.undoHistory().undoText(), QString("Insert File"));
        view.menuUndo();
        QCOMPARE(saveToBytes(view, 0), before);
        QCOMPARE(view.currentTheme(), themeNamed(view, target));
        view.menuRedo();
        QCOMPARE(saveToBytes(view, 0), after);
        QTEST(QString::number(shown.count()), "boxes");
        ColorListViewItem *theme = view.currentTheme();
        QCOMPARE(theme->parentTheme(), themeNamed(view, target));
        QCOMPARE(theme->name(), inserted);
        QCOMPARE(theme->date(), QFileInfo(sourceDir + "/input/" + inserted).lastModified().date());
        if (inserted == "no_headers.brw")
            QCOMPARE(theme->description(), QString("just some text\nwithout any header"));
        if (inserted == "basic.brw") // a link shows its mark theme's description
            QCOMPARE(view.description(themeNamed(view, "Link to mark"), false), "shared text");
    }

    void branchesAndLinks_data()
    {
        addJsonRows(QFINDTESTDATA("data/saves.jsonl"), {"file", "current", "flags", "expected"});
    }
    void branchesAndLinks()
    {
        FETCH_TEXTS(file, current, flags);
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadBytes(view, file.toLatin1()));
        ColorListViewItem *theme = themeNamed(view, current);
        theme->setExpanded(true); // a link then holds its group's children
        view.setCurrentItem(theme);
        int result = 0;
        QTEST(QString::fromLatin1(saveToBytes(view, saveFlagsOf(flags), nullptr, &result)),
              "expected");
        QCOMPARE(result, 1);
        QCOMPARE(shown.count(), 0);
    }

    // A file that cannot be read whole changes nothing, inserted or not, and never blocks.
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
        for (int flags : {0, int(LOAD_INSERT)}) {
            ScriptedMessages shown;
            LinkListView view;
            QVERIFY(loadBytes(view, "<!--1-->A\n<!--2-->B\n"));
            view.setCurrentItem(view.rootTheme()->child(0));
            QVERIFY(loadTree(view, QString(), flags, nullptr));
            QVERIFY(!loadTree(view, path, flags, nullptr));
            QCOMPARE(shown.count(), 1);
            QVERIFY2(shown.texts()[0].startsWith(box), qPrintable(shown.texts()[0]));
            QVERIFY2(shown.texts()[0].endsWith(path), qPrintable(shown.texts()[0]));
            QCOMPARE(outlineOf(view) + view.currentTheme()->name(), "A(B)A");
            QCOMPARE(view.undoHistory().count(), 0);
        }
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
        auto write = [&path](const QByteArray &bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        };
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadBytes(view, "<!--1-->A\n"));
        write(content("aaa"));
        int pieces = 0;
        FileReading::setPieceObserver([&] {
            if (change == "every") {
                write(content("aaa") + QByteArray::number(pieces));
            } else if (pieces == 0 && change == "cut") {
                write("<!--1-->short\r\n");
            } else if (pieces == 0) {
                QVERIFY(rewriteKeepingTime(path, content("bbb")));
            }
            ++pieces;
        });
        FileStamp stamp;
        const bool read = loadTree(view, path, 0, nullptr, &stamp);
        FileReading::setPieceObserver({});
        QCOMPARE(read, !outline.isEmpty());
        QCOMPARE(outlineOf(view), read ? outline : "A");
        const QString box = "File changed while it was read\nФайл изменился во время чтения\n";
        QCOMPARE(shown.texts(), read ? QStringList() : QStringList{box + path});
        // The stamp is that of the state read.
        QCOMPARE(read && stamp == FileStamp::ofPath(path), read);
    }

    // The writer waits for a busy tree; after a fatal signal it neither waits nor runs the event
    // loop and writes the tree as it stands. Last: the emergency never ends.
    void busyTree_data() { JSON_ROWS("fatal"); }
    void busyTree()
    {
        QFETCH(QString, fatal);
        const bool emergency = !fatal.isEmpty();
        ScriptedMessages shown;
        LinkListView view;
        view.appendChild(view.rootTheme(), "theme")->setDescription("text");
        if (emergency)
            Emergency::begin();
        auto *busy = new LinkListView::Busy(&view);
        bool eventLoopRan = false;
        QTimer::singleShot(0, &view, [&] { eventLoopRan = true; });
        QTimer::singleShot(200, &view, [&] { delete std::exchange(busy, nullptr); });
        QString log;
        int result = 0;
        const QByteArray bytes = saveToBytes(view, 0, &log, &result);
        QCOMPARE(std::pair(result, eventLoopRan), std::pair(emergency ? -1 : 1, !emergency));
        QCOMPARE(bytes, QByteArray("\r\n<!--1[15.03.2005]-->theme\r\ntext\r\n"));
        QCOMPARE(log + shown.texts().join(""), QString());
        delete busy;
    }
};

QTEST_MAIN(TestTreeFile)
#include "tst_treefile.moc"
