#pragma once

#include <QMetaObject>
#include <QString>

// Consistency checks that report in a warning box and let the caller go on; they never abort.
// The caller of a failed check leaves its operation without touching the missing object.

// Shows "MY_ASSERT in " + point when the condition is false; returns the condition.
bool MY_ASSERT(bool condition, const QString &point);

// Shows "Connect failed!" when a connection failed; returns the connection's result.
bool CONNECT_ASSERT(bool connected);
bool CONNECT_ASSERT(const QMetaObject::Connection &connection);

// Shows "error " + point / "pointer is NULL" when the pointer is null; returns whether it is set.
bool checkPointer(const void *pointer, const QString &point);
