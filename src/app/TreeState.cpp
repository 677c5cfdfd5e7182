#include "app/TreeState.h"

#include "tree/LinkListView.h"

#include <QCoreApplication>
#include <QScrollBar>

namespace TreeState {

namespace {

int countOf(ColorListViewItem *theme)
{
    return theme->childCount();
}

ColorListViewItem *themeAt(ColorListViewItem *theme, int index)
{
    return theme->childTheme(index);
}

// A link theme whose group's subthemes live in another member shows a null item; opening it
// would move them here, a change of the tree that coming back must not make.
bool showsNullItem(ColorListViewItem *theme)
{
    return theme->childCount() == 1 && theme->childTheme(0)->isNullItem();
}

DocumentState::Chain chainOf(ColorListViewItem *theme, ColorListViewItem *root)
{
    DocumentState::Chain chain;
    for (; theme && theme != root; theme = theme->parentTheme())
        if (ColorListViewItem *parent = theme->parentTheme())
            chain.prepend(parent->indexOfChild(theme));
    return chain;
}

} // namespace

ColorListViewItem *apply(LinkListView &tree, const DocumentState &state)
{
    ColorListViewItem *root = tree.rootTheme();
    if (!root)
        return nullptr;
    std::vector<ColorListViewItem *> open{root};
    open.reserve(size_t(state.openThemes.size()) + 1);
    for (ColorListViewItem *theme :
         DocumentChains::findAll(root, state.openThemes, countOf, themeAt))
        if (theme && !showsNullItem(theme))
            open.push_back(theme);
    tree.openThemes(open);
    ColorListViewItem *current = DocumentChains::find(root, state.current, countOf, themeAt);
    if (!current) {
        tree.setCurrentItem(DocumentChains::findNearest(root, state.current, countOf, themeAt));
        return nullptr;
    }
    // Read back when the theme's description is loaded into the editor.
    tree.setSavedCursor(current, state.cursorLine, state.cursorColumn);
    tree.setCurrentItem(current);
    // The rows are laid out (the scroll range follows them); the scroll that follows an opened
    // link theme comes first, so that the remembered one wins.
    QCoreApplication::sendPostedEvents(&tree, LinkListView::DeferredScrollEvent);
    tree.verticalScrollBar()->setValue(state.treeScroll);
    return current;
}

void capture(LinkListView &tree, DocumentState &state)
{
    ColorListViewItem *root = tree.rootTheme();
    if (!root)
        return;
    state.openThemes = DocumentChains::openChains(
            root, countOf, themeAt, [](ColorListViewItem *theme) { return theme->isExpanded(); });
    state.current = chainOf(tree.currentTheme(), root);
    state.treeScroll = tree.verticalScrollBar()->value();
}

} // namespace TreeState
