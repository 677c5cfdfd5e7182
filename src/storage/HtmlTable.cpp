#include "storage/HtmlTable.h"

#include "common/Messages.h"
#include "common/TextCodec.h"
#include "model/ThemeDocument.h"
#include "storage/HtmlText.h"
#include "storage/TreeFile.h"

#include <QCoreApplication>
#include <QIODevice>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace HtmlTable {
namespace {

// Beyond this the text would not fit in memory; a group shown under every member of another
// group can multiply a small tree.
constexpr qint64 maxCells = 50'000'000;

} // namespace

QString layout(const std::vector<Entry> &preorder, TextEncoding encoding)
{
    if (preorder.empty())
        return QString();
    int columns = 0;
    qint64 rows = 0;
    for (size_t i = 0; i < preorder.size(); ++i) {
        columns = std::max(columns, preorder[i].depth);
        if (i + 1 == preorder.size() || preorder[i + 1].depth <= preorder[i].depth)
            ++rows;
    }
    if (rows * columns > maxCells)
        return QString();
    QString text = QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" "
                                  "content=\"text/html; charset=") +
                   charsetName(encoding) +
                   QStringLiteral("\"></head><body><TABLE cellpadding=0 cellspacing=0 border=1>\n");
    const QLatin1String emptyCell("<TD>\n");
    int column = 0; // cells of the open row so far; 0: no row open
    for (size_t i = 0; i < preorder.size(); ++i) {
        const Entry &entry = preorder[i];
        if (column == 0)
            text += QLatin1String("<TR>\n");
        for (; column < entry.depth - 1; ++column)
            text += emptyCell;
        text += QLatin1String("<TD>");
        if (!entry.name.isEmpty())
            text += QLatin1String("<pre>") + escapeHtml(entry.name) + QLatin1String("</pre>");
        text += QLatin1Char('\n');
        ++column;
        const bool leaf = i + 1 == preorder.size() || preorder[i + 1].depth <= entry.depth;
        if (leaf) {
            for (; column < columns; ++column)
                text += emptyCell;
            column = 0;
        }
    }
    return text + QLatin1String("</TABLE></body></html>");
}

std::vector<Entry> branchOf(const ThemeDocument &document, Theme *root, QWidget *parent)
{
    // Where each group's subthemes are: with the member that took them last, the mark theme
    // first. A link that takes them brings the themes a hand-made file put under it.
    struct Held
    {
        Theme *holder;
        std::vector<Theme *> subthemes;
    };
    std::map<int, Held> groups;
    std::vector<Entry> preorder;
    struct Level
    {
        std::vector<Theme *> subthemes;
        size_t next;
    };
    auto ownSubthemes = [](Theme *theme) {
        std::vector<Theme *> own;
        for (int i = 0; i < theme->childCount(); ++i)
            own.push_back(theme->child(i));
        return own;
    };
    // The subthemes the theme shows when the walk meets it; none when its group stays elsewhere.
    auto subthemesOf = [&](Theme *theme) -> std::vector<Theme *> {
        if (theme->linkId() == 0 || !document.markOf(theme->linkId()))
            return ownSubthemes(theme);
        Theme *mark = document.markOf(theme->linkId());
        auto [it, fresh] = groups.try_emplace(std::abs(theme->linkId()));
        Held &held = it->second;
        if (fresh)
            held = {mark, ownSubthemes(mark)};
        if (held.holder == theme)
            return held.subthemes;
        if (isAncestorOrSelf(held.holder, theme))
            return {};
        if (isAncestorOrSelf(theme, held.holder)) {
            Messages::warning(parent, QStringLiteral("error"),
                              QStringLiteral("Cannot exchange contents"));
            return {};
        }
        if (theme != mark)
            for (Theme *own : ownSubthemes(theme))
                held.subthemes.push_back(own);
        held.holder = theme;
        return held.subthemes;
    };
    std::vector<Level> levels{{subthemesOf(root), 0}};
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next >= level.subthemes.size()) {
            levels.pop_back();
            continue;
        }
        Theme *theme = level.subthemes[level.next++];
        preorder.push_back({int(levels.size()), theme->name()});
        if (preorder.size() > maxThemes)
            return {};
        std::vector<Theme *> below = subthemesOf(theme);
        if (!below.empty())
            levels.push_back({std::move(below), 0});
    }
    return preorder;
}

int write(const std::vector<Entry> &entries, TextEncoding encoding, QIODevice *file,
          QWidget *parent, SaveReport *report)
{
    const QString text = layout(entries, encoding);
    if (text.isEmpty()) {
        Messages::warning(parent, Messages::errorCaption(),
                          QCoreApplication::translate("Brambleweb",
                                                      "Unexpected error\nНеожиданная ошибка. "
                                                      "Обратитесь к разработчику"));
        return 0;
    }
    TextCodec codec(encoding);
    const QByteArray bytes = codec.encode(text);
    if (report && (report->replaced = codec.replaced()) > 0) {
        const auto first = std::find_if(entries.begin(), entries.end(), [](const Entry &entry) {
            return !cp1251CanEncode(entry.name);
        });
        report->firstThemeReplaced = first != entries.end() ? first->name : QString();
    }
    return file->write(bytes) == bytes.size() ? 1 : 0;
}

int write(const ThemeDocument &document, Theme *root, QIODevice *file, QWidget *parent,
          SaveReport *report)
{
    return write(branchOf(document, root, parent), document.textEncoding(), file, parent, report);
}

} // namespace HtmlTable
