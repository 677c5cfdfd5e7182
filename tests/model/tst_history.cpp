#include "model/DocumentUndo.h"
#include "model/EditingCommands.h"
#include "model/ThemeTreeModel.h"
#include "support/JsonRows.h"
#include "support/TreeOutline.h"

#include <QAbstractItemModelTester>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <deque>

// The document's primitives, their notifications and their undo history, with no window; the
// editing commands' steps around changes made outside every step.

// A copy of a tree: what an observer of the document knows of it. With an index, every node
// copied is found by its theme.
struct Node
{
    Theme *theme = nullptr;
    QString name, description;
    QDate date;
    int linkId = 0;
    std::vector<std::unique_ptr<Node>> children;
};
using Nodes = std::vector<std::unique_ptr<Node>>;

static std::unique_ptr<Node> copyOf(Theme *theme, QHash<const Theme *, Node *> *index = nullptr)
{
    auto node = std::make_unique<Node>(
            Node{theme, theme->name(), theme->description(), theme->date(), theme->linkId(), {}});
    if (index)
        index->insert(theme, node.get());
    for (int i = 0; i < theme->childCount(); ++i)
        node->children.push_back(copyOf(theme->child(i), index));
    return node;
}

// "a,b+1(c[text]{day}),d-1": names, link ids, and with `full` descriptions and dates.
static QString outlineOf(const Node &node, bool full)
{
    QString text;
    for (const auto &child : node.children) {
        text += (text.isEmpty() ? "" : ",") + child->name +
                (child->linkId ? QString::asprintf("%+d", child->linkId) : "");
        if (full)
            text += QString("[%1]{%2}").arg(child->description).arg(child->date.toJulianDay());
        if (!child->children.empty())
            text += '(' + outlineOf(*child, full) + ')';
    }
    return text;
}

// The tree, then each group as "id:mark>links@holder".
static QString stateOf(const ThemeDocument &document, bool full = false)
{
    QString text = outlineOf(*copyOf(document.root()), full);
    for (const int id : document.groupIds()) {
        const LinkGroup &group = *document.group(id);
        QStringList links;
        for (const Theme *link : group.links)
            links << link->name();
        text += QString(" | %1:%2>%3@%4")
                        .arg(id)
                        .arg(group.mark ? group.mark->name() : "-", links.join(','))
                        .arg(group.holder);
    }
    return text;
}

// Replays every notification on a copy of its own, checking that the rows named are the
// document's before they change.
class Shadow : public DocumentObserver
{
public:
    explicit Shadow(Theme *root)
        : m_root(copyOf(root, &m_nodes))
    {}
    QString outline() const { return outlineOf(*m_root, true); }
    int faults = 0; // rows told before a change that are not the document's

    void inserted(Theme *parent, int first, int last) override
    {
        for (int row = first; row <= last; ++row)
            insert(parent, row, copyOf(parent->child(row), &m_nodes));
    }
    void aboutToRemove(Theme *parent, int first, int last) override { take(parent, first, last); }
    void aboutToMove(Theme *from, int first, int last, Theme *, int) override
    {
        m_moving = take(from, first, last);
    }
    void moved(Theme *from, int first, int last, Theme *to, int destination) override
    {
        const int count = last - first + 1;
        const int row = from == to && destination > first ? destination - count : destination;
        for (int i = 0; i < count; ++i)
            insert(to, row + i, std::move(m_moving[size_t(i)]));
    }
    void changed(Theme *theme, Field field) override
    {
        Node &node = *m_nodes.value(theme);
        node.name = field == Field::Name ? theme->name() : node.name;
        node.description = field == Field::Description ? theme->description() : node.description;
        node.date = field == Field::Date ? theme->date() : node.date;
        node.linkId = field == Field::LinkId ? theme->linkId() : node.linkId;
    }

private:
    void insert(Theme *parent, int row, std::unique_ptr<Node> node)
    {
        Nodes &list = m_nodes.value(parent)->children;
        list.insert(list.begin() + qMin(row, int(list.size())), std::move(node));
    }
    Nodes take(Theme *parent, int first, int last)
    {
        Nodes &list = m_nodes.value(parent)->children;
        Nodes rows;
        for (int row = first; row <= qMin(last, int(list.size()) - 1); ++row) {
            faults += list[size_t(row)]->theme == parent->child(row) ? 0 : 1;
            rows.push_back(std::move(list[size_t(row)]));
        }
        list.erase(list.begin() + first, list.begin() + first + qsizetype(rows.size()));
        return rows;
    }

    QHash<const Theme *, Node *> m_nodes;
    std::unique_ptr<Node> m_root;
    Nodes m_moving;
};

static Theme *randomMember(const ThemeDocument &document, QRandomGenerator &random)
{
    const std::vector<int> ids = document.groupIds();
    if (ids.empty())
        return nullptr;
    const LinkGroup &group = *document.group(ids[random.bounded(int(ids.size()))]);
    const int at = random.bounded(int(group.links.size()) + 1);
    return at == 0 && group.mark ? group.mark : group.links[size_t(qMax(at, 1) - 1)];
}

// One random primitive on a random theme of the tree.
static void randomChange(ThemeDocument &document, QRandomGenerator &random, QSet<Theme *> &made)
{
    std::vector<Theme *> themes;
    walkThemes(
            document.root(), [](Theme *theme) { return theme; },
            [&](Theme *theme, int, int) { themes.push_back(theme); });
    auto pick = [&] { return themes[random.bounded(int(themes.size()))]; };
    auto anyList = [&] { return random.bounded(4) == 0 ? document.root() : pick(); };
    Theme *theme = pick();
    switch (themes.size() < 12 ? 0 : random.bounded(12)) {
    case 0: { // a new theme, sometimes with a branch built apart, its rows traded with the list's
        Theme *fresh = *made.insert(document.createTheme());
        fresh->setName(QString("n%1").arg(made.size()));
        if (random.bounded(3) == 0)
            (*made.insert(document.appendChild(fresh)))->setName(QString("n%1").arg(made.size()));
        Theme *parent = anyList();
        QVERIFY(random.bounded(4) || !parent->parent() || document.exchangeChildren(fresh, parent));
        QVERIFY(!document.insertTheme(parent, parent->childCount() + 1, fresh)); // one past the end
        QVERIFY(document.insertTheme(parent, random.bounded(parent->childCount() + 1), fresh));
        break;
    }
    case 1: { // a delete: the branch leaves its groups first
        for (bool grouped = true; grouped;) {
            grouped = document.leaveGroup(theme).left;
            walkThemes(
                    theme, [](Theme *t) { return t; },
                    [&](Theme *t, int, int) { grouped = document.leaveGroup(t).left || grouped; });
        }
        QVERIFY(document.takeTheme(theme));
        break;
    }
    case 2: {
        Theme *parent = anyList();
        parent = isAncestorOrSelf(theme, parent) ? document.root() : parent;
        const int rows = parent->childCount() - (parent == theme->parent() ? 1 : 0);
        QVERIFY(!document.moveTheme(theme, parent, rows + 1));
        QVERIFY(document.moveTheme(theme, parent, random.bounded(rows + 1)));
        break;
    }
    case 3: {
        Theme *list = anyList();
        if (theme->childCount() > 0 && !isAncestorOrSelf(theme, list))
            QVERIFY(document.moveChildren(theme, list, random.bounded(list->childCount() + 1)));
        break;
    }
    case 4: {
        Theme *other = pick();
        if (!isAncestorOrSelf(theme, other) && !isAncestorOrSelf(other, theme))
            QVERIFY(document.exchangeChildren(theme, other));
        break;
    }
    case 5:
        document.renameTheme(theme, QString("r%1").arg(random.bounded(1000)));
        break;
    case 6:
        document.setThemeDescription(
                theme, random.bounded(3) ? QString("d%1").arg(random.bounded(9)) : "");
        break;
    case 7:
        document.setThemeDate(theme, QDate(2005, 1, 1).addDays(random.bounded(30)));
        break;
    case 8:
    case 9:
        if (theme->linkId() == 0) {
            const int id = random.bounded(int(document.groupIds().size()) + 2);
            document.joinGroup(theme, random.bounded(4) == 0 ? id : -qMax(id, 1));
        }
        break;
    case 10:
        document.leaveGroup(randomMember(document, random));
        break;
    default:
        document.makeHolder(randomMember(document, random));
    }
}

class TestHistory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // After every step, undo and redo give the tree and groups as they were; an observer that
    // only hears the notifications ends with the same tree; the rows of an item view stay where
    // their themes are, and pass the toolkit's own checks.
    void randomHistory_data() { JSON_ROWS("seed", "byteLimit"); }
    void randomHistory()
    {
        FETCH_TEXTS(seed, byteLimit);
        QRandomGenerator random(seed.toUInt());
        ThemeDocument document;
        const QHash<QString, Theme *> built =
                buildOutline(document, "a+1(b,c),d-1,e(f,g-1,h),i+2(j),k-2,l");
        DocumentUndo undo(document);
        undo.setByteLimit(byteLimit.toLongLong());
        Shadow shadow(document.root());
        document.addObserver(&shadow);
        QStringList outlines{stateOf(document, true)}; // by the history's index
        ThemeTreeModel rows(document);                 // the checks fetch rows: pending changes
        QAbstractItemModelTester tester(&rows);
        std::deque<QByteArray> names;
        QSet<Theme *> made(built.begin(), built.end()); // every theme (the root too)
        for (int round = 0; round < 3000; ++round) {
            std::vector<std::pair<Theme *, QPersistentModelIndex>> kept;
            walkThemes(
                    document.root(), [](Theme *theme) { return theme; },
                    [&](Theme *theme, int, int) { kept.emplace_back(theme, rows.indexOf(theme)); });
            const int choice = random.bounded(10);
            if (choice == 0 && undo.canUndo()) {
                for (int n = random.bounded(3); n > 0 && undo.redo(); --n) // over pending changes
                    QCOMPARE(stateOf(document, true), outlines[undo.index()]);
                for (int n = random.bounded(qMin(undo.index(), 6)) + 1; n > 0; --n) {
                    QVERIFY(undo.undo());
                    QCOMPARE(stateOf(document, true), outlines[undo.index()]);
                }
                for (int n = random.bounded(3); n > 0 && undo.redo(); --n)
                    QCOMPARE(stateOf(document, true), outlines[undo.index()]);
            } else if (choice == 1) { // outside every step: pending until the next one
                Theme *member = randomMember(document, random);
                if (random.bounded(2))
                    document.makeHolder(member);
                else
                    rows.fetchMore(rows.indexOf(member));
            } else {
                names.push_back("step " + QByteArray::number(round));
                const int index = undo.index();
                {
                    DocumentUndo::Step step(undo, names.back().constData());
                    for (int n = random.bounded(3) + 1; n > 0; --n)
                        randomChange(document, random, made);
                }
                if (undo.undoText() == QString::fromLatin1(names.back())) {
                    // Opened again, a step takes what follows (a name typed after its command).
                    if (random.bounded(4) == 0 && undo.reopenLast()) {
                        randomChange(document, random, made);
                        undo.end();
                    }
                    outlines.erase(outlines.begin() + index + 1, outlines.end());
                    outlines << stateOf(document, true);
                    outlines.erase(outlines.begin(), outlines.end() - undo.count() - 1);
                    QVERIFY(undo.undo());
                    QCOMPARE(stateOf(document, true), outlines[undo.index()]);
                    QVERIFY(undo.redo());
                    QCOMPARE(stateOf(document, true), outlines.last());
                }
            }
            QCOMPARE(shadow.outline(), outlineOf(*copyOf(document.root()), true));
            QCOMPARE(shadow.faults, 0);
            for (const auto &[theme, row] : kept) {
                // A theme taken out and put back is a fresh row; one left out has none.
                QCOMPARE(ThemeTreeModel::themeAt(row),
                         row.isValid() && document.contains(theme) ? theme : nullptr);
                QCOMPARE(row.row(), row.isValid() ? theme->row() : -1);
            }
        }
        QCOMPARE_GT(undo.count(), byteLimit.size() < 5 ? 2 : 1000);
        QCOMPARE_LT(undo.count(), byteLimit.size() < 5 ? 100 : 3000);
        while (undo.undo())
            QCOMPARE(stateOf(document, true), outlines[undo.index()]);
        while (undo.redo())
            QCOMPARE(stateOf(document, true), outlines[undo.index()]);
        QCOMPARE(shadow.outline(), outlineOf(*copyOf(document.root()), true));
        // Under the smallest limit only the newest step stays, and only its bytes are held.
        QVERIFY(undo.undo() && undo.redo()); // the pending changes go first
        undo.setByteLimit(1);
        ThemeDocument fresh;
        DocumentUndo freshUndo(fresh);
        for (auto [history, tree] : {std::pair(&undo, &document), std::pair(&freshUndo, &fresh)}) {
            DocumentUndo::Step step(*history, "newest");
            tree->setThemeDate(tree->root(), {1999, 12, 31});
        }
        QCOMPARE(undo.count(), 1);
        QCOMPARE(undo.heldBytes(), freshUndo.heldBytes());
        // Branches that only the history kept serve new themes once it lets them go.
        undo.clear();
        QVERIFY(made.contains(document.createTheme()));
    }

    // The group rules at their edges, each script one step that undo and redo replay.
    void groupRules_data() { JSON_ROWS("start", "script", "expected", "held?"); }
    void groupRules()
    {
        FETCH_TEXTS(start, script, expected, held);
        ThemeDocument document;
        const QHash<QString, Theme *> named = buildOutline(document, start);
        if (script == "settle") { // as a file is read: before any history
            QCOMPARE(stateOf(document) + " = " +
                             document.brokenGroupsReport(document.settleGroups()),
                     expected);
            return;
        }
        const QString before = stateOf(document);
        DocumentUndo undo(document);
        ThemeTreeModel rows(document);
        QStringList results;
        {
            DocumentUndo::Step step(undo, "Link");
            for (const QString &command : script.split("; ")) {
                const QStringList words = command.split(' ');
                Theme *theme = named[words[1]];
                if (words[0] == "leave") {
                    const ThemeDocument::GroupLeave leave = document.leaveGroup(theme);
                    results << QString(leave.left ? "left" : "-") +
                                       (leave.refusedExchanges
                                                ? QString(" %1").arg(leave.refusedExchanges)
                                                : "") +
                                       (leave.childrenStayed ? " stayed" : "");
                } else if (words[0] == "describe") {
                    document.setThemeDescription(theme, words.mid(2).join(' '));
                    results << "-";
                } else if (words[0] == "join") {
                    results << QString::number(document.joinGroup(theme, words[2].toInt()));
                } else if (words[0] == "holder") { // "+": a view could fetch the children
                    const QString fetch = rows.canFetchMore(rows.indexOf(theme)) ? "+" : "";
                    const auto change = document.makeHolder(theme);
                    results << fetch + QStringList{"Made", "Kept", "Refused"}[int(change)];
                } else {
                    Theme *list = named[words[2]];
                    QVERIFY(document.moveTheme(theme, list, list->childCount()));
                }
            }
        }
        QCOMPARE(stateOf(document) + " = " + results.join(' '), expected);
        QCOMPARE_GE(undo.heldBytes(), held.toLongLong());
        // A script that changed nothing made no step.
        QCOMPARE(undo.canUndo(), stateOf(document) != before);
        if (!undo.canUndo())
            return;
        QVERIFY(undo.undoText() == "Link" && undo.undo());
        QCOMPARE(stateOf(document), before);
        QVERIFY(undo.redo());
        QCOMPARE(stateOf(document) + " = " + results.join(' '), expected);
    }

    // A name typed after a change outside every step (a link opened meanwhile) is a step of its
    // own, which takes that change with it; what the editor stores before each step, undo and
    // redo stays.
    void nameAfterALinkOpened()
    {
        ThemeDocument document;
        const QHash<QString, Theme *> named = buildOutline(document, "A,M+1(x),L-1(_)");
        DocumentUndo undo(document);
        EditingCommands commands(document, undo);
        // The editor stores its text before each change of the history, outside every step.
        QString heard;
        const auto store = [&] {
            document.setThemeDescription(named["A"], "typed" + (heard += 'a'));
        };
        undo.setListeners(store, [&] { heard += 'c'; });
        commands.insertBelow(named["A"]);
        commands.open(named["L"]);
        commands.nameOpened("N");
        // The editor's date stamp, outside every step too: no undo takes either back.
        document.setThemeDate(named["A"], {2001, 2, 3});
        QStringList seen{undo.undoText() + ": " + outlineOf(document)};
        while (undo.undo())
            seen << undo.redoText() + ": " + outlineOf(document);
        QCOMPARE(heard, "acacacac");
        QCOMPARE(named["A"]->description() + named["A"]->date().toString(Qt::ISODate),
                 "typedacacaca2001-02-03");
        QCOMPARE(seen, (QStringList{"Rename: A,N,M+1(_),L-1(x)", "Rename: A,,M+1(x),L-1(_)",
                                    "Insert Down: A,M+1(x),L-1(_)"}));
    }

    // A copy of a branch full of one group's links tells the rows what changes: a link that
    // joins and leaves the group's holder where it was tells no other member of the group.
    void copiedLinksTellOnlyTheirRows()
    {
        ThemeDocument document;
        const QHash<QString, Theme *> named =
                buildOutline(document, "M+1(x),B(" + QStringList(50, "l-1").join(',') + ")");
        DocumentUndo undo(document);
        EditingCommands commands(document, undo);
        ThemeTreeModel rows(document);
        QSignalSpy told(&rows, &QAbstractItemModel::dataChanged);
        commands.copy(named["B"]);
        commands.pasteCopy(document.root());
        QCOMPARE(document.group(1)->links.size(), size_t(100));
        QCOMPARE_LT(told.count(), 10);
        // Another member taking the group's children tells them all.
        told.clear();
        commands.open(document.group(1)->links.back());
        QCOMPARE_GE(told.count(), 101);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
