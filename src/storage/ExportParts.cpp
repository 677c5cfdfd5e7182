#include "storage/ExportParts.h"

#include "model/ThemeDocument.h"
#include "storage/HtmlText.h"

#include <vector>

namespace ExportParts {
namespace {

QString hrefTo(const ThemeNumbers &numbers)
{
    return QStringLiteral("<a href=\"#") + QString::number(numbers.anchor) + QStringLiteral("\">");
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

Numbering numberThemes(const ThemeDocument &document)
{
    Numbering numbering;
    int ordinal = 1;
    int lastDepth = 0;
    std::vector<int> siblingCounters;
    walkHeldBranch(document, document.root(), [&](Theme *t, int depth, int) {
        if (siblingCounters.size() < size_t(depth))
            siblingCounters.resize(depth);
        if (depth > lastDepth) // the walk entered a new list
            siblingCounters[depth - 1] = 0;
        lastDepth = depth;
        if (t->linkId() < 0)
            return;
        numbering.insert(t, {ordinal++, ++siblingCounters[depth - 1]});
    });
    return numbering;
}

QString outlineNumber(const QString &parentOutline, const ThemeNumbers &numbers)
{
    return numbers.sibling == 0
                   ? QString()
                   : parentOutline + QString::number(numbers.sibling) + QLatin1Char('.');
}

QString htmlAnchor(const Theme *theme, const ThemeNumbers &numbers, const QString &outline)
{
    return QStringLiteral("<a name=\"") + QString::number(numbers.anchor) +
           QStringLiteral("\"><b>") + outline + QLatin1Char(' ') + escapeHtml(theme->name()) +
           QStringLiteral("</b></a>");
}

QString htmlLinkList(const ThemeDocument &document, const Numbering &numbering, Theme *theme,
                     const QString &outline, Theme *top)
{
    if (theme->linkId() < 0)
        return QString();
    const Theme *holder = document.holderOrSelf(theme);
    QString list;
    for (int i = 0; i < holder->childCount(); ++i) {
        Theme *sub = holder->child(i);
        const QString name = escapeHtml(sub->name());
        if (sub->linkId() >= 0) {
            const ThemeNumbers numbers = numbering.value(sub);
            list += hrefTo(numbers) + QStringLiteral("<b>") + outline +
                    QString::number(numbers.sibling) + QStringLiteral(". ") + name +
                    QStringLiteral("</b></a>\n");
            continue;
        }
        Theme *mark = document.markOf(sub->linkId());
        const bool below = mark && mark != top && document.resolvedClimbMeets(mark, top);
        const QString entry = QStringLiteral("<b><i>") + outline + QStringLiteral("L. ") + name +
                              QStringLiteral("</i></b>");
        list += below ? hrefTo(numbering.value(mark)) + entry + QStringLiteral("</a>\n")
                      : entry + QLatin1Char('\n');
    }
    return list.isEmpty() ? list : list + QLatin1Char('\n');
}

} // namespace ExportParts
