#include "app/FileCommands.h"
#include "app/KeyHelp.h"
#include "app/KeyList.h"
#include "app/OutlineCommands.h"
#include "app/Printing.h"
#include "common/Clock.h"
#include "storage/OutlineFiles.h"
#include "support/Drops.h"
#include "support/FixedClock.h"
#include "support/HangGuard.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/TreeOutline.h"
#include "support/WindowTree.h"
#include "tree/TreeDragDrop.h"

#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>

using Answer = Messages::Answer;

// The document of the outline commands, opened in a window before each test.
static const QByteArray document =
        outlineFileBytes("[root text],Branch[branch text](Leaf[leaf]),Other[]");

// The files every row starts with, in the working directory.
static const QList<QPair<QString, QByteArray>> fixture{
        {"doc.brw", "root text\r\n<!--1[01.01.2001]-->Branch\r\nbranch <hidden>secret</hidden>"
                    "text\r\n<!--2[01.01.2001]-->Leaf\r\nleaf\r\n"},
        {"other.brw", "\r\n<!--1[01.01.2001]-->Other\r\n\r\n"},
        {"exists.brw", "old\r\n"}};

// A list field of a row.
static QStringList items(const QString &field)
{
    return field.isEmpty() ? QStringList() : field.split(" + ");
}

// A fresh working directory holding the fixture's files.
static void enterFixture(const QTemporaryDir &dir)
{
    QDir::setCurrent(dir.path());
    for (const auto &[name, bytes] : fixture)
        QVERIFY(writeBytes(name, bytes));
    QCOMPARE(::mkfifo("fifo", 0600), 0); // nothing ever writes into it
}

// The window's file commands, driven through the dialogs' and boxes' seams: open, insert, save as,
// branch, table and key help, and the commands for other programs' outlines (export, import,
// print); and what is dropped on the window.
class TestFileOperations : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    Brambleweb *m_window = nullptr;

    ThemeView &tree() { return *m_window->tree(); }

private Q_SLOTS:
    void initTestCase()
    {
        Clock::setNow(QDateTime(QDate(2026, 12, 6), QTime(9, 5)));
        // What the drop tests drop.
        QVERIFY(writeBytes(m_dir.filePath("in.brw"),
                           "\r\n<!--1[01.02.2003]-->Q\r\n<!--2[01.02.2003]-->r\r\n"));
        QVERIFY(::mkfifo(qPrintable(m_dir.filePath("fifo.brw")), 0600) == 0);
        QVERIFY(QDir(m_dir.path()).mkdir("folder.brw"));
    }

    void operations_data()
    {
        JSON_ROWS("command", "current", "choices", "answers", "files", "document", "tree", "boxes");
    }
    void operations()
    {
        FETCH_TEXTS(command, current, choices, answers, files, boxes);
        const bool standard = command.startsWith("std ");
        const int operation = QStringList{"",     "insert", "save-as", "branch",         "reopen",
                                          "open", "",       "table",   "stripped-branch"}
                                      .indexOf(command.mid(standard ? 4 : 0));
        QTemporaryDir dir;
        enterFixture(dir);
        ScriptedMessages shown;
        ScriptedFileDialogs dialogs;
        Brambleweb *window = openWindow("doc.brw");
        ThemeView *view = window->tree();
        view->setCurrentTheme(themeNamed(*view, current.mid(current[0] == '*')));
        if (current.startsWith('*')) {
            const DocumentUndo::Step edit(window->undoHistory(), "Edit");
            window->document().setThemeDescription(window->document().root(), "changed");
        }
        const std::vector<Brambleweb *> &windows = BRWApplication::instance()->windows();
        const size_t windowCount = windows.size();
        for (const QString &choice : items(choices))
            dialogs.chooseNext(QDir(dir.path()).filePath(choice.section('|', 0, 0)),
                               choice.section('|', 1).toInt());
        for (const QString &answer : items(answers))
            shown.answerNext(ScriptedMessages::answerNamed(answer));

        HangGuard guard; // a FIFO among the targets
        if (standard) {
            window->files()->menuFileOperationGUI(operation);
        } else if (operation == 8) { // the hidden command Ctrl+K, H
            QTest::keyClick(view, Qt::Key_K, Qt::ControlModifier);
            QTest::keyClick(view, Qt::Key_H);
        } else {
            window->files()->menuFileOperation(operation);
        }

        QStringList seen;
        for (const Messages::Box &box : shown.shown())
            seen.append(box.caption.section(' ', 0, 0) + ": " + box.text.section('\n', 0, 0));
        QCOMPARE(seen, items(boxes));
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
        for (const QString &expected : items(files)) {
            const QString name = expected.section(':', 0, 0);
            QVERIFY2(fileBytes(name).startsWith(expected.section(':', 1).toUtf8()),
                     qPrintable(name));
            unexpected.removeOne(name);
        }
        for (const auto &[name, bytes] : fixture)
            QVERIFY(!unexpected.removeOne(name) || fileBytes(name) == bytes);
        QCOMPARE(unexpected, QStringList());
        const FileDialogs::Request asked = dialogs.requests().value(0);
        if (operation == 3 || operation == 7 || operation == 8) // the caption names the theme
            QCOMPARE(asked.startName + asked.caption.section('\n', 1).section(" in", 0, 0),
                     (standard ? dir.filePath(current) : QString(current).replace("/", "doc.brw")) +
                             view->currentTheme()->name());
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
        const QString shipped = BRW_SOURCE_DIR "/resources/keyhelp.txt";
        QVERIFY(!qEnvironmentVariableIsSet("BRW_REGENERATE") || writeBytes(shipped, keyHelpFile()));
        QVERIFY2(fileBytes(shipped) == keyHelpFile(),
                 "resources/keyhelp.txt lags behind the key tables: run this test once with "
                 "BRW_REGENERATE=1");
        window->files()->menuKeyHelp();
        QCOMPARE(windows.back()->objectName(), QString("KeyHelp"));
        QVERIFY(windows.back()->fileName().endsWith("/keyhelp.txt"));
        QStringList groups;
        for (const KeyListEntry &entry : keyList())
            if (!groups.contains(entry.group))
                groups.append(entry.group);
        QCOMPARE(outlineOf(*windows.back()->tree()), groups.join(','));
        QVERIFY(writeBytes("keyhelp.txt", "\r\n<!--1-->Local\r\n\r\n"));
        window->files()->menuKeyHelp();
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
        Theme *leaf = themeNamed(*window->tree(), "Leaf");
        window->document().renameTheme(leaf, "Leaf中");
        ScriptedFileDialogs dialogs;
        dialogs.chooseNext(dir.filePath("table.html"));
        shown.answerNext(Answer::No);
        window->files()->menuSaveTable();
        QCOMPARE(shown.count(), 1);
        QVERIFY(shown.texts().first().contains("theme\nLeaf中\n"));
        window->document().renameTheme(leaf, "Leaf");
        shown.clear();
        window->tree()->setCurrentTheme(leaf);
        auto typeAndSave = [&](const QString &text) {
            window->editor()->insertPlainText(text); // as pasted
            window->files()->menuSaveFile();
        };
        const QString once = "1 character(s) cannot be written in the code page CP1251";
        shown.answerNext(Answer::No);
        typeAndSave("中");
        QCOMPARE(shown.count(), 1);
        QVERIFY(shown.texts().first().startsWith(once));
        QVERIFY(shown.texts().first().contains("theme\nLeaf\n"));
        typeAndSave("€ x"); // characters of the code page say nothing more
        window->files()->autosave();
        QCOMPARE(shown.count(), 1);
        QVERIFY(fileBytes("doc.brw").contains("Leaf\r\n\x1A\x88 xleaf"));
        QVERIFY(window->encodingLabel()->isHidden());
        // Yes: this save and every later one keeps every character.
        typeAndSave("ł");
        QCOMPARE(shown.count(), 2);
        QVERIFY(shown.texts().last().startsWith("2 character(s)"));
        QVERIFY(!window->encodingLabel()->isHidden());
        QCOMPARE(window->encodingLabel()->text(), "UTF-8");
        typeAndSave("ß");
        QCOMPARE(shown.count(), 2);
        QVERIFY(fileBytes("doc.brw").startsWith("\xEF\xBB\xBFroot text\r\n"));
        QVERIFY(fileBytes("doc.brw").contains("中€ xłßleaf"));
        window->setVisible(false);
    }

    void init()
    {
        QDir::setCurrent(m_dir.path());
        QVERIFY(writeBytes("doc.brw", document));
        m_window = openWindow(m_dir.filePath("doc.brw"));
    }
    void cleanup() { closeUnsaved(m_window); }

    // The chosen type decides the format and the extension; a name that has one keeps it.
    // Text being typed goes out too.
    void exportOfTheBranch_data() { JSON_ROWS("chosen", "type", "written", "starts", "typed?"); }
    void exportOfTheBranch()
    {
        FETCH_TEXTS(chosen, type, written, starts, typed);
        tree().setCurrentTheme(themeNamed(tree(), "Branch"));
        m_window->editor()->insertPlainText(typed); // in the editor only, not yet in the tree
        ScriptedFileDialogs dialogs;
        ScriptedMessages boxes;
        dialogs.chooseNext(m_dir.filePath(chosen), type.toInt());
        m_window->outlines()->menuExportOutline();
        QCOMPARE(dialogs.requests().size(), 1);
        QCOMPARE(dialogs.requests().front().types, OutlineFiles::exportTypes());
        QCOMPARE(dialogs.requests().front().startName, "Branch");
        const QByteArray bytes = fileBytes(m_dir.filePath(written));
        QVERIFY2(bytes.startsWith(starts.toUtf8()), bytes.constData());
        QVERIFY(bytes.contains("Leaf"));
        QVERIFY(!bytes.contains("Other"));
        QCOMPARE(boxes.texts(), QStringList());
        QCOMPARE(m_window->isModified(), !typed.isEmpty());
    }

    // An existing file is replaced only after OK; Cancel asks for another name.
    void exportAsksBeforeReplacing()
    {
        QVERIFY(writeBytes("old.md", "keep"));
        ScriptedFileDialogs dialogs;
        ScriptedMessages boxes;
        boxes.answerNext(Answer::Cancel);
        dialogs.chooseNext(m_dir.filePath("old.md"), 1);
        dialogs.chooseNext(m_dir.filePath("new.md"), 1);
        m_window->outlines()->menuExportOutline();
        QCOMPARE(fileBytes("old.md"), QByteArray("keep"));
        QCOMPARE(boxes.texts(), QStringList{"Replase existing file?\nЗаменить имеющийся файл?\n" +
                                            m_dir.filePath("old.md")});
        QVERIFY(fileBytes("new.md").contains("# Other"));
    }

    // Inserted as Insert In does: the same question (Cancel asks for no file), one undo step, the
    // document changed. A file that is not well-formed changes nothing, and the box names the line.
    void importUnderTheCurrentTheme_data() { JSON_ROWS("opml", "outline", "refused?"); }
    void importUnderTheCurrentTheme()
    {
        FETCH_TEXTS(opml, outline, refused);
        QVERIFY(writeBytes("in.opml", opml.toUtf8()));
        const QString before = outlineOf(tree(), true);
        tree().setCurrentTheme(themeNamed(tree(), "Leaf"));
        ScriptedFileDialogs dialogs;
        ScriptedMessages boxes;
        boxes.answerNext(Answer::Cancel);
        m_window->outlines()->menuImportOutlineInto();
        QCOMPARE(dialogs.requests().size(), 0);
        dialogs.chooseNext(m_dir.filePath("in.opml"), 0);
        m_window->outlines()->menuImportOutlineInto();
        QCOMPARE(outlineOf(tree(), true), outline);
        QCOMPARE(m_window->isModified(), refused.isEmpty());
        const QString asked = "It insert new file in theme\nНовый файл будет вставлен в тему\nLeaf";
        QCOMPARE(boxes.texts().mid(0, 2), QStringList({asked, asked}));
        const QString cannot =
                "Cannot open file\nНевозможно открыть файл\n" + m_dir.filePath("in.opml");
        QVERIFY2(refused.isEmpty() ? boxes.count() == 2
                                   : boxes.texts().value(2).startsWith(cannot + '\n' + refused),
                 qPrintable(boxes.texts().join('|')));
        tree().menuUndo();
        QCOMPARE(outlineOf(tree(), true), before);
    }

    // An import as a new document opens a window of its own and leaves this one alone. The file
    // is longer than a piece of the reader, so its pieces must be joined.
    void importAsNewDocument()
    {
        QVERIFY(writeBytes("in.md", "# A\n" + QByteArray(1 << 20, 'x') + "\n- b\n"));
        ScriptedFileDialogs dialogs;
        dialogs.chooseNext(m_dir.filePath("in.md"), 1);
        const size_t before = BRWApplication::instance()->windows().size();
        m_window->outlines()->menuImportOutline();
        QCOMPARE(BRWApplication::instance()->windows().size(), before + 1);
        Brambleweb *imported = BRWApplication::instance()->windows().back();
        QCOMPARE(outlineOf(*imported->tree()), "A(b)");
        QVERIFY(imported->isModified());
        QVERIFY(imported->fileName().isEmpty());
        QCOMPARE(outlineOf(tree()), "Branch(Leaf),Other");
        closeUnsaved(imported);
    }

    void printTheWholeDocument()
    {
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString pdf = m_dir.filePath("printed.pdf");
        Printing::setResponder([&pdf](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        tree().setCurrentTheme(m_window->document().root());
        m_window->outlines()->menuPrint();
        Printing::setResponder({});
        QProcess process;
        process.start(pdftotext, {pdf, "-"});
        QVERIFY(process.waitForFinished(30000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput()).simplified();
        QCOMPARE(text, "doc root text 1. Branch branch text 1.1. Leaf leaf 2. Other 1"); // page 1
    }

    // What is dropped on a main window: files onto a theme (inserted after the question), below
    // the rows or onto the description (opened in new windows); a theme of another window.
    void files_data()
    {
        // Onto a theme, "" below the rows, "editor" the description. The answer to the insert
        // question; the boxes shown: i that question, c "Cannot open file".
        JSON_ROWS("files", "onto", "answer", "result", "windows", "boxes");
    }
    void files()
    {
        FETCH_TEXTS(files, onto, answer, result);
        fixClock(QDate(2005, 3, 7));
        Brambleweb *window = openWindow(QString());
        ThemeView *tree = window->tree();
        buildOutline(*tree, "A,B");
        ScriptedMessages shown;
        shown.answerNext(answer.isEmpty() ? Messages::Answer::Cancel : Messages::Answer::Ok);
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &file : files.split(' '))
            urls << QUrl::fromLocalFile(m_dir.filePath(file));
        data.setUrls(urls);
        const size_t before = BRWApplication::instance()->windows().size();
        QWidget *widget = onto == "editor" ? window->editor()->viewport() : tree->viewport();
        const QPoint at =
                onto.isEmpty() || onto == "editor"
                        ? QPoint(5, widget->height() - 5)
                        : tree->visualRect(tree->rows().indexOf(themeNamed(*tree, onto))).center();
        QCOMPARE(dragTo(widget, at, &data), !files.endsWith(".txt"));
        QCOMPARE(outlineOf(*tree), result);
        QTEST(QString::number(BRWApplication::instance()->windows().size() - before), "windows");
        QString boxes;
        for (const QString &text : shown.texts())
            boxes += text.startsWith("Cannot open file\nНевозможно открыть файл\n") ? 'c' : 'i';
        QTEST(boxes, "boxes");
        QCOMPARE(window->isModified(), result != "A,B");
        resetClock();
    }

    // A theme dragged into another window is copied there, with that document's link ids.
    void betweenWindows()
    {
        Brambleweb *from = openWindow(QString());
        buildOutline(*from->tree(), "P(M+1(x),L-1(_)),S");
        from->tree()->setCurrentTheme(themeNamed(*from->tree(), "S")); // the drag leaves it so
        Brambleweb *to = openWindow(QString());
        ThemeView *tree = to->tree();
        buildOutline(*tree, "K+1(_),J-1(y)");
        // From a CP1251 document into a Unicode one every character passes.
        const QString unicode = QStringLiteral("x-text \u2713 \u65e5\u672c \U0001F600");
        themeNamed(*from->tree(), "x")->setDescription(unicode);
        to->document().setTextEncoding(TextEncoding::Utf8);
        ThemeMimeData data(from->tree(),
                           from->tree()->rows().indexOf(themeNamed(*from->tree(), "P")));
        const QRect row = tree->visualRect(tree->rows().indexOf(themeNamed(*tree, "J")));
        QVERIFY(dragTo(tree->viewport(), QPoint(row.center().x(), row.bottom() - 1), &data,
                       Qt::ControlModifier | Qt::ShiftModifier));
        const QString copied = "K+1(_),J-1(y),P(M+2(x),L-2(_))";
        QCOMPARE(outlineOf(*tree), copied);
        QCOMPARE(tree->currentTheme()->name(), "P");
        QCOMPARE(themeNamed(*tree, "x")->description(), unicode);
        QVERIFY(from->document().textEncoding() == TextEncoding::Cp1251);
        QCOMPARE(outlineOf(*from->tree()), "P(M+1(x),L-1(_)),S");
        QCOMPARE(from->tree()->currentTheme()->name(), "S");
        QVERIFY(to->isModified());
        QVERIFY(!from->isModified());
        QCOMPARE(to->undoHistory().undoText(), "Drag and Drop");
        tree->menuUndo();
        QCOMPARE(outlineOf(*tree), "K+1(_),J-1(y)");
        tree->menuRedo();
        QCOMPARE(outlineOf(*tree), copied);
    }
};

BRW_APPLICATION_TEST_MAIN(TestFileOperations)
#include "tst_fileoperations.moc"
