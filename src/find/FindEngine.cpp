#include "find/FindEngine.h"

#include "common/Clock.h"
#include "common/Messages.h"
#include "editor/CorrectedTextEdit.h"
#include "find/EscapeWait.h"
#include "find/FindText.h"
#include "find/SearchedText.h"
#include "find/TextPattern.h"
#include "model/DocumentUndo.h"
#include "model/ThemeTreeModel.h"
#include "tree/ThemeView.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTextCursor>

#include <optional>

namespace {

// How long a step searches before it lets the toolkit paint and run its timers.
constexpr int eventInterval = 16;

// The moves a step makes before the themes are counted: most steps end long before.
constexpr qint64 movesBeforeCount = qint64(1) << 16;

bool isLinkTheme(const Theme *theme)
{
    return theme->linkId() < 0;
}

// A link theme's description belongs to its mark theme and is searched there.
QString searchedDescription(const Theme *theme)
{
    return isLinkTheme(theme) ? QString() : theme->description();
}

} // namespace

// What one step carries from pass to pass: the searched string of the theme it stands on.
struct FindEngine::Step
{
    FindParas paras;
    Qt::CaseSensitivity cs = Qt::CaseInsensitive;
    bool continuing = false;
    bool skip = false;
    SearchedText text;
    Theme *loadedTheme = nullptr;
    bool loadedName = false;
    bool loaded = false;
    TextPattern pattern{FindParas()};
    bool dirty = false; // replacements in `text` not yet written to the tree
    // The match this step found last, with its groups, until it is replaced.
    std::optional<TextPattern::Match> found;
    qint64 moves = 0;
    qint64 moveLimit = movesBeforeCount;
    bool counted = false;

    bool backwards() const { return paras.backwards; }
    int action() const { return paras.action; }
};

FindEngine::FindEngine(ThemeView *view, DocumentUndo &undo, CorrectedTextEdit *editor, Host host,
                       QObject *parent)
    : QObject(parent)
    , DocumentWatch(view->rows().document())
    , m_view(view)
    , m_undo(undo)
    , m_editor(editor)
    , m_host(std::move(host))
{}

void FindEngine::findReplace(const FindParas &paras)
{
    TextPattern pattern(paras);
    if (m_running || paras.validate() != 0 || !pattern.isValid() || !m_view->currentTheme())
        return;
    m_running = true;
    m_aborted = false;
    const auto done = qScopeGuard([this] { m_running = false; });
    // Opening the undo step stores the editor's text and clears its edited flag: read it first.
    const bool edited = m_editor->isEdited();
    // A replace, a whole replace-all included, is one step of the document's history.
    std::optional<DocumentUndo::Step> undoStep;
    if (paras.action == FindParas::ReplaceAll)
        undoStep.emplace(m_undo, QT_TRANSLATE_NOOP("LinkListView", "Replace All"));
    else if (paras.action == FindParas::Replace)
        undoStep.emplace(m_undo, QT_TRANSLATE_NOOP("LinkListView", "Replace"));
    m_nameMatch = {};

    Step step;
    step.paras = paras;
    step.pattern = std::move(pattern);
    // A long match keeps the window painting, and Escape ends it.
    step.pattern.setLongWait(&EscapeWait::until);
    step.cs = paras.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    prepare(paras, step, edited);
    m_sinceEvents.invalidate();
    while (!m_aborted && runPass(step)) {
    }
    if (step.pattern.stopped())
        Messages::warning(m_view->window(), tr("Search (Поиск)"),
                          step.pattern.interrupted() ? TextPattern::interruptedText()
                                                     : TextPattern::stoppedText());
    // The editor shows what a replace-all that ended halfway wrote.
    if ((m_aborted || step.pattern.stopped()) && paras.action == FindParas::ReplaceAll &&
        m_view->currentTheme())
        m_host.loadDescription(m_view->currentTheme());
}

void FindEngine::prepare(const FindParas &paras, Step &step, bool edited)
{
    Theme *current = m_view->currentTheme();
    const ColumnLine cursor = m_editor->cursorLineCol();
    const int line = cursor.line;
    const int column = cursor.column;
    if (!paras.sameSearch(m_last)) {
        m_last = paras;
        m_scopeRoot = paras.scope == FindParas::AllThemes ? document().root() : current;
    } else if (line == m_curLine && column == m_curCol && current == m_currentTheme && !edited) {
        // Typing in the editor makes the remembered match stale: that starts a new search.
        step.continuing = true;
        if (paras.action >= FindParas::Replace)
            m_matchPending = true;
        m_walk.standOn(m_currentTheme);
        return;
    } else if (current != m_currentTheme) {
        if (paras.scope == FindParas::ThemeOnly ||
            (paras.scope == FindParas::ThemeWithSubthemes &&
             (current == m_scopeRoot || !isAncestorOrSelf(m_scopeRoot, current))))
            m_scopeRoot = current;
    }
    m_startLine = m_curLine = line;
    m_startCol = m_curCol = column;
    m_matchPending = false;
    m_startIndex = FindText::indexAt(m_editor->text(), line, column);
    m_insertStart = -1;
    m_wrapped = false;
    m_currentTheme = m_startTheme = current;
    m_host.storeDescription(current);
    m_startedInName = m_inNamePart = paras.inName && (m_view->hasFocus() || !paras.inDescription);
    m_walk.standOn(current);
}

bool FindEngine::runPass(Step &step)
{
    if (m_view->isRenaming())
        m_view->closeNameEditor();
    if (!step.loaded || step.loadedTheme != m_currentTheme || step.loadedName != m_inNamePart)
        load(step);
    if (step.continuing && m_matchPending)
        replacePending(step);
    int from;
    if (step.continuing)
        from = step.backwards() ? m_position - 1 : m_position + 1;
    else if (!m_inNamePart)
        from = m_position = FindText::indexAt(step.text.text(), m_curLine, m_curCol);
    else
        from = step.backwards() ? step.text.size() : 0;
    step.skip = step.action() == FindParas::NextTheme;
    return search(step, from);
}

void FindEngine::load(Step &step)
{
    flush(step);
    step.loadedTheme = m_currentTheme;
    step.loadedName = m_inNamePart;
    step.loaded = true;
    step.text.reset(m_inNamePart ? m_currentTheme->name() : searchedDescription(m_currentTheme),
                    step.backwards());
}

void FindEngine::replacePending(Step &step)
{
    // Only while the match is still there: the text may have changed since it was shown.
    bool still = false;
    QString replacement = step.paras.replaceText;
    if (step.pattern.isPlain()) {
        still = step.text.slice(m_position, m_matchLength).compare(step.paras.findText, step.cs) ==
                0;
    } else {
        // The match this step found is still there; one a step before is looked for again.
        std::optional<TextPattern::Match> again = std::exchange(step.found, std::nullopt);
        if (!again || again->position != m_position)
            again = step.text.find(step.pattern, m_position);
        still = again->position == m_position && again->length == m_matchLength;
        if (still)
            replacement = step.pattern.replacement(*again, step.paras.replaceText);
    }
    if (still) {
        const int length = m_matchLength;
        step.text.replace(m_position, length, replacement);
        step.dirty = true;
        moveStartIndex(step, m_position, length, int(replacement.size()));
        // The next look starts beside the inserted text, never inside it, and a character on
        // from an empty match, so that no place is replaced twice.
        m_position += step.backwards() ? 1 - qMax(length, 1)
                                       : int(replacement.size()) - 1 + (length == 0 ? 1 : 0);
        if (step.action() != FindParas::ReplaceAll) {
            flush(step);
            if (!m_inNamePart)
                m_editor->setText(step.text.text());
        }
    }
    m_matchPending = step.action() == FindParas::ReplaceAll;
}

// The start index follows the text it stands in: a replacement before it (or, backwards, one
// the first round made at it) moves it by the change of length, so that the round that comes
// back to the start theme stops exactly where the first one began; forwards, where the first
// round's replacements begin moves with it.
void FindEngine::moveStartIndex(const Step &step, int position, int length, int replaced)
{
    if (m_currentTheme != m_startTheme || m_inNamePart || m_startedInName)
        return;
    const int change = replaced - length;
    if (!step.backwards() && !m_wrapped && m_insertStart < 0)
        m_insertStart = position;
    else if (!step.backwards() && position < m_insertStart)
        m_insertStart += change;
    if (!step.backwards() && position < m_startIndex)
        m_startIndex += change;
    else if (step.backwards() && position <= m_startIndex)
        m_startIndex = qMax(m_startIndex, position + qMax(length, 1) - 1) + change;
}

void FindEngine::flush(Step &step)
{
    if (!step.dirty)
        return;
    step.dirty = false;
    applyText(step.loadedTheme, step.loadedName, step.text.text());
}

// Every change the engine makes to the document passes here, inside the step of the replace;
// whoever keeps something of the document hears of it from the document.
void FindEngine::applyText(Theme *theme, bool name, const QString &text)
{
    ThemeDocument &changed = document();
    if (name) {
        // The reminder reads the first theme of its name: another one given it is marked off.
        const Theme *reminder =
                text == ThemeDocument::reminderThemeName() ? changed.reminderTheme() : nullptr;
        changed.renameTheme(theme, reminder && reminder != theme ? QLatin1Char('~') + text : text);
        return;
    }
    Theme *target = changed.resolve(theme);
    changed.setThemeDescription(target, text);
    changed.setThemeDate(target, Clock::today());
}

bool FindEngine::search(Step &step, int from)
{
    const FindParas &paras = step.paras;
    for (;;) {
        const TextPattern::Match match = step.skip ? TextPattern::Match() : find(step, from);
        // The window ran while a long match was waited for: the theme may have gone.
        if (m_aborted)
            return false;
        const int found = match.position;
        if (step.pattern.stopped()) {
            // Where the pattern gave up the step ends, reported, the user's place kept.
            flush(step);
            return false;
        }
        if (m_wrapped && m_currentTheme == m_startTheme) {
            // Forwards a match may not run into the text the first round inserted.
            const bool pastStart =
                    found == -1 ||
                    (paras.backwards
                             ? found <= m_startIndex
                             : found >= m_startIndex || (m_insertStart >= 0 &&
                                                         found + match.length > m_insertStart));
            if (m_startedInName || (!m_inNamePart && pastStart)) {
                flush(step);
                returnToStartPoint(paras.action);
                return false;
            }
        }
        if (found != -1)
            return showMatch(step, match);
        if (m_inNamePart && !step.skip && paras.inDescription && !isLinkTheme(m_currentTheme)) {
            m_inNamePart = false;
        } else if (!moveOn(step)) {
            return false;
        }
        load(step);
        from = paras.backwards ? step.text.size() : 0;
    }
}

bool FindEngine::moveOn(Step &step)
{
    flush(step);
    // Back on the start theme after a wrap with nothing left to search in it (a link theme's
    // name, say): the walk is over rather than going round again.
    // Two rounds through every theme are the most a sound walk needs; one that goes on (the
    // tree changed under it while the toolkit ran) ends. The themes are counted only once a
    // step has gone far.
    if (++step.moves > step.moveLimit && !step.counted) {
        step.counted = true;
        qint64 themes = 0;
        walkThemes(
                document().root(), [](Theme *theme) { return theme; },
                [&](Theme *, int, int) { ++themes; });
        step.moveLimit = 4 * (themes + 2);
    }
    if ((m_wrapped && m_currentTheme == m_startTheme) || step.moves > step.moveLimit ||
        !m_walk.advance(m_scopeRoot, step.paras.scope, step.backwards(), m_wrapped) ||
        !m_walk.theme()) {
        returnToStartPoint(step.action());
        return false;
    }
    step.skip = false;
    m_currentTheme = m_walk.theme();
    m_inNamePart = step.paras.inName;
    letToolkitRun();
    return !m_aborted;
}

void FindEngine::letToolkitRun()
{
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < eventInterval)
        return;
    // The user's keys, clicks and close requests wait until the step is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 1);
    m_sinceEvents.start();
    if (!m_aborted)
        m_walk.standOn(m_currentTheme);
}

TextPattern::Match FindEngine::find(Step &step, int from)
{
    if (step.pattern.isPlain())
        return {step.text.occurrence(step.paras.findText, from, step.paras.caseSensitive),
                int(step.paras.findText.size()), std::nullopt};
    return step.text.find(step.pattern, from);
}

bool FindEngine::showMatch(Step &step, TextPattern::Match match)
{
    const int found = match.position;
    m_position = found;
    m_matchLength = match.length;
    step.found = std::move(match);
    if (step.action() == FindParas::ReplaceAll) {
        m_matchPending = true;
        step.continuing = true;
        return true;
    }
    if (m_view->currentTheme() != m_currentTheme)
        m_view->setCurrentTheme(m_currentTheme);
    QWidget *window = m_view->window();
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    if (m_inNamePart) {
        m_view->setFocus();
        QTextCursor cursor = m_editor->textCursor();
        cursor.setPosition(0);
        m_editor->setTextCursor(cursor);
        m_curLine = m_curCol = 0;
        m_nameMatch = {m_currentTheme, found, match.length, 0};
        m_host.postNameSelection();
    } else {
        m_editor->setFocus();
        const QString text = step.text.text();
        const ColumnLine start = FindText::positionAt(text, found);
        const ColumnLine end = FindText::positionAt(text, found + match.length);
        m_curLine = start.line;
        m_curCol = start.column;
        m_editor->setSelection(start.line, start.column, end.line, end.column);
    }
    return false;
}

void FindEngine::returnToStartPoint(int action)
{
    m_curLine = m_startLine;
    m_curCol = m_startCol;
    m_wrapped = false;
    m_currentTheme = m_startTheme;
    if (m_startTheme && m_view->currentTheme() != m_startTheme)
        m_view->setCurrentTheme(m_startTheme);
    Messages::warning(m_view->window(), tr("Search (Поиск)"),
                      tr("Return to start point\nДостигнута начальная точка поиска"));
    m_last.scope = 0;
    if (action == FindParas::ReplaceAll && m_startTheme)
        m_host.loadDescription(m_startTheme);
}

bool FindEngine::selectNameMatch()
{
    if (m_running || !m_nameMatch.theme)
        return false;
    if (m_nameMatch.retries > 0) {
        --m_nameMatch.retries;
        return true;
    }
    Theme *theme = std::exchange(m_nameMatch.theme, nullptr);
    if (theme == m_view->currentTheme())
        m_view->startRenaming(theme, m_nameMatch.position, m_nameMatch.length);
    return false;
}

void FindEngine::aboutToRemove(Theme *parent, int first, int last)
{
    const auto leaves = [&](const Theme *theme) { return inRows(theme, parent, first, last); };
    if (leaves(m_nameMatch.theme))
        m_nameMatch = {};
    if (leaves(m_currentTheme) || leaves(m_startTheme) || leaves(m_scopeRoot))
        forgetSearch();
}

// The themes the search stood on are gone: the next step is a new search, and a running one
// ends without touching them.
void FindEngine::forgetSearch()
{
    m_currentTheme = m_startTheme = m_scopeRoot = nullptr;
    m_last.scope = 0;
    m_wrapped = m_matchPending = false;
    if (m_running)
        m_aborted = true;
}
