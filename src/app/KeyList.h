#pragma once

#include <QList>
#include <QString>

// One key of the program and what it does, for the key help and the README.
struct KeyListEntry
{
    QString group; // a menu ("File") or a place ("In the description")
    QString keys;  // "Ctrl+Alt+Left"
    QString description;
};

// Every key of the program, read from the tables that bind them: the menus' shortcuts in menu
// order, then the keys of the window, the tree and the description editor.
QList<KeyListEntry> keyList();

// The key list as text: each group's name on a line of its own, then one line a key with the
// keys in a column of their own.
QString keyListText();
