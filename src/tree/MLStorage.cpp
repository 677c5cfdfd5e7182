#include "tree/MLStorage.h"

#include "common/Assertions.h"
#include "common/Messages.h"
#include "tree/ColorListViewItem.h"
#include "tree/TreeWalk.h"

#include <cstdlib>
#include <utility>

MLStorage::MLStorage(QObject *parent)
    : QObject(parent)
{}

// The records go without a single signal: nobody is told to change a theme while the storage,
// and with it the view, goes away.
MLStorage::~MLStorage() = default;

const MLStorage::Record *MLStorage::find(int id)
{
    return recordFound(id);
}

MLStorage::Record *MLStorage::recordFound(int id)
{
    if (id == 0)
        return nullptr;
    const auto it = m_records.find(std::abs(id));
    Record *record = it == m_records.end() ? nullptr : &it->second;
    checkPointer(record, QStringLiteral("2002"));
    return record;
}

MLStorage::Record &MLStorage::recordCreated(int id)
{
    Record &record = m_records[id];
    record.id = id;
    return record;
}

ColorListViewItem *MLStorage::holder(const Record &record)
{
    return record.holderIndex == 0 ? record.mark : record.links.at(record.holderIndex - 1);
}

ColorListViewItem *MLStorage::markThemeOf(int id)
{
    const Record *record = recordFound(id);
    return record ? record->mark : nullptr;
}

ColorListViewItem *MLStorage::holderOf(int id)
{
    const Record *record = recordFound(id);
    return record && record->mark ? holder(*record) : nullptr;
}

ColorListViewItem *MLStorage::makeHolder(int id, ColorListViewItem *theme)
{
    if (!checkPointer(theme, QStringLiteral("1010")) || id == 0)
        return theme;
    Record *record = recordFound(id);
    if (!record)
        return theme;
    int position = 0;
    if (theme != record->mark) {
        position = int(record->links.indexOf(theme)) + 1;
        if (position == 0) { // the theme is no member of the group
            checkPointer(nullptr, QStringLiteral("1011"));
            return theme;
        }
    }
    if (record->holderIndex == position)
        return theme;
    ColorListViewItem *current = holder(*record);
    // A group whose mark theme is still missing has no holder to take the children from.
    if (!current)
        return theme;
    // The children cannot move into their own branch.
    if (isAncestorOrSelf(current, theme))
        return current;
    // Nor can the holder move into its own children: the view refuses that exchange and says so,
    // and the group keeps its holder, so that storage and tree agree.
    if (isAncestorOrSelf(theme, current)) {
        Q_EMIT ownerChanged(current, theme);
        return current;
    }
    record->holderIndex = position;
    Q_EMIT ownerChanged(current, theme);
    return theme;
}

// The first record without a mark theme, or else the smallest id missing from the chain,
// whichever the walk from id 1 meets first.
int MLStorage::freeId() const
{
    int candidate = 1;
    for (const auto &[id, record] : m_records) {
        if (!record.mark)
            return id;
        if (id > candidate)
            return candidate;
        ++candidate;
    }
    return candidate;
}

int MLStorage::insert(ColorListViewItem *theme, int id)
{
    if (!MY_ASSERT(theme != nullptr, QStringLiteral("MLS001")))
        return 0;
    if (id < 0) {
        recordCreated(-id).links.append(theme);
        Q_EMIT linkInserted(theme);
        return id;
    }
    Record &record = recordCreated(id == 0 ? freeId() : id);
    if (record.mark)
        return 0;
    record.mark = theme;
    return record.id;
}

void MLStorage::remove(int id, ColorListViewItem *theme)
{
    if (!theme || id == 0)
        return;
    const auto it = m_records.find(std::abs(id));
    if (it == m_records.end())
        return;
    if (id < 0)
        removeLink(it->second, theme);
    else
        removeMark(it->second, theme);
}

void MLStorage::removeLink(Record &record, ColorListViewItem *theme)
{
    const int position = int(record.links.indexOf(theme)) + 1;
    if (position == 0) {
        // Walking the links list runs off its end at the first, the second or a further node.
        const qsizetype size = record.links.size();
        checkPointer(nullptr, QLatin1String(size == 0 ? "1007" : size == 1 ? "1008" : "1009"));
        return;
    }
    if (record.holderIndex != 0) {
        makeHolder(record.id, record.mark);
        if (record.holderIndex != 0 && !returnChildrenToMarks())
            Messages::warning(nullptr, tr("error"), tr("cannot change contents before delete"));
    }
    record.links.removeAt(position - 1);
    // The holder index must keep naming an existing member: when the children could not come
    // back, the group falls back to its mark theme.
    if (record.holderIndex == position)
        record.holderIndex = 0;
    else if (record.holderIndex > position)
        --record.holderIndex;
    Q_EMIT idChanged(theme, 0);
    if (!record.links.isEmpty())
        return;
    if (record.mark) // a mark theme without links becomes ordinary
        Q_EMIT idChanged(record.mark, 0);
    deleteRecord(record, theme);
}

void MLStorage::removeMark(Record &record, ColorListViewItem *theme)
{
    // Only the group's own mark theme dissolves it; any other theme would leave the real mark
    // theme with an id that no record knows.
    if (record.mark != theme)
        return;
    makeHolder(record.id, theme);
    const QList<ColorListViewItem *> links = std::exchange(record.links, {});
    record.holderIndex = 0;
    for (ColorListViewItem *link : links)
        Q_EMIT idChanged(link, 0);
    deleteRecord(record, theme);
}

void MLStorage::deleteRecord(Record &record, ColorListViewItem *theme)
{
    const int id = record.id;
    // Records of the array part stay in place, empty and free for the next allocation.
    if (id > m_arrayCount)
        m_records.erase(id);
    else
        record = Record{id, nullptr, {}, 0};
    Q_EMIT idChanged(theme, 0);
}

bool MLStorage::returnChildrenToMarks()
{
    int before = 10000000;
    for (;;) {
        int left = 0;
        for (auto &[id, record] : m_records) {
            if (record.holderIndex == 0)
                continue;
            makeHolder(id, record.mark);
            if (record.holderIndex != 0)
                ++left;
        }
        if (left == 0)
            return true;
        if (left == before) // no progress: some holder stays an ancestor of its mark theme
            return false;
        before = left;
    }
}

void MLStorage::validate()
{
    std::vector<Record> chain;
    chain.reserve(m_records.size());
    for (auto &entry : m_records)
        chain.push_back(std::move(entry.second));
    renumber(std::move(chain));
}

void MLStorage::renumber(std::vector<Record> chain)
{
    m_records.clear();
    m_arrayCount = 0;
    Records numbered;
    bool linksWithoutMarks = false;
    bool marksWithoutLinks = false;
    int next = 1;
    for (Record &record : chain) {
        if (!record.mark) {
            linksWithoutMarks = linksWithoutMarks || !record.links.isEmpty();
            for (ColorListViewItem *link : std::as_const(record.links))
                Q_EMIT idChanged(link, 0);
        } else if (record.links.isEmpty()) {
            marksWithoutLinks = true;
            Q_EMIT idChanged(record.mark, 0);
        } else {
            Q_EMIT idChanged(record.mark, next);
            for (ColorListViewItem *link : std::as_const(record.links))
                Q_EMIT idChanged(link, -next);
            record.id = next;
            numbered.emplace(next, std::move(record));
            ++next;
        }
    }
    // The chain ends at the last group: every record left is in the array part.
    m_records = std::move(numbered);
    m_arrayCount = next - 1;

    QString report;
    if (linksWithoutMarks)
        report += tr("Link(s) Without Mark(s)\n");
    if (marksWithoutLinks)
        report += tr("Mark(s) Without Link(s)\n");
    if (!report.isEmpty())
        Messages::warning(nullptr, tr("error"), report);
}

void MLStorage::merge(MLStorage &other)
{
    if (&other == this)
        return;
    if (other.m_arrayCount != 0) {
        Messages::warning(nullptr, tr("error"), tr(" when insert Storage Of Marks"));
        return;
    }
    if (other.m_records.empty())
        return;
    std::vector<Record> chain;
    chain.reserve(m_records.size() + other.m_records.size());
    for (auto &entry : m_records)
        chain.push_back(std::move(entry.second));
    for (auto &entry : other.m_records)
        chain.push_back(std::move(entry.second));
    other.reset();
    renumber(std::move(chain));
}

void MLStorage::transfer(MLStorage &target)
{
    if (&target == this)
        return;
    target.m_records = std::exchange(m_records, {});
    target.m_arrayCount = std::exchange(m_arrayCount, 0);
}

void MLStorage::reset()
{
    m_records.clear();
    m_arrayCount = 0;
}

int MLStorage::count() const
{
    int inUse = 0;
    for (const auto &entry : m_records)
        if (entry.second.mark || !entry.second.links.isEmpty())
            ++inUse;
    return inUse;
}

QList<int> MLStorage::ids() const
{
    QList<int> list;
    list.reserve(qsizetype(m_records.size()));
    for (const auto &entry : m_records)
        list.append(entry.first);
    return list;
}

QList<ColorListViewItem *> MLStorage::linksOf(int id) const
{
    const auto it = m_records.find(std::abs(id));
    return it == m_records.end() ? QList<ColorListViewItem *>() : it->second.links;
}
