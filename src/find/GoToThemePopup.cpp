#include "find/GoToThemePopup.h"

#include "common/Assertions.h"
#include "find/ThemeMatcher.h"
#include "tree/LinkListView.h"

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

    void show(const std::vector<ColorListViewItem *> *themes, std::vector<int> rows)
    {
        beginResetModel();
        m_themes = themes;
        m_rows = std::move(rows);
        endResetModel();
    }
    ColorListViewItem *theme(int row) const
    {
        return row >= 0 && row < int(m_rows.size()) ? (*m_themes)[size_t(m_rows[size_t(row)])]
                                                    : nullptr;
    }
    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex &) const override { return 2; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const ColorListViewItem *listed = theme(index.row());
        if (!listed || role != Qt::DisplayRole)
            return {};
        // A theme without a name is known by its path.
        if (index.column() == 0 && !listed->name().isEmpty())
            return listed->name();
        return ThemeMatcher::pathOf(listed);
    }

private:
    const std::vector<ColorListViewItem *> *m_themes = nullptr;
    std::vector<int> m_rows;
};

GoToThemePopup::GoToThemePopup(LinkListView *tree, QWidget *parent)
    : QFrame(parent)
    , m_tree(tree)
    , m_field(new QLineEdit(this))
    , m_list(new QTreeView(this))
    , m_model(new ThemeListModel(this))
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
    // A theme that leaves the tree takes the popup's list with it.
    CONNECT_ASSERT(connect(tree, &LinkListView::itemWillRemoved, this, &GoToThemePopup::forget));
    hide();
}

void GoToThemePopup::open()
{
    m_themes = ThemeMatcher::reachableThemes(*m_tree);
    m_folded.clear();
    m_folded.reserve(m_themes.size());
    for (const ColorListViewItem *theme : m_themes)
        m_folded.push_back(ThemeMatcher::folded(theme->name()));
    const QRect over(m_tree->mapTo(parentWidget(), QPoint(0, 0)), m_tree->size());
    setGeometry(over.x() + 8, over.y() + 8, qMax(over.width() - 16, 240),
                qMax(over.height() - 16, 160));
    m_list->setColumnWidth(0, width() / 3);
    m_field->clear();
    queryChanged(QString());
    show();
    raise();
    m_field->setFocus();
}

std::vector<ColorListViewItem *> GoToThemePopup::listedThemes() const
{
    std::vector<ColorListViewItem *> listed;
    for (int row = 0; row < m_model->rowCount({}); ++row)
        listed.push_back(m_model->theme(row));
    return listed;
}

void GoToThemePopup::queryChanged(const QString &text)
{
    m_model->show(&m_themes, ThemeMatcher::rank(m_folded, ThemeMatcher::folded(text)));
    m_list->setCurrentIndex(m_model->index(0, 0));
}

void GoToThemePopup::moveChoice(int rows)
{
    const int count = m_model->rowCount({});
    if (count == 0)
        return;
    const int row = qBound(0, m_list->currentIndex().row() + rows, count - 1);
    m_list->setCurrentIndex(m_model->index(row, 0));
}

void GoToThemePopup::choose()
{
    ColorListViewItem *theme = m_model->theme(m_list->currentIndex().row());
    forget();
    if (theme)
        Q_EMIT chosen(theme);
}

void GoToThemePopup::forget()
{
    if (m_themes.empty() && isHidden())
        return;
    if (m_field->hasFocus())
        m_tree->setFocus();
    hide();
    m_model->show(&m_themes, {});
    m_themes.clear();
    m_folded.clear();
}

bool GoToThemePopup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::FocusOut && isVisible() &&
        !m_field->hasFocus()) {
        forget();
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
        forget();
        return true;
    default:
        return false;
    }
}
