#pragma once

#include "storage/TreeFile.h"

#include <QByteArray>

#include <deque>
#include <optional>

// The start of the next line at or after `from` that begins with '<', or -1: a description is
// passed over without stopping at each of its lines. `from` is past the start of a line.
qsizetype nextLineWithTag(QByteArrayView text, qsizetype from);
// The first header line that starts in a piece of a file, or -1. The piece's first byte starts
// a line when `atLineStart`.
qsizetype firstHeaderLine(QByteArrayView piece, bool atLineStart);

// A part of a tree file that no theme crosses: it starts at the file's start or at a header line
// and ends at the file's end or before a header line. Its bytes are `bytes` from `from` to `to`.
struct TreeStretch
{
    QByteArray bytes;
    qsizetype from = 0;
    qsizetype to = 0;
    qint64 end = 0; // bytes of the file up to the stretch's end
};

// Cuts the pieces of a file into stretches, in order. A stretch within one piece is the piece
// itself, so the descriptions read from it can keep its bytes where they lie; only the few bytes
// around each cut between pieces are copied.
class TreeStretches
{
public:
    // `skip`: the bytes of the form's mark at the start of the first piece.
    TreeStretches(TreeChunks pieces, qsizetype skip);

    // The next stretch, or nothing once all are given. A file gives one at least, if empty.
    std::optional<TreeStretch> next();

private:
    void cut(QByteArray piece);

    TreeChunks m_pieces;
    std::deque<TreeStretch> m_ready;
    QByteArray m_carry; // from the file's start or the last header line, not given yet
    bool m_atLineStart = true;
    qint64 m_offset = 0; // bytes of the file before the next piece
    bool m_ended = false;
};
