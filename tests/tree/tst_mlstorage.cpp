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

    // A script on the storage and a second one ("o." steps); each step's answer joins the seen
    // text. "fill A+1,a-1" joins themes as Fixture::fill does, "join C" joins one and gives its
    // id, "holder 1 K" makes K the holder and gives the holder, "move M L" makes M L's last child,
    // "return" gives back children to their marks, "reset" empties, "o.destroy" ends the second
    // one, "log" the signals since the last "log", "boxes" the boxes shown; the rest ask the
    // storage.
    void scripts_data() { JSON_ROWS("outline", "script", "seen"); }
    void scripts()
    {
        FETCH_TEXTS(outline, script);
        Fixture f(outline);
        std::optional<MLStorage> kept(std::in_place);
        MLStorage &other = *kept;
        f.watch(other);
        auto name = [](const ColorListViewItem *t) { return t ? t->name() : QString("-"); };
        QStringList seen;
        for (const QString &step : script.split("; ")) {
            const QStringList w = step.split(' ');
            MLStorage &s = w[0].startsWith("o.") ? other : f.storage;
            const QString op = w[0].section('.', -1);
            const int id = w.value(1).toInt();
            QStringList names;
            if (op == "fill")
                f.fill(s, w.value(1));
            else if (op == "validate")
                s.validate();
            else if (op == "remove")
                s.remove(id, f.theme(w[2]));
            else if (op == "join")
                seen << QString::number(f.join(s, f.theme(w[1]), w.value(2).toInt()));
            else if (op == "holder")
                seen << name(s.makeHolder(id, f.theme(w[2])));
            else if (op == "holderOf" || op == "mark")
                seen << name(op == "mark" ? s.markThemeOf(id) : s.holderOf(id));
            else if (op == "insertNull")
                seen << QString::number(s.insert(nullptr, 0));
            else if (op == "find" && !s.find(id))
                seen << "-";
            else if (op == "links" || op == "find")
                for (const ColorListViewItem *t : op == "find" ? s.find(id)->links : s.linksOf(id))
                    names << t->name();
            else if (op == "ids")
                for (int each : s.ids())
                    names << QString::number(each);
            else if (op == "arrays" || op == "count")
                seen << QString::number(op == "arrays" ? s.arrayCount() : s.count());
            else if (op == "move")
                f[w[2]]->addChild(
                        f[w[1]]->parent()->takeChild(f[w[1]]->parent()->indexOfChild(f[w[1]])));
            else if (op == "return")
                seen << QString::number(f.storage.returnChildrenToMarks());
            else if (op == "merge" || op == "transfer")
                op == "merge" ? f.storage.merge(other) : f.storage.transfer(other);
            else if (op == "reset" || op == "destroy")
                op == "reset" ? s.reset() : kept.reset();
            else if (op == "state")
                seen << f.state();
            else if (op == "log")
                seen << "[" + std::exchange(f.log, {}).join(", ") + "]";
            else if (op == "boxes")
                seen << "{" + (m_boxes.captions() + m_boxes.texts()).join(", ") + "}";
            else
                QFAIL(qPrintable("unknown step " + step));
            if (op == "ids" || op == "links" || (op == "find" && s.find(id)))
                seen << "(" + names.join(',') + ")";
        }
        QTEST(seen.join(' '), "seen");
    }
};

QTEST_MAIN(TestMLStorage)
#include "tst_mlstorage.moc"
