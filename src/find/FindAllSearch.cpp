#include "find/FindAllSearch.h"

#include "model/Theme.h"

void FindAllSearch::start(Theme *top, const FindParas &paras, bool firstOnly)
{
    m_paras = paras;
    m_firstOnly = firstOnly;
    m_pattern = TextPattern(paras);
    m_levels.clear();
    m_pendingTop = top;
    if (top)
        m_levels.push_back({nullptr, 0});
}

bool FindAllSearch::run(std::vector<FoundMatch> &found, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    int themes = 0;
    // A pattern can take long over one text: the clock is checked after each.
    const int themesPerLook = m_pattern.isPlain() ? 64 : 1;
    while (!m_levels.empty()) {
        // Checking the clock every few themes keeps its cost out of the count.
        if (++themes % themesPerLook == 0 && clock.elapsed() >= milliseconds)
            return false;
        Level &level = m_levels.back();
        Theme *theme = nullptr;
        if (!level.owner) {
            theme = m_pendingTop;
            level.owner = theme;
            if (m_paras.scope == FindParas::ThemeOnly)
                level.next = theme->childCount();
        } else if (level.next < level.owner->childCount()) {
            theme = level.owner->child(level.next++);
            if (theme->childCount() > 0)
                m_levels.push_back({theme, 0});
        } else {
            m_levels.pop_back();
            continue;
        }
        search(theme, found);
    }
    return true;
}

void FindAllSearch::search(Theme *theme, std::vector<FoundMatch> &found) const
{
    // Plain text is found at every place, overlaps too; a regular expression's matches follow
    // one another, an empty one a character on.
    const bool overlapping = !m_paras.regularExpression;
    const size_t before = found.size();
    const auto all = [&](const QString &text, bool name) {
        if (m_firstOnly && found.size() > before)
            return;
        int line = name ? -1 : 0;
        int lineStart = 0;
        for (TextPattern::Match match = m_pattern.find(text, 0, false); match.position >= 0;
             match = m_pattern.find(
                     text, match.position + (overlapping ? 1 : qMax(1, match.length)), false)) {
            const int at = match.position;
            if (!name) {
                for (int feed = int(text.indexOf(u'\n', lineStart)); feed >= 0 && feed < at;
                     feed = int(text.indexOf(u'\n', lineStart))) {
                    ++line;
                    lineStart = feed + 1;
                }
            }
            found.push_back({theme, line, at, match.length});
            if (m_firstOnly)
                break;
        }
    };
    if (m_paras.inName)
        all(theme->name(), true);
    // A link theme's description belongs to its mark theme and is searched there.
    if (m_paras.inDescription && theme->linkId() >= 0)
        all(descriptionOf(theme), false);
}

QString FindAllSearch::descriptionOf(const Theme *theme) const
{
    return theme == m_standInTheme ? m_standInText : theme->description();
}
