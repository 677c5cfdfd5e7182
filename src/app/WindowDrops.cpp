// What is dropped on a main window: ".brw" files and themes dragged from another main window.
#include "app/WindowDrops.h"

#include "app/BRWApplication.h"
#include "app/Brambleweb.h"
#include "app/FileCommands.h"
#include "common/Assertions.h"
#include "common/Clock.h"
#include "editor/CorrectedTextEdit.h"
#include "model/ThemeTreeModel.h"
#include "storage/FileOperations.h"
#include "tree/ThemeView.h"
#include "tree/TreeDragDrop.h"

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

} // namespace

WindowDrops::WindowDrops(Brambleweb &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("drops"));
    m_window.setAcceptDrops(true);
    auto *filter = new FileDropFilter(
            this, [this](const QStringList &files) { dropFiles(files, nullptr); });
    m_window.installEventFilter(filter);
    m_window.editor()->viewport()->installEventFilter(filter);
    TreeDragDrop *drops = m_window.tree()->dragDrop();
    CONNECT_ASSERT(connect(drops, &TreeDragDrop::filesDropped, this,
                           [this](const QStringList &files, const QModelIndex &theme) {
                               dropFiles(files, ThemeTreeModel::themeAt(theme));
                           }));
    CONNECT_ASSERT(connect(drops, &TreeDragDrop::foreignThemeDropped, this,
                           [this](QTreeView *from, const QModelIndex &dragged,
                                  const QModelIndex &target, DropSite::DropPlace place) {
                               if (auto *source = qobject_cast<ThemeView *>(from))
                                   copyForeignTheme(source->rows().document(),
                                                    ThemeTreeModel::themeAt(dragged),
                                                    ThemeTreeModel::themeAt(target), place);
                           }));
}

void WindowDrops::dropFiles(const QStringList &files, Theme *theme)
{
    for (const QString &file : files) {
        if (!FileOperations::isReadableFile(file)) {
            Messages::warning(&m_window, Messages::errorCaption(),
                              tr("Cannot open file\nНевозможно открыть файл\n") + file);
            continue;
        }
        if (!theme) {
            BRWApplication::instance()->createMainWindow(file, "Main")->show();
            continue;
        }
        m_window.tree()->setCurrentTheme(theme);
        FileCommands *commands = m_window.files();
        if (commands->askBeforeFileOperation(FileOperations::AppendFile))
            commands->loadChosenFile(FileOperations::AppendFile, file);
    }
    m_window.updateStatus();
}

// A theme of another window comes in where a paste as copy would put it: its branch is written
// as a saved branch and read back as an inserted file, so that its links get this document's
// ids; every theme of the copy is dated today. Nothing changes in the other window.
void WindowDrops::copyForeignTheme(ThemeDocument &source, Theme *dragged, Theme *target,
                                   EditingCommands::DropPlace place)
{
    ThemeView *view = m_window.tree();
    EditingCommands &commands = view->commands();
    Theme *parent = dragged && target ? commands.dropParent(target, place) : nullptr;
    if (!parent)
        return;
    int written = 0;
    const QByteArray branch = utf8Tree(source, dragged, SAVE_BRANCH, nullptr, &written);
    if (written <= 0)
        return;
    ThemeDocument read;
    readTree(read, read.root(), wholeBytes(branch), {},
             m_window.document().reminderTheme() != nullptr);
    read.settleGroups();
    const QDate today = Clock::today();
    walkThemes(
            read.root(), [](Theme *theme) { return theme; },
            [today](Theme *theme, int, int) { theme->setDate(today); });
    const DocumentUndo::Step step(m_window.undoHistory(),
                                  QT_TRANSLATE_NOOP("LinkListView", "Drag and Drop"));
    Theme *copy = commands.insertDocument(parent, read, dragged->name(), today,
                                          QT_TRANSLATE_NOOP("LinkListView", "Drag and Drop"))
                          .current;
    if (place != DropSite::DropPlace::Into)
        m_window.document().moveTheme(copy, target->parent(),
                                      target->row() - 1 +
                                              (place == DropSite::DropPlace::After ? 1 : 0));
    view->setCurrentTheme(copy);
}
