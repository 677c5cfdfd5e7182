#pragma once

#include <QString>
#include <QStringView>

// Plain text inside an HTML page: the double quote, "&", "<" and ">" become entities; every
// other character stays as it is.
QString escapeHtml(QStringView text);

// Keeps the line structure of text (tags included) in a page: "<dd>" before each tab that opens a
// line, "<p>" before the line feed of an empty line and "<br>" before every other line feed.
// Every character of the text stays.
QString reformatHtml(QStringView text);
