#pragma once

#include <QRegularExpression>
#include <QStringList>

// Box texts without their Russian lines below the first: each is the message table's copy of
// the English line above it, while the English line and the paths tell the boxes apart.
inline QStringList englishLines(QStringList texts)
{
    return texts.replaceInStrings(QRegularExpression("\n[^\n]*[А-яЁё][^\n]*"), QString());
}
