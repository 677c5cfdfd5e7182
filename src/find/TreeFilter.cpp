#include "find/TreeFilter.h"

#include "common/Assertions.h"
#include "find/FilterRows.h"
#include "model/ThemeTreeModel.h"
#include "tree/ColumnWidthTracker.h"
#include "tree/ThemeView.h"

#include <QAbstractItemDelegate>

#include <algorithm>

namespace {

// A slice of searching between two looks at the user's input.
constexpr int sliceMilliseconds = 8;

// Walks the rows below `top` in preorder, each with its theme, index and depth below top;
// `visit` returns whether to go below the row.
template<typename Visit>
void walkRows(const QAbstractItemModel &rows, const QModelIndex &top, Visit visit)
{
    std::vector<QModelIndex> way{top};
    const Theme *skipped = nullptr;
    walkThemes(
            ThemeTreeModel::themeAt(top),
            [&](Theme *theme) { return theme == skipped ? nullptr : theme; },
            [&](Theme *theme, int depth, int row) {
                way.resize(size_t(depth) + 1);
                way[size_t(depth)] = rows.index(row, 0, way[size_t(depth) - 1]);
                if (!visit(theme, way[size_t(depth)], depth))
                    skipped = theme;
            });
}

} // namespace

// Paints the matches in bold over the view's own delegate, which does all the rest (the name
// editor included) and keeps its signals to the view.
class BoldMatches : public QAbstractItemDelegate
{
public:
    BoldMatches(const TreeFilter &filter, QAbstractItemDelegate *rows)
        : QAbstractItemDelegate(const_cast<TreeFilter *>(&filter))
        , m_filter(filter)
        , m_rows(rows)
    {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        m_rows->paint(painter, styled(option, index), index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return m_rows->sizeHint(styled(option, index), index);
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        return m_rows->createEditor(parent, option, index);
    }
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        m_rows->destroyEditor(editor, index);
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        m_rows->setEditorData(editor, index);
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        m_rows->setModelData(editor, model, index);
    }
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override
    {
        m_rows->updateEditorGeometry(editor, option, index);
    }
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        return m_rows->editorEvent(event, model, option, index);
    }
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        return m_rows->helpEvent(event, view, option, index);
    }

private:
    QStyleOptionViewItem styled(const QStyleOptionViewItem &option, const QModelIndex &index) const
    {
        QStyleOptionViewItem bold = option;
        if (m_filter.isMarked(ThemeTreeModel::themeAt(index))) {
            bold.font.setBold(true);
            bold.fontMetrics = QFontMetrics(bold.font);
        }
        return bold;
    }

    const TreeFilter &m_filter;
    QAbstractItemDelegate *m_rows;
};

TreeFilter::TreeFilter(ThemeView *view, QObject *parent)
    : QObject(parent)
    , DocumentWatch(view->rows().document())
    , m_view(view)
    , m_bold(new BoldMatches(*this, view->itemDelegate()))
{
    view->setItemDelegateForColumn(0, m_bold);
    m_slices.setInterval(0);
    CONNECT_ASSERT(connect(&m_slices, &QTimer::timeout, this, &TreeFilter::slice));
    const QAbstractItemModel *rows = &view->rows();
    CONNECT_ASSERT(connect(rows, &QAbstractItemModel::rowsInserted, this, &TreeFilter::rowsCame));
    CONNECT_ASSERT(connect(
            rows, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex &from, int first, int last, const QModelIndex &to, int row) {
                // Where the rows stand now: a move down a list names the row
                // below them as it stood before.
                const int count = last - first + 1;
                const int at = from == to && row > last ? row - count : row;
                rowsCame(to, at, at + count - 1);
            }));
    CONNECT_ASSERT(connect(view, &ThemeView::currentThemeChanged, this, [this] {
        if (m_state == State::Narrowed)
            revealCurrent();
    }));
}

TreeFilter::~TreeFilter()
{
    if (m_view && m_view->itemDelegateForColumn(0) == m_bold)
        m_view->setItemDelegateForColumn(0, nullptr);
}

void TreeFilter::run(Theme *top, const FindParas &paras)
{
    end();
    m_top = top ? top : document().root();
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

bool TreeFilter::isMarked(const Theme *theme) const
{
    return std::binary_search(m_marked.begin(), m_marked.end(), theme) &&
           !m_removed.contains(theme);
}

void TreeFilter::slice()
{
    if (!m_search.run(m_found, sliceMilliseconds))
        return;
    m_slices.stop();
    narrow();
    Q_EMIT narrowed(m_search.gaveUp());
}

void TreeFilter::changeRows(const std::function<void()> &change)
{
    {
        const QSignalBlocker quiet(m_view.data());
        change();
    }
    m_view->columnWidths().measureNow();
    m_view->viewport()->update();
}

void TreeFilter::narrow()
{
    m_state = State::Narrowed;
    forget();
    for (const FoundMatch &match : m_found)
        m_marked.push_back(match.theme);
    std::sort(m_marked.begin(), m_marked.end());
    m_marked.erase(std::unique(m_marked.begin(), m_marked.end()), m_marked.end());
    const Theme *current = m_view->currentTheme();
    std::vector<FilterRows::Row> rows;
    std::vector<QModelIndex> indexes;
    std::vector<signed char> open; // -1: no subthemes, left as it is
    const auto visit = [&](Theme *theme, const QModelIndex &index, int depth) {
        const bool matches =
                theme == current || std::binary_search(m_marked.begin(), m_marked.end(), theme);
        rows.push_back({depth, matches});
        indexes.push_back(index);
        open.push_back(-1);
        if (theme->childCount() > 0) {
            open.back() = m_view->isExpanded(index) ? 1 : 0;
            m_wasOpen.emplace_back(theme, open.back() == 1);
        }
        return true;
    };
    const QAbstractItemModel &model = m_view->rows();
    const QModelIndex root = model.index(0, 0);
    visit(document().root(), root, 0);
    walkRows(model, root, visit);
    const std::vector<FilterRows::Place> places = FilterRows::places(rows);
    using enum FilterRows::Place;
    std::vector<QModelIndex> hidden;
    std::vector<std::pair<QModelIndex, bool>> changes;
    for (size_t i = 0; i < indexes.size(); ++i) {
        if (places[i] == Hidden)
            hidden.push_back(indexes[i]);
        if (places[i] == Hidden || places[i] == Inside)
            m_outOfSight.push_back(ThemeTreeModel::themeAt(indexes[i]));
        else if (open[i] >= 0 && (open[i] == 1) != (places[i] == Open))
            changes.emplace_back(indexes[i], places[i] == Open);
    }
    m_hiddenRows.reserve(hidden.size());
    changeRows([&] {
        for (const QModelIndex &row : hidden)
            hideRow(row);
        for (const auto &[row, opened] : changes)
            m_view->setExpanded(row, opened);
    });
    std::sort(m_outOfSight.begin(), m_outOfSight.end());
    std::sort(m_wasOpen.begin(), m_wasOpen.end());
    if (current)
        m_view->scrollTo(m_view->currentIndex());
}

void TreeFilter::widen()
{
    // Every row shown again, and every theme open or closed as it was. A link theme that opens
    // may take its group's subthemes over from another member: it opens after the others, as on
    // a click.
    std::vector<Theme *> links;
    std::vector<std::pair<QModelIndex, bool>> changes;
    const auto visit = [&](Theme *theme, const QModelIndex &index, int) {
        const auto at = std::lower_bound(m_wasOpen.begin(), m_wasOpen.end(),
                                         std::pair<const Theme *, bool>(theme, false));
        if (at == m_wasOpen.end() || at->first != theme || m_removed.contains(theme))
            return true;
        const bool was = at->second;
        if (was == m_view->isExpanded(index))
            return true;
        if (was && theme->linkId() != 0 && document().holderOrSelf(theme) != theme)
            links.push_back(theme);
        else
            changes.emplace_back(index, was);
        return true;
    };
    const QAbstractItemModel &model = m_view->rows();
    const QModelIndex root = model.index(0, 0);
    visit(document().root(), root, 0);
    walkRows(model, root, visit);
    changeRows([&] {
        for (const QPersistentModelIndex &row : m_hiddenRows)
            if (row.isValid())
                m_view->setRowHidden(row.row(), row.parent(), false);
        for (const auto &[row, was] : changes)
            m_view->setExpanded(row, was);
    });
    forget();
    for (Theme *link : links)
        m_view->setExpanded(m_view->rows().indexOf(link), true);
    // Opens the themes above the current one.
    if (m_view->currentTheme())
        m_view->scrollTo(m_view->currentIndex());
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

void TreeFilter::rowsCame(const QModelIndex &parent, int first, int last)
{
    if (m_state != State::Narrowed)
        return;
    const QAbstractItemModel &model = m_view->rows();
    for (int row = first; row <= last; ++row) {
        const QModelIndex top = model.index(row, 0, parent);
        if (staysHidden(ThemeTreeModel::themeAt(top))) {
            hideRow(top);
            continue;
        }
        walkRows(model, top, [this](const Theme *theme, const QModelIndex &index, int) {
            if (!staysHidden(theme))
                return true;
            hideRow(index);
            return false;
        });
    }
    revealCurrent();
}

void TreeFilter::hideRow(const QModelIndex &index)
{
    m_view->setRowHidden(index.row(), index.parent(), true);
    m_hiddenRows.emplace_back(index);
}

void TreeFilter::revealCurrent()
{
    Theme *current = m_view->currentTheme();
    if (!current)
        return;
    std::vector<Theme *> above;
    for (Theme *theme = current; theme; theme = theme->parent())
        above.push_back(theme);
    const QAbstractItemModel &model = m_view->rows();
    QModelIndex index;
    bool revealed = false;
    // From the top down, so that each theme shown hides those of its children that stay hidden.
    for (auto it = above.rbegin(); it != above.rend(); ++it) {
        Theme *theme = *it;
        index = model.index(theme->parent() ? theme->row() : 0, 0, index);
        const bool wasHidden = staysHidden(theme);
        if (wasHidden)
            m_shownSince.insert(theme);
        if (m_view->isRowHidden(index.row(), index.parent()))
            m_view->setRowHidden(index.row(), index.parent(), false);
        else if (!wasHidden)
            continue;
        revealed = true;
        hideHiddenChildren(index);
    }
    if (revealed)
        m_view->scrollTo(index);
}

void TreeFilter::hideHiddenChildren(const QModelIndex &index)
{
    const QAbstractItemModel &model = m_view->rows();
    for (int row = 0, rows = model.rowCount(index); row < rows; ++row)
        if (const QModelIndex child = model.index(row, 0, index);
            staysHidden(ThemeTreeModel::themeAt(child)))
            hideRow(child);
}

bool TreeFilter::staysHidden(const Theme *theme) const
{
    return std::binary_search(m_outOfSight.begin(), m_outOfSight.end(), theme) &&
           !m_shownSince.contains(theme) && !m_removed.contains(theme);
}

void TreeFilter::aboutToReplace()
{
    m_search.stop();
    m_slices.stop();
    m_state = State::Off;
    m_top = nullptr;
    m_found.clear();
    forget();
}

void TreeFilter::aboutToRemove(Theme *parent, int first, int last)
{
    if (m_state == State::Searching) {
        // The search may stand in the leaving branch: it starts over.
        if (inRows(m_top, parent, first, last))
            m_top = document().root();
        m_found.clear();
        m_search.start(m_top, m_paras, true);
        return;
    }
    if (m_state == State::Off)
        return;
    // A theme that comes back (undo) comes back plain, and shows.
    for (int row = first; row <= last; ++row) {
        Theme *top = parent->child(row);
        m_removed.insert(top);
        walkThemes(
                top, [](Theme *theme) { return theme; },
                [this](Theme *theme, int, int) { m_removed.insert(theme); });
    }
}
