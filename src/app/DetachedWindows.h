#pragma once

#include "model/DocumentObserver.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <vector>

class Brambleweb;
class OutsideThemeDialog;
class QFileDevice;
class Theme;

// A window's detached description windows: each shows the description of the theme it was
// opened for and saves its text back into that theme while the theme stays in the tree.
class DetachedWindows : public QObject, private DocumentObserver
{
    Q_OBJECT
public:
    explicit DetachedWindows(Brambleweb &window);
    ~DetachedWindows() override;

    // The detached description windows, in opening order.
    QList<OutsideThemeDialog *> removalWindows() const;
    // Closes the detached windows from the first; false when one of them refuses.
    bool closeRemovalWindows();
    // Activates the detached window at that place of the list (from 1), if there is one.
    void activateRemovalWindow(int position);
    // Writes every detached window's text into the error-save file after the tree; the penalty.
    int writeRemovalRecords(QFileDevice &file, QString &log);
    // True when text typed in a detached window is not yet saved into its theme.
    bool hasUnsavedText() const;

public Q_SLOTS:
    void menuRemoval();
    void saveRemovalDialogData(OutsideThemeDialog *window, const QString &text);
    void closeRemovalDialog(OutsideThemeDialog *window);
    void removalDialogFindSourceTheme(OutsideThemeDialog *window);

private:
    // Detached windows lose their theme when it leaves the tree.
    void aboutToRemove(Theme *parent, int first, int last) override;
    void aboutToReplace() override;

    Brambleweb &m_window;
    // A detached window and the theme it was opened for; null once that theme left the tree.
    struct RemovalWindow
    {
        QPointer<OutsideThemeDialog> window;
        Theme *theme;
    };
    std::vector<RemovalWindow> m_removalWindows;
};
