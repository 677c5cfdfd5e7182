// The window's side of the document's undo history: its entries and buttons, and the description
// being edited, which goes into the tree before every step.
#include "app/Brambleweb.h"

#include "common/Assertions.h"
#include "tree/ThemeView.h"

#include <QAction>
#include <QToolButton>

namespace {

const char *const undoNames[] = {"undo", "redo"};

} // namespace

void Brambleweb::watchUndoHistory()
{
    // The text being typed goes into the document before every step, undo and redo; a history
    // cleared by a file read anew is no change of the document.
    m_undo.setListeners([this] { storeDescription(m_view->currentTheme(), true); },
                        [this] {
                            if (m_undo.count() > 0)
                                setModified(true);
                            updateUndoActions();
                        });
    for (QAction *action : std::as_const(m_treeActions)) {
        for (const char *name : undoNames) {
            if (action->objectName() != QLatin1String(name))
                continue;
            action->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name))));
            action->setProperty("plainText", action->text()); // "&Undo", before a step's name
        }
    }
    updateUndoActions();
}

void Brambleweb::updateUndoActions()
{
    const DocumentUndo &history = m_undo;
    const bool treeEditing =
            (m_actionState & TreeHasFocus) && !(m_actionState & (RenamingTheme | LocationMode));
    for (const char *name : undoNames) {
        const bool undo = qstrcmp(name, "undo") == 0;
        const bool possible = undo ? history.canUndo() : history.canRedo();
        const QString step = undo ? history.undoText() : history.redoText();
        for (QAction *action : std::as_const(m_treeActions)) {
            if (action->objectName() != QLatin1String(name))
                continue;
            action->setEnabled(treeEditing && possible);
            const QString text = action->property("plainText").toString();
            action->setText(possible ? text + QLatin1Char(' ') + step : text);
        }
        if (auto *button = findChild<QToolButton *>(QLatin1String(name)))
            button->setEnabled(possible);
    }
}
