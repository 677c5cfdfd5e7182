// The main window's detached description windows: opening, saving back, switching, closing, and
// their records in the error-save file.
#include "app/DetachedWindows.h"

#include "app/Brambleweb.h"
#include "app/OutsideThemeDialog.h"
#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/TextCodec.h"
#include "editor/CorrectedTextEdit.h"
#include "storage/TreeHeader.h"
#include "tree/ThemeView.h"

#include <QTimer>

#include <algorithm>

DetachedWindows::DetachedWindows(Brambleweb &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("detached"));
    m_window.document().addObserver(this);
}

DetachedWindows::~DetachedWindows()
{
    m_window.document().removeObserver(this);
    for (const RemovalWindow &node : m_removalWindows)
        delete node.window;
}

QList<OutsideThemeDialog *> DetachedWindows::removalWindows() const
{
    QList<OutsideThemeDialog *> windows;
    for (const RemovalWindow &node : m_removalWindows)
        windows.append(node.window);
    return windows;
}

void DetachedWindows::menuRemoval()
{
    Theme *theme = m_window.tree()->currentTheme();
    if (!theme)
        return;
    // The editor's text as it stands, unsaved edits included.
    const int position = int(m_removalWindows.size()) + 1;
    OutsideThemeDialog::Opening opening;
    opening.number = position <= 9 ? position : 0;
    opening.themePath = themePath(theme, false);
    opening.text = m_window.editor()->text();
    opening.size = m_window.editor()->size();
    auto *window = new OutsideThemeDialog(opening);
    m_removalWindows.push_back({window, theme});
    CONNECT_ASSERT(connect(window, &OutsideThemeDialog::needSaveData, this,
                           &DetachedWindows::saveRemovalDialogData));
    CONNECT_ASSERT(connect(window, &OutsideThemeDialog::closed, this,
                           &DetachedWindows::closeRemovalDialog));
    CONNECT_ASSERT(connect(window, &OutsideThemeDialog::goHome, this,
                           &DetachedWindows::removalDialogFindSourceTheme));
    // Alt+digits, Ctrl+Tab and the location mode work there too.
    window->installEventFilter(&m_window);
    m_window.watchInput(window->editor());
    window->show();
}

void DetachedWindows::saveRemovalDialogData(OutsideThemeDialog *window, const QString &text)
{
    const auto node = std::find_if(m_removalWindows.begin(), m_removalWindows.end(),
                                   [window](const RemovalWindow &n) { return n.window == window; });
    if (node == m_removalWindows.end())
        return;
    Theme *theme = node->theme;
    if (!theme) {
        // The theme left the tree while the window stayed open: the text stays in the window.
        window->refuseSave();
        Messages::warning(window, Messages::messageCaption(),
                          tr("Cannot do it\nНе могу выполнить операцию"));
        return;
    }
    m_window.storeThemeText(theme, text);
    Theme *current = m_window.tree()->currentTheme();
    // A link and its mark theme share one description: either shows the saved text.
    ThemeDocument &document = m_window.document();
    if (current && document.resolve(current) == document.resolve(theme))
        m_window.loadDescription(current);
}

void DetachedWindows::closeRemovalDialog(OutsideThemeDialog *window)
{
    std::erase_if(m_removalWindows,
                  [window](const RemovalWindow &n) { return n.window == window; });
}

// Ctrl+Alt+Home in a detached window: its theme becomes the current theme of the main window, which
// comes to the front.
void DetachedWindows::removalDialogFindSourceTheme(OutsideThemeDialog *window)
{
    for (const RemovalWindow &node : m_removalWindows) {
        if (node.window == window && node.theme) {
            m_window.tree()->setCurrentTheme(node.theme);
            m_window.activateWindowOf(&m_window);
        }
    }
}

void DetachedWindows::aboutToRemove(Theme *parent, int first, int last)
{
    // Every window of a theme that leaves the tree closes (a moved theme stays). The theme is
    // forgotten at once, so that a window that stays open (its question answered Cancel) can
    // never write into it; the windows close once the change is over, so that their questions
    // never wait in the middle of it.
    for (RemovalWindow &node : m_removalWindows) {
        for (int row = first; node.theme && row <= last; ++row) {
            if (isAncestorOrSelf(parent->child(row), node.theme)) {
                node.theme = nullptr;
                QTimer::singleShot(0, node.window, &QWidget::close);
            }
        }
    }
}

void DetachedWindows::aboutToReplace()
{
    for (RemovalWindow &node : m_removalWindows) {
        if (std::exchange(node.theme, nullptr))
            QTimer::singleShot(0, node.window, &QWidget::close);
    }
}

bool DetachedWindows::closeRemovalWindows()
{
    while (!m_removalWindows.empty()) {
        OutsideThemeDialog *first = m_removalWindows.front().window;
        if (first && !first->close())
            return false;
        closeRemovalDialog(first); // its closed() has normally taken it off the list already
    }
    return true;
}

void DetachedWindows::activateRemovalWindow(int position)
{
    if (position >= 1 && position <= int(m_removalWindows.size()))
        m_window.activateWindowOf(m_removalWindows[size_t(position - 1)].window);
}

int DetachedWindows::writeRemovalRecords(QFileDevice &file, QString &log)
{
    // The records follow the tree in the same file, so in the same form.
    TextCodec codec(m_window.document().textEncoding());
    for (const RemovalWindow &node : m_removalWindows) {
        if (!node.window)
            continue;
        QString text = themeHeader(1, 0, Clock::today()) + QStringLiteral("Removal\n") +
                       node.window->editor()->text() + QLatin1Char('\n');
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        const QByteArray bytes = codec.encode(text);
        if (file.write(bytes) < bytes.size()) {
            log += Messages::logForm(Messages::errorCaption(),
                                     tr("Error saving in temporary file\nОшибка при сохранении "
                                        "во временный файл") +
                                             file.fileName());
            return 1000;
        }
    }
    return 0;
}

bool DetachedWindows::hasUnsavedText() const
{
    return std::any_of(
            m_removalWindows.begin(), m_removalWindows.end(),
            [](const RemovalWindow &node) { return node.window && node.window->isModified(); });
}
