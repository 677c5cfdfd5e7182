// A document changed on disk by another hand, the same document open in two programs, and the
// list of recent documents.
#include "app/RecentDocuments.h"
#include "storage/DocumentLock.h"
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
        const QByteArray held = other ? found : after == "none" ? "<missing>" : own;
        QCOMPARE(QDir(dir.path()).entryList({".doc.brw.lock.*"}, QDir::Hidden | QDir::Files),
                 QStringList());
        QByteArrayList seen{fileBytes(lock)};
        closeUnsaved(window); // the second window still has it
        seen << fileBytes(lock);
        closeUnsaved(second);
        QCOMPARE(seen << fileBytes(lock),
                 (QByteArrayList{held, held, other ? found : "<missing>"}));
    }

    // A path wider than the menu's room loses the middle of its folders; the file name stays
    // whole unless it alone is too wide. Seen: name whole, within the width, shortened, head.
    void recentPathsShortenInTheMiddle_data()
    {
        addTextRows(
                {"path", "seen"},
                {{"fits", "/home/user/notes.brw", "1 1 0 /home"},
                 {"deep folders", "/home/" + QString("folder/").repeated(40) + "notes.brw",
                  "1 1 1 /home"},
                 {"one character too wide", "", "1 1 1 /home"},
                 {"a long name", "/home/" + QString("n").repeated(300) + ".brw", "0 1 1 /home"}});
    }
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
