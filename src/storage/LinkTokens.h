#pragma once

#include <QByteArrayView>
#include <QString>

// The text form of a link id: "mark"N for N > 0, "link"N for -N, nothing for 0.
QString linkToken(int id);

// Reads an unsigned decimal number with an optional "-" at pos. Returns false (pos unchanged)
// when no digit follows; otherwise moves pos past the digits and stores the value, saturated to
// the range of qint64.
bool readDecimal(QByteArrayView text, qsizetype &pos, qint64 &value);

// Reads "mark"N or "link"N at pos. Returns the id (+N or -N) and moves pos past it. A keyword
// without a number, or with a negative one, consumes only the keyword and gives 0; a number too
// large for an id is consumed and gives 0; text that starts with neither keyword gives 0 and
// leaves pos unchanged.
int readLinkToken(QByteArrayView text, qsizetype &pos);
