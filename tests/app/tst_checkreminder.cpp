// The reminder's task text checked without a window: the same log as the window's box, from the
// same reading of the document.
#include "app/CheckReminder.h"
#include "common/Sound.h"
#include "model/ThemeDocument.h"
#include "storage/TreeFile.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "tree/ReminderHost.h"

#include <QFileInfo>

#include <QApplication>
#include <QTemporaryDir>

static const QDateTime lastChange(QDate(2005, 4, 10), QTime(10, 20, 30));

class TestCheckReminder : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    // A document whose reminder theme holds `text` and, when given, a subtheme holding `more`.
    QString document(const QString &text, const QString &more)
    {
        const QString subtheme = more.isEmpty() ? QString() : "<!--2-->more\n" + more + '\n';
        const QByteArray bytes = QString("root\n<!--1-->first\n<!--1-->__reminder\n" + text + '\n' +
                                         subtheme + "<!--1-->last\n")
                                         .replace('\n', "\r\n")
                                         .toLatin1();
        QFile file(m_dir.filePath("tasks.brw"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) < 0)
            qFatal("cannot write the document");
        file.setFileTime(lastChange, QFileDevice::FileModificationTime);
        return file.fileName();
    }

private Q_SLOTS:
    // The window's reading rings for the tasks that are due; the toolkit's sound loader can
    // deadlock the exit of a process that ends while it still loads.
    void initTestCase()
    {
        Sound::setPlayer([](const QString &) {});
    }

    void check_data()
    {
        addJsonRows(QFINDTESTDATA("../reminder/data/errors.jsonl"), {"text", "more", "log"});
    }

    void check()
    {
        FETCH_TEXTS(text, more, log);
        if (!log.isEmpty())
            log += '\n';
        const QString path = document(text, more);
        ScriptedMessages boxes;
        const CheckReminder::Result result = CheckReminder::check(path);
        QCOMPARE(result.log, log);
        QCOMPARE(result.status, log.isEmpty() ? CheckReminder::Clean : CheckReminder::Errors);
        QCOMPARE(boxes.count(), 0);

        // The window's reading shows the same text in its box.
        ThemeDocument document;
        QVERIFY(readTreeFile(path, document, nullptr));
        ReminderHost(document, nullptr).handOver(QFileInfo(path).lastModified());
        const QString caption = "Reminder errors";
        QCOMPARE(boxes.captions().contains(caption), !log.isEmpty());
        if (!log.isEmpty())
            QCOMPARE(boxes.texts().at(boxes.captions().indexOf(caption)), log);
    }

    void unreadable_data() { JSON_ROWS("name"); }

    void unreadable()
    {
        QFETCH(QString, name);
        ScriptedMessages boxes;
        const CheckReminder::Result result = CheckReminder::check(m_dir.filePath(name));
        QCOMPARE(result.status, CheckReminder::Unreadable);
        QCOMPARE(result.log, QString());
    }
};

QTEST_MAIN(TestCheckReminder)
#include "tst_checkreminder.moc"
