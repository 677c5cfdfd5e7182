// The reminder inside a main window: the commands of the window and the tree, the text the tree
// hands over, the clock, and the hand-off after a load.
#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "common/Clock.h"
#include "common/Sound.h"
#include "editor/CorrectedTextEdit.h"
#include "reminder/Reminder.h"
#include "reminder/ReminderParser.h"
#include "storage/TreeFile.h"
#include "support/ScriptedMessages.h"
#include "tree/LinkListView.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestReminderWiring : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QStringList m_sounds;
    const QDateTime m_morning{QDate(2005, 4, 10), QTime(10, 0)};

private Q_SLOTS:
    void initTestCase()
    {
        QDir::setCurrent(m_dir.path());
        Sound::setPlayer([this](const QString &file) { m_sounds.append(file); });
        Clock::setNow(m_morning);
    }

    void commands()
    {
        ScriptedMessages boxes;
        Brambleweb *main = BRWApplication::instance()->createMainWindow(QString(), "Main");
        main->show();
        LinkListView *tree = main->tree();
        main->menuApply();
        QCOMPARE(boxes.texts(), QStringList("Nothing to do\nНечего делать"));

        QSignalSpy changed(tree, &LinkListView::dataChanged);
        main->menuGoToReminder();
        main->menuGoToReminder();
        ColorListViewItem *theme = tree->reminderTheme();
        QVERIFY(theme && theme->parentTheme() == tree->rootTheme());
        QCOMPARE(tree->themeCount(), 2);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(tree->currentTheme(), theme);
        QCOMPARE(main->editor()->toPlainText(), ReminderParser::exampleText());

        // Alt+Return in the editor applies the text being typed, subthemes joined to it.
        tree->setDescription(tree->createChild(theme, "sub", QString(), QString()), "x", false);
        main->editor()->setFocus();
        QTest::keyClicks(main->editor(), "10:30 \"tea\"");
        QTest::keyClick(main->editor(), Qt::Key_Return);
        QTest::keyClick(main->editor(), Qt::Key_Return, Qt::AltModifier);
        QCOMPARE(boxes.captions().last(), QString("Reminder errors"));
        QCOMPARE(boxes.texts().last(), QString("Unknown task[9, 2]\n"));
        QCOMPARE(tree->reminder()->tasks().size(), size_t(1));

        main->findChild<QAction *>("SoundOff")->trigger();
        QVERIFY(tree->reminder()->isSoundOff());
        Clock::setNow(m_morning.addSecs(1805));
        tree->timer1000();
        QVERIFY(m_sounds.isEmpty());
        QVERIFY(tree->reminder()->window()->textBox()->toPlainText().endsWith("tea\n"));

        tree->renameTheme(theme, "plain");
        QVERIFY(!tree->reminderTheme());
        QVERIFY(tree->reminder()->tasks().empty());
        boxes.answerNext(Messages::Answer::No); // leave the changed document unsaved
        main->close();
        Clock::setNow(m_morning);
    }

    // A file saved at 9:00 and opened at 10:00: 9:30 is listed under today's header and rings
    // in the first tick; 8:30 is not scheduled.
    void todayAfterLoad()
    {
        ScriptedMessages boxes;
        const QDateTime morning(QDate(2005, 4, 3), QTime(10, 0));
        Clock::setNow(morning);
        QFile file(m_dir.filePath("r.brw"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<!--1-->__reminder\r\n9:30 \"missed\"\r\n8:30 \"early\"\r\n");
        file.flush();
        QVERIFY(file.setFileTime(morning.addSecs(-3600), QFileDevice::FileModificationTime));
        LinkListView tree;
        QVERIFY(loadTree(tree, file.fileName(), 0, nullptr));
        const QString line = " 3.04.2005     9:30    missed\n";
        QPlainTextEdit *text = tree.reminder()->window()->textBox();
        QCOMPARE(text->toPlainText(),
                 "--------------Today tasks--Задания на сегодня----------\n" + line);
        tree.timer1000();
        QCOMPARE(text->toPlainText().count(line), 2);
        QCOMPARE(m_sounds, QStringList({"reminder.wav", "reminder.wav"}));
        QVERIFY(tree.reminder()->tasks().size() == 1 && boxes.count() == 0);
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    BRWApplication application(argc, argv);
    TestReminderWiring test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_reminderwiring.moc"
