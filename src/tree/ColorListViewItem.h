#pragma once

#include <QDate>
#include <QString>
#include <QTreeWidgetItem>

#include "model/Theme.h"

#include <array>

// One theme: a node of the theme tree. Column 0 (the name) is the only text the view shows; the
// description and the null marker are kept beside it, as are ten integer slots.
class ColorListViewItem : public QTreeWidgetItem
{
public:
    static constexpr int ThemeType = QTreeWidgetItem::UserType + 1;
    static constexpr int SlotCount = 10;

    // Slot meanings.
    enum Slot {
        DateSlot = 1,
        LinkIdSlot = 2,
        CursorLineSlot = 3,
        CursorColumnSlot = 4,
        OutlineOrdinalSlot = 5,
        SiblingOrdinalSlot = 6,
        NullItemSlot = 7
    };

    explicit ColorListViewItem(QTreeWidget *view);
    ColorListViewItem(QTreeWidget *view, const QString &name, const QString &description,
                      const QString &nullText);
    ColorListViewItem(ColorListViewItem *parent, const QString &name, const QString &description,
                      const QString &nullText);
    ~ColorListViewItem() override;

    // Tells the view before the name or the icon of a shown theme changes: the width of
    // column 0 follows them.
    void setData(int column, int role, const QVariant &value) override;

    // The index counts by its absolute value; above 9 nothing is stored and a warning is shown.
    void setColumnValue(int index, int value);
    int columnValue(int index) const;

    QString name() const { return text(0); }
    void setName(const QString &name) { setText(0, name); }
    const QString &description() const { return m_description; }
    void setDescription(const QString &description) { m_description = description; }
    // "NULL" on a null item, empty otherwise.
    const QString &nullText() const { return m_nullText; }
    bool isNullItem() const { return m_slots[NullItemSlot] == 1; }

    // The date, kept as days before the program's start date.
    QDate date() const;
    void setDate(const QDate &date);

    int linkId() const { return m_slots[LinkIdSlot]; }
    // Sets the id and the matching icon: link icon below 0, mark icon above, none at 0.
    void setLinkId(int id);

    ColorListViewItem *parentTheme() const { return themeOf(parent()); }
    ColorListViewItem *childTheme(int index) const { return themeOf(child(index)); }

    // Type-safe down-cast of whatever item the toolkit hands over.
    static ColorListViewItem *themeOf(QTreeWidgetItem *item)
    {
        return item && item->type() == ThemeType ? static_cast<ColorListViewItem *>(item) : nullptr;
    }

    // The 8 x 12 "M" and "L" icons, shared by all themes until released with the main window.
    static QIcon markIcon();
    static QIcon linkIcon();
    static void releaseSharedIcons();

private:
    void initialise();

    QString m_description;
    QString m_nullText;
    std::array<int, SlotCount> m_slots{};
};

// "[" + "%2.2i.%2.2i.%i" (day, month, year) + "]".
QString themeDateText(const QDate &date);
// "%2.2i.%2.2i.%i" without the brackets.
QString plainDateText(const QDate &date);
