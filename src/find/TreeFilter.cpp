#include "find/TreeFilter.h"

#include "common/Assertions.h"
#include "find/FilterRows.h"
#include "tree/LinkListView.h"
#include "tree/TreeWalk.h"

namespace {

// A slice of searching between two looks at the user's input.
constexpr int sliceMilliseconds = 8;

} // namespace

TreeFilter::TreeFilter(LinkListView *tree, QObject *parent)
    : QObject(parent)
    , m_tree(tree)
{
    m_slices.setInterval(0);
    CONNECT_ASSERT(connect(&m_slices, &QTimer::timeout, this, &TreeFilter::slice));
    CONNECT_ASSERT(connect(tree, &LinkListView::itemWillRemoved, this, &TreeFilter::themeRemoved));
    CONNECT_ASSERT(connect(tree->model(), &QAbstractItemModel::rowsInserted, this,
                           &TreeFilter::rowsInserted));
    CONNECT_ASSERT(connect(tree, &QTreeWidget::currentItemChanged, this, [this] {
        if (m_state == State::Narrowed)
            revealCurrent();
    }));
}

void TreeFilter::run(ColorListViewItem *top, const FindParas &paras)
{
    end();
    m_top = top ? top : m_tree->rootTheme();
    m_paras = paras;
    m_found.clear();
    m_search.start(m_top, m_paras, true);
    m_state = State::Searching;
    m_slices.start();
}

bool TreeFilter::end()
{
    m_slices.stop();
    m_search.stop();
    const State was = std::exchange(m_state, State::Off);
    if (was == State::Narrowed)
        widen();
    m_found.clear();
    return was != State::Off;
}

void TreeFilter::slice()
{
    // A command that changes the tree step by step lets the toolkit run: wait until it is done.
    if (!m_tree->isStable())
        return;
    if (!m_search.run(m_found, sliceMilliseconds))
        return;
    m_slices.stop();
    narrow();
    Q_EMIT narrowed(m_search.gaveUp());
}

void TreeFilter::narrow()
{
    m_state = State::Narrowed;
    m_hidden.clear();
    m_marked.clear();
    m_wasOpen.clear();
    std::unordered_set<const QTreeWidgetItem *> matched;
    for (const FoundMatch &match : m_found)
        matched.insert(match.theme);
    const ColorListViewItem *current = m_tree->currentTheme();
    std::vector<FilterRows::Row> rows;
    std::vector<std::pair<QModelIndex, QModelIndex>> indexes; // each row's and its parent's
    rows.reserve(size_t(m_tree->themeCount()));
    indexes.reserve(size_t(m_tree->themeCount()));
    const QAbstractItemModel &model = *m_tree->model();
    walkModelRows(
            model, {}, 0, model.rowCount() - 1,
            [&](const QModelIndex &index, const QModelIndex &parent, int depth) {
                ColorListViewItem *theme = m_tree->themeAt(index);
                rows.push_back({depth, theme && (theme == current || matched.contains(theme))});
                indexes.emplace_back(index, parent);
                if (!theme || theme->isNullItem())
                    return false;
                m_wasOpen[theme] = m_tree->isExpanded(index);
                // A theme whose group's subthemes another member holds would take them over
                // when opened: its own row (a placeholder) is not entered.
                return theme->linkId() == 0 || m_tree->holderOrSelf(theme) == theme;
            });
    const std::vector<FilterRows::Place> places = FilterRows::places(rows);
    // Rows hidden first: the view then lays itself out once, later, rather than at each row
    // opened; unhiding a shown row asks for that layout when nothing is hidden.
    m_tree->setRowHidden(0, {}, false);
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto &[index, parent] = indexes[i];
        ColorListViewItem *theme = m_tree->themeAt(index);
        using enum FilterRows::Place;
        if (places[i] == Hidden)
            m_tree->setRowHidden(index.row(), parent, true);
        if ((places[i] == Hidden || places[i] == Inside) && theme && !theme->isNullItem())
            m_hidden.insert(theme);
        if ((places[i] == Open || places[i] == Shown) &&
            m_tree->isExpanded(index) != (places[i] == Open))
            m_tree->setExpanded(index, places[i] == Open);
    }
    for (const FoundMatch &match : m_found)
        if (m_marked.insert(match.theme).second)
            mark(match.theme, true);
    // After the scrolls the openings posted.
    QTimer::singleShot(0, this, [this] {
        if (ColorListViewItem *theme = m_tree->currentTheme(); theme && m_state == State::Narrowed)
            m_tree->scrollToItem(theme);
    });
}

void TreeFilter::widen()
{
    // Every row shown again, then every theme open or closed as it was, in preorder: opening a
    // member of a link group may move the group's subthemes, so themes are kept, not rows.
    std::vector<std::pair<ColorListViewItem *, bool>> changes;
    const QAbstractItemModel &model = *m_tree->model();
    walkModelRows(model, {}, 0, model.rowCount() - 1,
                  [&](const QModelIndex &index, const QModelIndex &parent, int) {
                      if (m_tree->isRowHidden(index.row(), parent))
                          m_tree->setRowHidden(index.row(), parent, false);
                      ColorListViewItem *theme = m_tree->themeAt(index);
                      const auto was = m_wasOpen.find(theme);
                      if (was != m_wasOpen.end() && was->second != m_tree->isExpanded(index))
                          changes.emplace_back(theme, was->second);
                      return true;
                  });
    for (const QTreeWidgetItem *marked : m_marked)
        mark(const_cast<ColorListViewItem *>(static_cast<const ColorListViewItem *>(marked)),
             false);
    m_marked.clear();
    m_hidden.clear();
    m_wasOpen.clear();
    for (const auto &[theme, open] : changes)
        theme->setExpanded(open);
    if (ColorListViewItem *theme = m_tree->currentTheme())
        m_tree->scrollToItem(theme);
}

void TreeFilter::rowsInserted(const QModelIndex &parent, int first, int last)
{
    if (m_state != State::Narrowed)
        return;
    // Rows that come in (a move, an undo) lose the hidden mark they had.
    walkModelRows(*m_tree->model(), parent, first, last,
                  [this](const QModelIndex &index, const QModelIndex &above, int) {
                      const ColorListViewItem *theme = m_tree->themeAt(index);
                      if (!theme || !staysHidden(theme))
                          return true;
                      m_tree->setRowHidden(index.row(), above, true);
                      return false;
                  });
    revealCurrent();
}

void TreeFilter::revealCurrent()
{
    ColorListViewItem *current = m_tree->currentTheme();
    // The view passes a placeholder on at once: the theme it lands on counts.
    if (!current || current->isNullItem())
        return;
    std::vector<ColorListViewItem *> above;
    for (ColorListViewItem *theme = current; theme; theme = theme->parentTheme())
        above.push_back(theme);
    bool revealed = false;
    // From the top down, so that each theme shown hides those of its children that stay hidden.
    for (auto it = above.rbegin(); it != above.rend(); ++it) {
        ColorListViewItem *theme = *it;
        const bool wasHidden = m_hidden.erase(theme) > 0;
        if (theme->isHidden())
            theme->setHidden(false);
        else if (!wasHidden)
            continue;
        revealed = true;
        hideHiddenChildren(m_tree->rowIndex(theme));
    }
    if (revealed)
        m_tree->scrollToItem(current);
}

void TreeFilter::hideHiddenChildren(const QModelIndex &index)
{
    const QAbstractItemModel &model = *m_tree->model();
    for (int row = 0, rows = model.rowCount(index); row < rows; ++row)
        if (const ColorListViewItem *child = m_tree->themeAt(model.index(row, 0, index));
            child && staysHidden(child))
            m_tree->setRowHidden(row, index, true);
}

bool TreeFilter::staysHidden(const ColorListViewItem *theme) const
{
    return theme->isNullItem() || m_hidden.contains(theme);
}

void TreeFilter::mark(ColorListViewItem *theme, bool bold)
{
    QFont font = m_tree->font();
    font.setBold(true);
    theme->setData(0, Qt::FontRole, bold ? QVariant(font) : QVariant());
}

void TreeFilter::themeRemoved(ColorListViewItem *theme)
{
    if (m_state == State::Off)
        return;
    // The view lets go of its root before it tells of it.
    if (!m_tree->rootTheme() || theme == m_tree->rootTheme()) {
        // The whole tree goes (a new document): nothing is left to show again.
        m_slices.stop();
        m_search.stop();
        m_state = State::Off;
        m_found.clear();
        m_hidden.clear();
        m_marked.clear();
        m_wasOpen.clear();
        return;
    }
    m_hidden.erase(theme);
    m_wasOpen.erase(theme);
    // A theme that comes back (undo) comes back plain.
    if (m_marked.erase(theme) > 0)
        mark(theme, false);
    if (m_state == State::Searching) {
        // The search may stand on the theme: it starts over.
        if (theme == m_top)
            m_top = m_tree->rootTheme();
        m_found.clear();
        m_search.start(m_top, m_paras, true);
    }
}
