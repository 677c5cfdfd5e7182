// The main window's menus, tool bars and actions against the table of commands, and the key list
// of the README against the program's key tables.
#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/KeyList.h"
#include "editor/CorrectedTextEdit.h"
#include "support/ScriptedMessages.h"
#include "tree/LinkListView.h"

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

// The receivers of an object's signal as "Class::objectName slot()", read from the toolkit's
// own dump of the object's connections.
QStringList receiversOf(QObject *object, const char *signal)
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
        if (line.startsWith(QLatin1String("signal: ")))
            inSignal = line.mid(8) == QLatin1String(signal);
        else if (inSignal && line.startsWith(QLatin1String("--> ")) &&
                 !line.startsWith(QLatin1String("--> Q")))
            receivers.append(line.mid(4)); // the toolkit's own receivers (menus) left out
    }
    return receivers;
}

QString targetOf(QAction *action)
{
    return receiversOf(action, action->isCheckable() ? "toggled(bool)" : "triggered(bool)")
            .join(QLatin1Char(','));
}

// One line a menu entry: "menu|text|tip|shortcut|object name|target"; separators as "menu|-",
// with the toolkit's rule that leading, trailing and repeated separators do not show.
void walkMenu(QMenu *menu, const QString &path, QStringList &rows)
{
    QStringList own;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator()) {
            if (!own.isEmpty() && !own.last().endsWith(QLatin1String("|-")))
                own.append(path + QStringLiteral("|-"));
        } else if (action->menu()) {
            rows += own;
            own.clear();
            walkMenu(action->menu(), path + QLatin1Char('/') + action->menu()->title(), rows);
            own.append(path + QStringLiteral("|") + action->menu()->title());
        } else {
            QVERIFY2(action->statusTip() == action->toolTip(), qPrintable(action->text()));
            own.append(QStringList{path, action->text(), action->toolTip(),
                                   action->shortcut().toString(QKeySequence::PortableText),
                                   action->objectName(), targetOf(action)}
                               .join(QLatin1Char('|')));
        }
    }
    if (!own.isEmpty() && own.last().endsWith(QLatin1String("|-")))
        own.removeLast();
    rows += own;
}

const QString window = QStringLiteral("Brambleweb::Main ");
const QString tree = QStringLiteral("LinkListView::mainTree ");

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

        // A sub-menu stands as "menu|title" after its entries.
        const QStringList expectedMenus = {
                "&File|&New|Новый файл|Ctrl+N|new|" + window + "menuNewFile()",
                "&File|-",
                "&File|&Save|Сохранить|Ctrl+S|save|" + window + "menuSaveFile()",
                "&File|-",
                "&File|&Exit|Выход|Alt+F4|exit|" + window + "close()",
                "&View|&Location|Изменение положения окон|F5|location|" + window + "menuLocation()",
                "&View|&Next|Следующая тема|Ctrl+Alt+Right|next|" + tree + "nextThemeInTime()",
                "&View|&Prev|Предыдущая тема|Ctrl+Alt+Left|prev|" + tree + "prevThemeInTime()",
                "&Tree|&Edit Name|Редактировать имя темы|F2|editname|" + tree +
                        "menuEditThemeName()",
                "&Tree|&Newest|Самая новая тема|Ctrl+Alt+N|newest|" + window + "menuNewest()",
                "&Tree|Go to &mark|Перейти к метке|Ctrl+M|gotomark|" + window + "menuGoToMark()",
                "&Tree|-",
                "&Tree|Scroll Left|Скроллинг влево|Alt+Left|scrollleft|" + tree +
                        "menuScroll_Left()",
                "&Tree|Scroll Right|Скроллинг вправо|Alt+Right|scrollright|" + tree +
                        "menuScroll_Right()",
                "&Tree|Scroll Up|Скроллинг вверх|Alt+Up|scrollup|" + tree + "menuScroll_Up()",
                "&Tree|Scroll Dn|Скроллинг вниз|Alt+Down|scrolldown|" + tree + "menuScroll_Down()",
                "&Tree|-",
                "&Tree|Insert Into|Вставить новую тему вовнутрь текущей|Shift+Right|insertinto|" +
                        tree + "menuTreeInsert_Into()",
                "&Tree|Insert Up|Вставить новую тему выше текущей|Shift+Up|insertup|" + tree +
                        "menuTreeInsert_Up()",
                "&Tree|Insert Dn|Вставить новую тему ниже текущей|Shift+Down|insertdown|" + tree +
                        "menuTreeInsert_Dn()",
                "T&ools/&Reminder|&Show|Перейти к заданиям напоминателя|Ctrl+Alt+R|show|" + window +
                        "menuGoToReminder()",
                "T&ools/&Reminder|&Update|Обновить задания||update|" + window +
                        "menuUpdateReminder()",
                "T&ools/&Reminder|&Sound Off|Отключить звук||SoundOff|" + tree +
                        "menuReminderSoundOperation(bool)",
                "T&ools|&Reminder",
                "T&ools|&Apply|Применить описание|Alt+Enter|apply|" + window + "menuApply()",
                "&Windows/&Main Widgets|&Tab|Переключение между деревом и описанием|Ctrl+Enter|"
                "tab|" + window +
                        "menuMainWidgetsTab()",
                "&Windows|&Main Widgets",
        };
        QStringList menus;
        for (QAction *top : main->menuBar()->actions())
            walkMenu(top->menu(), top->menu()->title(), menus);
        QCOMPARE(menus, expectedMenus);

        const QStringList treeEditing = {"editname",   "scrollleft", "scrollright", "scrollup",
                                         "scrolldown", "insertinto", "insertup",    "insertdown"};
        QStringList names;
        for (QAction *action : main->treeActions())
            names.append(action->objectName());
        QCOMPARE(names, treeEditing);

        const QStringList expectedBars = {
                "File|File (Файл)|new|New (Новый файл) - Ctrl+N|" + window + "menuNewFile()",
                "File|File (Файл)|save|Save (Сохранить) - Ctrl+S|" + window + "menuSaveFile()",
                "View|View (Вид)|prev|Previous (Предыдущая тема) - Ctrl+Alt+Left|" + tree +
                        "prevThemeInTime()",
                "View|View (Вид)|next|Next (Следующая тема) - Ctrl+Alt+Right|" + tree +
                        "nextThemeInTime()",
                "Reminder|Reminder (Напоминатель)|gotoReminder|Go to shedule (Перейти к тексту "
                "заданий) - Ctrl+Alt+R|" +
                        tree + "menuGoToReminder()",
                "Reminder|Reminder (Напоминатель)|refreshReminder|Refresh shedule (Обновить "
                "задания)|" +
                        tree + "menuUpdateReminder()",
        };
        QStringList bars;
        for (QToolBar *bar : main->findChildren<QToolBar *>()) {
            QVERIFY(bar->isMovable());
            for (QAction *action : bar->actions()) {
                auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action));
                QVERIFY(button && !button->icon().isNull());
                QVERIFY(!button->icon().pixmap(24).isNull());
                QCOMPARE(button->text(), button->toolTip());
                bars.append(QStringList{bar->objectName(), bar->windowTitle(), button->objectName(),
                                        button->toolTip(),
                                        receiversOf(button, "clicked(bool)").join(',')}
                                    .join('|'));
            }
        }
        QCOMPARE(bars, expectedBars);
        main->close();
    }

    void noTwoEnabledActionsShareAShortcut()
    {
        ScriptedMessages boxes;
        Brambleweb *main = BRWApplication::instance()->createMainWindow(QString(), "Main");
        main->show();
        main->tree()->setFocus();
        QTRY_VERIFY(main->treeActions().first()->isEnabled());
        QHash<QKeySequence, QString> seen;
        for (QAction *action : main->findChildren<QAction *>()) {
            if (!action->isEnabled() || action->shortcut().isEmpty())
                continue;
            QVERIFY2(!seen.contains(action->shortcut()),
                     qPrintable(action->objectName() + " and " + seen[action->shortcut()]));
            seen.insert(action->shortcut(), action->objectName());
        }
        QVERIFY(seen.size() > 10);

        main->close();
    }

    void readmeListsEveryKey()
    {
        QFile readme(BRW_SOURCE_DIR "/README.md");
        QVERIFY(readme.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString text = QString::fromUtf8(readme.readAll());
        const qsizetype start = text.indexOf("\n## Keys\n");
        QVERIFY(start >= 0);
        const qsizetype end = text.indexOf("\n## ", start + 1);
        QString listed;
        for (const QString &line : text.mid(start, end - start).split('\n'))
            if (line.startsWith("    "))
                listed += line.mid(4) + '\n';
        const QString expected = keyListText();
        if (listed != expected)
            qWarning().noquote() << "The README's key list should read:\n" << expected;
        QCOMPARE(listed, expected);
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
