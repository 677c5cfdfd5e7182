#include "common/Assertions.h"

#include "common/Messages.h"

bool MY_ASSERT(bool condition, const QString &point)
{
    if (!condition)
        Messages::warning(nullptr, QStringLiteral("MY_ASSERT"),
                          QStringLiteral("MY_ASSERT in ") + point);
    return condition;
}

bool CONNECT_ASSERT(bool connected)
{
    if (!connected)
        Messages::warning(nullptr, QStringLiteral("CONNECT_ASSERT"),
                          QStringLiteral("Connect failed!"));
    return connected;
}

bool CONNECT_ASSERT(const QMetaObject::Connection &connection)
{
    return CONNECT_ASSERT(bool(connection));
}

bool checkPointer(const void *pointer, const QString &point)
{
    if (!pointer)
        Messages::warning(nullptr, QStringLiteral("error ") + point,
                          QStringLiteral("pointer is NULL"));
    return pointer != nullptr;
}
