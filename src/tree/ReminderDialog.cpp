#include "tree/ReminderDialog.h"

#include "common/Assertions.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>

namespace {

// A small bell.
const char *const bellIcon[] = {"16 16 4 1",        "  c None",         ". c #000000",
                                "+ c #E8B800",      "@ c #FFF2A0",      "       ..       ",
                                "      .@@.      ", "     .@@++.     ", "    .@@+++.     ",
                                "    .@++++.     ", "   .@++++++.    ", "   .@++++++.    ",
                                "   .@++++++.    ", "  .@++++++++.   ", "  .@++++++++.   ",
                                " .@++++++++++.  ", " .............. ", "      .++.      ",
                                "       ..       ", "                ", "                "};

} // namespace

ReminderDialog::ReminderDialog(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(tr("Reminder messages"));
    setWindowIcon(QIcon(QPixmap(bellIcon)));
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_textBox = new QPlainTextEdit(this);
    m_textBox->setObjectName(QStringLiteral("editBox"));
    m_textBox->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_textBox->setFocusPolicy(Qt::NoFocus);
    m_clearButton = new QPushButton(tr("&Clear"), this);
    m_clearButton->setToolTip(tr("Очистить"));
    m_clearButton->setFocusPolicy(Qt::NoFocus);
    CONNECT_ASSERT(connect(m_clearButton, &QPushButton::pressed, this, &ReminderDialog::clearText));
    resize(460, 312);
}

void ReminderDialog::showText(const QString &text)
{
    QTextCursor cursor(m_textBox->document());
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText(text);
    cursor.movePosition(QTextCursor::Start);
    m_textBox->setTextCursor(cursor);
}

void ReminderDialog::showWithoutFocus()
{
    const QPointer<QWidget> focus = QApplication::focusWidget();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    if (focus && QApplication::focusWidget() != focus) {
        focus->activateWindow();
        focus->setFocus();
    }
}

void ReminderDialog::showMessage(const QString &text, bool popup)
{
    showText(text);
    if (popup)
        showWithoutFocus();
}

void ReminderDialog::clearText()
{
    m_textBox->clear();
}

void ReminderDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ReminderDialog::resizeEvent(QResizeEvent *event)
{
    m_textBox->setGeometry(3, 3, width() - 5, height() - 33);
    m_clearButton->setGeometry(width() - 82, height() - 27, 80, 26);
    QWidget::resizeEvent(event);
}
