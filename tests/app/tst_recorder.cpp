// The key recorder: the events file it writes, the timing and the held-back keys of playback,
// and damaged files. No main window here: played garbage reaches only a plain editor.
#include "app/Play_RecordEvents.h"
#include "common/Clock.h"
#include "support/EnglishLines.h"
#include "support/HangGuard.h"
#include "support/JsonRows.h"
#include "support/MainWindows.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class TestRecorder : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    Play_RecordEvents *m_recorder = nullptr;
    CorrectedTextEdit *m_editor = nullptr;
    QString m_file;

    // "6 <editor> 65 97 0 \n..." for the press and release of each letter at that time.
    QByteArray keysAt(const QString &letters, const char *time)
    {
        QByteArray bytes;
        const int id = m_recorder->registry().id(m_editor);
        for (QChar c : letters)
            for (int type : {6, 7})
                bytes += QString::asprintf("%i %i %i %i 0 \n\"%c\"\n0 1\n%s\n", type, id,
                                           c.toUpper().unicode(), c.unicode(), c.toLatin1(), time)
                                 .toLatin1();
        return bytes;
    }

    void startPlaying(const QByteArray &bytes)
    {
        QVERIFY(writeBytes(m_file, bytes));
        m_editor->setText(QString());
        m_recorder->setPlayFileName(m_file);
        QCOMPARE(m_recorder->startPlay(), 0);
    }

    // Plays the records one after the other without waiting for their time.
    void playToTheEnd()
    {
        for (int sent = 0; m_recorder->state() == Play_RecordEvents::Playing && sent < 1000; ++sent)
            m_recorder->needSendNextEvent();
        QCoreApplication::processEvents(); // the box about a bad record
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_recorder = new Play_RecordEvents(qApp);
        qApp->installEventFilter(m_recorder);
        m_recorder->setControlKeys({Qt::Key_F6});
        auto *window = new QWidget;
        m_editor = new CorrectedTextEdit(window);
        m_file = m_dir.filePath("events.txt");
        window->show();
        QApplication::setActiveWindow(window);
        m_editor->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(window) && m_editor->hasFocus());
        // A window without a parent has no number.
        QVERIFY(m_recorder->registry().id(m_editor) > 0);
        QCOMPARE(m_recorder->registry().id(window), 0);
    }

    // Two recordings into one file, the second after midnight: playback waits 1 ms for the first
    // record, then the recorded gaps, the one across midnight too.
    void recordingsAppendAndReplayTheirGaps()
    {
        QSignalSpy states(m_recorder, &Play_RecordEvents::changeState);
        m_recorder->setRecordFileName(m_file);
        for (const auto &[letter, time] : {std::pair{Qt::Key_A, QTime(23, 59, 59, 500)},
                                           std::pair{Qt::Key_B, QTime(0, 0, 0, 250)}}) {
            QCOMPARE((QList<int>{m_recorder->startRecord(), m_recorder->startRecord()}),
                     (QList<int>{0, -1}));
            Clock::setNow(QDateTime(QDate(2026, 3, 1), time));
            QTest::keyClick(m_editor, letter);
            QTest::keyClick(m_editor, Qt::Key_F6); // the recorder's own key
            QCOMPARE(m_recorder->stopRecord(), 0);
        }
        Clock::setNow({});
        const QByteArray recorded = keysAt("a", "23 59 59 500") + keysAt("b", "0 0 0 250");
        QCOMPARE(fileBytes(m_file), recorded);
        startPlaying(recorded);
        QList<int> delays{m_recorder->nextDelay()};
        for (int i = 0; i < 3; ++i)
            delays.append((m_recorder->needSendNextEvent(), m_recorder->nextDelay()));

        QCOMPARE(delays, (QList<int>{1, 1, 749, 1}));
        QTRY_COMPARE(m_recorder->state(), int(Play_RecordEvents::Idle));
        QCOMPARE(m_editor->text() + QString::number(states.size()), QString("ab6"));
    }

    // A user's key goes through only as the record expected next, which then counts as played. A
    // bad file stops at its first bad record (line 9, after the good "x"), which a box names.
    // The first letter's records, the damage, the other letters' records; "none": the records
    // name no widget and go to the widget with the keyboard focus. A double quote between quotes
    // is the quote.
    void playback_data()
    {
        JSON_ROWS("letters", "damage", "widget", "userKey", "atOnce", "played");
    }

    void playback()
    {
        FETCH_TEXTS(letters, damage, widget, userKey, played);
        QByteArray bytes = keysAt(letters.left(1), "10 0 0 0") + damage.toLatin1() +
                           keysAt(letters.mid(1), "10 0 0 0");
        const QByteArray id = ' ' + QByteArray::number(m_recorder->registry().id(m_editor)) + ' ';
        if (widget == "none")
            bytes.replace("6" + id, "6 0 ").replace("7" + id, "7 0 ");
        ScriptedMessages boxes;
        startPlaying(bytes);
        if (!userKey.isEmpty())
            QTest::keyClick(m_editor, QKeySequence(userKey)[0].key());
        QTEST(m_editor->text(), "atOnce");

        playToTheEnd();
        QCOMPARE(m_recorder->state(), int(Play_RecordEvents::Idle));
        QCOMPARE(m_editor->text(), played);
        QCOMPARE(englishLines(boxes.texts()),
                 QStringList("Playback stopped at a bad record, line 9 of the events file\n" +
                             m_file)
                         .mid(played.endsWith('y')));
    }

    // Random damage to a good recording: every file ends the playback, none crashes it.
    void randomDamageNeverCrashes()
    {
        ScriptedMessages boxes;
        const QByteArray good = keysAt("abcdef", "10 0 0 0");
        QRandomGenerator random(17);
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = good;
            for (int hits = random.bounded(1, 4); hits > 0; --hits)
                bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
            startPlaying(bytes.left(random.bounded(int(bytes.size())) + 1));
            playToTheEnd();
            QCOMPARE(m_recorder->state(), int(Play_RecordEvents::Idle));
        }
        QVERIFY(boxes.count() > 100);
    }

    // Started afresh for a Unicode document, a recording is UTF-8, and stays so when appended to.
    void unicodeRecordingKeepsItsText()
    {
        QFile::remove(m_file);
        m_recorder->setRecordFileName(m_file);
        for (const TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Cp1251}) {
            m_recorder->setNewFileEncoding(encoding);
            QCOMPARE(m_recorder->startRecord(), 0);
            QTest::sendKeyEvent(QTest::Click, m_editor, Qt::Key_unknown, QString("漢"), {});
            QCOMPARE(m_recorder->stopRecord(), 0);
        }
        const QByteArray recorded = fileBytes(m_file);
        QVERIFY(recorded.startsWith("\xEF\xBB\xBF"
                                    "6 ") &&
                recorded.count("\"漢\"") == 4);
        startPlaying(recorded);
        playToTheEnd();
        QCOMPARE(m_editor->text(), QString("漢漢"));
    }

    // A full disk (a file size limit here) stops the recording with one box, not one a key.
    void failedWriteStopsTheRecording()
    {
        ScriptedMessages boxes;
        const QString full = m_dir.filePath("full.txt");
        m_recorder->setRecordFileName(full);
        QCOMPARE(m_recorder->startRecord(), 0);
        struct rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        const struct rlimit limit = {10, old.rlim_max};
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        QTest::keyClick(m_editor, Qt::Key_A);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(m_recorder->state(), int(Play_RecordEvents::Idle));
        QCOMPARE(englishLines(boxes.texts()), QStringList("Error writing file\n" + full));
    }

    // An events file that is a FIFO (or a link to one) or a device is refused before it could
    // block the program or take keys for ever.
    void eventsFileThatIsNoFile_data() { JSON_ROWS("name"); }
    void eventsFileThatIsNoFile()
    {
        QFETCH(QString, name);
        const QString fifo = m_dir.filePath("fifo"), path = m_dir.filePath(name);
        QFile::remove(fifo);
        QFile::remove(m_dir.filePath("link"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo), 0600) == 0 &&
                QFile::link(fifo, m_dir.filePath("link")));
        HangGuard guard;
        m_recorder->setRecordFileName(path);
        m_recorder->setPlayFileName(path);
        QCOMPARE((QList<int>{m_recorder->startRecord(), m_recorder->startPlay()}),
                 (QList<int>{-2, -2}));
        QCOMPARE(m_recorder->state(), int(Play_RecordEvents::Idle));
        QVERIFY(!QFileInfo(fifo).isFile());
        QVERIFY(QFileInfo(fifo).exists());
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TestRecorder test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_recorder.moc"
