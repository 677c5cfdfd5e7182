#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <optional>

// One theme header line's tag, e.g. <!--2mark3[07.03.2005]-->, as the reader finds it.
struct ThemeHeader
{
    enum class DateKind {
        None,      // no date part: the theme is dated today
        Parent,    // "[|]": the parent's date
        Given,     // an explicit, storable date in `date`
        Impossible // a date part that names no storable date: today
    };

    // Dots counted or the decimal number, saturated; 0 is possible (the reader treats it as 1).
    qint64 depth = 0;
    int linkId = 0;
    DateKind dateKind = DateKind::None;
    QDate date;
    // Index just after "-->"; the theme's name starts there.
    qsizetype end = 0;
};

// Day counts from the program's start outside the range of an int do not fit a theme's slot;
// such dates are treated as impossible.
bool isStorableThemeDate(const QDate &date);

// Reads a theme header that starts exactly at lineStart of the raw file bytes. Returns nothing
// when the text there is not a complete header. Never allocates, so it can run on every line.
std::optional<ThemeHeader> readThemeHeader(QByteArrayView text, qsizetype lineStart);

// Appends "<!--" + depth + link token + date part + "-->" to out. No date writes "[|]", the
// parent's date.
void appendThemeHeader(QString &out, int depth, int linkId, std::optional<QDate> date);
QString themeHeader(int depth, int linkId, std::optional<QDate> date);
