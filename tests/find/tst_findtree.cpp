#include "editor/CorrectedTextEdit.h"
#include "find/FindAllPanel.h"
#include "find/FindDialog.h"
#include "find/FindEngine.h"
#include "find/GoToNames.h"
#include "find/TextPattern.h"
#include "find/TreeFilter.h"
#include "model/ThemeTreeModel.h"
#include "support/DocumentView.h"
#include "support/FindFlags.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/ViewSteps.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

// The rows in sight below parent: name, "*" in bold, the rows of an open theme in brackets.
static QString shownRows(const ThemeView &view, const TreeFilter &filter, const QModelIndex &above)
{
    QStringList rows;
    for (int row = 0; row < view.model()->rowCount(above); ++row) {
        const QModelIndex index = view.model()->index(row, 0, above);
        const Theme *theme = ThemeTreeModel::themeAt(index);
        const QString below = view.isExpanded(index) ? shownRows(view, filter, index) : "";
        if (!view.isRowHidden(row, above))
            rows << theme->name() + (filter.isMarked(theme) ? "*" : "") +
                            (below.isEmpty() ? "" : '(' + below + ')');
    }
    return rows.join(',');
}

static QString listed(const std::vector<FoundMatch> &matches)
{
    QStringList found;
    for (const FoundMatch &match : matches)
        found << QString("%1:%2:%3").arg(match.theme->name()).arg(match.line).arg(match.position);
    return found.join(' ');
}

// What one search finds in one string, with the regular expression and whole-word options; find,
// go to, find all and the tree filter over a document and its view; the find dialog.
class TestFindTree : public QObject
{
    Q_OBJECT

    template<typename T>
    static T *child(FindDialog &dialog, const char *name)
    {
        return dialog.findChild<T *>(QString::fromLatin1(name));
    }

private Q_SLOTS:
    // flags: r regular expression, w whole words, c case, b backwards; l: the text goes on with
    // dashes long enough for a worker thread (e: so long that the wait is ended, as by Escape).
    // Every match from `from` on (backwards: from `from` back), as the engine steps: past a
    // match, and one character on after an empty one; "position+length", or the error.
    void matches_data() { JSON_ROWS("text", "find", "flags", "from", "found"); }
    void matches()
    {
        FETCH_TEXTS(text, find, flags, from);
        TextPattern pattern(findParas(flags + '0', find));
        if (flags.contains('l')) {
            text += QString(flags.contains('e') ? 100'000 : 4096, '-');
            pattern.setLongWait([&flags](const std::function<bool()> &done) {
                while (!flags.contains('e') && !done()) {
                }
                return !flags.contains('e');
            });
        }
        QStringList found;
        if (!pattern.isValid())
            found << pattern.errorText();
        const bool backwards = flags.contains('b');
        for (TextPattern::Match match = pattern.find(text, from.toInt(), backwards);
             match.position >= 0 && found.size() < 10;) {
            found << QString("%1+%2").arg(match.position).arg(match.length);
            const int next = backwards ? match.position - qMax(1, match.length)
                                       : match.position + qMax(1, match.length);
            match = pattern.find(text, next, backwards);
        }
        if (pattern.stopped())
            found << (pattern.interrupted() ? "interrupted" : "stopped");
        QTEST(found.join(' '), "found");
    }

    // On a worker the matches found ahead are the ones the thread asked would find: stepping as
    // the engine does, stepping one place at a time (which leaves the steps the worker took),
    // and going back to the start.
    void workerMatchesAhead()
    {
        QString text;
        for (int i = 0; i < 3000; ++i)
            text += QString("a%1 b\n").arg(i % 7);
        for (const char *find : {"a(\\d)", "(?<=a)\\d*", "^|b", "\\b"}) {
            for (const bool backwards : {false, true}) {
                const FindParas paras = findParas("r0", QString::fromLatin1(find));
                const TextPattern here(paras);
                TextPattern worker(paras);
                worker.setLongWait([](const std::function<bool()> &done) {
                    while (!done()) {
                    }
                    return true;
                });
                const int start = backwards ? int(text.size()) : 0;
                int from = start;
                for (int step = 0; step < 600 && from >= 0 && from <= text.size(); ++step) {
                    const TextPattern::Match expected = here.find(text, from, backwards);
                    const TextPattern::Match got = worker.find(text, from, backwards);
                    QCOMPARE(got.position, expected.position);
                    QCOMPARE(got.length, expected.length);
                    if (expected.position < 0)
                        break;
                    const int stride = step % 50 == 49 ? 1 : qMax(1, expected.length);
                    from = step % 200 == 199 ? start
                                             : expected.position + (backwards ? -stride : stride);
                }
            }
        }
    }

    void replacementReferences_data() { JSON_ROWS("flags", "text", "find", "replace", "result"); }
    void replacementReferences()
    {
        FETCH_TEXTS(flags, text, find, replace);
        const TextPattern pattern(findParas(flags + '0', find));
        const TextPattern::Match match = pattern.find(text, 0, false);
        QVERIFY(match.position >= 0);
        QTEST(QString(text).replace(match.position, match.length,
                                    pattern.replacement(match, replace)),
              "result");
    }

    // The themes a search walks through, forwards and backwards from the root, and every match
    // found at once: a link group's subthemes once, under their holder.
    void walks_data() { JSON_ROWS("tree", "find", "forwards", "backwards", "found"); }
    void walks()
    {
        FETCH_TEXTS(tree, find);
        DocumentView on(tree);
        Theme *root = on.document.root();
        for (const bool backwards : {false, true}) {
            FindWalk walk;
            walk.standOn(root);
            QStringList met;
            bool wrapped = false;
            do {
                QVERIFY(walk.advance(root, FindParas::AllThemes, backwards, wrapped));
                met << walk.theme()->name();
            } while (walk.theme() != root && met.size() < 50);
            QTEST(met.join(' '), backwards ? "backwards" : "forwards");
        }
        FindAllSearch search;
        search.start(root, findParas("nd3", find));
        std::vector<FoundMatch> found;
        QVERIFY(search.run(found, 10000));
        QTEST(listed(found), "found");
    }

    // Go to's names after each step are those a fresh gathering finds, told at once; the last
    // list in order.
    void goToNames_data() { JSON_ROWS("tree", "script", "names"); }
    void goToNames()
    {
        FETCH_TEXTS(tree, script);
        DocumentView on(tree);
        on.view.show();
        GoToNames kept(on.document, nullptr);
        QSignalSpy told(&kept, &GoToNames::changed);
        for (const QString &step : script.split(' ')) {
            kept.update();
            const auto before = std::pair(kept.themes(), kept.names().text());
            told.clear();
            runOnView(on.view, on.named, step);
            GoToNames fresh(on.document, nullptr);
            fresh.update();
            kept.update();
            const auto now = std::pair(fresh.themes(), fresh.names().text());
            QVERIFY2(now == before || !told.isEmpty(), qPrintable(step));
            QVERIFY2(std::pair(kept.themes(), kept.names().text()) == now, qPrintable(step));
        }
        QStringList names;
        for (const Theme *theme : kept.themes())
            names << theme->name();
        QTEST(names.join(' '), "names");
    }

    // The tree narrowed to the matches, through a script of changes, then widened; the find-all
    // list of the same search at once after the script (a leaving branch empties it) and once it
    // ran again.
    void followsChanges_data()
    {
        JSON_ROWS("tree", "open", "find", "script", "narrowed", "listed", "widened");
    }
    void followsChanges()
    {
        FETCH_TEXTS(tree, open, find, script);
        DocumentView on(tree);
        on.view.show();
        for (const QString &name : open.split(' ', Qt::SkipEmptyParts))
            on.view.expand(on.view.rows().indexOf(on.named.value(name)));
        TreeFilter filter(&on.view);
        CorrectedTextEdit editor;
        FindAllPanel panel(&on.view, &editor, nullptr);
        filter.run(on.document.root(), findParas("nd3", find));
        panel.run(on.document.root(), findParas("nd3", find));
        QTRY_VERIFY(filter.state() == TreeFilter::State::Narrowed && panel.isComplete());
        QStringList narrowed{shownRows(on.view, filter, {})}, found;
        for (const QString &step : script.split(' ', Qt::SkipEmptyParts))
            runOnView(on.view, on.named, step);
        narrowed << shownRows(on.view, filter, {});
        found << listed(panel.matches());
        QTRY_VERIFY(panel.isComplete());
        QTEST(narrowed.join(" | "), "narrowed");
        QTEST((found << listed(panel.matches())).join(" | "), "listed");
        QVERIFY(filter.end());
        QTEST(shownRows(on.view, filter, {}), "widened");
    }

    // Replace all: one step of the history, the descriptions it changed dated today ("!").
    void replaceAll_data() { JSON_ROWS("tree", "find", "replace", "result"); }
    void replaceAll()
    {
        FETCH_TEXTS(tree, find, replace);
        fixClock(QDate(2024, 5, 6));
        ScriptedMessages boxes;
        DocumentView on(tree);
        CorrectedTextEdit editor;
        FindEngine engine(&on.view, on.undo, &editor, {[](Theme *) {}, [](Theme *) {}, [] {}},
                          nullptr);
        const auto texts = [&] {
            QStringList themes;
            walkThemes(
                    on.document.root(), [](Theme *theme) { return theme; },
                    [&](Theme *theme, int, int) {
                        themes << theme->name() + (theme->date() == Clock::today() ? "!" : "") +
                                          '[' + theme->description() + ']';
                    });
            return themes.join(',');
        };
        engine.findReplace(findParas("nd3", find, replace, FindParas::ReplaceAll));
        QTEST(texts(), "result");
        QCOMPARE(on.undo.undoText() + QString::number(on.undo.count()), "Replace All1");
        QCOMPARE(boxes.texts(), {"Return to start point\nДостигнута начальная точка поиска"});
        resetClock();
    }

    // The find dialog on its own.
    void keysAndValidation_data()
    {
        // setup: r replace mode, n "&Name" checked
        JSON_ROWS("setup", "find", "key", "expected");
    }

    void keysAndValidation()
    {
        FETCH_TEXTS(setup, find, key, expected);
        ScriptedMessages boxes;
        FindDialog dialog(setup.contains('r'));
        dialog.show();
        QSignalSpy finds(&dialog, &FindDialog::findAction);
        QSignalSpy replaces(&dialog, &FindDialog::replaceAction);
        QSignalSpy hided(&dialog, &FindDialog::hided);
        QSignalSpy lists(&dialog, &FindDialog::listAction);
        dialog.findField()->setText(find);
        child<QCheckBox>(dialog, "inName")->setChecked(setup.contains('n'));
        child<QCheckBox>(dialog, "inDescription")->setChecked(false);
        const QKeyCombination combination = QKeySequence::fromString(key)[0];
        QTest::keyClick(dialog.findField(), combination.key(), combination.keyboardModifiers());

        QString seen = boxes.count() == 1 ? boxes.texts().first() : QString();
        if (finds.count() + replaces.count() == 1)
            seen = QString(finds.count() ? "find " : "replace ") +
                   QString::number(dialog.paras().action);
        if (hided.count() == 1 && !dialog.isShown() && dialog.isHidden())
            seen = "hided";
        if (lists.count() == 1)
            seen = "list";
        QCOMPARE(seen, expected);
        QCOMPARE(boxes.count() + finds.count() + replaces.count() + hided.count() + lists.count(),
                 expected.isEmpty() ? 0 : 1);
    }

    void modesGatheringAndFocus()
    {
        FindDialog dialog(false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const QList<QWidget *> replacing = {dialog.replaceField(),
                                            child<QWidget>(dialog, "replaceLabel"),
                                            child<QWidget>(dialog, "replaceButton"),
                                            child<QWidget>(dialog, "replaceAllButton")};
        for (QWidget *widget : replacing)
            QVERIFY(!widget->isEnabled());
        QTest::keyClick(dialog.findField(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(dialog.findField()->hasFocus());

        dialog.setReplaceMode(true);
        for (QWidget *widget : replacing)
            QVERIFY(widget->isEnabled());
        for (QPushButton *button : dialog.findChildren<QPushButton *>())
            QCOMPARE(button->isEnabled(), !QString("<>").contains(button->text()));
        QTest::keyClick(dialog.findField(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(dialog.replaceField()->hasFocus());
        QTest::keyClick(dialog.replaceField(), Qt::Key_Backtab,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(dialog.findField()->hasFocus());
        QTest::keyClick(dialog.findField(), Qt::Key_Tab);
        QCOMPARE(dialog.findField()->text(), QString("\t"));

        dialog.findField()->setText("two\nlines");
        dialog.replaceField()->setText("by");
        child<QCheckBox>(dialog, "caseSensitiveOpt")->setChecked(true);
        child<QCheckBox>(dialog, "inName")->setChecked(false);
        child<QRadioButton>(dialog, "ofThemeWithSubthemes")->setChecked(true);
        dialog.close();
        const FindParas &p = dialog.paras();
        QCOMPARE((QList<bool>{p.caseSensitive, p.backwards, p.inName, p.inDescription}),
                 (QList<bool>{true, false, false, true}));
        QCOMPARE(p.scope, 2);
        QCOMPARE(p.findText, QString("two\nlines"));
        QCOMPARE(p.replaceText, QString("by"));
        QVERIFY(dialog.findField()->textCursor().hasSelection());
    }

    // An invalid regular expression is named in the status line and no key or button runs a
    // search until it is mended; plain text with the same characters runs.
    void invalidPatternDisablesTheSearch_data() { JSON_ROWS("options", "status", "enabled"); }
    void invalidPatternDisablesTheSearch()
    {
        FETCH_TEXTS(options, enabled);
        ScriptedMessages boxes;
        FindDialog dialog(true);
        dialog.show();
        QSignalSpy finds(&dialog, &FindDialog::findAction);
        QSignalSpy lists(&dialog, &FindDialog::listAction);
        child<QCheckBox>(dialog, "regularExpressionOpt")->setChecked(options.contains('r'));
        child<QCheckBox>(dialog, "wholeWordsOpt")->setChecked(options.contains('w'));
        dialog.findField()->setText(QTest::currentDataTag() == QByteArray("mended") ? "a(b)"
                                                                                    : "a(b");
        QTEST(child<QLabel>(dialog, "status")->text(), "status");
        for (const char *button : {"findNextButton", "nextThemeButton", "replaceButton",
                                   "replaceAllButton", "listButton"})
            QCOMPARE(child<QPushButton>(dialog, button)->isEnabled(), enabled == "yes");
        QTest::keyClick(dialog.findField(), Qt::Key_F3);
        QTest::keyClick(dialog.findField(), Qt::Key_F11);
        QCOMPARE(finds.count() + lists.count(), enabled == "yes" ? 2 : 0);
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(dialog.paras().regularExpression, options.contains('r'));
        QCOMPARE(dialog.paras().wholeWords, options.contains('w'));
    }

    // Every mnemonic of the dialog's buttons and boxes is its own.
    void mnemonicsAreDistinct()
    {
        FindDialog dialog(true);
        QMap<QChar, QString> taken;
        for (const QAbstractButton *button : dialog.findChildren<QAbstractButton *>()) {
            const qsizetype amp = button->text().indexOf('&');
            if (amp < 0 || amp + 1 >= button->text().size())
                continue;
            const QChar key = button->text()[amp + 1].toLower();
            QVERIFY2(!taken.contains(key), qPrintable(taken[key] + " / " + button->text()));
            taken[key] = button->text();
        }
        QCOMPARE(taken.size(), 9);
    }
};

QTEST_MAIN(TestFindTree)
#include "tst_findtree.moc"
