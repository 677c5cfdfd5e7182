// Where the user left off: places in a tree as chains of sibling indexes, the saved forms of the
// states, the state file, and a window that comes back as left: open and current themes, cursor,
// scroll positions, size and split, and the last session's documents.
#include "app/StateFile.h"
#include "app/TreeState.h"
#include "app/WindowSearch.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindAllPanel.h"
#include "find/FindDialog.h"
#include "find/TreeFilter.h"
#include "support/DocumentView.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"
#include "support/TreeOutline.h"
#include "support/WindowTree.h"

#include <QScopeGuard>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>

#include <sys/stat.h>

struct Node
{
    QString name;
    bool open = false;
    std::vector<Node> children = {};
};
static const auto countOf = [](const Node *node) { return int(node->children.size()); };
static const auto childOf = [](const Node *node, int index) {
    return &node->children[size_t(index)];
};

// r(a+(b, c+(d)), e+(f+(g), h+), i): "+" marks an open theme.
static const Node sample{"r",
                         true,
                         {{"a", true, {{"b"}, {"c", true, {{"d"}}}}},
                          {"e", true, {{"f", true, {{"g"}}}, {"h", true}}},
                          {"i"}}};

using Chain = DocumentState::Chain;

// The root's text, then A (A1, A2 (A2x)), B (B1), C; A2's description has three lines.
static const QByteArray documentBytes =
        outlineFileBytes("[root],A[](A1[],A2[first\nsecond line\nthird](A2x[])),B[](B1[]),C[]");

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

    static DocumentState someState(int line) { return {{{0}, {0, 2}}, {0, 2, 1}, line, 4, 30, 12}; }

    static void leave(Brambleweb *window, const QString &current, int line, int column)
    {
        for (const char *name : {"A", "A2", "B"})
            window->tree()->expand(
                    window->tree()->rows().indexOf(themeNamed(*window->tree(), name)));
        window->tree()->setCurrentTheme(themeNamed(*window->tree(), current));
        window->editor()->setCursorLineCol({column, line});
        closeUnsaved(window);
    }

private Q_SLOTS:
    void init()
    {
        StateFile::setFolder(m_dir.filePath("state"));
        QFile::remove(StateFile::path());
    }

    void find_data() { JSON_ROWS("chain", "exact", "nearest"); }

    void find()
    {
        QFETCH(QString, chain);
        Chain indexes;
        for (const QString &index : chain.split(' ', Qt::SkipEmptyParts))
            indexes.append(index.toInt());
        const Node *found = DocumentChains::find(&sample, indexes, countOf, childOf);
        QTEST(found ? found->name : QString(), "exact");
        QTEST(DocumentChains::findNearest(&sample, indexes, countOf, childOf)->name, "nearest");
    }

    // Chains that share starts, a missing place and a shorter chain after a longer one.
    void findAllFollowsEachChain()
    {
        const QList<Chain> chains{{1, 0, 0}, {1, 0},  {1, 1}, {0, 2}, {0, 2, 0}, {0, 1, 0},
                                  {0, 1, 0}, {1, -1}, {1},    {},     {3},       {2}};
        std::vector<const Node *> each;
        for (const Chain &chain : chains)
            each.push_back(DocumentChains::find(&sample, chain, countOf, childOf));
        QCOMPARE(DocumentChains::findAll(&sample, chains, countOf, childOf), each);
    }

    void openChains()
    {
        // Preorder; "h" is open without subthemes, "c" is open inside a closed theme.
        const auto open = [](const Node *node) { return node->open; };
        QCOMPARE(DocumentChains::openChains(&sample, countOf, childOf, open),
                 QList<Chain>({{0}, {0, 1}, {1}, {1, 0}}));
        Node closed = sample;
        closed.children[0].open = false;
        QCOMPARE(DocumentChains::openChains<const Node *>(&closed, countOf, childOf, open),
                 QList<Chain>({{1}, {1, 0}}));
        // A chain of open themes, each the only child of the one above, deeper than is
        // remembered: only its first levels are listed.
        const int depth = 5000;
        const QList<Chain> deep = DocumentChains::openChains(
                0, [&](int level) { return level < depth ? 1 : 0; },
                [](int level, int) { return level + 1; }, [](int) { return true; });
        QCOMPARE(deep.size(), DocumentChains::deepestRememberedOpenTheme);
        QCOMPARE(deep.last(), Chain(DocumentChains::deepestRememberedOpenTheme, 0));
    }

    void savedForms()
    {
        const WindowState window{QByteArray("\x01\x00\xff", 3), "bars", "", 120};
        QCOMPARE(WindowState::fromJson(window.toJson()), window);
    }

    void foreignDocumentState_data() { JSON_ROWS("json"); }

    void foreignDocumentState()
    {
        QFETCH(QString, json);
        QVERIFY(!DocumentState::fromJson(QJsonDocument::fromJson(json.toUtf8()).object()));
    }

    void keptPerDocumentPrivately()
    {
        const QString first = document("first.brw"), second = document("second.brw");
        QVERIFY(!StateFile::document(first));
        StateFile::setDocument(first, someState(1));
        StateFile::setDocument(second, someState(2));
        StateFile::setDocument(first, someState(3));
        QCOMPARE(StateFile::document(first), someState(3));
        QCOMPARE(StateFile::document(second), someState(2));
        struct stat status;
        QCOMPARE(stat(QFile::encodeName(StateFile::path()).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0600u);
        // A symbolic link and its target share one state.
        QVERIFY(QFile::link(first, m_dir.filePath("link.brw")));
        QCOMPARE(StateFile::document(m_dir.filePath("link.brw")), someState(3));
    }

    void noStateForSaveFiles_data() { JSON_ROWS("name"); }

    void noStateForSaveFiles()
    {
        QFETCH(QString, name);
        document("first.brw");
        StateFile::setDocument(document(name), someState(1));
        StateFile::addToSession(document(name));
        QVERIFY(!QFile::exists(StateFile::path()));
    }

    void newestDocumentsKept()
    {
        QStringList documents;
        for (int i = 0; i <= StateFile::maxDocuments; ++i) {
            documents << document(QString("d%1.brw").arg(i));
            StateFile::setDocument(documents.last(), someState(i));
        }
        QVERIFY(!StateFile::document(documents.first()));
        QCOMPARE(StateFile::document(documents[1]), someState(1));
        QCOMPARE(StateFile::document(documents.last()), someState(StateFile::maxDocuments));
    }

    void damagedOrForeignFileIgnored_data() { JSON_ROWS("bytes"); }

    void damagedOrForeignFileIgnored()
    {
        QFETCH(QString, bytes);
        const QString path = document("first.brw");
        QDir().mkpath(m_dir.filePath("state"));
        QVERIFY(writeBytes(StateFile::path(), bytes.toLatin1()));
        QVERIFY(!StateFile::document(path));
        QVERIFY(!StateFile::window());
        QVERIFY(StateFile::session().isEmpty());
        StateFile::setDocument(path, someState(4)); // starts afresh
        QCOMPARE(StateFile::document(path), someState(4));
        const QByteArray largest = fileBytes(StateFile::path()).leftJustified(4 << 20, ' ');
        QVERIFY(writeBytes(StateFile::path(), largest)); // the largest file still read
        QCOMPARE(StateFile::document(path), someState(4));
    }

    // The window's size and splits come back, and the document's tree and description where
    // they were scrolled to.
    void windowComesBack()
    {
        const QByteArray bytes = "root\r\n" + QByteArray("<!--1-->theme\r\n").repeated(300) +
                                 "<!--1-->long\r\n" + QByteArray("line\r\n").repeated(300);
        const QString path = document("long.brw", bytes);
        Brambleweb *window = openWindow(path);
        QCOMPARE(window->size(), QSize(480, 300)); // the first start
        window->resize(700, 420);
        auto *splitter = qobject_cast<QSplitter *>(window->centralWidget());
        splitter->setSizes({150, 550});
        const QList<int> sizes = splitter->sizes();
        window->search()->menuFindAll(); // the dialog, whose list button runs:
        window->search()->findAllAction();
        auto *column = qobject_cast<QSplitter *>(window->search()->findAllPanel()->parentWidget());
        QTRY_VERIFY(column->height() > 0);             // laid out
        column->setSizes({column->height() - 90, 90}); // the panel takes a third at first
        const int panelHeight = window->search()->findAllPanel()->height();
        window->tree()->setCurrentTheme(themeNamed(*window->tree(), "long"));
        window->tree()->verticalScrollBar()->setValue(123);
        window->editor()->verticalScrollBar()->setValue(77);
        closeUnsaved(window);

        Brambleweb *again = openWindow(path);
        QCOMPARE(again->size(), QSize(700, 420));
        QCOMPARE(qobject_cast<QSplitter *>(again->centralWidget())->sizes(), sizes);
        QCOMPARE(again->tree()->verticalScrollBar()->value(), 123);
        QCOMPARE(again->editor()->verticalScrollBar()->value(), 77);
        QCoreApplication::processEvents(); // the tree takes its height
        again->search()->menuFindAll();
        again->search()->findAllAction();
        QTRY_COMPARE(again->search()->findAllPanel()->height(), panelHeight);
        closeUnsaved(again);
        // The key help keeps no state and takes none.
        Brambleweb *help = BRWApplication::instance()->createMainWindow(QString(), "KeyHelp");
        QCOMPARE(help->size(), QSize(480, 300));
    }

    void documentComesBack_data()
    {
        JSON_ROWS("current", "outside", "open", "nowCurrent", "cursor");
    }

    void documentComesBack()
    {
        FETCH_TEXTS(current, outside, cursor);
        const QString path = document("doc.brw");
        const QStringList place = cursor.split(' ');
        leave(openWindow(path), current, place[0].toInt(), place[1].toInt());
        if (!outside.isEmpty())
            writeBytes(path, outside.toUtf8());
        Brambleweb *window = openWindow(path);
        const auto closeAtEnd = qScopeGuard([window] { closeUnsaved(window); });
        QTEST(openThemes(*window->tree()), "open");
        const auto *tree = window->tree();
        QTEST(tree->currentTheme() == window->document().root() ? "root"
                                                                : tree->currentTheme()->name(),
              "nowCurrent");
        const ColumnLine at = window->editor()->cursorLineCol();
        QCOMPARE(QString("%1 %2").arg(at.line).arg(at.column), cursor);
    }

    // A window closed while its tree is narrowed to matches remembers the user's open themes.
    void narrowedTreeIsNotRemembered()
    {
        const QString path = document("doc.brw");
        Brambleweb *window = openWindow(path);
        window->tree()->collapseAll();
        window->search()->menuFind();
        window->search()->findDialog()->findField()->setText("A2x");
        window->search()->findDialog()->close();
        QTest::keyClick(window->tree(), Qt::Key_F8);
        QTRY_COMPARE(window->search()->treeFilter()->state(), TreeFilter::State::Narrowed);
        QCOMPARE(openThemes(*window->tree()), QString("A A2"));
        closeUnsaved(window);
        window = openWindow(path);
        QCOMPARE(openThemes(*window->tree()), QString());
        closeUnsaved(window);
    }

    void comingBackChangesNoLinkGroup()
    {
        DocumentView shown("P(M+1(x),L-1(_))");
        ThemeView &view = shown.view;
        const QString before = outlineOf(view);
        DocumentState state;
        state.openThemes = {{0}, {0, 0}, {0, 1}};
        state.current = {0, 1};
        QHash<const Theme *, QPair<int, int>> cursors;
        QCOMPARE(TreeState::apply(view, state, cursors), themeNamed(view, "L"));
        // Opening the link would have moved the group's subthemes from M to L.
        QCOMPARE(outlineOf(view), before);
        QVERIFY(view.isOpen(themeNamed(view, "M")));
        QVERIFY(!view.isOpen(themeNamed(view, "L")));
        QCOMPARE(view.currentTheme(), themeNamed(view, "L"));
    }

    void lastSessionReopens()
    {
        const QString a = document("a.brw"), b = document("b.brw"), c = document("c.brw");
        Brambleweb *first = openWindow(a);
        Brambleweb *second = openWindow(b);
        Brambleweb *third = openWindow(c);
        Brambleweb *empty = openWindow(QString());
        StateFile::addToSession(a); // listed once
        QCOMPARE(StateFile::session(), QStringList({a, b, c}));
        QFile::remove(a); // a document deleted meanwhile still leaves the session
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
