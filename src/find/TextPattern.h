#pragma once

#include "find/FindParas.h"

#include <QRegularExpression>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// What a search looks for in one string: the find text as it stands, as whole words only, or
// as a regular expression, with the case option applied. A regular expression's match never
// runs over a line end unless the pattern asks for one (multiline off, a dot stops at a line
// feed), and an empty match is a match like any other: the caller moves on past it.
class TextPattern
{
public:
    explicit TextPattern(const FindParas &paras);

    // False for a regular expression that does not compile; errorText() then says where.
    bool isValid() const { return m_error.isEmpty(); }
    const QString &errorText() const { return m_error; }
    bool isPlain() const { return !m_regex && !m_wholeWords; }
    // True once a match gave up at its step limit, or was ended by the user: what it found is
    // not all there is.
    bool stopped() const { return m_stopped || m_interrupted; }
    bool interrupted() const { return m_interrupted; }
    // What the user is told then.
    static QString stoppedText();
    static QString interruptedText();
    // How a long match is waited for: a regular expression's match in a long text then runs on
    // a worker thread while `wait` runs, which returns false when the user ended the wait.
    // Without it every match runs where it is asked for.
    using Wait = std::function<bool(const std::function<bool()> &done)>;
    void setLongWait(Wait wait) { m_wait = std::move(wait); }

    struct Match
    {
        int position = -1; // -1: none
        int length = 0;
        // A regular expression's match with its groups, for the replacement.
        std::optional<QRegularExpressionMatch> groups;
    };
    // Forwards the first match starting at `from` or later; backwards the last one starting at
    // `from` or earlier.
    Match find(const QString &text, int from, bool backwards) const;
    // The text that replaces the match: for a regular expression \0 to \9 stand for the match
    // and its groups (an absent group for nothing) and \\ for a backslash.
    QString replacement(const Match &match, const QString &replace) const;

    // True when a word cannot go on over that place of the text: a character that is no
    // letter, digit, mark or underscore (or the text's end) on one side of it.
    static bool isWordBoundary(QStringView text, qsizetype index);

private:
    Match findWord(const QString &text, int from, bool backwards) const;
    Match findRegex(const QString &text, int from, bool backwards) const;
    Match findOnWorker(const QString &text, int from, bool backwards,
                       QRegularExpression::MatchOptions options) const;
    // Skips the expression's own check of the text's UTF-16, which looks at the whole rest of
    // the text at every match, once the text has been checked: a second look at the same text
    // costs nothing. The copy kept makes a change to the text a new string.
    QRegularExpression::MatchOptions checked(const QString &text) const;
    // A match the worker found ahead, for the search that starts at `from`.
    struct AheadMatch
    {
        int from;
        Match match;
        bool stopped;
    };
    const AheadMatch *takeAhead(const QString &text, int from, bool backwards) const;

    QString m_what;
    Qt::CaseSensitivity m_cs;
    bool m_regex;
    bool m_wholeWords;
    QRegularExpression m_expression;
    QString m_error;
    mutable bool m_stopped = false;
    mutable bool m_interrupted = false;
    Wait m_wait;
    mutable std::shared_ptr<const QRegularExpression> m_workerExpression;
    mutable QString m_checkedText;
    mutable bool m_checkedValid = false;
    // What the last worker found beyond the match asked for, in the order a caller stepping
    // from match to match asks for it: one thread for thousands of matches instead of one each.
    mutable std::vector<AheadMatch> m_ahead;
    mutable size_t m_aheadNext = 0;
    mutable QString m_aheadText;
    mutable bool m_aheadBackwards = false;
};
