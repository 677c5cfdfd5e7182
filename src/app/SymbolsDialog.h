#pragma once

#include <QMainWindow>

class CorrectedTextEdit;

// A read-only text window: the symbol table and the two readme texts.
class SymbolsDialog : public QMainWindow
{
    Q_OBJECT
public:
    SymbolsDialog(const QString &text, QWidget *parent, const char *name, Qt::WindowFlags flags);

    CorrectedTextEdit *editor() const { return m_editor; }

private:
    CorrectedTextEdit *m_editor;
};
