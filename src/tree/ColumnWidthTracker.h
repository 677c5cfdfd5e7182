#pragma once

#include <QIcon>
#include <QObject>
#include <QPersistentModelIndex>

#include <functional>
#include <vector>

class QTreeView;

// Keeps column 0 of a tree view as wide as its widest shown row (indentation, icon and name),
// without measuring every row on each layout as the header's contents mode does: a row is
// measured when it is shown (inserted under an open theme, or its parent opened) and when its
// name changes. The view's own signals report all of that except the old name and icon of a changed
// row: a view that knows them passes them through rowChanging(), one that only hears of the change
// afterwards gets the row measured when it grew wider and the column measured again otherwise. Only
// the number of shown rows as wide as the widest is counted; when the last of them goes, the width
// is measured again over the shown rows, once, after the current event.
class ColumnWidthTracker : public QObject
{
    Q_OBJECT
public:
    // How a renamed row reaches the tracker: told before the change, or heard of from the model.
    enum class Renames { Told, Heard };
    // The icon a row shows; by default the model's decoration.
    using IconOf = std::function<QIcon(const QModelIndex &)>;
    explicit ColumnWidthTracker(QTreeView *view, Renames renames = Renames::Told,
                                IconOf iconOf = {});

    // Before the row at index gets the name and the icon (or none) given.
    void rowChanging(const QModelIndex &index, const QString &newName, const QIcon &newIcon);
    // Two sibling rows traded places; the change of their data that follows keeps every width.
    void rowsSwapped() { m_swapped = true; }
    // Measures the shown rows now, after changes the tracker was not told of (themes opened and
    // closed with the view's signals held back).
    void measureNow();
    // The width column 0 needs, as last tracked.
    int widest() const { return m_widest; }
    // Pixels of a name in the view's font: sums of cached character advances where the
    // characters allow it, which never falls short of the laid-out text by more than a pixel.
    int nameWidth(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rowsInserted(const QModelIndex &parent, int first, int last);
    void rowsAboutToBeRemoved(const QModelIndex &parent, int first, int last);
    void rowsAboutToBeMoved(const QModelIndex &parent, int first, int last);
    void rowsMoved(const QModelIndex &parent, int first, int last, const QModelIndex &destination,
                   int row);
    void expanded(const QModelIndex &index);
    void collapsed(const QModelIndex &index);
    void rowsChanged(const QModelIndex &first, const QModelIndex &last);

    // Whether the row is shown (every ancestor open), and its depth below the top level.
    bool isShown(const QModelIndex &index, int *depth) const;
    int rowWidth(const QString &name, const QIcon &icon, int depth);
    int rowWidth(const QModelIndex &index, int depth);
    // Visits rows first..last under parent and every shown row below them.
    template<typename Visit>
    void forShownRows(const QModelIndex &parent, int first, int last, int depth, Visit visit);
    // Counts rows first..last under parent, and the shown rows below them, in or out.
    void count(const QModelIndex &parent, int first, int last, bool shown, bool parentMustBeOpen);
    void add(int width);
    void remove(int width);
    void measureAgainLater();
    void apply();
    int delegateExtra(const QIcon &icon) const;

    QTreeView *m_view;
    IconOf m_iconOf;
    int m_widest = 0;
    int m_widestRows = 0; // shown rows of width m_widest
    bool m_measurePending = false;
    bool m_moving = false;  // between the two signals of a move
    bool m_swapped = false; // until the change of the two rows that traded places
    int m_applied = -1;
    // The theme opened last while it was shown, as long as nothing else changed.
    QPersistentModelIndex m_lastOpened;
    int m_lastOpenedDepth = 0;
    // Pixels a row takes beside its indentation and name, without and with an icon; -1 unknown.
    int m_plainExtra = -1;
    int m_iconExtra = -1;
    std::vector<qint32> m_advances; // by character code, in 64ths of a pixel
};
