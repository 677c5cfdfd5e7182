#include "model/ThemeDocument.h"
#include "storage/TreeFile.h"
#include "support/FixedClock.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"
#include "support/TreeBytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The tree file read into a document and written from it, with no window at all.
static const QString sourceDir = QStringLiteral(BRW_TEST_SOURCE_DIR);

// Read as the command line reads a file, piece by piece.
static bool readThroughFile(ThemeDocument &document, const QByteArray &bytes)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("in.brw"));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
           readTreeFile(file.fileName(), document, nullptr);
}

class TestModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { fixClock(QDate(2005, 3, 15)); }
    void cleanup() { resetClock(); }

    // The file's bytes as Latin-1 characters.
    void hostileBytesReadSafely_data()
    {
        JSON_ROWS("latin1");
        QString chain;
        for (int i = 1; i <= 200000; ++i)
            chain += QString("<!--%1-->n\n").arg(i);
        QTest::newRow("200000 levels deep") << chain;
    }
    void hostileBytesReadSafely()
    {
        QFETCH(QString, latin1);
        const QByteArray bytes = latin1.toLatin1();
        ScriptedMessages shown;
        ThemeDocument document;
        loadBytes(document, bytes);
        const QByteArray bytesWritten = saveToBytes(document, document.root(), 0);
        ThemeDocument fromFile;
        QVERIFY(readThroughFile(fromFile, bytes));
        QCOMPARE(saveToBytes(fromFile, fromFile.root(), 0), bytesWritten);
        ThemeDocument again;
        loadBytes(again, bytesWritten);
        QCOMPARE(saveToBytes(again, again.root(), 0), bytesWritten);
    }

    // What CP1251 lacks is written as 0x1A and counted.
    void conversion_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray cp1251 = "\xCF\xF0\xE8 \x88\r\n<!--1[01.01.2001]-->\xE0\r\n\r\n";
        const QByteArray unicode = "\xEF\xBB\xBFПри €\r\n<!--1[01.01.2001]-->а\r\n\r\n";
        QTest::newRow("to Unicode") << cp1251 << unicode;
        QTest::newRow("to CP1251") << unicode << cp1251;
        QTest::newRow("to CP1251, replaced") << QByteArray("\xEF\xBB\xBF漢 \U0001F600 e\u0301\r\n")
                                             << QByteArray("\x1A \x1A e\x1A\r\n");
    }
    void conversion()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        ThemeDocument document;
        loadBytes(document, file);
        QCOMPARE(document.textEncoding(), textFormOf(file));
        document.setTextEncoding(textFormOf(expected));
        SaveReport report;
        QCOMPARE(saveToBytes(document, document.root(), 0, nullptr, nullptr, &report), expected);
        QCOMPARE(report.replaced, expected.count('\x1A'));
    }

    void failedWriteIsReported()
    {
        ScriptedMessages shown;
        ThemeDocument document;
        QVERIFY(readTreeFile(sourceDir + "/input/basic.brw", document, nullptr));
        QFile full("/dev/full");
        if (!full.open(QIODevice::WriteOnly))
            QSKIP("no /dev/full here");
        QString log;
        QCOMPARE(writeTree(document, document.root(), &full, 0, {}, &log, nullptr, nullptr), -1000);
        QCOMPARE(log + shown.texts().join(""), QString("!!!Error (Ошибка)!!!\nError writing "
                                                       "file\nОшибка записи в файл\n/dev/full\n"));
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
