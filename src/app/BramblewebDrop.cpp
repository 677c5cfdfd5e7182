// What is dropped on a main window: ".brw" files and themes dragged from another main window.
#include "app/Brambleweb.h"

#include "app/BRWApplication.h"
#include "common/Assertions.h"
#include "common/Clock.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/FileOperations.h"
#include "tree/LinkListView.h"
#include "tree/TreeDragDrop.h"
#include "tree/TreeWalk.h"
#include "tree/ViewDocument.h"

#include <QBuffer>
#include <QDropEvent>
#include <functional>

namespace {

// Takes ".brw" files dropped on a widget that is not the tree: the window's frame, tool bars and
// status bar, and the description editor, which keeps every other drop (text) to itself.
class FileDropFilter : public QObject
{
public:
    FileDropFilter(QObject *parent, std::function<void(const QStringList &)> open)
        : QObject(parent)
        , m_open(std::move(open))
    {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
            return false;
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList files = TreeDragDrop::treeFiles(drop->mimeData());
        if (files.isEmpty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // After the drop is over, so that the dropping program is not kept waiting.
        if (type == QEvent::Drop)
            QMetaObject::invokeMethod(
                    this, [this, files] { m_open(files); }, Qt::QueuedConnection);
        return true;
    }

private:
    std::function<void(const QStringList &)> m_open;
};

// A theme of another window comes in where a paste as copy would put it: its branch is written
// as a saved branch and read back as an inserted file, so that its links get this document's
// ids; every theme of the copy is dated today.
void copyForeignTheme(LinkListView &view, LinkListView &source, ColorListViewItem *dragged,
                      ColorListViewItem *target, LinkListView::DropPlace place)
{
    if (!dragged || !view.canDropTheme(dragged, target, place, LinkListView::DropKind::Copy))
        return;
    QBuffer branch;
    if (!branch.open(QIODevice::WriteOnly) || saveBranchInUtf8(source, dragged, &branch) <= 0)
        return;
    LinkListView::UndoStep step(&view, QT_TRANSLATE_NOOP("LinkListView", "Drag and Drop"));
    view.setCurrentItem(view.holderOrSelf(view.dropParent(target, place)));
    loadTreeBytes(view, branch.data(), dragged->name(), Clock::now(), LOAD_INSERT, nullptr);
    // The reader put the branch, with the dragged theme's description, under a new theme of
    // that name: the copy.
    ColorListViewItem *copy = view.currentTheme();
    view.placeDropped(copy, target, place);
    const QDate today = Clock::today();
    view.setThemeDate(copy, today);
    walkHeldBranch(view, copy,
                   [&](ColorListViewItem *theme, int, int) { view.setThemeDate(theme, today); });
    view.setCurrentItem(copy);
    view.scrollToItem(copy);
    Q_EMIT view.stateChanged();
    Q_EMIT view.dataChanged();
}

} // namespace

void Brambleweb::watchDrops()
{
    setAcceptDrops(true);
    auto *filter = new FileDropFilter(
            this, [this](const QStringList &files) { dropFiles(files, nullptr); });
    installEventFilter(filter);
    m_mainEditBox->viewport()->installEventFilter(filter);
    TreeDragDrop *drops = m_mainTree->dragDrop();
    CONNECT_ASSERT(connect(drops, &TreeDragDrop::filesDropped, this,
                           [this](const QStringList &files, const QModelIndex &theme) {
                               dropFiles(files, m_mainTree->themeAt(theme));
                           }));
    CONNECT_ASSERT(connect(drops, &TreeDragDrop::foreignThemeDropped, this,
                           [this](QTreeView *from, const QModelIndex &dragged,
                                  const QModelIndex &target, DropSite::DropPlace place) {
                               if (auto *source = qobject_cast<LinkListView *>(from))
                                   copyForeignTheme(*m_mainTree, *source, source->themeAt(dragged),
                                                    m_mainTree->themeAt(target), place);
                           }));
}

void Brambleweb::dropFiles(const QStringList &files, ColorListViewItem *theme)
{
    for (const QString &file : files) {
        if (!FileOperations::isReadableFile(file)) {
            Messages::warning(this, Messages::errorCaption(),
                              tr("Cannot open file\nНевозможно открыть файл\n") + file);
            continue;
        }
        if (!theme) {
            BRWApplication::instance()->createMainWindow(file, "Main")->show();
            continue;
        }
        m_mainTree->setCurrentItem(theme);
        if (askBeforeFileOperation(FileOperations::AppendFile))
            loadChosenFile(FileOperations::AppendFile, file);
    }
    updateStatus();
}
