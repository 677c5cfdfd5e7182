// Where the user left off, without a window: places in a tree as chains of sibling indexes, the
// saved forms of the document and window states, and the state file.
#include "app/DocumentState.h"
#include "app/StateFile.h"
#include "app/WindowState.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// A tree written as "a(b,c(d+),e)": a name, its children in brackets, "+" after an open theme.
struct Node
{
    QString name;
    bool open = false;
    std::vector<std::unique_ptr<Node>> children;
};

static std::unique_ptr<Node> parse(const QString &text, int &at)
{
    auto node = std::make_unique<Node>();
    while (at < text.size() && text[at].isLetter())
        node->name += text[at++];
    if (at < text.size() && text[at] == '+') {
        node->open = true;
        ++at;
    }
    if (at < text.size() && text[at] == '(') {
        do {
            ++at;
            node->children.push_back(parse(text, at));
        } while (text[at] == ',');
        ++at;
    }
    return node;
}

static std::unique_ptr<Node> tree(const QString &text)
{
    int at = 0;
    return parse(text, at);
}

static int countOf(const Node *node)
{
    return int(node->children.size());
}

static const Node *childOf(const Node *node, int index)
{
    return node->children[size_t(index)].get();
}

static QString chainText(const DocumentState::Chain &chain)
{
    QStringList parts;
    for (const int index : chain)
        parts << QString::number(index);
    return parts.join('.');
}

static DocumentState::Chain chainFrom(const QString &text)
{
    DocumentState::Chain chain;
    for (const QString &part : text.split('.', Qt::SkipEmptyParts))
        chain << part.toInt();
    return chain;
}

static const char *const sampleTree = "r(a+(b,c+(d)),e+(f+(g),h+),i)";

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

    static DocumentState someState(int line)
    {
        DocumentState state;
        state.openThemes = {{0}, {0, 2}};
        state.current = {0, 2, 1};
        state.cursorLine = line;
        state.cursorColumn = 4;
        state.descriptionScroll = 30;
        state.treeScroll = 12;
        return state;
    }

    static void writeStateFile(const QByteArray &bytes)
    {
        QFile file(StateFile::path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

private Q_SLOTS:
    void init()
    {
        StateFile::setFolder(m_dir.filePath("state"));
        QFile::remove(StateFile::path());
    }

    void find_data()
    {
        QTest::addColumn<QString>("chain");
        QTest::addColumn<QString>("exact");
        QTest::addColumn<QString>("nearest");
        QTest::newRow("root") << ""
                              << "r"
                              << "r";
        QTest::newRow("first child") << "0"
                                     << "a"
                                     << "a";
        QTest::newRow("last child") << "2"
                                    << "i"
                                    << "i";
        QTest::newRow("one past the last child") << "3"
                                                 << ""
                                                 << "r";
        QTest::newRow("deep, middle") << "1.0.0"
                                      << "g"
                                      << "g";
        QTest::newRow("past the last of a branch") << "0.2"
                                                   << ""
                                                   << "a";
        QTest::newRow("below a leaf") << "0.0.0"
                                      << ""
                                      << "b";
        QTest::newRow("negative index") << "1.-1"
                                        << ""
                                        << "e";
    }

    void find()
    {
        QFETCH(QString, chain);
        QFETCH(QString, exact);
        QFETCH(QString, nearest);
        const std::unique_ptr<Node> root = tree(sampleTree);
        const DocumentState::Chain places = chainFrom(chain);
        const Node *found =
                DocumentChains::find<const Node *>(root.get(), places, countOf, childOf);
        QCOMPARE(found ? found->name : QString(), exact);
        QCOMPARE(DocumentChains::findNearest<const Node *>(root.get(), places, countOf, childOf)
                         ->name,
                 nearest);
    }

    void openChains_data()
    {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("open");
        QTest::newRow("nothing open") << "r(a(b),c)"
                                      << "";
        // "h" is open but has no children: nothing to show open.
        QTest::newRow("preorder, open leaf left out") << sampleTree << "0 0.1 1 1.0";
        QTest::newRow("open inside a closed theme is hidden") << "r(a(b+(c)),d+(e))"
                                                              << "1";
        QTest::newRow("last child open") << "r(a,b,c+(d+(e)))"
                                         << "2 2.0";
    }

    void openChains()
    {
        QFETCH(QString, tree);
        QFETCH(QString, open);
        const std::unique_ptr<Node> root = ::tree(tree);
        QStringList chains;
        for (const DocumentState::Chain &chain : DocumentChains::openChains<const Node *>(
                     root.get(), countOf, childOf, [](const Node *node) { return node->open; }))
            chains << chainText(chain);
        QCOMPARE(chains.join(' '), open);
    }

    void documentStateRoundTrip()
    {
        const DocumentState state = someState(7);
        const QJsonObject saved =
                QJsonDocument::fromJson(QJsonDocument(state.toJson()).toJson()).object();
        QCOMPARE(DocumentState::fromJson(saved), std::optional<DocumentState>(state));
        QCOMPARE(DocumentState::fromJson(DocumentState().toJson()),
                 std::optional<DocumentState>(DocumentState()));
    }

    void foreignDocumentState_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("empty object") << QByteArray("{}");
        const QByteArray good = R"("current":[0,1],"cursor":[2,3],"scroll":[4,5])";
        QTest::newRow("no open themes") << "{" + good + "}";
        QTest::newRow("negative index") << R"({"open":[[0,-1]],)" + good + "}";
        QTest::newRow("fraction") << R"({"open":[[0.5]],)" + good + "}";
        QTest::newRow("text for an index") << R"({"open":[["0"]],)" + good + "}";
        QTest::newRow("empty open chain") << R"({"open":[[]],)" + good + "}";
        QTest::newRow("beyond int") << R"({"open":[[2147483648]],)" + good + "}";
        QTest::newRow("cursor of one number")
                << QByteArray(R"({"open":[],"current":[],"cursor":[1],"scroll":[0,0]})");
        QTest::newRow("scroll of three numbers")
                << QByteArray(R"({"open":[],"current":[],"cursor":[1,1],"scroll":[0,0,0]})");
    }

    void foreignDocumentState()
    {
        QFETCH(QByteArray, json);
        QVERIFY(!DocumentState::fromJson(QJsonDocument::fromJson(json).object()));
    }

    void windowState()
    {
        const WindowState state{QByteArray("\x01\x00\xff", 3), "bars", "", 120};
        QCOMPARE(WindowState::fromJson(state.toJson()), std::optional<WindowState>(state));
        QJsonObject damaged = state.toJson();
        damaged.insert("geometry", "#not base64#");
        QVERIFY(!WindowState::fromJson(damaged));
        damaged = state.toJson();
        damaged.insert("findAllHeight", -1);
        QVERIFY(!WindowState::fromJson(damaged));
    }

    void keptPerDocument()
    {
        const QString first = document("first.brw");
        const QString second = document("second.brw");
        QVERIFY(!StateFile::document(first));
        StateFile::setDocument(first, someState(1));
        StateFile::setDocument(second, someState(2));
        StateFile::setDocument(first, someState(3));
        QCOMPARE(StateFile::document(first), std::optional<DocumentState>(someState(3)));
        QCOMPARE(StateFile::document(second), std::optional<DocumentState>(someState(2)));
        // Private to the user, whatever the umask.
        struct stat status;
        QCOMPARE(stat(QFile::encodeName(StateFile::path()).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0600u);
        const QByteArray bytes = [] {
            QFile file(StateFile::path());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        QVERIFY(bytes.contains("first.brw"));
        QVERIFY(!bytes.contains("root"));
    }

    void oneStateForTwoNames()
    {
        const QString target = document("linked.brw");
        const QString link = m_dir.filePath("link.brw");
        QVERIFY(QFile::link(target, link));
        StateFile::setDocument(link, someState(5));
        QCOMPARE(StateFile::document(target), std::optional<DocumentState>(someState(5)));
        QCOMPARE(StateFile::documentKey(link), StateFile::documentKey(target));
    }

    void noStateForSaveFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("error-save") << "errorsave.!!!3";
        QTest::newRow("autosave") << "autosave.2";
        QTest::newRow("temporary") << "12345678.txt";
        QTest::newRow("numbered copy of a document") << "first.brw1";
        QTest::newRow("not on disk") << "missing.brw";
    }

    void noStateForSaveFiles()
    {
        QFETCH(QString, name);
        document("first.brw");
        const QString path = name == "missing.brw" ? m_dir.filePath(name) : document(name);
        StateFile::setDocument(path, someState(1));
        StateFile::addToSession(path);
        QVERIFY(!StateFile::document(path));
        QVERIFY(StateFile::session().isEmpty());
        QVERIFY(!QFile::exists(StateFile::path()));
    }

    void newestDocumentsKept()
    {
        QStringList documents;
        for (int i = 0; i <= StateFile::maxDocuments; ++i) {
            documents << document(QString("d%1.brw").arg(i, 3, 10, QChar('0')));
            StateFile::setDocument(documents.last(), someState(i));
        }
        QVERIFY(!StateFile::document(documents.first()));
        QCOMPARE(StateFile::document(documents[1]), std::optional<DocumentState>(someState(1)));
        QCOMPARE(StateFile::document(documents.last()),
                 std::optional<DocumentState>(someState(StateFile::maxDocuments)));
    }

    void damagedOrForeignFileIgnored_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not JSON") << QByteArray("\x00\xff{{", 4);
        QTest::newRow("cut short") << QByteArray(R"({"format":"brw-state-1","documents":[)");
        QTest::newRow("another program's") << QByteArray(R"({"documents":[],"window":{}})");
        QTest::newRow("a list") << QByteArray("[1,2]");
        QTest::newRow("window of wrong kind")
                << QByteArray(R"({"format":"brw-state-1","window":[1],"session":"x"})");
    }

    void damagedOrForeignFileIgnored()
    {
        QFETCH(QByteArray, bytes);
        const QString path = document("first.brw");
        QDir().mkpath(m_dir.filePath("state"));
        writeStateFile(bytes);
        QVERIFY(!StateFile::document(path));
        QVERIFY(!StateFile::window());
        QVERIFY(StateFile::session().isEmpty());
        // The next write starts afresh.
        StateFile::setDocument(path, someState(4));
        QCOMPARE(StateFile::document(path), std::optional<DocumentState>(someState(4)));
    }

    void session()
    {
        const QString a = document("a.brw");
        const QString b = document("b.brw");
        StateFile::addToSession(a);
        StateFile::addToSession(b);
        StateFile::addToSession(a);
        QCOMPARE(StateFile::session(), QStringList({a, b}));
        StateFile::removeFromSession(a);
        QCOMPARE(StateFile::session(), QStringList({b}));
        // A document deleted meanwhile still leaves the session.
        QFile::remove(b);
        StateFile::removeFromSession(b);
        QVERIFY(StateFile::session().isEmpty());
    }

    void noFolderNoFile()
    {
        StateFile::setFolder(QString());
        StateFile::setDocument(document("first.brw"), someState(1));
        StateFile::setWindow({});
        QVERIFY(!StateFile::document(document("first.brw")));
        QVERIFY(!QFile::exists(m_dir.filePath("state/state.json")));
    }
};

QTEST_GUILESS_MAIN(TestDocumentState)
#include "tst_documentstate.moc"
