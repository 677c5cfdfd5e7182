#pragma once

#include "editor/LineCuts.h"
#include "editor/SeparatorStandIns.h"

#include <QPlainTextEdit>

#include <optional>
#include <span>

struct KeyBinding;

class QKeyEvent;

// The multi-line plain-text editor used for every text of the program: descriptions, detached
// windows, the find dialog's fields. It adds key bindings that also work on the Russian layout,
// three reformatting commands, and a change signal that ignores text loaded by the program.
class CorrectedTextEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit CorrectedTextEdit(QWidget *parent = nullptr, const QString &name = QString());

    // The text exactly as stored: lines joined by line feeds, no-break spaces kept (the
    // base editor's toPlainText() turns them into spaces), and U+2028, U+2029, U+FDD0 and
    // U+FDD1 as they were loaded, pasted or typed.
    QString text() const;
    // The selected part of text().
    QString selectedText() const;
    static QString withLineFeeds(QString text);

    // The editor's own keys, for the key list.
    static std::span<const KeyBinding> keyBindings();

    // The edited flag: set by every user change, cleared by setText().
    bool isEdited() const;
    void setEdited(bool edited);

    // Positions are lines and columns of text(), whatever blocks the editor holds them in.
    // Selects from (line, col) to (line2, col2) and leaves the cursor at the start position.
    void setSelection(int line, int col, int line2, int col2);
    ColumnLine cursorLineCol() const;
    // Without a selection; a place beyond the text is clamped to it.
    void setCursorLineCol(ColumnLine place);

    // The reformatting commands on the selection; nothing happens without one.
    void reflowParagraphs();
    void oneParagraph();
    void normaliseLines();

public Q_SLOTS:
    // Replaces the whole text without signalling a user change and clears the edited flag.
    void setText(const QString &text);

Q_SIGNALS:
    // Every change of the text except one made through setText().
    void textChangedTRUE();

protected:
    bool event(QEvent *e) override;
    // A clipboard that nobody owns offers data without a single format: the toolkit's paste
    // would crash on it, so such data pastes nothing.
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;

protected Q_SLOTS:
    void textChangedSlot();

private:
    // Handles a key binding; returns nothing when the event goes on to the base editor.
    std::optional<bool> handleKey(QKeyEvent *e);
    // Delivers the Ctrl shortcut's press and release to this editor before returning.
    void sendCtrlKey(const QKeyEvent *incoming, int key, Qt::KeyboardModifiers modifiers);
    void replaceSelection(QString (*reformat)(const QString &));
    // A key that deletes across a cut of a long line or steps across one; nothing for others.
    std::optional<bool> keyAtCut(QKeyEvent *e);

    bool m_settingText = false;
    SeparatorStandIns m_standIns;
};
