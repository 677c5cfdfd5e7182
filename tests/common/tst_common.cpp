#include "common/Assertions.h"
#include "common/Cp1251.h"
#include "common/DataFiles.h"
#include "common/Preview.h"
#include "common/ToolkitSeams.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QObject>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>

class TestCommon : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cp1251RoundTripsEveryByte()
    {
        // The first conversion of the run: the codec has built the tables before it.
        QVERIFY(!Cp1251Codec::tablesBuilt());
        Cp1251Codec codec;
        QVERIFY(Cp1251Codec::tablesBuilt());
        QVERIFY(codec.isValid());
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        QCOMPARE(codec.encode(codec.decode(all)), all);
        QCOMPARE(codec.decode("\xcf\xf0\xe8\xe2\xe5\xf2"), QString("Привет"));
        QVERIFY(!codec.decode(QByteArray()).isNull());
    }

    void assertionsReportAndReturn()
    {
        ScriptedMessages boxes;
        int x = 0;
        QObject object;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such signal.*"));
        QCOMPARE((QList<bool>{MY_ASSERT(true, QStringLiteral("1003")),
                              MY_ASSERT(false, QStringLiteral("1003")),
                              checkPointer(nullptr, QStringLiteral("2002")),
                              checkPointer(&x, QStringLiteral("2002")),
                              CONNECT_ASSERT(QObject::connect(&object, SIGNAL(nothing()), &object,
                                                              SLOT(deleteLater())))}),
                 (QList<bool>{true, false, false, true, false}));
        QCOMPARE(boxes.captions(), (QStringList{"MY_ASSERT", "error 2002", "CONNECT_ASSERT"}));
        QCOMPARE(boxes.texts(),
                 (QStringList{"MY_ASSERT in 1003", "pointer is NULL", "Connect failed!"}));
    }

    // Where a copy of a data file lies: "." the working directory, "a" and "b" the data folders
    // in order; a "/" marks a folder of that name instead of a file.
    void dataFileLookup_data() { JSON_ROWS("copies", "expected"); }

    void dataFileLookup()
    {
        FETCH_TEXTS(copies, expected);
        QTemporaryDir work;
        const QString oldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        QDir().mkpath("a");
        QDir().mkpath("b");
        for (const QString &copy : copies.split(' ', Qt::SkipEmptyParts)) {
            const QString path = QString(copy).remove('/') + "/keyhelp.txt";
            QVERIFY(copy.endsWith('/') ? QDir().mkdir(path)
                                       : QFile(path).open(QIODevice::WriteOnly));
        }
        const QString found =
                DataFiles::locate("keyhelp.txt", {work.filePath("a"), work.filePath("b")});
        QDir::setCurrent(oldDir);
        QCOMPARE(found, expected == "keyhelp.txt" ? expected : work.filePath(expected));
    }

    // The bytes written as Latin-1 characters.
    void cp1251WritesOneSubstituteForEachMissingCharacter_data() { JSON_ROWS("text", "written"); }
    void cp1251WritesOneSubstituteForEachMissingCharacter()
    {
        FETCH_TEXTS(text, written);
        const QByteArray bytes = written.toLatin1();
        Cp1251Codec codec;
        QCOMPARE(codec.encode(text), bytes);
        QCOMPARE(codec.replaced(), bytes.count('\x1a'));
    }

    // The file's bytes as Latin-1 characters ("": no file, "fifo": a FIFO); the preview shown.
    void previewShowsTheFirstTenLines_data() { JSON_ROWS("bytes", "shown"); }
    void previewShowsTheFirstTenLines()
    {
        QFETCH(QString, bytes);
        const QByteArray content = bytes.toLatin1();
        QTemporaryDir dir;
        QFile file(dir.filePath("f.brw"));
        if (content == "fifo")
            QCOMPARE(mkfifo(qPrintable(file.fileName()), 0600), 0);
        else
            QVERIFY(content.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(content)));
        file.close();
        Preview preview;
        preview.setPlainText("old");
        preview.previewUrl(QUrl::fromLocalFile(file.fileName()));
        preview.previewUrl(QUrl::fromLocalFile(dir.path())); // a folder is no file to show
        QTEST(preview.toPlainText(), "shown");
        QCOMPARE(preview.isReadOnly(), preview.toPlainText() != "old");
    }

    // The real box, last because from here on no box fails the test: its icon, and what Enter
    // and Escape answer (Escape must cancel where a box offers it, never answer "No").
    void realBoxes_data() { JSON_ROWS("buttons", "icon", "enter", "escape"); }
    void realBoxes()
    {
        FETCH_TEXTS(buttons, icon, enter, escape);
        using namespace Messages;
        const std::map<QString, Buttons> buttonsNamed{{"Ok", Buttons::Ok},
                                                      {"OkCancel", Buttons::OkCancel},
                                                      {"YesNo", Buttons::YesNo},
                                                      {"YesNoCancel", Buttons::YesNoCancel}};
        const std::map<QString, Icon> iconsNamed{{"Warning", Icon::Warning},
                                                 {"Critical", Icon::Critical},
                                                 {"Information", Icon::Information}};
        ToolkitSeams::install();
        setUnansweredResponder({});
        const Box box{nullptr, "caption", "text", buttonsNamed.at(buttons), iconsNamed.at(icon)};
        for (const auto &[key, expected] :
             {std::pair{Qt::Key_Return, enter}, {Qt::Key_Escape, escape}}) {
            QString shown;
            QTimer::singleShot(0, [&shown, key] {
                auto *dialog = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                shown = QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(dialog->icon());
                QTest::keyClick(dialog, key);
            });
            QCOMPARE(int(show(box)), int(ScriptedMessages::answerNamed(expected)));
            QCOMPARE(shown, icon);
        }
    }
};

QTEST_MAIN(TestCommon)
#include "tst_common.moc"
