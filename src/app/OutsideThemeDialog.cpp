#include "app/OutsideThemeDialog.h"

#include "common/Assertions.h"
#include "editor/CorrectedTextEdit.h"
#include "editor/KeyTable.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace {

enum Command { Save, GoHome, Close };

const KeyBinding keyTable[] = {
        {Qt::ControlModifier, Qt::Key_S, 0, Save,
         "Save the text into its theme (Сохранить текст в тему)"},
        {Qt::ControlModifier | Qt::AltModifier, Qt::Key_Home, 0, GoHome,
         "Show its theme in the main window (Показать тему в главном окне)"},
        {Qt::NoModifier, Qt::Key_Escape, 0, Close, "Close the window (Закрыть окно)"},
};

} // namespace

OutsideThemeDialog::OutsideThemeDialog(const Opening &opening)
    : QMainWindow(nullptr, Qt::Window)
    , m_number(opening.number)
    , m_themePath(opening.themePath)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QIcon(QStringLiteral(":/icons/brw.png")));
    m_editor = new CorrectedTextEdit(this, QStringLiteral("editBox"));
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setCentralWidget(m_editor);
    m_editor->setText(opening.text);
    resize(opening.size);
    m_editor->installEventFilter(this);
    // Only now: loading the text is no change.
    CONNECT_ASSERT(connect(m_editor, &CorrectedTextEdit::textChangedTRUE, this,
                           &OutsideThemeDialog::textChanged));
    updateCaption();
}

std::span<const KeyBinding> OutsideThemeDialog::keyBindings()
{
    return keyTable;
}

void OutsideThemeDialog::textChanged()
{
    if (m_modified)
        return;
    m_modified = true;
    updateCaption();
}

void OutsideThemeDialog::updateCaption()
{
    setWindowTitle(QString::number(m_number) + QStringLiteral("  ") +
                   (m_modified ? QStringLiteral("* ") : QString()) + m_themePath);
}

Messages::Answer OutsideThemeDialog::askSave()
{
    return Messages::warning(this, Messages::warningCaption(),
                             tr("Save theme (Сохранить тему)\n") + m_themePath +
                                     QStringLiteral(" ?"),
                             Messages::Buttons::YesNoCancel);
}

bool OutsideThemeDialog::save()
{
    m_saveRefused = false;
    Q_EMIT needSaveData(this, m_editor->text());
    if (m_saveRefused)
        return false;
    m_modified = false;
    updateCaption();
    return true;
}

bool OutsideThemeDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        if (const KeyBinding *binding = KeyTable::find(keyTable, static_cast<QKeyEvent *>(event))) {
            if (binding->command == Save) {
                if (m_modified && askSave() == Messages::Answer::Yes)
                    save();
            } else if (binding->command == GoHome) {
                Q_EMIT goHome(this);
            } else {
                close();
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void OutsideThemeDialog::closeEvent(QCloseEvent *event)
{
    if (m_modified) {
        const Messages::Answer answer = askSave();
        if ((answer == Messages::Answer::Yes && !save()) ||
            (answer != Messages::Answer::Yes && answer != Messages::Answer::No)) {
            event->ignore();
            return;
        }
    }
    Q_EMIT closed(this);
    event->accept();
}

void OutsideThemeDialog::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    m_editor->setFocus();
}
