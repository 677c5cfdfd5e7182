#pragma once

#include <QLineEdit>

#include <span>

struct KeyBinding;

// The one-line editor that renames a theme in place. It closes on Return (accept), Escape
// (reject) or when it loses the focus (accept), and reports a rename only when the user changed
// the text.
class NameEditor : public QLineEdit
{
    Q_OBJECT
public:
    NameEditor(const QString &text, QWidget *parent, const char *name);

    // Hides the editor; emits accept() with the text stripped of line breaks, or reject().
    void finishEditing(bool accept);
    void setContextMenuPending(bool pending) { m_contextMenuPending = pending; }
    // Ready for another rename, with the theme's name.
    void restart(const QString &text);
    // Whether the keys were typed here when editing ended (Return, Escape), rather than the
    // focus having gone elsewhere: the tree then takes the focus back.
    bool endedWithFocus() const { return m_endedWithFocus; }

    // The editor's own keys, for the key list.
    static std::span<const KeyBinding> keyBindings();

Q_SIGNALS:
    void accept(const QString &text);
    void reject();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sendKeyToSelf(int key, Qt::KeyboardModifiers modifiers);

    bool m_contextMenuPending = false;
    bool m_endedWithFocus = false;
};
