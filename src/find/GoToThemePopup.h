#pragma once

#include <QFrame>
#include <QTimer>

#include <vector>

class GoToNames;
class QLineEdit;
class QTreeView;
class Theme;
class ThemeListModel;
class ThemeView;

// The small window over the tree in which the user types part of a theme's name and picks the
// theme from the list of matches. The themes are gathered when it first opens and kept up to date
// as the document changes; each key only ranks their names again, and typing on ranks only the last
// matches.
class GoToThemePopup : public QFrame
{
    Q_OBJECT
public:
    // The parent is a widget that holds the view somewhere inside it.
    GoToThemePopup(ThemeView *view, QWidget *parent);

    // Empties the field and shows the popup over the tree, with every theme listed.
    void open();
    QLineEdit *field() const { return m_field; }
    QTreeView *list() const { return m_list; }
    // The themes listed, in their order.
    std::vector<Theme *> listedThemes() const;
    // Gathers the names once the document has rested, so that even the first open is quick.
    void warmUp() { m_warmUp.start(); }
    // How long the document rests before the kept names are brought up to date.
    static constexpr int restMilliseconds = 200;

Q_SIGNALS:
    // The user chose the theme with Return.
    void chosen(Theme *theme);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void gather();
    void queryChanged(const QString &text);
    void moveChoice(int rows);
    void choose();
    // Hides the popup, the keyboard focus back in the tree.
    void dismiss();
    // Hides it, whose rows may be out of date: the tree changed.
    void treeChanged();

    ThemeView *m_view;
    QLineEdit *m_field;
    QTreeView *m_list;
    ThemeListModel *m_model;
    GoToNames *m_kept;
    bool m_keeping = false; // the names were gathered once: keep them up to date from then on
    QString m_query;        // the text the list was last ranked for
    QTimer m_warmUp;
};
