#pragma once

#include "editor/SeparatorStandIns.h"

#include <QPlainTextEdit>

#include <optional>
#include <span>

struct KeyBinding;

class QKeyEvent;

// A (line, column) position; a line is a text block, so word wrapping never makes lines.
struct ColumnLine
{
    int column = 0;
    int line = 0;
    bool operator==(const ColumnLine &) const = default;
};

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
    static QString withLineFeeds(QString text);

    // The editor's own keys, for the key list.
    static std::span<const KeyBinding> keyBindings();

    // The edited flag: set by every user change, cleared by setText().
    bool isEdited() const;
    void setEdited(bool edited);

    // Selects from (line, col) to (line2, col2) and leaves the cursor at the start position.
    void setSelection(int line, int col, int line2, int col2);

    // Characters in front of (line, col) with the lines put end to end without line breaks;
    // -1 for a negative argument. The line and column are not checked against the text.
    int lineColToIndex(int line, int col) const;
    // The inverse of lineColToIndex. An index at the end of a line that has a successor maps to
    // column 0 of the successor (empty lines in between are passed over); an index past the
    // text maps to the end of the last line.
    ColumnLine indexToLineCol(int index) const;

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
    // Sum of the lengths (without line breaks) of the lines in front of the given one.
    int lengthBefore(int line) const;

    bool m_settingText = false;
    SeparatorStandIns m_standIns;
    QTextOption::WrapMode m_wordWrap; // for texts with blanks enough
};
