#include "common/Clock.h"

namespace Clock {
namespace {

QDate &fixedStartDate()
{
    static QDate date;
    return date;
}

QDateTime &fixedNow()
{
    static QDateTime moment;
    return moment;
}

qint64 &secondsAhead()
{
    static qint64 seconds = 0;
    return seconds;
}

} // namespace

QDate startDate()
{
    QDate &date = fixedStartDate();
    if (!date.isValid())
        date = today();
    return date;
}

QDate today()
{
    return now().date();
}

QTime time()
{
    return now().time();
}

QDateTime now()
{
    const QDateTime &fixed = fixedNow();
    return fixed.isValid() ? fixed : QDateTime::currentDateTime().addSecs(secondsAhead());
}

void setStartDate(const QDate &date)
{
    fixedStartDate() = date;
}

void setNow(const QDateTime &moment)
{
    fixedNow() = moment;
}

void setSecondsAhead(qint64 seconds)
{
    secondsAhead() = seconds;
}

} // namespace Clock
