#include "app/Brambleweb.h"
#include "common/Clock.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindDialog.h"
#include "storage/TreeFile.h"
#include "support/ScriptedMessages.h"
#include "support/ThemeLookup.h"
#include "tree/LinkListView.h"
#include "tree/NameEditor.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Trees are written as tree files with "|" for line feeds.
static const char *linked = "|<!--1-->Notes|nothing|<!--2mark1-->Plan|see plan|<!--3-->Sub|plan B"
                            "|<!--1link1-->Plan link|<!--1-->Last|x";

class TestFindEngine : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    Brambleweb *m_window = nullptr;
    LinkListView *m_tree = nullptr;
    CorrectedTextEdit *m_editor = nullptr;

    void load(const QString &file)
    {
        QString text = file;
        loadTreeBytes(*m_tree, text.replace('|', '\n').toLatin1(), {}, {}, 0, nullptr);
    }

    void startAt(const QString &theme, int line, int column, bool treeFocus)
    {
        m_tree->setCurrentItem(theme == "/" ? m_tree->rootTheme() : findTheme(*m_tree, theme));
        m_editor->setSelection(line, column, line, column);
        (treeFocus ? static_cast<QWidget *>(m_tree) : m_editor)->setFocus();
    }

    // "R" for the return to the start point; else the current theme, the part and the index of
    // the selected match, checked to be the find text.
    QString outcome(ScriptedMessages &boxes, const QString &find)
    {
        QCoreApplication::processEvents();
        if (boxes.count() > 0) {
            const bool right =
                    boxes.wasShown("Search (Поиск)", "Return to start point\n"
                                                     "Достигнута начальная точка поиска");
            boxes.clear();
            return right ? "R" : "wrong box";
        }
        QString selected;
        QString where = m_tree->currentTheme()->name() + ":";
        if (m_tree->isRenaming()) {
            NameEditor *names = m_tree->nameEditor();
            selected = names->selectedText();
            where += "n" + QString::number(names->selectionStart());
            if (m_editor->textCursor().position() != 0 || m_editor->textCursor().hasSelection())
                return "editor cursor not at the start";
        } else {
            selected =
                    m_editor->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n');
            where += "d" + QString::number(m_editor->textCursor().selectionStart());
        }
        return selected.compare(find, Qt::CaseInsensitive) == 0 ? where : where + " " + selected;
    }

    QString treeText()
    {
        QStringList parts;
        std::function<void(QTreeWidgetItem *)> walk = [&](QTreeWidgetItem *item) {
            auto *theme = ColorListViewItem::themeOf(item);
            if (!theme->isNullItem())
                parts << theme->name() + "=" + theme->description();
            for (int i = 0; i < item->childCount(); ++i)
                walk(item->child(i));
        };
        walk(m_tree->rootTheme());
        return parts.join(';');
    }

    static FindParas paras(const QString &flags, const QString &find, const QString &replace)
    {
        FindParas p;
        p.inName = flags.contains('n');
        p.inDescription = flags.contains('d');
        p.caseSensitive = flags.contains('c');
        p.backwards = flags.contains('b');
        p.scope = flags.back().digitValue();
        p.findText = QString(find).replace('|', '\n');
        p.replaceText = replace;
        return p;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDir::setCurrent(m_dir.path());
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
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("start"); // theme, line, column, "t" for the tree focused
        QTest::addColumn<QString>("flags"); // n name, d description, c case, b backwards, scope
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<QString>("actions"); // one digit a step; "@l.c" moves the cursor first
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QString>("result"); // the whole tree afterwards, when it changes

        const QString one = "|<!--1-->A|abc abc|<!--1-->B|abc";
        QTest::newRow("wrap in one theme") << one << "A 0 4"
                                           << "d1"
                                           << "abc"
                                           << ""
                                           << "111"
                                           << "A:d4 A:d0 R"
                                           << "";
        QTest::newRow("moved cursor starts anew") << one << "A 0 4"
                                                  << "d1"
                                                  << "abc"
                                                  << ""
                                                  << "1@0.1 1 1"
                                                  << "A:d4 A:d4 A:d0"
                                                  << "";
        QTest::newRow("case") << "|<!--1-->A|Abc abc"
                              << "A 0 0"
                              << "dc1"
                              << "abc"
                              << ""
                              << "11"
                              << "A:d4 R"
                              << "";
        QTest::newRow("replace in two presses") << "|<!--1-->A|aXa"
                                                << "A 0 0"
                                                << "d1"
                                                << "a"
                                                << "aa"
                                                << "33"
                                                << "A:d0 A:d3"
                                                << "/=;A=aaXa";
        QTest::newRow("replace all to the start") << "|<!--1-->A|aXa"
                                                  << "A 0 0"
                                                  << "d1"
                                                  << "a"
                                                  << "aa"
                                                  << "4"
                                                  << "R"
                                                  << "/=;A=aaXaa";
        QTest::newRow("next theme, match before start") << one << "A 0 4"
                                                        << "d1"
                                                        << "abc"
                                                        << ""
                                                        << "22"
                                                        << "A:d0 R"
                                                        << "";
        QTest::newRow("next theme, match at start") << one << "A 0 0"
                                                    << "d1"
                                                    << "abc"
                                                    << ""
                                                    << "2"
                                                    << "R"
                                                    << "";
        QTest::newRow("only match before start") << "|<!--1-->A|y|<!--1-->B|axbbb"
                                                 << "B 0 3"
                                                 << "d3"
                                                 << "x"
                                                 << ""
                                                 << "11"
                                                 << "B:d1 R"
                                                 << "";
        QTest::newRow("backwards through the root") << "rx|<!--1-->A|a|<!--1-->Z|zx"
                                                    << "A 0 0"
                                                    << "db3"
                                                    << "x"
                                                    << ""
                                                    << "111"
                                                    << "/:d1 Z:d1 R"
                                                    << "";
        QTest::newRow("names, links, null items") << linked << "Notes 0 0 t"
                                                  << "nd3"
                                                  << "plan"
                                                  << ""
                                                  << "11111"
                                                  << "Plan:n0 Plan:d4 Sub:d0 Plan link:n0 R"
                                                  << "";
        QTest::newRow("subthemes once") << linked << "Plan 0 0"
                                        << "d2"
                                        << "plan"
                                        << ""
                                        << "111"
                                        << "Plan:d4 Sub:d0 R"
                                        << "";
        QTest::newRow("backwards subthemes") << linked << "Sub 0 6"
                                             << "bd2"
                                             << "plan"
                                             << ""
                                             << "11"
                                             << "Sub:d0 R"
                                             << "";
        QTest::newRow("leaf keeps its scope") << linked << "Sub 0 1"
                                              << "d2"
                                              << "plan"
                                              << ""
                                              << "11"
                                              << "Sub:d0 R"
                                              << "";
        QTest::newRow("line feeds selected exactly") << "|<!--1-->A|ab|cd"
                                                     << "A 0 0"
                                                     << "d1"
                                                     << "b|c"
                                                     << ""
                                                     << "1"
                                                     << "A:d1"
                                                     << "";
        QTest::newRow("replace all names and texts")
                << linked << "Last 0 0"
                << "nd3"
                << "plan"
                << "Idea"
                << "4"
                << "R"
                << "/=;Notes=nothing;Idea=see Idea;Sub=Idea B;Idea link=;Last=x";
    }

    void steps()
    {
        QFETCH(QString, tree);
        QFETCH(QString, start);
        QFETCH(QString, flags);
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(QString, actions);
        ScriptedMessages boxes;
        load(tree);
        const QStringList at = start.split(' ');
        startAt(at[0], at[1].toInt(), at[2].toInt(), at.size() > 3);
        QStringList seen;
        for (const QString &action : actions.split(' ')) {
            for (int i = 0; i < action.size(); ++i) {
                if (action[i] == '@') {
                    const QStringList lc = action.mid(i + 1).split('.');
                    m_editor->setSelection(lc[0].toInt(), lc[1].toInt(), lc[0].toInt(),
                                           lc[1].toInt());
                    break;
                }
                FindParas p = paras(flags, find, replace);
                p.action = action[i].digitValue();
                m_window->findReplace(p);
                seen << outcome(boxes, p.findText);
            }
        }
        QFETCH(QString, outcomes);
        QCOMPARE(seen.join(' '), outcomes);
        QFETCH(QString, result);
        if (!result.isEmpty())
            QCOMPARE(treeText(), result);
    }

    // Commands that arrive while a step lets the toolkit run between themes.
    void commandsDuringAStep_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("result");
        const QStringList back{"Return to start point\nДостигнута начальная точка поиска"};
        QTest::newRow("another step") << "step" << back << "/=;A=abc;B=abc";
        QTest::newRow("tree edit") << "insert" << back << "/=;A=abc;=;B=abc";
        QTest::newRow("file load") << "load" << QStringList() << "/=;C=abc";
        QTest::newRow("close, not saving") << "close"
                                           << QStringList{"Current file (Текущий файл)\n\nwas "
                                                          "changed.Save?(изменен. Сохранить?)"}
                                           << "/=";
    }

    void commandsDuringAStep()
    {
        QFETCH(QString, command);
        ScriptedMessages shown;
        load("|<!--1-->A|abc|<!--1-->B|abc");
        startAt("A", 0, 0, false);
        FindParas p = paras("nd3", "zzz", "");
        p.action = FindParas::ReplaceAll;
        bool fired = false;
        QTimer::singleShot(0, this, [&] {
            fired = true;
            if (command == "step")
                m_window->findReplace(p);
            else if (command == "insert")
                m_tree->menuTreeInsert_Into();
            else if (command == "load")
                load("|<!--1-->C|abc");
            else
                m_window->close();
        });
        m_window->treeDataChanged();
        shown.answerNext(Messages::Answer::No);
        m_window->findReplace(p);
        QVERIFY(fired);
        QFETCH(QStringList, boxes);
        QCOMPARE(shown.texts(), boxes);
        QFETCH(QString, result);
        QCOMPARE(treeText(), result);

        // The next search starts afresh; a name match whose theme went away opens nothing.
        m_window->show();
        load("|<!--1-->A|abc");
        startAt("A", 0, 0, true);
        p = paras("nd3", "a", "");
        p.action = FindParas::FindNext;
        m_window->findReplace(p);
        load("|<!--1-->A|abc");
        QCoreApplication::processEvents();
        QVERIFY(!m_tree->isRenaming());
    }
};

QTEST_MAIN(TestFindEngine)
#include "tst_findengine.moc"
