#pragma once

#include "find/FindParas.h"
#include "find/TextPattern.h"

#include <QElapsedTimer>

#include <vector>

class Theme;

// One match of a whole-scope search: in the theme's name (line -1) or on a line of its
// description (from 0), at `position` of that string.
struct FoundMatch
{
    Theme *theme = nullptr;
    int line = -1;
    int position = 0;
    int length = 0;

    bool operator==(const FoundMatch &) const = default;
};

// Every match of the find text in the names and descriptions of a scope, found a slice at a
// time so that the window answers keys between slices. The scope is walked in preorder as the
// step-by-step search walks it, a link group's subthemes under the member that holds them; a
// link theme's description is searched at its mark theme.
class FindAllSearch
{
public:
    // Starts over below `top` (scope 1: the theme alone); with firstOnly the first match of each
    // theme is all it lists.
    void start(Theme *top, const FindParas &paras, bool firstOnly = false);
    void stop() { m_levels.clear(); }
    // The text being edited stands in for the theme's stored description, so that the matches
    // are those the editor shows.
    void standIn(const Theme *theme, const QString &description)
    {
        m_standInTheme = theme;
        m_standInText = description;
    }
    // The description the search reads for the theme.
    QString descriptionOf(const Theme *theme) const;
    bool isDone() const { return m_levels.empty(); }
    // True once the pattern gave up at its step limit somewhere: matches may be missing.
    bool gaveUp() const { return m_pattern.stopped(); }
    // Searches on for about `milliseconds`, appending the matches found; true when done.
    bool run(std::vector<FoundMatch> &found, int milliseconds);

private:
    void search(Theme *theme, std::vector<FoundMatch> &found) const;

    struct Level
    {
        Theme *owner;
        int next;
    };
    FindParas m_paras;
    bool m_firstOnly = false;
    TextPattern m_pattern{FindParas()};
    Theme *m_pendingTop = nullptr;
    const Theme *m_standInTheme = nullptr;
    QString m_standInText;
    std::vector<Level> m_levels;
};
