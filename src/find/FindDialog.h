#pragma once

#include "find/FindParas.h"

#include <QWidget>

class CorrectedTextEdit;
class QCheckBox;
class QLabel;
class QPushButton;

// The window in which the user types the text to find and its replacement, chooses where to
// search and starts a step. It runs no search itself: it gathers its settings into a Paras
// record and signals, and the main window hands the record to its search engine.
class FindDialog : public QWidget
{
    Q_OBJECT
public:
    using Paras = FindParas;

    explicit FindDialog(bool replaceMode, QWidget *parent = nullptr, const char *name = nullptr,
                        Qt::WindowFlags flags = {});

    // Enables the replace field, its label and the two replace buttons, or disables them.
    void setReplaceMode(bool on);
    // 0 when the gathered parameters can run a step, else the warning to show.
    int validate() const { return m_paras.validate(); }
    void warn(int code);
    // True from the moment the dialog is shown until it is hidden.
    virtual bool isShown() const { return m_shown; }

    const Paras &paras() const { return m_paras; }
    CorrectedTextEdit *findField() const { return m_findText; }
    CorrectedTextEdit *replaceField() const { return m_replaceText; }

    void setVisible(bool visible) override;

public Q_SLOTS:
    void findNextPressed();
    void nextThemePressed();
    void replacePressed();
    void replaceAllPressed();
    void listPressed();

Q_SIGNALS:
    void findAction();
    void replaceAction();
    // Every match of the search, listed at once.
    void listAction();
    void hided();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void gather();
    // Gathers, validates and, when valid, signals the action; then releases the button.
    void press(QPushButton *button, int action);
    void cycleFocus(int step);
    void checkPattern();

    Paras m_paras;
    int m_focusIndex = 0;
    bool m_shown = false;
    CorrectedTextEdit *m_findText = nullptr;
    CorrectedTextEdit *m_replaceText = nullptr;
    QLabel *m_replaceLabel = nullptr;
    QPushButton *m_findNextButton = nullptr;
    QPushButton *m_nextThemeButton = nullptr;
    QPushButton *m_replaceButton = nullptr;
    QPushButton *m_replaceAllButton = nullptr;
    QPushButton *m_listButton = nullptr;
    QCheckBox *m_regexBox = nullptr;
    QCheckBox *m_wholeWordsBox = nullptr;
    QLabel *m_status = nullptr;
    bool m_patternValid = true;
    QList<QPushButton *> m_futureButtons; // the history buttons, always disabled
};
