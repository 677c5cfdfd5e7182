#pragma once

#include "app/MainActions.h"

#include <QList>

#include <functional>

class QAction;
class QMainWindow;
class QObject;

// The object that carries out the commands of a target: the window, its tree or one of its parts.
using ActionReceivers = std::function<QObject *(MainActions::Target)>;

// Builds a main window's tool bars, menu bar and actions from the tables of MainActions and
// connects them to their receivers; returns the tree-editing actions, all disabled.
QList<QAction *> buildMainActions(QMainWindow *window, const ActionReceivers &receivers);

// The actions whose Alt+letter shortcut a menu title's mnemonic claims as well ("&Open..." on
// Alt+O beside "T&ools"): the toolkit runs neither, so the window runs the action itself.
QList<QAction *> mnemonicClashes(QMainWindow *window);
