// Read-only questions about the tree: paths, depth, statistics and texts.
#include "tree/LinkListView.h"

#include "tree/TreeWalk.h"

#include <vector>

QString LinkListView::themePath(const ColorListViewItem *theme, bool forward) const
{
    QStringList names;
    for (const QTreeWidgetItem *step = theme; step && step != m_rootTheme; step = step->parent())
        names.append(step->text(0));
    QString path = forward ? QStringLiteral("|-") : QString();
    if (forward) {
        for (qsizetype i = names.size() - 1; i >= 0; --i)
            path += QLatin1Char('/') + names.at(i);
    } else {
        for (const QString &name : names)
            path += name + QLatin1Char('/');
        path += QStringLiteral("-|");
    }
    return path;
}

int LinkListView::themeDepth(const ColorListViewItem *theme) const
{
    int depth = 0;
    for (const QTreeWidgetItem *step = theme; step && step != m_rootTheme; step = step->parent())
        ++depth;
    return depth;
}

QString LinkListView::statusText() const
{
    const ColorListViewItem *theme = currentTheme();
    QString text = theme ? shownName(theme->name()) : QString();
    if (m_cutSource)
        text += QStringLiteral("[for cut - ") + shownName(m_cutSource->name()) + QLatin1Char(']');
    else if (m_copySource)
        text += QStringLiteral("[for copy - ") + shownName(m_copySource->name()) + QLatin1Char(']');
    return text;
}

ColorListViewItem *LinkListView::newestTheme(ColorListViewItem *theme)
{
    if (!theme)
        return nullptr;
    ColorListViewItem *newest = theme;
    int newestDays = theme->columnValue(ColorListViewItem::DateSlot);
    if (theme->linkId() < 0)
        return newest;
    walkHeldBranch(*this, holderOrSelf(theme), [&](ColorListViewItem *t, int, int) {
        // Fewer days before the start date is newer; ties go to the later theme.
        const int days = t->columnValue(ColorListViewItem::DateSlot);
        if (!t->isNullItem() && days <= newestDays) {
            newest = t;
            newestDays = days;
        }
    });
    return newest;
}

QPair<int, int> LinkListView::themeStatistics()
{
    qint64 characters = plainDescription(m_rootTheme, true).size();
    int themes = 0;
    auto asTheyStand = [](ColorListViewItem *t) -> QTreeWidgetItem * { return t; };
    walkBranch(m_rootTheme, asTheyStand, [&](ColorListViewItem *t, int, int) {
        characters += plainDescription(t, true).size() + t->name().size();
        if (!t->isNullItem())
            ++themes;
    });
    return {int(qMin<qint64>(characters, std::numeric_limits<int>::max())), themes};
}

QString LinkListView::subtreeText(ColorListViewItem *theme, bool ownLines)
{
    if (!theme || theme->linkId() < 0)
        return QString();
    ColorListViewItem *holder = holderOrSelf(theme);
    QString text = plainDescription(holder, true);
    walkHeldBranch(*this, holder, [&](ColorListViewItem *t, int, int) {
        if (t->linkId() < 0)
            return;
        const QString next = plainDescription(holderOrSelf(t), true);
        if (ownLines && !next.isEmpty() && !text.isEmpty() && !text.endsWith(u'\n'))
            text += u'\n';
        text += next;
    });
    return text;
}
