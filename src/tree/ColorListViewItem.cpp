#include "tree/ColorListViewItem.h"

#include "common/Clock.h"
#include "common/Messages.h"
#include "storage/TreeHeader.h"
#include "tree/LinkListView.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <limits>
#include <optional>

namespace {

const char *const markRows[12] = {"........", "........", ".#....#.", ".##..##.",
                                  ".######.", ".#.##.#.", ".#....#.", ".#....#.",
                                  ".#....#.", ".#....#.", "........", "........"};
const char *const linkRows[12] = {"........", "........", ".#......", ".#......",
                                  ".#......", ".#......", ".#......", ".#......",
                                  ".######.", ".######.", "........", "........"};

QIcon iconFrom(const char *const rows[12])
{
    QImage image(8, 12, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QRgb blue = QColor(QStringLiteral("#0082ff")).rgba();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 8; ++x)
            if (rows[y][x] == '#')
                image.setPixel(x, y, blue);
    return QIcon(QPixmap::fromImage(image));
}

struct SharedIcons
{
    QIcon mark;
    QIcon link;
};

std::optional<SharedIcons> &sharedIcons()
{
    static std::optional<SharedIcons> icons;
    return icons;
}

const SharedIcons &ensureSharedIcons()
{
    std::optional<SharedIcons> &icons = sharedIcons();
    if (!icons)
        icons = SharedIcons{iconFrom(markRows), iconFrom(linkRows)};
    return *icons;
}

bool &nonEmptyDeleteWarned()
{
    static bool warned = false;
    return warned;
}

} // namespace

ColorListViewItem::ColorListViewItem(QTreeWidget *view)
    : QTreeWidgetItem(view, ThemeType)
{
    initialise();
}

ColorListViewItem::ColorListViewItem(QTreeWidget *view, const QString &name,
                                     const QString &description, const QString &nullText)
    : QTreeWidgetItem(view, QStringList{name}, ThemeType)
    , m_description(description)
    , m_nullText(nullText)
{
    initialise();
}

ColorListViewItem::ColorListViewItem(ColorListViewItem *parent, const QString &name,
                                     const QString &description, const QString &nullText)
    : QTreeWidgetItem(parent, QStringList{name}, ThemeType)
    , m_description(description)
    , m_nullText(nullText)
{
    initialise();
}

ColorListViewItem::~ColorListViewItem()
{
    if (childCount() > 0 && !nonEmptyDeleteWarned()) {
        nonEmptyDeleteWarned() = true;
        Messages::warning(nullptr, QStringLiteral("error"),
                          QStringLiteral("Will be deleted not empty branch(s)"));
    }
}

void ColorListViewItem::setData(int column, int role, const QVariant &value)
{
    const bool name = role == Qt::DisplayRole || role == Qt::EditRole;
    if (column == 0 && (name || role == Qt::DecorationRole)) {
        if (auto *view = qobject_cast<LinkListView *>(treeWidget()))
            view->themeRowChanging(this, name ? value.toString() : text(0),
                                   name ? icon(0) : value.value<QIcon>());
    }
    QTreeWidgetItem::setData(column, role, value);
}

void ColorListViewItem::initialise()
{
    ensureSharedIcons();
}

// The slot an index names, counting by absolute value; -1 when there is none (checked before
// negating, so that INT_MIN cannot overflow).
static int slotOf(int index)
{
    if (index <= -ColorListViewItem::SlotCount || index >= ColorListViewItem::SlotCount)
        return -1;
    return index < 0 ? -index : index;
}

void ColorListViewItem::setColumnValue(int index, int value)
{
    const int slot = slotOf(index);
    if (slot < 0) {
        Messages::warning(nullptr, QStringLiteral("error"),
                          QStringLiteral("too big colomn number"));
        return;
    }
    m_slots[slot] = value;
}

int ColorListViewItem::columnValue(int index) const
{
    const int slot = slotOf(index);
    if (slot < 0) {
        Messages::warning(nullptr, QStringLiteral("error"),
                          QStringLiteral(" too big colomn number"));
        return 0;
    }
    return m_slots[slot];
}

QDate ColorListViewItem::date() const
{
    return Clock::startDate().addDays(-qint64(m_slots[DateSlot]));
}

void ColorListViewItem::setDate(const QDate &date)
{
    if (isStorableThemeDate(date))
        m_slots[DateSlot] = int(date.daysTo(Clock::startDate()));
}

void ColorListViewItem::setLinkId(int id)
{
    m_slots[LinkIdSlot] = id;
    if (id < 0)
        setIcon(0, linkIcon());
    else if (id > 0)
        setIcon(0, markIcon());
    else
        setIcon(0, QIcon());
}

QIcon ColorListViewItem::markIcon()
{
    return ensureSharedIcons().mark;
}

QIcon ColorListViewItem::linkIcon()
{
    return ensureSharedIcons().link;
}

void ColorListViewItem::releaseSharedIcons()
{
    sharedIcons().reset();
}

QString plainDateText(const QDate &date)
{
    return QString::asprintf("%2.2i.%2.2i.%i", date.day(), date.month(), date.year());
}

QString themeDateText(const QDate &date)
{
    return QLatin1Char('[') + plainDateText(date) + QLatin1Char(']');
}
