#include "TreeOutline.h"

#include "tree/LinkListView.h"
#include "tree/TreeUndo.h"
#include "tree/TreeWalk.h"

#include <QRegularExpression>

void buildOutline(LinkListView &view, const QString &outline)
{
    TreeUndo::Pause built(view.undoHistory()); // as a tree read from a file, no step to undo
    QList<ColorListViewItem *> parents{view.rootTheme()};
    ColorListViewItem *last = nullptr;
    QList<ColorListViewItem *> members; // marks first, then links, each in outline order
    QList<ColorListViewItem *> holders;
    static const QRegularExpression token(
            QStringLiteral("\\s*([^,()\\[\\]+\\-]*?)\\s*([+-]\\d+)?\\s*"
                           "(?:\\[([^\\]]*)\\])?\\s*([,()]|$)"));
    for (qsizetype at = 0; at < outline.size();) {
        const QRegularExpressionMatch match =
                token.match(outline, at, QRegularExpression::NormalMatch,
                            QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch() || match.capturedLength() == 0)
            break;
        at = match.capturedEnd();
        const QString name = match.captured(1);
        const int id = match.captured(2).toInt();
        const bool described = match.capturedStart(3) >= 0;
        if (name == QLatin1String("_")) { // a link showing its null item holds nothing
            holders.removeOne(parents.last());
        } else if (name.isEmpty() && described) {
            view.rootTheme()->setDescription(match.captured(3));
        } else if (!name.isEmpty()) {
            last = view.appendChild(parents.last(), name);
            if (id >= 0)
                last->setDescription(described ? match.captured(3) : name + "-text");
            last->setColumnValue(ColorListViewItem::LinkIdSlot, id); // until the groups form
            if (id > 0)
                members.prepend(last);
            else if (id < 0)
                members.append(last);
        }
        if (match.captured(4) == QLatin1String("(")) {
            parents.append(last);
            if (id < 0)
                holders.append(last);
        } else if (match.captured(4) == QLatin1String(")")) {
            parents.removeLast();
        }
    }
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

static void appendOutline(QString &text, const QTreeWidgetItem *item, bool descriptions)
{
    for (int i = 0; i < item->childCount(); ++i) {
        const auto *theme = ColorListViewItem::themeOf(item->child(i));
        if (i > 0)
            text += ',';
        if (theme->isNullItem()) {
            text += '_';
            continue;
        }
        text += theme->name();
        if (theme->linkId() != 0)
            text += QString::asprintf("%+d", theme->linkId());
        if (descriptions && theme->linkId() >= 0)
            text += '[' + theme->description() + ']';
        if (theme->childCount() > 0) {
            text += '(';
            appendOutline(text, theme, descriptions);
            text += ')';
        }
    }
}

QString outlineOf(LinkListView &view, bool descriptions)
{
    const QString root = view.rootTheme()->description();
    QString text = descriptions && !root.isEmpty() ? '[' + root + "]," : QString();
    appendOutline(text, view.rootTheme(), descriptions);
    return text;
}

ColorListViewItem *themeNamed(LinkListView &view, const QString &name)
{
    if (name == QLatin1String("/"))
        return view.rootTheme();
    ColorListViewItem *found = nullptr;
    walkBranch(
            view.rootTheme(), [](ColorListViewItem *theme) -> QTreeWidgetItem * { return theme; },
            [&](ColorListViewItem *theme, int, int) {
                const bool match =
                        name == QLatin1String("_") ? theme->isNullItem() : theme->name() == name;
                if (!found && match)
                    found = theme;
            });
    return found;
}
