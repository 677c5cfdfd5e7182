#pragma once

#include "find/DocumentWatch.h"
#include "find/ThemeMatcher.h"

#include <QObject>
#include <QSet>

#include <vector>

// The themes go to offers, in the order and with the folded names of a fresh gathering, kept
// as the document changes: each change notes what it touched, and the next update brings only
// that part up to date (a renamed theme, the branch of a theme whose subthemes changed). A change
// of link groups gathers everything again.
class GoToNames : public QObject
{
    Q_OBJECT
public:
    GoToNames(ThemeDocument &document, QObject *parent);

    // Whether the list matches the document without an update.
    bool isCurrent() const { return m_gathered && m_changedLists.empty() && m_renamed.isEmpty(); }
    // Brings the list up to date with the document.
    void update();
    const std::vector<Theme *> &themes() const { return m_themes; }
    const ThemeMatcher::FoldedNames &names() const { return m_names; }

Q_SIGNALS:
    // The document changed: a list shown from the kept themes may be out of date.
    void changed();

private:
    // What the document tells, noted for the next update.
    struct Watch final : DocumentWatch
    {
        Watch(ThemeDocument &document, GoToNames &names)
            : DocumentWatch(document)
            , names(names)
        {}
        void aboutToRemove(Theme *parent, int first, int last) override;
        void inserted(Theme *parent, int first, int last) override;
        void moved(Theme *from, int first, int last, Theme *to, int destination) override;
        void changed(Theme *theme, Field field) override;
        void groupChanged(int, bool) override { names.forget(); }
        void aboutToReplace() override { names.forget(); }

        GoToNames &names;
    };

    void note(Theme *changedList, Theme *placed);
    void forget();
    void gatherAll();
    // Lists again the subthemes of `owner`, kept from `first` on at depth below `depth`: the
    // branches of subthemes it had are taken over, new ones are walked. `kept` follows the list:
    // where each name stands in the old names, or -1 for a name to fold.
    void listAgain(Theme *owner, size_t first, int depth, std::vector<int> &kept);

    ThemeDocument &m_document;
    Watch m_watch;
    bool m_gathered = false;
    std::vector<Theme *> m_themes;
    std::vector<int> m_depths; // each theme's depth below the root
    ThemeMatcher::FoldedNames m_names;
    ThemeMatcher::FoldedNames m_spareNames;
    std::vector<Theme *> m_changedLists;
    QSet<Theme *> m_renamed;
    // Themes placed or taken out since: a branch that left may have changed while out of the tree.
    QSet<Theme *> m_placed;
};
