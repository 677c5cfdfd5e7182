#include "storage/OutlineFormats.h"

namespace IndentedText {

QByteArray write(const OutlineNode &root)
{
    QString out;
    walkOutline(
            root,
            [&out](const OutlineNode &node, int depth) {
                out += QString(depth - 1, QLatin1Char('\t')) + node.name + QLatin1Char('\n');
            },
            [](const OutlineNode &, int) {});
    return out.toUtf8();
}

OutlineNode read(const QByteArray &bytes)
{
    OutlineNode root;
    std::vector<OutlineNode *> parents{&root}; // parents[d]: the latest theme at depth d
    const QString text = decodeExchangeText(bytes);
    for (QStringView line : QStringTokenizer(text, u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        qsizetype tabs = 0;
        while (tabs < line.size() && line[tabs] == u'\t')
            ++tabs;
        // A line indented further than one level below the line before is its child.
        const size_t depth = size_t(qMin<qsizetype>(tabs + 1, qsizetype(parents.size())));
        OutlineNode &node = parents[depth - 1]->children.emplace_back();
        node.name = line.sliced(tabs).toString();
        parents.resize(depth);
        parents.push_back(&node);
    }
    return root;
}

} // namespace IndentedText
