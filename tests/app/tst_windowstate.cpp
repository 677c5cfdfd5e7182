// A window comes back as left: open and current themes, cursor, scroll positions, size and
// split, and the last session's documents.
#include "app/StateFile.h"
#include "app/TreeState.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindAllPanel.h"
#include "find/FindDialog.h"
#include "find/TreeFilter.h"
#include "support/MainWindows.h"
#include "support/Rows.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"

#include <QScopeGuard>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextBlock>

// Root, then A (A1, A2 (A2x)), B (B1), C; A2's description has three lines.
static const QByteArray documentBytes = "root\r\n"
                                        "<!--1-->A\r\n"
                                        "<!--2-->A1\r\n"
                                        "<!--2-->A2\r\n"
                                        "first\r\nsecond line\r\nthird\r\n"
                                        "<!--3-->A2x\r\n"
                                        "<!--1-->B\r\n"
                                        "<!--2-->B1\r\n"
                                        "<!--1-->C\r\n";

struct ChangeRow
{
    const char *name;
    const char *current;    // left current
    QByteArray outside;     // the document as changed outside before it opens again; empty: as is
    const char *open;       // the open themes after opening again
    const char *nowCurrent; // the current theme then
    int line;               // the description's cursor then
    int column;
};
Q_DECLARE_METATYPE(ChangeRow)

class TestWindowState : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString document(const QString &name, const QByteArray &bytes = documentBytes)
    {
        const QString path = m_dir.filePath(name);
        writeBytes(path, bytes);
        return path;
    }

    static QString openThemes(Brambleweb *window)
    {
        QStringList names;
        for (const char *name : {"A", "A2", "B", "C"})
            if (ColorListViewItem *theme = themeNamed(*window->tree(), name);
                theme && theme->isExpanded())
                names << name;
        return names.join(' ');
    }

    static QPair<int, int> cursor(Brambleweb *window)
    {
        const QTextCursor cursor = window->editor()->textCursor();
        return {cursor.blockNumber(), cursor.positionInBlock()};
    }

    static void leave(Brambleweb *window, const char *current, int line, int column)
    {
        for (const char *name : {"A", "A2", "B"})
            themeNamed(*window->tree(), name)->setExpanded(true);
        window->tree()->setCurrentItem(themeNamed(*window->tree(), current));
        QTextCursor cursor(window->editor()->document()->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
        window->editor()->setTextCursor(cursor);
        closeUnsaved(window);
    }

private Q_SLOTS:
    void init()
    {
        StateFile::setFolder(m_dir.filePath("state"));
        QFile::remove(StateFile::path());
    }

    void windowComesBack()
    {
        Brambleweb *window = openWindow(QString());
        QCOMPARE(window->size(), QSize(480, 300)); // the first start
        window->resize(700, 420);
        auto *splitter = qobject_cast<QSplitter *>(window->centralWidget());
        splitter->setSizes({150, 550});
        const QList<int> sizes = splitter->sizes();
        window->menuFindAll(); // the dialog, whose list button runs:
        window->findAllAction();
        auto *column = qobject_cast<QSplitter *>(window->findAllPanel()->parentWidget());
        QTRY_VERIFY(column->height() > 0);             // laid out
        column->setSizes({column->height() - 90, 90}); // the panel takes a third at first
        const int panelHeight = window->findAllPanel()->height();
        closeUnsaved(window);

        Brambleweb *again = openWindow(QString());
        QCOMPARE(again->size(), QSize(700, 420));
        QCOMPARE(qobject_cast<QSplitter *>(again->centralWidget())->sizes(), sizes);
        QCoreApplication::processEvents(); // the tree takes its height
        again->menuFindAll();
        again->findAllAction();
        QTRY_COMPARE(again->findAllPanel()->height(), panelHeight);
        closeUnsaved(again);
        // The key help keeps no state and takes none.
        Brambleweb *help = BRWApplication::instance()->createMainWindow(QString(), "KeyHelp");
        QCOMPARE(help->size(), QSize(480, 300));
    }

    void documentComesBack_data()
    {
        QByteArray fewer = documentBytes;
        fewer.replace("<!--2-->A2\r\nfirst\r\nsecond line\r\nthird\r\n<!--3-->A2x\r\n", "");
        QByteArray noTail = documentBytes;
        noTail.truncate(noTail.indexOf("<!--1-->B"));
        // clang-format off
        addRows<ChangeRow>({
            {"unchanged, deep", "A2", {}, "A A2 B", "A2", 1, 4},
            // Places, not names: A's place now holds D, B's place A.
            {"a theme inserted first", "A2", "root\r\n<!--1-->D\r\n" + documentBytes.mid(6),
             "A", "D", 0, 0},
            {"more themes at the end", "A2", documentBytes + "<!--1-->E\r\n<!--2-->E1\r\n",
             "A A2 B", "A2", 2, 5},
            {"current theme gone", "A2", fewer, "A B", "A", 0, 0},
            {"last themes gone", "C", noTail, "A A2", "root", 0, 0},
        });
        // clang-format on
    }

    void documentComesBack()
    {
        QFETCH(ChangeRow, row);
        const QString path = document("doc.brw");
        leave(openWindow(path), row.current, row.line, row.column);
        if (!row.outside.isEmpty())
            writeBytes(path, row.outside);
        Brambleweb *window = openWindow(path);
        const auto closeAtEnd = qScopeGuard([window] { closeUnsaved(window); });
        QCOMPARE(openThemes(window), QString(row.open));
        const auto *tree = window->tree();
        QCOMPARE(tree->currentTheme() == tree->rootTheme() ? "root" : tree->currentTheme()->name(),
                 QString(row.nowCurrent));
        QCOMPARE(cursor(window), qMakePair(row.line, row.column));
    }

    // A window closed while its tree is narrowed to matches remembers the user's open themes.
    void narrowedTreeIsNotRemembered()
    {
        const QString path = document("doc.brw");
        Brambleweb *window = openWindow(path);
        window->tree()->collapseAll();
        window->menuFind();
        window->findDialog()->findField()->setText("A2x");
        window->findDialog()->close();
        QTest::keyClick(window->tree(), Qt::Key_F8);
        QTRY_COMPARE(window->treeFilter()->state(), TreeFilter::State::Narrowed);
        QCOMPARE(openThemes(window), QString("A A2"));
        closeUnsaved(window);
        window = openWindow(path);
        QCOMPARE(openThemes(window), QString());
        closeUnsaved(window);
    }

    void comingBackChangesNoLinkGroup()
    {
        LinkListView view;
        buildOutline(view, "P(M+1(x),L-1(_))");
        const QString before = outlineOf(view);
        DocumentState state;
        state.openThemes = {{0}, {0, 0}, {0, 1}};
        state.current = {0, 1};
        QCOMPARE(TreeState::apply(view, state), themeNamed(view, "L"));
        // Opening the link would have moved the group's subthemes from M to L.
        QCOMPARE(outlineOf(view), before);
        QVERIFY(themeNamed(view, "M")->isExpanded());
        QVERIFY(!themeNamed(view, "L")->isExpanded());
        QCOMPARE(view.currentTheme(), themeNamed(view, "L"));
    }

    void scrollComesBack()
    {
        const QByteArray bytes = "root\r\n" + QByteArray("<!--1-->theme\r\n").repeated(300) +
                                 "<!--1-->long\r\n" + QByteArray("line\r\n").repeated(300);
        const QString path = document("long.brw", bytes);
        Brambleweb *window = openWindow(path);
        window->tree()->setCurrentItem(themeNamed(*window->tree(), "long"));
        window->tree()->verticalScrollBar()->setValue(123);
        window->editor()->verticalScrollBar()->setValue(77);
        closeUnsaved(window);

        window = openWindow(path);
        QCOMPARE(window->tree()->verticalScrollBar()->value(), 123);
        QCOMPARE(window->editor()->verticalScrollBar()->value(), 77);
        closeUnsaved(window);
    }

    void lastSessionReopens()
    {
        const QString a = document("a.brw"), b = document("b.brw"), c = document("c.brw");
        Brambleweb *first = openWindow(a);
        Brambleweb *second = openWindow(b);
        Brambleweb *third = openWindow(c);
        Brambleweb *empty = openWindow(QString());
        QCOMPARE(StateFile::session(), QStringList({a, b, c}));
        closeUnsaved(first);
        closeUnsaved(empty);
        closeUnsaved(third);
        closeUnsaved(second); // the last window: the program ends with its document
        QCOMPARE(StateFile::session(), QStringList({b}));
        BRWApplication *application = BRWApplication::instance();
        application->takeLastSession();
        QCOMPARE(application->lastSession(), QStringList({b}));
        QVERIFY(StateFile::session().isEmpty());

        // Open already: nothing more opens.
        const size_t before = application->windows().size();
        Brambleweb *open = openWindow(b);
        application->reopenLastSession();
        QCOMPARE(application->windows().size(), before + 1);
        closeUnsaved(open);
        application->reopenLastSession();
        QCOMPARE(application->windows().size(), before + 2);
        Brambleweb *reopened = application->windows().back();
        QCOMPARE(reopened->fileName(), b);
        QVERIFY(reopened->isVisible());
        closeUnsaved(reopened);
    }
};

BRW_APPLICATION_TEST_MAIN(TestWindowState)
#include "tst_windowstate.moc"
