#pragma once

#include "model/CompactText.h"

#include <QDate>
#include <QString>

#include <vector>

class ThemeDocument;

// One theme of a document: its name, description, date and link id, and its subthemes. A link id
// below 0 makes the theme a link of the group abs(id), above 0 the group's mark theme. Texts are
// implicitly shared, so a copy of a theme's data costs no characters. The document owns every
// theme, so that no theme frees a branch (a file can nest themes millions of levels deep).
// The setters build themes nobody watches yet; a live document changes through its primitives.
class Theme
{
public:
    Theme() = default;
    Theme(const Theme &) = delete;
    Theme &operator=(const Theme &) = delete;

    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    void setName(QString &&name) { m_name = std::move(name); }
    QString description() const { return m_description.toString(); }
    qsizetype descriptionSize() const { return m_description.size(); }
    const CompactText &heldDescription() const { return m_description; }
    void setDescription(const QString &description) { m_description = CompactText(description); }
    void setDescription(CompactText description) { m_description = std::move(description); }
    QDate date() const { return m_date; }
    void setDate(QDate date) { m_date = date; }
    int linkId() const { return m_linkId; }
    void setLinkId(int id) { m_linkId = id; }

    Theme *parent() const { return m_parent; }
    int childCount() const { return int(m_children.size()); }
    Theme *child(int index) const { return m_children[size_t(index)]; }
    // The theme's index in its parent's list (-1 without a parent). Each theme remembers where
    // it was last placed or found, and the search starts there, so that a change near it in a
    // long list costs what the change moved it, not the length of the list.
    int row() const;

private:
    friend class ThemeDocument;

    QString m_name;
    CompactText m_description;
    QDate m_date;
    int m_linkId = 0;
    mutable int m_row = 0;
    Theme *m_parent = nullptr;
    std::vector<Theme *> m_children;
};

// The names from the theme up to the root, the root's left out: forward "|-/a/b", else "b/a/-|".
QString themePath(const Theme *theme, bool forward);
// The themes between the root and the theme, the theme counted: 0 for the root.
int themeDepth(const Theme *theme);

// True when `ancestor` is the theme itself or lies on its path to the root.
bool isAncestorOrSelf(const Theme *ancestor, const Theme *theme);

// A date as the status bar shows it: "%2.2i.%2.2i.%i" (day, month, year).
QString plainDateText(QDate date);
// A name as rows and the status bar show it: at most 1000 characters and an ellipsis. Laying out
// a name of megabytes takes the window minutes, and no screen shows more of it.
QString shownName(const QString &name);
