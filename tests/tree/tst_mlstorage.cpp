#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"

#include <QRegularExpression>

// Themes of a view (built from an outline; the view's own groups are not used), a storage, and a
// recorder standing in for the view: it logs every signal of the storages it watches, in order,
// and applies each id change to its theme.
struct Fixture
{
    LinkListView view;
    MLStorage storage;
    QStringList log;
    QStringList order;

    explicit Fixture(const QString &outline = {})
    {
        buildOutline(view, outline);
        watch(storage);
    }

    void watch(MLStorage &s)
    {
        QObject::connect(&s, &MLStorage::ownerChanged, &s, [this](auto *from, auto *to) {
            log << "owner " + from->name() + "->" + to->name();
        });
        QObject::connect(&s, &MLStorage::idChanged, &s, [this](auto *theme, int id) {
            log << QString("id %1 %2").arg(theme->name()).arg(id);
            theme->setLinkId(id);
        });
        QObject::connect(&s, &MLStorage::linkInserted, &s,
                         [this](auto *theme) { log << "link " + theme->name(); });
    }
    ColorListViewItem *operator[](const QString &name) { return themeNamed(view, name); }
    // The theme of that name, a new one at the top level when the outline has none.
    ColorListViewItem *theme(const QString &name)
    {
        if (!order.contains(name))
            order << name;
        ColorListViewItem *found = themeNamed(view, name);
        return found ? found : view.appendChild(view.rootTheme(), name);
    }
    int join(MLStorage &s, ColorListViewItem *t, int id)
    {
        const int given = s.insert(t, id);
        if (given != 0)
            t->setLinkId(given);
        return given;
    }
    // "A+1,a-1": each theme joins with its id, in this order; the log starts afterwards.
    void fill(MLStorage &s, const QString &groups)
    {
        for (const QString &token : groups.split(',', Qt::SkipEmptyParts)) {
            const qsizetype sign = token.indexOf(QRegularExpression("[+-]"));
            join(s, theme(token.left(sign)), sign < 0 ? 0 : token.mid(sign).toInt());
        }
        log.clear();
    }
    QString state()
    {
        QStringList list;
        for (const QString &name : std::as_const(order)) {
            const int id = (*this)[name]->linkId();
            list << name + (id ? QString::asprintf("%+d", id) : QString());
        }
        return list.join(',');
    }
};

class TestMLStorage : public QObject
{
    Q_OBJECT
    ScriptedMessages m_boxes;

private Q_SLOTS:
    void init() { m_boxes.clear(); }

    void allocation_data() { JSON_ROWS("setup", "allocated"); }
    void allocation()
    {
        FETCH_TEXTS(setup, allocated);
        Fixture f;
        f.fill(f.storage, setup);
        QCOMPARE(f.join(f.storage, f.theme("N"), 0), allocated.toInt());
        QCOMPARE(f.storage.markThemeOf(allocated.toInt()), f["N"]);
        QVERIFY(m_boxes.shown().isEmpty());
    }

    void arrayRecordsStayForReuse()
    {
        Fixture f;
        f.fill(f.storage, "A,B,a-1,b-2"); // A and B are given 1 and 2
        f.storage.validate();
        QCOMPARE(f.storage.arrayCount(), 2);
        f.log.clear();
        f.storage.remove(1, f["A"]);
        QCOMPARE(f.log, (QStringList{"id a 0", "id A 0"}));
        QCOMPARE(f.storage.ids(), (QList<int>{1, 2}));
        const int before = f.storage.count();
        QCOMPARE((QList<int>{before, f.join(f.storage, f.theme("C"), 0), f.storage.count()}),
                 (QList<int>{1, 1, 2}));

        // The mark theme without links leaves an empty array record: dropped without a report.
        f.storage.remove(1, f["C"]);
        f.log.clear();
        f.storage.validate();
        QVERIFY(m_boxes.shown().isEmpty());
        QCOMPARE(f.log, (QStringList{"id B 1", "id b -1"}));
        QCOMPARE((QList<int>{f.storage.ids() << f.storage.arrayCount()}), (QList<int>{1, 1}));
        QCOMPARE(f.storage.markThemeOf(1), f["B"]);
    }

    void refusedInsertsAndMissingRecords()
    {
        Fixture f;
        f.fill(f.storage, "A+1,a-1");
        ColorListViewItem *other = f.theme("X");
        QCOMPARE(f.join(f.storage, other, 1), 0);
        QCOMPARE(f.storage.markThemeOf(1), f["A"]);
        QCOMPARE(f.storage.insert(nullptr, 0), 0);
        QCOMPARE(f.storage.ids(), QList<int>{1});
        QVERIFY(!f.storage.find(0));
        QVERIFY(!f.storage.holderOf(4));
        QCOMPARE(f.storage.find(-1)->links, QList<ColorListViewItem *>{f["a"]});
        QCOMPARE(m_boxes.captions(), (QStringList{"MY_ASSERT", "error 2002"}));
        QCOMPARE(m_boxes.texts(), (QStringList{"MY_ASSERT in MLS001", "pointer is NULL"}));
        f.storage.remove(-4, other); // unknown id: nothing, not even a report
        QCOMPARE(m_boxes.count(), 2);
        QVERIFY(f.log.isEmpty());
    }

    void makeHolder()
    {
        Fixture f("M(I)");
        ColorListViewItem *m = f["M"], *inside = f["I"];
        f.join(f.storage, m, 1);
        f.fill(f.storage, "K-1");
        f.join(f.storage, inside, -1);
        ColorListViewItem *k = f["K"];

        QCOMPARE((QList<ColorListViewItem *>{f.storage.makeHolder(1, k), f.storage.makeHolder(1, k),
                                             f.storage.holderOf(1), f.storage.makeHolder(1, m)}),
                 (QList<ColorListViewItem *>{k, k, k, m}));
        QCOMPARE(f.log, (QStringList{"link I", "owner M->K", "owner K->M"}));
        // The mark theme holds the children and is I's ancestor: they cannot move into I.
        ColorListViewItem *outsider = f.theme("O");
        QCOMPARE((QList<ColorListViewItem *>{f.storage.makeHolder(1, inside), f.storage.holderOf(1),
                                             f.storage.makeHolder(0, inside),
                                             f.storage.makeHolder(1, outsider)}),
                 (QList<ColorListViewItem *>{m, m, inside, outsider}));
        QCOMPARE(f.log.size(), 3);
        QCOMPARE(m_boxes.captions(), QStringList{"error 1011"});
    }

    void removeSignalOrder_data() { JSON_ROWS("setup", "holder", "removed", "log", "state"); }
    void removeSignalOrder()
    {
        FETCH_TEXTS(setup, holder, removed, state);
        Fixture f;
        f.fill(f.storage, setup);
        if (!holder.isEmpty())
            f.storage.makeHolder(1, f[holder]);
        f.log.clear();
        f.storage.remove(f[removed]->linkId(), f[removed]);
        QTEST(f.log.join("; "), "log");
        QCOMPARE(f.state(), state);
        if (state.startsWith("M+1"))
            QCOMPARE(f.storage.holderOf(1), f["M"]);
        else
            QVERIFY(f.storage.ids().isEmpty()); // records above the array part go
        QVERIFY(m_boxes.shown().isEmpty());
    }

    void holderThatCannotGiveBack()
    {
        Fixture f;
        f.fill(f.storage, "M+1,L-1,K-1,P+2,q-2");
        ColorListViewItem *l = f["L"], *m = f["M"];
        f.storage.makeHolder(2, f["q"]);
        f.storage.makeHolder(1, l);
        l->addChild(f.view.rootTheme()->takeChild(f.view.rootTheme()->indexOfChild(m)));
        f.log.clear();
        // L holds the children and contains the mark theme: they cannot come back to it.
        QVERIFY(!f.storage.returnChildrenToMarks());
        QCOMPARE(f.log, QStringList{"owner q->P"});

        f.log.clear();
        f.storage.remove(-1, l);
        QCOMPARE(m_boxes.captions() + m_boxes.texts(),
                 (QStringList{"error", "cannot change contents before delete"}));
        QCOMPARE(f.log, QStringList{"id L 0"});
        QCOMPARE(f.storage.linksOf(1), QList<ColorListViewItem *>{f["K"]});
        QCOMPARE(f.storage.holderOf(1), f["M"]); // never a link that left the group

        // Nor can a holder be made inside its own children: the group keeps its holder.
        Fixture g("L(M)");
        g.fill(g.storage, "M+1,L-1");
        QCOMPARE(g.storage.makeHolder(1, g["L"]), g["M"]);
        QCOMPARE(g.log, QStringList{"owner M->L"});
        QCOMPARE(g.storage.holderOf(1), g["M"]);
    }

    void validateReports_data() { JSON_ROWS("setup", "report", "state", "groups"); }
    void validateReports()
    {
        FETCH_TEXTS(setup, report, state, groups);
        Fixture f;
        f.fill(f.storage, setup);
        f.storage.validate();
        QCOMPARE(m_boxes.captions() + m_boxes.texts(),
                 (report.isEmpty() ? QStringList() : QStringList{"error", report}));
        QCOMPARE(f.state() + QString(" %1 %2").arg(f.storage.arrayCount()).arg(f.storage.count()),
                 QString("%1 %2 %2").arg(state, groups));
    }

    void merge()
    {
        Fixture f;
        f.fill(f.storage, "A+1,a-1,B+2,b-2,C+3,c-3");
        f.storage.validate();
        MLStorage other;
        f.watch(other);
        f.fill(other, "E+2,e-2,D+1,d-1,d2-1");
        other.makeHolder(1, f["d2"]);
        f.storage.merge(other);
        QCOMPARE(f.state() + QString(" %1 %2").arg(f.storage.arrayCount()).arg(other.count()),
                 "A+1,a-1,B+2,b-2,C+3,c-3,E+5,e-5,D+4,d-4,d2-4 5 0");
        QCOMPARE(f.storage.holderOf(4), f["d2"]);
        QCOMPARE(other.ids(), QList<int>());

        // A storage with an array part is refused; an empty one changes nothing.
        f.fill(other, "X+1,x-1");
        other.validate();
        f.log.clear();
        f.storage.merge(other);
        QCOMPARE(m_boxes.captions() + m_boxes.texts(),
                 (QStringList{"error", " when insert Storage Of Marks"}));
        MLStorage empty;
        f.storage.merge(empty);
        QVERIFY(f.log.isEmpty());
        QCOMPARE(other.ids() + f.storage.ids(), (QList<int>{1, 1, 2, 3, 4, 5}));
    }

    void transferResetAndDestroy()
    {
        Fixture f;
        f.fill(f.storage, "A+1,a-1,B+2,b-2");
        f.storage.validate();
        {
            MLStorage target;
            f.watch(target);
            f.fill(target, "X+1,x-1,Y+3,y-3");
            f.storage.transfer(target);
            QCOMPARE(target.ids() << target.arrayCount() << f.storage.arrayCount(),
                     (QList<int>{1, 2, 2, 0}));
            QCOMPARE(target.markThemeOf(2), f["B"]);
            QCOMPARE(f.storage.ids(), QList<int>());
            QCOMPARE(f.join(f.storage, f.theme("N"), 0), 1);
            target.reset();
            QCOMPARE((QList<int>{target.count(), f.join(target, f.theme("P"), 0)}),
                     (QList<int>{0, 1}));
            QVERIFY(f.log.isEmpty()); // neither transfer nor reset told any theme
            f.fill(target, "p-1");
        }
        QVERIFY(f.log.isEmpty()); // nor did the destruction
        QVERIFY(m_boxes.shown().isEmpty());
    }
};

QTEST_MAIN(TestMLStorage)
#include "tst_mlstorage.moc"
