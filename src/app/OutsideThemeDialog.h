#pragma once

#include "common/Messages.h"

#include <QMainWindow>
#include <QSize>

#include <span>

class CorrectedTextEdit;
struct KeyBinding;

// A detached description window: a theme's description copied into a window of its own, to be
// read and edited beside the tree. Saving hands the text to the main window, which stores it in
// the theme the window was opened for.
class OutsideThemeDialog : public QMainWindow
{
    Q_OBJECT
public:
    // What the main window hands over when it opens the window.
    struct Opening
    {
        int number = 0; // place in the main window's list from 1; 0 from the tenth on
        QString themePath;
        QString text;
        QSize size;
    };

    explicit OutsideThemeDialog(const Opening &opening);

    int number() const { return m_number; }
    const QString &themePath() const { return m_themePath; }
    bool isModified() const { return m_modified; }
    CorrectedTextEdit *editor() const { return m_editor; }
    // The main window calls it while it handles needSaveData when the text could not be stored:
    // the window then stays modified (and stays open when it was closing).
    void refuseSave() { m_saveRefused = true; }

    static std::span<const KeyBinding> keyBindings();

public Q_SLOTS:
    void textChanged();

Q_SIGNALS:
    void needSaveData(OutsideThemeDialog *window, const QString &text);
    void closed(OutsideThemeDialog *window);
    void goHome(OutsideThemeDialog *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void updateCaption();
    Messages::Answer askSave();
    // Hands the text over; false when the main window refused it.
    bool save();

    int m_number;
    QString m_themePath;
    bool m_modified = false;
    bool m_saveRefused = false;
    CorrectedTextEdit *m_editor = nullptr;
};
