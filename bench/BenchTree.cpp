#include "BenchTree.h"

#include "common/Cp1251.h"
#include "common/Messages.h"
#include "model/ThemeDocument.h"
#include "storage/TreeHeader.h"

#include <cstdio>
#include <cstdlib>

#include <QDate>
#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int maxDepth = 10;
constexpr int flatPercent = 5; // a small branch that is a plain list
const QDate firstDate(2008, 1, 1);
const QDate lastDate(2024, 5, 31);

const char *const latinWords[] = {
        "the",     "plan",    "release", "server",  "backup",  "notes",    "meeting", "draft",
        "project", "review",  "list",    "budget",  "client",  "version",  "report",  "issue",
        "build",   "config",  "script",  "table",   "query",   "index",    "cache",   "network",
        "book",    "chapter", "idea",    "and",     "of",      "for",      "with",    "from",
        "to",      "in",      "on",      "is",      "not",     "old",      "new",     "fixed",
        "open",    "closed",  "later",   "today",   "weekly",  "summary",  "Linux",   "kernel",
        "driver",  "email",   "phone",   "address", "invoice", "contract", "test",    "data",
        "export",  "import",  "file",    "folder",  "link",    "paper",    "garden",  "travel"};

const char *const cyrillicWords[] = {
        "и",          "в",         "не",        "на",     "что",     "с",         "по",
        "для",        "это",       "как",       "от",     "до",      "план",      "заметки",
        "встреча",    "проект",    "отчёт",     "задача", "сервер",  "копия",     "список",
        "бюджет",     "клиент",    "версия",    "вопрос", "сборка",  "настройка", "таблица",
        "запрос",     "книга",     "глава",     "идея",   "старый",  "новый",     "открыт",
        "закрыт",     "позже",     "сегодня",   "неделя", "итоги",   "письмо",    "телефон",
        "адрес",      "договор",   "проверка",  "данные", "файл",    "папка",     "ссылка",
        "статья",     "сад",       "поездка",   "дом",    "работа",  "время",     "деньги",
        "документы",  "программа", "изменения", "ошибка", "решение", "результат", "материалы",
        "расписание", "покупки",   "здоровье",  "семья",  "учёба",   "экзамен",   "лекция"};

// Portable draws: the standard distributions differ between libraries, the engine does not.
class Random
{
public:
    explicit Random(quint32 seed)
        : m_engine(seed)
    {}
    int below(int n) { return n <= 0 ? 0 : int((quint64(m_engine()) * quint64(n)) >> 32); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::mt19937 m_engine;
};

char upper(char c)
{
    const auto byte = uchar(c);
    if (byte >= 'a' && byte <= 'z')
        return char(byte - 32);
    if (byte >= 0xE0) // CP1251 а..я
        return char(byte - 0x20);
    if (byte == 0xB8) // ё
        return char(0xA8);
    return c;
}

struct Theme
{
    int parent = -1;
    int depth = 0;
    int firstChild = -1;
    int lastChild = -1;
    int nextSibling = -1;
    int children = 0;
    int linkId = 0;
    bool parentDate = false;
    QDate date;
};

class Generator
{
public:
    explicit Generator(quint32 seed)
        : m_random(seed)
    {
        Cp1251Codec codec;
        for (const char *word : latinWords)
            m_latin.append(QByteArray(word));
        for (const char *word : cyrillicWords)
            m_cyrillic.append(codec.encode(QString::fromUtf8(word)));
    }

    QByteArray generate(int count, BenchTreeStats &stats);

private:
    void buildShape(int count);
    int addTheme(int parent);
    void grow(int parent, int descendants);
    void addLinkGroups(int groups);
    bool inBranchOf(int theme, int top) const;
    void appendText(QByteArray &out, int length, int cyrillicPercent);
    void appendName(QByteArray &out);
    int appendDescription(QByteArray &out);

    Random m_random;
    QList<QByteArray> m_latin;
    QList<QByteArray> m_cyrillic;
    std::vector<Theme> m_themes; // [0] is the root
};

// Themes are created in preorder: a parent, then each child's whole branch. A branch of n themes
// gets about sqrt(n) children and shares the rest among them unevenly, so the tree has a few
// dozen top-level themes, wide folders, many small ones and some deep corners.
void Generator::buildShape(int count)
{
    m_themes.clear();
    m_themes.reserve(size_t(count) + 1);
    m_themes.push_back(Theme());
    m_themes[0].date = lastDate;
    grow(0, count);
}

int Generator::addTheme(int parent)
{
    const int index = int(m_themes.size());
    m_themes.push_back(Theme());
    Theme &theme = m_themes.back();
    Theme &up = m_themes[parent];
    theme.parent = parent;
    theme.depth = up.depth + 1;
    if (up.lastChild < 0)
        up.firstChild = index;
    else
        m_themes[up.lastChild].nextSibling = index;
    up.lastChild = index;
    ++up.children;

    if (parent != 0 && m_random.chance(20)) {
        theme.parentDate = true;
        theme.date = up.date;
    } else {
        const QDate base = parent == 0 ? firstDate : up.date;
        const int span = int(std::min<qint64>(base.daysTo(lastDate), 700));
        theme.date = base.addDays(m_random.below(span + 1));
    }
    return index;
}

// Creates `descendants` themes below parent; the recursion is at most maxDepth deep.
void Generator::grow(int parent, int descendants)
{
    if (descendants <= 0)
        return;
    const int depth = m_themes[parent].depth;
    int children = descendants;
    if (depth + 1 < maxDepth && !(descendants < 200 && m_random.chance(flatPercent))) {
        const int root = int(std::sqrt(double(descendants)));
        const int scaled = parent == 0 ? root / 8
                           : descendants <= 12
                                   ? m_random.between((descendants + 1) / 2, descendants)
                                   : root * m_random.between(40, 160) / 100;
        children = std::clamp(scaled, 1, descendants);
    }
    std::vector<qint64> cumulative(size_t(children) + 1, 0);
    for (int i = 0; i < children; ++i) {
        const qint64 weight = m_random.between(1, 100);
        cumulative[size_t(i) + 1] = cumulative[size_t(i)] + weight * weight;
    }
    const qint64 rest = descendants - children;
    const qint64 total = cumulative.back();
    for (int i = 0; i < children; ++i) {
        const qint64 share =
                rest * cumulative[size_t(i) + 1] / total - rest * cumulative[size_t(i)] / total;
        grow(addTheme(parent), int(share));
    }
}

bool Generator::inBranchOf(int theme, int top) const
{
    for (; theme > 0; theme = m_themes[theme].parent)
        if (theme == top)
            return true;
    return false;
}

// A mark theme anywhere, with 1 to 3 links on childless themes outside its branch (a link inside
// its own mark's branch would show that branch within itself).
void Generator::addLinkGroups(int groups)
{
    const int count = int(m_themes.size()) - 1;
    for (int id = 1; id <= groups; ++id) {
        int mark = 0;
        for (int attempt = 0; attempt < 50 && mark == 0; ++attempt) {
            const int candidate = m_random.between(1, count);
            if (m_themes[candidate].linkId == 0)
                mark = candidate;
        }
        if (mark == 0)
            continue;
        const int wanted = m_random.between(1, 3);
        int links = 0;
        for (int attempt = 0; attempt < 200 && links < wanted; ++attempt) {
            const int candidate = m_random.between(1, count);
            const Theme &theme = m_themes[candidate];
            if (theme.linkId != 0 || theme.children != 0 || inBranchOf(candidate, mark))
                continue;
            m_themes[candidate].linkId = -id;
            ++links;
        }
        if (links > 0)
            m_themes[mark].linkId = id;
    }
}

// Words up to about `length` bytes, with commas, sentence ends and capitals.
void Generator::appendText(QByteArray &out, int length, int cyrillicPercent)
{
    const qsizetype end = out.size() + length;
    bool capital = true;
    while (out.size() < end) {
        const QList<QByteArray> &words = m_random.chance(cyrillicPercent) ? m_cyrillic : m_latin;
        const QByteArray &word = words[m_random.below(int(words.size()))];
        const qsizetype at = out.size();
        out.append(word);
        if (capital)
            out[at] = upper(out[at]);
        capital = false;
        if (out.size() >= end)
            break;
        const int mark = m_random.below(100);
        if (mark < 6) {
            out.append(". ");
            capital = true;
        } else if (mark < 10) {
            out.append(", ");
        } else {
            out.append(' ');
        }
    }
}

void Generator::appendName(QByteArray &out)
{
    const int length = m_random.between(10, 60);
    const qsizetype start = out.size();
    appendText(out, length, m_random.below(101));
    out.truncate(start + length);
    if (out.endsWith(' ') || out.endsWith(','))
        out[out.size() - 1] = '.';
}

// Mostly empty or a few lines, sometimes a page, now and then a few kilobytes. Returns its size.
int Generator::appendDescription(QByteArray &out)
{
    const int kind = m_random.below(100);
    const int lines = kind < 34   ? 0
                      : kind < 82 ? m_random.between(1, 3)
                      : kind < 96 ? m_random.between(4, 16)
                                  : m_random.between(25, 60);
    const qsizetype start = out.size();
    const int cyrillicPercent = m_random.chance(70) ? 85 : 15;
    for (int line = 0; line < lines; ++line) {
        if (line > 0) {
            out.append("\r\n");
            if (m_random.chance(12))
                out.append("\r\n");
        }
        const int shape = m_random.below(100);
        if (shape < 8)
            out.append("- ");
        else if (shape < 10)
            out.append(QByteArray::number(line + 1) + ") ");
        else if (shape < 11)
            out.append("<hidden>");
        appendText(out, m_random.between(15, 100), cyrillicPercent);
        if (shape == 10)
            out.append("</hidden>");
    }
    if (lines > 0 && m_random.chance(5))
        out.append("\r\n"); // a description that ends in a line feed
    return int(out.size() - start);
}

QByteArray Generator::generate(int count, BenchTreeStats &stats)
{
    count = std::max(count, 0);
    buildShape(count);
    addLinkGroups(count >= 20 ? std::max(1, count / 300) : 0);

    QByteArray out;
    out.reserve(qsizetype(count) * 310 + 256);
    out.append("Generated tree for measurements\r\n");
    appendText(out, 200, 50);
    out.append("\r\n");

    stats = BenchTreeStats();
    stats.themes = count;
    stats.widest = m_themes[0].children;
    stats.topLevel = m_themes[0].children;
    QString header;
    // Preorder: down to the first child, else on to the next sibling of the nearest ancestor.
    for (int i = m_themes[0].firstChild; i > 0;) {
        const Theme &theme = m_themes[i];
        header.clear();
        appendThemeHeader(header, theme.depth, theme.linkId,
                          theme.parentDate ? std::nullopt : std::optional<QDate>(theme.date));
        out.append(header.toLatin1());
        appendName(out);
        out.append("\r\n");
        if (theme.linkId >= 0)
            stats.longestText = std::max(stats.longestText, appendDescription(out));
        out.append("\r\n");

        stats.marks += theme.linkId > 0;
        stats.links += theme.linkId < 0;
        stats.maxDepth = std::max(stats.maxDepth, theme.depth);
        stats.widest = std::max(stats.widest, theme.children);

        int next = theme.firstChild;
        for (int up = i; next < 0 && up > 0; up = m_themes[up].parent)
            next = m_themes[up].nextSibling;
        i = next;
    }
    return out;
}

} // namespace

QByteArray generateBenchTree(int themes, quint32 seed, BenchTreeStats *stats)
{
    BenchTreeStats local;
    return Generator(seed).generate(themes, stats ? *stats : local);
}

BenchArguments benchArguments(int argc, char **argv)
{
    BenchArguments arguments;
    if (argc > 1)
        arguments.themes = std::atoi(argv[1]);
    if (argc > 2)
        arguments.seed = quint32(std::strtoul(argv[2], nullptr, 10));
    return arguments;
}

void answerBoxesOnStandardError(int &boxes)
{
    Messages::setResponder([&boxes](const Messages::Box &box) {
        if (++boxes <= 5)
            std::fprintf(stderr, "box: %s: %s\n", qPrintable(box.caption), qPrintable(box.text));
        return Messages::defaultAnswer(box.buttons);
    });
}

BenchStart::BenchStart(int &argc, char **argv)
    : offscreen(qputenv("QT_QPA_PLATFORM", "offscreen"))
    , app(argc, argv)
    , arguments(benchArguments(argc, argv))
{
    answerBoxesOnStandardError(boxes);
}

long statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The document's themes: the generator above has a Theme of its own.
::Theme *addBenchBranch(ThemeDocument &document, int size)
{
    ::Theme *root = document.root();
    const int outsideId = document.joinGroup(document.appendChild(root), 0);
    ::Theme *top = document.appendChild(root);
    top->setName(QStringLiteral("branch"));
    int made = 0;
    auto add = [&](::Theme *parent) {
        ::Theme *theme = document.appendChild(parent);
        theme->setName(QStringLiteral("theme %1").arg(made));
        theme->setDescription(QStringLiteral("a description of a few words, %1").arg(made));
        if (++made % 100 == 0)
            document.joinGroup(theme, -outsideId);
        else if (made % 500 == 1)
            document.joinGroup(document.appendChild(root), -document.joinGroup(theme, 0));
        return theme;
    };
    for (int i = 0; i < 100; ++i) {
        ::Theme *child = add(top);
        for (int j = 1; j < size / 100; ++j)
            add(child);
    }
    return top;
}

int countBelow(::Theme *top)
{
    int count = 0;
    walkThemes(
            top, [](::Theme *theme) { return theme; }, [&](::Theme *, int, int) { ++count; });
    return count;
}
