// A document changed on disk by another hand, the same document open in two programs, and the
// list of recent documents.
#include "app/DetachedWindows.h"
#include "app/FileCommands.h"
#include "app/OutsideThemeDialog.h"
#include "app/RecentDocuments.h"
#include "storage/DocumentLock.h"
#include "storage/FileOperations.h"
#include "support/EnglishLines.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/WindowTree.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>
#include <unistd.h>

using Answer = Messages::Answer;

static const QString outsideText = "The file was changed outside BRW (Файл изменён вне BRW)";
static const QByteArray outsideBytes = "<!--1[01.01.2020]-->written outside\r\n";

// The question before a reload, naming where the window's unsaved changes go.
static QString reloadQuestion(const QString &path, const QString &errorSave)
{
    return "The file was changed outside BRW. Reload it?\n" + path +
           "\nYour unsaved changes go to\n" + errorSave;
}
static QString overwriteQuestion(const QString &path)
{
    return "The file was changed outside BRW. Overwrite it?\n(No: save as another file)\n" + path;
}

class TestOutsideChanges : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString document(const QString &name = "doc.brw") { return copySample(m_dir.filePath(name)); }
    static QString status(Brambleweb *window) { return window->statusBar()->currentMessage(); }

private Q_SLOTS:
    void initTestCase() { QDir::setCurrent(m_dir.path()); }

    // outside: write, write while typing (the window is active and keys go on arriving after the
    // change), write with text typed in a detached window (unsaved text too: it goes into the
    // error-save file with the tree, and the question says so), delete; reload: the answer to the
    // question when the window is activated, save: to the question before Ctrl+S writes (empty:
    // none asked); after: outside or gone.
    void outsideChange_data() { JSON_ROWS("outside", "reload", "save", "after"); }
    void outsideChange()
    {
        FETCH_TEXTS(outside, after, reload, save);
        const QString path = document(), other = m_dir.filePath("other.brw");
        QFile::remove(other);
        ScriptedMessages boxes;
        ScriptedFileDialogs dialogs;
        Brambleweb *window = openWindow(path);
        // The reload question waits for the next activation, also while keys go to the window.
        const bool typing = outside == "write while typing";
        QApplication::setActiveWindow(typing ? window : nullptr);
        typeInto(window, "mine ");
        const bool detached = outside == "write with a detached window";
        if (detached) {
            window->tree()->setCurrentTheme(themeNamed(*window->tree(), "Renaming"));
            window->detached()->menuRemoval();
            QTest::keyClicks(window->detached()->removalWindows().value(0)->editor(),
                             "detached words");
        }
        const QString errorSave = window->errorSaveFile().fileName();
        if (outside == "delete")
            QVERIFY(QFile::remove(path));
        else
            QVERIFY(writeBytes(path, outsideBytes));
        QTRY_COMPARE(status(window), outsideText);
        if (typing)
            typeInto(window, " ");
        QTest::qWait(100); // late reports of the watcher
        QCOMPARE(status(window) + QString::number(boxes.count()), outsideText + "0");

        if (!reload.isEmpty())
            boxes.answerNext(ScriptedMessages::answerNamed(reload));
        if (detached) // the detached window's question when its theme goes
            boxes.answerNext(Answer::No);
        if (typing)                   // the user goes to another window and comes back
            QApplication::setActiveWindow(nullptr);
        QApplication::setActiveWindow(window);
        QTest::qWait(50);
        QStringList asked{reloadQuestion(path, errorSave)};
        if (detached)
            asked = QStringList{asked[0] + "\nThe texts of the detached windows go there too",
                                "Save theme (Сохранить тему)\nRenaming/Getting around/-| ?"};
        QTRY_COMPARE(englishLines(boxes.texts()), asked.mid(reload.isEmpty()));
        // Kept beside the document, out of the way of the window's next error-save file.
        QCOMPARE(fileBytes(errorSave).contains("mine "), reload == "Yes");
        QCOMPARE(fileBytes(errorSave).contains("Removal\r\ndetached words"), detached);

        boxes.clear();
        if (!save.isEmpty())
            boxes.answerNext(ScriptedMessages::answerNamed(save));
        dialogs.chooseNext(other);
        window->files()->menuSaveFile();
        QCOMPARE(englishLines(boxes.texts()),
                 QStringList{overwriteQuestion(path)}.mid(save.isEmpty()));
        const QByteArray saved = fileBytes(path);
        QCOMPARE(saved.contains("written outside"), after == "outside");
        QCOMPARE(fileBytes(other).contains("mine "), save == "No");
        QCOMPARE(window->isModified(), save == "Cancel");
        // Once written, the file is the window's own again.
        boxes.clear();
        typeInto(window, "again ");
        window->files()->menuSaveFile();
        QCOMPARE(boxes.count(), int(save == "Cancel"));
        closeUnsaved(window);
        QFile::remove(errorSave);
    }

    // Another program writes the file while the window reads it: the change shows, and Ctrl+S
    // asks before it writes over the other file.
    void outsideWriteDuringTheWindowsOwn_data() { JSON_ROWS("during", "change"); }
    void outsideWriteDuringTheWindowsOwn()
    {
        FETCH_TEXTS(during, change);
        const QString path = document();
        ScriptedMessages boxes;
        ScriptedFileDialogs dialogs;
        Brambleweb *window = BRWApplication::instance()->createMainWindow(
                during == "reopen" ? QString() : path, "Main");
        bool changed = false;
        auto writeOutside = [&] {
            QFile file(path);
            changed = change == "append" ? file.open(QIODevice::Append) &&
                                                   file.write(outsideBytes) == outsideBytes.size()
                                         : replaceFrom(path, outsideBytes);
        };
        // The reader's last word: the tree is built, the window has not looked at the file yet.
        connect(window->tree(), &ThemeView::stateChanged, window, [&] {
            if (!changed && window->document().root()->childCount() > 0)
                writeOutside();
        });
        window->show();
        QApplication::setActiveWindow(nullptr);
        dialogs.chooseNext(path);
        if (during == "reopen")
            window->files()->menuFileOperation(FileOperations::Reopen);
        QVERIFY(changed);
        QTRY_COMPARE(status(window), outsideText);
        QCOMPARE(boxes.count() + window->isModified(), 0);

        boxes.answerNext(Answer::Cancel);
        window->files()->menuSaveFile();
        QCOMPARE(englishLines(boxes.texts()), QStringList{overwriteQuestion(path)});
        QVERIFY(fileBytes(path).endsWith(outsideBytes));
        closeUnsaved(window);
    }

    // The window's own write under any command is no outside change, also where it replaces
    // the document's file; a file that then no longer holds the tree leaves it unsaved.
    // type: in the file dialog's list; target: doc.brw, second.brw (a hard link to it), other.brw
    void ownWriteUnderAnyCommand_data() { JSON_ROWS("operation", "type", "current", "target"); }
    void ownWriteUnderAnyCommand()
    {
        FETCH_TEXTS(operation, type, current, target);
        const QString path = document();
        target = m_dir.filePath(target);
        for (const char *name : {"second.brw", "other.brw"})
            QFile::remove(m_dir.filePath(name));
        QVERIFY(::link(QFile::encodeName(path).constData(),
                       QFile::encodeName(m_dir.filePath("second.brw")).constData()) == 0);
        const QByteArray whole = fileBytes(path);
        ScriptedMessages boxes; // OK to the question whether to replace the file
        ScriptedFileDialogs dialogs;
        Brambleweb *window = openWindow(path);
        QApplication::setActiveWindow(nullptr);
        window->tree()->setCurrentTheme(themeNamed(*window->tree(), current));
        dialogs.chooseNext(target, type.toInt());
        window->files()->menuFileOperation(operationNamed(operation));
        QTest::qWait(100); // late reports of the watcher
        const bool own = !target.endsWith("other.brw");
        QCOMPARE(fileBytes(path) == whole, !own);
        QCOMPARE(status(window) + QString::number(window->isModified()), QString::number(own));
        QApplication::setActiveWindow(window);
        QTest::qWait(50);
        window->files()->menuSaveFile();
        QCOMPARE(boxes.texts(), QStringList{FileOperations::replaceQuestion(target)}.mid(!own));
        QCOMPARE(fileBytes(path), whole);
        closeUnsaved(window);
    }

    // Programs open (a+) and close (a-) one document in turn; after each step the lock names the
    // programs listed, and an opener is warned of the one after "/". a, b, c: live programs here,
    // d: one that ended, x: one of another machine.
    void lockNamesEveryHolder_data() { JSON_ROWS("found", "steps"); }
    void lockNamesEveryHolder()
    {
        FETCH_TEXTS(found, steps);
        QTemporaryDir dir;
        const QString path = copySample(dir.filePath("doc.brw"));
        const QString lock = DocumentLock::lockPathOf(path);
        const QString host = DocumentLock::thisProgram().host;
        QProcess live, ended;
        for (QProcess *process : {&live, &ended}) {
            process->start("sleep", {"30"});
            QVERIFY(process->waitForStarted());
        }
        const qint64 endedPid = ended.processId();
        ended.kill();
        ended.waitForFinished();
        const QMap<QChar, DocumentLock::Holder> programs{{'a', {::getppid(), host}},
                                                         {'b', DocumentLock::thisProgram()},
                                                         {'c', {live.processId(), host}},
                                                         {'d', {endedPid, host}},
                                                         {'x', {4242, "elsewhere"}}};
        const auto linesOf = [&](const QString &names) {
            QByteArray lines;
            for (const QChar name : names)
                lines += QByteArray::number(programs[name].pid) + ' ' +
                         programs[name].host.toUtf8() + '\n';
            return lines.isEmpty() ? QByteArray("<missing>") : lines;
        };
        if (!found.isEmpty())
            QVERIFY(writeBytes(lock, linesOf(found)));
        std::map<QChar, std::unique_ptr<DocumentLock>> locks;
        QStringList seen, expected;
        for (const QString &step : steps.split(' ')) {
            const QChar name = step[0];
            const QString after = step.section('=', 1);
            QString warned, expectedWarned;
            if (step[1] == '+') {
                locks[name] = std::make_unique<DocumentLock>(programs[name]);
                warned = " warned " + QString(programs.key(locks[name]->acquire(path), '-'));
                expectedWarned = " warned " + after.section('/', 1).leftJustified(1, '-');
            } else {
                locks[name]->release();
            }
            seen << step + ' ' + fileBytes(lock) + warned;
            expected << step + ' ' + linesOf(after.section('/', 0, 0)) + expectedWarned;
        }
        QCOMPARE(seen, expected);
        live.kill();
        live.waitForFinished();
    }

    // A path wider than the menu's room loses the middle of its folders; the file name stays
    // whole unless it alone is too wide. Seen: name whole, within the width, shortened, head.
    void recentPathsShortenInTheMiddle_data() { JSON_ROWS("path", "seen"); }
    void recentPathsShortenInTheMiddle()
    {
        QFETCH(QString, path);
        const QFontMetrics metrics(QApplication::font());
        const int width = 300;
        if (path.isEmpty()) // the narrowest path that no longer fits
            for (path = "/home/notes.brw"; metrics.horizontalAdvance(path) <= width;)
                path.insert(5, 'x');
        const QString shown = RecentDocuments::shownPath(path, metrics, width);
        const QString name = path.mid(path.lastIndexOf('/'));
        QTEST(QString("%1 %2 %3 %4")
                      .arg(int(shown.endsWith(name)))
                      .arg(int(metrics.horizontalAdvance(shown) <= width))
                      .arg(int(shown.contains(QChar(0x2026))))
                      .arg(shown.left(5)),
              "seen");
    }

    void recentDocuments()
    {
        ScriptedMessages boxes;
        for (const char *name : {"a.brw", "b.brw", "autosave.3", "b.brw1", "12345678.txt"})
            openWindow(document(name))->setVisible(false);
        for (int i = 0; i < 9; ++i)
            openWindow(document(QString("n%1.brw").arg(i)))->setVisible(false);
        openWindow(m_dir.filePath("a.brw"))->setVisible(false); // opened again: first
        QStringList expected{m_dir.filePath("a.brw")};
        for (int i = 8; i > 0; --i)
            expected.append(m_dir.filePath(QString("n%1.brw").arg(i)));
        QCOMPARE(RecentDocuments::list(), expected);

        Brambleweb *window = openWindow(QString());
        QMenu *recent = window->menuBar()->findChild<QMenu *>("recent");
        Q_EMIT recent->aboutToShow();
        QCOMPARE((QStringList{QString::number(recent->actions().size()),
                              recent->actions().first()->text(), recent->actions().last()->text()}),
                 (QStringList{"9", "&1 " + expected.first(), "&9 " + expected.last()}));
        // A missing file: the usual box, and it leaves the list.
        const size_t windows = BRWApplication::instance()->windows().size();
        QFile::remove(expected.first());
        recent->actions().first()->trigger();
        QCOMPARE(englishLines(boxes.texts()) + RecentDocuments::list(),
                 QStringList{"Cannot open file\n" + expected.first()} + expected.mid(1));
        QCOMPARE(BRWApplication::instance()->windows().size(), windows);
        Q_EMIT recent->aboutToShow();
        recent->actions().first()->trigger();
        QCOMPARE(BRWApplication::instance()->windows().back()->fileName(), expected[1]);
    }
};

BRW_APPLICATION_TEST_MAIN(TestOutsideChanges)
#include "tst_outsidechanges.moc"
