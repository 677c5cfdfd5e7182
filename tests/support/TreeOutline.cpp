#include "TreeOutline.h"

#include "tree/LinkListView.h"
#include "tree/TreeUndo.h"
#include "tree/TreeWalk.h"

void buildOutline(LinkListView &view, const QString &outline)
{
    TreeUndo::Pause built(view.undoHistory()); // as a tree read from a file, no step to undo
    const auto [members, holders] = readOutline(
            outline, view.rootTheme(), [&](ColorListViewItem *parent, const OutlineEntry &entry) {
                if (!parent)
                    return view.rootTheme()->setDescription(entry.description), view.rootTheme();
                ColorListViewItem *theme = view.appendChild(parent, QString());
                view.renameTheme(theme, entry.name); // as the reader names them
                theme->setDescription(entry.description);
                theme->setColumnValue(ColorListViewItem::LinkIdSlot, entry.id); // until joined
                return theme;
            });
    // A holder's children live under the mark theme until the holder takes them over.
    for (ColorListViewItem *holder : holders) {
        QList<QTreeWidgetItem *> held = holder->takeChildren();
        for (ColorListViewItem *member : members)
            if (member->linkId() == -holder->linkId())
                member->addChildren(held);
    }
    for (ColorListViewItem *member : members)
        view.joinGroup(member, member->linkId());
    for (ColorListViewItem *holder : holders)
        view.makeHolder(holder);
}

static QString listOutline(const QTreeWidgetItem *item, bool descriptions)
{
    QStringList items;
    for (int i = 0; i < item->childCount(); ++i) {
        const auto *theme = ColorListViewItem::themeOf(item->child(i));
        const QString list = listOutline(theme, descriptions);
        const bool described = descriptions && theme->linkId() >= 0;
        items << (theme->isNullItem()
                          ? "_"
                          : theme->name() + outlineId(theme->linkId()) +
                                    (described ? '[' + theme->description() + ']' : "") +
                                    (list.isEmpty() ? "" : '(' + list + ')'));
    }
    return items.join(',');
}

QString outlineOf(LinkListView &view, bool descriptions)
{
    const QString root = view.rootTheme()->description();
    return (descriptions && !root.isEmpty() ? '[' + root + "]," : QString()) +
           listOutline(view.rootTheme(), descriptions);
}

ColorListViewItem *themeNamed(LinkListView &view, const QString &name)
{
    ColorListViewItem *found = name == QLatin1String("/") ? view.rootTheme() : nullptr;
    walkBranch(
            view.rootTheme(), [](ColorListViewItem *theme) -> QTreeWidgetItem * { return theme; },
            [&](ColorListViewItem *theme, int, int) {
                if (!found && (name == u'_' ? theme->isNullItem() : theme->name() == name))
                    found = theme;
            });
    return found;
}
