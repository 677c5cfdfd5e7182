// Where the user left off, on a large tree: applying a document state after the tree was read
// (open themes, current theme, tree scroll) and taking it when the window closes, best of 3.
// The states: the path to one deep theme, the first 100 and 1,000 themes that have subthemes,
// and every such theme (the whole tree open); then * on the root, which opens the same themes
// through the view's key. Wall-clock and processor time.
// Usage: bench_state [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "app/TreeState.h"
#include "model/DocumentUndo.h"
#include "model/ThemeTreeModel.h"
#include "storage/TreeFile.h"
#include "tree/ThemeView.h"

#include <QApplication>
#include <QKeyEvent>

#include <cstdio>

namespace {

constexpr int runs = 3;

// Every theme with subthemes of its own in preorder, as chains; the deepest theme's chain. A
// link's subthemes are held by one member of its group: the others have none to open.
void chains(Theme *theme, DocumentState::Chain &chain, QList<DocumentState::Chain> &parents,
            DocumentState::Chain &deepest)
{
    if (chain.size() > deepest.size())
        deepest = chain;
    if (theme->childCount() > 0 && !chain.isEmpty())
        parents.append(chain);
    for (int i = 0; i < theme->childCount(); ++i) {
        chain.append(i);
        chains(theme->child(i), chain, parents, deepest);
        chain.removeLast();
    }
}

} // namespace

int main(int argc, char **argv)
{
    BenchStart start(argc, argv);
    const auto [themes, seed] = start.arguments;
    const int &boxes = start.boxes;

    ThemeDocument document;
    readTree(document, document.root(), wholeBytes(generateBenchTree(themes, seed)), {}, false);
    document.settleGroups();
    DocumentUndo undo(document);
    ThemeView view(document, undo);
    view.resize(300, 700);
    view.show();
    Theme *root = document.root();
    const QModelIndex rootRow = view.rows().indexOf(root);
    QList<DocumentState::Chain> parents;
    DocumentState::Chain chain;
    DocumentState::Chain deepest;
    chains(root, chain, parents, deepest);

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

    std::printf("%d themes, %lld with subthemes, deepest at depth %lld\n", countBelow(root),
                qlonglong(parents.size()), qlonglong(deepest.size()));
    const struct
    {
        const char *name;
        const DocumentState &state;
    } cases[] = {{"path to the deepest theme", path},
                 {"first 100 parents open", first100},
                 {"first 1000 parents open", first1000},
                 {"every parent open", all}};
    QHash<const Theme *, QPair<int, int>> cursors;
    for (const auto &entry : cases) {
        const auto reset = [&] {
            view.collapseAll();
            view.expand(rootRow);
            view.setCurrentTheme(root);
            start.app.processEvents();
        };
        // With the events it leaves behind (a deferred layout or measure, the paint): the user
        // waits for those too.
        const BenchTimes apply = bestTimes(runs, reset, [&] {
            if (!TreeState::apply(view, entry.state, cursors))
                std::fprintf(stderr, "the current theme was not found\n");
            start.app.processEvents();
        });
        DocumentState taken;
        const BenchTimes capture = bestTimes(
                runs, [] {}, [&] { TreeState::capture(view, taken); });
        std::printf("%-26s apply %7.2f ms (cpu %7.2f)   capture %7.2f ms (cpu %7.2f)   %lld open\n",
                    entry.name, apply.wall, apply.cpu, capture.wall, capture.cpu,
                    qlonglong(taken.openThemes.size()));
    }
    // The same themes opened by the view's own key: * on the root opens every theme below it.
    const BenchTimes asterisk = bestTimes(
            runs,
            [&] {
                view.collapseAll();
                view.setCurrentTheme(root);
                start.app.processEvents();
            },
            [&] {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Asterisk, Qt::NoModifier, "*");
                QApplication::sendEvent(&view, &press);
                start.app.processEvents();
            });
    std::printf("%-26s       %7.2f ms (cpu %7.2f)\n", "key * on the root", asterisk.wall,
                asterisk.cpu);
    // The toolkit's floor: the view laying out the rows of the whole tree open, as every apply
    // of that state must once.
    TreeState::apply(view, all, cursors);
    const BenchTimes layout = bestTimes(
            runs, [] {}, [&view] { view.doItemsLayout(); });
    std::printf("%-26s       %7.2f ms (cpu %7.2f)\n", "the view's layout, all open", layout.wall,
                layout.cpu);
    return boxes == 0 ? 0 : 1;
}
