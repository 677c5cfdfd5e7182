// A document changed on disk by another hand, the same document open in two programs, and the
// list of recent documents.
#include "app/RecentDocuments.h"
#include "storage/DocumentLock.h"
#include "support/HangGuard.h"
#include "support/MainWindows.h"
#include "support/Rows.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessages.h"
#include "tree/LinkListView.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using Answer = Messages::Answer;

enum Outside { Write, RenameReplace, Delete, OwnSave };
struct OutsideRow
{
    const char *name;
    Outside outside;
    Answer reload;     // to the question when the window is activated; Closed: none asked
    Answer save;       // to the question before Ctrl+S writes; Closed: none asked
    const char *after; // the document: the window's tree, the outside text, gone
};
Q_DECLARE_METATYPE(OutsideRow)

static const QString outsideText = "The file was changed outside BRW (Файл изменён вне BRW)";
static const QByteArray outsideBytes = "<!--1[01.01.2020]-->written outside\r\n";

class TestOutsideChanges : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString document(const QString &name = "doc.brw") { return copySample(m_dir.filePath(name)); }
    static QString status(Brambleweb *window) { return window->statusBar()->currentMessage(); }

private Q_SLOTS:
    void initTestCase() { QDir::setCurrent(m_dir.path()); }

    void outsideChange_data()
    {
        // clang-format off
        addRows<OutsideRow>({
            {"outside write, reload", Write, Answer::Yes, Answer::Closed, "outside"},
            {"outside write, overwrite", Write, Answer::No, Answer::Yes, "window"},
            {"outside write, save as", Write, Answer::No, Answer::No, "outside"},
            {"outside rename-replace, cancel", RenameReplace, Answer::No, Answer::Cancel, "outside"},
            {"deletion, written again", Delete, Answer::Closed, Answer::Yes, "window"},
            {"deletion, cancel", Delete, Answer::Closed, Answer::Cancel, "gone"},
            {"own save asks nothing", OwnSave, Answer::Closed, Answer::Closed, "window"},
        });
        // clang-format on
    }
    void outsideChange()
    {
        QFETCH(OutsideRow, row);
        const QString path = document(), other = m_dir.filePath("other.brw");
        QFile::remove(other);
        ScriptedMessages boxes;
        ScriptedFileDialogs dialogs;
        Brambleweb *window = openWindow(path);
        QApplication::setActiveWindow(nullptr); // the reload question waits for activation
        typeInto(window, "mine ");
        const QString errorSave = window->errorSaveFile().fileName();
        if (row.outside == Write) {
            QVERIFY(writeBytes(path, outsideBytes));
        } else if (row.outside == RenameReplace) {
            QVERIFY(writeBytes(path + ".new", outsideBytes));
            QVERIFY(::rename(qPrintable(path + ".new"), qPrintable(path)) == 0);
        } else if (row.outside == Delete) {
            QVERIFY(QFile::remove(path));
        } else {
            window->menuSaveFile();
            typeInto(window, "more ");
        }
        const QString shown = row.outside == OwnSave ? QString() : outsideText;
        QTRY_COMPARE(status(window), shown);
        QTest::qWait(100); // late reports of the watcher
        QCOMPARE(status(window) + QString::number(boxes.count()), shown + "0");

        if (row.reload != Answer::Closed)
            boxes.answerNext(row.reload);
        QApplication::setActiveWindow(window);
        QTest::qWait(50);
        const QString reload = "The file was changed outside BRW. Reload it?\nФайл изменён вне "
                               "BRW. Загрузить его заново?\n" +
                               path +
                               "\nYour unsaved changes go to\nВаши несохранённые изменения "
                               "будут записаны в файл\n" +
                               errorSave;
        QCOMPARE(boxes.texts(), row.reload == Answer::Closed ? QStringList() : QStringList{reload});
        // Kept beside the document, out of the way of the window's next error-save file.
        QCOMPARE(fileBytes(errorSave).contains("mine "), row.reload == Answer::Yes);

        boxes.clear();
        if (row.save != Answer::Closed)
            boxes.answerNext(row.save);
        dialogs.chooseNext(other);
        window->menuSaveFile();
        const QString overwrite = "The file was changed outside BRW. Overwrite it?\n(No: save as "
                                  "another file)\nФайл изменён вне BRW. Перезаписать его?\n(Нет: "
                                  "сохранить в другой файл)\n" +
                                  path;
        QCOMPARE(boxes.texts(),
                 row.save == Answer::Closed ? QStringList() : QStringList{overwrite});
        const QByteArray saved = fileBytes(path);
        QCOMPARE((QList<bool>{saved.contains("mine "), saved.contains("written outside"),
                              fileBytes(other).contains("mine "), window->isModified()}),
                 (QList<bool>{row.after == QString("window"), row.after == QString("outside"),
                              row.save == Answer::No, row.save == Answer::Cancel}));
        // Once written, the file is the window's own again.
        boxes.clear();
        typeInto(window, "again ");
        window->menuSaveFile();
        QCOMPARE(boxes.count(), int(row.save == Answer::Cancel));
        closeUnsaved(window);
        QFile::remove(errorSave);
    }

    void lockFile_data()
    {
        // The lock found beside the document, and who holds it then ("other": with a warning).
        addTextRows({"holder", "after"}, {{"two programs on one file", "live", "other"},
                                          {"a program of another machine", "other host", "other"},
                                          {"stale lock", "dead", "self"},
                                          {"no lock yet", "", "self"},
                                          {"read-only folder", "read-only", "none"}});
    }
    void lockFile()
    {
        QFETCH(QString, holder);
        QFETCH(QString, after);
        QTemporaryDir dir;
        const QString path = copySample(dir.filePath("doc.brw"));
        const QString lock = DocumentLock::lockPathOf(path);
        const DocumentLock::Holder self = DocumentLock::thisProgram();
        qint64 pid = ::getppid();
        if (holder == "dead") {
            QProcess ended;
            ended.start("sleep", {"10"});
            QVERIFY(ended.waitForStarted());
            pid = ended.processId();
            ended.kill();
            ended.waitForFinished();
        }
        const QString host = holder == "other host" ? "elsewhere" : self.host;
        const QByteArray found = QByteArray::number(pid) + ' ' + host.toUtf8() + '\n';
        if (holder == "read-only") {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
            // The owner of every file ignores a folder's mode; an immutable folder stops it too.
            if (::geteuid() == 0 && QProcess::execute("chattr", {"+i", dir.path()}) != 0)
                QSKIP("no read-only folder can be made here");
        } else if (!holder.isEmpty()) {
            QVERIFY(writeBytes(lock, found));
        }
        ScriptedMessages boxes;
        Brambleweb *window = openWindow(path);
        Brambleweb *second = openWindow(path); // a second window of this program: no warning
        QProcess::execute("chattr", {"-i", dir.path()});
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString warning =
                QString("The document is open in another BRW: process %1 on %2\n"
                        "Документ открыт в другой программе BRW: процесс %1 на %2\n")
                        .arg(QString::number(pid), host) +
                path;
        const bool other = after == "other";
        QCOMPARE(boxes.texts().filter("another BRW"),
                 (other ? QStringList{warning, warning} : QStringList()));
        const QByteArray own = QByteArray::number(self.pid) + ' ' + self.host.toUtf8() + '\n';
        // Both programs are named while both have it open.
        const QByteArray held = other ? found + own : after == "none" ? "<missing>" : own;
        QCOMPARE(QDir(dir.path()).entryList({".doc.brw.lock.*"}, QDir::Hidden | QDir::Files),
                 QStringList());
        QByteArrayList seen{fileBytes(lock)};
        closeUnsaved(window); // the second window still has it
        seen << fileBytes(lock);
        closeUnsaved(second);
        QCOMPARE(seen << fileBytes(lock),
                 (QByteArrayList{held, held, other ? found : "<missing>"}));
    }

    // Programs open and close one document in turn (a+: a opens it, a-: a closes it); after
    // each step the lock names the programs listed, and an opening program is warned of the one
    // after "/". a, b, c: live programs of this machine, d: a program that ended, x: one of
    // another machine.
    void lockNamesEveryHolder_data()
    {
        addTextRows({"found", "steps"},
                    {{"the last to close removes it", "", "a+=a b+=ab/a a-=b b-="},
                     {"a third is warned after the first left", "", "a+=a b+=ab/a a-=b c+=bc/b"},
                     {"the first to open is the last to close", "", "a+=a b+=ab/a b-=a a-="},
                     {"a program that ended is dropped", "d", "a+=a b+=ab/a"},
                     {"another machine's program stays", "x", "a+=xa/x a-=x"}});
    }
    void lockNamesEveryHolder()
    {
        QFETCH(QString, found);
        QFETCH(QString, steps);
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
            QString warned;
            if (step[1] == '+') {
                locks[name] = std::make_unique<DocumentLock>(programs[name]);
                const DocumentLock::Holder other = locks[name]->acquire(path);
                warned = programs.key(other, '-');
            } else {
                locks[name]->release();
            }
            const QString after = step.section('=', 1);
            seen << step + ' ' + fileBytes(lock) + (step[1] == '+' ? " warned " + warned : "");
            expected << step + ' ' + linesOf(after.section('/', 0, 0)) +
                                (step[1] == '+'
                                         ? " warned " + after.section('/', 1).leftJustified(1, '-')
                                         : "");
        }
        QCOMPARE(seen, expected);
        live.kill();
        live.waitForFinished();
    }

    // A FIFO or a link to one at the lock's name, before the start or once the document is
    // open: never opened, never removed, and no window waits for it.
    void lockThatIsNoFile_data()
    {
        addTextRows({"when"}, {{"a FIFO before the start", "fifo"},
                               {"a link to a FIFO before the start", "link"},
                               {"a FIFO once the document is open", "later"}});
    }
    void lockThatIsNoFile()
    {
        QFETCH(QString, when);
        QTemporaryDir dir;
        const QString path = copySample(dir.filePath("doc.brw"));
        const QString lock = DocumentLock::lockPathOf(path), fifo = dir.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo), 0600), 0);
        const auto putFifo = [&] {
            QFile::remove(lock);
            return when == "link" ? QFile::link(fifo, lock) : QFile::rename(fifo, lock);
        };
        QVERIFY(when == "later" || putFifo());
        HangGuard guard;
        ScriptedMessages boxes;
        Brambleweb *window = openWindow(path);
        Brambleweb *second = openWindow(path);
        QVERIFY(when != "later" || putFifo());
        closeUnsaved(window);
        closeUnsaved(second);
        const QString refused = "Cannot open file\nНевозможно открыть файл\n" + lock;
        QCOMPARE(boxes.texts(), when == "later" ? QStringList() : QStringList({refused, refused}));
        QVERIFY(QFileInfo(lock).exists() && !QFileInfo(lock).isFile());
        QCOMPARE(QDir(dir.path())
                         .entryList({".doc.brw.lock.*"},
                                    QDir::Hidden | QDir::AllEntries | QDir::System),
                 QStringList());
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
        QCOMPARE(boxes.texts() + RecentDocuments::list(),
                 QStringList{"Cannot open file\nНевозможно открыть файл\n" + expected.first()} +
                         expected.mid(1));
        QCOMPARE(BRWApplication::instance()->windows().size(), windows);
        Q_EMIT recent->aboutToShow();
        recent->actions().first()->trigger();
        QCOMPARE(BRWApplication::instance()->windows().back()->fileName(), expected[1]);
    }
};

int main(int argc, char **argv)
{
    // The list of recent documents goes to a configuration folder of the test's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    BRWApplication application(argc, argv);
    TestOutsideChanges test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_outsidechanges.moc"
