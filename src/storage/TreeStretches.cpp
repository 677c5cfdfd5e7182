#include "storage/TreeStretches.h"

#include "storage/TreeHeader.h"

#include <cstring>

qsizetype nextLineWithTag(QByteArrayView text, qsizetype from)
{
    const char *const begin = text.data();
    const char *const end = begin + text.size();
    for (const char *at = begin + from; at < end; ++at) {
        at = static_cast<const char *>(std::memchr(at, '<', size_t(end - at)));
        if (!at)
            break;
        if (at[-1] == '\n')
            return at - begin;
    }
    return -1;
}

qsizetype firstHeaderLine(QByteArrayView piece, bool atLineStart)
{
    if (piece.isEmpty())
        return -1;
    if (atLineStart && piece.startsWith('<') && readThemeHeader(piece, 0))
        return 0;
    for (qsizetype at = nextLineWithTag(piece, 1); at >= 0; at = nextLineWithTag(piece, at + 1)) {
        if (readThemeHeader(piece, at))
            return at;
    }
    return -1;
}

namespace {

// The last header line that starts in the piece after `first`, a header line's start, or
// `first`. A header line's tag is read whole or not at all, so one cut at the piece's end is
// not taken for one.
qsizetype lastHeaderLine(QByteArrayView piece, qsizetype first)
{
    for (qsizetype at = piece.lastIndexOf('<'); at > first; at = piece.lastIndexOf('<', at - 1)) {
        if (piece[at - 1] == '\n' && readThemeHeader(piece, at))
            return at;
    }
    return first;
}

} // namespace

TreeStretches::TreeStretches(TreeChunks pieces, qsizetype skip)
    : m_pieces(std::move(pieces))
    , m_offset(skip)
{
    while (skip > 0 && !m_pieces.empty()) {
        QByteArray &front = m_pieces.front();
        const qsizetype dropped = qMin(skip, front.size());
        front.remove(0, dropped);
        skip -= dropped;
        if (front.isEmpty())
            m_pieces.pop_front();
    }
}

std::optional<TreeStretch> TreeStretches::next()
{
    while (m_ready.empty() && !m_pieces.empty()) {
        QByteArray piece = std::move(m_pieces.front());
        m_pieces.pop_front();
        cut(std::move(piece));
    }
    if (!m_ready.empty()) {
        TreeStretch stretch = std::move(m_ready.front());
        m_ready.pop_front();
        return stretch;
    }
    if (m_ended)
        return std::nullopt;
    m_ended = true;
    const qsizetype size = m_carry.size();
    return TreeStretch{std::exchange(m_carry, {}), 0, size, m_offset};
}

// Until the first cut the carried bytes start at the file's start, and after it at a header
// line: every stretch given starts at one of the two.
void TreeStretches::cut(QByteArray piece)
{
    const qint64 start = m_offset;
    m_offset += piece.size();
    const bool atLineStart = m_atLineStart;
    if (!piece.isEmpty())
        m_atLineStart = piece.endsWith('\n');
    const qsizetype first = firstHeaderLine(piece, atLineStart);
    if (first < 0) {
        m_carry += piece;
        return;
    }
    const qsizetype last = lastHeaderLine(piece, first);
    // Before the first cut nothing is carried: the piece's start is the file's.
    const qsizetype sliceFrom = m_carry.isEmpty() ? 0 : first;
    if (!m_carry.isEmpty()) {
        m_carry.append(piece.constData(), first);
        const qsizetype size = m_carry.size();
        m_ready.push_back({std::exchange(m_carry, {}), 0, size, start + first});
    }
    if (last > sliceFrom) {
        m_carry = piece.sliced(last);
        m_ready.push_back({std::move(piece), sliceFrom, last, start + last});
    } else {
        piece.remove(0, last);
        m_carry = std::move(piece);
    }
}
