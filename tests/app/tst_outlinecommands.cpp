#include "app/OutlineCommands.h"
#include "app/Printing.h"
#include "storage/OutlineFiles.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/TreeOutline.h"
#include "support/WindowTree.h"

#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using Answer = Messages::Answer;

static const QByteArray document =
        outlineFileBytes("[root text],Branch[branch text](Leaf[leaf]),Other[]");

// The File menu's commands for other programs' outlines, driven through the dialogs' and boxes'
// seams.
class TestOutlineCommands : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    Brambleweb *m_window = nullptr;

    ThemeView &tree() { return *m_window->tree(); }

private Q_SLOTS:
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
};

BRW_APPLICATION_TEST_MAIN(TestOutlineCommands)
#include "tst_outlinecommands.moc"
