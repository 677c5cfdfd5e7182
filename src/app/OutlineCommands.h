#pragma once

#include "storage/Outline.h"

#include <QObject>
#include <QStringList>
#include <optional>

class Brambleweb;

// The window's commands for outlines of other programs: the current branch exported or printed,
// an outline imported as a new document or under the current theme.
class OutlineCommands : public QObject
{
    Q_OBJECT
public:
    explicit OutlineCommands(Brambleweb &window);

    // The outline in place of the document or (LOAD_INSERT) as a new theme named `name`, dated
    // with the outline's date, in one step, as a file is inserted.
    void loadOutline(const OutlineNode &root, const QString &name, int flags);

public Q_SLOTS:
    void menuExportOutline();
    void menuExportPdf();
    void menuPrint();
    void menuImportOutline();
    void menuImportOutlineInto();

private:
    std::optional<OutlineNode> currentBranchOutline();
    void exportOutline(const QStringList &types);
    std::optional<OutlineNode> chooseOutline(const QString &caption, QString &file);

    Brambleweb &m_window;
};
