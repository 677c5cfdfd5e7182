#pragma once

#include "find/FindParas.h"

// A search from its flags: n names, d descriptions, c case, b backwards, r regular expression, w
// whole words, then the scope's digit; "|" in the texts stands for a line feed.
inline FindParas findParas(const QString &flags, const QString &find, const QString &replace = {},
                           int action = FindParas::NoAction)
{
    FindParas p;
    p.action = action;
    p.inName = flags.contains('n');
    p.inDescription = flags.contains('d');
    p.caseSensitive = flags.contains('c');
    p.backwards = flags.contains('b');
    p.regularExpression = flags.contains('r');
    p.wholeWords = flags.contains('w');
    p.scope = flags.back().digitValue();
    p.findText = QString(find).replace('|', '\n');
    p.replaceText = QString(replace).replace('|', '\n');
    return p;
}
