// The main window's menus, tool bars and actions against the table of commands, the windows of
// the Windows and Help menus, the key recorder's commands, and the README's key list against the
// program's key tables.
#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/KeyList.h"
#include "app/Play_RecordEvents.h"
#include "app/SymbolsDialog.h"
#include "editor/CorrectedTextEdit.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

// "window slot()" / "tree slot()" for each receiver of the signal, read from the toolkit's own
// dump of the object's connections (its menus' receivers left out).
QString targetOf(QObject *object, const char *signal)
{
    static QStringList *lines = nullptr;
    QStringList dump;
    lines = &dump;
    const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
                lines->append(text.trimmed());
            });
    object->dumpObjectInfo();
    qInstallMessageHandler(previous);
    QStringList receivers;
    bool inSignal = false;
    for (const QString &line : std::as_const(dump)) {
        if (line.startsWith("signal: "))
            inSignal = line.mid(8) == QLatin1String(signal);
        else if (inSignal && line.startsWith("--> ") && !line.startsWith("--> Q"))
            receivers.append(line.mid(4)
                                     .replace("Brambleweb::Main ", "window ")
                                     .replace("LinkListView::mainTree ", "tree "));
    }
    return receivers.join(',');
}

// One line an entry: "menu|text|tip|shortcut|object name|target"; a separator as "menu|-" where
// the toolkit shows it (not first, last or twice); a sub-menu as "menu|title" after its entries.
void walkMenu(QMenu *menu, const QString &path, QStringList &rows)
{
    QStringList own;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator()) {
            if (!own.isEmpty() && !own.last().endsWith("|-"))
                own.append(path + "|-");
        } else if (action->menu()) {
            rows += std::exchange(own, {});
            walkMenu(action->menu(), path + '/' + action->menu()->title(), rows);
            own.append(path + '|' + action->menu()->title());
        } else {
            QCOMPARE(action->statusTip(), action->toolTip());
            const char *signal = action->isCheckable() ? "toggled(bool)" : "triggered(bool)";
            own.append(QStringList{path, action->text(), action->toolTip(),
                                   action->shortcut().toString(), action->objectName(),
                                   targetOf(action, signal)}
                               .join('|'));
        }
    }
    if (!own.isEmpty() && own.last().endsWith("|-"))
        own.removeLast();
    rows += own;
}

} // namespace

class TestMainActions : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir; // the save files of the windows
    Brambleweb *m_main = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        QDir::setCurrent(m_dir.path());
        m_main = BRWApplication::instance()->createMainWindow(QString(), "Main");
        m_main->show();
    }

    void menusToolBarsAndActionsFollowTheTable()
    {
        ScriptedMessages boxes;
        Brambleweb *main = BRWApplication::instance()->createMainWindow(QString(), "Main");
        QCOMPARE(boxes.texts(), QStringList()); // every slot of the table exists
        // clang-format off
        const QStringList expectedMenus = {
            "&File/&File(OS API)|&Open...|Открыть ...|Alt+O|open|window menuOpenFileGUI()",
            "&File/&File(OS API)|&Reopen...|Открыть в текущем окне...|Alt+R|reopen|window menuReopenFileGUI()",
            "&File/&File(OS API)|&Insert In...|Вставить файл внутрь текущей темы...|Alt+I|insertin|window menuAppendFileGUI()",
            "&File/&File(OS API)|-",
            "&File/&File(OS API)|S&ave as...|Сохранить как...|Alt+S|saveas|window menuSaveAsFileGUI()",
            "&File/&File(OS API)|Save &branch...|Сохранить ветвь...|Alt+B|savebrunch|window menuSaveBranchGUI()",
            "&File/&File(OS API)|Save &table...|Сохранить ветвь как таблицу...||savetable|window menuSaveTableGUI()",
            "&File|&File(OS API)",
            "&File|&New|Новый файл|Ctrl+N|new|window menuNewFile()",
            "&File|&Open...|Открыть ...|Ctrl+O|open|window menuOpenFile()",
            "&File|&Reopen|Открыть в текущем окне...|Ctrl+R|reopen|window menuReopenFile()",
            "&File|&Insert In|Вставить файл внутрь текущей темы...|Ctrl+I|insertin|window menuAppendFile()",
            "&File|-",
            "&File|&Save|Сохранить|Ctrl+S|save|window menuSaveFile()",
            "&File|S&ave as|Сохранить как...|Ctrl+Alt+S|saveas|window menuSaveAsFile()",
            "&File|Save &branch|Сохранить ветвь...|Ctrl+B|savebrunch|window menuSaveBranch()",
            "&File|Save &table|Сохранить ветвь как таблицу...|Ctrl+Alt+T|savetable|window menuSaveTable()",
            "&File|-",
            "&File|&Exit|Выход|Alt+F4|exit|window close()",
            "&View|&Location|Изменение положения окон|F5|location|window menuLocation()",
            "&View|&Next|Следующая тема|Ctrl+Alt+Right|next|tree nextThemeInTime()",
            "&View|&Prev|Предыдущая тема|Ctrl+Alt+Left|prev|tree prevThemeInTime()",
            "&Edit|&Find|Найти|Ctrl+F|find|window menuFind()",
            "&Edit|Find &next|Найти следующее|F3|findnext|window menuFindNext()",
            "&Edit|Next &theme|Искать начиная со следующей темы|Ctrl+F3|nexttheme|window menuNextTheme()",
            "&Edit|&Replace|Заменить|Ctrl+H|replace|window menuReplace()",
            "&Edit|Replace next|Заменить и найти следующее|F4|replacenext|window menuReplaceNext()",
            "&Edit|Replace &all|Заменить все|Ctrl+F4|replaceall|window menuReplaceAll()",
            "&Edit|Find a&ll|Найти все|Ctrl+Shift+F|findall|window menuFindAll()",
            "&Tree|&Undo|Отменить изменение дерева|Ctrl+Z|undo|tree menuUndo()",
            "&Tree|&Redo|Повторить изменение дерева|Ctrl+Shift+Z|redo|tree menuRedo()",
            "&Tree|-",
            "&Tree|&Delete|Удалить тему|Del|delete|tree menuDelete()",
            "&Tree|&Edit Name|Редактировать имя темы|F2|editname|tree menuEditThemeName()",
            "&Tree|&All child up|Перенести все подтемы наружу|Ctrl+Alt+U|allchildout|tree menuAllChildOut()",
            "&Tree|&Generate tree|Создать ветвь из описания темы|Ctrl+Alt+G|generatetree|window menuGenerateTree()",
            "&Tree|&Newest|Самая новая тема|Ctrl+Alt+N|newest|window menuNewest()",
            "&Tree|Go to &mark|Перейти к метке|Ctrl+M|gotomark|window menuGoToMark()",
            "&Tree|&Go to theme...|Перейти к теме по имени|Ctrl+G|gototheme|window menuGoToTheme()",
            "&Tree|-",
            "&Tree|Cu&t|Вырезать тему|Shift+Del|cut|tree menuCut()",
            "&Tree|&Copy|Скопировать тему|Ctrl+Ins|copy|tree menuCopy()",
            "&Tree|&Paste|Вставить тему|Shift+Ins|paste|tree menuPaste()",
            "&Tree|-",
            "&Tree|Move Left|Переместить тему на 1 уровень влево|Ctrl+Left|moveleft|tree menuMove_Left()",
            "&Tree|Move Right|Переместить тему на 1 уровень вправо|Ctrl+Right|moveright|tree menuMove_Right()",
            "&Tree|Move Up|Переместить тему вверх|Ctrl+Up|moveup|tree menuMove_Up()",
            "&Tree|Move Dn|Переместить тему вниз|Ctrl+Down|movedown|tree menuMove_Down()",
            "&Tree|-",
            "&Tree|Scroll Left|Скроллинг влево|Alt+Left|scrollleft|tree menuScroll_Left()",
            "&Tree|Scroll Right|Скроллинг вправо|Alt+Right|scrollright|tree menuScroll_Right()",
            "&Tree|Scroll Up|Скроллинг вверх|Alt+Up|scrollup|tree menuScroll_Up()",
            "&Tree|Scroll Dn|Скроллинг вниз|Alt+Down|scrolldown|tree menuScroll_Down()",
            "&Tree|-",
            "&Tree|Insert Into|Вставить новую тему вовнутрь текущей|Shift+Right|insertinto|tree menuTreeInsert_Into()",
            "&Tree|Insert Up|Вставить новую тему выше текущей|Shift+Up|insertup|tree menuTreeInsert_Up()",
            "&Tree|Insert Dn|Вставить новую тему ниже текущей|Shift+Down|insertdown|tree menuTreeInsert_Dn()",
            "T&ools/&Reminder|&Show|Перейти к заданиям напоминателя|Ctrl+Alt+R|show|window menuGoToReminder()",
            "T&ools/&Reminder|&Update|Обновить задания||update|window menuUpdateReminder()",
            "T&ools/&Reminder|&Sound Off|Отключить звук||SoundOff|tree menuReminderSoundOperation(bool)",
            "T&ools|&Reminder",
            "T&ools|&Apply|Применить описание|Alt+Enter|apply|window menuApply()",
            "T&ools|-",
            "T&ools|Record &keys|Записать нажатия клавиш|F6|recordkeys|window startRecordEvents()",
            "T&ools|&Play keys|Воспроизвести нажатия клавиш|F7|playkeys|window startPlayEvents()",
            "&Windows|&Removal|Выноска|F9|removal|window menuRemoval()",
            "&Windows|&Symbols|Таблица символов||symbols|window menuSymbols()",
            "&Windows|-",
            "&Windows/&Main Widgets|&Tab|Переключение между деревом и описанием|Ctrl+Enter|tab|window menuMainWidgetsTab()",
            "&Windows|&Main Widgets",
            "&Help|Readme.&ru|Прочти меня||Readme_ru|window menuReadme_ru()",
            "&Help|Readme.&en|Readme||Readme_en|window menuReadme_en()",
            "&Help|&Keys|Помощь по клавишам|F1|keys|window menuKeyHelp()",
            "&Help|&About|О программе||about|window menuAbout()",
        };
        const QStringList treeEditing = {
            "undo", "redo", "delete", "editname", "cut", "copy", "paste", "moveleft", "moveright", "moveup",
            "movedown", "scrollleft", "scrollright", "scrollup", "scrolldown", "insertinto",
            "insertup", "insertdown"};
        const QStringList expectedBars = {
            "File|File (Файл)|new|New (Новый файл) - Ctrl+N|window menuNewFile()",
            "File|File (Файл)|open|Open (Открыть ...) - Ctrl+O|window menuOpenFile()",
            "File|File (Файл)|reopen|Reopen (Открыть в текущем окне...) - Ctrl+R|window menuReopenFile()",
            "File|File (Файл)|save|Save (Сохранить) - Ctrl+S|window menuSaveFile()",
            "File|File (Файл)|saveas|Save as (Сохранить как...) - Ctrl+Alt+S|window menuSaveAsFile()",
            "View|View (Вид)|prev|Previous (Предыдущая тема) - Ctrl+Alt+Left|tree prevThemeInTime()",
            "View|View (Вид)|next|Next (Следующая тема) - Ctrl+Alt+Right|tree nextThemeInTime()",
            "Edit|Edit (Правка)|find|Find (Найти) - Ctrl+F|window menuFind()",
            "Edit|Edit (Правка)|replace|Replace (Заменить) - Ctrl+H|window menuReplace()",
            "Edit|Edit (Правка)|undo|Undo (Отменить изменение дерева) - Ctrl+Z|tree menuUndo()",
            "Edit|Edit (Правка)|redo|Redo (Повторить изменение дерева) - Ctrl+Shift+Z|tree menuRedo()",
            "Edit|Edit (Правка)|symbols|Symbols (Таблица символов)|window menuSymbols()",
            "Reminder|Reminder (Напоминатель)|gotoReminder|Go to shedule (Перейти к тексту заданий) - Ctrl+Alt+R|tree menuGoToReminder()",
            "Reminder|Reminder (Напоминатель)|refreshReminder|Refresh shedule (Обновить задания)|tree menuUpdateReminder()",
            "Recorder|Recorder (Запись клавиш)|recordkeys|Record keys (Записать нажатия клавиш) - F6|window startRecordEvents()",
            "Recorder|Recorder (Запись клавиш)|playkeys|Play keys (Воспроизвести нажатия клавиш) - F7|window startPlayEvents()",
        };
        // clang-format on
        QStringList menus;
        for (QAction *top : main->menuBar()->actions())
            walkMenu(top->menu(), top->menu()->title(), menus);
        QCOMPARE(menus, expectedMenus);
        QStringList names;
        for (QAction *action : main->treeActions())
            names.append(action->objectName());
        QCOMPARE(names, treeEditing);

        QStringList bars;
        for (QToolBar *bar : main->findChildren<QToolBar *>()) {
            QVERIFY(bar->isMovable());
            for (QAction *action : bar->actions()) {
                auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action));
                QVERIFY(button && !button->icon().pixmap(24).isNull());
                QCOMPARE(button->text(), button->toolTip());
                bars.append(QStringList{bar->objectName(), bar->windowTitle(), button->objectName(),
                                        button->toolTip(), targetOf(button, "clicked(bool)")}
                                    .join('|'));
            }
        }
        QCOMPARE(bars, expectedBars);

        // No two actions that can be enabled together share a shortcut.
        QHash<QKeySequence, QString> seen;
        for (QAction *action : main->findChildren<QAction *>()) {
            const QString other = seen.value(action->shortcut());
            QVERIFY2(other.isEmpty(), qPrintable(action->objectName() + " and " + other));
            if (!action->shortcut().isEmpty())
                seen.insert(action->shortcut(), action->objectName());
        }
        main->close();
    }

    // Each command opens one more read-only window, which closing deletes.
    void textWindows()
    {
        // clang-format off
        for (const auto &[command, caption, part] : {
                 std::tuple{"menuSymbols", "Symbols", // 0x70 to 0xA3, 0x90 as always
                            "\npqrstuvwxyz{|}~\x7f\nЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏ\nђ‘’“”•–™IIљ›њќћџ\n\u00a0ЎўЈ"},
                 {"menuReadme_ru", "Readme.ru", "\tЭто первая бета-версия"},
                 {"menuReadme_en", "Readme.en", "!!!!Computer translation from Russian!!!!\n\t"}}) {
            // clang-format on
            for (int open = 1; open <= 2; ++open) {
                QVERIFY(QMetaObject::invokeMethod(m_main, command));
                QCOMPARE(m_main->findChildren<SymbolsDialog *>().size(), open);
            }
            QPointer<SymbolsDialog> first = m_main->findChildren<SymbolsDialog *>().first();
            QVERIFY(first->isWindow() && first->isVisible() && first->editor()->isReadOnly());
            QCOMPARE(first->windowTitle() + '|' + first->editor()->objectName(),
                     QString(caption) + "|editBox");
            const QString text = first->editor()->text();
            QVERIFY(text.contains(part) &&
                    (caption != QString("Symbols") || text.count('\n') == 14));
            first->close();
            QTRY_VERIFY(first.isNull());
            QCOMPARE(m_main->findChildren<SymbolsDialog *>().size(), 1);
            delete m_main->findChild<SymbolsDialog *>();
        }
    }

    // The count is every character of the names and descriptions: none in an empty document;
    // A, Bc, d and their descriptions "A-text", "Bc-text", "d-text" make 23.
    void aboutBox()
    {
        for (const auto &[outline, count] : {std::pair{"", "0"}, {"A,Bc(d)", "23"}}) {
            m_main->tree()->clear();
            buildOutline(*m_main->tree(), outline);
            QStringList shown;
            QTimer::singleShot(0, this, [&] {
                QWidget *box = QApplication::activeModalWidget();
                QLabel *symbols = box->findChildren<QLabel *>().last();
                shown << box->windowTitle() << symbols->text() << symbols->toolTip();
                box->close();
            });
            m_main->menuAbout();
            QCOMPARE(shown, (QStringList{"About ", QString("User symbols: ") + count,
                                         QString("Пользовательских символов: ") + count}));
        }
    }

    // Idle: a file dialog, then recording or playing; the same command again stops; the other
    // command does nothing meanwhile; a file that does not open is told. The buttons show it.
    void recorderCommands()
    {
        ScriptedFileDialogs dialogs;
        ScriptedMessages boxes;
        const auto icon = [this](const char *button) {
            const QImage shown =
                    m_main->findChild<QToolButton *>(button)->icon().pixmap(24).toImage();
            for (const char *name : {"recordkeys", "recording", "playkeys", "playing"})
                if (shown == QIcon(QString(":/icons/%1.png").arg(name)).pixmap(24).toImage())
                    return QString(name);
            return QString();
        };
        const QString keys = m_dir.filePath("keys.txt"), none = m_dir.filePath("none.txt");
        const auto record = &Brambleweb::startRecordEvents, play = &Brambleweb::startPlayEvents;
        // the command, the file chosen in its dialog, then the state and the two buttons
        const std::tuple<void (Brambleweb::*)(), QString, QString> steps[] = {
                {record, keys, "1 recording playkeys"}, {play, "", "1 recording playkeys"},
                {record, "", "0 recordkeys playkeys"},  {play, none, "0 recordkeys playkeys"},
                {play, keys, "2 recordkeys playing"},   {record, "", "2 recordkeys playing"},
                {play, "", "0 recordkeys playkeys"}};
        for (const auto &[command, file, after] : steps) {
            if (!file.isEmpty())
                dialogs.chooseNext(file);
            (m_main->*command)();
            const int state = Play_RecordEvents::instance()->state();
            if (state == Play_RecordEvents::Recording)
                QTest::keyClick(m_main->editor(), Qt::Key_Q);
            QCOMPARE(QString::number(state) + ' ' + icon("recordkeys") + ' ' + icon("playkeys"),
                     after);
        }
        QCOMPARE(boxes.texts(), QStringList("Cannot open file\nНевозможно открыть файл\n" + none));
        const FileDialogs::Request &first = dialogs.requests().first();
        QCOMPARE((QStringList{first.caption, first.types.join(';'), first.startName,
                              first.directory, QString::number(dialogs.requests().size())}),
                 (QStringList{"Open file(english names) - Открыть файл(ЛАТИНСКИЕ имена)",
                              "Ordinar format - Обычный формат (*.brw)", "./events.txt",
                              m_dir.path(), "3"}));
    }

    void readmeListsEveryKey()
    {
        QFile readme(BRW_SOURCE_DIR "/README.md");
        QVERIFY(readme.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString text = QString::fromUtf8(readme.readAll());
        const qsizetype start = text.indexOf("\n## Keys\n");
        QVERIFY(start >= 0);
        QString listed;
        for (const QString &line :
             text.mid(start, text.indexOf("\n## ", start + 1) - start).split('\n'))
            if (line.startsWith("    "))
                listed += line.mid(4) + '\n';
        if (listed != keyListText())
            qWarning().noquote() << "The README's key list should read:\n" << keyListText();
        QCOMPARE(listed, keyListText());
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    BRWApplication application(argc, argv);
    Play_RecordEvents recorder(&application);
    application.installEventFilter(&recorder);
    TestMainActions test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainactions.moc"
