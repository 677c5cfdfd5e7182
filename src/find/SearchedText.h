#pragma once

#include "find/TextPattern.h"

#include <QString>

#include <vector>

// The string a search step walks through, under a run of replacements that all move one way
// (forwards: each after the last, backwards: each before it). The untouched original stays
// shared with the tree and the replaced part is built beside it, so a replacement costs its
// own length rather than the string's: replace all in a long description stays linear.
class SearchedText
{
public:
    void reset(const QString &text, bool backwards);
    // The whole current string.
    QString text() const;
    int size() const { return int(m_front.size()) + m_backStart - m_frontEnd + m_backSize; }

    // As FindText::occurrence on the current string.
    int occurrence(const QString &what, int from, bool caseSensitive);
    // A pattern's match in the direction of the replacements, searched in the untouched
    // original, so that a run of replacements never builds the whole string again: forwards
    // what a look-behind sees before the first untouched character is the text as it was.
    // Backwards a match that would run into the replaced part is looked for again in the
    // current string.
    TextPattern::Match find(const TextPattern &pattern, int from);
    // The `length` characters at `position` of the current string.
    QString slice(int position, int length);
    void replace(int position, int length, const QString &replacement);

private:
    // Makes the current string the original again (for a step against the direction).
    void collapse();
    // The first `count` characters of the rebuilt back.
    QString backStart(int count) const;

    bool m_backwards = false;
    QString m_original;
    // Forwards: m_front stands for m_original[0, m_frontEnd).
    QString m_front;
    int m_frontEnd = 0;
    // Backwards: the pieces of the rebuilt back, last piece first, for m_original[m_backStart,
    // end).
    std::vector<QString> m_back;
    int m_backStart = 0;
    int m_backSize = 0;
};
