#pragma once

#include <QList>

class QAction;
class QMainWindow;
class QObject;

// Builds a main window's tool bars, menu bar and actions from the tables of MainActions and
// connects them to the window and its tree; returns the tree-editing actions, all disabled.
QList<QAction *> buildMainActions(QMainWindow *window, QObject *tree);
