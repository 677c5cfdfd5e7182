#include "app/SymbolsDialog.h"

#include "editor/CorrectedTextEdit.h"

SymbolsDialog::SymbolsDialog(const QString &text, QWidget *parent, const char *name,
                             Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setWindowTitle(tr("Help"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/symbols.png")));
    m_editor = new CorrectedTextEdit(this, QStringLiteral("editBox"));
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_editor->setText(text);
    setCentralWidget(m_editor);
    m_editor->setReadOnly(true);
}
