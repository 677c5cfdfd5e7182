#include "support/Drops.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"
#include "support/TreeOutline.h"
#include "support/WindowTree.h"
#include "tree/TreeDragDrop.h"

#include <QTemporaryDir>

#include <sys/stat.h>

// What is dropped on a main window: files onto a theme (inserted after the question), below the
// rows or onto the description (opened in new windows); a theme of another window.
class TestWindowDrop : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(writeBytes(m_dir.filePath("in.brw"),
                           "\r\n<!--1[01.02.2003]-->Q\r\n<!--2[01.02.2003]-->r\r\n"));
        QVERIFY(::mkfifo(qPrintable(m_dir.filePath("fifo.brw")), 0600) == 0);
        QVERIFY(QDir(m_dir.path()).mkdir("folder.brw"));
    }

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

BRW_APPLICATION_TEST_MAIN(TestWindowDrop)
#include "tst_windowdrop.moc"
