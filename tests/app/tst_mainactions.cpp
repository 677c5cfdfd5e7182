// The main window's menus, tool bars and actions against the table of commands, the windows of
// the Windows and Help menus, the key recorder's commands, and the README's key list against the
// program's key tables.
#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/KeyList.h"
#include "app/MainActions.h"
#include "app/Play_RecordEvents.h"
#include "app/SymbolsDialog.h"
#include "editor/CorrectedTextEdit.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "tree/LinkListView.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
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

    // Every row of the command tables is built, reachable from its menu or tool bar, in the
    // table's order, with an existing target; nothing else is there.
    void menusToolBarsAndActionsFollowTheTable()
    {
        using namespace MainActions;
        ScriptedMessages boxes;
        Brambleweb *main = BRWApplication::instance()->createMainWindow(QString(), "Main");
        QCOMPARE(boxes.texts(), QStringList()); // every slot of the table exists
        const auto target = [](Target to, const char *slot) {
            return QString(to == Target::Window ? "window " : "tree ") + slot;
        };
        QStringList expectedMenus, treeEditing;
        for (const Action &row : actions()) {
            if (!row.text)
                continue;
            expectedMenus.append(QStringList{row.menu, row.text, row.tip,
                                             QKeySequence(row.shortcut).toString(), row.objectName,
                                             target(row.target, row.slot)}
                                         .join('|'));
            if (row.flags & TreeEditing)
                treeEditing.append(row.objectName);
        }
        QStringList expectedBars;
        for (const ToolButton &row : toolButtons()) {
            const auto bar = std::find_if(toolBars().begin(), toolBars().end(), [&](auto &b) {
                return qstrcmp(b.objectName, row.toolBar) == 0;
            });
            const QString key = QKeySequence(row.shortcut).toString();
            expectedBars.append(QStringList{row.toolBar, bar->label, row.objectName,
                                            QString("%1 (%2)").arg(row.english, row.russian) +
                                                    (key.isEmpty() ? "" : " - " + key),
                                            target(row.target, row.slot)}
                                        .join('|'));
        }
        QStringList menus;
        for (QAction *top : main->menuBar()->actions())
            walkMenu(top->menu(), top->menu()->title(), menus);
        // Each menu's entries in order (separators and sub-menu titles left out).
        const auto byMenu = [&](const QStringList &rows) {
            QStringList paths, grouped;
            for (const Action &row : actions())
                if (!paths.contains(row.menu))
                    paths.append(row.menu);
            for (const QString &path : std::as_const(paths))
                for (const QString &row : rows)
                    if (row.startsWith(path + '|') && row.count('|') == 5)
                        grouped.append(row);
            return grouped.join('\n');
        };
        QCOMPARE(byMenu(menus), byMenu(expectedMenus));
        QCOMPARE(menus.filter(QRegularExpression("^([^|]*\\|){5}")).size(), expectedMenus.size());
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

        // A few rows as a user meets them: keypad Enter, Insert/Delete keys, a toggle, the
        // sub-menus, a tool button of the tree.
        // clang-format off
        for (const QString sample : {
                 "&File/&File(OS API)|&Open...|Открыть ...|Alt+O|open|window menuOpenFileGUI()",
                 "&File|&Save|Сохранить|Ctrl+S|save|window menuSaveFile()",
                 "&Tree|&Delete|Удалить тему|Del|delete|tree menuDelete()",
                 "&Tree|&Paste|Вставить тему|Shift+Ins|paste|tree menuPaste()",
                 "&Tree|Insert Up|Вставить новую тему выше текущей|Shift+Up|insertup|tree menuTreeInsert_Up()",
                 "T&ools/&Reminder|&Sound Off|Отключить звук||SoundOff|tree menuReminderSoundOperation(bool)",
                 "T&ools|&Apply|Применить описание|Alt+Enter|apply|window menuApply()",
                 "&Windows/&Main Widgets|&Tab|Переключение между деревом и описанием|Ctrl+Enter|tab|window menuMainWidgetsTab()",
                 "Reminder|Reminder (Напоминатель)|gotoReminder|Go to shedule (Перейти к тексту заданий) - Ctrl+Alt+R|tree menuGoToReminder()"})
            // clang-format on
            QVERIFY2(menus.contains(sample) || bars.contains(sample), qPrintable(sample));

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

    // Alt+O, which the "T&ools" title's mnemonic claims as well, runs Open and opens no menu.
    void altOOpensAFile()
    {
        ScriptedFileDialogs dialogs;
        QApplication::setActiveWindow(m_main);
        QVERIFY(QTest::qWaitForWindowActive(m_main));
        QTest::keyClick(m_main->tree(), Qt::Key_O, Qt::AltModifier);
        QVERIFY(dialogs.requests().size() == 1 && !QApplication::activePopupWidget());
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
