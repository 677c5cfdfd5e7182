#include "storage/Outline.h"

#include "common/Clock.h"
#include "common/TextCodec.h"
#include "storage/TreeHeader.h"

namespace {

QString decodeWithoutCr(TextCodec &codec, QByteArrayView piece, bool dropFinalLineFeed)
{
    QByteArray bytes = piece.toByteArray();
    bytes.replace('\r', QByteArrayView());
    if (dropFinalLineFeed && bytes.endsWith('\n'))
        bytes.chop(1);
    return codec.decode(bytes);
}

// A tree file has no escape: a description line that is a theme header would come back as a
// theme. Text from another program may hold one; a space in front keeps it text.
QString withoutHeaderLines(const QString &description)
{
    if (!description.contains(QLatin1String("<!--")))
        return description;
    QStringList lines = description.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.startsWith(QLatin1String("<!--")) && readThemeHeader(line.toLatin1(), 0))
            line.prepend(QLatin1Char(' '));
    return lines.join(QLatin1Char('\n'));
}

QDate storableDate(const QDate &date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999 ? date : Clock::today();
}

} // namespace

namespace OutlineTreeFile {

OutlineNode read(const QByteArray &bytes)
{
    OutlineNode root;
    root.date = Clock::today();
    const bool unicode = bytes.startsWith(utf8Mark);
    TextCodec codec(unicode ? TextEncoding::Utf8 : TextEncoding::Cp1251);
    std::vector<OutlineNode *> parents{&root}; // parents[d]: the latest node at depth d
    OutlineNode *current = &root;
    qsizetype lineStart = unicode ? utf8Mark.size() : 0;
    qsizetype descriptionStart = lineStart;
    const auto finishDescription = [&](qsizetype end) {
        current->description = decodeWithoutCr(
                codec, bytes.sliced(descriptionStart, end - descriptionStart), true);
    };
    while (lineStart < bytes.size()) {
        qsizetype lineEnd = bytes.indexOf('\n', lineStart);
        lineEnd = lineEnd < 0 ? bytes.size() : lineEnd + 1;
        const std::optional<ThemeHeader> header =
                bytes[lineStart] == '<' ? readThemeHeader(bytes, lineStart) : std::nullopt;
        if (header) {
            finishDescription(lineStart);
            const size_t depth = size_t(qBound<qint64>(1, header->depth, qint64(parents.size())));
            OutlineNode *parent = parents[depth - 1];
            OutlineNode &theme = parent->children.emplace_back();
            parents.resize(depth);
            parents.push_back(&theme);
            theme.linkId = header->linkId;
            theme.date = header->dateKind == ThemeHeader::DateKind::Given    ? header->date
                         : header->dateKind == ThemeHeader::DateKind::Parent ? parent->date
                                                                             : Clock::today();
            theme.name =
                    decodeWithoutCr(codec, bytes.sliced(header->end, lineEnd - header->end), true);
            current = &theme;
            descriptionStart = lineEnd;
        }
        lineStart = lineEnd;
    }
    finishDescription(bytes.size());
    return root;
}

QByteArray write(const OutlineNode &root)
{
    QString text = withoutHeaderLines(root.description) + QLatin1Char('\n');
    bool cp1251 = cp1251CanEncode(text);
    walkOutline(
            root,
            [&](const OutlineNode &node, int depth) {
                appendThemeHeader(text, depth, node.linkId, storableDate(node.date));
                text += node.name + QLatin1Char('\n');
                if (node.linkId >= 0)
                    text += withoutHeaderLines(node.description);
                text += QLatin1Char('\n');
                cp1251 = cp1251 && cp1251CanEncode(node.name) && cp1251CanEncode(node.description);
            },
            [](const OutlineNode &, int) {});
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    if (cp1251)
        return TextCodec(TextEncoding::Cp1251).encode(text);
    return utf8Mark.toByteArray() + TextCodec(TextEncoding::Utf8).encode(text);
}

} // namespace OutlineTreeFile

QString decodeExchangeText(const QByteArray &bytes)
{
    QByteArrayView text(bytes);
    if (text.startsWith(utf8Mark))
        text = text.sliced(utf8Mark.size());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(text);
    if (!utf8.hasError())
        return decoded;
    return TextCodec(TextEncoding::Cp1251).decode(text);
}
