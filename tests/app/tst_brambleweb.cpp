#include "app/DetachedWindows.h"
#include "app/LocationMode.h"
#include "app/OutsideThemeDialog.h"
#include "common/Clock.h"
#include "common/Sound.h"
#include "reminder/Reminder.h"
#include "reminder/ReminderParser.h"
#include "storage/TreeFile.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"
#include "support/TreeOutline.h"
#include "support/WindowSteps.h"
#include "support/WindowTree.h"
#include "tree/ReminderDialog.h"
#include "tree/ReminderHost.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

#include <optional>

using Answer = Messages::Answer;

class TestBrambleweb : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_sample;
    QStringList m_sounds;

    std::optional<ScriptedMessages> m_boxes;

    Brambleweb *openSample() { return openWindow(m_sample); }

    // A window on the outline, themes dated today; "now" is the next day from here on.
    static Brambleweb *outlineWindow(const QString &outline, const QString &current)
    {
        Brambleweb *window = openWindow(QString());
        buildOutline(*window->tree(), outline);
        window->tree()->setCurrentTheme(themeNamed(*window->tree(), current));
        Clock::setNow(Clock::now().addDays(1));
        return window;
    }

    // Ctrl+S in the window, active as it is when the user types there, answering its question.
    void saveWith(OutsideThemeDialog *window, std::optional<Answer> answer = {})
    {
        if (answer)
            m_boxes->answerNext(*answer);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->editor(), Qt::Key_S, Qt::ControlModifier);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDir::setCurrent(m_dir.path());
        m_sample = m_dir.filePath("sample.brw");
        QVERIFY(QFile::copy(BRW_SAMPLE, m_sample));
        Sound::setPlayer([this](const QString &file) { m_sounds.append(file); });
    }

    void init()
    {
        Clock::setNow(QDateTime(QDate(2026, 12, 6), QTime(9, 5)));
        m_boxes.emplace();
    }
    void cleanup() { m_boxes.reset(); }

    void windowsOpenFromTheLastFileToTheFirst()
    {
        BRWApplication *application = BRWApplication::instance();
        const size_t before = application->windows().size();
        QFile::copy(m_sample, m_dir.filePath("a.brw"));
        QFile::copy(m_sample, m_dir.filePath("b.brw"));
        application->openWindows({m_dir.filePath("a.brw"), m_dir.filePath("b.brw")});
        application->openWindows({});
        QStringList opened;
        for (size_t i = before; i < application->windows().size(); ++i) {
            Brambleweb *window = application->windows().at(i);
            opened << window->windowTitle() + '|' + window->objectName() + '|' +
                              QString::number(window->isVisible());
            window->close();
        }
        QCOMPARE(opened,
                 QStringList({"BRW - b.brw|Main|1", "BRW - a.brw|Main|1", "BRW - |Main|1"}));
        QCOMPARE(m_boxes->count(), 0);
    }

    void descriptionsTravelBetweenEditorAndTree()
    {
        Brambleweb *window = openSample();
        ThemeView *tree = window->tree();
        QVERIFY(window->editor()->text().startsWith("Welcome to BRW"));

        Theme *renaming = themeNamed(*tree, "Renaming");
        Theme *ideas = themeNamed(*tree, "Ideas");
        const QDate renamingDate = renaming->date();
        tree->setCurrentTheme(renaming);
        QCOMPARE(window->editor()->text(), renaming->description());
        // Moving the cursor alone stores the cursor, not the text or a date.
        QTextCursor cursor = window->editor()->textCursor();
        cursor.setPosition(window->editor()->document()->findBlockByNumber(1).position() + 3);
        window->editor()->setTextCursor(cursor);
        tree->setCurrentTheme(ideas);
        QCOMPARE(renaming->date(), renamingDate);
        QVERIFY(!window->isModified());
        QCOMPARE(window->savedCursor(renaming), qMakePair(1, 3));

        typeInto(window, "typed ");
        QCOMPARE(window->windowTitle(), QString("BRW - * sample.brw"));
        tree->setCurrentTheme(renaming);
        const QTextCursor back = window->editor()->textCursor();
        QVERIFY(ideas->description().contains("typed "));
        QCOMPARE(ideas->date(), QDate(2026, 12, 6));
        QVERIFY(!window->editor()->isEdited());
        QCOMPARE(m_boxes->texts(), QStringList());
        QCOMPARE(qMakePair(back.blockNumber(), back.positionInBlock()), qMakePair(1, 3));
        // Past the cut of a long line the place kept is the line's column.
        window->document().setThemeDescription(ideas, "x\n" + QString(5000, 'y'));
        tree->setCurrentTheme(ideas);
        window->editor()->setCursorLineCol({4500, 1});
        tree->setCurrentTheme(renaming);
        QCOMPARE(window->savedCursor(ideas), qMakePair(1, 4500));
        tree->setCurrentTheme(ideas);
        QCOMPARE(window->editor()->cursorLineCol(), (ColumnLine{4500, 1}));
        tree->setCurrentTheme(themeNamed(*tree, "Планы"));
        window->updateStatus();
        QCOMPARE(QStringList({window->statusTextLabel()->text(), window->levelLabel()->text(),
                              window->dateLabel()->text(), window->clockLabel()->text()}),
                 QStringList({"Планы", " 02", " 04.12.2026", " 09:05"}));

        closeUnsaved(window);
        QVERIFY(!window->isVisible());
    }

    void focusAndActionState()
    {
        Brambleweb *window = openSample();
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        ThemeView *tree = window->tree();
        tree->setFocus();
        QTRY_VERIFY(window->actionState() & Brambleweb::TreeHasFocus);
        // Undo and redo only when there is a step to take back or make again.
        for (QAction *action : window->treeActions())
            QCOMPARE(action->isEnabled(), !action->objectName().endsWith("do"));

        // Ctrl+Z in the tree takes back its last change, and not the description typed before
        // it; in the description it is the editor's own.
        Theme *renamed = themeNamed(*tree, "Renaming");
        WALK_STEPS(window, "undo");
        QVERIFY(tree->currentTheme() == renamed);
        for (const QString name : {"undo", "redo"}) // the tool buttons follow the history
            QCOMPARE(window->findChild<QToolButton *>(name)->isEnabled(),
                     name == "undo" ? window->undoHistory().canUndo()
                                    : window->undoHistory().canRedo());
        const QString text = window->editor()->text();
        WALK_STEPS(window, "editor undo");
        QCOMPARE(window->editor()->text(), text);
        QVERIFY(themeNamed(*tree, "Renaming") == renamed);
        WALK_STEPS(window, "return");
        QVERIFY(!(window->actionState() & Brambleweb::TreeHasFocus));
        for (QAction *action : window->treeActions())
            QVERIFY(!action->isEnabled());
        // The tree's keys are the description's now.
        const QString outline = outlineOf(*tree);
        WALK_STEPS(window, "tree keys");
        QCOMPARE(outlineOf(*tree), outline);
        WALK_STEPS(window, "tab");
        tree->setCurrentTheme(themeNamed(*tree, "Saving"));
        QTest::keyClick(tree, Qt::Key_F2);
        QVERIFY(tree->isRenaming());
        QVERIFY(window->actionState() & Brambleweb::RenamingTheme);
        QVERIFY(!window->findChild<QAction *>("delete")->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!(window->actionState() & Brambleweb::RenamingTheme));

        // Location mode: the arrows move the window, Escape ends the mode.
        window->location()->menuLocation();
        QVERIFY(window->location()->isOn());
        for (QAction *action : window->treeActions()) // redo, which has a step to make, too
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
        const QSize size = window->size();
        QTest::keyClick(tree, Qt::Key_Right, Qt::AltModifier);
        QTest::keyClick(tree, Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(window->size(), size + QSize(32, 12));
        const QPoint position = window->pos();
        QTest::keyClick(tree, Qt::Key_Right);
        QTest::keyClick(tree, Qt::Key_Down, Qt::ShiftModifier); // a modified arrow moves too
        QTest::keyClick(tree, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(m_boxes->texts(), QStringList{"This function is disabled\nФункция отключена"});
        QCOMPARE(window->pos(), position + QPoint(16, 12));

        QTest::keyClick(tree, Qt::Key_Escape);
        QVERIFY(!window->location()->isOn());
        QVERIFY(window->findChild<QAction *>("delete")->isEnabled());

        // A mouse press anywhere ends the mode: tree, description, tool bar, menu bar's empty end.
        for (QWidget *widget : {tree->viewport(), window->editor()->viewport(),
                                static_cast<QWidget *>(window->findChild<QToolBar *>()),
                                static_cast<QWidget *>(window->menuBar())}) {
            window->location()->menuLocation();
            QVERIFY(window->location()->isOn());
            // A tool bar is pressed on its handle, where no button is.
            const QPoint at(qobject_cast<QToolBar *>(widget) ? 3 : widget->width() - 3, 3);
            QTest::mousePress(widget, Qt::LeftButton, {}, at);
            QVERIFY2(!window->location()->isOn(), widget->metaObject()->className());
            QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
        }
        window->close();
    }

    void ctrlTabCtrlKPrefixAndHistoryKeys()
    {
        Brambleweb *first = openSample();
        Brambleweb *window = openSample();
        for (Brambleweb *active : {first, window}) {
            QApplication::setActiveWindow(active);
            QTRY_COMPARE(QApplication::activeWindow(), active);
        }
        ThemeView *tree = window->tree();
        WALK_STEPS(window, "history");
        QTest::keyClick(tree, Qt::Key_K, Qt::ControlModifier);
        QTest::keyClick(tree, Qt::Key_Control, Qt::ControlModifier); // modifiers alone wait
        QVERIFY(window->isCtrlKPending());
        QTest::keyClick(tree, Qt::Key_X);
        QVERIFY(!window->isCtrlKPending());
        WALK_STEPS(window, "after Ctrl+K");

        // Ctrl+K then 6 asks first; No changes nothing.
        m_boxes->answerNext(Messages::Answer::No);
        QTest::keyClick(window->editor(), Qt::Key_K, Qt::ControlModifier);
        QTest::keyClick(window->editor(), Qt::Key_6);
        QCOMPARE(m_boxes->texts(),
                 QStringList{"It crash this program (BRW)\nПрограмма будет аварийно завершена"});
        QCOMPARE(m_boxes->shown().first().buttons, Messages::Buttons::YesNo);
        QVERIFY(!window->isCtrlKPending());
        QVERIFY(!window->editor()->text().contains('6'));
        QVERIFY(window->previousWindow() == first);
        QTest::keyClick(window->tree(), Qt::Key_Tab, Qt::ControlModifier);
        QTRY_COMPARE(QApplication::activeWindow(), first);
        QCOMPARE(first->previousWindow(), window);
        first->close();
        window->close();
    }

    // Ctrl+Z takes back a link's opening: the link closes over its null item, which no key, click
    // or history step makes current, nor records.
    void nullItemsAreNeverCurrent()
    {
        Brambleweb *window = outlineWindow("T,M+1(x),L-1(_)", "T");
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        WALK_STEPS(window);
        closeUnsaved(window);
    }

    void closeQuestionAnswers()
    {
        Brambleweb *window = openSample();
        typeInto(window, "changed ");
        const QString question = "Current file (Текущий файл)\n" + m_sample +
                                 "\nwas changed.Save?(изменен. Сохранить?)";

        m_boxes->answerNext(Messages::Answer::Cancel);
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QVERIFY(window->errorSaveFile().isOpen());
        QCOMPARE(m_boxes->texts(), QStringList{question});
        QCOMPARE(m_boxes->shown().first().buttons, Messages::Buttons::YesNoCancel);

        m_boxes->answerNext(Messages::Answer::Closed);
        QVERIFY(!window->close());

        const QString errorSave = window->errorSaveFile().fileName();
        const QString autosave = window->autosaveFile().fileName();
        QVERIFY(QFile::exists(errorSave));
        QVERIFY(QFile::exists(autosave));
        m_boxes->answerNext(Messages::Answer::Yes);
        QVERIFY(window->close());
        QVERIFY(fileBytes(m_sample).contains("changed "));
        QVERIFY(!QFile::exists(errorSave));
        QVERIFY(!QFile::exists(autosave));
    }

    void generation_data() { JSON_ROWS("description", "outline", "generatedText"); }

    // The second run is refused: the theme has a subtheme now. A file of the user's with the
    // new theme's name stays as it is, and nothing is written beside it.
    void generation()
    {
        QFETCH(QString, description);
        QVERIFY(writeBytes("autogenerated", "mine"));
        Brambleweb *main = outlineWindow("A,T,Z", "T");
        ThemeView &tree = *main->tree();
        const QStringList files = QDir().entryList(QDir::Files);
        main->editor()->setText(description);
        main->editor()->setEdited(true);
        main->menuGenerateTree();
        main->menuGenerateTree();
        QTEST(outlineOf(tree), "outline");
        Theme *generated = themeNamed(tree, "autogenerated");
        QTEST(generated->description(), "generatedText");
        QCOMPARE(main->document().textEncoding(), TextEncoding::Cp1251);
        QCOMPARE(generated->date(), Clock::today());
        QVERIFY(tree.currentTheme() == themeNamed(tree, "T"));
        QCOMPARE(main->editor()->text(), description); // as the theme keeps it
        QCOMPARE(m_boxes->captions().join('|') + m_boxes->texts().join('|') + main->windowTitle(),
                 "Error (Ошибка)Cannot do it - Не могу выполнить операцию\nTheme has subthemes - "
                 "У темы есть подтемыBRW - * ");
        // One step of the undo history takes the generated branch back; redo makes it again.
        QCOMPARE(main->undoHistory().undoText(), QString("Generate Branch"));
        tree.menuUndo();
        QCOMPARE(outlineOf(tree), QString("A,T,Z"));
        tree.menuRedo();
        QTEST(outlineOf(tree), "outline");

        QCOMPARE(fileBytes("autogenerated"), QByteArray("mine"));
        QCOMPARE(QDir().entryList(QDir::Files), files);
        m_boxes->answerNext(Answer::No);
        QVERIFY(main->close());
    }

    void detachedWindows()
    {
        Brambleweb *main = outlineWindow("A(B),C", "B");
        ThemeView &tree = *main->tree();
        QTest::keyClicks(main->editor(), "unsaved "); // a window opens with the text as it stands
        main->detached()->menuRemoval();
        tree.setCurrentTheme(themeNamed(tree, "C"));
        for (int i = 0; i < 9; ++i)
            main->detached()->menuRemoval();
        const QList<OutsideThemeDialog *> windows = main->detached()->removalWindows();
        OutsideThemeDialog *first = windows[0], *second = windows[1];
        QString captions;
        for (OutsideThemeDialog *window : windows)
            captions += window->windowTitle() + ',';
        QCOMPARE(captions + first->editor()->text(), "1  B/A/-|,2  C/-|,3  C/-|,4  C/-|,5  C/-|,"
                                                     "6  C/-|,7  C/-|,8  C/-|,9  C/-|,0  C/-|,"
                                                     "unsaved B-text");
        QCOMPARE(first->size(), main->editor()->size());
        saveWith(first); // unchanged: no box

        QTest::keyClicks(first->editor(), "one ");
        QTest::keyClicks(second->editor(), "two ");
        QCOMPARE(first->windowTitle(), QString("1  * B/A/-|"));
        saveWith(first, Answer::No);
        QCOMPARE(themeNamed(tree, "B")->description(), "unsaved B-text");
        saveWith(first, Answer::Yes);
        saveWith(second, Answer::Yes);
        const QString question = "Save theme (Сохранить тему)\n%1 ?";
        QCOMPARE(m_boxes->texts(), QStringList({question.arg("B/A/-|"), question.arg("B/A/-|"),
                                                question.arg("C/-|")}));
        QCOMPARE(themeNamed(tree, "B")->description() + '|' + themeNamed(tree, "C")->description() +
                         '|' + main->windowTitle() + '|' + first->windowTitle(),
                 "one unsaved B-text|two C-text|BRW - * |1  B/A/-|");

        QCOMPARE(themeNamed(tree, "B")->date(), Clock::today());

        // Alt+3 reaches the third window, Alt+0 the main window (not the tenth); neither is
        // typed. Ctrl+Alt+Home shows the window's theme there.
        QTest::keyClick(main->editor(), Qt::Key_3, Qt::AltModifier);
        QTRY_COMPARE(QApplication::activeWindow(), windows[2]);
        QTest::keyClick(windows[9]->editor(), Qt::Key_0, Qt::AltModifier);
        QTRY_COMPARE(QApplication::activeWindow(), main);
        QCOMPARE(main->editor()->text() + windows[9]->editor()->text(), "two C-textC-text");
        QTest::keyClick(first->editor(), Qt::Key_Home, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(tree.currentTheme(), themeNamed(tree, "B"));
        // Escape closes; the places follow the windows still open.
        QTest::keyClick(first->editor(), Qt::Key_Escape);
        QTest::keyClick(main->editor(), Qt::Key_1, Qt::AltModifier);
        QTRY_COMPARE(QApplication::activeWindow(), second);

        // The main window closes its windows from the first; Cancel stops at that window.
        QTest::keyClicks(windows[5]->editor(), "six ");
        m_boxes->clear();
        for (Answer answer : {Answer::Cancel, Answer::No, Answer::No})
            m_boxes->answerNext(answer);
        QVERIFY(!main->close());
        QCOMPARE(main->detached()->removalWindows(), windows.mid(5));
        QVERIFY(main->close());
        QCOMPARE(main->detached()->removalWindows().size() + m_boxes->count(), 3);
    }

    // A link and its mark share one text: saved from the window of one while the other is current
    // (and edited there), the saved text shows and survives; typed into the link, it is the mark's.
    void detachedSaveInALinkGroup_data() { JSON_ROWS("detached", "current", "expected"); }
    void detachedSaveInALinkGroup()
    {
        FETCH_TEXTS(detached, current, expected);
        Brambleweb *main = outlineWindow("M+1,L-1(_),Z", detached);
        ThemeView &tree = *main->tree();
        main->detached()->menuRemoval();
        tree.setCurrentTheme(themeNamed(tree, current));
        QTest::keyClicks(main->editor(), "main ");
        QTest::keyClicks(main->detached()->removalWindows().last()->editor(), "new ");
        saveWith(main->detached()->removalWindows().last(), Answer::Yes);
        QCOMPARE(main->editor()->text(), expected);
        tree.setCurrentTheme(themeNamed(tree, "Z"));
        QCOMPARE(themeNamed(tree, "M")->description(), expected);
    }

    void windowsOfRemovedThemesClose()
    {
        Brambleweb *main = outlineWindow("A,B(x),C", "B");
        ThemeView &tree = *main->tree();
        for (const char *theme : {"B", "B", "x", "C"}) {
            tree.setCurrentTheme(themeNamed(tree, theme));
            main->detached()->menuRemoval();
        }
        const QList<OutsideThemeDialog *> opened = main->detached()->removalWindows();
        QList<QPointer<OutsideThemeDialog>> windows(opened.begin(), opened.end());
        QTest::keyClicks(windows[1]->editor(), "kept ");
        tree.setCurrentTheme(themeNamed(tree, "C")); // a moved theme keeps its window
        tree.menuCut();
        tree.setCurrentTheme(themeNamed(tree, "A"));
        tree.menuPaste();
        tree.setCurrentTheme(themeNamed(tree, "B"));
        m_boxes->answerNext(Answer::Cancel);
        tree.menuDelete();
        QTRY_COMPARE(main->detached()->removalWindows(),
                     (QList<OutsideThemeDialog *>{windows[1], windows[3]}));
        QVERIFY(!windows[0]);
        QVERIFY(!windows[2]);
        // The window kept open cannot write into the theme that is gone.
        saveWith(windows[1], Answer::Yes);
        QVERIFY(windows[1]->isModified());
        QCOMPARE(m_boxes->texts().last(), QString("Cannot do it\nНе могу выполнить операцию"));
        QTest::keyClicks(windows[3]->editor(), "moved ");
        saveWith(windows[3], Answer::Yes);
        QCOMPARE(outlineOf(tree) + themeNamed(tree, "C")->description(), "A(C)moved C-text");

        ThemeDocument reread; // as a reopen does: every theme's window closes
        main->document().replaceContents(reread);
        QTRY_COMPARE(main->detached()->removalWindows(), QList<OutsideThemeDialog *>{windows[1]});
        for (Answer answer : {Answer::No, Answer::No})
            m_boxes->answerNext(answer);
        QVERIFY(main->close());
    }

    // The reminder's commands in a window: Apply, Show, Sound Off, the tick, a rename.
    void reminderCommands()
    {
        const QDateTime morning(QDate(2005, 4, 10), QTime(10, 0));
        Clock::setNow(morning);
        Brambleweb *main = openWindow(QString());
        ThemeView *tree = main->tree();
        main->menuApply();
        QCOMPARE(m_boxes->texts(), QStringList("Nothing to do\nНечего делать"));

        ThemeDocument &document = main->document();
        Reminder *reminder = main->reminder()->reminder();
        main->menuGoToReminder();
        main->menuGoToReminder();
        Theme *theme = document.reminderTheme();
        QCOMPARE(outlineOf(*tree) + QString::number(main->undoHistory().count()), "__reminder1");
        QVERIFY(tree->currentTheme() == theme);
        QCOMPARE(main->editor()->toPlainText(), ReminderParser::exampleText());

        // Alt+Return in the editor applies the text being typed; a subtheme's text starts a line.
        {
            const DocumentUndo::Step step(main->undoHistory(), "Insert");
            Theme *sub = document.createTheme();
            sub->setName("sub");
            sub->setDescription("x");
            document.insertTheme(theme, 0, sub);
        }
        main->editor()->setFocus();
        QTest::keyClicks(main->editor(), "10:30 \"tea\"");
        QTest::keyClick(main->editor(), Qt::Key_Return);
        QTest::keyClick(main->editor(), Qt::Key_Return, Qt::AltModifier);
        QCOMPARE(m_boxes->captions().last() + '|' + m_boxes->texts().last(),
                 "Reminder errors|Unknown task[10, 0]\n"); // its own line
        QCOMPARE(reminder->tasks().size(), size_t(1));
        // Apply reads the tasks again from within the reminder's theme only.
        tree->setCurrentTheme(theme->child(0));
        const int boxes = m_boxes->count();
        main->menuApply();
        tree->setCurrentTheme(document.root());
        main->menuApply();
        QCOMPARE(m_boxes->texts().mid(boxes),
                 QStringList({"Unknown task[10, 0]\n", "Nothing to do\nНечего делать"}));

        // Deleting the theme drops its tasks; undo brings them back with it, redo drops them again.
        tree->setCurrentTheme(theme);
        for (const auto step : {&ThemeView::menuDelete, &ThemeView::menuUndo, &ThemeView::menuRedo,
                                &ThemeView::menuUndo}) {
            (tree->*step)();
            const bool back = step == &ThemeView::menuUndo;
            QCOMPARE(document.reminderTheme(), back ? theme : nullptr);
            QTRY_COMPARE(reminder->tasks().size(), size_t(back));
        }

        main->findChild<QAction *>("SoundOff")->trigger();
        QVERIFY(reminder->isSoundOff());
        Clock::setNow(morning.addSecs(1805));
        main->reminder()->tick();
        QCOMPARE(m_sounds, QStringList());
        QVERIFY(main->reminder()->window()->textBox()->toPlainText().endsWith("tea\n"));

        document.renameTheme(theme, "plain");
        QVERIFY(!document.reminderTheme());
        QCOMPARE(reminder->tasks().size(), size_t(0));

        closeUnsaved(main);
    }

    // A file saved at 9:00 and opened at 10:00: 9:30 is listed under today's header and rings
    // in the first tick; 8:30 waits for tomorrow.
    void reminderTodayAfterLoad()
    {
        const QDateTime morning(QDate(2005, 4, 3), QTime(10, 0));
        Clock::setNow(morning);
        QFile file(m_dir.filePath("r.brw"));
        QVERIFY(writeBytes(file.fileName(),
                           "<!--1-->__reminder\r\n9:30 \"missed\"\r\n8:30 \"early\"\r\n") &&
                file.open(QIODevice::Append) &&
                file.setFileTime(morning.addSecs(-3600), QFileDevice::FileModificationTime));
        ReminderHost *host = openWindow(file.fileName())->reminder();
        const QString line = " 3.04.2005     9:30    missed\n";
        QPlainTextEdit *text = host->window()->textBox();
        QCOMPARE(text->toPlainText(),
                 "--------------Today tasks--Задания на сегодня----------\n" + line);
        host->tick();
        QCOMPARE(text->toPlainText().count(line), 2);
        QCOMPARE(m_sounds, QStringList({"reminder.wav", "reminder.wav"}));
        QCOMPARE(host->reminder()->tasks().size(), size_t(2));
        QCOMPARE(m_boxes->texts(), QStringList());
        const ReminderNode *next = host->reminder()->tasks().front();
        QCOMPARE(QDateTime(next->date, next->time), morning.addSecs(86400 - 5400));
    }
};

BRW_APPLICATION_TEST_MAIN(TestBrambleweb)
#include "tst_brambleweb.moc"
