// Search steps over a large tree: a step that finds nothing walks every theme and comes back to
// its start point; replace all of a frequent word at several tree sizes, to show how it grows.
// While a step runs a 5 ms timer counts how often the event loop got a turn.
// Usage: bench_find [themes] [seed]
#include "BenchTimer.h"
#include "BenchTree.h"

#include "editor/CorrectedTextEdit.h"
#include "find/FindEngine.h"
#include "model/DocumentUndo.h"
#include "storage/TreeFile.h"
#include "tree/ThemeView.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

// A tree file's bytes below the root, the groups settled as a window settles them.
bool load(ThemeDocument &document, const QByteArray &bytes)
{
    if (!bytes.isEmpty()) {
        readTree(document, document.root(), wholeBytes(bytes), {}, false);
        document.settleGroups();
    }
    return true;
}

// The tree read from the bytes, with the parts of a main window that a search step uses.
struct Window
{
    explicit Window(const QByteArray &bytes = {})
        : loaded(load(document, bytes))
    {}
    Theme *root() const { return document.root(); }

    ThemeDocument document;
    bool loaded; // before the view: its rows are the document's as read
    DocumentUndo undo{document};
    ThemeView tree{document, undo};
    CorrectedTextEdit editor;
    FindEngine engine{&tree, undo, &editor, host(), nullptr};

    FindEngine::Host host()
    {
        FindEngine::Host h;
        h.storeDescription = [](Theme *) {};
        h.loadDescription = [](Theme *) {};
        h.postNameSelection = [] {};
        return h;
    }
};

FindParas parameters(const QString &find, const QString &replace, int action, bool cs)
{
    FindParas p;
    p.inName = p.inDescription = true;
    p.caseSensitive = cs;
    p.scope = FindParas::AllThemes;
    p.action = action;
    p.findText = find;
    p.replaceText = replace;
    return p;
}

// Runs one step; prints its time, the boxes and the event loop's turns.
void timeStep(Window &window, const char *label, const FindParas &p, int &boxes)
{
    int turns = 0;
    qint64 longestGap = 0;
    QElapsedTimer sinceTurn;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++turns;
        longestGap = qMax(longestGap, sinceTurn.restart());
    });
    ticker.start();
    sinceTurn.start();
    const int before = boxes;
    QElapsedTimer timer;
    timer.start();
    window.engine.findReplace(p);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    longestGap = qMax(longestGap, sinceTurn.elapsed());
    std::printf("%-44s %9.1f ms  boxes %d  event-loop turns %d, longest gap %lld ms\n", label, ms,
                boxes - before, turns, longestGap);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const BenchArguments arguments = benchArguments(argc, argv);
    int boxes = 0;
    answerBoxesOnStandardError(boxes);

    {
        BenchTreeStats stats;
        const QByteArray bytes = generateBenchTree(arguments.themes, arguments.seed, &stats);
        Window window(bytes);
        std::printf("%d themes, %.1f MB\n", stats.themes, bytes.size() / 1e6);
        const QString nothing = QStringLiteral("qqqzzzxx");
        window.tree.setCurrentTheme(window.root());
        timeStep(window, "nothing found, ignoring case", parameters(nothing, {}, 1, false), boxes);
        timeStep(window, "nothing found, case-sensitive", parameters(nothing, {}, 1, true), boxes);
        window.tree.setCurrentTheme(window.root()->child(0));
        timeStep(
                window, "nothing found, backwards from the first theme",
                [&] {
                    FindParas p = parameters(nothing, {}, 1, false);
                    p.backwards = true;
                    return p;
                }(),
                boxes);
    }
    for (int themes : {arguments.themes / 4, arguments.themes / 2, arguments.themes}) {
        const QByteArray bytes = generateBenchTree(themes, arguments.seed);
        Window window(bytes);
        window.tree.setCurrentTheme(window.root());
        const QByteArray label = QByteArray::number(themes) +
                                 " themes: " + QByteArray::number(bytes.count("the")) +
                                 " x the -> these";
        timeStep(window, label.constData(), parameters("the", "these", 4, true), boxes);
        if (themes != arguments.themes)
            continue;
        // The same replacements through a regular expression and a group reference.
        window.tree.setCurrentTheme(window.root());
        FindParas regex = parameters("th(e)se", "th\\1", 4, true);
        regex.regularExpression = true;
        timeStep(window, "the same back, as a regular expression", regex, boxes);
    }
    // Replacements inside one description move its tail each time.
    for (int words : {25000, 50000, 100000}) {
        Window window;
        window.document.setThemeDescription(window.root(), QString("the ").repeated(words));
        window.tree.setCurrentTheme(window.root());
        for (bool backwards : {false, true}) {
            const QByteArray label = "one text of " + QByteArray::number(words) +
                                     (backwards ? " x \"the \", backwards" : " x \"the \"");
            for (bool regex : {false, true}) {
                FindParas p =
                        parameters(regex ? "t(he)" : "the", regex ? "t\\1se" : "these", 4, true);
                p.backwards = backwards;
                p.regularExpression = regex;
                window.editor.setText(window.root()->description());
                window.editor.moveCursor(backwards ? QTextCursor::End : QTextCursor::Start);
                timeStep(window, (label + (regex ? ", regex" : "")).constData(), p, boxes);
                window.document.setThemeDescription(window.root(), QString("the ").repeated(words));
            }
        }
    }
    return 0;
}
