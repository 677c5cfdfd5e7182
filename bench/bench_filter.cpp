// The tree narrowed to the themes that match a word, and shown whole again, on a large tree: with
// the open state the file gave and with every theme open. Wall and processor time: on a loaded
// machine the processor time tells what the work costs. "shown" is the time from the command
// until the narrowed tree has been laid out and painted; "whole again" the same for leaving it.
// Usage: bench_filter [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "find/TreeFilter.h"
#include "model/DocumentUndo.h"
#include "model/ThemeTreeModel.h"
#include "storage/TreeFile.h"
#include "tree/ThemeView.h"

#include <cstdio>

namespace {

FindParas everywhere(const char *word)
{
    FindParas p;
    p.inName = p.inDescription = true;
    p.scope = FindParas::AllThemes;
    p.findText = QString::fromUtf8(word);
    return p;
}

// Lets the view lay itself out and paint.
void settle(ThemeView &tree)
{
    QCoreApplication::processEvents();
    tree.viewport()->repaint();
}

// Opens every theme that holds subthemes with one layout: below the closed root an opened row
// is only noted, and opening the root lays them all out.
void openEveryTheme(ThemeView &tree)
{
    ThemeTreeModel &rows = tree.rows();
    Theme *root = rows.document().root();
    tree.collapse(rows.indexOf(root));
    walkThemes(
            root, [](Theme *theme) { return theme; },
            [&](Theme *theme, int, int) {
                const QModelIndex row = rows.indexOf(theme);
                if (theme->childCount() > 0 && !rows.canFetchMore(row))
                    tree.expand(row);
            });
    tree.expand(rows.indexOf(root));
}

} // namespace

int main(int argc, char **argv)
{
    BenchStart start(argc, argv);
    ThemeDocument document;
    readTree(document, document.root(),
             wholeBytes(generateBenchTree(start.arguments.themes, start.arguments.seed)), {},
             false);
    document.settleGroups();
    const int themeCount = countBelow(document.root());
    DocumentUndo undo(document);
    ThemeView tree(document, undo);
    tree.resize(600, 800);
    tree.show();
    settle(tree);
    TreeFilter filter(&tree);
    for (const bool allOpen : {false, true}) {
        if (allOpen) {
            openEveryTheme(tree);
            settle(tree);
        }
        for (const char *word : {"garden", "the", "qqqzzzxx"}) {
            Stopwatch timer;
            filter.run(document.root(), everywhere(word));
            while (filter.state() != TreeFilter::State::Narrowed)
                QCoreApplication::processEvents();
            const QByteArray found = timer.text();
            settle(tree);
            const QByteArray shown = timer.text();
            const size_t matched = filter.matches().size();
            timer.start();
            filter.end();
            settle(tree);
            std::printf("%s, \"%s\": %zu of %d themes match\n  narrowed %s\n  shown    %s\n"
                        "  whole again %s\n",
                        allOpen ? "every theme open" : "as loaded", word, matched, themeCount,
                        found.constData(), shown.constData(), timer.text().constData());
        }
    }
    return 0;
}
