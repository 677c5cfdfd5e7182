// Going to a theme by name and listing every match, on a large tree: the popup's opening and
// each key typed into it, then the match list's first rows and its end for a frequent word, with
// the longest time the event loop went without a turn while the list filled.
// Usage: bench_goto [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "editor/CorrectedTextEdit.h"
#include "find/FindAllPanel.h"
#include "find/FindAllSearch.h"
#include "find/GoToThemePopup.h"
#include "find/ThemeMatcher.h"
#include "model/DocumentUndo.h"
#include "storage/TreeFile.h"
#include "tree/ThemeView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSet>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <functional>
#include <tuple>

namespace {

FindParas everywhere(const QString &find)
{
    FindParas p;
    p.inName = p.inDescription = true;
    p.scope = FindParas::AllThemes;
    p.findText = find;
    return p;
}

// Every match of the search in the whole tree, found without the panel.
std::vector<FoundMatch> allMatches(const ThemeDocument &document, const FindParas &paras)
{
    FindAllSearch search;
    search.start(document.root(), paras);
    std::vector<FoundMatch> found;
    while (!search.run(found, 1000)) {
    }
    return found;
}

size_t matchCount(const ThemeDocument &document, const QString &word)
{
    return allMatches(document, everywhere(word)).size();
}

// A rare word found as plain text, as a whole word and as a regular expression.
void comparePatterns(const ThemeDocument &document, int themeCount)
{
    // The word whose themes come nearest 5% of all.
    QString word;
    double nearest = 1;
    for (const QString candidate : {"garden", "invoice", "kernel", "экзамен", "лекция", "travel"}) {
        std::vector<FoundMatch> found = allMatches(document, everywhere(candidate));
        QSet<const Theme *> themes;
        for (const FoundMatch &match : found)
            themes.insert(match.theme);
        const double share = double(themes.size()) / themeCount;
        if (qAbs(share - 0.05) < nearest)
            nearest = qAbs(share - 0.05), word = candidate;
    }
    for (const auto &[label, regex, whole, find] :
         {std::tuple{"plain", false, false, word},
          {"whole words", false, true, word},
          {"regular expression", true, false, word},
          {"regular expression, \\b", true, false, "\\b" + word + "\\b"}}) {
        FindParas paras = everywhere(find);
        paras.regularExpression = regex;
        paras.wholeWords = whole;
        Stopwatch timer;
        const size_t count = allMatches(document, paras).size();
        std::printf("find all \"%s\", %-24s %s, %zu matches\n", qPrintable(word), label,
                    timer.text().data(), count);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const BenchArguments arguments = benchArguments(argc, argv);
    int boxes = 0;
    answerBoxesOnStandardError(boxes);

    ThemeDocument document;
    const QByteArray bytes = generateBenchTree(arguments.themes, arguments.seed);
    readTree(document, document.root(), wholeBytes(bytes), {}, false);
    document.settleGroups();
    DocumentUndo undo(document);
    QWidget window;
    window.resize(900, 700);
    auto *tree = new ThemeView(document, undo, &window);
    tree->setGeometry(0, 0, 400, 500);
    window.show();
    QCoreApplication::processEvents();
    const int themeCount = countBelow(document.root());
    std::printf("%d themes\n", themeCount);

    {
        // The parts of the work apart from the list view.
        Stopwatch timer;
        const std::vector<Theme *> themes = ThemeMatcher::reachableThemes(document);
        std::printf("gathering %zu themes                %s\n", themes.size(), timer.text().data());
        timer.start();
        qsizetype total = 0;
        for (const Theme *theme : themes)
            total += theme->name().size();
        std::printf("reading their names                  %s\n", timer.text().data());
        timer.start();
        ThemeMatcher::FoldedNames names;
        names.reserve(int(themes.size()), int(total));
        for (const Theme *theme : themes)
            names.append(theme->name());
        std::printf("folding their names                  %s\n", timer.text().data());
        for (const QString query : {"к", "кн", "книга", "zzq"}) {
            timer.start();
            const size_t rows = ThemeMatcher::rank(names, query).size();
            std::printf("ranking for %-24s %s, %zu rows\n", qPrintable(query), timer.text().data(),
                        rows);
        }
    }
    GoToThemePopup popup(tree, &window);
    // The popup gathers the names once the tree has rested a second.
    const auto openAfterRest = [&popup](const char *label) {
        QElapsedTimer rest;
        rest.start();
        while (rest.elapsed() < 1200)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        Stopwatch timer;
        popup.open();
        QCoreApplication::processEvents();
        std::printf("popup open, %-24s %s\n", label, timer.text().data());
    };
    popup.warmUp(); // as a window does after a load
    openAfterRest("first after the load");
    popup.hide();
    // Opened at once after an edit: the kept names take in the change. A theme in the middle of
    // the tree is renamed, gets a new subtheme, and loses it again; then a link of a group takes
    // over the group's subthemes.
    const std::vector<Theme *> reachable = ThemeMatcher::reachableThemes(document);
    Theme *middle = reachable[reachable.size() / 2];
    Theme *added = nullptr;
    const std::vector<int> groups = document.groupIds();
    Theme *link = groups.empty() ? nullptr : document.linksOf(groups.front()).front();
    const std::vector<std::pair<const char *, std::function<void()>>> edits{
            {"right after a rename",
             [&] { document.renameTheme(middle, QStringLiteral("книга renamed")); }},
            {"right after an insert",
             [&] {
                 added = document.createTheme();
                 added->setName(QStringLiteral("added"));
                 document.insertTheme(middle, middle->childCount(), added);
             }},
            {"right after a delete", [&] { document.takeTheme(added); }},
            {"gathering all (links)",
             [&] {
                 if (link)
                     document.makeHolder(link);
             }},
            {"themes kept", [] {}}};
    for (const auto &[label, edit] : edits) {
        {
            DocumentUndo::Step step(undo, "Edit");
            edit();
        }
        Stopwatch timer;
        popup.open();
        QCoreApplication::processEvents();
        std::printf("popup open, %-24s %s\n", label, timer.text().data());
        popup.hide();
    }
    // After a change of the tree the kept names are brought up to date once it has rested.
    {
        DocumentUndo::Step step(undo, "Rename");
        document.renameTheme(middle, QStringLiteral("книга again"));
    }
    openAfterRest("tree changed and rested");
    double worst = 0;
    for (const QString &typed : {QStringLiteral("книга"), QStringLiteral("zzq")}) {
        popup.field()->clear();
        for (const QChar character : typed) {
            Stopwatch timer;
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
            QApplication::sendEvent(popup.field(), &press);
            const QByteArray ranked = timer.text();
            QCoreApplication::processEvents();
            worst = std::max(worst, timer.cpu());
            std::printf("key %-24s %s, %d rows; before painting %s\n",
                        qPrintable(popup.field()->text()), timer.text().data(),
                        popup.list()->model()->rowCount(), ranked.data());
        }
    }
    std::printf("slowest key, cpu                     %8.1f ms\n", worst);
    popup.hide();

    // The word whose count comes nearest 450,000 matches.
    QString word;
    size_t count = 0;
    for (const QString candidate : {"e", "a", "о", "the", "и", "er", "на"}) {
        const size_t n = matchCount(document, candidate);
        std::printf("\"%s\": %zu matches\n", qPrintable(candidate), n);
        if (word.isEmpty() || qAbs(qint64(n) - 450000) < qAbs(qint64(count) - 450000))
            word = candidate, count = n;
    }
    comparePatterns(document, themeCount);
    CorrectedTextEdit editor(&window);
    editor.hide();
    FindAllPanel panel(tree, &editor, &window);
    panel.setGeometry(0, 500, 900, 200);
    panel.show();
    qint64 longestGap = 0;
    QElapsedTimer sinceTurn;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTurn.restart()); });
    Stopwatch timer;
    ticker.start();
    sinceTurn.start();
    panel.run(document.root(), everywhere(word));
    QByteArray first;
    while (!panel.isComplete()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (first.isEmpty() && !panel.matches().empty())
            first = timer.text();
    }
    std::printf("find all \"%s\": first rows %s, complete %s, %s; longest gap between "
                "event-loop turns %lld ms\n",
                qPrintable(word), first.data(), timer.text().data(), qPrintable(panel.countText()),
                longestGap);
    return 0;
}
