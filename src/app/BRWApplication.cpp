#include "app/BRWApplication.h"

#include "app/Brambleweb.h"
#include "app/FatalSignals.h"
#include "app/FileCommands.h"
#include "app/JournalDisplay.h"
#include "app/StateFile.h"
#include "common/Emergency.h"
#include "common/Messages.h"
#include "common/ToolkitSeams.h"
#include "storage/DocumentLock.h"

#include <QFileInfo>

#include <algorithm>

namespace {
BRWApplication *theApplication = nullptr;
}

BRWApplication::BRWApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    theApplication = this;
    ToolkitSeams::install();
}

BRWApplication::~BRWApplication()
{
    for (Brambleweb *window : m_windows)
        delete window;
    m_windows.clear();
    theApplication = nullptr;
}

BRWApplication *BRWApplication::instance()
{
    return theApplication;
}

Brambleweb *BRWApplication::createMainWindow(const QString &fileName, const char *name)
{
    auto *window = new Brambleweb(fileName, nullptr, name);
    m_windows.push_back(window);
    return window;
}

void BRWApplication::openWindows(const QStringList &files)
{
    if (files.isEmpty()) {
        createMainWindow(QString(), "Main")->show();
        return;
    }
    for (qsizetype i = files.size() - 1; i >= 0; --i)
        createMainWindow(files.at(i), "Main")->show();
}

void BRWApplication::takeLastSession()
{
    m_lastSession = StateFile::session();
    StateFile::setSession({});
}

void BRWApplication::reopenLastSession()
{
    for (const QString &document : std::as_const(m_lastSession)) {
        if (!QFileInfo(document).isFile())
            continue;
        const bool open = std::any_of(m_windows.begin(), m_windows.end(), [&](Brambleweb *window) {
            return window->isVisible() && StateFile::documentKey(window->fileName()) == document;
        });
        if (!open)
            createMainWindow(document, "Main")->show();
    }
}

QString BRWApplication::saveLog()
{
    return saveAllWindows(true);
}

QString BRWApplication::saveQuietly()
{
    return saveAllWindows(false);
}

QString BRWApplication::saveAllWindows(bool showJournal)
{
    if (m_journalBusy)
        return QString();
    m_journalBusy = true;
    QString journal;
    for (Brambleweb *window : m_windows) {
        journal += window->windowTitle() + QStringLiteral("\n-------------\n");
        window->files()->emergencySave(journal);
        if (!showJournal)
            window->dropEmptyAutosaveCopy();
        journal += QLatin1Char('\n');
    }
    // The process ends after the journal: its locks must not outlive it.
    DocumentLock::releaseAll();
    if (!showJournal) {
        writeJournalToStandardError(journal);
    } else {
        extendWatchdogForJournal();
        if (!Emergency::inProgress() || Messages::hasResponder() ||
            !showJournalInFreshProcess(journal))
            Messages::warning(nullptr, QStringLiteral("Save log - Журнал аварийного сохранения"),
                              journal);
    }
    m_journalBusy = false;
    return journal;
}
