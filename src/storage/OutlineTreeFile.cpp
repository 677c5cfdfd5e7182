#include "storage/Outline.h"

#include "common/Clock.h"
#include "common/TextCodec.h"
#include "storage/TreeHeader.h"

namespace {

QString decodeWithoutCr(TextCodec &codec, QByteArrayView piece, bool dropFinalLineFeed)
{
    QString text = codec.decode(piece);
    text.remove(QLatin1Char('\r'));
    if (dropFinalLineFeed && text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
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

// Each line feed written as CR LF.
void appendWithCrLf(QByteArray &out, TextCodec &codec, QStringView text)
{
    const QByteArray encoded = codec.encode(text);
    QByteArrayView rest(encoded);
    for (qsizetype lineFeed; (lineFeed = rest.indexOf('\n')) >= 0;) {
        out.append(rest.first(lineFeed));
        out.append("\r\n");
        rest = rest.sliced(lineFeed + 1);
    }
    out.append(rest);
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
    const QByteArrayView text(bytes);
    const TextEncoding form = textFormOf(bytes);
    TextCodec codec(form);
    std::vector<OutlineNode *> parents{&root}; // parents[d]: the latest node at depth d
    OutlineNode *current = &root;
    qsizetype lineStart = formMarkSize(form);
    qsizetype descriptionStart = lineStart;
    const auto finishDescription = [&](qsizetype end) {
        current->description =
                decodeWithoutCr(codec, text.sliced(descriptionStart, end - descriptionStart), true);
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
                    decodeWithoutCr(codec, text.sliced(header->end, lineEnd - header->end), true);
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
    bool cp1251 = cp1251CanEncode(root.description);
    qsizetype characters = root.description.size();
    walkOutline(
            root,
            [&](const OutlineNode &node, int) {
                cp1251 = cp1251 && cp1251CanEncode(node.name) && cp1251CanEncode(node.description);
                characters += node.name.size() + node.description.size() + 32;
            },
            [](const OutlineNode &, int) {});
    TextCodec codec(cp1251 ? TextEncoding::Cp1251 : TextEncoding::Utf8);
    QByteArray bytes = cp1251 ? QByteArray() : utf8Mark.toByteArray();
    // Room for letters of one or two bytes and a few line ends: growing a large file as it is
    // written would copy it again and again.
    bytes.reserve(characters * (cp1251 ? 9 : 17) / 8);
    appendWithCrLf(bytes, codec, withoutHeaderLines(root.description) + QLatin1Char('\n'));
    QString header;
    walkOutline(
            root,
            [&](const OutlineNode &node, int depth) {
                header.clear();
                appendThemeHeader(header, depth, node.linkId, storableDate(node.date));
                bytes += header.toLatin1();
                appendWithCrLf(bytes, codec, node.name);
                bytes += "\r\n";
                if (node.linkId >= 0)
                    appendWithCrLf(bytes, codec, withoutHeaderLines(node.description));
                bytes += "\r\n";
            },
            [](const OutlineNode &, int) {});
    return bytes;
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
