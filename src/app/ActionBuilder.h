#pragma once

#include <QList>

class QAction;
class QMainWindow;
class QObject;

// Builds a main window's tool bars, menu bar and actions from the tables of MainActions and
// connects them to the window and its tree; returns the tree-editing actions, all disabled.
QList<QAction *> buildMainActions(QMainWindow *window, QObject *tree);

// The actions whose Alt+letter shortcut a menu title's mnemonic claims as well ("&Open..." on
// Alt+O beside "T&ools"): the toolkit runs neither, so the window runs the action itself.
QList<QAction *> mnemonicClashes(QMainWindow *window);
