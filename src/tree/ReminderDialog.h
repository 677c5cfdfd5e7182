#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The reminder's message window: always on top, newest lines first. It never takes the
// keyboard focus from what the user is typing into.
class ReminderDialog : public QWidget
{
    Q_OBJECT
public:
    explicit ReminderDialog(QWidget *parent = nullptr);

    QPlainTextEdit *textBox() const { return m_textBox; }
    QPushButton *clearButton() const { return m_clearButton; }

    // Puts the text above everything shown so far, with the cursor at its start.
    void showText(const QString &text);
    // Shows the window, restored if it was minimized, and leaves the focus where it was.
    void showWithoutFocus();

public Q_SLOTS:
    // The reminder's lines: above the text, and with popup the window comes up.
    void showMessage(const QString &text, bool popup);
    void clearText();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPlainTextEdit *m_textBox = nullptr;
    QPushButton *m_clearButton = nullptr;
};
