#pragma once

#include "model/EditingCommands.h"

#include <QObject>
#include <QStringList>

class Brambleweb;
class Theme;
class ThemeDocument;

// What is dropped on a main window: ".brw" files onto a theme are inserted there with the
// question, elsewhere they open in new windows; themes of other windows are copied in.
class WindowDrops : public QObject
{
    Q_OBJECT
public:
    explicit WindowDrops(Brambleweb &window);

private:
    void dropFiles(const QStringList &files, Theme *theme);
    void copyForeignTheme(ThemeDocument &source, Theme *dragged, Theme *target,
                          EditingCommands::DropPlace place);

    Brambleweb &m_window;
};
