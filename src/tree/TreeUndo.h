#pragma once

#include "tree/UndoStep.h"

#include <QObject>
#include <QSet>

class LinkListView;

// The undo history of one tree: the steps done (below the index) and undone (from it on). The
// view's primitives report every change while a step is open; each step keeps the themes it
// removed alive, so undo and redo cost what the change cost, whatever the size of the tree.
//
// Changes outside every step (opening a link group's member moves the group's children to it)
// are kept as pending: the next step starts with them, and undo or redo first takes them back,
// so that every step replays on the tree exactly as it left it.
class TreeUndo : public QObject
{
    Q_OBJECT
public:
    explicit TreeUndo(LinkListView *view);

    // Keeps recording off while it lives: loading a whole tree, emptying it, replaying.
    class Pause
    {
    public:
        explicit Pause(TreeUndo &undo)
            : m_undo(undo)
        {
            ++m_undo.m_paused;
        }
        ~Pause() { --m_undo.m_paused; }
        Pause(const Pause &) = delete;
        Pause &operator=(const Pause &) = delete;

    private:
        TreeUndo &m_undo;
    };

    bool canUndo() const { return m_depth == 0 && m_index > 0; }
    bool canRedo() const { return m_depth == 0 && m_index < m_steps.size(); }
    // The name of the step undo or redo would take back or make again; empty when none.
    QString undoText() const;
    QString redoText() const;
    int count() const { return int(m_steps.size()); }
    int index() const { return int(m_index); }
    qint64 heldBytes() const { return m_bytes; }
    // Steps beyond this estimate of the memory they hold go, oldest first (the newest stays).
    void setByteLimit(qint64 bytes) { m_byteLimit = bytes; }
    bool undo();
    bool redo();
    // A fresh history: every theme only a step kept alive goes.
    void clear();

    // Recording. Steps nest: the outermost one is the step. A step whose name editor is still
    // open (`renamed`) takes the name given there as part of itself.
    void begin(const char *text, ColorListViewItem *renamed = nullptr);
    void end();
    bool isOpen() const { return m_depth > 0; }
    void renamingStarted(ColorListViewItem *theme);
    void renamingEnded();
    void themeCreated(ColorListViewItem *theme);
    void textChanging(ColorListViewItem *theme, bool name, const QString &before,
                      const QString &after);
    void slotChanged(ColorListViewItem *theme, int slot, int before, int after);
    void placing(ColorListViewItem *theme, QTreeWidgetItem *parent, int index, bool inserted);
    void childrenMoving(QTreeWidgetItem *from, QTreeWidgetItem *list, int index, int count);
    void exchanging(ColorListViewItem *first, ColorListViewItem *second);
    // Whether a branch to be destroyed is kept instead, and keeping it (with its memory).
    bool keepsRemoved() const { return m_paused == 0; }
    void keep(ColorListViewItem *theme, qint64 bytes);

Q_SIGNALS:
    // What undo or redo would do has changed.
    void changed();

private:
    Undo::Step *target();
    void storageChanging(int id);
    void finishStorage(Undo::Step &step);
    void revertPending();
    void discardRedo();
    void dropOldest();
    // Destroys the branches out of the tree that the steps hold (with keptOnly, only those the
    // steps removed themselves).
    void destroyOutside(const std::vector<Undo::Step *> &steps, bool keptOnly);
    static qint64 estimate(const Undo::Step &step);

    LinkListView *m_view;
    std::vector<std::unique_ptr<Undo::Step>> m_steps;
    size_t m_index = 0;
    std::unique_ptr<Undo::Step> m_open;
    std::unique_ptr<Undo::Step> m_pending;
    // Themes made since the open step (or the pending changes) began: nothing to take back.
    QSet<ColorListViewItem *> m_created;
    int m_depth = 0;
    int m_paused = 0;
    size_t m_entryMark = 0;
    size_t m_keptMark = 0;
    bool m_storageTouched = false;
    bool m_continuing = false;
    qint64 m_bytes = 0;
    qint64 m_byteLimit = qint64(256) << 20;
};
