#pragma once

#include "model/ThemeDocument.h"

#include <QString>

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

// The undo history of a document: the steps done (below the index) and undone (from it on).
// While it lives, every primitive of the document is recorded into the open step; undo and redo
// replay a step's changes backwards or forwards through the same primitives, so every observer
// hears them. Themes keep their identity: a step keeps the branches it took out alive, and the
// document frees them when no step can bring them back.
//
// Changes outside every step (opening a link group's member makes it the holder) are kept as
// pending, without names, descriptions and dates (the editor's, no step takes them back): the
// next step starts with them, and undo or redo first takes them back, so that every step
// replays on the tree exactly as it left it.
//
// One history per document, made after it and gone before it: going, it frees what it kept.
class DocumentUndo
{
public:
    explicit DocumentUndo(ThemeDocument &document);
    ~DocumentUndo();
    DocumentUndo(const DocumentUndo &) = delete;
    DocumentUndo &operator=(const DocumentUndo &) = delete;

    bool canUndo() const { return m_depth == 0 && m_index > 0; }
    bool canRedo() const { return m_depth == 0 && m_index < m_steps.size(); }
    // The name of the step undo or redo would take back or make again; empty when none.
    QString undoText() const;
    QString redoText() const;
    int count() const { return int(m_steps.size()); }
    int index() const { return int(m_index); }
    qint64 heldBytes() const { return m_bytes; }
    // StepRecord beyond this estimate of the memory they hold go, oldest first (the newest stays).
    void setByteLimit(qint64 bytes) { m_byteLimit = bytes; }
    bool undo();
    bool redo();
    // A fresh history: every branch only a step kept goes.
    void clear();

    // StepRecord nest: the outermost one is the step, named by its command's text.
    void begin(const char *text);
    void end();
    // The state kept beside the document (the commands' sources of a paste), as each step found
    // and left it: `take` gives it, and undo and redo give `put` the one to return to.
    void setSideState(std::function<std::any()> take, std::function<void(const std::any &)> put);
    // Opens the last step done again, so that what follows belongs to it (the name given to the
    // theme it opened for naming); false when another change or an undo came after it.
    bool reopenLast();
    bool isOpen() const { return m_depth > 0; }
    // `aboutToChange` hears before a step begins and before an undo or a redo, while nothing is
    // recorded: the text being typed goes into the document first and stays the editor's.
    // `changed` hears once the history changed: a step made, undone, redone or cleared away.
    void setListeners(std::function<void()> aboutToChange, std::function<void()> changed);
    class Step
    {
    public:
        Step(DocumentUndo &undo, const char *text)
            : m_undo(undo)
        {
            m_undo.begin(text);
        }
        ~Step() { m_undo.end(); }
        Step(const Step &) = delete;
        Step &operator=(const Step &) = delete;

    private:
        DocumentUndo &m_undo;
    };

    // The changes a step is made of, each with what it takes to make it again or take it back.
    struct Placement // a theme entering (inserted) or leaving parent's list at row
    {
        Theme *theme;
        Theme *parent;
        int row;
        bool inserted;
    };
    struct Move
    {
        Theme *theme;
        Theme *from;
        int fromRow;
        Theme *to;
        int toRow;
    };
    struct ChildrenMove // all `count` children of `from` went to row of list
    {
        Theme *from;
        Theme *list;
        int row;
        int count;
    };
    struct Exchange
    {
        Theme *first;
        Theme *second;
    };
    struct TextChange
    {
        Theme *theme;
        bool name;
        QString before;
        QString after;
    };
    struct DateChange
    {
        Theme *theme;
        QDate before;
        QDate after;
    };
    struct LinkIdChange
    {
        Theme *theme;
        int before;
        int after;
    };
    struct GroupChange // a group as it was and became (none: no group of that id)
    {
        int id;
        std::optional<LinkGroup> before;
        std::optional<LinkGroup> after;
    };
    using Entry = std::variant<Placement, Move, ChildrenMove, Exchange, TextChange, DateChange,
                               LinkIdChange, GroupChange>;

private:
    friend class ThemeDocument;

    struct StepRecord
    {
        const char *text = nullptr;
        std::vector<Entry> entries;
        std::vector<Theme *> kept; // branches the step left out of the tree
        qint64 bytes = 0;
        std::any before, after; // the side state
    };

    // Whether the change about to be made is recorded (the undone steps go if it is a step's).
    bool recordingChange();
    void record(Entry &&entry);
    void replay(const StepRecord &step, bool forward);
    void revertPending();
    void discardRedo();
    void dropOldest();
    void tellAboutToChange();
    void tellChanged();
    // Frees the detached branches that the steps' entries name (with keptOnly, only those the
    // steps left out themselves).
    void releaseOutside(const std::vector<const StepRecord *> &steps, bool keptOnly);
    qint64 estimate(const StepRecord &step) const;

    ThemeDocument &m_document;
    std::vector<std::unique_ptr<StepRecord>> m_steps;
    size_t m_index = 0;
    std::unique_ptr<StepRecord> m_open;
    std::unique_ptr<StepRecord> m_pending;
    size_t m_entryMark = 0; // entries the open step took over from the pending changes
    int m_depth = 0;
    int m_paused = 0;
    qint64 m_bytes = 0;
    qint64 m_byteLimit = qint64(256) << 20;
    std::function<std::any()> m_takeState;
    std::function<void(const std::any &)> m_putState;
    std::function<void()> m_aboutToChange;
    std::function<void()> m_changed;
};
