#include "editor/Reformat.h"

#include "common/Assertions.h"

namespace {

constexpr QChar tab = u'\t';
constexpr QChar lineFeed = u'\n';
constexpr QChar space = u' ';
constexpr QChar noBreakSpace = QChar(0x00A0);

bool isBlank(QChar c)
{
    return c == space || c == tab || c == noBreakSpace;
}

// Control characters and the no-break space count as spaces when words are collapsed.
QChar spaceIfBlank(QChar c)
{
    return c.unicode() < 0x20 || c == noBreakSpace ? space : c;
}

QString startReplacement(const QString &selected)
{
    QString out;
    out.reserve(selected.size() + 2);
    out += tab;
    return out;
}

// Appends c to a line whose runs of spaces collapse; lastWasSpace skips leading and repeated ones.
void appendCollapsed(QString &out, QChar c, bool &lastWasSpace)
{
    if (c == space) {
        if (!lastWasSpace) {
            out += space;
            lastWasSpace = true;
        }
        return;
    }
    out += c;
    lastWasSpace = false;
}

// A trailing space (or the lone leading Tab) gives way to the final line feed.
void endLine(QString &out, bool lastWasSpace)
{
    if (lastWasSpace)
        out.back() = lineFeed;
    else
        out += lineFeed;
}

enum class ReflowState { Start, Word, Gap, Break };

} // namespace

namespace Reformat {

QString reflowParagraphs(const QString &selected)
{
    QString out = startReplacement(selected);
    ReflowState state = ReflowState::Start;
    for (const QChar c : selected) {
        const bool blank = isBlank(c);
        const bool newLine = c == lineFeed;
        switch (state) {
        case ReflowState::Start:
            if (!blank && !newLine) {
                out += c;
                state = ReflowState::Word;
            }
            break;
        case ReflowState::Word:
            if (blank)
                state = ReflowState::Gap;
            else if (newLine)
                state = ReflowState::Break;
            else
                out += c;
            break;
        case ReflowState::Gap:
            if (newLine) {
                state = ReflowState::Break;
            } else if (!blank) {
                out += space;
                out += c;
                state = ReflowState::Word;
            }
            break;
        case ReflowState::Break:
            if (newLine) {
                out += lineFeed;
                out += tab;
                state = ReflowState::Start;
            } else if (!blank) {
                out += space;
                out += c;
                state = ReflowState::Word;
            }
            break;
        default:
            MY_ASSERT(false, QStringLiteral("00131"));
            out += lineFeed;
            return out;
        }
    }
    out += lineFeed;
    return out;
}

QString oneParagraph(const QString &selected)
{
    QString out = startReplacement(selected);
    bool lastWasSpace = true;
    for (QChar c : selected)
        appendCollapsed(out, spaceIfBlank(c), lastWasSpace);
    endLine(out, lastWasSpace);
    return out;
}

QString normaliseLines(const QString &selected)
{
    QString out = startReplacement(selected);
    bool lastWasSpace = true;
    for (QChar c : selected) {
        if (c == lineFeed) {
            endLine(out, lastWasSpace);
            out += tab;
            lastWasSpace = true;
            continue;
        }
        appendCollapsed(out, spaceIfBlank(c), lastWasSpace);
    }
    endLine(out, lastWasSpace);
    return out;
}

QString placedAt(const QString &replacement, int startColumn)
{
    return startColumn != 0 ? lineFeed + replacement : replacement;
}

} // namespace Reformat
