#include "app/Brambleweb.h"
#include "app/FileCommands.h"
#include "app/WindowSearch.h"
#include "common/Clock.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FilterRows.h"
#include "find/FindAllPanel.h"
#include "find/FindDialog.h"
#include "find/FindText.h"
#include "find/GoToThemePopup.h"
#include "find/SearchedText.h"
#include "find/TextPattern.h"
#include "find/ThemeMatcher.h"
#include "find/TreeFilter.h"
#include "support/FileBytes.h"
#include "support/FindFlags.h"
#include "support/JsonRows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "support/WindowTree.h"
#include "tree/NameEditor.h"
#include "tree/TreeDragDrop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTreeView>

// Searching through a real main window: the find engine's steps and commands, going to a theme by
// name, the list of every match and the tree narrowed to the matches.
class TestFindAll : public QObject
{
    Q_OBJECT
    const QString backAtStart = "Return to start point\nДостигнута начальная точка поиска";
    Brambleweb *m_window = nullptr;
    ThemeView *m_tree = nullptr;
    CorrectedTextEdit *m_editor = nullptr;

    // The rows of a list view: its columns joined by " ", the match of a marked cell in [].
    static QString rows(QTreeView *list, int columns)
    {
        QStringList shown;
        const QAbstractItemModel *model = list->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < columns; ++column) {
                QString cell = model->index(row, column).data().toString();
                if (const QPoint mark = model->index(row, column).data(Qt::UserRole).toPoint();
                    !model->index(row, column).data(Qt::UserRole).isNull())
                    cell.insert(mark.x() + mark.y(), ']').insert(mark.x(), '[');
                cells << cell;
            }
            shown << cells.join(' ');
        }
        return shown.join("; ");
    }

    // The tree of the outline, as read from its file.
    void load(const QString &outline) { loadOutlineFile(*m_tree, outline); }

    void startAt(const QString &theme, int line, int column, bool treeFocus)
    {
        m_tree->setCurrentTheme(themeNamed(*m_tree, theme));
        m_editor->setSelection(line, column, line, column);
        (treeFocus ? static_cast<QWidget *>(m_tree) : m_editor)->setFocus();
    }

    // "R" (back at the start point), "S" (stopped), or theme:part+index of the selected match.
    QString outcome(ScriptedMessages &boxes, const QString &find)
    {
        QCoreApplication::processEvents();
        // The cursor's index in the text, which a long line's cuts do not count.
        const ColumnLine at = m_editor->cursorLineCol();
        const QString index =
                QString::number(FindText::indexAt(m_editor->text(), at.line, at.column));
        if (boxes.count() > 0) {
            const bool right = boxes.wasShown("Search (Поиск)", backAtStart);
            const bool stopped = boxes.wasShown("Search (Поиск)", TextPattern::stoppedText());
            const bool ended = boxes.wasShown("Search (Поиск)", TextPattern::interruptedText());
            boxes.clear();
            // Ended by Escape: where the cursor stayed.
            return right ? "R" : stopped ? "S" : ended ? "X" + index : "wrong box";
        }
        QString selected;
        QString where = m_tree->currentTheme()->name() + ":";
        if (m_tree->isRenaming()) {
            QLineEdit *names = m_tree->nameEditor();
            selected = names->selectedText();
            where += "n" + QString::number(names->selectionStart());
            if (m_editor->textCursor().position() != 0 || m_editor->textCursor().hasSelection())
                return "editor cursor not at the start";
        } else {
            selected = m_editor->selectedText();
            where += "d" + index;
        }
        return selected.compare(find, Qt::CaseInsensitive) == 0 ? where : where + " " + selected;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Clock::setNow(QDateTime(QDate(2026, 12, 6), QTime(9, 5)));
        m_window = new Brambleweb(QString(), nullptr, "Main");
        m_window->show();
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_tree = m_window->tree();
        m_editor = m_window->editor();
    }

    void steps_data()
    {
        JSON_ROWS("tree", "start", "flags", "find", "replace", "actions", "outcomes", "result");
    }

    void steps()
    {
        FETCH_TEXTS(tree, start, flags, find, replace, actions, result);
        ScriptedMessages boxes;
        load(tree);
        const QString read = outlineOf(*m_tree, true);
        const QStringList at = start.split(' ');
        startAt(at[0], at[1].toInt(), at[2].toInt(), at.size() > 3);
        QStringList seen;
        for (const QString &action : actions.split(' ')) {
            for (int i = 0; i < action.size(); ++i) {
                if (action[i] == 'e') { // the user types at the end of the text
                    m_editor->moveCursor(QTextCursor::End);
                    QTest::keyClicks(m_editor, "e");
                    continue;
                }
                if (action[i] == 'x') { // Escape, waiting when the next step begins
                    QCoreApplication::postEvent(
                            m_editor, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
                    continue;
                }
                if (action[i] == '@') {
                    const QStringList lc = action.mid(i + 1).split('.');
                    m_editor->setSelection(lc[0].toInt(), lc[1].toInt(), lc[0].toInt(),
                                           lc[1].toInt());
                    break;
                }
                FindParas p = findParas(flags, find, replace);
                p.action = action[i].digitValue();
                m_window->search()->findReplace(p);
                seen << outcome(boxes, p.findText);
            }
        }
        QTEST(seen.join(' '), "outcomes");
        if (result.isEmpty())
            return;
        QCOMPARE(outlineOf(*m_tree, true), result);
        QCOMPARE(m_editor->toPlainText(), m_tree->currentTheme()->description()); // shown as is
        // Undone, every replace (a replace-all as one step) gives back the tree as read.
        m_tree->setFocus();
        const int replaces = actions.count('3') > 1 ? 1 : 0;
        QCOMPARE(m_window->undoHistory().count(), replaces + int(actions.count('4')));
        while (m_window->undoHistory().canUndo())
            m_tree->menuUndo();
        QCOMPARE(outlineOf(*m_tree, true), read);
        while (m_window->undoHistory().canRedo())
            m_tree->menuRedo();
        QCOMPARE(outlineOf(*m_tree, true), result);
    }

    // A name match found while another window was active takes the keys once its window is up.
    void nameMatchTakesTheKeysLate()
    {
        load("Abc[x]");
        startAt("Abc", 0, 0, true);
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        m_window->search()->findReplace(findParas("n1", "b", "", FindParas::FindNext));
        QTRY_VERIFY(m_tree->nameEditor() && QApplication::focusWidget() == m_tree->nameEditor());
        QCOMPARE(m_tree->nameEditor()->selectedText(), QString("b"));
        QTest::keyClick(m_tree->nameEditor(), Qt::Key_Escape);
    }

    void windowCommands()
    {
        ScriptedMessages boxes;
        m_window->search()->menuFindNext(); // without a dialog: opens it in find mode, runs nothing
        FindDialog *dialog = m_window->search()->findDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isShown());
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(dialog));
        QVERIFY(!dialog->replaceField()->isEnabled());
        m_window->search()->menuReplaceAll(); // the dialog gathered nothing yet
        QCOMPARE(boxes.texts(), QStringList{"Не задана строка поиска (Nothing to find)"});
        QApplication::setActiveWindow(m_window); // the open dialog comes forward again
        m_window->search()->menuReplace();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(dialog));
        QVERIFY(dialog->replaceField()->isEnabled());
        m_editor->setPlainText("text");
        m_editor->selectAll();
        dialog->close();
        QVERIFY(!dialog->isShown());
        QVERIFY(!m_editor->textCursor().hasSelection());
    }

    // Commands that arrive while a step lets the toolkit run between themes.
    void commandsDuringAStep_data() { JSON_ROWS("command", "boxes", "result"); }

    void commandsDuringAStep()
    {
        QFETCH(QString, command);
        ScriptedMessages shown;
        load("A[abc],B[abc]");
        startAt("A", 0, 0, false);
        FindParas p = findParas("nd3", "zzz", "", FindParas::ReplaceAll);
        bool fired = false;
        QTimer::singleShot(0, this, [&] {
            fired = true;
            if (command == "step")
                m_window->search()->findReplace(p);
            else if (command == "insert")
                m_tree->menuTreeInsert_Into();
            else if (command == "load")
                load("C[abc]");
            else
                m_window->close();
        });
        {
            const DocumentUndo::Step edit(m_window->undoHistory(), "Edit");
            Theme *root = m_window->document().root();
            m_window->document().setThemeDate(root, root->date().addDays(1));
        }
        shown.answerNext(Messages::Answer::No);
        m_window->search()->findReplace(p);
        QVERIFY(fired);
        QTEST(shown.texts().join('|'), "boxes");
        QCoreApplication::processEvents(); // a closed window lets go of its document after the step
        QTEST(outlineOf(*m_tree, true), "result");

        // The next search starts afresh; a name match whose theme went away opens nothing.
        m_window->show();
        load("A[abc]");
        startAt("A", 0, 0, true);
        m_window->search()->findReplace(findParas("nd3", "a", "", FindParas::FindNext));
        load("A[abc]");
        QCoreApplication::processEvents();
        QVERIFY(!m_tree->isRenaming());
    }
    void positions()
    {
        const QString text = "ab\ncd\n";
        const auto at = [&](int line, int column) { return FindText::indexAt(text, line, column); };
        QCOMPARE((QList<int>{at(1, 0), at(1, 9), at(2, 0), at(7, 1)}), (QList<int>{3, 5, 6, 6}));
        for (int index = 0; index <= text.size(); ++index)
            QCOMPARE(at(FindText::positionAt(text, index).line,
                        FindText::positionAt(text, index).column),
                     index);
        QCOMPARE(FindText::positionAt(text, 2), (ColumnLine{2, 0}));
    }

    // Replace all runs as the engine does it, on a plain string and on the searched text.
    void replaceAllMatchesPlainStrings()
    {
        const QStringList finds{"a", "ab", "aa", "ba", "Ab"};
        const QStringList replacements{"", "b", "ab", "aab", "B"};
        QRandomGenerator random(7);
        for (int round = 0; round < 3000; ++round) {
            QString plain;
            for (int i = random.bounded(12); i > 0; --i)
                plain += QChar(u"abAB"[random.bounded(4)]);
            const QString find = finds[random.bounded(finds.size())];
            const QString replacement = replacements[random.bounded(replacements.size())];
            const bool backwards = random.bounded(2);
            const bool cs = random.bounded(2);
            SearchedText searched;
            searched.reset(plain, backwards);
            int from = backwards ? int(plain.size()) : 0;
            for (;;) {
                const int found = FindText::occurrence(plain, find, from, backwards, cs);
                QCOMPARE(searched.occurrence(find, from, cs), found);
                if (found < 0)
                    break;
                QCOMPARE(searched.slice(found, int(find.size())), plain.mid(found, find.size()));
                plain.replace(found, find.size(), replacement);
                searched.replace(found, int(find.size()), replacement);
                QCOMPARE(searched.size(), int(plain.size()));
                from = backwards ? found - 1 : found + int(replacement.size());
            }
            QCOMPARE(searched.text(), plain);
        }
    }

    void goToTheme_data() { JSON_ROWS("outline", "typed", "listed", "keys", "reached"); }

    void goToTheme()
    {
        FETCH_TEXTS(outline, typed, keys, reached);
        ScriptedMessages boxes;
        buildOutline(*m_tree, outline);
        if (Theme *empty = themeNamed(*m_tree, "EMPTY"))
            empty->setName(QString());
        m_tree->setCurrentTheme(m_window->document().root());
        const int visits = m_tree->history().size();
        QTest::keyClick(m_tree, Qt::Key_G, Qt::ControlModifier);
        GoToThemePopup *popup = m_window->search()->goToPopup();
        QVERIFY(popup && popup->isVisible());
        QVERIFY(QRect(m_tree->mapToGlobal(QPoint()), m_tree->size())
                        .contains(popup->mapToGlobal(QPoint())));
        // As a keyboard layout of any script sends them; ~ erases.
        for (const QChar typedChar : typed) {
            QKeyEvent press(QEvent::KeyPress, typedChar == '~' ? Qt::Key_Backspace : 0,
                            Qt::NoModifier, typedChar == '~' ? QString() : QString(typedChar));
            QApplication::sendEvent(popup->field(), &press);
        }
        QTEST(rows(popup->list(), 2), "listed");
        for (const QString &key : keys.split(' ', Qt::SkipEmptyParts))
            QTest::keySequence(popup->field(), QKeySequence(key));
        QVERIFY(!popup->isVisible());
        QCOMPARE(m_tree->currentTheme()->name(), reached);
        QCOMPARE(m_tree->history().size(), visits + (reached == "/" ? 0 : 1));
        QVERIFY(reached == "/" || m_tree->history().atCursor() == m_tree->currentTheme());
        Theme *parent = m_tree->currentTheme()->parent();
        QVERIFY(!parent || m_tree->isOpen(parent));
    }

    // A change that renames or inserts themes reaches the names of the next Ctrl+G.
    // A branch comes under `theme` by one of the ways that add themes without typing: "insert"
    // (a file), "dropfile", "generate" (from the theme's description) or "dropforeign" (a theme
    // of another window).
    bool bringInBranch(const QString &how, Theme *theme)
    {
        m_tree->setCurrentTheme(theme);
        if (how == "generate") {
            m_window->editor()->setPlainText("<!--1-->Made\nx");
            m_window->editor()->setEdited(true);
            m_window->menuGenerateTree();
            return true;
        }
        if (how == "dropforeign") {
            Brambleweb other(QString(), nullptr, "Main");
            buildOutline(*other.tree(), "Far[far x]");
            ThemeView *far = other.tree();
            Q_EMIT m_tree->dragDrop()->foreignThemeDropped(
                    far, far->rows().indexOf(themeNamed(*far, "Far")),
                    m_tree->rows().indexOf(theme), DropSite::DropPlace::Into);
            return true;
        }
        const QString file = QDir::current().absoluteFilePath("dropped.brw");
        if (!writeBytes(file, "\xEF\xBB\xBF\n<!--1-->Inside\nx\n"))
            return false;
        ScriptedFileDialogs dialogs;
        dialogs.chooseNext(file);
        if (how == "dropfile")
            Q_EMIT m_tree->dragDrop()->filesDropped({file}, m_tree->rows().indexOf(theme));
        else if (how == "insert")
            m_window->files()->menuAppendFileGUI();
        else
            return false;
        return true;
    }

    void goToFollowsEveryChange_data() { JSON_ROWS("typed", "listed"); }
    void goToFollowsEveryChange()
    {
        const QString change = QTest::currentDataTag();
        ScriptedMessages boxes;
        buildOutline(*m_tree, "Alpha(beta),Gamma");
        m_tree->setCurrentTheme(m_window->document().root());
        QTest::keyClick(m_tree, Qt::Key_G, Qt::ControlModifier);
        GoToThemePopup *popup = m_window->search()->goToPopup();
        QTest::keyClick(popup->field(), Qt::Key_Return); // the names stay gathered
        Theme *gamma = themeNamed(*m_tree, "Gamma");
        m_tree->setCurrentTheme(gamma);
        if (change.startsWith("replace")) { // a single Replace finds first, then replaces
            for (int step = 0; step < 2; ++step)
                m_window->search()->findReplace(findParas(
                        "n3", "Alpha", "Delta",
                        change == "replace" ? FindParas::Replace : FindParas::ReplaceAll));
        } else {
            QVERIFY(bringInBranch(change, gamma));
        }
        m_tree->setFocus();
        QTest::keyClick(m_tree, Qt::Key_G, Qt::ControlModifier);
        QVERIFY(popup->listedThemes() == ThemeMatcher::reachableThemes(m_window->document()));
        QFETCH(QString, typed);
        popup->field()->setText(typed);
        QTEST(rows(popup->list(), 2), "listed");
    }

    void subsequenceSpan_data() { JSON_ROWS("name", "query", "span"); }

    void subsequenceSpan()
    {
        FETCH_TEXTS(name, query);
        QTEST(QString::number(ThemeMatcher::subsequenceSpan(name, query)), "span");
    }

    // Names and queries fold alike, a character outside the basic plane as a whole.
    void folding_data() { JSON_ROWS("text", "folded"); }
    void folding()
    {
        QFETCH(QString, text);
        QTEST(ThemeMatcher::folded(text), "folded");
        ThemeMatcher::FoldedNames names;
        names.append(text);
        names.append(text);
        QTEST(names.name(1).toString(), "folded");
    }

    void filterPlaces_data() { JSON_ROWS("rows", "places"); }
    void filterPlaces()
    {
        QFETCH(QString, rows);
        std::vector<FilterRows::Row> parsed;
        for (const QString &row : rows.split(' '))
            parsed.push_back({row.left(1).toInt(), row.endsWith('*')});
        QStringList places;
        for (FilterRows::Place place : FilterRows::places(parsed))
            places << QString("ihso"[int(place)]);
        QTEST(places.join(' '), "places");
    }

    // The tree narrowed by F8 to the themes that match the dialog's text, and shown whole again.
    void filterTree_data() { JSON_ROWS("outline", "find", "steps", "shown", "end", "after"); }
    void filterTree()
    {
        FETCH_TEXTS(outline, find, steps, shown, end);
        ScriptedMessages boxes;
        buildOutline(*m_tree, outline);
        m_tree->collapseAll();
        for (const char *open : {"/", "Epsilon"})
            if (Theme *theme = themeNamed(*m_tree, open))
                m_tree->expand(m_tree->rows().indexOf(theme));
        m_tree->setCurrentTheme(m_window->document().root());
        const auto inSight = [this] { // the rows the view shows: "*" bold
            QStringList rows;
            const TreeFilter *filter = m_window->search()->treeFilter();
            for (QModelIndex row = m_tree->rows().index(0, 0); row.isValid();
                 row = m_tree->indexBelow(row)) {
                const bool bold = filter && filter->isMarked(ThemeTreeModel::themeAt(row));
                rows << (bold ? "*" : "") + row.data().toString();
            }
            return rows.join(' ');
        };
        m_window->search()->menuFind();
        m_window->search()->findDialog()->findField()->setText(find);
        m_window->search()->findDialog()->close();
        QTest::keyClick(m_tree, Qt::Key_F8);
        if (!shown.isEmpty()) {
            QTRY_COMPARE(m_window->search()->treeFilter()->state(), TreeFilter::State::Narrowed);
            for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
                if (step.startsWith('@'))
                    m_tree->setCurrentTheme(themeNamed(*m_tree, step.mid(1)));
                else if (step == "rename")
                    m_window->document().renameTheme(m_tree->currentTheme(), "New");
                else
                    QTest::keySequence(m_tree, QKeySequence(step));
                const QModelIndex current = m_tree->currentIndex();
                QVERIFY(!m_tree->isRowHidden(current.row(), current.parent()));
            }
            QTEST(inSight(), "shown");
        }
        QTest::keySequence(m_tree, QKeySequence(end));
        QTest::qWait(10);
        QCOMPARE(m_window->search()->treeFilter()->state(), TreeFilter::State::Off);
        QTEST(inSight(), "after");
    }

    void findAll_data()
    {
        JSON_ROWS("file", "search", "listed", "change", "after", "go", "stands");
    }

    void findAll()
    {
        FETCH_TEXTS(file, search, change, go);
        ScriptedMessages boxes;
        loadOutlineFile(*m_tree, file);
        const QStringList what = search.split(" / ");
        const QString flags = what[0].section(' ', 0, 0);
        const QString start = what[0].section(' ', 1);
        m_tree->setCurrentTheme(start.isEmpty() ? m_window->document().root()
                                                : themeNamed(*m_tree, start));
        m_window->search()->menuFindAll(); // opens the dialog
        FindDialog *dialog = m_window->search()->findDialog();
        dialog->findField()->setText(what[1]);
        for (auto [box, flag] : {std::pair{"inName", 'n'},
                                 {"inDescription", 'd'},
                                 {"caseSensitiveOpt", 'c'},
                                 {"regularExpressionOpt", 'r'},
                                 {"wholeWordsOpt", 'w'}})
            dialog->findChild<QAbstractButton *>(box)->setChecked(flags.contains(flag));
        const char *scopes[] = {"", "ofTheme", "ofThemeWithSubthemes", "ofAllThemes"};
        dialog->findChild<QAbstractButton *>(scopes[flags.back().digitValue()])->setChecked(true);
        QTest::mouseClick(dialog->findChild<QPushButton *>("listButton"), Qt::LeftButton);
        FindAllPanel *panel = m_window->search()->findAllPanel();
        const auto listed = [&] { return rows(panel->list(), 3) + " | " + panel->countText(); };
        QTRY_VERIFY(panel->isComplete());
        QTEST(listed(), "listed");
        QStringList seen;
        for (const QString &step : change.split(", ", Qt::SkipEmptyParts)) {
            const QStringList words = step.split(' ');
            if (words[0] == "delete") {
                m_tree->setCurrentTheme(themeNamed(*m_tree, words.mid(1).join(' ')));
                m_tree->menuDelete();
            } else if (words[0] == "rename") {
                m_tree->setCurrentTheme(themeNamed(*m_tree, words[1]));
                m_tree->menuEditThemeName();
                m_tree->nameEditor()->selectAll();
                m_tree->nameEditor()->insert(words[2]);
                QTest::keyClick(m_tree->nameEditor(), Qt::Key_Return);
            } else if (words[0] == "stop") { // Escape before the search ends
                QTest::mouseClick(dialog->findChild<QPushButton *>("listButton"), Qt::LeftButton);
                QTest::keyClick(panel->list(), Qt::Key_Escape);
            } else if (words[0] == "replaceall") {
                m_window->search()->findReplace(
                        findParas("nd3", words[1], words[2], FindParas::ReplaceAll));
            } else if (words[0] == "type") { // at the start of the theme's description
                m_tree->setCurrentTheme(themeNamed(*m_tree, words[1]));
                m_window->editor()->moveCursor(QTextCursor::Start);
                QTest::keyClicks(m_window->editor(), words[2]);
            } else if (words[0] == "undo" || words[0] == "redo") {
                words[0] == "undo" ? m_tree->menuUndo() : m_tree->menuRedo();
            } else {
                QVERIFY(bringInBranch(words[0], themeNamed(*m_tree, words.mid(1).join(' '))));
            }
            // No row ever stands on a theme that is gone, not even before the list is renewed.
            for (const FoundMatch &match : panel->matches())
                QVERIFY(m_window->document().contains(match.theme));
            QTRY_VERIFY(panel->isComplete());
            seen << listed();
        }
        QTEST(seen.join('|'), "after");
        if (go.isEmpty())
            return;
        panel->list()->setCurrentIndex(panel->list()->model()->index(go.toInt(), 0));
        panel->list()->setFocus();
        QTest::keyClick(panel->list(), Qt::Key_Return);
        // Where the window stands: theme, then "n"/"d" and the selection in the name or text.
        QTEST(m_tree->currentTheme()->name() +
                      (m_tree->isRenaming()
                               ? " n" + m_tree->nameEditor()->selectedText()
                               : " d" + m_window->editor()->textCursor().selectedText()),
              "stands");
        m_tree->closeNameEditor();
    }
};

QTEST_MAIN(TestFindAll)
#include "tst_findall.moc"
