#include "storage/TreeFile.h"
#include "support/FixedClock.h"
#include "support/MainWindows.h"
#include "support/Rows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "tree/TreeDragDrop.h"
#include "tree/TreeUndo.h"

#include <QDropEvent>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// Files dropped on a main window: onto a theme (inserted after the question), below the rows or
// onto the description (opened in new windows).
struct FileRow
{
    const char *name;
    QStringList files;
    const char *onto; // a theme, "" below the rows, "editor" the description
    Messages::Answer answer;
    const char *result;
    int windows; // windows opened
    const char *boxes;
};

class TestWindowDrop : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    static bool drop(QWidget *widget, QPoint at, const QMimeData *data, Qt::KeyboardModifiers keys)
    {
        const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction | Qt::LinkAction;
        QDragEnterEvent enter(at, actions, data, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(widget, &enter);
        QDragMoveEvent move(at, actions, data, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(widget, &move);
        QDropEvent dropped(at, actions, data, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(widget, &dropped);
        QCoreApplication::processEvents(); // the files' turn comes after the drop
        return move.isAccepted();
    }

private Q_SLOTS:
    void initTestCase()
    {
        LinkListView view;
        buildOutline(view, "Q(r)");
        QFile file(m_dir.filePath("in.brw"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(saveToBytes(view, 0)) > 0);
        QVERIFY(::mkfifo(qPrintable(m_dir.filePath("fifo.brw")), 0600) == 0);
        QVERIFY(QDir(m_dir.path()).mkdir("folder.brw"));
    }

    void files_data()
    {
        const QStringList all{"in.brw", "fifo.brw", "folder.brw", "gone.brw", "in.brw"};
        addRows<FileRow>({
                {"onto a theme",
                 {"in.brw"},
                 "B",
                 Messages::Answer::Ok,
                 "A,B(in.brw(Q(r)))",
                 0,
                 "insert"},
                {"onto a theme, cancelled",
                 {"in.brw"},
                 "B",
                 Messages::Answer::Cancel,
                 "A,B",
                 0,
                 "insert"},
                {"below the rows", {"in.brw"}, "", Messages::Answer::Ok, "A,B", 1, ""},
                {"onto the description", {"in.brw"}, "editor", Messages::Answer::Ok, "A,B", 1, ""},
                {"each one, bad ones said", all, "", Messages::Answer::Ok, "A,B", 2,
                 "open open open"},
                {"each one into a theme", all, "A", Messages::Answer::Ok,
                 "A(in.brw(Q(r)),in.brw(Q(r))),B", 0, "insert open open open insert"},
                {"not a tree file", {"in.txt"}, "A", Messages::Answer::Ok, "A,B", 0, ""},
        });
    }
    void files()
    {
        QFETCH(FileRow, row);
        fixClock(QDate(2005, 3, 7));
        Brambleweb *window = openWindow(QString());
        buildOutline(*window->tree(), "A,B");
        ScriptedMessages boxes;
        boxes.answerNext(row.answer);
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &file : row.files)
            urls << QUrl::fromLocalFile(m_dir.filePath(file));
        data.setUrls(urls);
        const size_t windows = BRWApplication::instance()->windows().size();
        const QString onto = row.onto;
        LinkListView *tree = window->tree();
        QWidget *widget = onto == "editor" ? window->editor()->viewport() : tree->viewport();
        const QPoint at = onto.isEmpty() || onto == "editor"
                                  ? QPoint(5, widget->height() - 5)
                                  : tree->visualItemRect(themeNamed(*tree, onto)).center();
        QCOMPARE(drop(widget, at, &data, Qt::NoModifier), row.windows + strlen(row.boxes) > 0);
        QCOMPARE(outlineOf(*tree), row.result);
        QCOMPARE(BRWApplication::instance()->windows().size() - windows, size_t(row.windows));
        QStringList kinds;
        for (const QString &text : boxes.texts())
            kinds << (text.startsWith("Cannot open file\nНевозможно открыть файл\n") ? "open"
                                                                                     : "insert");
        QCOMPARE(kinds.join(' '), row.boxes);
        QCOMPARE(window->isModified(), QString(row.result) != "A,B");
        resetClock();
    }

    // Text still goes into the description as the editor drops it.
    void textOntoTheDescription()
    {
        Brambleweb *window = openWindow(QString());
        QMimeData data;
        data.setText("dropped words");
        QVERIFY(drop(window->editor()->viewport(), QPoint(5, 5), &data, Qt::NoModifier));
        QCOMPARE(window->editor()->toPlainText(), "dropped words");
    }

    // A theme dragged into another window is copied there, with that document's link ids.
    void betweenWindows()
    {
        Brambleweb *from = openWindow(QString());
        buildOutline(*from->tree(), "P(M+1(x),L-1(_)),S");
        Brambleweb *to = openWindow(QString());
        LinkListView *tree = to->tree();
        buildOutline(*tree, "K+1(_),J-1(y)");
        ThemeMimeData data(from->tree(), themeNamed(*from->tree(), "P"));
        const QRect row = tree->visualItemRect(themeNamed(*tree, "J"));
        QVERIFY(drop(tree->viewport(), QPoint(row.center().x(), row.bottom() - 1), &data,
                     Qt::ControlModifier | Qt::ShiftModifier));
        const QString copied = "K+1(_),J-1(y),P(M+2(x),L-2(_))";
        QCOMPARE(outlineOf(*tree), copied);
        QCOMPARE(tree->currentTheme()->name(), "P");
        QCOMPARE(outlineOf(*from->tree()), "P(M+1(x),L-1(_)),S");
        QVERIFY(to->isModified() && !from->isModified());
        tree->menuUndo();
        QCOMPARE(outlineOf(*tree), "K+1(_),J-1(y)");
        tree->menuRedo();
        QCOMPARE(outlineOf(*tree), copied);
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    BRWApplication application(argc, argv);
    TestWindowDrop test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_windowdrop.moc"
