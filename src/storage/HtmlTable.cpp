#include "storage/HtmlTable.h"

#include "common/Messages.h"
#include "common/TextCodec.h"
#include "storage/HtmlText.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"
#include "tree/TreeWalk.h"

#include <QCoreApplication>
#include <QIODevice>

#include <algorithm>

namespace HtmlTable {
namespace {

// Beyond this the text would not fit in memory; a group shown under every member of another
// group can multiply a small tree.
constexpr qint64 maxCells = 50'000'000;
constexpr size_t maxThemes = 5'000'000;

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

std::vector<Entry> branchOf(LinkListView &view, ColorListViewItem *root)
{
    std::vector<Entry> preorder;
    bool tooMany = false;
    auto heldHere = [&](ColorListViewItem *theme) -> QTreeWidgetItem * {
        if (tooMany || theme->isNullItem())
            return nullptr;
        return view.makeHolder(theme) == theme ? theme : nullptr;
    };
    walkBranch(root, heldHere, [&](ColorListViewItem *theme, int depth, int) {
        if (tooMany || theme->isNullItem())
            return;
        preorder.push_back({depth, theme->name()});
        tooMany = preorder.size() > maxThemes;
    });
    if (tooMany)
        preorder.clear();
    return preorder;
}

int write(LinkListView &view, ColorListViewItem *root, QIODevice *file, QWidget *parent,
          SaveReport *report)
{
    const std::vector<Entry> entries = root ? branchOf(view, root) : std::vector<Entry>();
    const QString text = layout(entries, view.textEncoding());
    if (text.isEmpty()) {
        Messages::warning(parent, Messages::errorCaption(),
                          QCoreApplication::translate("Brambleweb",
                                                      "Unexpected error\nНеожиданная ошибка. "
                                                      "Обратитесь к разработчику"));
        return 0;
    }
    TextCodec codec(view.textEncoding());
    const QByteArray bytes = codec.encode(text);
    if (report && (report->replaced = codec.replaced()) > 0) {
        const auto first = std::find_if(entries.begin(), entries.end(), [](const Entry &entry) {
            return !cp1251CanEncode(entry.name);
        });
        report->firstThemeReplaced = first != entries.end() ? first->name : QString();
    }
    return file->write(bytes) == bytes.size() ? 1 : 0;
}

} // namespace HtmlTable
