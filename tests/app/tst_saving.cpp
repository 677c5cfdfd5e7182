#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/OutsideThemeDialog.h"
#include "app/Play_RecordEvents.h"
#include "common/Clock.h"
#include "common/Cp1251.h"
#include "common/Emergency.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/DocumentLock.h"
#include "storage/FileOperations.h"
#include "storage/NumberedFile.h"
#include "storage/SaveUnderWay.h"
#include "storage/TreeFile.h"
#include "support/HangGuard.h"
#include "support/MainWindows.h"
#include "support/Rows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "tree/LinkListView.h"
#include "tree/NameEditor.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// What a row makes from the document: a file command of the window (its number), or another file.
enum Made { ErrorSave = -1, Autosave = -2, Events = -3, Unnamed = -4, Lock = -5 };
struct ModeRow
{
    const char *name;
    int made;
    int type;      // the file dialog's type, for a file command
    bool existing; // the command's target exists already, with mode 0644
    // The mode made under umask 022 and 077 from a 0600 document, then from a 0640 one.
    std::array<int, 4> modes;
    // A symbolic link at the first numbered name, to a file or (under umask 077) to nothing:
    // it is skipped and never written through.
    const char *link;
};
Q_DECLARE_METATYPE(ModeRow)

struct LeftRow
{
    const char *name;
    QString kind; // what lies at the numbers: empty, text, held, link, stranger's
    int age;      // seconds since it last changed
    int count;    // at how many numbers, from 1
    int taken;    // the number a new window gets
};
Q_DECLARE_METATYPE(LeftRow)

class TestSaving : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString copyOfSample(const QString &name)
    {
        const QString path = copySample(m_dir.filePath(name));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

private Q_SLOTS:
    void initTestCase() { QDir::setCurrent(m_dir.path()); }

    void numberedSaveFileNames()
    {
        ScriptedMessages boxes;
        Brambleweb *first = openWindow(QString());
        Brambleweb *second = openWindow(QString());
        QCOMPARE(QDir().entryList({"autosave.*", "errorsave.*"}, QDir::Files),
                 QStringList({"autosave.1", "autosave.2", "errorsave.!!!1", "errorsave.!!!2"}));
        QVERIFY(first->errorSaveFile().isOpen());
        QCOMPARE(second->errorSaveFile().fileName(), QString("errorsave.!!!2"));
        first->close();
        second->close();
        QVERIFY(!QFile::exists("errorsave.!!!1"));
        QVERIFY(!QFile::exists("autosave.2"));

        const QString notes = copyOfSample("notes.brw");
        QFile taken(notes + "1"); // older than the document: no notice
        QVERIFY(writeBytes(taken.fileName(), "someone's data"));
        QVERIFY(taken.open(QIODevice::Append));
        taken.setFileTime(QDateTime(QDate(2001, 1, 1), QTime()), QFileDevice::FileModificationTime);
        taken.close();
        Brambleweb *window = openWindow(notes);
        QCOMPARE(fileBytes(notes + "1"), QByteArray("someone's data"));
        QFile::remove(notes + "1");
        // Each preparation takes the free number and drops the file of the one before.
        QStringList names{window->errorSaveFile().fileName()};
        for (int i = 0; i < 2; ++i) {
            window->prepareSaveFiles();
            names << window->errorSaveFile().fileName() + ' ' +
                             QDir().entryList({"notes.brw?"}).join(' ');
        }
        QCOMPARE(names, QStringList({notes + "2", notes + "1 notes.brw1", notes + "2 notes.brw2"}));
        QCOMPARE(QFileInfo(window->autosaveFile().fileName()).absolutePath(),
                 QFileInfo(notes).absolutePath());
        QCOMPARE(boxes.count(), 0);
        window->close();
    }

    // A kill leaves the empty error-save and autosave files of a window behind; a later start
    // takes such a number again once nobody holds the file, so the 99 numbers never run out.
    void leftNumbersAreTakenAgain_data()
    {
        // clang-format off
        addRows<LeftRow>({
            {"empty, left a minute ago", "empty", NumberedFile::leftAfterSeconds, 1, 1},
            {"empty, left 58 s ago", "empty", NumberedFile::leftAfterSeconds - 2, 1, 2},
            {"all 99 left empty", "empty", 3600, 99, 1},
            {"with text", "text", 3600, 1, 2},
            {"held by a running window", "held", 3600, 1, 2},
            {"a link to an empty file", "link", 3600, 1, 2},
            {"another user's empty file", "stranger's", 3600, 1, 2},
        });
        // clang-format on
    }
    void leftNumbersAreTakenAgain()
    {
        QFETCH(LeftRow, row);
        QTemporaryDir dir;
        const QString path = copySample(dir.filePath("doc.brw"));
        const QString bases[] = {dir.filePath("autosave."), path};
        ScriptedMessages boxes;
        Brambleweb *holder = row.kind == "held" ? openWindow(path) : nullptr;
        QVERIFY(writeBytes(dir.filePath("pointed"), {}));
        for (int number = 1; number <= row.count; ++number) {
            for (const QString &base : bases) {
                const QString name = base + QString::number(number);
                if (row.kind == "link")
                    QVERIFY(QFile::link(dir.filePath("pointed"), name));
                else if (!holder)
                    QVERIFY(writeBytes(name, row.kind == "text" ? "words" : ""));
                if (row.kind == "stranger's")
                    QVERIFY(::chown(QFile::encodeName(name), 65534, 65534) == 0);
                const struct timespec times[2] = {{std::time(nullptr) - row.age, 0},
                                                  {std::time(nullptr) - row.age, 0}};
                QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(name), times,
                                    AT_SYMLINK_NOFOLLOW) == 0);
            }
        }
        Brambleweb *window = openWindow(path);
        QCOMPARE(window->autosaveFile().fileName(), bases[0] + QString::number(row.taken));
        QCOMPARE(window->errorSaveFile().fileName(), bases[1] + QString::number(row.taken));
        QVERIFY(row.kind != "text" ||
                fileBytes(bases[0] + "1") + fileBytes(bases[1] + "1") == "wordswords");
        QVERIFY(row.kind != "link" || QFileInfo(bases[1] + "1").isSymLink());
        QCOMPARE(boxes.count(), 0);
        window->close();
        if (holder)
            holder->close();
    }

    void copiesAreNoMoreOpenThanTheDocument_data()
    {
        const std::array<int, 4> document{0600, 0600, 0640, 0600}, own{0600, 0600, 0600, 0600};
        // clang-format off
        addRows<ModeRow>({
            {"error-save file", ErrorSave, 0, false, document, "private.brw1"},
            {"error-save file of an unnamed window", Unnamed, 0, false, own, "errorsave.!!!1"},
            {"autosave copy", Autosave, 0, false, document, "autosave.1"},
            {"events file", Events, 0, false, own, ""},
            {"lock file", Lock, 0, false, document, ""},
            {"save as", FileOperations::SaveAs, 0, false, document, ""},
            {"structure", FileOperations::SaveAs, 1, false, document, ""},
            {"HTML export", FileOperations::SaveAs, 2, false, document, ""},
            {"branch", FileOperations::SaveBranch, 0, false, document, ""},
            {"table", FileOperations::SaveTable, 0, false, document, ""},
            {"save as over a file keeps its mode", FileOperations::SaveAs, 0, true, {0644, 0644, 0644, 0644}, ""},
        });
        // clang-format on
    }
    void copiesAreNoMoreOpenThanTheDocument()
    {
        QFETCH(ModeRow, row);
        const QDir dir(m_dir.path());
        for (int i = 0; i < 4; ++i) {
            const QString path = copyOfSample("private.brw");
            ::chmod(QFile::encodeName(path).constData(), i < 2 ? 0600 : 0640);
            for (const QString &name : dir.entryList({"made*"}))
                QFile::remove(name);
            if (row.existing) {
                QVERIFY(writeBytes("made.brw", {}));
                QCOMPARE(::chmod("made.brw", 0644), 0);
            }

            QFile::remove("pointed");
            if (i % 2 == 0)
                QFile("pointed").open(QIODevice::WriteOnly);
            QFile::link("pointed", row.link);
            ScriptedMessages boxes;
            ScriptedFileDialogs dialogs;
            dialogs.chooseNext(dir.filePath("made"), row.type); // the type adds its extension
            const mode_t umask = ::umask(i % 2 ? 077 : 022);
            Brambleweb *window = openWindow(row.made == Unnamed ? QString() : path);
            typeInto(window, "private words ");
            QString made;
            if (row.made == ErrorSave || row.made == Unnamed) {
                made = window->errorSaveFile().fileName();
            } else if (row.made == Autosave) {
                window->autosave();
                made = window->autosaveFile().fileName();
            } else if (row.made == Lock) {
                made = DocumentLock::lockPathOf(path);
            } else if (row.made == Events) {
                Play_RecordEvents recorder(qApp);
                recorder.setRecordFileName(made = m_dir.filePath("keys.events"));
                QFile::remove(made);
                QCOMPARE(recorder.startRecord(), 0);
                QCOMPARE(recorder.stopRecord(), 0);
            } else {
                boxes.answerNext(Messages::Answer::Ok); // replace the existing file
                window->menuFileOperation(row.made);
                made = dir.entryList({"made*"}).join('|'); // one file
                QVERIFY2(!made.contains('|'), qPrintable(made));
                QVERIFY(fileBytes(made).size() > 100);
            }
            ::umask(umask);
            struct stat status = {};
            ::stat(QFile::encodeName(made).constData(), &status);
            QCOMPARE(int(status.st_mode & 0777), row.modes[size_t(i)]);
            QVERIFY(row.made != Autosave || fileBytes(made).contains("private words "));
            QCOMPARE(fileBytes("pointed"), QByteArray(i % 2 ? "<missing>" : ""));
            QVERIFY(QFileInfo(made).fileName() != row.link);

            closeUnsaved(window);
            QFile::remove(row.link);
        }
    }

    void autosaveOnThe121stTick()
    {
        ScriptedMessages boxes;
        Brambleweb *window = openWindow(copyOfSample("auto.brw"));
        const QString autosave = window->autosaveFile().fileName();
        const auto ticks = [window](int seconds) {
            for (int i = 0; i < seconds; ++i)
                window->nextSecund();
            return window->autosaveTicks();
        };
        QCOMPARE(ticks(10), 0); // nothing to save
        typeInto(window, "first edit ");
        QCOMPARE(ticks(120), 120);
        QCOMPARE(fileBytes(autosave), QByteArray());
        QCOMPARE(ticks(1), 0);
        const QByteArray copy = fileBytes(autosave);
        // An autosave is no save.
        QVERIFY(copy.contains("first edit "));
        QVERIFY(window->windowTitle().contains("* "));
        QCOMPARE(copy, saveToBytes(*window->tree(), 0));
        QCOMPARE(QDir(QFileInfo(autosave).absolutePath()).entryList({"*.txt"}), QStringList());
        // A copy that cannot take the autosave name: the box names the name it missed.
        QVERIFY(QFile::remove(autosave) && QDir().mkpath(autosave + "/held"));
        typeInto(window, "second edit ");
        ticks(121);
        QCOMPARE(boxes.texts().value(0).section('\n', -1), autosave);
        QVERIFY(QDir(autosave).removeRecursively());
        boxes.clear();

        // A save restarts the count.
        ticks(50);
        window->menuSaveFile();
        QVERIFY(!window->isModified());
        QCOMPARE(ticks(1), 0);
        QCOMPARE(boxes.texts(), QStringList());
        window->close();
    }

    void closeAndAutosaveExcludeEachOther()
    {
        ScriptedMessages boxes;
        Brambleweb *window = openWindow(copyOfSample("guard.brw"));
        typeInto(window, "guarded ");
        // A close that arrives while the autosave waits for a busy tree is refused.
        auto *busy = new LinkListView::Busy(window->tree());
        bool closed = true;
        QTimer::singleShot(50, [&] { closed = window->close(); });
        QTimer::singleShot(300, [&] { delete busy; });
        window->autosave();
        QVERIFY(!closed);
        QVERIFY(window->isVisible());
        QVERIFY(fileBytes(window->autosaveFile().fileName()).contains("guarded "));

        // An autosave reached while the close asks its question does nothing.
        const QString autosave = window->autosaveFile().fileName();
        QFile::resize(autosave, 0);
        qint64 written = -1;
        Messages::setResponder([&](const Messages::Box &) {
            window->autosave();
            written = QFileInfo(autosave).size();
            return Messages::Answer::No;
        });
        QVERIFY(window->close());
        Messages::setResponder({});
        window->autosave(); // after the close, too
        QCOMPARE(written, qint64(0));
        QVERIFY(!QFile::exists(autosave));
    }

    void saveFollowsLinks()
    {
        ScriptedMessages boxes;
        const QString path = copyOfSample("atomic.brw");
        const QString link = m_dir.filePath("link.brw");
        QVERIFY(QFile::link(path, link));
        // A second name makes the save rewrite the file in place, after a copy into autosave.
        const QString hardLink = m_dir.filePath("hard.brw");
        QVERIFY(::link(QFile::encodeName(path), QFile::encodeName(hardLink)) == 0);
        Brambleweb *window = openWindow(link);
        typeInto(window, "saved edit ");
        window->menuSaveFile();
        QVERIFY(!window->isModified());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(window->windowTitle(), QString("BRW - link.brw"));
        QCOMPARE(fileBytes(path), saveToBytes(*window->tree(), 0));
        QCOMPARE(fileBytes(hardLink) + fileBytes(window->autosaveFile().fileName()),
                 fileBytes(path).repeated(2));
        // The save ended: its note is gone with it.
        QVERIFY(!QFile::exists(SaveUnderWay::notePathOf(window->autosaveFile().fileName())));
        QCOMPARE(boxes.count(), 0);
        window->close();
    }

    // A kill during an in-place save leaves the document cut short, and a copy and a note naming
    // it (made by hand here): the next window on it names that copy, and no other file.
    void interruptedSaveNamesOnlyItsOwnCopy_data()
    {
        addTextRows({"note", "copy", "cut", "opened", "named"},
                    {{"this document's save cut short", "own", "whole", "cut", "doc.brw", "named"},
                     {"the same, opened by its other name", "own", "whole", "cut", "doc-link.brw",
                      "named"},
                     {"a save that ended after all", "own", "whole", "", "doc.brw", ""},
                     {"another document's save cut short", "other", "whole", "cut", "doc.brw", ""},
                     {"another program's file at autosave.1", "", "foreign", "", "doc.brw", ""},
                     {"a document cut by another hand", "", "whole", "cut", "doc.brw", ""}});
    }
    void interruptedSaveNamesOnlyItsOwnCopy()
    {
        QFETCH(QString, note);
        QFETCH(QString, copy);
        QFETCH(QString, opened);
        QTemporaryDir dir;
        const QString path = copySample(dir.filePath("doc.brw"));
        const QString other = copySample(dir.filePath("other.brw"));
        QVERIFY(::link(QFile::encodeName(path), QFile::encodeName(dir.filePath("doc-link.brw"))) ==
                0); // a second name: saves rewrite it in place
        const QString autosave = dir.filePath("autosave.1");
        QVERIFY(writeBytes(autosave, copy == "whole" ? fileBytes(path) : "some other file\r\n"));
        QVERIFY(note.isEmpty() || SaveUnderWay::begin(autosave, note == "own" ? path : other));
        QFETCH(QString, cut);
        QVERIFY(cut.isEmpty() || QFile::resize(path, QFileInfo(path).size() / 2));
        ScriptedMessages boxes;
        openWindow(dir.filePath(opened))->close();
        const QString notice = "The last save of this file may not have ended; the complete text "
                               "is in\nПоследнее сохранение этого файла могло не завершиться; "
                               "полный текст находится в файле\n" +
                               autosave;
        QFETCH(QString, named);
        QCOMPARE(boxes.texts(), named.isEmpty() ? QStringList() : QStringList{notice});
    }

    void failedSavesKeepTheOldDocument()
    {
        ScriptedMessages boxes;
        QDir(m_dir.path()).mkdir("locked");
        const QString path = copyOfSample("locked/doc.brw");
        const QByteArray before = fileBytes(path);
        Brambleweb *window = openWindow(path);
        typeInto(window, "lost? ");

        // A file-size limit makes the write fail part-way.
        struct rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        const struct rlimit limit = {512, old.rlim_max};

        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        window->menuSaveFile();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(boxes.texts().first(), "Error writing file\nОшибка записи в файл\n" + path);
        QCOMPARE(boxes.count(), 2);
        QVERIFY2(boxes.texts().last().startsWith("(File save with error."),
                 qPrintable(boxes.texts().last()));
        QVERIFY(window->windowTitle().contains("* "));
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(m_dir.filePath("locked")).entryList({"doc.brw.*"}), QStringList());

        // A directory that is gone: the document cannot even be opened for writing.
        boxes.clear();
        QVERIFY(QDir(m_dir.path()).rename("locked", "moved"));
        window->menuSaveFile(); // asked first: the document moved away
        const QString cannotWrite =
                "Cannot open file for write\nНевозможно открыть для записи файл\n" + path;
        QCOMPARE(boxes.texts().mid(1), QStringList{cannotWrite});
        QCOMPARE(fileBytes(m_dir.filePath("moved/doc.brw")), before);
        QVERIFY(window->isModified());
        QVERIFY(QDir(m_dir.path()).rename("moved", "locked"));
        // Once writes work again, the same edit saves.
        window->menuSaveFile();
        QVERIFY(!window->isModified());
        QVERIFY(fileBytes(path).contains("lost? "));

        // The document replaced by a FIFO: Ctrl+S refuses it at once, whatever the answer to
        // the question about the outside change, and makes nothing beside it.
        typeInto(window, "more ");
        QVERIFY(QFile::remove(path) && ::mkfifo(QFile::encodeName(path), 0600) == 0);
        const QDir folder(m_dir.filePath("locked"));
        const auto entries = QDir::AllEntries | QDir::System | QDir::Hidden;
        const QStringList beside = folder.entryList(entries);
        boxes.clear();
        boxes.answerNext(Messages::Answer::Yes);
        {
            HangGuard guard;
            window->menuSaveFile();
        }
        QCOMPARE(boxes.texts().last(), cannotWrite);
        QCOMPARE(folder.entryList(entries), beside);
        QVERIFY(window->isModified());
        QVERIFY(!QFileInfo(path).isFile());
        closeUnsaved(window);
    }

    void emergencySaveAndJournal()
    {
        ScriptedMessages boxes;
        const QString path = copyOfSample("crash.brw");
        Brambleweb *window = openWindow(path);
        openWindow(QString())->close();
        typeInto(window, "unsaved ");
        window->menuRemoval(); // its text as it stands follows the tree
        QTest::keyClicks(window->removalWindows().first()->editor(), "detached ");
        const QString removal = "<!--1[" + Clock::today().toString("dd.MM.yyyy") + "]-->Removal\n" +
                                window->removalWindows().first()->editor()->text() + '\n';
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
        QVERIFY(saved.contains("unsaved "));

        QCOMPARE(saved, saveToBytes(*window->tree(), 0) +
                                Cp1251Codec().encode(removal).replace("\n", "\r\n"));

        // The next start names the file, unless the document was saved later; the file stays.
        for (const bool savedLater : {false, true}) {
            boxes.clear();
            QFile document(path);
            if (savedLater) {
                QVERIFY(document.open(QIODevice::Append));
                QVERIFY(document.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                             QFileDevice::FileModificationTime));
            }
            openWindow(path)->close();
            const QString notice = "ErrorSaveDataFile is newer than this file and may hold the "
                                   "last changes\nФайл сохранения данных при ошибке новее этого "
                                   "файла и может содержать последние изменения\n" +
                                   errorSave;
            QCOMPARE(boxes.texts(), savedLater ? QStringList() : QStringList{notice});
            QCOMPARE(fileBytes(errorSave), saved);
        }

        // The file is closed now: a second emergency save can only say so.
        QString again;
        window->emergencySave(again);
        QCOMPARE(again, cannotSave);
        QCOMPARE(fileBytes(errorSave), saved);
        closeUnsaved(window);

        // A file that cannot be synced (a pipe in its place) has not saved the data.
        window = openWindow(copyOfSample("unsynced.brw"));
        typeInto(window, "unsaved ");
        int pipe[2];
        QCOMPARE(::pipe(pipe), 0);
        QVERIFY(::dup2(pipe[1], window->errorSaveFile().handle()) >= 0);
        QString log;
        window->emergencySave(log);
        ::close(pipe[0]);
        ::close(pipe[1]);
        QVERIFY2(log.endsWith("!!!Message (Сообщение)!!!\nIt save data with errors\nДанные "
                              "сохранены с ошибками\n (1000)\n"),
                 qPrintable(log));
        closeUnsaved(window);
    }

    // Last, as the state stays: the save of SIGTERM runs where no event may close the name
    // editor first. The name being typed is saved with the theme.
    void quietSaveKeepsTheNameBeingTyped()
    {
        Brambleweb *window = openWindow(copyOfSample("term.brw"));
        LinkListView *tree = window->tree();
        tree->setCurrentItem(tree->rootTheme()->child(0));
        tree->menuTreeInsert_Dn();
        QTest::keyClicks(tree->nameEditor(), "typed");
        const QString errorSave = window->errorSaveFile().fileName();
        // The quiet save removes an autosave copy that is still empty, as a close does.
        Brambleweb *autosaved = openWindow(copyOfSample("autosaved.brw"));
        typeInto(autosaved, "autosaved ");
        autosaved->autosave();
        const QString copies[] = {window->autosaveFile().fileName(),
                                  autosaved->autosaveFile().fileName()};
        Emergency::begin();
        BRWApplication::instance()->saveQuietly();
        QVERIFY(fileBytes(errorSave).contains("]-->typed\r\n"));
        QVERIFY(!QFile::exists(copies[0]) && fileBytes(copies[1]).contains("autosaved "));
    }
};

BRW_APPLICATION_TEST_MAIN(TestSaving)
#include "tst_saving.moc"
