#include "find/ThemeMatcher.h"

#include "model/ThemeDocument.h"

#include <algorithm>
#include <memory>

namespace ThemeMatcher {

std::vector<Theme *> reachableThemes(const ThemeDocument &document)
{
    std::vector<Theme *> themes;
    gatherReachable(document, themes);
    return themes;
}

void gatherReachable(const ThemeDocument &document, std::vector<Theme *> &themes,
                     std::vector<int> *depths)
{
    // Cleared, the lists keep their room for the gathering.
    themes.clear();
    if (depths)
        depths->clear();
    walkHeldBranch(document, document.root(), [&](Theme *theme, int depth, int) {
        themes.push_back(theme);
        if (depths)
            depths->push_back(depth);
    });
}

QString pathOf(const Theme *theme)
{
    // The model's forward path without its root mark; the root itself is "/".
    const QString path = themePath(theme, true).mid(2);
    return path.isEmpty() ? QStringLiteral("/") : path;
}

int subsequenceSpan(QStringView name, QStringView query)
{
    if (query.isEmpty())
        return 0;
    int best = -1;
    // From each place where the first character matches, the earliest end; the tightest wins.
    for (qsizetype start = name.indexOf(query.front()); start >= 0;
         start = name.indexOf(query.front(), start + 1)) {
        qsizetype at = start;
        for (qsizetype q = 1; q < query.size() && at >= 0; ++q)
            at = name.indexOf(query[q], at + 1);
        if (at < 0)
            break; // a later start cannot finish either
        const int span = int(at - start + 1);
        if (best < 0 || span < best)
            best = span;
        if (best == query.size())
            break;
    }
    return best;
}

void FoldedNames::clear()
{
    // The room stays: the next gathering fills it again without asking for fresh pages.
    m_text.resize(0);
    m_starts.assign(1, 0);
}

void FoldedNames::reserve(int count, int characters)
{
    m_starts.reserve(size_t(count) + 1);
    m_text.reserve(characters + count);
}

namespace {

// Every character of the basic plane folded, looked up instead of computed: the toolkit's
// folding of a Cyrillic letter costs several times a lookup, and gathering the names of a large
// tree folds millions of them.
const char16_t *foldedPlane()
{
    static const std::unique_ptr<char16_t[]> table = [] {
        auto folded = std::make_unique<char16_t[]>(0x10000);
        for (char32_t c = 0; c < 0x10000; ++c)
            folded[c] = char16_t(QChar::toCaseFolded(c));
        return folded;
    }();
    return table.get();
}

// Folds the text into `out`, which has room for it, and returns the end of what it wrote. A
// character outside the basic plane is folded whole, never as its two halves.
QChar *foldInto(QStringView text, QChar *out)
{
    const char16_t *plane = foldedPlane();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t code =
                    QChar::toCaseFolded(QChar::surrogateToUcs4(u, text[++i].unicode()));
            // Folding keeps a character in its plane; the check keeps the room enough anyway.
            if (QChar::requiresSurrogates(code)) {
                *out++ = QChar(QChar::highSurrogate(code));
                *out++ = QChar(QChar::lowSurrogate(code));
            } else {
                *out++ = QChar(char16_t(code));
            }
        } else {
            *out++ = QChar(plane[u]);
        }
    }
    return out;
}

} // namespace

void FoldedNames::append(QStringView name)
{
    const qsizetype start = m_text.size();
    m_text.resize(start + name.size() + 1);
    QChar *const begin = m_text.data() + start;
    QChar *const end = foldInto(name, begin);
    *end = QChar(0);
    m_text.truncate(start + (end - begin) + 1);
    m_starts.push_back(int(m_text.size()));
}

void FoldedNames::appendNames(const FoldedNames &from, int first, int count)
{
    const int begin = from.m_starts[size_t(first)];
    const int shift = int(m_text.size()) - begin;
    m_text.append(
            QStringView(from.m_text).mid(begin, from.m_starts[size_t(first + count)] - begin));
    for (int i = first + 1; i <= first + count; ++i)
        m_starts.push_back(from.m_starts[size_t(i)] + shift);
}

int FoldedNames::nameAt(int position) const
{
    return int(std::upper_bound(m_starts.begin(), m_starts.end(), position) - m_starts.begin()) - 1;
}

QString folded(QStringView text)
{
    QString result(text.size(), Qt::Uninitialized);
    result.truncate(foldInto(text, result.data()) - result.data());
    return result;
}

std::vector<int> rank(const FoldedNames &names, QStringView query, const std::vector<int> *among)
{
    std::vector<int> contained;
    std::vector<std::pair<int, int>> scattered; // (span, index)
    const auto consider = [&](int i) {
        const QStringView name = names.name(i);
        if (name.contains(query))
            contained.push_back(i);
        else if (const int span = subsequenceSpan(name, query); span > 0)
            scattered.emplace_back(span, i);
    };
    if (among) {
        // Kept in index order, so that the contained ones stay in the tree's order.
        std::vector<int> sorted = *among;
        std::sort(sorted.begin(), sorted.end());
        for (int i : sorted)
            consider(i);
    } else if (query.isEmpty()) {
        for (int i = 0; i < names.count(); ++i)
            contained.push_back(i);
    } else {
        // One pass over all names for those that contain the query, then the rest one by one.
        std::vector<bool> holds(size_t(names.count()), false);
        const QStringView text = names.text();
        // A typed query holds no NUL, so every hit lies inside one name; go on after it.
        for (qsizetype at = text.indexOf(query); at >= 0;) {
            const int index = names.nameAt(int(at));
            holds[size_t(index)] = true;
            contained.push_back(index);
            at = text.indexOf(query, names.name(index).end() - text.begin() + 1);
        }
        for (int i = 0; i < names.count(); ++i)
            if (!holds[size_t(i)])
                if (const int span = subsequenceSpan(names.name(i), query); span > 0)
                    scattered.emplace_back(span, i);
    }
    std::stable_sort(scattered.begin(), scattered.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[span, index] : scattered)
        contained.push_back(index);
    return contained;
}

} // namespace ThemeMatcher
