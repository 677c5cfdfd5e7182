// The editing commands on a large tree, in a shown view: Move Up and Move Down of one theme among
// 100,000 siblings, cut and paste of one of them into another, and Delete and paste as an ordinary
// copy of branches of 10,000, 20,000 and 40,000 themes with links and marks (so that the growth
// shows), beside the toolkit's own layout of the shown rows, which every change of rows under
// an open theme costs. Usage: bench_treeediting [siblings [branch sizes...]]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "tree/LinkListView.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace {

constexpr int runs = 5;

std::unique_ptr<LinkListView> shownView()
{
    auto view = std::make_unique<LinkListView>();
    view->resize(400, 600);
    view->show();
    QApplication::processEvents();
    return view;
}

// Appends `count` themes under the parent in one step of the toolkit's model.
void addSiblings(LinkListView &view, ColorListViewItem *parent, int count)
{
    ColorListViewItem *holder = view.createDetachedTheme();
    for (int i = 0; i < count; ++i)
        view.appendChild(holder, QStringLiteral("sibling %1").arg(i));
    parent->addChildren(holder->takeChildren());
    view.destroyBranch(holder);
}

// A branch of about `size` themes under the root: 100 themes of (size / 100 - 1) children each.
// Every 100th theme is a link to a mark theme outside, and every 500th a mark theme with a link
// outside.
ColorListViewItem *addBranch(LinkListView &view, int size)
{
    ColorListViewItem *root = view.rootTheme();
    ColorListViewItem *outsideMark = view.createChild(root, QStringLiteral("outside mark"), {}, {});
    const int outsideId = view.joinGroup(outsideMark, 0);
    ColorListViewItem *top = view.createChild(root, QStringLiteral("branch"), {}, {});
    int made = 0;
    auto add = [&](ColorListViewItem *parent) {
        ColorListViewItem *theme = view.appendChild(parent, QStringLiteral("theme %1").arg(made));
        theme->setDescription(QStringLiteral("a description of a few words, %1").arg(made));
        if (++made % 100 == 0) {
            view.joinGroup(theme, -outsideId);
        } else if (made % 500 == 1) {
            const int id = view.joinGroup(theme, 0);
            view.joinGroup(view.createChild(root, QStringLiteral("outside link"), {}, {}), -id);
        }
        return theme;
    };
    for (int i = 0; i < 100; ++i) {
        ColorListViewItem *child = add(top);
        for (int j = 1; j < size / 100; ++j)
            add(child);
    }
    return top;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int siblings = argc > 1 ? std::atoi(argv[1]) : 100000;
    int boxes = 0;
    answerBoxesOnStandardError(boxes);
    bool sound = true;

    std::unique_ptr<LinkListView> view = shownView();
    addSiblings(*view, view->rootTheme(), siblings);
    ColorListViewItem *root = view->rootTheme();
    ColorListViewItem *moved = root->childTheme(siblings / 2);
    view->setCurrentItem(moved);
    QApplication::processEvents();
    const double upMs = bestMilliseconds(runs, [&] { view->menuMove_Up(); });
    const double downMs = bestMilliseconds(runs, [&] { view->menuMove_Down(); });
    sound = sound && root->indexOfChild(moved) == siblings / 2 && view->currentTheme() == moved;
    // Any change of rows under an open theme makes the toolkit lay out every shown row again.
    const double layoutMs = bestMilliseconds(runs, [&] { view->doItemsLayout(); });
    std::printf("%d siblings, the moved one in the middle\n", siblings);
    std::printf("the toolkit's layout of the shown rows, alone %8.3f ms\n", layoutMs);
    std::printf("Move Up                     %8.3f ms\n", upMs);
    std::printf("Move Down                   %8.3f ms\n", downMs);

    int pasted = 0;
    const double cutPasteMs = bestMilliseconds(
            runs, [&] { view->setCurrentItem(root->childTheme(siblings / 2 + 1)); },
            [&] {
                view->menuCut();
                view->setCurrentItem(root->childTheme(siblings / 4));
                view->menuPaste();
                ++pasted;
            });
    sound = sound && root->childCount() == siblings - pasted;
    std::printf("Cut and paste into a sibling %7.3f ms (selecting the target included)\n",
                cutPasteMs);

    QList<int> sizes{10000, 20000, 40000};
    if (argc > 2)
        sizes.clear();
    for (int i = 2; i < argc; ++i)
        sizes.append(std::atoi(argv[i]));
    for (int size : sizes) {
        std::unique_ptr<LinkListView> branchView;
        int before = 0;
        auto branchCurrent = [&] {
            branchView = shownView();
            ColorListViewItem *top = addBranch(*branchView, size);
            before = branchView->themeCount();
            branchView->setCurrentItem(top);
        };
        const double deleteMs =
                bestMilliseconds(runs, branchCurrent, [&] { branchView->menuDelete(); });
        sound = sound && branchView->themeCount() < before - size + 100;
        const double copyMs = bestMilliseconds(
                runs,
                [&] {
                    branchCurrent();
                    branchView->menuCopy();
                    branchView->setCurrentItem(branchView->rootTheme());
                },
                [&] { branchView->pmTreeInsert_Ordinar(); });
        sound = sound && branchView->themeCount() > before + size - 100 && branchView->isStable();
        std::printf("branch of %5d themes: Delete %8.1f ms, paste as a copy %8.1f ms\n", size,
                    deleteMs, copyMs);
    }

    if (boxes)
        std::fprintf(stderr, "%d boxes shown\n", boxes);
    sound = sound && boxes == 0;
    if (!sound)
        std::fprintf(stderr, "MISMATCH: a command did not do what it should\n");
    return sound ? 0 : 1;
}
