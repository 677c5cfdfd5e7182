#include "storage/FileStamp.h"
#include "storage/SafeFile.h"
#include "support/FileBytes.h"
#include "support/HangGuard.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// A save replaces the file by a complete new one or, where a new file would break something,
// rewrites it in place after a complete copy went somewhere safe.
class TestSafeFile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    uid_t m_user = ::geteuid(); // root works as "nobody", so that permissions count

    static struct stat statusOf(const QString &path)
    {
        struct stat status = {};
        ::stat(QFile::encodeName(path).constData(), &status);
        return status;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7777));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
        QVERIFY(m_user != 0 || ::seteuid(65534) == 0);
        std::signal(SIGXFSZ, SIG_IGN); // as the program does: a write past the limit fails
    }
    void cleanupTestCase() { (void)!::seteuid(m_user); }

    // fails: nothing, the writer, the file size limit
    void savesWithoutLosingAVersion_data() { JSON_ROWS("kind", "fails"); }
    void savesWithoutLosingAVersion()
    {
        FETCH_TEXTS(kind, fails);
        const bool failing = !fails.isEmpty();
        ScriptedMessages boxes;
        QTemporaryDir dir(m_dir.filePath("XXXXXX"));
        const QString path = dir.filePath("doc.brw"), link = dir.filePath("link.brw");
        // The given safe copy lies beside the document; where no file can be made there, the
        // copy goes to the data folder and is removed again.
        const QString safeCopy = dir.filePath("autosave.1");
        const bool inPlace = kind == "link" || kind == "owner" || kind == "directory";
        QVERIFY(kind == "new" || writeBytes(path, "old\n"));
        QVERIFY(kind != "link" || ::link(QFile::encodeName(path), QFile::encodeName(link)) == 0);
        if (kind == "owner" && m_user != 0)
            QSKIP("only root can give a file to another user");
        if (kind == "owner") // writable for all, owned by root
            QVERIFY(::seteuid(0) == 0 && ::chmod(QFile::encodeName(path), 0666) == 0 &&
                    ::chown(QFile::encodeName(path), 0, 0) == 0 && ::seteuid(65534) == 0);
        if (kind == "directory")
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const struct stat before = statusOf(path);
        struct rlimit kept;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &kept), 0);
        const struct rlimit small = {2, kept.rlim_max};
        QVERIFY(fails != "size limit" || ::setrlimit(RLIMIT_FSIZE, &small) == 0);

        const SafeFile::Result result = SafeFile::save(
                path,
                [&](QFileDevice &file) { return file.write("new\n") == 4 && fails != "writer"; },
                safeCopy);
        ::setrlimit(RLIMIT_FSIZE, &kept);
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7700));

        QCOMPARE(result, failing ? SafeFile::Result::Failed : SafeFile::Result::Saved);
        const QByteArray expected = failing ? "old\n" : "new\n";
        QCOMPARE(fileBytes(path), expected);
        QCOMPARE(fileBytes(link), kind == "link" ? expected : "<missing>");
        const struct stat after = statusOf(path);
        if (kind != "new") {
            QCOMPARE(after.st_ino == before.st_ino, inPlace || failing);
            QCOMPARE(after.st_uid, before.st_uid);
            QCOMPARE(after.st_mode, before.st_mode);
        }
        const bool copied = inPlace && kind != "directory" && !failing;
        QCOMPARE(fileBytes(safeCopy), copied ? expected : "<missing>");
        const QDir data(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
        QCOMPARE(data.entryList(QDir::Files), {});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 1 + (kind == "link") + copied);
        QCOMPARE(boxes.count(), 0);
    }

    // Another program writes the file while the save writes its own content: before the target
    // is replaced, that file is left as it is; after, it is no file the save stamped.
    // when: the step at which the other program renames its file over the name
    void anotherProgramWritesMeanwhile_data() { JSON_ROWS("route", "when"); }
    void anotherProgramWritesMeanwhile()
    {
        FETCH_TEXTS(route, when);
        const bool inPlace = route == "in place";
        const int step = when == "before"  ? int(SafeFile::Step::Written)
                         : when == "after" ? int(SafeFile::Step::Replaced)
                                           : -1;
        ScriptedMessages boxes;
        QTemporaryDir dir(m_dir.filePath("XXXXXX"));
        const QString path = dir.filePath("doc.brw");
        QVERIFY(writeBytes(path, "old text\n"));
        if (inPlace) // a second name: the file is rewritten in place
            QVERIFY(::link(QFile::encodeName(path), QFile::encodeName(dir.filePath("b"))) == 0);
        SafeFile::setStepObserver([&](SafeFile::Step now) {
            if (int(now) == step)
                QVERIFY(writeBytes(path + ".new", "theirs\n") &&
                        ::rename(QFile::encodeName(path + ".new"), QFile::encodeName(path)) == 0);
        });
        FileStamp written;
        const SafeFile::Result result = SafeFile::save(
                path, [](QFileDevice &file) { return file.write("new content\n") > 0; },
                dir.filePath("autosave.1"), QString(), &written);
        SafeFile::setStepObserver({});

        const bool caught = step == int(SafeFile::Step::Written);
        QCOMPARE(result, caught ? SafeFile::Result::ChangedOutside : SafeFile::Result::Saved);
        QCOMPARE(fileBytes(path), step < 0 ? "new content\n" : "theirs\n");
        // The stamp is that of the file as written, and the file now on disk shows as changed
        // exactly when someone else wrote it.
        QCOMPARE(FileStamp::ofPath(path) == written, step < 0);
        QCOMPARE(written.exists, !caught);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), inPlace ? 3 : 1);
        QCOMPARE(boxes.count(), 0);
    }

    // A FIFO blocks the open for writing until a reader comes, a device never keeps the text:
    // refused before any copy is made, in the data folder or beside the target.
    void refusesWhatIsNoFile_data() { JSON_ROWS("kind"); }
    void refusesWhatIsNoFile()
    {
        QFETCH(QString, kind);
        ScriptedMessages boxes;
        QTemporaryDir dir(m_dir.filePath("XXXXXX"));
        const QString fifo = dir.filePath("out.fifo"), link = dir.filePath("out.brw");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo), 0666), 0);
        const QString pointed = kind.endsWith("FIFO") ? fifo : "/dev/full";
        QVERIFY(!kind.startsWith("link") || QFile::link(pointed, link));
        const QString target = kind.startsWith("link") ? link : pointed;
        bool written = false;
        HangGuard guard;
        const SafeFile::Result result = SafeFile::save(
                target, [&](QFileDevice &file) { return written = file.write("new\n") == 4; },
                dir.filePath("autosave.1"));
        QCOMPARE(result, SafeFile::Result::CannotOpen);
        QVERIFY(!written);
        const QDir data(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
        QCOMPARE(data.entryList(QDir::Files | QDir::Hidden), {});
        QCOMPARE(QDir(dir.path()).entryList(QDir::System | QDir::Files | QDir::Hidden),
                 kind.startsWith("link") ? QStringList({"out.brw", "out.fifo"})
                                         : QStringList{"out.fifo"});
        QCOMPARE(boxes.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
