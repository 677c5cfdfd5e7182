// The undo and redo entries and buttons of a window, following the document's undo history.
#include "app/UndoEntries.h"

#include "model/DocumentUndo.h"

#include <QAction>
#include <QToolButton>

namespace {

const char *const undoNames[] = {"undo", "redo"};

} // namespace

UndoEntries::UndoEntries(const DocumentUndo &history, QWidget &window,
                         const QList<QAction *> &actions)
    : m_history(history)
    , m_window(window)
    , m_actions(actions)
{
    for (QAction *action : std::as_const(m_actions)) {
        for (const char *name : undoNames) {
            if (action->objectName() != QLatin1String(name))
                continue;
            action->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name))));
            action->setProperty("plainText", action->text()); // "&Undo", before a step's name
        }
    }
    update();
}

void UndoEntries::setTreeEditing(bool treeEditing)
{
    m_treeEditing = treeEditing;
    update();
}

void UndoEntries::update()
{
    for (const char *name : undoNames) {
        const bool undo = qstrcmp(name, "undo") == 0;
        const bool possible = undo ? m_history.canUndo() : m_history.canRedo();
        const QString step = undo ? m_history.undoText() : m_history.redoText();
        for (QAction *action : std::as_const(m_actions)) {
            if (action->objectName() != QLatin1String(name))
                continue;
            action->setEnabled(m_treeEditing && possible);
            const QString text = action->property("plainText").toString();
            action->setText(possible ? text + QLatin1Char(' ') + step : text);
        }
        if (auto *button = m_window.findChild<QToolButton *>(QLatin1String(name)))
            button->setEnabled(possible);
    }
}
