#include "app/Brambleweb.h"
#include "app/WindowSearch.h"
#include "common/Clock.h"
#include "find/FindDialog.h"
#include "find/FindText.h"
#include "find/SearchedText.h"
#include "find/TextPattern.h"
#include "support/FindFlags.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/TreeOutline.h"
#include "support/WindowTree.h"
#include "tree/NameEditor.h"

#include <QApplication>
#include <QRandomGenerator>

class TestFindEngine : public QObject
{
    Q_OBJECT
    const QString backAtStart = "Return to start point\nДостигнута начальная точка поиска";
    Brambleweb *m_window = nullptr;
    ThemeView *m_tree = nullptr;
    CorrectedTextEdit *m_editor = nullptr;

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
};

QTEST_MAIN(TestFindEngine)
#include "tst_findengine.moc"
