#pragma once

#include <QString>

#include <vector>

class Theme;
class ThemeDocument;

// Finding a theme by a few typed letters: the themes a user can go to, their paths, and the
// order in which the names that match a query are offered.
namespace ThemeMatcher {

// Every theme below the root in preorder, each once: the children a link group shares under
// its mark theme, wherever they are held.
std::vector<Theme *> reachableThemes(const ThemeDocument &document);
// The same into a list whose room is kept from an earlier gathering, with each theme's depth
// below the root when asked.
void gatherReachable(const ThemeDocument &document, std::vector<Theme *> &themes,
                     std::vector<int> *depths = nullptr);

// The names from the top down to the theme, each after a "/": "/projects/home/roof".
QString pathOf(const Theme *theme);

// The names as the matcher compares them: case folded in every script and kept end to end in
// one string, so that gathering them costs one allocation and a search runs over all at once.
class FoldedNames
{
public:
    void clear();
    void reserve(int count, int characters);
    void append(QStringView name);
    // Names `first` to `first + count - 1` of another list, folded already.
    void appendNames(const FoldedNames &from, int first, int count);
    int count() const { return int(m_starts.size()) - 1; }
    QStringView name(int index) const
    {
        return QStringView(m_text).mid(m_starts[size_t(index)],
                                       m_starts[size_t(index) + 1] - m_starts[size_t(index)] - 1);
    }
    const QString &text() const { return m_text; }
    // The name that holds the character at that place of the text.
    int nameAt(int position) const;

private:
    QString m_text;               // each name followed by a NUL
    std::vector<int> m_starts{0}; // where each name begins, and one past the last
};

QString folded(QStringView text);

// The length of the shortest stretch of the name that holds the query's characters in order,
// gaps allowed; -1 when it holds them in no order. Both are folded.
int subsequenceSpan(QStringView name, QStringView query);

// The indexes of the names that match the folded query, among all or, when given, among the
// matches of a shorter query that this one extends: first those that contain it, in their order,
// then those that hold its letters in order, tightest first (ties in their order).
std::vector<int> rank(const FoldedNames &names, QStringView query,
                      const std::vector<int> *among = nullptr);

} // namespace ThemeMatcher
