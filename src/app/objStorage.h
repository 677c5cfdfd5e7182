#pragma once

#include <QHash>
#include <QPointer>

#include <vector>

// The recorder's widget ids: every widget gets the next number when it is inserted into a
// parent, so a freshly started program that builds the same widgets in the same order gives
// them the same ids. Entries are never removed; a deleted widget's id finds nothing.
class objStorage
{
public:
    // The new id, counted from 1; a widget inserted again gets a new id.
    int add(QObject *object)
    {
        m_objects.emplace_back(object);
        const int id = int(m_objects.size());
        m_ids.insert(object, id);
        return id;
    }

    // 0 when the object is not registered.
    int id(const QObject *object) const
    {
        const int id = m_ids.value(object);
        return id > 0 && m_objects[id - 1] == object ? id : 0;
    }

    // Null when no living object has the id.
    QObject *object(int id) const
    {
        return id > 0 && id <= count() ? m_objects[id - 1].data() : nullptr;
    }

    int count() const { return int(m_objects.size()); }

private:
    std::vector<QPointer<QObject>> m_objects; // the object of id n at n - 1
    QHash<const QObject *, int> m_ids;
};
