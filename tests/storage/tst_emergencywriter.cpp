#include "common/Emergency.h"
#include "storage/TreeFile.h"
#include "support/ScriptedMessages.h"
#include "tree/LinkListView.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// After a fatal signal the writer must neither run the event loop nor wait for a busy tree: the
// interrupted code may hold locks that the toolkit would wait on for ever.
class TestEmergencyWriter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writesAtOnceWithoutTheEventLoop()
    {
        ScriptedMessages boxes;
        LinkListView view;
        view.appendChild(view.rootTheme(), "theme")->setDescription("text");
        Emergency::begin();
        LinkListView::Busy busy(&view); // caught in the middle of a change
        bool eventLoopRan = false;
        QTimer::singleShot(0, [&] { eventLoopRan = true; });

        QTemporaryDir dir;
        QFile file(dir.filePath("errorsave"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QString log;
        QCOMPARE(saveTree(view, &file, 0, nullptr, &log), -1);
        file.close();
        QVERIFY(!eventLoopRan);
        QCOMPARE(log, QString());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().endsWith("]-->theme\r\ntext\r\n"));
        QCOMPARE(boxes.count(), 0);
    }
};

QTEST_MAIN(TestEmergencyWriter)
#include "tst_emergencywriter.moc"
