#include "app/ActionBuilder.h"

#include "app/MainActions.h"
#include "common/Assertions.h"

#include <QAction>
#include <QHash>
#include <QMainWindow>
#include <QMenuBar>
#include <QMetaMethod>
#include <QToolBar>
#include <QToolButton>

namespace {

using namespace MainActions;

// Connects by the slot's signature, so that a row names its slot as text; a slot that does not
// exist is reported like any failed connection.
bool connectToSlot(QObject *sender, const QMetaMethod &signal, QObject *receiver, const char *slot)
{
    const QMetaObject *meta = receiver->metaObject();
    const int index = meta->indexOfSlot(QMetaObject::normalizedSignature(slot).constData());
    if (index < 0)
        return CONNECT_ASSERT(false);
    return CONNECT_ASSERT(QObject::connect(sender, signal, receiver, meta->method(index)));
}

QString shortcutText(QKeyCombination key)
{
    return QKeySequence(key).toString(QKeySequence::PortableText);
}

QString toolTip(const ToolButton &button)
{
    QString tip = QString::fromUtf8(button.english) + QStringLiteral(" (") +
                  QString::fromUtf8(button.russian) + QLatin1Char(')');
    if (button.shortcut.toCombined() != 0)
        tip += QStringLiteral(" - ") + shortcutText(button.shortcut);
    return tip;
}

void buildToolBars(QMainWindow *window, const ActionReceivers &receivers)
{
    for (const ToolBar &bar : toolBars()) {
        QToolBar *toolBar = nullptr;
        for (const ToolButton &row : toolButtons()) {
            if (qstrcmp(row.toolBar, bar.objectName) != 0)
                continue;
            if (!toolBar) {
                toolBar = window->addToolBar(QString::fromUtf8(bar.label));
                toolBar->setObjectName(QString::fromLatin1(bar.objectName));
                toolBar->setMovable(true);
            }
            auto *button = new QToolButton(toolBar);
            button->setObjectName(QString::fromLatin1(row.objectName));
            button->setIcon(QIcon(QString::fromLatin1(row.icon)));
            button->setText(toolTip(row));
            button->setToolTip(button->text());
            toolBar->addWidget(button);
            connectToSlot(button, QMetaMethod::fromSignal(&QToolButton::clicked),
                          receivers(row.target), row.slot);
        }
    }
}

// The menu of a path such as "T&ools/&Reminder", made on first use at the end of its parent.
QMenu *menuOf(QMainWindow *window, QHash<QString, QMenu *> &menus, const QString &path)
{
    if (QMenu *menu = menus.value(path))
        return menu;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QMenu *menu = nullptr;
    if (slash < 0)
        menu = window->menuBar()->addMenu(path);
    else
        menu = menuOf(window, menus, path.left(slash))->addMenu(path.mid(slash + 1));
    menus.insert(path, menu);
    return menu;
}

} // namespace

QList<QAction *> buildMainActions(QMainWindow *window, const ActionReceivers &receivers)
{
    buildToolBars(window, receivers);
    QList<QAction *> treeActions;
    QHash<QString, QMenu *> menus;
    for (const Action &row : actions()) {
        QMenu *menu = menuOf(window, menus, QString::fromUtf8(row.menu));
        if (!row.text) {
            menu->addSeparator();
            continue;
        }
        auto *action = new QAction(QString::fromUtf8(row.text), window);
        action->setObjectName(QString::fromLatin1(row.objectName));
        action->setToolTip(QString::fromUtf8(row.tip));
        action->setStatusTip(action->toolTip());
        action->setShortcut(QKeySequence(row.shortcut));
        menu->addAction(action);
        QObject *receiver = receivers(row.target);
        if (row.flags & Toggle) {
            action->setCheckable(true);
            connectToSlot(action, QMetaMethod::fromSignal(&QAction::toggled), receiver, row.slot);
        } else {
            connectToSlot(action, QMetaMethod::fromSignal(&QAction::triggered), receiver, row.slot);
        }
        if (row.flags & TreeEditing) {
            action->setEnabled(false);
            treeActions.append(action);
        }
    }
    return treeActions;
}

QList<QAction *> mnemonicClashes(QMainWindow *window)
{
    QList<QKeySequence> mnemonics;
    for (const QAction *title : window->menuBar()->actions())
        mnemonics.append(QKeySequence::mnemonic(title->text()));
    QList<QAction *> clashes;
    for (QAction *action : window->findChildren<QAction *>())
        if (!action->shortcut().isEmpty() && mnemonics.contains(action->shortcut()))
            clashes.append(action);
    return clashes;
}
