#pragma once

#include <QString>
#include <QStringList>

// The files the program ships beside itself (the key help "keyhelp.txt", the reminder sound
// "reminder.wav") are named relative to the working directory. A copy there always wins; without
// one the program falls back to its installed data folder, so it behaves the same however it is
// started.
namespace DataFiles {

// The folders searched after the working directory, in order: the installed data folder
// (share/brw of the prefix the program runs from) and, when the program runs from its build
// folder, the source tree's resources/. Empty before the application object exists.
QStringList folders();

// NAME itself when it exists in the working directory, else the path of NAME in the first of the
// folders that holds it, else NAME unchanged (so a caller's own "not there" handling runs on it).
QString locate(const QString &name);
QString locate(const QString &name, const QStringList &folders);

} // namespace DataFiles
