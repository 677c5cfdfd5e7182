// The document session alone, on Qt Core: its save files, saves, lock and watch. The test links
// no widget library, so the session cannot use one either.
#include "app/DocumentSession.h"
#include "storage/NumberedFile.h"
#include "storage/SaveUnderWay.h"
#include "support/EnglishLines.h"
#include "support/FileBytes.h"
#include "support/FileChanges.h"
#include "support/HangGuard.h"
#include "support/JsonRows.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Answer = Messages::Answer;
using Saved = DocumentSession::Saved;
using Tick = DocumentSession::Tick;

static const QByteArray outsideBytes = "<!--1[01.01.2020]-->written outside\r\n";

// A writer of these bytes that reports `result`.
static DocumentSession::Writer writing(const QByteArray &bytes, int result = 1)
{
    return [bytes, result](QFileDevice &file) {
        return file.write(bytes) == bytes.size() ? result : -1;
    };
}

static Saved save(DocumentSession &session, const QByteArray &bytes)
{
    return session.save(writing(bytes), {});
}

class TestDocumentSession : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir, m_home;
    QStringList m_told;      // the boxes the sessions would show, "E:" or "W:" and the text
    QList<Answer> m_answers; // to the next boxes; OK after them
    std::vector<std::unique_ptr<DocumentSession>> m_sessions;

    // A session on the document at path (empty: unnamed), opened as a window opens it.
    DocumentSession &open(const QString &path, bool sideFiles = true)
    {
        const auto tell = [this](DocumentSession::Tone tone, const QString &text,
                                 Messages::Buttons) {
            m_told << (tone == DocumentSession::Tone::Error ? "E:" : "W:") + text;
            return m_answers.isEmpty() ? Answer::Ok : m_answers.takeFirst();
        };
        m_sessions.push_back(std::make_unique<DocumentSession>(tell, sideFiles));
        m_sessions.back()->setFileName(path);
        m_sessions.back()->open(FileStamp::ofPath(path));
        return *m_sessions.back();
    }
    QString document(const QString &name = "doc.brw") { return copySample(m_dir.filePath(name)); }
    void closeAll()
    {
        for (const auto &session : m_sessions)
            session->close();
        m_sessions.clear();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDir::setCurrent(m_dir.path());
        // The copies a save makes in the data folder stay in the test's own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path()));
    }
    void cleanup()
    {
        closeAll();
        m_told.clear();
        m_answers.clear();
    }

    void saveFileNames()
    {
        DocumentSession &first = open(QString());
        open(QString());
        open(QString(), false); // the program's own text gets none
        QCOMPARE(QDir().entryList({"autosave.*", "errorsave.*"}, QDir::Files),
                 QStringList({"autosave.1", "autosave.2", "errorsave.!!!1", "errorsave.!!!2"}));
        QVERIFY(first.errorSaveFile().isOpen());
        closeAll();
        QCOMPARE(QDir().entryList({"autosave.*", "errorsave.*"}, QDir::Files), QStringList());
        // Each preparation takes the free number and drops the file of the one before.
        const QString notes = document("notes.brw");
        DocumentSession &session = open(notes);
        QStringList names{session.errorSaveFile().fileName()};
        for (int i = 0; i < 2; ++i) {
            session.prepareSaveFiles();
            names << session.errorSaveFile().fileName() + ' ' +
                             QDir().entryList({"notes.brw?"}).join(' ');
        }
        QCOMPARE(names, QStringList({notes + "1", notes + "2 notes.brw2", notes + "1 notes.brw1"}));
        QCOMPARE(session.autosaveFile().fileName(), m_dir.filePath("autosave.1"));
        QCOMPARE(m_told, QStringList());
    }

    // A kill leaves the empty error-save and autosave files of a window behind; a later start
    // takes such a number again once nobody holds the file, so the 99 numbers never run out.
    // kind: what lies at the numbers (empty, text, held, link, stranger's); age: seconds since it
    // last changed, "limit" the age from which a file counts as left; count: at how many numbers
    // from 1; taken: the number a new session gets, 0: none (the user is told).
    void leftNumbersAreTakenAgain_data() { JSON_ROWS("kind", "age", "count", "taken"); }
    void leftNumbersAreTakenAgain()
    {
        FETCH_TEXTS(kind, age, count, taken);
        const int seconds = age.startsWith("limit")
                                    ? NumberedFile::leftAfterSeconds + age.mid(5).toInt()
                                    : age.toInt();
        QTemporaryDir dir;
        const QString path = copySample(dir.filePath("doc.brw"));
        const QString bases[] = {dir.filePath("autosave."), path};
        if (kind == "held")
            open(path);
        QVERIFY(writeBytes(dir.filePath("pointed"), {}));
        for (int number = 1; number <= count.toInt(); ++number) {
            for (const QString &base : bases) {
                const QString name = base + QString::number(number);
                if (kind == "link")
                    QVERIFY(QFile::link(dir.filePath("pointed"), name));
                else if (kind != "held")
                    QVERIFY(writeBytes(name, kind == "text" ? "words" : ""));
                if (kind == "stranger's")
                    QVERIFY(::chown(QFile::encodeName(name), 65534, 65534) == 0);
                const struct timespec times[2] = {{std::time(nullptr) - seconds, 0},
                                                  {std::time(nullptr) - seconds, 0}};
                QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(name), times,
                                    AT_SYMLINK_NOFOLLOW) == 0);
            }
        }
        const DocumentSession &session = open(path);
        QCOMPARE(session.autosaveFile().fileName(), taken != "0" ? bases[0] + taken : QString());
        QCOMPARE(session.errorSaveFile().fileName(), taken != "0" ? bases[1] + taken : QString());
        QVERIFY(kind != "text" ||
                fileBytes(bases[0] + "1") + fileBytes(bases[1] + "1") == "wordswords");
        QVERIFY(kind != "link" || QFileInfo(bases[1] + "1").isSymLink());
        QCOMPARE(englishLines(m_told),
                 QStringList({"E:Cannot open ErrorSaveDataFile for write\n" + bases[1] + "99",
                              "E:Cannot open file\n" + bases[0] + "99"})
                         .mid(0, taken == "0" ? 2 : 0));
    }

    // The 121st unsaved second autosaves; a save or a second with nothing unsaved restarts the
    // count. An autosave is no save. A writer that fails leaves the last complete copy; a copy
    // that cannot take the autosave name (a folder in its place) is told with that name.
    void autosave_data() { JSON_ROWS("result", "told"); }
    void autosave()
    {
        FETCH_TEXTS(result, told);
        DocumentSession &session = open(document());
        QList<Tick> ticks;
        for (int second = 0; second < 133; ++second)
            ticks << session.tick(second == 10); // an edit at the 11th second
        QCOMPARE(session.autosaveTicks(), 2);
        QCOMPARE(ticks.mid(9, 3) + ticks.mid(129, 2),
                 (QList<Tick>{Tick::Idle, Tick::Counted, Tick::Counted, Tick::Counted,
                              Tick::Autosave}));
        session.autosave(writing("a longer first copy\r\n"));
        const QString copy = session.autosaveFile().fileName();
        if (result == "folder")
            QVERIFY(QFile::remove(copy) && QDir().mkdir(copy));
        session.autosave(writing("second\r\n", result == "folder" ? 1 : result.toInt()));
        if (result == "folder")
            QVERIFY(QDir().rmdir(copy)); // still the folder
        else
            QCOMPARE(fileBytes(copy),
                     QByteArray(result == "1" ? "second\r\n" : "a longer first copy\r\n"));
        QCOMPARE(m_told, QStringList{told.replace("{dir}", m_dir.path())}.mid(told.isEmpty()));
        QCOMPARE(QDir().entryList({"*.txt"}), QStringList());
        QVERIFY(session.isModified());
        QCOMPARE(save(session, "saved\r\n"), Saved::Done);
        QCOMPARE(int(session.tick(false)) + session.autosaveTicks() + session.isModified(), 0);
    }

    // A close waits for the autosave under way; once it began, no autosave writes any more.
    void closeAndAutosaveExcludeEachOther()
    {
        DocumentSession &session = open(document());
        bool closing = true, written = false;
        session.autosave([&](QFileDevice &file) {
            closing = session.beginClose();
            return writing("first\r\n")(file);
        });
        QVERIFY(!closing);
        QVERIFY(session.beginClose());
        session.autosave([&](QFileDevice &) { return int(written = true); });
        const QString autosave = session.autosaveFile().fileName();
        QCOMPARE(fileBytes(autosave) + QByteArray::number(written), QByteArray("first\r\n0"));
        session.close();
        QVERIFY(!QFile::exists(autosave));
    }

    // A symbolic link stays a link; a second hard name makes the save rewrite the file in place
    // after a complete copy into the autosave file, also with a shorter text.
    void saveKeepsEveryName_data() { JSON_ROWS("opened", "longer"); }
    void saveKeepsEveryName()
    {
        FETCH_TEXTS(opened, longer);
        const QString path = document();
        const QByteArray bytes = longer.isEmpty() ? "short\r\n" : fileBytes(path) + "more\r\n";
        QFile::remove(m_dir.filePath("link.brw"));
        QFile::remove(m_dir.filePath("hard.brw"));
        QVERIFY(QFile::link(path, m_dir.filePath("link.brw")));
        QVERIFY(opened != "hard.brw" ||
                ::link(QFile::encodeName(path), QFile::encodeName(m_dir.filePath(opened))) == 0);
        DocumentSession &session = open(m_dir.filePath(opened));
        session.setModified(true);
        QCOMPARE(save(session, bytes), Saved::Done);
        QVERIFY(!session.isModified());
        QVERIFY(QFileInfo(m_dir.filePath("link.brw")).isSymLink());
        QCOMPARE(fileBytes(path) + fileBytes(m_dir.filePath(opened)), bytes + bytes);
        QCOMPARE(fileBytes(session.autosaveFile().fileName()),
                 opened == "hard.brw" ? bytes : QByteArray());
        // The save ended: its note is gone with it.
        QVERIFY(!QFile::exists(SaveUnderWay::notePathOf(session.autosaveFile().fileName())));
        QCOMPARE(m_told, QStringList());
    }

    // A folder that is gone or a FIFO in the document's place: asked first (the file is not the
    // one read), then refused, and nothing is made beside it.
    void failedSavesKeepTheOldDocument()
    {
        QDir(m_dir.path()).mkdir("folder");
        const QString path = document("folder/doc.brw");
        const QByteArray before = fileBytes(path);
        DocumentSession &session = open(path);
        session.setModified(true);
        const QString cannotWrite = "E:Cannot open file for write\n" + path;
        m_answers = {Answer::Yes};
        QVERIFY(QDir(m_dir.path()).rename("folder", "moved"));
        QCOMPARE(save(session, "mine\r\n"), Saved::CannotOpen);
        QCOMPARE(englishLines(m_told.mid(1)), QStringList{cannotWrite});
        QCOMPARE(fileBytes(m_dir.filePath("moved/doc.brw")), before);
        QVERIFY(session.isModified());
        QVERIFY(QDir(m_dir.path()).rename("moved", "folder"));
        QCOMPARE(save(session, "mine\r\n"), Saved::Done); // once writes work again

        QVERIFY(QFile::remove(path) && ::mkfifo(QFile::encodeName(path), 0600) == 0);
        const auto entries = QDir::AllEntries | QDir::System | QDir::Hidden;
        const QStringList beside = QDir(m_dir.filePath("folder")).entryList(entries);
        m_told.clear();
        m_answers = {Answer::Yes};
        HangGuard guard;
        QCOMPARE(save(session, "mine\r\n"), Saved::CannotOpen);
        QCOMPARE(englishLines(m_told.mid(1)), QStringList{cannotWrite});
        QCOMPARE(QDir(m_dir.filePath("folder")).entryList(entries), beside);
    }

    // The error-save file takes the document and closes; it is named at the next opening unless
    // the document was saved after it. Bytes that cannot reach the disk are no save.
    void errorSave()
    {
        const QString path = document();
        DocumentSession &session = open(path);
        const QString errorSave = session.errorSaveFile().fileName();
        QCOMPARE(session.writeErrorSave(writing("unsaved\r\n", 7)), 7);
        QVERIFY(!session.errorSaveFile().isOpen());
        session.keepErrorSaveFile(); // it stays beside the document; a new one comes
        QCOMPARE(session.errorSaveFile().fileName(), path + "2");
        QVERIFY(writeBytes(path + "99", "x")); // the last number there is
        const QString notice =
                "W:ErrorSaveDataFile is newer than this file and may hold the last changes\n" +
                errorSave + '\n' + path + "99";
        QFile saved(path); // older than the error-save file, then newer, whatever the clock's grain
        for (const int seconds : {-5, 5}) {
            QVERIFY(saved.open(QIODevice::Append) &&
                    saved.setFileTime(QDateTime::currentDateTime().addSecs(seconds),
                                      QFileDevice::FileModificationTime));
            saved.close();
            open(path).noticeErrorSaveFiles();
        }
        QCOMPARE(englishLines(m_told), QStringList{notice});
        QCOMPARE(fileBytes(errorSave), QByteArray("unsaved\r\n"));

        int pipe[2]; // a pipe in the file's place cannot be synced
        QCOMPARE(::pipe(pipe), 0);
        QVERIFY(::dup2(pipe[1], session.errorSaveFile().handle()) >= 0);
        QCOMPARE(session.writeErrorSave(writing("unsaved\r\n")), -1000);
        ::close(pipe[0]);
        ::close(pipe[1]);
    }

    // Another live program named in the lock (beside the file a link points to) is named to each
    // session that opens the document, a second session of this program adding no line; a FIFO
    // there is refused, never opened.
    void lock_data() { JSON_ROWS("found"); }
    void lock()
    {
        QFETCH(QString, found);
        QTemporaryDir dir;
        const QString document = copySample(dir.filePath("doc.brw"));
        const QString path = found == "link" ? dir.filePath("link.brw") : document;
        QVERIFY(QFile::link(document, dir.filePath("link.brw")));
        const QString lock = dir.filePath(".doc.brw.lock");
        const QByteArray other = QByteArray::number(::getppid()) + " elsewhere\n";
        QVERIFY(found == "fifo" ? ::mkfifo(QFile::encodeName(lock), 0600) == 0
                                : writeBytes(lock, other));
        HangGuard guard;
        DocumentSession &session = open(path);
        open(path);
        const QString told = found == "fifo" ? "E:Cannot open file\n" + lock
                                             : QString("W:The document is open in another BRW: "
                                                       "process %1 on elsewhere\n%2")
                                                       .arg(::getppid())
                                                       .arg(path);
        QCOMPARE(englishLines(m_told), QStringList({told, told}));
        const DocumentLock::Holder self = DocumentLock::thisProgram();
        const QByteArray own = QByteArray::number(self.pid) + ' ' + self.host.toUtf8() + '\n';
        session.close();
        QVERIFY(found == "fifo" || fileBytes(lock) == other + own);
        closeAll();
        QVERIFY(found == "fifo" ? !QFileInfo(lock).isFile() : fileBytes(lock) == other);
    }

    // Each kind of change by another hand is told once, also one racing the session's own save;
    // the session's own save is none. A save then asks before it writes over the file (No: under
    // another name). Once written, the file is the session's own again.
    void outsideChange_data() { JSON_ROWS("change", "answer", "saved"); }
    void outsideChange()
    {
        FETCH_TEXTS(change, answer, saved);
        const QString target = document(), path = change == "linked" ? target + ".lnk" : target;
        QVERIFY(path == target || QFile::link(target, path));
        DocumentSession &session = open(path);
        QSignalSpy told(&session, &DocumentSession::changedOutside);
        const QMap<QString, Answer> answers{
                {"Yes", Answer::Yes}, {"No", Answer::No}, {"Cancel", Answer::Cancel}};
        m_answers = {answers.value(answer, Answer::Closed)};
        SafeFile::setStepObserver([&](SafeFile::Step step) {
            if (change.endsWith("rename") &&
                (step == SafeFile::Step::Written) == (change[0] == 'b'))
                QVERIFY(replaceFrom(path, outsideBytes));
        });
        if (change == "written") {
            QVERIFY(writeBytes(path, outsideBytes));
        } else if (change == "shorter" || change == "linked") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.write(outsideBytes) > 0 &&
                    file.resize(outsideBytes.size()));
        } else if (change == "same size") {
            QVERIFY(rewriteKeepingTime(path, fileBytes(path).replace("Getting", "Gotting")));
        } else if (change == "renamed") {
            QVERIFY(replaceFrom(path, outsideBytes));
        } else if (change == "deleted") {
            QVERIFY(QFile::remove(path));
        } else {
            // Written again after a question (as when the user keeps the text in Unicode): the
            // watcher's reports meanwhile are of the session's own write.
            int asked = 0;
            const Saved first = session.save(writing("mine\r\n"), [&] {
                QTest::qWait(100);
                const bool again = change == "own save" ||
                                   (change == "between writes" && replaceFrom(path, outsideBytes));
                return again && ++asked == 1;
            });
            QCOMPARE(first, change[0] == 'b' ? Saved::Declined : Saved::Done);
            QCOMPARE(m_told.size(), int(change[0] == 'b')); // asked at once
        }
        SafeFile::setStepObserver({});
        const bool own = change == "own save";
        QTRY_COMPARE(told.count(), int(!own));
        QTest::qWait(100); // late reports of the watcher
        QCOMPARE(told.count() + session.reloadPending() + session.changedOnDisk(), 3 * !own);

        m_answers = {answers.value(answer, Answer::Closed)};
        m_told.clear();
        const QMap<QString, Saved> outcomes{{"No", Saved::AnotherName},
                                            {"Cancel", Saved::Declined}};
        QCOMPARE(save(session, "mine\r\n"), outcomes.value(answer, Saved::Done));
        const QString question =
                "W:The file was changed outside BRW. Overwrite it?\n(No: save as another file)\n" +
                path;
        QCOMPARE(englishLines(m_told), QStringList{question}.mid(own));
        QVERIFY(fileBytes(path).contains(saved == "outside" ? "written outside"
                                                            : saved.toLatin1()));
        m_told.clear();
        const bool asked = outcomes.contains(answer); // then declined by OK
        QCOMPARE(save(session, "again\r\n"), asked ? Saved::Declined : Saved::Done);
        QCOMPARE(m_told.size(), int(asked));
        QCOMPARE(told.count(), int(!own));
    }
};

QTEST_GUILESS_MAIN(TestDocumentSession)
#include "tst_documentsession.moc"
