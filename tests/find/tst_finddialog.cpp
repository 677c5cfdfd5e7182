#include "editor/CorrectedTextEdit.h"
#include "find/FindDialog.h"
#include "support/Rows.h"
#include "support/ScriptedMessages.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

class TestFindDialog : public QObject
{
    Q_OBJECT

    template<typename T>
    static T *child(FindDialog &dialog, const char *name)
    {
        return dialog.findChild<T *>(QString::fromLatin1(name));
    }

private Q_SLOTS:
    void keysAndValidation_data()
    {
        // setup: r replace mode, n "&Name" checked
        // clang-format off
        addTextRows({"setup", "find", "key", "expected"}, {
                {"nothing to find", "", "", "F3", "Не задана строка поиска (Nothing to find)"},
                {"nowhere to find", "", "x", "F3", "Не указано, где искать (Nowhere to find)"},
                {"find next", "n", "x", "F3", "find 1"},
                {"keypad flag ignored", "n", "x", "Num+F3", "find 1"},
                {"next theme", "n", "x", "Ctrl+F3", "find 2"},
                {"F4 in find mode", "n", "x", "F4", ""},
                {"replace", "rn", "x", "F4", "replace 3"},
                {"replace all", "rn", "x", "Ctrl+F4", "replace 4"},
                {"Shift+F3", "n", "x", "Shift+F3", ""},
                {"escape", "rn", "x", "Shift+Esc", "hided"},
                {"find all", "n", "x", "F11", "list"},
                {"find all by the menu's key", "rn", "x", "Ctrl+Shift+F", "list"},
                {"find all, nothing to find", "n", "", "F11", "Не задана строка поиска (Nothing to find)"},
                {"Shift+F11", "n", "x", "Shift+F11", ""},
                {"Ctrl+F", "n", "x", "Ctrl+F", ""},
        });
        // clang-format on
    }

    void keysAndValidation()
    {
        QFETCH(QString, setup);
        QFETCH(QString, expected);
        ScriptedMessages boxes;
        FindDialog dialog(setup.contains('r'));
        dialog.show();
        QSignalSpy finds(&dialog, &FindDialog::findAction);
        QSignalSpy replaces(&dialog, &FindDialog::replaceAction);
        QSignalSpy hided(&dialog, &FindDialog::hided);
        QSignalSpy lists(&dialog, &FindDialog::listAction);
        QFETCH(QString, find);
        dialog.findField()->setText(find);
        child<QCheckBox>(dialog, "inName")->setChecked(setup.contains('n'));
        child<QCheckBox>(dialog, "inDescription")->setChecked(false);
        QFETCH(QString, key);
        const QKeyCombination combination = QKeySequence::fromString(key)[0];
        QTest::keyClick(dialog.findField(), combination.key(), combination.keyboardModifiers());

        QString seen = boxes.count() == 1 ? boxes.texts().first() : QString();
        if (finds.count() + replaces.count() == 1)
            seen = QString(finds.count() ? "find " : "replace ") +
                   QString::number(dialog.paras().action);
        if (hided.count() == 1 && !dialog.isShown() && dialog.isHidden())
            seen = "hided";
        if (lists.count() == 1)
            seen = "list";
        QCOMPARE(seen, expected);
        QCOMPARE(boxes.count() + finds.count() + replaces.count() + hided.count() + lists.count(),
                 expected.isEmpty() ? 0 : 1);
    }

    void modesGatheringAndFocus()
    {
        FindDialog dialog(false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const QList<QWidget *> replacing = {dialog.replaceField(),
                                            child<QWidget>(dialog, "replaceLabel"),
                                            child<QWidget>(dialog, "replaceButton"),
                                            child<QWidget>(dialog, "replaceAllButton")};
        for (QWidget *widget : replacing)
            QVERIFY(!widget->isEnabled());
        QTest::keyClick(dialog.findField(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(dialog.findField()->hasFocus());

        dialog.setReplaceMode(true);
        for (QWidget *widget : replacing)
            QVERIFY(widget->isEnabled());
        for (QPushButton *button : dialog.findChildren<QPushButton *>())
            QCOMPARE(button->isEnabled(), !QString("<>").contains(button->text()));
        QTest::keyClick(dialog.findField(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(dialog.replaceField()->hasFocus());
        QTest::keyClick(dialog.replaceField(), Qt::Key_Backtab,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(dialog.findField()->hasFocus());
        QTest::keyClick(dialog.findField(), Qt::Key_Tab);
        QCOMPARE(dialog.findField()->text(), QString("\t"));

        dialog.findField()->setText("two\nlines");
        dialog.replaceField()->setText("by");
        child<QCheckBox>(dialog, "caseSensitiveOpt")->setChecked(true);
        child<QCheckBox>(dialog, "inName")->setChecked(false);
        child<QRadioButton>(dialog, "ofThemeWithSubthemes")->setChecked(true);
        dialog.close();
        const FindParas &p = dialog.paras();
        QVERIFY(p.caseSensitive && !p.backwards && !p.inName && p.inDescription);
        QCOMPARE(p.scope, 2);
        QCOMPARE(p.findText, QString("two\nlines"));
        QCOMPARE(p.replaceText, QString("by"));
        QVERIFY(dialog.findField()->textCursor().hasSelection());
    }

    // An invalid regular expression is named in the status line and no key or button runs a
    // search until it is mended; plain text with the same characters runs.
    void invalidPatternDisablesTheSearch_data()
    {
        addTextRows({"options", "status", "enabled"},
                    {{"unclosed group", "r",
                      "Error in the regular expression at 4: missing closing parenthesis", "no"},
                     {"mended", "r", "", "yes"},
                     {"same text, plain", "", "", "yes"},
                     {"same text, whole words", "w", "", "yes"}});
    }
    void invalidPatternDisablesTheSearch()
    {
        QFETCH(QString, options);
        ScriptedMessages boxes;
        FindDialog dialog(true);
        dialog.show();
        QSignalSpy finds(&dialog, &FindDialog::findAction);
        QSignalSpy lists(&dialog, &FindDialog::listAction);
        child<QCheckBox>(dialog, "regularExpressionOpt")->setChecked(options.contains('r'));
        child<QCheckBox>(dialog, "wholeWordsOpt")->setChecked(options.contains('w'));
        dialog.findField()->setText(QTest::currentDataTag() == QByteArray("mended") ? "a(b)"
                                                                                    : "a(b");
        QTEST(child<QLabel>(dialog, "status")->text(), "status");
        QFETCH(QString, enabled);
        for (const char *button : {"findNextButton", "nextThemeButton", "replaceButton",
                                   "replaceAllButton", "listButton"})
            QCOMPARE(child<QPushButton>(dialog, button)->isEnabled(), enabled == "yes");
        QTest::keyClick(dialog.findField(), Qt::Key_F3);
        QTest::keyClick(dialog.findField(), Qt::Key_F11);
        QCOMPARE(finds.count() + lists.count(), enabled == "yes" ? 2 : 0);
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(dialog.paras().regularExpression, options.contains('r'));
        QCOMPARE(dialog.paras().wholeWords, options.contains('w'));
    }

    // Every mnemonic of the dialog's buttons and boxes is its own.
    void mnemonicsAreDistinct()
    {
        FindDialog dialog(true);
        QMap<QChar, QString> taken;
        for (const QAbstractButton *button : dialog.findChildren<QAbstractButton *>()) {
            const qsizetype amp = button->text().indexOf('&');
            if (amp < 0 || amp + 1 >= button->text().size())
                continue;
            const QChar key = button->text()[amp + 1].toLower();
            QVERIFY2(!taken.contains(key), qPrintable(taken[key] + " / " + button->text()));
            taken[key] = button->text();
        }
        QCOMPARE(taken.size(), 9);
    }
};

QTEST_MAIN(TestFindDialog)
#include "tst_finddialog.moc"
