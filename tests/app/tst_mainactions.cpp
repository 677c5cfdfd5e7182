// The main window's commands, the windows of the Windows and Help menus, the key recorder's
// commands, and the README's key list.
#include "app/AuxiliaryCommands.h"
#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/FileCommands.h"
#include "app/KeyList.h"
#include "app/MainActions.h"
#include "app/Play_RecordEvents.h"
#include "app/SymbolsDialog.h"
#include "editor/CorrectedTextEdit.h"
#include "support/EnglishLines.h"
#include "support/JsonRows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TreeOutline.h"
#include "support/WindowTree.h"

#include <QAction>
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
                                     .replace("ThemeView::mainTree ", "tree ")
                                     .replace(QRegularExpression("^\\w+::(\\w+) "), "\\1 "));
    }
    return receivers.join(',');
}

// One line an action, in menu order: "menu|object name|target|text|tip|shortcut".
void walkMenu(QMenu *menu, const QString &path, QStringList &rows)
{
    for (QAction *action : menu->actions()) {
        const char *signal = action->isCheckable() ? "toggled(bool)" : "triggered(bool)";
        if (action->menu())
            walkMenu(action->menu(), path + '/' + action->menu()->title(), rows);
        else if (!action->isSeparator())
            rows.append(QStringList{path, action->objectName(), targetOf(action, signal),
                                    action->text(), action->statusTip(),
                                    action->shortcut().toString()}
                                .join('|'));
    }
}

// The first columns of each row, grouped by menu in the rows' order.
QStringList byMenu(QStringList rows, int columns)
{
    std::stable_sort(rows.begin(), rows.end(), [](const QString &a, const QString &b) {
        return a.section('|', 0, 0) < b.section('|', 0, 0);
    });
    for (QString &row : rows)
        row = row.section('|', 0, columns - 1);
    return rows;
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

    // Every row of the command tables is built in its menu or tool bar, in the table's order,
    // connected to its target; nothing else is there, and no two actions share a key.
    void everyRowIsReachable()
    {
        using namespace MainActions;
        ScriptedMessages boxes;
        Brambleweb *main = BRWApplication::instance()->createMainWindow(QString(), "Main");
        QCOMPARE(boxes.texts(), QStringList()); // every slot of the tables exists
        const auto target = [](Target to, const char *slot) {
            // The window's parts answer to their object names.
            static const QHash<Target, QString> names{
                    {Target::Window, "window"},    {Target::Tree, "tree"},
                    {Target::Aux, "aux"},          {Target::Location, "locationMode"},
                    {Target::Files, "files"},      {Target::Detached, "detached"},
                    {Target::Memory, "memory"},    {Target::Search, "search"},
                    {Target::Outlines, "outlines"}};
            return names.value(to) + ' ' + slot;
        };
        QStringList listed, treeEditing, bars, listedBars;
        for (const Action &row : actions()) {
            if (row.text)
                listed.append(QStringList{row.menu, row.objectName, target(row.target, row.slot),
                                          row.text, row.tip, QKeySequence(row.shortcut).toString()}
                                      .join('|'));
            if (row.flags & TreeEditing)
                treeEditing.append(row.objectName);
        }
        for (const ToolButton &row : toolButtons())
            listedBars.append(QString(row.toolBar) + '|' + row.objectName + '|' +
                              target(row.target, row.slot));
        QStringList menus;
        for (QAction *top : main->menuBar()->actions())
            walkMenu(top->menu(), top->menu()->title(), menus);
        QCOMPARE(byMenu(menus, 6), byMenu(listed, 6));
        QStringList names;
        for (QAction *action : main->treeActions())
            names.append(action->objectName());
        QCOMPARE(names, treeEditing);
        for (QToolBar *bar : main->findChildren<QToolBar *>()) {
            for (QAction *action : bar->actions()) {
                auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action));
                QVERIFY(button);
                QVERIFY(bar->isMovable());
                QVERIFY(!button->icon().pixmap(24).isNull());
                bars.append(QStringList{bar->objectName(), button->objectName(),
                                        targetOf(button, "clicked(bool)"), bar->windowTitle(),
                                        button->toolTip()}
                                    .join('|'));
            }
        }
        QCOMPARE(byMenu(bars, 3), byMenu(listedBars, 3));
        // A tool button as the user meets it: its bar's title, its tip with the key.
        QVERIFY(bars.contains(
                "Reminder|gotoReminder|window menuGoToReminder()|Reminder "
                "(Напоминатель)|Go to shedule (Перейти к тексту заданий) - Ctrl+Alt+R"));

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
    void textWindows_data() { JSON_ROWS("command", "caption", "part"); }
    void textWindows()
    {
        FETCH_TEXTS(command, caption, part);
        for (int open = 1; open <= 2; ++open) {
            QVERIFY(QMetaObject::invokeMethod(m_main->aux(), qPrintable(command)));
            QCOMPARE(m_main->findChildren<SymbolsDialog *>().size(), open);
        }
        QPointer<SymbolsDialog> first = m_main->findChildren<SymbolsDialog *>().first();
        QCOMPARE(
                (QList<bool>{first->isWindow(), first->isVisible(), first->editor()->isReadOnly()}),
                (QList<bool>{true, true, true}));
        QCOMPARE(first->windowTitle(), caption);
        const QString text = first->editor()->text();
        QVERIFY(text.contains(part));
        QCOMPARE(text.count('\n'), caption == "Symbols" ? 14 : text.count('\n'));
        first->close();
        QTRY_VERIFY(first.isNull());
        QCOMPARE(m_main->findChildren<SymbolsDialog *>().size(), 1);
        delete m_main->findChild<SymbolsDialog *>();
    }

    // The count is every character of the names and descriptions: none in an empty document;
    // A, Bc, d and their descriptions "A-text", "Bc-text", "d-text" make 23.
    void aboutBox()
    {
        for (const auto &[outline, count] : {std::pair{"", "0"}, {"A,Bc(d)", "23"}}) {
            buildOutline(*m_main->tree(), outline);
            QStringList shown;
            QTimer::singleShot(0, this, [&] {
                QWidget *box = QApplication::activeModalWidget();
                QLabel *symbols = box->findChildren<QLabel *>().last();
                shown << box->windowTitle() << symbols->text() << symbols->toolTip();
                box->close();
            });
            m_main->aux()->menuAbout();
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
        const auto record = &AuxiliaryCommands::startRecordEvents,
                   play = &AuxiliaryCommands::startPlayEvents;
        // the command, the file chosen in its dialog, then the state and the two buttons
        const std::tuple<void (AuxiliaryCommands::*)(), QString, QString> steps[] = {
                {record, keys, "1 recording playkeys"}, {play, "", "1 recording playkeys"},
                {record, "", "0 recordkeys playkeys"},  {play, none, "0 recordkeys playkeys"},
                {play, keys, "2 recordkeys playing"},   {record, "", "2 recordkeys playing"},
                {play, "", "0 recordkeys playkeys"}};
        for (const auto &[command, file, after] : steps) {
            if (!file.isEmpty())
                dialogs.chooseNext(file);
            (m_main->aux()->*command)();
            const int state = Play_RecordEvents::instance()->state();
            if (state == Play_RecordEvents::Recording)
                QTest::keyClick(m_main->editor(), Qt::Key_Q);
            QCOMPARE(QString::number(state) + ' ' + icon("recordkeys") + ' ' + icon("playkeys"),
                     after);
        }
        QCOMPARE(englishLines(boxes.texts()), QStringList("Cannot open file\n" + none));
        const FileDialogs::Request &first = dialogs.requests().first();
        QCOMPARE(first.startName + ' ' + first.directory + ' ' +
                         QString::number(dialogs.requests().size()),
                 "./events.txt " + m_dir.path() + " 3");
    }

    // Insert file and Reopen start where the last of them ended.
    void openDialogsShareAFolder()
    {
        ScriptedFileDialogs dialogs;
        ScriptedMessages boxes;
        Brambleweb *main = BRWApplication::instance()->createMainWindow(QString(), "Main");
        dialogs.chooseNext(QFINDTESTDATA("data") + "/gone.brw");
        main->files()->menuReopenFile();
        main->files()->menuAppendFile();
        QCOMPARE(dialogs.requests().last().directory, QFINDTESTDATA("data"));
    }

    // Alt+O, which the "T&ools" title's mnemonic claims as well, runs Open and opens no menu.
    void altOOpensAFile()
    {
        ScriptedFileDialogs dialogs;
        QApplication::setActiveWindow(m_main);
        QVERIFY(QTest::qWaitForWindowActive(m_main));
        QTest::keyClick(m_main->tree(), Qt::Key_O, Qt::AltModifier);
        QCOMPARE(dialogs.requests().size(), 1);
        QVERIFY(!QApplication::activePopupWidget());
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
