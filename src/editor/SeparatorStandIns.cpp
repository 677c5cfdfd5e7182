#include "editor/SeparatorStandIns.h"

#include <QSet>

namespace {

// Noncharacters first (nobody types them), then the private use area.
char16_t candidate(int i)
{
    constexpr int nonCharacters = 0xFDEF - 0xFDD2 + 1;
    return i < nonCharacters ? char16_t(0xFDD2 + i) : char16_t(0xE000 + i - nonCharacters);
}

constexpr int candidateCount = (0xFDEF - 0xFDD2 + 1) + (0xF8FF - 0xE000 + 1);

} // namespace

void SeparatorStandIns::chooseFor(const QString &text)
{
    bool clash = false;
    for (char16_t c : m_standIns)
        clash = clash || text.contains(QChar(c));
    if (!clash)
        return;
    QSet<char16_t> used;
    for (QChar c : text)
        used.insert(c.unicode());
    int next = 0;
    for (char16_t &standIn : m_standIns) {
        while (next < candidateCount - 1 && used.contains(candidate(next)))
            ++next;
        // A text holding all 6430 candidates shares the last one; nobody writes such a text.
        standIn = candidate(next);
        next = qMin(next + 1, candidateCount - 1);
    }
}

QString SeparatorStandIns::replaced(QString &text, const char16_t *from, const char16_t *to)
{
    for (int i = 0; i < 4; ++i)
        text.replace(QChar(from[i]), QChar(to[i]));
    return text;
}
