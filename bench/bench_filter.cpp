// The tree narrowed to the themes that match a word, and shown whole again, on a large tree: with
// the open state the file gave and with every theme open. Wall and processor time: on a loaded
// machine the processor time tells what the work costs. "shown" is the time from the command
// until the narrowed tree has been laid out and painted; "whole again" the same for leaving it.
// Usage: bench_filter [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "find/TreeFilter.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"
#include "tree/ViewDocument.h"

#include <QDateTime>
#include <QTreeWidgetItemIterator>

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
void settle(LinkListView &tree)
{
    QCoreApplication::processEvents();
    tree.viewport()->repaint();
}

} // namespace

int main(int argc, char **argv)
{
    BenchStart start(argc, argv);
    LinkListView tree;
    const QByteArray bytes = generateBenchTree(start.arguments.themes, start.arguments.seed);
    loadTreeBytes(tree, bytes, {}, QDateTime::currentDateTime(), 0, nullptr);
    tree.resize(600, 800);
    tree.show();
    settle(tree);
    TreeFilter filter(&tree);
    for (const bool allOpen : {false, true}) {
        if (allOpen) {
            std::vector<ColorListViewItem *> themes;
            for (QTreeWidgetItemIterator it(&tree); *it; ++it)
                if ((*it)->childCount() > 0)
                    themes.push_back(static_cast<ColorListViewItem *>(*it));
            tree.openThemes(themes);
            settle(tree);
        }
        for (const char *word : {"garden", "the", "qqqzzzxx"}) {
            Stopwatch timer;
            filter.run(tree.rootTheme(), everywhere(word));
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
                        allOpen ? "every theme open" : "as loaded", word, matched,
                        tree.themeCount(), found.constData(), shown.constData(),
                        timer.text().constData());
        }
    }
    return 0;
}
