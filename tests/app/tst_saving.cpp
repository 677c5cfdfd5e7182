// Saving and the document's file: copies no more open than the document, interrupted, failed,
// emergency and quiet saves; a document changed on disk by another hand, the same document open in
// two programs, and the list of recent documents.
#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/DetachedWindows.h"
#include "app/FileCommands.h"
#include "app/OutsideThemeDialog.h"
#include "app/Play_RecordEvents.h"
#include "app/RecentDocuments.h"
#include "common/Clock.h"
#include "common/Cp1251.h"
#include "common/Emergency.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/DocumentLock.h"
#include "storage/FileOperations.h"
#include "storage/SaveUnderWay.h"
#include "support/EnglishLines.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/WindowTree.h"
#include "tree/NameEditor.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
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

class TestSaving : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    // A private copy of the sample in the test's folder.
    QString document(const QString &name = "doc.brw")
    {
        const QString path = copySample(m_dir.filePath(name));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
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
        if (typing) // the user goes to another window and comes back
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
        // Opened again, whether still listed or not: first, and once.
        openWindow(m_dir.filePath("n4.brw"))->setVisible(false);
        openWindow(m_dir.filePath("a.brw"))->setVisible(false);
        QStringList expected{m_dir.filePath("a.brw"), m_dir.filePath("n4.brw")};
        for (int i : {8, 7, 6, 5, 3, 2, 1})
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

    // what: the row makes from the document, a file command of the window (SaveAs, ...) or
    // another file; type: the file dialog's type, for a file command; existing: the command's
    // target exists already, with mode 0644; modes: the mode made under umask 022 and 077 from a
    // 0600 document, then from a 0640 one; link: a symbolic link at the first numbered name, to a
    // file or (under umask 077) to nothing: it is skipped and never written through.
    void copiesAreNoMoreOpenThanTheDocument_data()
    {
        JSON_ROWS("what", "type", "existing", "modes", "link");
    }
    void copiesAreNoMoreOpenThanTheDocument()
    {
        FETCH_TEXTS(what, type, existing, modes, link);
        const QDir dir(m_dir.path());
        for (int i = 0; i < 4; ++i) {
            const QString path = document("private.brw");
            ::chmod(QFile::encodeName(path).constData(), i < 2 ? 0600 : 0640);
            for (const QString &name : dir.entryList({"made*"}))
                QFile::remove(name);
            QVERIFY(existing.isEmpty() ||
                    (writeBytes("made.brw", {}) && ::chmod("made.brw", 0644) == 0));

            QFile::remove("pointed");
            QVERIFY(i % 2 || writeBytes("pointed", {}));
            QFile::link("pointed", link);
            ScriptedMessages boxes;
            ScriptedFileDialogs dialogs;
            dialogs.chooseNext(dir.filePath("made"), type.toInt()); // the type adds its extension
            const mode_t umask = ::umask(i % 2 ? 077 : 022);
            Brambleweb *window = openWindow(what == "unnamed" ? QString() : path);
            typeInto(window, "private words ");
            QString made;
            if (what == "error-save" || what == "unnamed") {
                made = window->errorSaveFile().fileName();
            } else if (what == "autosave") {
                window->files()->autosave();
                made = window->autosaveFile().fileName();
            } else if (what == "lock") {
                made = DocumentLock::lockPathOf(path);
            } else if (what == "events") {
                Play_RecordEvents recorder(qApp);
                recorder.setRecordFileName(made = m_dir.filePath("keys.events"));
                QFile::remove(made);
                QCOMPARE(recorder.startRecord(), 0);
                QCOMPARE(recorder.stopRecord(), 0);
            } else {
                boxes.answerNext(Messages::Answer::Ok); // replace the existing file
                window->files()->menuFileOperation(operationNamed(what));
                made = dir.entryList({"made*"}).join('|'); // one file
                QVERIFY2(!made.contains('|'), qPrintable(made));
                QVERIFY(fileBytes(made).size() > 100);
            }
            ::umask(umask);
            struct stat status = {};
            ::stat(QFile::encodeName(made).constData(), &status);
            QCOMPARE(int(status.st_mode & 0777), modes.split(' ')[i].toInt(nullptr, 8));
            QVERIFY(what != "autosave" || fileBytes(made).contains("private words "));
            QCOMPARE(fileBytes("pointed"), QByteArray(i % 2 ? "<missing>" : ""));
            QVERIFY(QFileInfo(made).fileName() != link);

            closeUnsaved(window);
            QFile::remove(link);
        }
    }

    // A kill during an in-place save leaves the document cut short, and a copy and a note naming
    // it (made by hand here): the next window on it names that copy, and no other file.
    void interruptedSaveNamesOnlyItsOwnCopy_data()
    {
        JSON_ROWS("note", "copy", "cut", "opened", "named");
    }
    void interruptedSaveNamesOnlyItsOwnCopy()
    {
        FETCH_TEXTS(note, copy, cut, opened, named);
        QTemporaryDir dir;
        const QString path = copySample(dir.filePath("doc.brw"));
        const QString other = copySample(dir.filePath("other.brw"));
        QVERIFY(::link(QFile::encodeName(path), QFile::encodeName(dir.filePath("doc-link.brw"))) ==
                0); // a second name: saves rewrite it in place
        const QString autosave = dir.filePath("autosave.1");
        QVERIFY(writeBytes(path, fileBytes(path) + QByteArray(1 << 20, ' '))); // > a piece compared
        QVERIFY(writeBytes(autosave, copy == "foreign" ? "some other file\r\n"
                                                       : fileBytes(path).chopped(copy == "last") +
                                                                 QByteArray(copy == "last", 'x')));
        QVERIFY(note.isEmpty() || SaveUnderWay::begin(autosave, note == "own" ? path : other));
        QVERIFY(cut.isEmpty() || QFile::resize(path, QFileInfo(path).size() / 2));
        ScriptedMessages boxes;
        openWindow(dir.filePath(opened))->close();
        // The notice's words are the message table's; what is named is this row's own.
        QCOMPARE(QString::number(boxes.count()) + boxes.texts().value(0).section('\n', -1),
                 named.isEmpty() ? "0" : "1" + autosave);
    }

    void failedSavesKeepTheOldDocument()
    {
        ScriptedMessages boxes;
        QDir(m_dir.path()).mkdir("locked");
        const QString path = document("locked/doc.brw");
        const QByteArray before = fileBytes(path);
        Brambleweb *window = openWindow(path);
        typeInto(window, "lost? ");

        // A file-size limit makes the write fail part-way.
        struct rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        const struct rlimit limit = {512, old.rlim_max};

        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        window->files()->menuSaveFile();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(boxes.texts().first(), "Error writing file\nОшибка записи в файл\n" + path);
        QCOMPARE(QString::number(boxes.count()) + boxes.texts().last().section('.', 0, 0),
                 "2(File save with error");
        QVERIFY(window->windowTitle().contains("* "));
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(m_dir.filePath("locked")).entryList({"doc.brw.*"}), QStringList());
        closeUnsaved(window);
    }

    void emergencySaveAndJournal()
    {
        ScriptedMessages boxes;
        const QString path = document("crash.brw");
        Brambleweb *window = openWindow(path);
        openWindow(QString())->close();
        window->detached()->menuRemoval(); // its text as it stands follows the tree
        QTest::keyClicks(window->detached()->removalWindows().first()->editor(), "detached ");
        typeInto(window, "unsaved <hidden>kept</hidden> "); // stored by nothing else
        // And in another window a name being typed, which no focus change left over from the
        // windows before ends.
        QCoreApplication::processEvents();
        Brambleweb *naming = openWindow(document("naming.brw"));
        naming->tree()->setCurrentTheme(naming->document().root()->child(0));
        naming->tree()->menuEditThemeName();
        QTest::keyClicks(naming->tree()->nameEditor(), "typed");
        const QString namingSave = naming->errorSaveFile().fileName();
        const QString removal = "<!--1[" + Clock::today().toString("dd.MM.yyyy") + "]-->Removal\n" +
                                window->detached()->removalWindows().first()->editor()->text() +
                                '\n';
        const QString errorSave = window->errorSaveFile().fileName();

        BRWApplication *application = BRWApplication::instance();
        const size_t windows = application->windows().size();
        const QString journal = application->saveLog();
        QCOMPARE(boxes.captions() + boxes.texts(),
                 QStringList({"Save log - Журнал аварийного сохранения", journal}));

        const QString section =
                "BRW - * crash.brw\n-------------\n"
                "!!!Error (Ошибка)!!!\nUnknown exception. It save data to file\nНеизвестное "
                "исключение. Данные будут сохранены в файле\n" +
                errorSave +
                "\n!!!Message (Сообщение)!!!\nCorrect saving\nДанные сохранены успешно\n\n";
        QVERIFY2(journal.contains(section), qPrintable(journal));
        const QString cannotSave =
                "!!!Error (Ошибка)!!!\nCannot save file\nНет возможности сохранить файл\n";
        QVERIFY(journal.contains("BRW - \n-------------\n" + cannotSave + '\n'));
        QCOMPARE(journal.count("-------------\n"), int(windows));
        const QByteArray saved = fileBytes(errorSave);
        QVERIFY(!window->errorSaveFile().isOpen());
        QVERIFY(saved.contains("unsaved <hidden>kept</hidden> "));

        QCOMPARE(saved, saveToBytes(window->document(), window->document().root(), 0) +
                                Cp1251Codec().encode(removal).replace("\n", "\r\n"));

        // The file is closed now: a second emergency save can only say so.
        QString again;
        window->files()->emergencySave(again);
        QCOMPARE(again, cannotSave);
        QCOMPARE(fileBytes(errorSave), saved);
        QVERIFY(fileBytes(namingSave).contains("]-->Getting aroundtyped\r\n"));
        closeUnsaved(window);
        closeUnsaved(naming);
    }

    // Last, as the state stays: the save of SIGTERM runs where no event may close the name
    // editor first. The name being typed is saved with the theme.
    void quietSaveKeepsTheNameBeingTyped()
    {
        Brambleweb *window = openWindow(document("term.brw"));
        ThemeView *tree = window->tree();
        tree->setCurrentTheme(window->document().root()->child(0));
        tree->menuTreeInsert_Dn();
        QTest::keyClicks(tree->nameEditor(), "typed");
        const QString errorSave = window->errorSaveFile().fileName();
        // The quiet save removes an autosave copy that is still empty, as a close does.
        Brambleweb *autosaved = openWindow(document("autosaved.brw"));
        typeInto(autosaved, "autosaved ");
        autosaved->files()->autosave();
        const QString copies[] = {window->autosaveFile().fileName(),
                                  autosaved->autosaveFile().fileName()};
        Emergency::begin();
        BRWApplication::instance()->saveQuietly();
        QVERIFY(fileBytes(errorSave).contains("]-->typed\r\n"));
        QVERIFY(!QFile::exists(copies[0]));
        QVERIFY(fileBytes(copies[1]).contains("autosaved "));
    }
};

BRW_APPLICATION_TEST_MAIN(TestSaving)
#include "tst_saving.moc"
