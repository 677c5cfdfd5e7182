#pragma once

#include "find/FindParas.h"

#include <QObject>

class Brambleweb;
class FindAllPanel;
class FindDialog;
class FindEngine;
class GoToThemePopup;
class TreeFilter;
struct FoundMatch;

// The window's searching: the find dialog and its search steps, going to a theme by name, the
// list of every match under the tree, and the tree narrowed to the matches.
class WindowSearch : public QObject
{
    Q_OBJECT
public:
    explicit WindowSearch(Brambleweb &window);
    ~WindowSearch() override;

    FindDialog *findDialog() const { return m_findDialog; }
    GoToThemePopup *goToPopup() const { return m_goToPopup; }
    FindAllPanel *findAllPanel() const { return m_findAllPanel; }
    TreeFilter *treeFilter() const { return m_treeFilter; }

    // Ends a running search step; the window closes.
    void stop();
    // A step still runs: the document stays until it ends.
    bool isRunning() const;
    void hideDialog();
    // Stops the filter's search or shows the whole tree again; false when it was neither.
    bool endTreeFilter();
    // The find-all panel's height to come back with: its own while it is shown, else the last
    // one taken.
    int findAllHeight();
    void setFindAllHeight(int height) { m_findAllHeight = height; }
    // Gathers the names of the document just read once it has rested, so that even the first
    // go-to opens quickly.
    void warmUpGoTo();

public Q_SLOTS:
    // Find and replace.
    void menuFind();
    void menuReplace();
    void menuFindNext();
    void menuNextTheme();
    void menuReplaceNext();
    void menuReplaceAll();
    void findAction();
    void replaceAction();
    void findReplace(const FindParas &paras);
    void hideFindDialog();
    // Going to a theme by name and listing every match.
    void menuGoToTheme();
    void menuFindAll();
    void findAllAction();
    // Narrows the tree to the themes that match the find dialog's search, or shows it whole.
    void menuFilterTree();

protected:
    void customEvent(QEvent *event) override;

private:
    void showFindDialog(bool replaceMode);
    // Runs `run` (by default: find all without an action, else a search step) with the find
    // dialog's search, once the dialog is open and its search valid.
    void runFindCommand(bool replaceMode, int action,
                        void (WindowSearch::*run)(const FindParas &) = nullptr);
    void filterTree(const FindParas &paras);
    FindEngine *findEngine();
    void runFindAll(const FindParas &paras);
    void goToMatch(const FoundMatch &match);
    GoToThemePopup *createdGoToPopup();

    Brambleweb &m_window;
    FindDialog *m_findDialog = nullptr;
    FindEngine *m_findEngine = nullptr;
    GoToThemePopup *m_goToPopup = nullptr;
    FindAllPanel *m_findAllPanel = nullptr;
    TreeFilter *m_treeFilter = nullptr;
    int m_findAllHeight = 0; // the find-all panel's height to come back with
};
