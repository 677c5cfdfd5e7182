#include "find/FindAllPanel.h"

#include "common/Assertions.h"
#include "editor/CorrectedTextEdit.h"
#include "find/ThemeMatcher.h"
#include "model/ThemeTreeModel.h"
#include "tree/ThemeView.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// A slice of searching between two looks at the user's input.
constexpr int sliceMilliseconds = 8;
// How long the keys rest before an edited description is searched again.
constexpr int typingPauseMilliseconds = 300;
// Characters of a long line kept in front of its match.
constexpr int leadLength = 40;
// The matched characters of a row's line, for its painter.
constexpr int matchRole = Qt::UserRole;

// The line of the match, cut to start shortly before it, and where the match lies in it.
QPair<QString, QPair<int, int>> lineOf(const FoundMatch &match, const FindAllSearch &search)
{
    const QString text = match.line < 0 ? match.theme->name() : search.descriptionOf(match.theme);
    if (match.position > text.size())
        return {};
    qsizetype start = match.line < 0 || match.position == 0
                              ? 0
                              : text.lastIndexOf(u'\n', match.position - 1) + 1;
    qsizetype end = match.line < 0 ? text.size() : text.indexOf(u'\n', match.position);
    if (end < 0)
        end = text.size();
    start = qMax(start, qsizetype(match.position - leadLength));
    const int from = int(match.position - start);
    return {text.mid(start, end - start),
            {from, int(qMin(qsizetype(match.length), end - match.position))}};
}

// Paints a row's line with its matched characters in the selection's colours.
class MatchDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QVariant mark = index.data(matchRole);
        if (!mark.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        const QString text = plain.text;
        plain.text.clear();
        QStyledItemDelegate::paint(painter, plain, index);
        const QPoint range = mark.toPoint();
        const QFontMetrics metrics(option.font);
        QRect rect = option.rect.adjusted(3, 0, -3, 0);
        painter->save();
        painter->setClipRect(option.rect);
        const auto piece = [&](const QString &part, bool marked) {
            const int width = metrics.horizontalAdvance(part);
            if (marked) {
                painter->fillRect(QRect(rect.left(), rect.top(), width, rect.height()),
                                  option.palette.highlight());
                painter->setPen(option.palette.highlightedText().color());
            } else {
                painter->setPen(option.palette.text().color());
            }
            painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, part);
            rect.setLeft(rect.left() + width);
        };
        piece(text.left(range.x()), false);
        piece(text.mid(range.x(), range.y()), true);
        piece(text.mid(range.x() + range.y()), false);
        painter->restore();
    }
};

} // namespace

// The rows of the matches: path, place and the line; each row is built when it is shown.
class FoundListModel : public QAbstractTableModel
{
public:
    FoundListModel(const FindAllSearch &search, QObject *parent)
        : QAbstractTableModel(parent)
        , m_search(search)
    {}

    std::vector<FoundMatch> rows;
    int themes = 0;

    void clear()
    {
        beginResetModel();
        rows.clear();
        themes = 0;
        endResetModel();
    }
    void append(const std::vector<FoundMatch> &found)
    {
        if (found.empty())
            return;
        beginInsertRows({}, int(rows.size()), int(rows.size() + found.size()) - 1);
        for (const FoundMatch &match : found) {
            if (rows.empty() || rows.back().theme != match.theme)
                ++themes;
            rows.push_back(match);
        }
        endInsertRows();
    }
    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(rows.size());
    }
    int columnCount(const QModelIndex &) const override { return 3; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return QStringList{tr("Theme"), tr("Where"), tr("Text")}.value(section);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (index.row() >= int(rows.size()))
            return {};
        const FoundMatch &match = rows[size_t(index.row())];
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
            case 0:
                return ThemeMatcher::pathOf(match.theme);
            case 1:
                return match.line < 0 ? tr("name") : tr("line %1").arg(match.line + 1);
            default:
                return lineOf(match, m_search).first;
            }
        }
        if (role == matchRole && index.column() == 2) {
            const auto range = lineOf(match, m_search).second;
            return QPoint(range.first, range.second);
        }
        return {};
    }

private:
    const FindAllSearch &m_search;
    static QString tr(const char *text)
    {
        return QCoreApplication::translate("FindAllPanel", text);
    }
};

FindAllPanel::FindAllPanel(ThemeView *view, CorrectedTextEdit *editor, QWidget *parent)
    : QWidget(parent)
    , DocumentWatch(view->rows().document())
    , m_view(view)
    , m_editor(editor)
    , m_count(new QLabel(this))
    , m_list(new QTreeView(this))
    , m_model(new FoundListModel(m_search, this))
{
    setObjectName(QStringLiteral("findAll"));
    m_list->setObjectName(QStringLiteral("findAllList"));
    m_count->setObjectName(QStringLiteral("findAllCount"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setItemDelegateForColumn(2, new MatchDelegate(m_list));
    m_list->header()->setStretchLastSection(true);
    m_list->installEventFilter(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_count);
    layout->addWidget(m_list);

    m_slices.setInterval(0);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    CONNECT_ASSERT(connect(&m_slices, &QTimer::timeout, this, &FindAllPanel::slice));
    CONNECT_ASSERT(connect(&m_refresh, &QTimer::timeout, this, &FindAllPanel::again));
    CONNECT_ASSERT(connect(m_list, &QTreeView::activated, this, &FindAllPanel::activated));
    CONNECT_ASSERT(connect(editor, &CorrectedTextEdit::textChangedTRUE, this, [this] {
        // Typing runs the search again once the keys pause.
        if (m_top && m_editor->isEdited() && !m_refresh.isActive())
            m_refresh.start(typingPauseMilliseconds);
    }));
}

void FindAllPanel::run(Theme *top, const FindParas &paras)
{
    m_top = top;
    m_paras = paras;
    m_chosen = {};
    m_stopped = false;
    again();
}

const std::vector<FoundMatch> &FindAllPanel::matches() const
{
    return m_model->rows;
}

QString FindAllPanel::countText() const
{
    QString text = tr("%1 matches in %2 themes").arg(m_model->rows.size()).arg(m_model->themes);
    if (m_stopped)
        text += tr(" (stopped)");
    if (m_search.gaveUp())
        text += tr(" (the regular expression gave up in some texts)");
    return text;
}

void FindAllPanel::again()
{
    m_refresh.stop();
    const int row = m_list->currentIndex().row();
    if (row >= 0 && row < int(m_model->rows.size()))
        m_chosen = m_model->rows[size_t(row)];
    m_model->clear();
    Theme *current = m_view->currentTheme();
    if (m_editor->isEdited() && current)
        m_search.standIn(document().resolve(current), m_editor->text());
    else
        m_search.standIn(nullptr, QString());
    m_search.start(m_top, m_paras);
    m_count->setText(countText());
    m_slices.start();
}

void FindAllPanel::slice()
{
    std::vector<FoundMatch> found;
    if (m_search.run(found, sliceMilliseconds))
        m_slices.stop();
    const int first = int(m_model->rows.size());
    m_model->append(found);
    m_count->setText(countText());
    if (m_list->currentIndex().isValid() && m_chosen.theme)
        return;
    for (size_t i = 0; i < found.size(); ++i) {
        if (!m_chosen.theme || found[i] == m_chosen) {
            m_list->setCurrentIndex(m_model->index(first + int(i), 0));
            m_chosen = found[i];
            break;
        }
    }
}

void FindAllPanel::aboutToReplace()
{
    // No row may outlive its theme, and no change runs the search again.
    m_top = nullptr;
    m_chosen = {};
    m_search.stop();
    m_slices.stop();
    m_refresh.stop();
    m_model->clear();
    m_count->setText(countText());
}

void FindAllPanel::aboutToRemove(Theme *parent, int first, int last)
{
    if (inRows(m_top, parent, first, last))
        m_top = nullptr;
    if (inRows(m_chosen.theme, parent, first, last))
        m_chosen = {};
    if (m_model->rows.empty() && m_search.isDone())
        return;
    // Whatever row stood on a theme of the leaving branch goes at once; the rest come back.
    m_search.stop();
    m_slices.stop();
    const FoundMatch chosen = m_chosen;
    m_model->clear();
    m_chosen = chosen;
    m_count->setText(countText());
    m_refresh.start();
}

void FindAllPanel::treeChanged()
{
    if (m_top && (!m_refresh.isActive() || m_refresh.interval() > 0))
        m_refresh.start(0);
}

void FindAllPanel::activated()
{
    const int row = m_list->currentIndex().row();
    if (row < 0 || row >= int(m_model->rows.size()))
        return;
    m_chosen = m_model->rows[size_t(row)];
    Q_EMIT goTo(m_chosen);
}

bool FindAllPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        if (!isComplete()) {
            m_search.stop();
            m_slices.stop();
            m_refresh.stop();
            m_top = nullptr;
            m_stopped = true;
            m_count->setText(countText());
            return true;
        }
        hide();
        m_view->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
