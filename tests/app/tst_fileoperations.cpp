#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/KeyHelp.h"
#include "app/KeyList.h"
#include "common/Clock.h"
#include "editor/CorrectedTextEdit.h"
#include "support/MainWindows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"

#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using Answer = Messages::Answer;

// The files every row starts with, in the working directory.
static const QList<QPair<QString, QByteArray>> fixture{
        {"doc.brw", "root text\r\n<!--1[01.01.2001]-->Branch\r\nbranch <hidden>secret</hidden>"
                    "text\r\n<!--2[01.01.2001]-->Leaf\r\nleaf\r\n"},
        {"other.brw", "\r\n<!--1[01.01.2001]-->Other\r\n\r\n"},
        {"exists.brw", "old\r\n"}};

// A fresh working directory holding the fixture's files.
static void enterFixture(const QTemporaryDir &dir)
{
    QDir::setCurrent(dir.path());
    for (const auto &[name, bytes] : fixture) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QCOMPARE(::mkfifo("fifo", 0600), 0); // nothing ever writes into it
}

class TestFileOperations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Clock::setNow(QDateTime(QDate(2026, 12, 6), QTime(9, 5))); }

    void operations_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<bool>("standard");         // the platform's dialogs
        QTest::addColumn<QString>("current");       // theme; "*" in front: the root text is changed
        QTest::addColumn<QStringList>("choices");   // "file|type index"; none: cancel
        QTest::addColumn<QList<Answer>>("answers"); // to the boxes, in order
        QTest::addColumn<QStringList>("files");     // new or changed: "name:start of content"
        QTest::addColumn<QString>("document");      // the window's file and "*" when modified
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QStringList>("boxes"); // "first word of caption: first line of text"
        const QString tree = "Branch(Leaf)";
        const QStringList none;
        const QString replace = "Warning: Replase existing file?";
        const QStringList tableErrors{"Error: Unexpected error", "Error: Error saving file"};
        auto row = [&](const char *name, int operation, bool standard, const QString &current,
                       const QStringList &choices, const QList<Answer> &answers,
                       const QStringList &files, const QString &document, const QString &after,
                       const QStringList &boxes) {
            QTest::newRow(name) << operation << standard << current << choices << answers << files
                                << document << after << boxes;
        };
        // clang-format off
        row("save as HTML: .htm appended, the document keeps its name", 2, false, "*Branch", {"page|2"}, {}, {"page.htm:<HTML>\r\n<HEAD><META"}, "doc.brw*", tree, none);
        row("save as HTML: any case of .html stays", 2, false, "Branch", {"page.HtMl|2"}, {}, {"page.HtMl:<HTML>"}, "doc.brw", tree, none);
        row("save as ordinary: .brw appended, the name taken", 2, false, "*Branch", {"copy|0"}, {}, {"copy.brw:changed\r\n<!--1[01.01.2001]-->Branch"}, "copy.brw", tree, none);
        row("save as Unicode: the mark, the name taken", 2, false, "*Branch", {"uni|5"}, {}, {"uni.brw:\uFEFFchanged\r\n<!--1[01.01.2001]-->Branch"}, "uni.brw", tree, none);
        row("save as ordinary (*): nothing appended", 2, false, "Branch", {"copy|4"}, {}, {"copy:root text"}, "copy", tree, none);
        row("save as structure: headers only, not the document", 2, false, "*Branch", {"tree|1"}, {}, {"tree:<!--1[01.01.2001]-->Branch\r\n<!--2"}, "doc.brw*", tree, none);
        row("save as MIME: .txt appended", 2, false, "Branch", {"notes|3"}, {}, {"notes.txt:MIME-Version: 1.0"}, "doc.brw", tree, none);
        row("refused replace asks again", 2, false, "Branch", {"exists.brw|0", "fresh|0"}, {Answer::Cancel}, {"fresh.brw:root"}, "fresh.brw", tree, {replace});
        row("accepted replace", 2, false, "Branch", {"exists.brw|0"}, {}, {"exists.brw:root"}, "exists.brw", tree, {replace});
        row("cannot open for writing asks again", 2, false, "Branch", {"no/such/x|0"}, {}, {}, "doc.brw", tree, {"Error: Cannot open file for write"});
        row("save as under a name shown with a replacement character", 2, false, "Branch", {"\xEF\xBF\xBD|0"}, {}, {}, "doc.brw", tree, {"Error: Cannot open file for write"});
        row("save as cancelled", 2, false, "*Branch", {}, {}, {}, "doc.brw*", tree, none);
        row("branch", 3, false, "Branch", {"Branch|0"}, {}, {"Branch.brw:branch <hidden>secret</hidden>text\r\n<!--1[01.01.2001]-->Leaf"}, "doc.brw", tree, none);
        row("branch of the root", 3, false, "/", {"whole|4"}, {}, {"whole:root text"}, "doc.brw", tree, none);
        row("branch without hidden parts", 8, false, "Branch", {"Branch|0"}, {}, {"Branch.brw:branch text\r\n"}, "doc.brw", tree, none);
        row("table", 7, false, "Branch", {"table|0"}, {}, {"table.htm:<html><head>"}, "doc.brw", tree, none);
        row("table of a leaf", 7, false, "Leaf", {"leaf|0"}, {}, {}, "doc.brw", tree, tableErrors);
        const QString question = "Warning: Current file (Текущий файл)";
        row("reopen of a changed document cancelled", 4, false, "*Branch", {"other.brw|0"}, {Answer::Cancel}, {}, "doc.brw*", tree, {question});
        row("reopen without saving", 4, false, "*Branch", {"other.brw|0"}, {Answer::No}, {}, "other.brw", "Other", {question});
        row("reopen after saving", 4, false, "*Leaf", {"other.brw|0"}, {Answer::Yes}, {"doc.brw:changed"}, "other.brw", "Other", {question});
        row("reopen of a file that cannot be read", 4, false, "*Branch", {"gone.brw|0"}, {Answer::No}, {}, "doc.brw*", tree, {question, "Error: Cannot open file"});
        row("reopen of a FIFO", 4, false, "*Branch", {"fifo|0"}, {Answer::No}, {}, "doc.brw*", tree, {question, "Error: Cannot open file"});
        row("insert of a file whose size reads 0", 1, true, "/", {"/proc/version"}, {}, {}, "doc.brw*", "version,Branch(Leaf)", {"Warning: It insert new file in theme"});
        row("insert of a device", 1, false, "Leaf", {"/dev/zero|0"}, {}, {}, "doc.brw", tree, {"Warning: It insert new file in theme", "Error: Cannot open file"});
        row("insert cancelled", 1, false, "Leaf", {"other.brw|0"}, {Answer::Cancel}, {}, "doc.brw", tree, {"Warning: It insert new file in theme"});
        row("insert", 1, false, "Leaf", {"other.brw|0"}, {}, {}, "doc.brw*", "Branch(Leaf(other.brw(Other)))", {"Warning: It insert new file in theme"});
        row("open", 5, false, "Branch", {"other.brw|0"}, {}, {}, "doc.brw", tree, none);
        row("standard open", 5, true, "Branch", {"other.brw"}, {}, {}, "doc.brw", tree, none);
        row("standard save as: nothing appended", 2, true, "*Branch", {"plain"}, {}, {"plain:changed"}, "plain", tree, none);
        row("standard branch", 3, true, "Leaf", {"exists.brw", "b"}, {Answer::Cancel}, {"b:leaf\r\n"}, "doc.brw", tree, {replace});
        row("standard table of a leaf", 7, true, "Leaf", {"leaf.htm"}, {}, {}, "doc.brw", tree, {"Error: Unexpected error", "Warning: Error saving file"});
        row("standard reopen", 4, true, "Branch", {"other.brw"}, {}, {}, "other.brw", "Other", none);
        row("standard insert", 1, true, "/", {"other.brw"}, {}, {}, "doc.brw*", "other.brw(Other),Branch(Leaf)", {"Warning: It insert new file in theme"});
        row("standard save cancelled", 2, true, "*Branch", {}, {}, {}, "doc.brw*", tree, none);
        // clang-format on
    }
    void operations()
    {
        QFETCH(int, operation);
        QFETCH(bool, standard);
        QFETCH(QString, current);
        QFETCH(QStringList, choices);
        QFETCH(QList<Answer>, answers);
        QFETCH(QStringList, files);
        QTemporaryDir dir;
        enterFixture(dir);
        ScriptedMessages shown;
        ScriptedFileDialogs dialogs;
        Brambleweb *window = openWindow("doc.brw");
        LinkListView *view = window->tree();
        view->setCurrentItem(themeNamed(*view, current.mid(current[0] == '*')));
        if (current.startsWith('*')) {
            view->setDescription(view->rootTheme(), "changed", false);
            window->treeDataChanged();
        }
        const std::vector<Brambleweb *> &windows = BRWApplication::instance()->windows();
        const size_t windowCount = windows.size();
        for (const QString &choice : choices)
            dialogs.chooseNext(QDir(dir.path()).filePath(choice.section('|', 0, 0)),
                               choice.section('|', 1).toInt());
        for (Answer answer : answers)
            shown.answerNext(answer);

        if (standard) {
            window->menuFileOperationGUI(operation);
        } else if (operation == 8) { // the hidden command Ctrl+K, H
            QTest::keyClick(view, Qt::Key_K, Qt::ControlModifier);
            QTest::keyClick(view, Qt::Key_H);
        } else {
            window->menuFileOperation(operation);
        }

        QStringList seen;
        for (const Messages::Box &box : shown.shown())
            seen.append(box.caption.section(' ', 0, 0) + ": " + box.text.section('\n', 0, 0));
        QTEST(seen, "boxes");
        QTEST(QFileInfo(window->fileName()).fileName() + (window->isModified() ? "*" : ""),
              "document");
        QTEST(outlineOf(*view), "tree");
        QCOMPARE(windows.size(), windowCount + (operation == 5));
        if (operation == 5) {
            QCOMPARE(windows.back()->objectName(), QString("Main"));
            QCOMPARE(windows.back()->fileName(), dir.filePath("other.brw"));
            windows.back()->setVisible(false);
        }
        // Every file is a fixture with its bytes, a save file of a window, or an expected one.
        QStringList unexpected = QDir().entryList(QDir::Files);
        unexpected.removeIf([](const QString &name) {
            return name.contains(QRegularExpression("^autosave\\.\\d+$|\\.brw\\d+$"));
        });
        for (const QString &expected : files) {
            const QString name = expected.section(':', 0, 0);
            QFile file(name);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
            QVERIFY2(file.readAll().startsWith(expected.section(':', 1).toUtf8()),
                     qPrintable(name));
            unexpected.removeOne(name);
        }
        for (const auto &[name, bytes] : fixture) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(!unexpected.removeOne(name) || file.readAll() == bytes);
        }
        QCOMPARE(unexpected, QStringList());
        if (operation == 3 || operation == 7 || operation == 8)
            QCOMPARE(dialogs.requests().first().startName, standard         ? dir.filePath(current)
                                                           : current == "/" ? "doc.brw"
                                                                            : current);
        window->setVisible(false);
    }

    void keyHelpFromTheWorkingDirectoryOrTheProgramsOwn()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        ScriptedMessages shown;
        ScriptedFileDialogs dialogs;
        Brambleweb *window = BRWApplication::instance()->createMainWindow("", "Main");
        const std::vector<Brambleweb *> &windows = BRWApplication::instance()->windows();
        // The key help in resources/ is made from the key tables; BRW_REGENERATE=1 remakes it.
        QFile shipped(BRW_SOURCE_DIR "/resources/keyhelp.txt");
        if (qEnvironmentVariableIsSet("BRW_REGENERATE"))
            QVERIFY(shipped.open(QIODevice::WriteOnly) && shipped.write(keyHelpFile()));
        shipped.close();
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QVERIFY2(shipped.readAll() == keyHelpFile(),
                 "resources/keyhelp.txt lags behind the key tables: run this test once with "
                 "BRW_REGENERATE=1");
        window->menuKeyHelp();
        QCOMPARE(windows.back()->objectName(), QString("KeyHelp"));
        QVERIFY(windows.back()->fileName().endsWith("/keyhelp.txt"));
        QStringList groups;
        for (const KeyListEntry &entry : keyList())
            if (!groups.contains(entry.group))
                groups.append(entry.group);
        QCOMPARE(outlineOf(*windows.back()->tree()), groups.join(','));
        QFile local("keyhelp.txt");
        QVERIFY(local.open(QIODevice::WriteOnly) && local.write("\r\n<!--1-->Local\r\n\r\n"));
        local.close();
        window->menuKeyHelp();
        QCOMPARE(windows.back()->fileName(), QString("keyhelp.txt"));
        QCOMPARE(outlineOf(*windows.back()->tree()), QString("Local"));
        QCOMPARE(dialogs.requests().size(), 0);
        QCOMPARE(shown.count(), 0);
        QCOMPARE(windows.back()->errorSaveFile().fileName(), QString()); // nothing beside it
    }

    void charactersOutsideTheCodePageAreReportedOnce()
    {
        QTemporaryDir dir;
        enterFixture(dir);
        ScriptedMessages shown;
        Brambleweb *window = openWindow("doc.brw");
        // A table holds the names: one with such a character is reported by it too.
        ColorListViewItem *leaf = themeNamed(*window->tree(), "Leaf");
        window->tree()->renameTheme(leaf, "Leaf中");
        ScriptedFileDialogs dialogs;
        dialogs.chooseNext(dir.filePath("table.html"));
        shown.answerNext(Answer::No);
        window->menuSaveTable();
        QVERIFY(shown.count() == 1 && shown.texts().first().contains("theme\nLeaf中\n"));
        window->tree()->renameTheme(leaf, "Leaf");
        shown.clear();
        window->tree()->setCurrentItem(leaf);
        auto typeAndSave = [&](const QString &text) {
            window->editor()->insertPlainText(text); // as pasted
            window->menuSaveFile();
        };
        auto saved = [] {
            QFile file("doc.brw");
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QString once = "1 character(s) cannot be written in the code page CP1251";
        shown.answerNext(Answer::No);
        typeAndSave("中");
        QCOMPARE(shown.count(), 1);
        QVERIFY(shown.texts().first().startsWith(once));
        QVERIFY(shown.texts().first().contains("theme\nLeaf\n"));
        typeAndSave("€ x"); // characters of the code page say nothing more
        window->autosave();
        QCOMPARE(shown.count(), 1);
        QVERIFY(saved().contains("Leaf\r\n\x1A\x88 xleaf"));
        QVERIFY(window->encodingLabel()->isHidden());
        // Yes: this save and every later one keeps every character.
        typeAndSave("ł");
        QCOMPARE(shown.count(), 2);
        QVERIFY(shown.texts().last().startsWith("2 character(s)"));
        QVERIFY(!window->encodingLabel()->isHidden() && window->encodingLabel()->text() == "UTF-8");
        typeAndSave("ß");
        QCOMPARE(shown.count(), 2);
        QVERIFY(saved().startsWith("\xEF\xBB\xBFroot text\r\n") && saved().contains("中€ xłßleaf"));
        window->setVisible(false);
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    BRWApplication application(argc, argv);
    TestFileOperations test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_fileoperations.moc"
