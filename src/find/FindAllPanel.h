#pragma once

#include "find/DocumentWatch.h"
#include "find/FindAllSearch.h"

#include <QTimer>
#include <QWidget>

class CorrectedTextEdit;
class FoundListModel;
class QLabel;
class QTreeView;
class ThemeView;

// The panel under the tree that lists every match of a search over its whole scope: the
// theme's path, where the match is (its name or "line N") and the line with the match marked.
// The list is filled a slice at a time, and it follows the document: a change to it runs the
// search again, and so does typing in the description, and a branch leaving the tree empties the
// list at once, so that no row ever points at a theme that is gone. Escape ends a search that
// is still running (the list then stays as far as it got, and no change runs it again), and
// hides a complete list.
class FindAllPanel : public QWidget, private DocumentWatch
{
    Q_OBJECT
public:
    // The editor's text, while edited, is what the list shows of its theme.
    FindAllPanel(ThemeView *view, CorrectedTextEdit *editor, QWidget *parent);

    // Lists the matches below `top` (scope 1: in the theme alone).
    void run(Theme *top, const FindParas &paras);
    const std::vector<FoundMatch> &matches() const;
    bool isComplete() const { return m_search.isDone() && !m_refresh.isActive(); }
    QString countText() const;
    QTreeView *list() const { return m_list; }

Q_SIGNALS:
    // Return or a double click on the row of the match.
    void goTo(const FoundMatch &match);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void slice();
    // The document's changes: a leaving branch empties the list, any change runs it again.
    void aboutToRemove(Theme *parent, int first, int last) override;
    void aboutToReplace() override;
    void inserted(Theme *, int, int) override { treeChanged(); }
    void removed(Theme *, int, int) override { treeChanged(); }
    void moved(Theme *, int, int, Theme *, int) override { treeChanged(); }
    void changed(Theme *, Field) override { treeChanged(); }
    void groupChanged(int, bool) override { treeChanged(); }
    void treeChanged();
    void again();
    void activated();

    ThemeView *m_view;
    CorrectedTextEdit *m_editor;
    QLabel *m_count;
    QTreeView *m_list;
    FindAllSearch m_search; // before the model, which reads through it
    FoundListModel *m_model;
    Theme *m_top = nullptr; // null once the search was stopped
    FindParas m_paras;
    // The row the user stood on, chosen again when the search meets it anew.
    FoundMatch m_chosen;
    bool m_stopped = false;
    QTimer m_slices;
    QTimer m_refresh;
};
