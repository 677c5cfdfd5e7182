// Where the user left off, without a window: places in a tree as chains of sibling indexes, the
// saved forms of the states, and the state file.
#include "app/StateFile.h"
#include "support/MainWindows.h"
#include "support/Rows.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

struct Node
{
    Node(const char *name, bool open = false, std::vector<Node> children = {})
        : name(name)
        , open(open)
        , children(std::move(children))
    {}
    QString name;
    bool open;
    std::vector<Node> children;
};
static int countOf(const Node *node)
{
    return int(node->children.size());
}
static const Node *childOf(const Node *node, int index)
{
    return &node->children[size_t(index)];
}

// r(a+(b, c+(d)), e+(f+(g), h+), i): "+" marks an open theme.
static const Node sample{"r",
                         true,
                         {{"a", true, {{"b"}, {"c", true, {{"d"}}}}},
                          {"e", true, {{"f", true, {{"g"}}}, {"h", true}}},
                          {"i"}}};

using Chain = DocumentState::Chain;
struct FindRow
{
    const char *name;
    Chain chain;
    QString exact, nearest;
};
Q_DECLARE_METATYPE(FindRow)

class TestDocumentState : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString document(const QString &name)
    {
        QFile file(m_dir.filePath(name));
        if (!file.exists() && file.open(QIODevice::WriteOnly))
            file.write("root\r\n");
        return file.fileName();
    }

    static DocumentState someState(int line) { return {{{0}, {0, 2}}, {0, 2, 1}, line, 4, 30, 12}; }

private Q_SLOTS:
    void init()
    {
        StateFile::setFolder(m_dir.filePath("state"));
        QFile::remove(StateFile::path());
    }

    void find_data()
    {
        addRows<FindRow>({{"root", {}, "r", "r"},
                          {"first child", {0}, "a", "a"},
                          {"last child", {2}, "i", "i"},
                          {"one past the last child", {3}, "", "r"},
                          {"deep, middle", {1, 0, 0}, "g", "g"},
                          {"past the last of a branch", {0, 2}, "", "a"},
                          {"below a leaf", {0, 0, 0}, "", "b"},
                          {"negative index", {1, -1}, "", "e"}});
    }

    void find()
    {
        QFETCH(FindRow, row);
        const Node *found = DocumentChains::find(&sample, row.chain, countOf, childOf);
        QCOMPARE(found ? found->name : QString(), row.exact);
        QCOMPARE(DocumentChains::findNearest(&sample, row.chain, countOf, childOf)->name,
                 row.nearest);
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
    }

    void savedForms()
    {
        const DocumentState state = someState(7);
        QCOMPARE(DocumentState::fromJson(
                         QJsonDocument::fromJson(QJsonDocument(state.toJson()).toJson()).object()),
                 state);
        const WindowState window{QByteArray("\x01\x00\xff", 3), "bars", "", 120};
        QCOMPARE(WindowState::fromJson(window.toJson()), window);
        QJsonObject damaged = window.toJson();
        damaged.insert("geometry", "#not base64#");
        QVERIFY(!WindowState::fromJson(damaged));
    }

    void foreignDocumentState_data()
    {
        QTest::addColumn<QByteArray>("json");
        const QByteArray good = R"("current":[0,1],"cursor":[2,3],"scroll":[4,5])";
        QTest::newRow("no open themes") << "{" + good + "}";
        QTest::newRow("negative index") << R"({"open":[[0,-1]],)" + good + "}";
        QTest::newRow("fraction") << R"({"open":[[0.5]],)" + good + "}";
        QTest::newRow("text for an index") << R"({"open":[["0"]],)" + good + "}";
        QTest::newRow("beyond int") << R"({"open":[[2147483648]],)" + good + "}";
        QTest::newRow("cursor of one number")
                << QByteArray(R"({"open":[],"current":[],"cursor":[1],"scroll":[0,0]})");
    }

    void foreignDocumentState()
    {
        QFETCH(QByteArray, json);
        QVERIFY(!DocumentState::fromJson(QJsonDocument::fromJson(json).object()));
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

    void noStateForSaveFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("error-save") << "errorsave.!!!3";
        QTest::newRow("autosave") << "autosave.2";
        QTest::newRow("temporary") << "12345678.txt";
        QTest::newRow("numbered copy of a document") << "first.brw1";
    }

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

    void damagedOrForeignFileIgnored_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not JSON") << QByteArray("\x00\xff{{", 4);
        QTest::newRow("another program's") << QByteArray(R"({"documents":[],"window":{}})");
        QTest::newRow("parts of the wrong kind")
                << QByteArray(R"({"format":"brw-state-1","window":[1],"session":"x"})");
    }

    void damagedOrForeignFileIgnored()
    {
        QFETCH(QByteArray, bytes);
        const QString path = document("first.brw");
        QDir().mkpath(m_dir.filePath("state"));
        QVERIFY(writeBytes(StateFile::path(), bytes));
        QVERIFY(!StateFile::document(path) && !StateFile::window());
        QVERIFY(StateFile::session().isEmpty());
        StateFile::setDocument(path, someState(4)); // starts afresh
        QCOMPARE(StateFile::document(path), someState(4));
    }

    void session()
    {
        const QString a = document("a.brw"), b = document("b.brw");
        StateFile::addToSession(a);
        StateFile::addToSession(b);
        StateFile::addToSession(a);
        QCOMPARE(StateFile::session(), QStringList({a, b}));
        // A document deleted meanwhile still leaves the session.
        QFile::remove(a);
        StateFile::removeFromSession(a);
        QCOMPARE(StateFile::session(), QStringList({b}));
    }
};

QTEST_GUILESS_MAIN(TestDocumentState)
#include "tst_documentstate.moc"
