#include "app/JournalDisplay.h"

#include "common/Messages.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

char programPath[PATH_MAX] = {};

QString journalCaption()
{
    return QStringLiteral("Save log - Журнал аварийного сохранения");
}

} // namespace

void prepareJournalDisplay()
{
    const ssize_t length = readlink("/proc/self/exe", programPath, sizeof programPath - 1);
    programPath[length > 0 ? length : 0] = '\0';
}

void writeJournalToStandardError(const QString &journal)
{
    const QByteArray text = journal.toUtf8();
    (void)!write(STDERR_FILENO, text.constData(), size_t(text.size()));
}

bool showJournalInFreshProcess(const QString &journal)
{
    writeJournalToStandardError(journal);
    const QByteArray text = journal.toUtf8();
    if (programPath[0] == '\0')
        return false;
    char path[] = "/tmp/brw-journal-XXXXXX";
    const int descriptor = mkstemp(path);
    if (descriptor < 0)
        return false;
    const bool written = write(descriptor, text.constData(), size_t(text.size())) == text.size();
    close(descriptor);
    // Spawned, not forked: a fork first takes every allocator lock, and the crash may have left
    // one of them held.
    char option[] = "--show-journal";
    char *arguments[] = {programPath, option, path, nullptr};
    pid_t child = -1;
    if (written && posix_spawn(&child, programPath, nullptr, nullptr, arguments, environ) != 0)
        child = -1;
    int status = 0;
    bool shown = false;
    if (child > 0) {
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        shown = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    unlink(path);
    return shown;
}

int showJournalFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    Messages::warning(nullptr, journalCaption(), QString::fromUtf8(file.readAll()));
    return 0;
}
