#pragma once

#include <QByteArray>

// The key help file "keyhelp.txt": a tree file with one theme per group of keys, made from the
// program's own key tables, so that it lists every key the program has. CP1251 with CR LF.
QByteArray keyHelpFile();
