// Where the user left off, without a window: places in a tree as chains of sibling indexes, the
// saved forms of the states, and the state file.
#include "app/StateFile.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"

#include <QTemporaryDir>

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
