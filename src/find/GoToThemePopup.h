#pragma once

#include <QFrame>

#include <vector>

class ColorListViewItem;
class LinkListView;
class QLineEdit;
class QTreeView;
class ThemeListModel;

// The small window over the tree in which the user types part of a theme's name and picks the
// theme from the list of matches. The names are folded once when it opens; each key only ranks
// them again.
class GoToThemePopup : public QFrame
{
    Q_OBJECT
public:
    // The parent is a widget that holds the tree somewhere inside it.
    GoToThemePopup(LinkListView *tree, QWidget *parent);

    // Gathers the tree's themes, empties the field and shows the popup over the tree.
    void open();
    QLineEdit *field() const { return m_field; }
    QTreeView *list() const { return m_list; }
    // The themes listed, in their order.
    std::vector<ColorListViewItem *> listedThemes() const;

Q_SIGNALS:
    // The user chose the theme with Return.
    void chosen(ColorListViewItem *theme);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void queryChanged(const QString &text);
    void moveChoice(int rows);
    void choose();
    void forget();

    LinkListView *m_tree;
    QLineEdit *m_field;
    QTreeView *m_list;
    ThemeListModel *m_model;
    std::vector<ColorListViewItem *> m_themes;
    std::vector<QString> m_folded;
};
