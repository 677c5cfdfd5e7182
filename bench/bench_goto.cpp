// Going to a theme by name and listing every match, on a large tree: the popup's opening and
// each key typed into it, then the match list's first rows and its end for a frequent word, with
// the longest time the event loop went without a turn while the list filled.
// Usage: bench_goto [themes] [seed]
#include "BenchTree.h"

#include "find/FindAllPanel.h"
#include "find/FindAllSearch.h"
#include "find/GoToThemePopup.h"
#include "find/ThemeMatcher.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

namespace {

double since(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

FindParas everywhere(const QString &find)
{
    FindParas p;
    p.inName = p.inDescription = true;
    p.scope = FindParas::AllThemes;
    p.findText = find;
    return p;
}

// The matches of the word in the whole tree, counted without the panel.
size_t matchCount(LinkListView &tree, const QString &word)
{
    FindAllSearch search;
    search.start(tree.rootTheme(), everywhere(word));
    std::vector<FoundMatch> found;
    while (!search.run(found, 1000)) {
    }
    return found.size();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const BenchArguments arguments = benchArguments(argc, argv);
    int boxes = 0;
    answerBoxesOnStandardError(boxes);

    QWidget window;
    window.resize(900, 700);
    auto *tree = new LinkListView(&window);
    tree->setGeometry(0, 0, 400, 500);
    const QByteArray bytes = generateBenchTree(arguments.themes, arguments.seed);
    loadTreeBytes(*tree, bytes, {}, QDateTime::currentDateTime(), 0, nullptr);
    window.show();
    QCoreApplication::processEvents();
    std::printf("%d themes\n", tree->themeCount());

    {
        // The parts of the work apart from the list view.
        QElapsedTimer timer;
        timer.start();
        const std::vector<ColorListViewItem *> themes = ThemeMatcher::reachableThemes(*tree);
        std::printf("gathering %zu themes                %8.1f ms\n", themes.size(), since(timer));
        timer.restart();
        ThemeMatcher::FoldedNames names;
        for (const ColorListViewItem *theme : themes)
            names.append(theme->name());
        std::printf("folding their names                  %8.1f ms\n", since(timer));
        for (const QString query : {"к", "кн", "книга", "zzq"}) {
            timer.restart();
            const size_t rows = ThemeMatcher::rank(names, query).size();
            std::printf("ranking for %-24s %8.1f ms, %zu rows\n", qPrintable(query), since(timer),
                        rows);
        }
    }
    GoToThemePopup popup(tree, &window);
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        popup.open();
        QCoreApplication::processEvents();
        std::printf("popup open, %-24s %8.1f ms\n",
                    run == 0 ? "gathering the themes" : "themes kept", since(timer));
        if (run < 2)
            popup.hide();
    }
    double worst = 0;
    for (const QString &typed : {QStringLiteral("книга"), QStringLiteral("zzq")}) {
        popup.field()->clear();
        for (const QChar character : typed) {
            QElapsedTimer timer;
            timer.start();
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
            QApplication::sendEvent(popup.field(), &press);
            QCoreApplication::processEvents();
            worst = std::max(worst, since(timer));
            std::printf("key %-30s %8.1f ms, %d rows\n", qPrintable(popup.field()->text()),
                        since(timer), popup.list()->model()->rowCount());
        }
    }
    std::printf("slowest key                          %8.1f ms\n", worst);
    popup.hide();

    // The word whose count comes nearest 450,000 matches.
    QString word;
    size_t count = 0;
    for (const QString candidate : {"e", "a", "о", "the", "и", "er", "на"}) {
        const size_t n = matchCount(*tree, candidate);
        std::printf("\"%s\": %zu matches\n", qPrintable(candidate), n);
        if (word.isEmpty() || qAbs(qint64(n) - 450000) < qAbs(qint64(count) - 450000))
            word = candidate, count = n;
    }
    FindAllPanel panel(tree, &window);
    panel.setGeometry(0, 500, 900, 200);
    panel.show();
    qint64 longestGap = 0;
    QElapsedTimer sinceTurn;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTurn.restart()); });
    QElapsedTimer timer;
    timer.start();
    ticker.start();
    sinceTurn.start();
    panel.run(tree->rootTheme(), everywhere(word));
    double first = -1;
    while (!panel.isComplete()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (first < 0 && !panel.matches().empty())
            first = since(timer);
    }
    std::printf("find all \"%s\": first rows %.1f ms, complete %.1f ms, %s; longest gap between "
                "event-loop turns %lld ms\n",
                qPrintable(word), first, since(timer), qPrintable(panel.countText()), longestGap);
    return 0;
}
