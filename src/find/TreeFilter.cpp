#include "find/TreeFilter.h"

#include "common/Assertions.h"
#include "find/FilterRows.h"
#include "tree/LinkListView.h"
#include "tree/TreeWalk.h"

#include <algorithm>

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
    forget();
    for (const FoundMatch &match : m_found)
        m_marked.push_back(match.theme);
    std::sort(m_marked.begin(), m_marked.end());
    m_marked.erase(std::unique(m_marked.begin(), m_marked.end()), m_marked.end());
    const ColorListViewItem *current = m_tree->currentTheme();
    const auto themeCount = size_t(m_tree->themeCount()) + 1;
    std::vector<FilterRows::Row> rows;
    std::vector<ColorListViewItem *> themes;
    std::vector<signed char> open; // -1: no subthemes, left as it is
    rows.reserve(themeCount);
    themes.reserve(themeCount);
    open.reserve(themeCount);
    const auto visit = [&](ColorListViewItem *theme, int depth) {
        const bool matches =
                theme == current || std::binary_search(m_marked.begin(), m_marked.end(), theme);
        rows.push_back({depth, matches});
        themes.push_back(theme);
        open.push_back(-1);
        if (!theme->isNullItem() && theme->childCount() > 0) {
            open.back() = theme->isExpanded() ? 1 : 0;
            m_wasOpen.emplace_back(theme, open.back() == 1);
        }
    };
    ColorListViewItem *root = m_tree->rootTheme();
    visit(root, 0);
    walkBranch(
            root,
            [this](ColorListViewItem *theme) -> QTreeWidgetItem * {
                // A theme whose group's subthemes another member holds would take them over
                // when opened: its own row (a placeholder) is not entered.
                const bool entered = !theme->isNullItem() &&
                                     (theme->linkId() == 0 || m_tree->holderOrSelf(theme) == theme);
                return entered ? theme : nullptr;
            },
            [&](ColorListViewItem *theme, int depth, int) { visit(theme, depth); });
    const std::vector<FilterRows::Place> places = FilterRows::places(rows);
    using enum FilterRows::Place;
    std::vector<ColorListViewItem *> hidden;
    std::vector<std::pair<ColorListViewItem *, bool>> changes;
    for (size_t i = 0; i < themes.size(); ++i) {
        if (places[i] == Hidden)
            hidden.push_back(themes[i]);
        if (places[i] == Hidden || places[i] == Inside) {
            if (!themes[i]->isNullItem())
                m_outOfSight.push_back(themes[i]);
        } else if (open[i] >= 0 && (open[i] == 1) != (places[i] == Open)) {
            changes.emplace_back(themes[i], places[i] == Open);
        }
    }
    m_hiddenRows.reserve(hidden.size());
    m_tree->changeOpenThemes([&] {
        for (ColorListViewItem *theme : hidden)
            hideRow(m_tree->rowIndex(theme));
        for (const auto &[theme, opened] : changes)
            m_tree->setExpanded(m_tree->rowIndex(theme), opened);
        QFont font = m_tree->font();
        font.setBold(true);
        const QVariant bold(font);
        for (const QTreeWidgetItem *theme : m_marked)
            const_cast<QTreeWidgetItem *>(theme)->setData(0, Qt::FontRole, bold);
    });
    std::sort(m_outOfSight.begin(), m_outOfSight.end());
    if (ColorListViewItem *theme = m_tree->currentTheme())
        m_tree->scrollToItem(theme);
}

void TreeFilter::widen()
{
    // Every row shown again, and every theme open or closed as it was. A link theme that opens
    // may take its group's subthemes over from another member: it opens after the others, as on
    // a click.
    std::vector<ColorListViewItem *> links;
    std::vector<std::pair<ColorListViewItem *, bool>> changes;
    for (const auto &[theme, was] : m_wasOpen) {
        if (m_removed.contains(theme) || was == theme->isExpanded())
            continue;
        if (was && theme->linkId() != 0 && m_tree->holderOrSelf(theme) != theme)
            links.push_back(theme);
        else
            changes.emplace_back(theme, was);
    }
    m_tree->changeOpenThemes([&] {
        for (const QPersistentModelIndex &row : m_hiddenRows)
            if (row.isValid())
                m_tree->setRowHidden(row.row(), row.parent(), false);
        for (const auto &[theme, was] : changes)
            m_tree->setExpanded(m_tree->rowIndex(theme), was);
        for (const QTreeWidgetItem *theme : m_marked)
            if (!m_removed.contains(theme))
                const_cast<QTreeWidgetItem *>(theme)->setData(0, Qt::FontRole, QVariant());
    });
    forget();
    if (!links.empty())
        m_tree->openThemes(links);
    // Opens the themes above the current one.
    if (ColorListViewItem *theme = m_tree->currentTheme())
        m_tree->scrollToItem(theme);
}

void TreeFilter::forget()
{
    m_marked.clear();
    m_outOfSight.clear();
    m_hiddenRows.clear();
    m_wasOpen.clear();
    m_shownSince.clear();
    m_removed.clear();
}

void TreeFilter::rowsInserted(const QModelIndex &parent, int first, int last)
{
    if (m_state != State::Narrowed)
        return;
    // Rows that come in (a move, an undo) lose the hidden mark they had.
    walkModelRows(*m_tree->model(), parent, first, last,
                  [this](const QModelIndex &index, const QModelIndex &, int) {
                      const ColorListViewItem *theme = m_tree->themeAt(index);
                      if (!theme || !staysHidden(theme))
                          return true;
                      hideRow(index);
                      return false;
                  });
    revealCurrent();
}

void TreeFilter::hideRow(const QModelIndex &index)
{
    m_tree->setRowHidden(index.row(), index.parent(), true);
    m_hiddenRows.emplace_back(index);
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
        const bool wasHidden = staysHidden(theme);
        if (wasHidden)
            m_shownSince.insert(theme);
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
            hideRow(model.index(row, 0, index));
}

bool TreeFilter::staysHidden(const ColorListViewItem *theme) const
{
    return theme->isNullItem() ||
           (std::binary_search(m_outOfSight.begin(), m_outOfSight.end(), theme) &&
            !m_shownSince.contains(theme) && !m_removed.contains(theme));
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
        forget();
        return;
    }
    if (m_state == State::Searching) {
        // The search may stand on the theme: it starts over.
        if (theme == m_top)
            m_top = m_tree->rootTheme();
        m_found.clear();
        m_search.start(m_top, m_paras, true);
        return;
    }
    // A theme that comes back (undo) comes back plain, and shows.
    if (m_removed.insert(theme).second &&
        std::binary_search(m_marked.begin(), m_marked.end(), theme))
        theme->setData(0, Qt::FontRole, QVariant());
}
