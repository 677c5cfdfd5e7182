#pragma once

#include <QList>
#include <QObject>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class ColorListViewItem;

// The link groups of one tree: for every mark id its mark theme, its link themes in insertion
// order and which member holds the group's children. It talks to the view only by signals, which
// are delivered synchronously.
//
// Ids 1 .. arrayCount() always have a record (possibly empty, free for reuse by allocation);
// records above that exist only while they are used.
class MLStorage : public QObject
{
    Q_OBJECT
public:
    struct Record
    {
        int id = 0;
        ColorListViewItem *mark = nullptr;
        QList<ColorListViewItem *> links;
        int holderIndex = 0; // 0: the mark theme; k >= 1: the k-th link
    };

    explicit MLStorage(QObject *parent = nullptr);
    ~MLStorage() override;

    // The record of mark id abs(id); null for 0. A missing record reports pointer check "2002".
    const Record *find(int id);
    ColorListViewItem *markThemeOf(int id);
    // Null for 0 or when the group has no mark theme.
    ColorListViewItem *holderOf(int id);
    // Makes the theme the holder (emitting ownerChanged) unless the present holder is the theme
    // itself or one of its ancestors; returns the holder afterwards.
    ColorListViewItem *makeHolder(int id, ColorListViewItem *theme);
    // id > 0: mark theme of N (0 when it already has one); id < 0: append a link (linkInserted);
    // id 0: allocate the first free id. Returns the id the theme got.
    int insert(ColorListViewItem *theme, int id);
    // Takes the theme out of its group, dissolving the group when it was the mark theme or the
    // last link.
    void remove(int id, ColorListViewItem *theme);
    bool returnChildrenToMarks();
    // Renumbers the groups densely from 1 in chain order and dissolves broken ones (one report).
    void validate();
    // Appends the other storage's groups behind this one's, empties the other, then validates.
    void merge(MLStorage &other);
    // Moves every group into the target (which is emptied first); this storage becomes empty.
    void transfer(MLStorage &target);
    void reset();

    // Records in use (a mark theme or links); empty array records do not count.
    int count() const;
    int arrayCount() const { return m_arrayCount; }
    // The ids of the records in chain order (empty array records included).
    QList<int> ids() const;
    // The link themes of a group, in insertion order (empty for an unknown id).
    QList<ColorListViewItem *> linksOf(int id) const;

    // For undo: the hook runs before a record changes (id 0: before all of them may change), and
    // the states put back do so without a signal (the tree's side is put back by its own).
    struct State
    {
        std::map<int, Record> records;
        int arrayCount = 0;
    };
    void setChangeHook(std::function<void(int id)> hook) { m_changeHook = std::move(hook); }
    std::optional<Record> recordState(int id) const;
    void restoreRecord(int id, const std::optional<Record> &record);
    State state() const { return {m_records, m_arrayCount}; }
    void restoreState(const State &state);

Q_SIGNALS:
    void ownerChanged(ColorListViewItem *oldHolder, ColorListViewItem *newHolder);
    void idChanged(ColorListViewItem *theme, int id);
    void linkInserted(ColorListViewItem *theme);

private:
    using Records = std::map<int, Record>; // keyed by id: the chain in ascending id order

    Record *recordFound(int id); // reports "2002" when missing
    Record &recordCreated(int id);
    int freeId() const;
    static ColorListViewItem *holder(const Record &record);
    void removeLink(Record &record, ColorListViewItem *theme);
    void removeMark(Record &record, ColorListViewItem *theme);
    void deleteRecord(Record &record, ColorListViewItem *theme);
    void renumber(std::vector<Record> chain);
    void changing(int id)
    {
        if (m_changeHook)
            m_changeHook(id);
    }

    Records m_records;
    int m_arrayCount = 0;
    std::function<void(int)> m_changeHook;
};
