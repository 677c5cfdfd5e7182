#include "app/KeyList.h"

#include "app/MainActions.h"
#include "app/OutsideThemeDialog.h"
#include "app/WindowKeys.h"
#include "editor/CorrectedTextEdit.h"
#include "tree/NameEditor.h"
#include "tree/ViewKeys.h"

#include <QKeySequence>

namespace {

void addBindings(QList<KeyListEntry> &list, const QString &group, std::span<const KeyBinding> table,
                 const QString &prefix = QString())
{
    for (const KeyBinding &binding : table) {
        if (binding.description)
            list.append({group, prefix + KeyTable::keyText(binding),
                         QString::fromUtf8(binding.description)});
    }
}

} // namespace

QList<KeyListEntry> keyList()
{
    QList<KeyListEntry> list;
    for (const MainActions::Action &row : MainActions::actions()) {
        if (!row.text || row.shortcut.toCombined() == 0)
            continue;
        QString group = QString::fromUtf8(row.menu).section(QLatin1Char('/'), 0, 0);
        group.remove(QLatin1Char('&'));
        const QString text = QString::fromUtf8(row.text).remove(QLatin1Char('&'));
        list.append({group, QKeySequence(row.shortcut).toString(QKeySequence::PortableText),
                     text + QStringLiteral(" (") + QString::fromUtf8(row.tip) + QLatin1Char(')')});
    }
    addBindings(list, QStringLiteral("In every window"), WindowKeys::everywhere());
    addBindings(list, QStringLiteral("In the tree"), WindowKeys::tree());
    addBindings(list, QStringLiteral("In the tree"), ViewKeys::table());
    addBindings(list, QStringLiteral("While renaming a theme"), NameEditor::keyBindings());
    addBindings(list, QStringLiteral("In the description"), WindowKeys::editor());
    addBindings(list, QStringLiteral("In the description"), CorrectedTextEdit::keyBindings());
    addBindings(list, QStringLiteral("In a detached window (F9)"),
                OutsideThemeDialog::keyBindings());
    addBindings(list, QStringLiteral("Location mode (F5)"), WindowKeys::location());
    addBindings(list, QStringLiteral("Hidden commands"), WindowKeys::afterCtrlK(),
                QStringLiteral("Ctrl+K, "));
    return list;
}

QString keyListText()
{
    QString text;
    QString group;
    for (const KeyListEntry &entry : keyList()) {
        if (entry.group != group) {
            group = entry.group;
            text += group + QLatin1Char('\n');
        }
        text += QStringLiteral("    ") + entry.keys.leftJustified(18) + QLatin1Char(' ') +
                entry.description + QLatin1Char('\n');
    }
    return text;
}
