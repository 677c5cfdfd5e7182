#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/DetachedWindows.h"
#include "app/FileCommands.h"
#include "app/OutsideThemeDialog.h"
#include "app/Play_RecordEvents.h"
#include "common/Clock.h"
#include "common/Cp1251.h"
#include "common/Emergency.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/DocumentLock.h"
#include "storage/FileOperations.h"
#include "storage/SaveUnderWay.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"
#include "support/WindowTree.h"
#include "tree/NameEditor.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
            const QString path = copyOfSample("private.brw");
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
        const QString path = copyOfSample("crash.brw");
        Brambleweb *window = openWindow(path);
        openWindow(QString())->close();
        typeInto(window, "unsaved <hidden>kept</hidden> ");
        window->detached()->menuRemoval(); // its text as it stands follows the tree
        QTest::keyClicks(window->detached()->removalWindows().first()->editor(), "detached ");
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
        closeUnsaved(window);
    }

    // Last, as the state stays: the save of SIGTERM runs where no event may close the name
    // editor first. The name being typed is saved with the theme.
    void quietSaveKeepsTheNameBeingTyped()
    {
        Brambleweb *window = openWindow(copyOfSample("term.brw"));
        ThemeView *tree = window->tree();
        tree->setCurrentTheme(window->document().root()->child(0));
        tree->menuTreeInsert_Dn();
        QTest::keyClicks(tree->nameEditor(), "typed");
        const QString errorSave = window->errorSaveFile().fileName();
        // The quiet save removes an autosave copy that is still empty, as a close does.
        Brambleweb *autosaved = openWindow(copyOfSample("autosaved.brw"));
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
