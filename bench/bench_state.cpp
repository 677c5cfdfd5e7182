// Where the user left off, on a large tree: applying a document state after the tree was read
// (open themes, current theme, tree scroll) and taking it when the window closes, best of 3.
// The states: the path to one deep theme, the first 100 and 1,000 themes that have subthemes,
// and every such theme (the whole tree open).
// Usage: bench_state [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "app/TreeState.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"

#include <QDateTime>

#include <cstdio>

namespace {

constexpr int runs = 3;

// Every theme with subthemes of its own in preorder, as chains; the deepest theme's chain.
void chains(ColorListViewItem *theme, DocumentState::Chain &chain,
            QList<DocumentState::Chain> &parents, DocumentState::Chain &deepest)
{
    if (chain.size() > deepest.size())
        deepest = chain;
    // A link theme showing its group's null item is never opened again.
    if (theme->childCount() > 0 && !theme->childTheme(0)->isNullItem() && !chain.isEmpty())
        parents.append(chain);
    for (int i = 0; i < theme->childCount(); ++i) {
        chain.append(i);
        chains(theme->childTheme(i), chain, parents, deepest);
        chain.removeLast();
    }
}

} // namespace

int main(int argc, char **argv)
{
    BenchStart start(argc, argv);
    const auto [themes, seed] = start.arguments;
    const int &boxes = start.boxes;

    LinkListView view;
    view.setReminderRinging(false);
    view.resize(300, 700);
    view.show();
    loadTreeBytes(view, generateBenchTree(themes, seed), QStringLiteral("bench.brw"),
                  QDateTime::currentDateTime(), 0, nullptr);
    QList<DocumentState::Chain> parents;
    DocumentState::Chain chain;
    DocumentState::Chain deepest;
    chains(view.rootTheme(), chain, parents, deepest);

    DocumentState path;
    for (int depth = 1; depth < deepest.size(); ++depth)
        path.openThemes.append(deepest.first(depth));
    path.current = deepest;
    path.treeScroll = 40;
    DocumentState first100 = path;
    first100.openThemes = parents.first(qMin(100, parents.size()));
    DocumentState first1000 = path;
    first1000.openThemes = parents.first(qMin(1000, parents.size()));
    DocumentState all = path;
    all.openThemes = parents;

    std::printf("%d themes, %lld with subthemes, deepest at depth %lld\n", view.themeCount(),
                qlonglong(parents.size()), qlonglong(deepest.size()));
    const struct
    {
        const char *name;
        const DocumentState &state;
    } cases[] = {{"path to the deepest theme", path},
                 {"first 100 parents open", first100},
                 {"first 1000 parents open", first1000},
                 {"every parent open", all}};
    for (const auto &entry : cases) {
        const auto reset = [&view, &start] {
            view.collapseAll();
            view.rootTheme()->setExpanded(true);
            view.setCurrentItem(view.rootTheme());
            start.app.processEvents();
        };
        const double apply = bestMilliseconds(runs, reset, [&] {
            if (!TreeState::apply(view, entry.state))
                std::fprintf(stderr, "the current theme was not found\n");
        });
        DocumentState taken;
        const double capture = bestMilliseconds(runs, [&] { TreeState::capture(view, taken); });
        std::printf("%-28s apply %8.2f ms   capture %8.2f ms   (%lld open)\n", entry.name, apply,
                    capture, qlonglong(taken.openThemes.size()));
    }
    // For comparison: the view itself opening every theme.
    const double everything = bestMilliseconds(
            runs, [&view] { view.collapseAll(); }, [&view] { view.expandAll(); });
    std::printf("%-28s        %8.2f ms\n", "the view's own expandAll", everything);
    return boxes == 0 ? 0 : 1;
}
