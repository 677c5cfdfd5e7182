#pragma once

#include <QString>

// Removes every part from "<hidden>" up to and including the next "</hidden>". The markers are
// case-sensitive and do not nest; an unclosed "<hidden>" drops the rest of the text.
QString stripHiddenParts(const QString &text);
