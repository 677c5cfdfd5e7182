#pragma once

#include <QString>

#include <QHash>

class EditingCommands;
class Theme;
class ThemeDocument;

// Trees in a compact outline: "P(A,M+1(x),L-1(_))" is P with children A, M and L; M is the mark
// theme of group 1 with child x, L a link of group 1 showing the null item "_" (it does not hold
// the group's children). A description follows the name in brackets, "A[two\nlines]", and one
// without a name, "[text],A", is the root's; a theme written without one carries name + "-text"
// (links none).

// One theme as an outline writes it (a nameless one gives the root's description), and what
// follows: '(' its children, ')' the end of its parent's list, ',' or nothing at the end.
struct OutlineEntry
{
    QString name;
    int id = 0;
    QString description;
    QChar next;
};
QList<OutlineEntry> outlineEntries(const QString &outline);
// A link id as written after the name.
inline QString outlineId(int id)
{
    return id != 0 ? QString::asprintf("%+d", id) : QString();
}

// Reads an outline below root through make(parent, entry), which makes each theme (a null parent:
// the root's description); gives the group members, marks first, and the links holding the
// group's children.
template<typename Node, typename Make>
std::pair<QList<Node *>, QList<Node *>> readOutline(const QString &outline, Node *root, Make make)
{
    QList<Node *> parents{root}, members, holders;
    Node *last = nullptr;
    for (const OutlineEntry &entry : outlineEntries(outline)) {
        if (entry.name == QLatin1String("_")) // a link showing its null item holds nothing
            holders.removeOne(parents.last());
        else if (!entry.name.isEmpty() || !entry.description.isNull())
            last = make(entry.name.isEmpty() ? nullptr : parents.last(), entry);
        if (entry.id != 0)
            entry.id > 0 ? members.prepend(last) : members.append(last);
        if (entry.next == u'(' && entry.id < 0)
            holders.append(last);
        if (entry.next == u'(')
            parents.append(last);
        else if (entry.next == u')')
            parents.removeLast();
    }
    return {members, holders};
}

// Builds the outline on a document, where a member written with "(_)" or "(_,...)" does not hold
// its group's children (the others are its own); gives the first theme of each name.
QHash<QString, Theme *> buildOutline(ThemeDocument &document, const QString &outline);
// The document below the root as it stands, in the same form; with descriptions, every theme's
// but a link's in brackets, and the root's in front when it has one.
QString outlineOf(const ThemeDocument &document, bool descriptions = false);
// The document's outline and what a paste would bring: "P(A,B)[for cut - A]".
QString outlineAndSource(const ThemeDocument &document, const EditingCommands &commands);
