#pragma once

// The answer and button kinds only: the session shows nothing itself, it asks its teller.
#include "common/Messages.h"
#include "storage/DocumentLock.h"
#include "storage/FileStamp.h"
#include "storage/SafeFile.h"

#include <QFile>
#include <QFileSystemWatcher>
#include <QObject>

#include <functional>

// One document's life on disk, apart from any window: its name and modified flag, its error-save
// file and autosave copy, its saves, the lock that tells other programs it is open, and the watch
// for changes made to its file by another hand. The document's bytes come from the writer each
// call is given; what the user must read or answer goes to the teller (a window shows a box).
// Qt Core alone: it links no widget.
class DocumentSession : public QObject
{
    Q_OBJECT
public:
    // Writes the whole document into the open file: > 0 complete, 0 stopped, < 0 with errors.
    using Writer = std::function<int(QFileDevice &file)>;
    // Asked after a complete save: true when the document must be written again at once (it
    // changed its form meanwhile).
    using WriteAgain = std::function<bool()>;
    enum class Tone { Error, Warning };
    using Teller = std::function<Messages::Answer(Tone tone, const QString &text,
                                                  Messages::Buttons buttons)>;
    // What a second brings: nothing unsaved, an unsaved second counted, or the autosave is due.
    enum class Tick { Idle, Counted, Autosave };
    // How a save under the document's own name ended. AnotherName: the file was changed outside
    // and the user wants the document saved under another name instead; Declined: not saved.
    enum class Saved { Done, Declined, AnotherName, CannotOpen, Failed };

    // Without `sideFiles` (the program's own reference text, often in a folder the user cannot
    // write) the document gets no save files, no lock and no watch.
    DocumentSession(Teller tell, bool sideFiles, QObject *parent = nullptr);

    const QString &fileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }
    const QFile &errorSaveFile() const { return m_errorSaveFile; }
    const QFile &autosaveFile() const { return m_autosaveFile; }
    int autosaveTicks() const { return m_ticks; }
    // Seconds from an unsaved change to its autosave (121); only the end-to-end build shortens it.
    static void setAutosaveSeconds(int seconds);

    // The document under its name was just read (`read` taken from the file read) or begun
    // empty: unmodified, with fresh save files, followed, and the autosave count running.
    void open(const FileStamp &read);
    // Chooses and creates the error-save and autosave files for the current name.
    void prepareSaveFiles();
    // Names the error-save files an emergency save left after the document's last save.
    void noticeErrorSaveFiles();

    // One second of the clock; `edited`: the description being typed is unsaved.
    Tick tick(bool edited);
    // Writes the document into a temporary file that then replaces the autosave copy.
    void autosave(const Writer &write);
    // Saves the document under its name, the autosave copy serving as the safe copy where the
    // file must be rewritten in place. A file changed outside is overwritten only when the user
    // says so.
    Saved save(const Writer &write, const WriteAgain &writeAgain);
    // Writes another file as safely as the document. When that file is the document's own, the
    // write is this session's own and no outside change; ChangedOutside reports it at once.
    SafeFile::Result writeFile(const QString &path, const Writer &write,
                               const WriteAgain &writeAgain, FileStamp &written);
    // Whether `written` is the document's own file (under any of its names).
    bool isOwnFile(const FileStamp &written) const;
    // Writes the document into the error-save file, which is closed then; the writer's result,
    // -1000 when the bytes did not reach the disk.
    int writeErrorSave(const Writer &write);
    // The error-save file stays beside the document (it holds words): the session takes a new one.
    void keepErrorSaveFile();
    // Removes the autosave copy when it is still empty, as a close does.
    void dropEmptyAutosaveCopy();

    // A close waits for the autosave under way (false); once it has begun, no autosave starts.
    bool beginClose();
    void cancelClose() { m_closing = false; }
    bool isClosing() const { return m_closing; }
    // Removes the save files, releases the lock and stops the watch.
    void close();

    // The file as it was just read or written, `stamp` taken from that file itself (never from
    // the name afterwards, which may lead to another program's file by then): watched, locked.
    void follow(const FileStamp &stamp);
    // True when the file on disk is not the one last read or written (gone, too).
    bool changedOnDisk() const;
    // Looks at the file: a state neither known nor told yet is told (changedOutside).
    void check();
    // An outside change waits for its question (asked at the window's next activation).
    bool reloadPending() const { return m_reloadPending; }
    void reloadAsked() { m_reloadPending = false; }

Q_SIGNALS:
    // The session begins to follow its file anew: what was said about the file before is void.
    void following();
    // Once per new state of the file made by another hand.
    void changedOutside();

private:
    Messages::Answer tell(Tone tone, const QString &text,
                          Messages::Buttons buttons = Messages::Buttons::Ok) const;
    bool openTemporaryAutosaveFile(QFile &file) const;
    SafeFile::Result writeOwn(const QString &path, const Writer &write,
                              const WriteAgain &writeAgain, const QString &safeCopy,
                              FileStamp &written);
    void watch(const QString &path, const FileStamp &stamp);
    void release();

    Teller m_tell;
    const bool m_sideFiles;
    QString m_fileName;
    bool m_modified = false;
    QFile m_errorSaveFile;
    QFile m_autosaveFile; // kept open, written only by name: it holds the number (NumberedFile)
    int m_ticks = -1;     // of unsaved seconds; below 0 until the document is open
    bool m_autosaveRunning = false;
    bool m_closing = false;
    DocumentLock m_lock;
    QString m_lockedName;
    QFileSystemWatcher m_watcher;
    QString m_watched;
    FileStamp m_known;    // as last read or written
    FileStamp m_reported; // the last outside state told
    bool m_ownWrite = false;
    bool m_reloadPending = false;
};
