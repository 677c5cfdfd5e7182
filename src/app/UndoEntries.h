#pragma once

#include <QList>

class DocumentUndo;
class QAction;
class QWidget;

// A window's undo and redo entries and buttons, following the document's undo history: each
// names the step it would take, and the entries work only while the tree is being edited.
class UndoEntries
{
public:
    // The entries among the window's actions, the buttons among its children.
    UndoEntries(const DocumentUndo &history, QWidget &window, const QList<QAction *> &actions);

    void setTreeEditing(bool treeEditing);
    // After every change of the history.
    void update();

private:
    const DocumentUndo &m_history;
    QWidget &m_window;
    QList<QAction *> m_actions;
    bool m_treeEditing = false;
};
