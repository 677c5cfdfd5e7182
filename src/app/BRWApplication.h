#pragma once

#include <QApplication>
#include <QStringList>

#include <vector>

class Brambleweb;

// The application object: keeps every main window the process ever created (closing one only
// hides it) and builds the emergency journal when the process receives a fatal signal.
class BRWApplication : public QApplication
{
    Q_OBJECT
public:
    BRWApplication(int &argc, char **argv);
    ~BRWApplication() override;

    // The process-wide application object, or null before it exists.
    static BRWApplication *instance();

    // Creates (but does not show) a main window for the file; an empty name gives an empty window.
    Brambleweb *createMainWindow(const QString &fileName, const char *name);
    const std::vector<Brambleweb *> &windows() const { return m_windows; }
    // One shown window per file, from the last file to the first; one empty window for none.
    void openWindows(const QStringList &files);
    // The documents that were open when the program last ended, taken once at the start: from
    // then on the remembered list follows this run's windows.
    void takeLastSession();
    const QStringList &lastSession() const { return m_lastSession; }
    // Opens each of them that is still there and not open in a window already.
    void reopenLastSession();

    // The emergency journal: every window writes its tree into its error-save file, then the
    // collected report is shown. A second call while one runs does nothing; returns the report.
    QString saveLog();
    // The same emergency save for an end that nobody watches (a termination signal, a lost
    // display): no box; the report goes to standard error.
    QString saveQuietly();

private:
    QString saveAllWindows(bool showJournal);

    std::vector<Brambleweb *> m_windows; // in order of creation
    bool m_journalBusy = false;
    QStringList m_lastSession;
};
