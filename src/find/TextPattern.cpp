#include "find/TextPattern.h"

#include "find/FindText.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// How many steps one match may take before the expression gives up: a pattern that backtracks
// without end stops here instead of freezing the window.
constexpr int matchStepLimit = 5'000'000;

// From this length on a regular expression's match runs on a worker thread: going back through
// 10,000 characters, trying a match at each place, can take half a second.
constexpr qsizetype longText = 4096;

// How long the asker waits for the worker before the window's events run.
constexpr auto quietWait = std::chrono::milliseconds(20);

// How long and how far a worker goes on past the match asked for, stepping as a caller does:
// starting a thread costs more than a short match, and replacing every match of a long text
// asks for one after another.
constexpr auto aheadTime = std::chrono::milliseconds(2);
constexpr size_t aheadCount = 4096;

// Forwards the first match from `from` on; backwards the last one starting at `from` or before,
// tried at each place going back until `abort` is set. `stopped` tells of a match that gave up
// at its step limit.
TextPattern::Match searchRegex(const QRegularExpression &expression, const QString &text, int from,
                               bool backwards, QRegularExpression::MatchOptions options,
                               bool &stopped, const std::atomic<bool> *abort)
{
    if (!backwards) {
        QRegularExpressionMatch match =
                expression.match(text, from, QRegularExpression::NormalMatch, options);
        stopped = !match.isValid();
        if (!match.hasMatch())
            return {};
        return {int(match.capturedStart()), int(match.capturedLength()), std::move(match)};
    }
    for (int at = from; at >= 0 && !(abort && abort->load(std::memory_order_relaxed)); --at) {
        QRegularExpressionMatch match =
                expression.match(text, at, QRegularExpression::NormalMatch,
                                 options | QRegularExpression::AnchorAtOffsetMatchOption);
        if (match.hasMatch())
            return {at, int(match.capturedLength()), std::move(match)};
        if (!match.isValid()) {
            stopped = true;
            break;
        }
    }
    return {};
}

bool isWordCharacter(char32_t code)
{
    return code == U'_' || QChar::isLetterOrNumber(code) ||
           QChar::category(code) == QChar::Mark_NonSpacing;
}

} // namespace

TextPattern::TextPattern(const FindParas &paras)
    : m_what(paras.findText)
    , m_cs(paras.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive)
    , m_regex(paras.regularExpression)
    , m_wholeWords(paras.wholeWords)
{
    if (!m_regex)
        return;
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (!paras.caseSensitive)
        options |= QRegularExpression::CaseInsensitiveOption;
    // The pattern as the user typed it first: an error's position counts in it, from 1.
    m_expression.setPattern(paras.findText);
    m_expression.setPatternOptions(options);
    if (!m_expression.isValid()) {
        m_error = QCoreApplication::translate("TextPattern",
                                              "Error in the regular expression at %1: %2")
                          .arg(m_expression.patternErrorOffset() + 1)
                          .arg(m_expression.errorString());
        return;
    }
    QString pattern = paras.findText;
    if (m_wholeWords)
        pattern = QStringLiteral("(?<![\\w\\p{Mn}])(?:") + pattern +
                  QStringLiteral(")(?![\\w\\p{Mn}])");
    m_expression.setPattern(QStringLiteral("(*LIMIT_MATCH=%1)").arg(matchStepLimit) + pattern);
}

QString TextPattern::stoppedText()
{
    return QCoreApplication::translate("FindEngine",
                                       "The regular expression took too many steps: the search "
                                       "stopped without looking at every place.");
}

QString TextPattern::interruptedText()
{
    return QCoreApplication::translate("FindEngine", "The search was stopped.");
}

bool TextPattern::isWordBoundary(QStringView text, qsizetype index)
{
    // The character before the place and the one from it, each taken whole.
    char32_t before = index > 0 && index <= text.size() ? text[index - 1].unicode() : U' ';
    if (QChar::isLowSurrogate(before) && index > 1 && text[index - 2].isHighSurrogate())
        before = QChar::surrogateToUcs4(text[index - 2], text[index - 1]);
    char32_t after = index >= 0 && index < text.size() ? text[index].unicode() : U' ';
    if (QChar::isHighSurrogate(after) && index + 1 < text.size() &&
        text[index + 1].isLowSurrogate())
        after = QChar::surrogateToUcs4(text[index], text[index + 1]);
    return !isWordCharacter(before) || !isWordCharacter(after);
}

TextPattern::Match TextPattern::find(const QString &text, int from, bool backwards) const
{
    if (!isValid())
        return {};
    if (m_regex)
        return findRegex(text, from, backwards);
    if (m_wholeWords)
        return findWord(text, from, backwards);
    return {FindText::occurrence(text, m_what, from, backwards, m_cs == Qt::CaseSensitive),
            int(m_what.size()), std::nullopt};
}

TextPattern::Match TextPattern::findWord(const QString &text, int from, bool backwards) const
{
    const bool cs = m_cs == Qt::CaseSensitive;
    const int length = int(m_what.size());
    for (int at = FindText::occurrence(text, m_what, from, backwards, cs); at >= 0;
         at = FindText::occurrence(text, m_what, backwards ? at - 1 : at + 1, backwards, cs)) {
        if (isWordBoundary(text, at) && isWordBoundary(text, at + length))
            return {at, length, std::nullopt};
    }
    return {};
}

TextPattern::Match TextPattern::findRegex(const QString &text, int from, bool backwards) const
{
    if (from < 0 || from > text.size())
        return {};
    const QRegularExpression::MatchOptions options = checked(text);
    if (m_wait && text.size() >= longText) {
        if (const AheadMatch *ahead = takeAhead(text, from, backwards)) {
            m_stopped = m_stopped || ahead->stopped;
            return ahead->match;
        }
        return findOnWorker(text, from, backwards, options);
    }
    bool stopped = false;
    Match match = searchRegex(m_expression, text, from, backwards, options, stopped, nullptr);
    m_stopped = m_stopped || stopped;
    return match;
}

TextPattern::Match TextPattern::findOnWorker(const QString &text, int from, bool backwards,
                                             QRegularExpression::MatchOptions options) const
{
    // The worker keeps what it reads: a match the user gave up on goes on to its end there
    // (forwards the expression cannot be stopped halfway), unseen.
    struct Job
    {
        std::shared_ptr<const QRegularExpression> expression;
        QString text;
        Match result;
        bool stopped = false;
        std::vector<AheadMatch> ahead;
        std::atomic<bool> abort{false};
        std::atomic<bool> done{false};
        std::mutex mutex;
        std::condition_variable finished;
    };
    auto job = std::make_shared<Job>();
    // An expression of the workers' own, which no other thread uses meanwhile: compiled once,
    // and again only while a worker the user gave up on still holds it.
    if (!m_workerExpression || m_workerExpression.use_count() > 1)
        m_workerExpression = std::make_shared<const QRegularExpression>(
                m_expression.pattern(), m_expression.patternOptions());
    job->expression = m_workerExpression;
    job->text = text;
    std::thread([job, from, backwards, options] {
        job->result = searchRegex(*job->expression, job->text, from, backwards, options,
                                  job->stopped, &job->abort);
        const auto until = std::chrono::steady_clock::now() + aheadTime;
        for (const Match *last = &job->result; last->position >= 0 && !job->stopped;) {
            const int next = last->position + (backwards ? -1 : 1) * qMax(1, last->length);
            if (next < 0 || next > job->text.size() || job->ahead.size() == aheadCount ||
                std::chrono::steady_clock::now() > until)
                break;
            AheadMatch found{next, {}, false};
            found.match = searchRegex(*job->expression, job->text, next, backwards, options,
                                      found.stopped, &job->abort);
            // An ended search going back found nothing only because it ended.
            if (job->abort.load(std::memory_order_relaxed))
                break;
            job->ahead.push_back(std::move(found));
            if (job->ahead.back().stopped)
                break;
            last = &job->ahead.back().match;
        }
        // The expression is free for the next worker the moment this one is done.
        job->expression.reset();
        const std::lock_guard lock(job->mutex);
        job->done.store(true, std::memory_order_release);
        job->finished.notify_one();
    }).detach();
    const auto isDone = [&job] { return job->done.load(std::memory_order_acquire); };
    // Most matches end at once: then no event runs, and the asker goes on the moment it ends.
    {
        std::unique_lock lock(job->mutex);
        job->finished.wait_for(lock, quietWait, isDone);
    }
    if (!isDone() && !m_wait(isDone)) {
        job->abort = true;
        m_interrupted = true;
        return {};
    }
    m_stopped = m_stopped || job->stopped;
    m_ahead = std::move(job->ahead);
    m_aheadNext = 0;
    m_aheadText = text;
    m_aheadBackwards = backwards;
    return std::move(job->result);
}

const TextPattern::AheadMatch *TextPattern::takeAhead(const QString &text, int from,
                                                      bool backwards) const
{
    if (m_aheadNext < m_ahead.size() && m_ahead[m_aheadNext].from == from &&
        backwards == m_aheadBackwards && text.constData() == m_aheadText.constData() &&
        text.size() == m_aheadText.size())
        return &m_ahead[m_aheadNext++];
    m_ahead.clear();
    m_aheadNext = 0;
    return nullptr;
}

QRegularExpression::MatchOptions TextPattern::checked(const QString &text) const
{
    if (text.constData() != m_checkedText.constData() || text.size() != m_checkedText.size()) {
        m_checkedText = text;
        m_checkedValid = text.isValidUtf16();
    }
    return m_checkedValid ? QRegularExpression::DontCheckSubjectStringMatchOption
                          : QRegularExpression::NoMatchOption;
}

QString TextPattern::replacement(const Match &match, const QString &replace) const
{
    if (!m_regex || !match.groups)
        return replace;
    const QRegularExpressionMatch &found = *match.groups;
    QString result;
    result.reserve(replace.size());
    for (qsizetype i = 0; i < replace.size(); ++i) {
        const QChar c = replace[i];
        if (c != u'\\' || i + 1 == replace.size()) {
            result += c;
            continue;
        }
        const QChar next = replace[++i];
        if (next.isDigit() && next.digitValue() <= 9)
            result += found.captured(next.digitValue());
        else if (next == u'\\')
            result += next;
        else
            result += c, result += next; // any other escape stands as typed
    }
    return result;
}
