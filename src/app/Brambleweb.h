#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "app/DocumentSession.h"
#include "common/Messages.h"
#include "common/TextCodec.h"
#include "model/EditingCommands.h"
#include "storage/TreeFile.h"

#include <functional>
#include <memory>
#include <optional>

class AuxiliaryCommands;
class CorrectedTextEdit;
class FileCommands;
class DetachedWindows;
class LocationMode;
class QAbstractScrollArea;
class QAction;
class QFileDevice;
class QFrame;
class QLabel;
class QProgressBar;
class QSplitter;
class ReminderHost;
class Theme;
class ThemeView;
class TreeFileRead;
class OutlineCommands;
class WindowSearch;
class UndoEntries;
class WindowMemory;

// The main window: one per open document, with the theme tree on the left and the current
// theme's description on the right. It moves descriptions between the two, shows the modified
// state in the caption, switches focus, and asks its document session to keep the document on
// disk.
class Brambleweb : public QMainWindow
{
    Q_OBJECT
public:
    // Bits of the action state.
    enum ActionState { TreeHasFocus = 1, RenamingTheme = 2, LocationMode = 4 };

    Brambleweb(const QString &fileName, QWidget *parent, const char *name);
    ~Brambleweb() override;

    void setVisible(bool visible) override;

    ThemeView *tree() const { return m_view; }
    ThemeDocument &document() { return m_document; }
    DocumentUndo &undoHistory() { return m_undo; }
    ReminderHost *reminder() const { return m_reminder; }
    FileCommands *files() const { return m_files; }
    DocumentSession *session() const { return m_session; }
    CorrectedTextEdit *editor() const { return m_mainEditBox; }
    const QString &fileName() const { return m_session->fileName(); }
    bool isModified() const { return m_session->isModified(); }
    int actionState() const { return m_actionState; }
    AuxiliaryCommands *aux() const { return m_aux; }
    ::LocationMode *location() const { return m_location; }
    bool isCtrlKPending() const { return m_ctrlKPending; }
    Brambleweb *previousWindow() const { return m_previousWindow; }
    QList<QAction *> treeActions() const { return m_treeActions; }
    QLabel *statusTextLabel() const { return m_statusTextLabel; }
    QLabel *levelLabel() const { return m_levelLabel; }
    QLabel *dateLabel() const { return m_dateLabel; }
    QLabel *clockLabel() const { return m_clockLabel; }
    QLabel *encodingLabel() const { return m_encodingLabel; } // shown for a Unicode document
    const QFile &errorSaveFile() const { return m_session->errorSaveFile(); }
    const QFile &autosaveFile() const { return m_session->autosaveFile(); }
    int autosaveTicks() const { return m_session->autosaveTicks(); }
    // Seconds from an unsaved change to its autosave (121); only the end-to-end build shortens it.
    static void setAutosaveSeconds(int seconds) { DocumentSession::setAutosaveSeconds(seconds); }
    WindowSearch *search() const { return m_search; }
    OutlineCommands *outlines() const { return m_outlines; }
    DetachedWindows *detached() const { return m_detached; }
    WindowMemory *memory() const { return m_memory; }

    void storeDescription(Theme *theme, bool clearEdited);
    // Stores the text as the theme's description, dated today, and marks the document changed.
    void storeThemeText(Theme *theme, const QString &text);
    // Where the description's cursor stood when the theme was last left: (line, column).
    QPair<int, int> savedCursor(Theme *theme) const
    {
        return m_cursors.value(m_document.resolve(theme));
    }
    // Where the cursor stood in each description shown; a document's state fills it in.
    QHash<const Theme *, QPair<int, int>> &savedCursors() { return m_cursors; }
    void loadDescription(Theme *theme);
    void updateCaption(bool starred);
    void updateStatus();
    // Shows the modified state in the caption.
    void setModified(bool modified);
    QString currentThemeName() const;
    // A load or a long write lets the window repaint: no key or click may change the tree then.
    bool isInputBlocked() const { return m_inputBlocked; }
    void blockInputWhile(const std::function<void()> &work);
    // The status bar's progress bar, while a file is read or written.
    void showProgress(bool shown);
    // Reads a tree file in place of the document or (LOAD_INSERT) as a new theme under the
    // current one, in one step. False, after a box and with nothing changed, when the file cannot
    // be read whole; an empty name does nothing and gives true.
    bool loadTree(const QString &name, int flags, FileStamp *stamp = nullptr);
    // The tree in the chunks in place of the document or (LOAD_INSERT) under the current theme.
    void loadTreeChunks(TreeChunks chunks, qint64 size, const QString &name,
                        const QDateTime &modified, int flags);
    // Writes the document, or with SAVE_BRANCH the current theme's branch; the writer's result.
    int writeDocument(QIODevice *file, int flags, QString *log, SaveReport *report = nullptr);
    // Removes the autosave copy when it is still empty, as a close does: the quiet save of a
    // session's end leaves nothing empty behind.
    void dropEmptyAutosaveCopy() { m_session->dropEmptyAutosaveCopy(); }
    // The window's own keys and the location mode reach the widget's input.
    void watchInput(QAbstractScrollArea *widget);
    void activateWindowOf(QWidget *window);
    QSplitter *splitter() const { return m_splitter; }

public Q_SLOTS:
    void menuGoToMark();
    void menuNewest();
    void menuGenerateTree();
    void menuMainWidgetsTab();
    void menuGoToReminder();
    void menuUpdateReminder();
    void menuReminderSoundOperation(bool off);
    void menuApply();
    void changeMainEditBoxText(Theme *theme);
    void mainEditBoxDataChanged();
    void treeStateChanged();
    void themeNameEditStateChanged(bool editing);
    void nextSecund();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildActions();
    void buildStatusBar();
    void loadPendingFile();
    void setActionState(int state);
    // The keys of the window's own tables; true when the key was handled and is swallowed.
    bool handleKey(QObject *watched, QKeyEvent *key, bool document);
    // Runs an action whose key a menu title's mnemonic claims too; true when the key was its.
    bool runClashingShortcut(QObject *watched, QEvent *event);
    void crashTest();
    // A branch made of the theme's description, under the theme, which has no subthemes.
    void generateBranch(Theme *theme);
    // A closed window lets go of its document's memory.
    void releaseClosedDocument();

    QSplitter *m_splitter = nullptr;
    ThemeDocument m_document;
    DocumentUndo m_undo{m_document};
    ThemeView *m_view = nullptr;
    ReminderHost *m_reminder = nullptr;
    // Where the cursor stood in each description shown: it comes back with the theme.
    QHash<const Theme *, QPair<int, int>> m_cursors;
    CorrectedTextEdit *m_mainEditBox = nullptr;
    QLabel *m_statusTextLabel = nullptr;
    QFrame *m_progressFrame = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_levelLabel = nullptr;
    QLabel *m_dateLabel = nullptr;
    QLabel *m_clockLabel = nullptr;
    QLabel *m_encodingLabel = nullptr;
    QList<QAction *> m_treeActions;
    QList<QAction *> m_mnemonicClashes;
    std::unique_ptr<UndoEntries> m_undoEntries;

    QTimer m_secondTimer;
    DocumentSession *m_session = nullptr;
    FileCommands *m_files = nullptr;
    QString m_pendingFile;
    std::unique_ptr<TreeFileRead> m_pendingRead; // the pending file, read while the window is built
    bool m_inputBlocked = false;
    bool m_statusRefresh = false;
    int m_actionState = 0;
    QPointer<QWidget> m_lastFocus;
    bool m_focusInTree = true;
    QPointer<Brambleweb> m_previousWindow;
    AuxiliaryCommands *m_aux = nullptr;
    ::LocationMode *m_location = nullptr;
    bool m_ctrlKPending = false;
    WindowSearch *m_search = nullptr;
    OutlineCommands *m_outlines = nullptr;
    DetachedWindows *m_detached = nullptr;
    WindowMemory *m_memory = nullptr;
};
