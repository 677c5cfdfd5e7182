// The outline's grammar, and its form on a document: the helpers the model's tests share with
// the view's, without a widget.
#include "TreeOutline.h"

#include "model/EditingCommands.h"

#include <QRegularExpression>

namespace {

// One theme as an outline writes it (a nameless one gives the root's description), and what
// follows: '(' its children, ')' the end of its parent's list, ',' or nothing at the end.
struct OutlineEntry
{
    QString name;
    int id = 0;
    QString description;
    QChar next;
};

QList<OutlineEntry> outlineEntries(const QString &outline)
{
    static const QRegularExpression token(
            QStringLiteral("\\s*([^,()\\[\\]+\\-]*?)\\s*([+-]\\d+)?\\s*"
                           "(?:\\[([^\\]]*)\\])?\\s*([,()]|$)"));
    QList<OutlineEntry> entries;
    for (qsizetype at = 0; at < outline.size();) {
        const QRegularExpressionMatch match =
                token.match(outline, at, QRegularExpression::NormalMatch,
                            QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch() || match.capturedLength() == 0)
            break;
        at = match.capturedEnd();
        OutlineEntry entry{match.captured(1), match.captured(2).toInt(), match.captured(3),
                           match.captured(4).isEmpty() ? QChar() : match.captured(4).at(0)};
        // A theme written without a description carries name + "-text", a link none.
        if (!entry.name.isEmpty())
            entry.description = entry.id < 0                  ? QString()
                                : match.capturedStart(3) >= 0 ? entry.description
                                                              : entry.name + "-text";
        entries.append(entry);
    }
    return entries;
}

// A link id as written after the name.
QString outlineId(int id)
{
    return id != 0 ? QString::asprintf("%+d", id) : QString();
}

} // namespace

QHash<QString, Theme *> buildOutline(ThemeDocument &document, const QString &outline)
{
    QHash<QString, Theme *> named{{"/", document.root()}};
    QList<Theme *> parents{document.root()}, members, holders;
    Theme *last = nullptr;
    for (const OutlineEntry &entry : outlineEntries(outline)) {
        if (entry.name == QLatin1String("_")) { // a link showing its null item holds nothing
            holders.removeOne(parents.last());
        } else if (!entry.name.isEmpty() || !entry.description.isNull()) {
            last = entry.name.isEmpty() ? document.root() : document.appendChild(parents.last());
            last->setName(entry.name.isEmpty() ? last->name() : entry.name);
            last->setDescription(entry.description);
            last->setLinkId(entry.id);
            if (!named.contains(entry.name))
                named[entry.name] = last;
        }
        if (entry.id != 0)
            entry.id > 0 ? members.prepend(last) : members.append(last);
        if (entry.next == u'(' && entry.id < 0)
            holders.append(last);
        if (entry.next == u'(')
            parents.append(last);
        else if (entry.next == u')')
            parents.removeLast();
    }
    for (Theme *member : members) {
        document.joinGroup(member, member->linkId());
        if (holders.contains(member)) // the links join in order: it is the last so far
            document.setHolder(member->linkId(), int(document.linksOf(member->linkId()).size()));
    }
    return named;
}

// A member that does not hold its group's children shows the view's null item.
static QString listOutline(const ThemeDocument &document, Theme *theme, bool descriptions)
{
    QStringList items;
    if (theme->linkId() != 0 && document.holderOrSelf(theme) != theme)
        items << QStringLiteral("_");
    for (int i = 0; i < theme->childCount(); ++i) {
        const Theme *child = theme->child(i);
        const QString list = listOutline(document, theme->child(i), descriptions);
        items << child->name() + outlineId(child->linkId()) +
                         (descriptions && child->linkId() >= 0 ? '[' + child->description() + ']'
                                                               : QString()) +
                         (list.isEmpty() ? QString() : '(' + list + ')');
    }
    return items.join(',');
}

QString outlineOf(const ThemeDocument &document, bool descriptions)
{
    const QString root = document.root()->description();
    return (descriptions && !root.isEmpty() ? '[' + root + "]," : QString()) +
           listOutline(document, document.root(), descriptions);
}

QString outlineAndSource(const ThemeDocument &document, const EditingCommands &commands)
{
    return outlineOf(document) + commands.sourceText();
}
