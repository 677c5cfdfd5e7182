#include "editor/CorrectedTextEdit.h"
#include "find/FindDialog.h"
#include "support/ScriptedMessages.h"

#include <QCheckBox>
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
        QTest::addColumn<bool>("replaceMode");
        QTest::addColumn<QString>("find");
        QTest::addColumn<bool>("where");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("expected");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("nothing to find") << false << "" << false << int(Qt::Key_F3) << 0
                                         << "Не задана строка поиска (Nothing to find)";
        QTest::newRow("nowhere to find") << false << "x" << false << int(Qt::Key_F3) << 0
                                         << "Не указано, где искать (Nowhere to find)";
        QTest::newRow("find next") << false << "x" << true << int(Qt::Key_F3) << 0 << "find 1";
        QTest::newRow("keypad flag ignored")
                << false << "x" << true << int(Qt::Key_F3) << int(Qt::KeypadModifier) << "find 1";
        QTest::newRow("next theme") << false << "x" << true << int(Qt::Key_F3) << ctrl << "find 2";
        QTest::newRow("F4 in find mode") << false << "x" << true << int(Qt::Key_F4) << 0 << "";
        QTest::newRow("replace") << true << "x" << true << int(Qt::Key_F4) << 0 << "replace 3";
        QTest::newRow("replace all")
                << true << "x" << true << int(Qt::Key_F4) << ctrl << "replace 4";
        QTest::newRow("Shift+F3") << false << "x" << true << int(Qt::Key_F3)
                                  << int(Qt::ShiftModifier) << "";
        QTest::newRow("escape") << true << "x" << true << int(Qt::Key_Escape)
                                << int(Qt::ShiftModifier) << "hided";
    }

    void keysAndValidation()
    {
        QFETCH(bool, replaceMode);
        QFETCH(QString, expected);
        ScriptedMessages boxes;
        FindDialog dialog(replaceMode);
        dialog.show();
        QSignalSpy finds(&dialog, &FindDialog::findAction);
        QSignalSpy replaces(&dialog, &FindDialog::replaceAction);
        QSignalSpy hided(&dialog, &FindDialog::hided);
        QFETCH(QString, find);
        dialog.findField()->setText(find);
        QFETCH(bool, where);
        child<QCheckBox>(dialog, "inName")->setChecked(where);
        child<QCheckBox>(dialog, "inDescription")->setChecked(false);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QTest::keyClick(dialog.findField(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QString seen = boxes.count() == 1 ? boxes.texts().first() : QString();
        if (finds.count() + replaces.count() == 1)
            seen = QString(finds.count() ? "find " : "replace ") +
                   QString::number(dialog.paras().action);
        if (hided.count() == 1 && !dialog.isShown() && dialog.isHidden())
            seen = "hided";
        QCOMPARE(seen, expected);
        QCOMPARE(boxes.count() + finds.count() + replaces.count() + hided.count(),
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
            QCOMPARE(button->isEnabled(), !QString("<>Log ... <F11>").contains(button->text()));
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
};

QTEST_MAIN(TestFindDialog)
#include "tst_finddialog.moc"
