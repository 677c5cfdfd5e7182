#pragma once

#include <QStringList>

#include <functional>

class QAction;
class QFontMetrics;
class QMenu;

// The last documents opened or saved, newest first, kept in the user's settings so that every
// window and the next start see the same list.
namespace RecentDocuments {

constexpr int maxCount = 9;

QStringList list();
// Puts the document first; error-save, autosave and temporary files are never listed.
void add(const QString &path);
void remove(const QString &path);
// True for the files the program makes beside a document: "errorsave.!!!N", "autosave.N", the
// eight-digit temporary names and a document's name followed by a number.
bool isSaveFile(const QString &path);

// The path as a menu shows it in at most `width` pixels: the middle of its folders gives way
// first, so the file name stays whole while it fits.
QString shownPath(const QString &path, const QFontMetrics &metrics, int width);

// A "Recent documents" sub-menu inserted before `before`, numbered "&1" to "&9" and filled anew
// each time it opens. A missing file shows the usual box and leaves the list; another one goes
// to `open`.
QMenu *addMenu(QMenu *menu, QAction *before, const std::function<void(const QString &)> &open);

} // namespace RecentDocuments
