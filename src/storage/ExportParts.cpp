#include "storage/ExportParts.h"

#include "storage/HtmlText.h"
#include "tree/LinkListView.h"

namespace ExportParts {
namespace {

int anchorOf(const ColorListViewItem *theme)
{
    return theme->columnValue(ColorListViewItem::OutlineOrdinalSlot);
}

int siblingNumberOf(const ColorListViewItem *theme)
{
    return theme->columnValue(ColorListViewItem::SiblingOrdinalSlot);
}

QString hrefTo(const ColorListViewItem *theme)
{
    return QStringLiteral("<a href=\"#") + QString::number(anchorOf(theme)) + QStringLiteral("\">");
}

} // namespace

QString htmlPageStart(TextEncoding encoding)
{
    return QStringLiteral("<HTML>\n<HEAD><META http-equiv=\"Content-Type\" content=\"text/html; "
                          "charset=") +
           charsetName(encoding) + QStringLiteral("\"></HEAD>\n<BODY>\n");
}

QString mimeHeader()
{
    return QStringLiteral("MIME-Version: 1.0\nContent-type: multipart/mixed; "
                          "boundary=\"simple boundary\"\n\n");
}

QString mimePartHeader(TextEncoding encoding)
{
    return QStringLiteral("--simple boundary\nContent-Type: Text/plain; charset=") +
           charsetName(encoding) + QStringLiteral("\n\n");
}

QString mimeSafeText(QString text)
{
    static const QString boundary = QStringLiteral("--simple boundary");
    for (qsizetype at = text.indexOf(boundary); at >= 0; at = text.indexOf(boundary, at + 1)) {
        if (at == 0 || text[at - 1] == u'\n')
            text.insert(at++, u' ');
    }
    return text;
}

QString outlineNumber(const QString &parentOutline, const ColorListViewItem *theme)
{
    const int number = siblingNumberOf(theme);
    return number == 0 ? QString() : parentOutline + QString::number(number) + QLatin1Char('.');
}

QString htmlAnchor(const ColorListViewItem *theme, const QString &outline)
{
    return QStringLiteral("<a name=\"") + QString::number(anchorOf(theme)) +
           QStringLiteral("\"><b>") + outline + QLatin1Char(' ') + escapeHtml(theme->name()) +
           QStringLiteral("</b></a>");
}

QString htmlLinkList(LinkListView &view, ColorListViewItem *theme, const QString &outline,
                     ColorListViewItem *top)
{
    if (theme->linkId() < 0)
        return QString();
    const ColorListViewItem *holder = view.holderOrSelf(theme);
    QString list;
    for (int i = 0; i < holder->childCount(); ++i) {
        const ColorListViewItem *sub = holder->childTheme(i);
        if (!sub || sub->isNullItem())
            continue;
        const QString name = escapeHtml(sub->name());
        if (sub->linkId() >= 0) {
            list += hrefTo(sub) + QStringLiteral("<b>") + outline +
                    QString::number(siblingNumberOf(sub)) + QStringLiteral(". ") + name +
                    QStringLiteral("</b></a>\n");
            continue;
        }
        ColorListViewItem *mark = view.storage().markThemeOf(sub->linkId());
        const bool below = mark && mark != top && view.resolvedAncestry(mark, top);
        const QString entry = QStringLiteral("<b><i>") + outline + QStringLiteral("L. ") + name +
                              QStringLiteral("</i></b>");
        list += below ? hrefTo(mark) + entry + QStringLiteral("</a>\n") : entry + QLatin1Char('\n');
    }
    return list.isEmpty() ? list : list + QLatin1Char('\n');
}

} // namespace ExportParts
