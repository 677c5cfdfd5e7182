#pragma once

#include "app/DocumentState.h"
#include "app/WindowState.h"

#include <QString>
#include <QStringList>

#include <optional>

// The one file that remembers where the user left off: a state per document (keyed by the
// document's canonical path), the window's state and the documents open at the last end. It is
// private to the user and written in one step; a missing, damaged or foreign file counts as
// empty and is never reported.
namespace StateFile {

constexpr int maxDocuments = 100; // the most recently used are kept

// Where the file lives; with none (the default) nothing is remembered. The program uses the
// user's configuration folder; tests use their own.
void setFolder(const QString &folder);
QString path();

// The key of a document: its canonical path; empty for a file that gets no state (none on disk,
// an error-save, autosave or temporary file).
QString documentKey(const QString &document);

std::optional<DocumentState> document(const QString &document);
void setDocument(const QString &document, const DocumentState &state);
std::optional<WindowState> window();
void setWindow(const WindowState &state);

// The documents open now, or at the last end of the program: in order of opening.
QStringList session();
void addToSession(const QString &document);
// A document as added, or its key (a document deleted meanwhile has none).
void removeFromSession(const QString &document);
void setSession(const QStringList &documents);

} // namespace StateFile
