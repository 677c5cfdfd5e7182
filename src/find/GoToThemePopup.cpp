#include "find/GoToThemePopup.h"

#include "common/Assertions.h"
#include "find/GoToNames.h"
#include "find/ThemeMatcher.h"
#include "model/ThemeTreeModel.h"
#include "tree/ThemeView.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>

// The matches as rows of name and path; the path is built only for the rows the list shows.
class ThemeListModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    // The view asks for more rows as it scrolls down: a long list costs only what is seen.
    static constexpr int batch = 256;

    void show(const std::vector<Theme *> *themes, std::vector<int> rows)
    {
        beginResetModel();
        m_themes = themes;
        m_rows = std::move(rows);
        m_shown = qMin(int(m_rows.size()), batch);
        endResetModel();
    }
    const std::vector<int> &rows() const { return m_rows; }
    Theme *theme(int row) const
    {
        return row >= 0 && row < int(m_rows.size()) ? (*m_themes)[size_t(m_rows[size_t(row)])]
                                                    : nullptr;
    }
    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : m_shown;
    }
    int columnCount(const QModelIndex &) const override { return 2; }
    bool canFetchMore(const QModelIndex &parent) const override
    {
        return !parent.isValid() && m_shown < int(m_rows.size());
    }
    void fetchMore(const QModelIndex &parent) override
    {
        if (!canFetchMore(parent))
            return;
        const int more = qMin(int(m_rows.size()) - m_shown, batch);
        beginInsertRows({}, m_shown, m_shown + more - 1);
        m_shown += more;
        endInsertRows();
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const Theme *listed = theme(index.row());
        if (!listed || role != Qt::DisplayRole)
            return {};
        // A theme without a name is known by its path.
        if (index.column() == 0 && !listed->name().isEmpty())
            return listed->name();
        return ThemeMatcher::pathOf(listed);
    }

private:
    const std::vector<Theme *> *m_themes = nullptr;
    std::vector<int> m_rows;
    int m_shown = 0;
};

GoToThemePopup::GoToThemePopup(ThemeView *view, QWidget *parent)
    : QFrame(parent)
    , m_view(view)
    , m_field(new QLineEdit(this))
    , m_list(new QTreeView(this))
    , m_model(new ThemeListModel(this))
    , m_kept(new GoToNames(view->rows().document(), this))
{
    setObjectName(QStringLiteral("goToTheme"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    m_field->setObjectName(QStringLiteral("goToThemeField"));
    m_list->setObjectName(QStringLiteral("goToThemeList"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderHidden(true);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->header()->setSectionResizeMode(QHeaderView::Interactive);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_field);
    layout->addWidget(m_list);
    m_field->installEventFilter(this);
    CONNECT_ASSERT(connect(m_field, &QLineEdit::textChanged, this, &GoToThemePopup::queryChanged));
    CONNECT_ASSERT(connect(m_list, &QTreeView::activated, this, &GoToThemePopup::choose));
    CONNECT_ASSERT(connect(m_kept, &GoToNames::changed, this, &GoToThemePopup::treeChanged));
    m_warmUp.setSingleShot(true);
    m_warmUp.setInterval(restMilliseconds);
    CONNECT_ASSERT(connect(&m_warmUp, &QTimer::timeout, this, &GoToThemePopup::gather));
    hide();
}

void GoToThemePopup::open()
{
    gather();
    const QRect over(m_view->mapTo(parentWidget(), QPoint(0, 0)), m_view->size());
    setGeometry(over.x() + 8, over.y() + 8, qMax(over.width() - 16, 240),
                qMax(over.height() - 16, 160));
    m_list->setColumnWidth(0, width() / 3);
    m_field->clear();
    m_query = QStringLiteral("-"); // no query extends it: the first ranks all names
    queryChanged(QString());
    show();
    raise();
    m_field->setFocus();
}

void GoToThemePopup::gather()
{
    m_warmUp.stop();
    m_kept->update();
    m_keeping = true;
}

std::vector<Theme *> GoToThemePopup::listedThemes() const
{
    std::vector<Theme *> listed;
    for (const int index : m_model->rows())
        listed.push_back(m_kept->themes()[size_t(index)]);
    return listed;
}

void GoToThemePopup::queryChanged(const QString &text)
{
    // Typing on only narrows: the matches of the longer text are among those of the shorter.
    const bool narrows = !m_query.isEmpty() && text.startsWith(m_query);
    m_query = text;
    // A tree still changing lists nothing: the kept themes may not all be in it.
    m_model->show(&m_kept->themes(),
                  m_kept->isCurrent()
                          ? ThemeMatcher::rank(m_kept->names(), ThemeMatcher::folded(text),
                                               narrows ? &m_model->rows() : nullptr)
                          : std::vector<int>{});
    m_list->setCurrentIndex(m_model->index(0, 0));
}

void GoToThemePopup::moveChoice(int rows)
{
    const int wanted = m_list->currentIndex().row() + rows;
    while (wanted >= m_model->rowCount({}) && m_model->canFetchMore({}))
        m_model->fetchMore({});
    const int count = m_model->rowCount({});
    if (count == 0)
        return;
    const int row = qBound(0, wanted, count - 1);
    m_list->setCurrentIndex(m_model->index(row, 0));
}

void GoToThemePopup::choose()
{
    Theme *theme = m_model->theme(m_list->currentIndex().row());
    dismiss();
    if (theme)
        Q_EMIT chosen(theme);
}

void GoToThemePopup::dismiss()
{
    if (m_field->hasFocus())
        m_view->setFocus();
    hide();
}

void GoToThemePopup::treeChanged()
{
    if (isVisible())
        dismiss();
    if (!m_model->rows().empty())
        m_model->show(&m_kept->themes(), {});
    // The kept names are brought up to date as soon as the tree rests, so that Ctrl+G never
    // waits for them; a run of changes (a replace all, say) is taken in once, after the last.
    if (m_keeping || m_warmUp.isActive())
        m_warmUp.start();
}

bool GoToThemePopup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::FocusOut && isVisible() &&
        !m_field->hasFocus()) {
        dismiss();
        return false;
    }
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const int page = qMax(1, m_list->viewport()->height() / qMax(1, m_list->sizeHintForRow(0)));
    switch (key->key()) {
    case Qt::Key_Up:
        moveChoice(-1);
        return true;
    case Qt::Key_Down:
        moveChoice(1);
        return true;
    case Qt::Key_PageUp:
        moveChoice(-page);
        return true;
    case Qt::Key_PageDown:
        moveChoice(page);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        choose();
        return true;
    case Qt::Key_Escape:
        dismiss();
        return true;
    default:
        return false;
    }
}
