#include "tree/ViewDocument.h"

#include "common/Clock.h"
#include "common/Emergency.h"
#include "common/Messages.h"
#include "model/ThemeDocument.h"
#include "storage/FileReading.h"
#include "storage/TreeFile.h"
#include "tree/LinkListView.h"
#include "tree/ProgressSteps.h"
#include "tree/TreeUndo.h"
#include "tree/TreeWalk.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>

#include <optional>
#include <vector>

namespace ViewDocument {

std::unique_ptr<ThemeDocument> snapshot(LinkListView &view, ColorListViewItem *top, Theme **topCopy)
{
    auto document = std::make_unique<ThemeDocument>();
    document->setTextEncoding(view.textEncoding());
    ColorListViewItem *const current = view.currentTheme();
    QHash<ColorListViewItem *, Theme *> members; // of link groups
    auto copy = [&](ColorListViewItem *item, Theme *theme) {
        theme->setName(item->name());
        if (item == current && (item->linkId() >= 0 || item == top))
            theme->setDescription(view.description(item, true));
        else
            theme->setDescription(item->description());
        theme->setDate(item->date());
        if (item->linkId() != 0)
            members.insert(item, theme);
        if (item == top)
            *topCopy = theme;
    };
    ColorListViewItem *root = view.rootTheme();
    copy(root, document->root());
    std::vector<Theme *> parents{document->root()};
    auto asTheyStand = [](ColorListViewItem *t) -> QTreeWidgetItem * { return t; };
    walkBranch(root, asTheyStand, [&](ColorListViewItem *item, int depth, int) {
        if (item->isNullItem())
            return;
        parents.resize(depth);
        Theme *theme = document->appendChild(parents.back());
        parents.push_back(theme);
        copy(item, theme);
    });
    MLStorage &storage = view.storage();
    for (const int id : storage.ids()) {
        const std::optional<MLStorage::Record> record = storage.recordState(id);
        if (!record)
            continue;
        if (Theme *mark = members.value(record->mark))
            document->joinGroup(mark, id);
        for (ColorListViewItem *link : record->links)
            if (Theme *theme = members.value(link))
                document->joinGroup(theme, -id);
        document->setHolder(id, record->holderIndex);
    }
    return document;
}

void buildRows(LinkListView &view, const Theme *source, ColorListViewItem *target)
{
    // parents[d]: the row whose subthemes are being built at depth d + 1.
    std::vector<ColorListViewItem *> parents{target};
    std::vector<std::pair<const Theme *, int>> levels{{source, 0}};
    while (!levels.empty()) {
        auto &[owner, next] = levels.back();
        if (next >= owner->childCount()) {
            levels.pop_back();
            parents.pop_back();
            continue;
        }
        const Theme *theme = owner->child(next++);
        ColorListViewItem *row = view.appendChild(parents.back(), QString());
        row->setDate(theme->date());
        if (theme->linkId() != 0)
            view.joinGroup(row, theme->linkId());
        view.renameTheme(row, theme->name());
        if (theme->linkId() >= 0)
            row->setDescription(theme->description());
        if (theme->childCount() > 0) {
            levels.push_back({theme, 0});
            parents.push_back(row);
        }
    }
}

} // namespace ViewDocument

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("LinkListView", text);
}

void loadFrom(LinkListView &view, const TreeChunks &chunks, qint64 size, const QString &name,
              const QDateTime &modified, int flags, QProgressBar *progress)
{
    // The window repaints while a large file loads.
    ProgressSteps steps(progress, ProgressSteps::Repaint::Yes);
    steps.start(size);
    // An inserted file is one step of the tree's undo history; a whole tree starts a fresh one.
    std::optional<LinkListView::UndoStep> undoStep;
    std::optional<TreeUndo::Pause> unrecorded;
    if (flags & LOAD_INSERT) {
        undoStep.emplace(&view, QT_TRANSLATE_NOOP("LinkListView", "Insert File"));
    } else {
        view.clear();
        unrecorded.emplace(view.undoHistory());
    }

    MLStorage previous;
    view.connectStorage(previous);
    LinkListView::Busy busy(&view);
    view.storage().transfer(previous);

    ColorListViewItem *const reminderBefore = view.reminderTheme();
    // An inserted file is built as a branch outside the tree, which joins the tree in one
    // step at the end; a whole tree is built under a detached holder and joins its root in one
    // step: one notification of the toolkit's model instead of one per theme.
    const bool insert = flags & LOAD_INSERT;
    ColorListViewItem *target = view.rootTheme();
    std::unique_ptr<ColorListViewItem> holder;
    if (insert) {
        target = view.createDetachedTheme();
        view.renameTheme(target, name);
        view.setThemeDate(target, modified.date());
    } else {
        target->setExpanded(true);
        view.setCurrentItem(target);
        target->setExpanded(false);
        holder = std::make_unique<ColorListViewItem>(static_cast<QTreeWidget *>(nullptr));
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 500);

    ThemeDocument document;
    document.root()->setDate(target->date());
    const TreeProgress fed{{}, [&steps](qint64 value) { steps.setValue(value); }};
    const bool renamedReminder =
            readTree(document, document.root(), chunks, fed, view.reminderTheme() != nullptr);
    target->setDescription(document.root()->description());
    ViewDocument::buildRows(view, document.root(), holder ? holder.get() : target);
    // An inserted file joins the document in the document's form.
    if (!insert)
        view.setTextEncoding(document.textEncoding());
    if (holder)
        view.exchangeChildren(target, holder.get());

    // The merge's report of broken groups follows the reader's own reports.
    const std::vector<Messages::Box> mergeReport = Messages::holdBoxes([&] {
        previous.merge(view.storage());
        previous.transfer(view.storage());
    });
    if (insert) {
        // Under the theme current now: the one current at the start may have gone meanwhile.
        ColorListViewItem *parent = view.currentTheme() ? view.currentTheme() : view.rootTheme();
        view.insertTheme(parent, 0, target);
        view.setCurrentItem(target);
    }
    // The reminder reads its text once the whole file is in the tree and its links resolve.
    if (view.reminderTheme() && view.reminderTheme() != reminderBefore)
        view.handOverReminder(modified);
    if (renamedReminder)
        Messages::warning(&view, Messages::warningCaption(), renamedReminderReport());
    Messages::showAll(mergeReport);
    target->setExpanded(true);
    steps.finish();
    view.whenCurrentChanged(target);
    Q_EMIT view.stateChanged();
}

bool waitForStableTree(LinkListView &view, QString *log)
{
    QElapsedTimer waited;
    waited.start();
    while (!view.isStable()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 500);
        if (waited.elapsed() >= 10000) {
            Messages::report(log, &view, Messages::warningCaption(),
                             tr("Tree isn't stable and cannot be saved (Дерево изменяется и не "
                                "может быть сохранено)"));
            return false;
        }
    }
    return true;
}

} // namespace

void loadTreeBytes(LinkListView &view, const QByteArray &bytes, const QString &name,
                   const QDateTime &modified, int flags, QProgressBar *progress)
{
    loadFrom(view, wholeBytes(bytes), bytes.size(), name, modified, flags, progress);
}

bool loadTree(LinkListView &view, const QString &fileName, int flags, QProgressBar *progress,
              FileStamp *stamp)
{
    if (fileName.isEmpty())
        return true;
    qint64 size = 0;
    const std::optional<TreeChunks> chunks = readTreeFileChunks(fileName, &view, &size, stamp);
    if (!chunks)
        return false;
    const QFileInfo info(fileName);
    loadFrom(view, *chunks, size, info.fileName(), info.lastModified(), flags, progress);
    return true;
}

namespace {

// Writes the branch of `theme` (the whole tree without SAVE_BRANCH), as saveTree does.
int saveBranchOf(LinkListView &view, ColorListViewItem *theme, QIODevice *file, int flags,
                 QProgressBar *progress, QString *log, SaveReport *report)
{
    // After a fatal signal there is no waiting: a tree caught in the middle of a change is
    // written as it stands, and the result says it may be inconsistent.
    const bool emergency = Emergency::inProgress();
    const bool inconsistent = emergency && !view.isStable();
    if (!emergency && !waitForStableTree(view, log))
        return 0;
    ColorListViewItem *top = !(flags & SAVE_BRANCH) ? view.rootTheme()
                             : theme                ? view.makeHolder(theme)
                                                    : nullptr;
    if (!top)
        return 1;
    Theme *topCopy = nullptr;
    const std::unique_ptr<ThemeDocument> document = ViewDocument::snapshot(view, top, &topCopy);
    ProgressSteps steps(progress, ProgressSteps::Repaint::No);
    const TreeProgress fed{[&steps, emergency](qint64 total) {
                               steps.start(total);
                               if (!emergency)
                                   QCoreApplication::processEvents(QEventLoop::AllEvents, 500);
                           },
                           [&steps](qint64 value) { steps.setValue(value); }};
    const int result =
            writeTree(*document, topCopy, file, flags, fed, log, &view, report, inconsistent);
    if (result > -1000) // nothing failed to be written
        steps.finish();
    return result;
}

} // namespace

int saveTree(LinkListView &view, QIODevice *file, int flags, QProgressBar *progress, QString *log,
             SaveReport *report)
{
    return saveBranchOf(view, view.currentTheme(), file, flags, progress, log, report);
}

int saveBranchInUtf8(LinkListView &view, ColorListViewItem *theme, QIODevice *file)
{
    const TextEncoding form = view.textEncoding();
    view.setTextEncoding(TextEncoding::Utf8);
    const int result = saveBranchOf(view, theme, file, SAVE_BRANCH, nullptr, nullptr, nullptr);
    view.setTextEncoding(form);
    return result;
}

namespace HtmlTable {

std::vector<Entry> branchOf(LinkListView &view, ColorListViewItem *root)
{
    std::vector<Entry> preorder;
    bool tooMany = false;
    auto heldHere = [&](ColorListViewItem *theme) -> QTreeWidgetItem * {
        if (tooMany || theme->isNullItem())
            return nullptr;
        return view.makeHolder(theme) == theme ? theme : nullptr;
    };
    walkBranch(root, heldHere, [&](ColorListViewItem *theme, int depth, int) {
        if (tooMany || theme->isNullItem())
            return;
        preorder.push_back({depth, theme->name()});
        tooMany = preorder.size() > HtmlTable::maxThemes;
    });
    if (tooMany)
        preorder.clear();
    return preorder;
}

int write(LinkListView &view, ColorListViewItem *root, QIODevice *file, QWidget *parent,
          SaveReport *report)
{
    return write(root ? branchOf(view, root) : std::vector<Entry>(), view.textEncoding(), file,
                 parent, report);
}

} // namespace HtmlTable

namespace OutlineAdapter {

std::optional<OutlineNode> branchOf(LinkListView &view, const QString &documentName)
{
    ColorListViewItem *current = view.currentTheme();
    const bool whole = !current || current == view.rootTheme();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const TextEncoding form = view.textEncoding();
    view.setTextEncoding(TextEncoding::Utf8);
    const int result = saveTree(view, &buffer, whole ? 0 : SAVE_BRANCH, nullptr, nullptr);
    view.setTextEncoding(form);
    if (result <= 0)
        return std::nullopt;
    OutlineNode root = OutlineTreeFile::read(buffer.data());
    root.name = whole ? documentName : current->name();
    root.date = whole ? view.rootTheme()->date() : current->date();
    return root;
}

void load(LinkListView &view, const OutlineNode &root, const QString &name, int flags,
          QProgressBar *progress)
{
    const QDate date = root.date.isValid() ? root.date : Clock::today();
    loadTreeBytes(view, OutlineTreeFile::write(root), name, QDateTime(date, QTime(0, 0)), flags,
                  progress);
}

} // namespace OutlineAdapter
