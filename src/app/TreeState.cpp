#include "app/TreeState.h"

#include "model/ThemeDocument.h"
#include "model/ThemeTreeModel.h"
#include "tree/ThemeView.h"

#include <QCoreApplication>
#include <QScrollBar>

namespace TreeState {

namespace {

int countOf(Theme *theme)
{
    return theme->childCount();
}

Theme *themeAt(Theme *theme, int index)
{
    return theme->child(index);
}

DocumentState::Chain chainOf(const Theme *theme)
{
    DocumentState::Chain chain;
    for (; theme && theme->parent(); theme = theme->parent())
        chain.prepend(theme->row());
    return chain;
}

} // namespace

Theme *apply(ThemeView &view, const DocumentState &state,
             QHash<const Theme *, QPair<int, int>> &cursors)
{
    ThemeTreeModel &rows = view.rows();
    Theme *root = rows.document().root();
    std::vector<Theme *> open{root};
    for (Theme *theme : DocumentChains::findAll(root, state.openThemes, countOf, themeAt)) {
        // A member whose group's subthemes another member holds would take them on opening, a
        // change of the tree that coming back must not make.
        const QModelIndex row = theme ? rows.indexOf(theme) : QModelIndex();
        if (row.isValid() && !rows.canFetchMore(row))
            open.push_back(theme);
    }
    view.openThemes(open);
    Theme *current = DocumentChains::find(root, state.current, countOf, themeAt);
    if (!current) {
        view.setCurrentTheme(DocumentChains::findNearest(root, state.current, countOf, themeAt));
        return nullptr;
    }
    // Read back when the theme's description is loaded into the editor.
    cursors.insert(rows.document().resolve(current), {state.cursorLine, state.cursorColumn});
    view.setCurrentTheme(current);
    // The scroll that follows an opened theme comes first, so that the remembered one wins.
    QCoreApplication::sendPostedEvents(&view, QEvent::MetaCall);
    view.verticalScrollBar()->setValue(state.treeScroll);
    return current;
}

void capture(ThemeView &view, DocumentState &state)
{
    ThemeTreeModel &rows = view.rows();
    Theme *root = rows.document().root();
    state.openThemes = DocumentChains::openChains(root, countOf, themeAt, [&](Theme *theme) {
        return view.isExpanded(rows.indexOf(theme));
    });
    state.current = chainOf(view.currentTheme());
    state.treeScroll = view.verticalScrollBar()->value();
}

} // namespace TreeState
