#include "storage/SafeFile.h"
#include "support/ScriptedMessages.h"

#include <QDir>
#include <QFileDevice>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// A save replaces the file by a complete new one, or, where a new file would break something,
// rewrites it in place after a complete copy went somewhere safe.
class TestSafeFile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    uid_t m_user = ::geteuid(); // root works as "nobody", so permissions count

    static struct stat statusOf(const QString &path)
    {
        struct stat status = {};
        ::stat(QFile::encodeName(path).constData(), &status);
        return status;
    }
    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7777));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
        if (m_user == 0)
            QVERIFY(::seteuid(65534) == 0);
    }
    void cleanupTestCase() { (void)!::seteuid(m_user); }

    void savesWithoutLosingAVersion_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("writerFails");
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("plain file: replaced") << "plain" << false << false;
        QTest::newRow("new file") << "new" << false << false;
        QTest::newRow("second hard link") << "link" << false << true;
        QTest::newRow("another owner") << "owner" << false << true;
        QTest::newRow("directory not writable") << "directory" << false << true;
        QTest::newRow("second hard link, writer fails") << "link" << true << true;
        QTest::newRow("directory not writable, writer fails") << "directory" << true << true;
    }

    void savesWithoutLosingAVersion()
    {
        QFETCH(QString, kind);
        QFETCH(bool, writerFails);
        QFETCH(bool, inPlace);
        ScriptedMessages boxes;
        QTemporaryDir dir(m_dir.filePath("XXXXXX"));
        const QString path = dir.filePath("doc.brw"), other = dir.filePath("other.brw");
        // The given safe copy lies in the document's folder: where that folder takes no new
        // file, the copy goes to the data folder instead.
        const QString safeCopy = dir.filePath("autosave.1");
        if (kind != "new") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old content\r\n");
            file.close();
        }
        if (kind == "link")
            QVERIFY(::link(QFile::encodeName(path), QFile::encodeName(other)) == 0);
        if (kind == "owner") {
            if (m_user != 0)
                QSKIP("only root can give a file to another user");
            QVERIFY(::seteuid(0) == 0);
            QVERIFY(::chown(QFile::encodeName(path), 0, 0) == 0);
            QFile::setPermissions(path, QFileDevice::Permissions(0x6666));
            QVERIFY(::seteuid(65534) == 0);
        }
        if (kind == "directory")
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const struct stat before = statusOf(path);

        const SafeFile::Result result = SafeFile::save(
                path,
                [&](QFileDevice &file) {
                    file.write("new content\r\n");
                    return !writerFails;
                },
                safeCopy);
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7700));

        QCOMPARE(result, writerFails ? SafeFile::Result::Failed : SafeFile::Result::Saved);
        const QByteArray expected = writerFails ? "old content\r\n" : "new content\r\n";
        QCOMPARE(readAll(path), expected);
        if (kind == "link")
            QCOMPARE(readAll(other), expected);
        const struct stat after = statusOf(path);
        if (kind != "new") {
            QCOMPARE(after.st_ino == before.st_ino, inPlace || writerFails);
            QCOMPARE(after.st_uid, before.st_uid);
            QCOMPARE(after.st_mode, before.st_mode);
        }
        QStringList files{"doc.brw"};
        if (kind == "link")
            files << "other.brw";
        if (inPlace && kind != "directory" && !writerFails)
            files.prepend("autosave.1"); // the copy of the new content
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), files);
        if (inPlace && kind != "directory")
            QCOMPARE(readAll(safeCopy), writerFails ? "<missing>" : expected);
        const QDir data(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
        QCOMPARE(data.entryList(QDir::Files | QDir::Hidden), {});
        QCOMPARE(boxes.count(), 0);
    }
};

QTEST_MAIN(TestSafeFile)
#include "tst_safefile.moc"
