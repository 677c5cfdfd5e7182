#include "editor/CorrectedTextEdit.h"
#include "find/FindDialog.h"
#include "support/JsonRows.h"
#include "support/ScriptedMessages.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

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
        JSON_ROWS("setup", "find", "key", "expected");
    }

    void keysAndValidation()
    {
        FETCH_TEXTS(setup, find, key, expected);
        ScriptedMessages boxes;
        FindDialog dialog(setup.contains('r'));
        dialog.show();
        QSignalSpy finds(&dialog, &FindDialog::findAction);
        QSignalSpy replaces(&dialog, &FindDialog::replaceAction);
        QSignalSpy hided(&dialog, &FindDialog::hided);
        QSignalSpy lists(&dialog, &FindDialog::listAction);
        dialog.findField()->setText(find);
        child<QCheckBox>(dialog, "inName")->setChecked(setup.contains('n'));
        child<QCheckBox>(dialog, "inDescription")->setChecked(false);
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
        QCOMPARE((QList<bool>{p.caseSensitive, p.backwards, p.inName, p.inDescription}),
                 (QList<bool>{true, false, false, true}));
        QCOMPARE(p.scope, 2);
        QCOMPARE(p.findText, QString("two\nlines"));
        QCOMPARE(p.replaceText, QString("by"));
        QVERIFY(dialog.findField()->textCursor().hasSelection());
    }

    // An invalid regular expression is named in the status line and no key or button runs a
    // search until it is mended; plain text with the same characters runs.
    void invalidPatternDisablesTheSearch_data() { JSON_ROWS("options", "status", "enabled"); }
    void invalidPatternDisablesTheSearch()
    {
        FETCH_TEXTS(options, enabled);
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
