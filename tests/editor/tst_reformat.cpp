#include "editor/Reformat.h"

#include <QTest>

class TestReformat : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("expected");

        const QString words = QStringLiteral("  alpha\n beta\n\n\ngamma  ");
        QTest::newRow("reflow paragraphs") << "reflow" << words << "\talpha beta\n\tgamma\n";
        QTest::newRow("one paragraph") << "one" << words << "\talpha beta gamma\n";
        QTest::newRow("lines") << "lines" << words << "\talpha\n\tbeta\n\n\n\tgamma\n";

        QTest::newRow("reflow only blanks") << "reflow"
                                            << " \t\u00a0 "
                                            << "\t\n";
        QTest::newRow("one only blanks") << "one"
                                         << "   "
                                         << "\n";
        QTest::newRow("lines only blanks") << "lines"
                                           << " \t "
                                           << "\n";
        QTest::newRow("reflow only line feeds") << "reflow"
                                                << "\n\n\n"
                                                << "\t\n";
        QTest::newRow("lines of blanks become empty") << "lines"
                                                      << " \n  \n"
                                                      << "\n\n\n";
        QTest::newRow("reflow empty") << "reflow"
                                      << ""
                                      << "\t\n";
        QTest::newRow("one empty") << "one"
                                   << ""
                                   << "\n";
        QTest::newRow("lines empty") << "lines"
                                     << ""
                                     << "\n";

        QTest::newRow("reflow no-break spaces") << "reflow"
                                                << "a\u00a0\u00a0b\u00a0"
                                                << "\ta b\n";
        QTest::newRow("one no-break spaces") << "one"
                                             << "\u00a0a\u00a0\u00a0b"
                                             << "\ta b\n";
        QTest::newRow("lines no-break spaces") << "lines"
                                               << "a\u00a0\nb"
                                               << "\ta\n\tb\n";

        // Reflow counts control characters as part of a word; the others make them blanks.
        QTest::newRow("reflow control characters") << "reflow"
                                                   << "a\x01"
                                                      "b\x02"
                                                   << "\ta\x01"
                                                      "b\x02\n";
        QTest::newRow("one control characters") << "one"
                                                << "a\x01\x02"
                                                   "b\x1f"
                                                << "\ta b\n";
        QTest::newRow("lines control characters") << "lines"
                                                  << "\x01"
                                                     "a\x02\x03"
                                                     "b"
                                                  << "\ta b\n";

        QTest::newRow("reflow CR LF") << "reflow"
                                      << "a\r\nb"
                                      << "\ta\r b\n";
        QTest::newRow("one CR LF") << "one"
                                   << "a\r\nb\r\n"
                                   << "\ta b\n";
        QTest::newRow("lines CR LF") << "lines"
                                     << "a\r\nb\r\n"
                                     << "\ta\n\tb\n\n";

        QTest::newRow("reflow tabs") << "reflow"
                                     << "\ta\t\tb\t"
                                     << "\ta b\n";
        QTest::newRow("lines tabs") << "lines"
                                    << "\ta\t\tb\t\n\tc"
                                    << "\ta b\n\tc\n";
        QTest::newRow("reflow trailing break") << "reflow"
                                               << "a\n\n"
                                               << "\ta\n\t\n";
        QTest::newRow("reflow blank line between") << "reflow"
                                                   << "a\n \t\nb"
                                                   << "\ta\n\tb\n";
        QTest::newRow("reflow gap before break") << "reflow"
                                                 << "a  \nb"
                                                 << "\ta b\n";
        QTest::newRow("lines leading empty line") << "lines"
                                                  << "\nx"
                                                  << "\n\tx\n";
    }

    void commands()
    {
        QFETCH(QString, command);
        QFETCH(QString, selected);
        QFETCH(QString, expected);
        QString actual;
        if (command == "reflow")
            actual = Reformat::reflowParagraphs(selected);
        else if (command == "one")
            actual = Reformat::oneParagraph(selected);
        else
            actual = Reformat::normaliseLines(selected);
        QCOMPARE(actual, expected);
    }

    void placedAtStartsALine()
    {
        QCOMPARE(Reformat::placedAt("\tx\n", 0), QString("\tx\n"));
        QCOMPARE(Reformat::placedAt("\tx\n", 3), QString("\n\tx\n"));
    }
};

QTEST_GUILESS_MAIN(TestReformat)
#include "tst_reformat.moc"
