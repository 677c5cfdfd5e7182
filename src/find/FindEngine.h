#pragma once

#include "find/DocumentWatch.h"
#include "find/FindParas.h"
#include "find/FindWalk.h"
#include "find/TextPattern.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class CorrectedTextEdit;
class DocumentUndo;
class ThemeView;

// The search and replace engine of a main window: one step finds the next (or previous)
// occurrence of the find text in theme names and descriptions, shows it, and for the replace
// actions replaces it first. Its state survives between steps, so that F3 and F4 go on where the
// last step stopped; a step ends at a shown match or back at its start point.
//
// Between themes a step lets the toolkit paint, but keeps the user's input queued until it ends;
// a step never runs inside another, and one that loses a theme it stands on ends at once.
class FindEngine : public QObject, private DocumentWatch
{
    Q_OBJECT
public:
    // What the engine needs from its main window.
    struct Host
    {
        // Stores the editor's text into the theme when it was edited.
        std::function<void(Theme *)> storeDescription;
        // Shows the theme's description in the editor (making it current if it is not).
        std::function<void(Theme *)> loadDescription;
        // Posts the deferred event that opens the name editor on the name match.
        std::function<void()> postNameSelection;
    };

    // A replace is one step of the document's history `undo`.
    FindEngine(ThemeView *view, DocumentUndo &undo, CorrectedTextEdit *editor, Host host,
               QObject *parent);

    // One search step with these parameters.
    void findReplace(const FindParas &paras);
    bool isRunning() const { return m_running; }
    // Ends a running step at its next look at the input; the next step is a new search.
    void stop() { forgetSearch(); }

    // The deferred name selection: opens the name editor on the name match with the found
    // characters selected. True when the event has to be posted once more.
    bool selectNameMatch();

    const FindParas &lastParas() const { return m_last; }
    Theme *currentTheme() const { return m_currentTheme; }

private:
    struct Step;
    void prepare(const FindParas &paras, Step &step, bool edited);
    bool runPass(Step &step);
    bool search(Step &step, int from);
    bool moveOn(Step &step);
    void load(Step &step);
    void replacePending(Step &step);
    void moveStartIndex(const Step &step, int position, int length, int replaced);
    TextPattern::Match find(Step &step, int from);
    void flush(Step &step);
    void applyText(Theme *theme, bool name, const QString &text);
    bool showMatch(Step &step, TextPattern::Match match);
    void returnToStartPoint(int action);
    void letToolkitRun();
    void aboutToRemove(Theme *parent, int first, int last) override;
    void aboutToReplace() override
    {
        forgetSearch();
        m_walk.clear();
    }
    void forgetSearch();

    ThemeView *m_view;
    DocumentUndo &m_undo;
    CorrectedTextEdit *m_editor;
    Host m_host;

    FindParas m_last;
    Theme *m_startTheme = nullptr;
    int m_startLine = 0;
    int m_startCol = 0;
    int m_startIndex = 0;
    // Forwards, where the first replacement after the start begins in the start theme's
    // description (-1: none yet): a match after the wrap must end before it.
    int m_insertStart = -1;
    Theme *m_currentTheme = nullptr;
    int m_curLine = 0;
    int m_curCol = 0;
    int m_position = 0;
    int m_matchLength = 0; // of the match at m_position
    bool m_inNamePart = false;
    bool m_startedInName = false;
    bool m_wrapped = false;
    bool m_matchPending = false;
    Theme *m_scopeRoot = nullptr;
    struct NameMatch
    {
        Theme *theme = nullptr;
        int position = 0;
        int length = 0;
        int retries = 0;
    } m_nameMatch;

    bool m_running = false;
    bool m_aborted = false;
    FindWalk m_walk;
    QElapsedTimer m_sinceEvents;
};
