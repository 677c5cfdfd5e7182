#include "storage/TreeFile.h"
#include "support/FixedClock.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Reference files: tests/storage/input/NAME is read and written again with flags 0 (or the
// row's flags); the bytes must equal tests/storage/reference/NAME. BRW_REGENERATE=1 rewrites the
// references after a deliberate change (tests/storage/regenerate-references.sh).
static const QString sourceDir = QStringLiteral(BRW_TEST_SOURCE_DIR);

static ColorListViewItem *find(LinkListView &view, const QString &name)
{
    return themeNamed(view, name);
}

class TestTreeFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 15)); }
    void cleanup() { resetClock(); }

    void referenceFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QStringList>("boxes");
        const QString reminders =
                "It rename some REMINDER theme(s) \nНекоторые темы-НАПОМИНАТЕЛИ переименованы";
        QTest::newRow("empty root") << "empty_root.brw" << 0 << QStringList();
        QTest::newRow("basic") << "basic.brw" << 0 << QStringList();
        QTest::newRow("LF line ends") << "lf_only.brw" << 0 << QStringList();
        QTest::newRow("header grammar") << "grammar.brw" << 0 << QStringList();
        QTest::newRow("broken links")
                << "broken_links.brw" << 0
                << QStringList{"Link(s) Without Mark(s)\nMark(s) Without Link(s)\n"};
        // The reminder reads its text once the file is in, before the rename warning.
        QTest::newRow("two reminders")
                << "two_reminders.brw" << 0 << QStringList{"Unknown task[0, 0]\n", reminders};
        QTest::newRow("no headers") << "no_headers.brw" << 0 << QStringList();
        QTest::newRow("structure only") << "structure.brw" << int(SAVE_STRUCTURE) << QStringList();
    }
    void referenceFiles()
    {
        QFETCH(QString, name);
        QFETCH(int, flags);
        QFETCH(QStringList, boxes);
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadTree(view, sourceDir + "/input/" + name, 0, nullptr));
        QCOMPARE(shown.texts(), boxes);
        QVERIFY(view.isStable());
        int result = 0;
        const QByteArray written = saveToBytes(view, flags, nullptr, &result);
        QCOMPARE(result, 1);

        QFile reference(sourceDir + "/reference/" + name);
        if (qEnvironmentVariableIsSet("BRW_REGENERATE")) {
            QVERIFY(reference.open(QIODevice::WriteOnly));
            reference.write(written);
            return;
        }
        QVERIFY2(reference.open(QIODevice::ReadOnly), qPrintable(reference.fileName()));
        QCOMPARE(written, reference.readAll());

        // What the writer wrote reads back into a tree that writes the same bytes again.
        LinkListView again;
        QVERIFY(loadBytes(again, written));
        QCOMPARE(saveToBytes(again, flags), written);
        QCOMPARE(again.themeCount(), view.themeCount());
    }

    void loadedTreeHasThemesDatesIdsAndDescriptions()
    {
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadTree(view, sourceDir + "/input/basic.brw", 0, nullptr));
        QCOMPARE(view.rootTheme()->description(),
                 QString("Корень: описание дерева\nвторая строка"));
        ColorListViewItem *plans = find(view, "Plans");
        QCOMPARE(plans->description(), QString("First line\nsecond line\n"));
        QCOMPARE(plans->date(), QDate(2005, 3, 7));
        QCOMPARE(find(view, "Сегодня")->date(), QDate(2005, 3, 7)); // [|]
        ColorListViewItem *mark = find(view, "Mark");
        ColorListViewItem *link = find(view, "Link to mark");
        QCOMPARE(mark->linkId(), 1);
        QCOMPARE(link->linkId(), -1);
        QCOMPARE(link->childCount(), 1); // its null item
        QVERIFY(link->childTheme(0)->isNullItem());
        QCOMPARE(view.description(link, false), QString("shared text"));
        QCOMPARE(find(view, "Ends with a line feed")->description(), QString("text\n\n"));
        QVERIFY(view.isStable());
        QCOMPARE(view.currentTheme(), view.rootTheme());
    }

    void depthJumpsAndGrammar()
    {
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadTree(view, sourceDir + "/input/grammar.brw", 0, nullptr));
        ColorListViewItem *one = find(view, "one");
        QCOMPARE(find(view, "jumped to two")->parentTheme(), one);
        QCOMPARE(find(view, "three beside")->parentTheme(), find(view, "jumped to two"));
        QCOMPARE(find(view, "four under one")->parentTheme(), one);
        QCOMPARE(view.themeDepth(find(view, "dots and slashes")), 2);
        QCOMPARE(find(view, "dots and slashes")->date(), QDate(2005, 3, 11));
        QCOMPARE(view.themeDepth(find(view, "zero reads as one")), 1);
        QVERIFY(find(view, "zero reads as one")
                        ->description()
                        .contains(" <!--1[12.03.2005]-->blank before is text"));
        QCOMPARE(find(view, "impossible date")->date(), QDate(2005, 3, 15));
        QCOMPARE(find(view, "link without number")->linkId(), 0);
        // "date before mark" has mark 2 and "no date part" links to it: after the merge they
        // are group 1.
        QCOMPARE(find(view, "date before mark")->linkId(), 1);
        QCOMPARE(find(view, "no date part")->linkId(), -1);
        QCOMPARE(find(view, "no date part")->date(), QDate(2005, 3, 15));
    }

    void reminderThemesAndInsert()
    {
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadTree(view, sourceDir + "/input/two_reminders.brw", 0, nullptr));
        QCOMPARE(view.reminderTheme()->name(), QString("__reminder"));
        QVERIFY(find(view, "~__reminder") != nullptr);

        // Inserting the same file under a tree that has a reminder renames both of its own.
        shown.clear();
        view.setCurrentItem(view.rootTheme());
        QVERIFY(loadTree(view, sourceDir + "/input/two_reminders.brw", LOAD_INSERT, nullptr));
        QCOMPARE(shown.count(), 1);
        ColorListViewItem *inserted = find(view, "two_reminders.brw");
        QVERIFY(inserted);
        QCOMPARE(inserted->parentTheme(), view.rootTheme());
        QCOMPARE(view.rootTheme()->child(0), inserted);
        QCOMPARE(inserted->childCount(), 2);
        QCOMPARE(inserted->childTheme(0)->name(), QString("~__reminder"));
        QCOMPARE(view.currentTheme(), inserted);
        QCOMPARE(inserted->date(),
                 QFileInfo(sourceDir + "/input/two_reminders.brw").lastModified().date());
    }

    void insertingKeepsAndRenumbersExistingGroups()
    {
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadTree(view, sourceDir + "/input/basic.brw", 0, nullptr));
        view.setCurrentItem(find(view, "Plans"));
        QVERIFY(loadTree(view, sourceDir + "/input/basic.brw", LOAD_INSERT, nullptr));
        QCOMPARE(view.storage().ids(), (QList<int>{1, 2}));
        const QList<QTreeWidgetItem *> marks =
                view.findItems("Mark", Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(marks.size(), 2);
        QCOMPARE(shown.count(), 0);
    }

    void fileWithoutHeadersBecomesTheTargetsDescription()
    {
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadBytes(view, "line one\r\nline two\r\n", LOAD_INSERT));
        ColorListViewItem *inserted = view.rootTheme()->childTheme(0);
        QCOMPARE(inserted->description(), QString("line one\nline two"));
        QCOMPARE(inserted->childCount(), 0);
    }

    void branchWithLinkOutside()
    {
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadBytes(view, "\n<!--1mark1[01.01.2001]-->Mark\nmark text\n"
                                "<!--1[01.01.2001]-->Branch\nbranch <hidden>secret</hidden>text\n"
                                "<!--2link1[01.01.2001]-->Link\n\n"
                                "<!--2[01.01.2001]-->Same date\n\n"
                                "<!--3[02.01.2001]-->Other date\n\n"));
        view.setCurrentItem(find(view, "Branch"));
        const QByteArray branch = saveToBytes(view, SAVE_BRANCH | SAVE_STRIP_HIDDEN);
        QCOMPARE(branch, QByteArray("branch text\r\n"
                                    "<!--1[01.01.2001]-->Link\r\n\r\n"
                                    "<!--1[01.01.2001]-->Same date\r\n\r\n"
                                    "<!--2[02.01.2001]-->Other date\r\n\r\n"));
        LinkListView readBack;
        QVERIFY(loadBytes(readBack, branch));
        QCOMPARE(find(readBack, "Link")->linkId(), 0);
        QCOMPARE(find(readBack, "Link")->description(), QString());

        // With the mark inside the branch both tokens stay, and "[|]" marks equal dates.
        view.setCurrentItem(view.rootTheme());
        view.rootTheme()->setDescription("");
        const QByteArray whole = saveToBytes(view, SAVE_BRANCH);
        QVERIFY(whole.contains("<!--1mark1[01.01.2001]-->Mark"));
        QVERIFY(whole.contains("<!--2link1[|]-->Link"));
        QVERIFY(whole.contains("<!--3[02.01.2001]-->Other date"));
    }

    void branchOfATreeWithAMarkBelowItsOwnLink()
    {
        // The climb from the mark through its link back to the mark must end.
        ScriptedMessages shown;
        LinkListView view;
        const QByteArray file = "\r\n<!--1link1[01.01.2001]-->L\r\n\r\n"
                                "<!--2mark1[01.01.2001]-->M\r\n\r\n";
        QVERIFY(loadBytes(view, file));
        view.setCurrentItem(view.rootTheme());
        int result = 0;
        const QByteArray branch = saveToBytes(view, SAVE_BRANCH, nullptr, &result);
        QCOMPARE(result, 1);
        QVERIFY(branch.startsWith("\r\n<!--1link1[01.01.2001]-->L\r\n"));
        // A theme that a hand-made file put under a link stays there.
        QCOMPARE(saveToBytes(view, 0), file);
    }

    void linkHolderChildrenAreWrittenUnderTheMark()
    {
        ScriptedMessages shown;
        LinkListView view;
        const QByteArray file = "\r\n<!--1mark1[01.01.2001]-->M\r\nm\r\n"
                                "<!--2[01.01.2001]-->child\r\nc\r\n"
                                "<!--1link1[01.01.2001]-->L\r\n\r\n";
        QVERIFY(loadBytes(view, file));
        find(view, "L")->setExpanded(true); // the link now holds "child"
        QCOMPARE(find(view, "child")->parentTheme(), find(view, "L"));
        QCOMPARE(saveToBytes(view, 0), file);

        // The branch of that link is the mark theme's branch.
        view.setCurrentItem(find(view, "L"));
        QCOMPARE(saveToBytes(view, SAVE_BRANCH),
                 QByteArray("m\r\n<!--1[01.01.2001]-->child\r\nc\r\n"));
    }

    void failedWriteIsReported()
    {
        ScriptedMessages shown;
        LinkListView view;
        QVERIFY(loadTree(view, sourceDir + "/input/basic.brw", 0, nullptr));
        QFile full("/dev/full");
        if (!full.open(QIODevice::WriteOnly))
            QSKIP("no /dev/full here");
        QString log;
        QCOMPARE(saveTree(view, &full, 0, nullptr, &log), -1000);
        QCOMPARE(log, QString("!!!Error (Ошибка)!!!\nError writing file\nОшибка записи в "
                              "файл\n/dev/full\n"));
        QCOMPARE(shown.count(), 0);
    }

    void writerWaitsForAStableTree()
    {
        ScriptedMessages shown;
        LinkListView view;
        auto *busy = new LinkListView::Busy(&view);
        QTimer::singleShot(200, [&] { delete busy; });
        int result = 0;
        const QByteArray bytes = saveToBytes(view, 0, nullptr, &result);
        QCOMPARE(result, 1);
        QCOMPARE(bytes, QByteArray("\r\n"));
    }

    void unreadableFiles()
    {
        ScriptedMessages shown;
        LinkListView view;
        QTemporaryDir dir;
        QVERIFY(loadTree(view, QString(), 0, nullptr));
        QVERIFY(!loadTree(view, dir.path(), 0, nullptr));
        QVERIFY(!loadTree(view, dir.filePath("missing.brw"), 0, nullptr));
        QCOMPARE(shown.count(), 2);
        QCOMPARE(shown.captions().first(), QString("Error (Ошибка)"));
        QVERIFY(shown.texts().first().startsWith("Cannot open file\nНевозможно открыть файл\n"));
    }

    void hostileBytesLoadSafely_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("binary") << QByteArray("\x00\xff\x01<!--\x00-->\n\x80\x98", 14);
        QTest::newRow("lone comment opener") << QByteArray("<!--");
        QTest::newRow("header without line end") << QByteArray("<!--1[01.01.2001]-->end");
        QTest::newRow("huge depth")
                << QByteArray("<!--2147483648-->a\n<!--99999999999999999999-->b\n");
        QTest::newRow("huge date") << QByteArray("<!--1[99999999.1.1]-->a\n");
        QTest::newRow("huge ids") << QByteArray(
                "<!--1mark99999999999-->a\n<!--1link2147483647-->b\n");
        QTest::newRow("many dots") << QByteArray("<!--") + QByteArray(1000000, '.') + "-->x\n";
        QByteArray chain;
        for (int i = 1; i <= 200000; ++i)
            chain += "<!--" + QByteArray::number(i) + "-->n\n";
        QTest::newRow("200000 levels deep") << chain;
        // A file is read in pieces of 1 MiB: lines that cross from one piece to the next.
        const int piece = 1 << 20;
        auto across = [piece](int before, const QByteArray &line) {
            const QByteArray start("<!--1-->first\r\n");
            return start + QByteArray(piece - before - start.size() - 2, 'd') + "\r\n" + line +
                   "\r\ntext\r\n<!--2-->last\r\n";
        };
        QTest::newRow("header across pieces") << across(2, "<!--1[01.02.2003]-->h");
        QTest::newRow("name across pieces") << across(12, "<!--1-->a name");
        QTest::newRow("CR LF across pieces") << across(1, "");
        QTest::newRow("line longer than a piece")
                << "<!--1-->a\n" + QByteArray(piece * 5 / 2, 'y') + "\n<!--1-->b\nend";
    }
    void hostileBytesLoadSafely()
    {
        QFETCH(QByteArray, bytes);
        ScriptedMessages shown;
        LinkListView view;
        loadTreeBytes(view, bytes, "x", QDateTime::currentDateTime(), 0, nullptr);
        QVERIFY(view.isStable());
        const QByteArray written = saveToBytes(view, 0);
        LinkListView fromFile; // read piece by piece
        QVERIFY(loadBytes(fromFile, bytes));
        QCOMPARE(saveToBytes(fromFile, 0), written);
        LinkListView again;
        loadTreeBytes(again, written, "x", QDateTime::currentDateTime(), 0, nullptr);
        QCOMPARE(saveToBytes(again, 0), written);
        view.clear();
        QCOMPARE(view.themeCount(), 1);
    }
};

QTEST_MAIN(TestTreeFile)
#include "tst_treefile.moc"
