// The main window's menus, tool bars and actions against the table of commands, and the README's
// key list against the program's key tables.
#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/KeyList.h"
#include "support/ScriptedMessages.h"

#include <QAction>
#include <QDir>
#include <QFile>
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

private Q_SLOTS:
    void initTestCase() { QDir::setCurrent(m_dir.path()); }

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
            "&Tree|&Delete|Удалить тему|Del|delete|tree menuDelete()",
            "&Tree|&Edit Name|Редактировать имя темы|F2|editname|tree menuEditThemeName()",
            "&Tree|&All child up|Перенести все подтемы наружу|Ctrl+Alt+U|allchildout|tree menuAllChildOut()",
            "&Tree|&Newest|Самая новая тема|Ctrl+Alt+N|newest|window menuNewest()",
            "&Tree|Go to &mark|Перейти к метке|Ctrl+M|gotomark|window menuGoToMark()",
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
            "&Windows/&Main Widgets|&Tab|Переключение между деревом и описанием|Ctrl+Enter|tab|window menuMainWidgetsTab()",
            "&Windows|&Main Widgets",
            "&Help|&Keys|Помощь по клавишам|F1|keys|window menuKeyHelp()",
        };
        const QStringList treeEditing = {
            "delete", "editname", "cut", "copy", "paste", "moveleft", "moveright", "moveup",
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
            "Reminder|Reminder (Напоминатель)|gotoReminder|Go to shedule (Перейти к тексту заданий) - Ctrl+Alt+R|tree menuGoToReminder()",
            "Reminder|Reminder (Напоминатель)|refreshReminder|Refresh shedule (Обновить задания)|tree menuUpdateReminder()",
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
    TestMainActions test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainactions.moc"
