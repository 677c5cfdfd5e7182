// Feeds arbitrary bytes to the tree file reader and writes the tree again. The first byte picks
// the reader's flags (bit 7: LOAD_INSERT, under a theme of a small tree loaded first) and the
// flags of one more save (bits 0 to 2: branch, structure, hidden parts stripped); the whole input
// is the file. Besides the sanitizers, the checks are: every save returns 1, an insert is one
// closed step, the bytes read in pieces give the same tree, no assertion point fires, the
// character count warning appears exactly when themes the writer cannot reach carry text, and the
// writer's output reads back into a tree that writes the same bytes.
#include "common/Clock.h"
#include "common/Messages.h"
#include "model/DocumentUndo.h"
#include "model/EditingCommands.h"
#include "model/ThemeDocument.h"
#include "storage/TreeFile.h"
#include "storage/TreeHeader.h"

#include <QApplication>
#include <QSet>
#include <QTemporaryFile>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// What LOAD_INSERT inserts into: a link group, a reminder theme and a branch to insert under.
const QByteArray insertBase = "root\r\n<!--1mark1[01.01.2001]-->mark\r\ntext\r\n"
                              "<!--2[|]-->__reminder\r\n\r\n<!--1link1[|]-->link\r\n\r\n";

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_treereader: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

[[noreturn]] void failDiffering(const char *what, const QByteArray &before, const QByteArray &after)
{
    qsizetype at = 0;
    while (at < before.size() && at < after.size() && before[at] == after[at])
        ++at;
    std::fprintf(stderr, "fuzz_treereader: %s (%lld and %lld bytes, first difference at %lld)\n",
                 what, qlonglong(before.size()), qlonglong(after.size()), qlonglong(at));
    const qsizetype from = qMax<qsizetype>(0, at - 60);
    std::fprintf(stderr, "before: %s\nafter:  %s\n",
                 before.mid(from, 120).toPercentEncoding(" ").constData(),
                 after.mid(from, 120).toPercentEncoding(" ").constData());
    fail(what);
}

// Assertion points report in boxes captioned "MY_ASSERT", "CONNECT_ASSERT" or "error " + point;
// plain "error" boxes are the storage's and the items' ordinary reports.
bool isAssertionPoint(const QString &caption)
{
    return caption == QLatin1String("MY_ASSERT") || caption == QLatin1String("CONNECT_ASSERT") ||
           caption.startsWith(QLatin1String("error "));
}

// What the writer leaves out of a tree: the themes its held walk never meets, such as those below
// a link theme that holds its group's children while its mark theme lies in its own branch.
struct Dropped
{
    bool groupMember = false; // a mark or link theme: its group breaks when read back
    bool text = false;        // characters that the writer's count check misses
};

const auto asTheyStand = [](Theme *theme) { return theme; };

Dropped droppedByWriter(const ThemeDocument &document)
{
    QSet<const Theme *> written;
    walkHeldBranch(document, document.root(),
                   [&](Theme *theme, int, int) { written.insert(theme); });
    Dropped dropped;
    walkThemes(document.root(), asTheyStand, [&](Theme *theme, int, int) {
        if (written.contains(theme))
            return;
        dropped.groupMember = dropped.groupMember || theme->linkId() != 0;
        dropped.text = dropped.text || !theme->name().isEmpty() || !theme->description().isEmpty();
    });
    return dropped;
}

// True when removing the CRs, as the reader does inside descriptions, turns a line that is no
// theme header into one: the writer then writes it as a header line of its own.
bool carriageReturnMakesHeader(const QByteArray &bytes)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        if (line.contains('\r') && !readThemeHeader(line, 0)) {
            QByteArray stripped = line.toByteArray();
            stripped.replace("\r", "");
            if (readThemeHeader(stripped, 0))
                return true;
        }
        start = end + 1;
    }
    return false;
}

Theme *themeAt(const ThemeDocument &document, qsizetype position)
{
    QList<Theme *> all{document.root()};
    walkThemes(document.root(), asTheyStand, [&](Theme *theme, int, int) { all.append(theme); });
    return all.at(position % all.size());
}

class Harness
{
public:
    Harness(int &argc, char **argv)
        : m_app(argc, argv)
    {
        Clock::setStartDate(QDate(2005, 3, 15));
        Clock::setNow(QDateTime(QDate(2005, 3, 15), QTime(10, 0)));
        // Every box answers with its default button at once; assertion points end the run.
        Messages::setResponder([](const Messages::Box &box) {
            if (isAssertionPoint(box.caption))
                fail(qPrintable(QStringLiteral("assertion point: ") + box.caption + " " +
                                box.text));
            return Messages::defaultAnswer(box.buttons);
        });
        if (!m_sink.open())
            fail("cannot open a temporary file");
    }

    void run(const QByteArray &bytes);

private:
    // A document read from the bytes as a window reads a file: in a document of its own, its
    // groups settled; with LOAD_INSERT as a new theme under a theme of a small tree.
    std::unique_ptr<ThemeDocument> load(const QByteArray &bytes, int flags);
    QByteArray save(ThemeDocument &document, Theme *top, int flags, bool dropsText = false);

    QApplication m_app;
    QTemporaryFile m_sink;
};

std::unique_ptr<ThemeDocument> readApart(const QByteArray &bytes, bool reminderTaken,
                                         qsizetype pieceSize = 0)
{
    auto document = std::make_unique<ThemeDocument>();
    document->root()->setDate(Clock::startDate());
    TreeChunks pieces = wholeBytes(bytes);
    if (pieceSize > 0) {
        pieces.clear();
        for (qsizetype at = 0; at < bytes.size(); at += pieceSize)
            pieces.push_back(bytes.mid(at, pieceSize));
    }
    readTree(*document, document->root(), std::move(pieces), {}, reminderTaken);
    document->settleGroups();
    return document;
}

std::unique_ptr<ThemeDocument> Harness::load(const QByteArray &bytes, int flags)
{
    if (!(flags & LOAD_INSERT))
        return readApart(bytes, false);
    std::unique_ptr<ThemeDocument> document = readApart(insertBase, false);
    const std::unique_ptr<ThemeDocument> read =
            readApart(bytes, document->reminderTheme() != nullptr);
    {
        DocumentUndo undo(*document);
        EditingCommands commands(*document, undo);
        const EditingCommands::Outcome outcome =
                commands.insertDocument(document->root()->child(0), *read, QStringLiteral("fuzz"),
                                        QDate(2005, 3, 14), "Insert File");
        if (!outcome.current || !document->contains(outcome.current))
            fail("the inserted file is not in the tree");
        if (undo.isOpen())
            fail("the insert left its step open");
    }
    return document;
}

QByteArray Harness::save(ThemeDocument &document, Theme *top, int flags, bool dropsText)
{
    if (!m_sink.resize(0) || !m_sink.seek(0))
        fail("cannot empty the temporary file");
    if (flags & SAVE_BRANCH)
        document.makeHolder(top); // as the window writes a branch
    QString log;
    if (writeTree(document, top, &m_sink, flags, {}, &log, nullptr, nullptr) != 1)
        fail("writeTree did not return 1");
    // Only the character count check can report here, and only when text was left out.
    if (log.isEmpty() == (flags == 0 && dropsText))
        fail(qPrintable(QStringLiteral("unexpected save log: ") + log));
    if (!m_sink.seek(0))
        fail("cannot read the temporary file");
    return m_sink.readAll();
}

void Harness::run(const QByteArray &bytes)
{
    const int control = bytes.isEmpty() ? 0 : uchar(bytes[0]);
    const int loadFlags = (control & 0x80) ? LOAD_INSERT : 0;
    const int extraFlags = ((control & 1) ? SAVE_BRANCH : 0) |
                           ((control & 2) ? SAVE_STRUCTURE : 0) |
                           ((control & 4) ? SAVE_STRIP_HIDDEN : 0);

    std::unique_ptr<ThemeDocument> document = load(bytes, loadFlags);
    Dropped dropped = droppedByWriter(*document);
    QByteArray written = save(*document, document->root(), 0, dropped.text);
    if (!loadFlags) {
        // In pieces (the first one holding a whole mark), the second part read by a thread of
        // its own, the bytes make the same tree.
        const std::unique_ptr<ThemeDocument> pieced =
                readApart(bytes, false, 3 + bytes.size() % 61);
        if (save(*pieced, pieced->root(), 0, droppedByWriter(*pieced).text) != written)
            fail("a read in pieces gives another tree");
    }
    // A line that becomes a header and a group that loses members change the tree once more
    // when read back; after that the tree has neither, and the bytes must repeat.
    bool fixedPointDue = !carriageReturnMakesHeader(bytes) && !dropped.groupMember;
    if (extraFlags)
        save(*document,
             (extraFlags & SAVE_BRANCH) ? themeAt(*document, bytes.size()) : document->root(),
             extraFlags);

    for (int round = 0;; ++round) {
        document = load(written, 0);
        dropped = droppedByWriter(*document);
        const QByteArray again = save(*document, document->root(), 0, dropped.text);
        if (fixedPointDue) {
            if (again != written)
                failDiffering("writing what was read back gives other bytes", written, again);
            break;
        }
        if (round == 2)
            fail("the tree keeps changing after three rounds of writing and reading");
        fixedPointDue = !dropped.groupMember;
        written = again;
    }
}

Harness *harness = nullptr;

} // namespace

// The font configuration library keeps a few blocks unreachable from its first use on.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_treereader";
    static char *argv[] = {name, nullptr};
    // Kept to the end of the process: tearing the application down at exit only adds noise.
    harness = new Harness(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!harness)
        LLVMFuzzerInitialize(nullptr, nullptr);
    harness->run(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
