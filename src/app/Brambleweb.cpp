#include "app/Brambleweb.h"

#include "app/ActionBuilder.h"
#include "app/AuxiliaryCommands.h"
#include "app/BRWApplication.h"
#include "app/DetachedWindows.h"
#include "app/FileCommands.h"
#include "app/InterruptedSave.h"
#include "app/LocationMode.h"
#include "app/OutlineCommands.h"
#include "app/UndoEntries.h"
#include "app/WindowDrops.h"
#include "app/WindowMemory.h"
#include "app/WindowSearch.h"
#include "common/Assertions.h"
#include "common/Clock.h"
#include "common/Emergency.h"
#include "editor/CorrectedTextEdit.h"
#include "reminder/Reminder.h"
#include "storage/TreeFileRead.h"
#include "tree/ProgressSteps.h"
#include "tree/ReminderDialog.h"
#include "tree/ReminderHost.h"
#include "tree/ThemeView.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>

Brambleweb::Brambleweb(const QString &fileName, QWidget *parent, const char *name)
    : QMainWindow(parent, Qt::Window)
    , m_pendingFile(fileName)
    , m_pendingRead(fileName.isEmpty() ? nullptr : std::make_unique<TreeFileRead>(fileName))
{
    setObjectName(QString::fromLatin1(name));
    setWindowIcon(QIcon(QStringLiteral(":/icons/brw.png")));

    m_splitter = new QSplitter(Qt::Horizontal, this);
    setCentralWidget(m_splitter);
    m_document.root()->setDate(Clock::startDate());
    m_view = new ThemeView(m_document, m_undo, m_splitter);
    m_view->setObjectName(QStringLiteral("mainTree"));
    m_mainEditBox = new CorrectedTextEdit(m_splitter, QStringLiteral("mainEditBox"));
    m_mainEditBox->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_splitter->setStretchFactor(1, 1);
    watchInput(m_mainEditBox);
    watchInput(m_view);
    m_detached = new DetachedWindows(*this);
    m_memory = new WindowMemory(*this);
    m_search = new WindowSearch(*this);
    m_outlines = new OutlineCommands(*this);
    m_reminder = new ReminderHost(m_document, this);
    m_aux = new AuxiliaryCommands(*this);
    m_location = new ::LocationMode(*this);
    CONNECT_ASSERT(connect(m_location, &::LocationMode::switched, this, [this](bool on) {
        setActionState(on ? (m_actionState | LocationMode) : (m_actionState & ~LocationMode));
    }));
    m_files = new FileCommands(*this);

    buildActions();
    m_undoEntries = std::make_unique<UndoEntries>(m_undo, *this, m_treeActions);
    // The text being typed goes into the document before every step, undo and redo; a history
    // cleared by a file read anew is no change of the document.
    m_undo.setListeners([this] { storeDescription(m_view->currentTheme(), true); },
                        [this] {
                            if (m_undo.count() > 0)
                                setModified(true);
                            m_undoEntries->update();
                        });
    buildStatusBar();
    new WindowDrops(*this);

    CONNECT_ASSERT(connect(m_view, &ThemeView::currentThemeChanged, this,
                           &Brambleweb::changeMainEditBoxText));
    CONNECT_ASSERT(connect(m_view, &ThemeView::renamingChanged, this,
                           &Brambleweb::themeNameEditStateChanged));
    // The window's own keys work in the name editor too.
    CONNECT_ASSERT(connect(m_view, &ThemeView::renamingChanged, this, [this](bool renaming) {
        if (renaming && m_view->nameEditor())
            m_view->nameEditor()->installEventFilter(this);
    }));
    CONNECT_ASSERT(connect(m_mainEditBox, &CorrectedTextEdit::textChangedTRUE, this,
                           &Brambleweb::mainEditBoxDataChanged));
    CONNECT_ASSERT(connect(m_view, &ThemeView::stateChanged, this, &Brambleweb::treeStateChanged));
    m_aux->followRecorder();
    // The key help is the program's own text: it is neither locked nor listed, and gets no save
    // files beside it (often in a folder the user cannot write).
    const auto tell = [this](DocumentSession::Tone tone, const QString &text,
                             Messages::Buttons buttons) {
        return Messages::warning(this,
                                 tone == DocumentSession::Tone::Error ? Messages::errorCaption()
                                                                      : Messages::warningCaption(),
                                 text, buttons);
    };
    m_session = new DocumentSession(tell, objectName() != QLatin1String("KeyHelp"), this);
    CONNECT_ASSERT(connect(m_session, &DocumentSession::following, m_files,
                           &FileCommands::followingDocument));
    CONNECT_ASSERT(connect(m_session, &DocumentSession::changedOutside, m_files,
                           &FileCommands::outsideChanged));
    CONNECT_ASSERT(connect(&m_secondTimer, &QTimer::timeout, this, &Brambleweb::nextSecund));
    CONNECT_ASSERT(connect(&m_secondTimer, &QTimer::timeout, m_reminder, &ReminderHost::tick));
    m_reminder->reminder()->installEventFilter(this);
    m_reminder->window()->installEventFilter(this);
    m_reminder->window()->textBox()->installEventFilter(this);

    m_secondTimer.start(1000);
    resize(480, 300);
    m_memory->restoreWindowState();
    m_view->setFocus();
    m_focusInTree = true;
    m_statusRefresh = true;
}

Brambleweb::~Brambleweb()
{
    m_secondTimer.stop();
    // Whatever shows or watches the document goes before it: the window's own members go
    // before the widgets it holds.
    delete m_search;
    delete m_detached;
    delete m_reminder;
    delete m_splitter;
}

void Brambleweb::buildActions()
{
    Q_INIT_RESOURCE(icons);
    m_treeActions = buildMainActions(this, [this](MainActions::Target target) -> QObject * {
        switch (target) {
        case MainActions::Target::Tree:
            return m_view;
        case MainActions::Target::Aux:
            return m_aux;
        case MainActions::Target::Location:
            return m_location;
        case MainActions::Target::Files:
            return m_files;
        case MainActions::Target::Outlines:
            return m_outlines;
        case MainActions::Target::Search:
            return m_search;
        case MainActions::Target::Detached:
            return m_detached;
        case MainActions::Target::Memory:
            return m_memory;
        case MainActions::Target::Window:
            break;
        }
        return this;
    });
    m_mnemonicClashes = mnemonicClashes(this);
    m_files->addRecentDocumentsMenu();
}

void Brambleweb::buildStatusBar()
{
    // Fixed widths that fit their texts in the font in use.
    auto fixedLabel = [this](const QString &widest) {
        auto *label = new QLabel(this);
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(widest) + 6);
        return label;
    };
    m_statusTextLabel = new QLabel(this);
    m_statusTextLabel->setMinimumWidth(10);
    statusBar()->addWidget(m_statusTextLabel, 1);
    m_progressFrame = new QFrame(this);
    m_progressBar = new QProgressBar(m_progressFrame);
    m_progressBar->setFixedSize(100, 14);
    m_progressFrame->setFixedWidth(0);
    statusBar()->addWidget(m_progressFrame);
    m_levelLabel = fixedLabel(QStringLiteral(" 00"));
    statusBar()->addWidget(m_levelLabel);
    m_dateLabel = fixedLabel(QStringLiteral(" 00.00.0000"));
    statusBar()->addWidget(m_dateLabel);
    m_encodingLabel = fixedLabel(QStringLiteral(" UTF-8"));
    m_encodingLabel->setText(QStringLiteral("UTF-8"));
    m_encodingLabel->setVisible(false);
    statusBar()->addPermanentWidget(m_encodingLabel);
    m_clockLabel = fixedLabel(QStringLiteral(" 00:00"));
    statusBar()->addPermanentWidget(m_clockLabel);
}

void Brambleweb::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    QMainWindow::setVisible(visible);
    if (showing)
        loadPendingFile();
}

void Brambleweb::loadPendingFile()
{
    FileStamp read; // taken as the file is read: a change while the tree is built still shows
    if (!m_pendingFile.isEmpty()) {
        m_session->setFileName(QString());
        m_progressFrame->setFixedWidth(m_progressBar->width());
        m_inputBlocked = true;
        if (loadTree(m_pendingFile, 0, &read)) {
            const QDir directory = QFileInfo(m_pendingFile).absoluteDir();
            m_files->setOpenDir(directory);
            m_files->setSaveDir(directory);
            m_session->setFileName(m_pendingFile);
            m_memory->restoreDocumentState();
        }
        m_progressFrame->setFixedWidth(0);
        m_inputBlocked = false;
        m_pendingFile.clear();
        m_session->noticeErrorSaveFiles();
        noticeInterruptedSave(this, fileName());
        m_search->warmUpGoTo();
    }
    m_session->open(read);
    updateCaption(false);
    updateStatus();
}

void Brambleweb::storeDescription(Theme *theme, bool clearEdited)
{
    if (!theme)
        return;
    const ColumnLine cursor = m_mainEditBox->cursorLineCol();
    m_cursors.insert(m_document.resolve(theme), {cursor.line, cursor.column});
    if (!m_mainEditBox->isEdited())
        return;
    storeThemeText(theme, m_mainEditBox->text());
    if (clearEdited)
        m_mainEditBox->setEdited(false);
}

void Brambleweb::storeThemeText(Theme *theme, const QString &text)
{
    setModified(true);
    Theme *target = m_document.resolve(theme);
    m_document.setThemeDescription(target, text);
    m_document.setThemeDate(target, Clock::today());
}

void Brambleweb::loadDescription(Theme *theme)
{
    if (!theme)
        return;
    if (theme != m_view->currentTheme()) {
        m_view->setCurrentTheme(theme);
        return;
    }
    Theme *target = m_document.resolve(theme);
    m_mainEditBox->setText(target->description());
    const QPair<int, int> saved = m_cursors.value(target);
    m_mainEditBox->setCursorLineCol({saved.second, saved.first});
    updateStatus();
}

void Brambleweb::updateCaption(bool starred)
{
    QString caption = QStringLiteral("BRW") + QStringLiteral(" - ");
    if (starred)
        caption += QStringLiteral("* ");
    if (!fileName().isEmpty())
        caption += QFileInfo(fileName()).fileName();
    setWindowTitle(caption);
}

void Brambleweb::updateStatus()
{
    m_statusTextLabel->setText(m_view->statusText());
    m_encodingLabel->setVisible(m_document.textEncoding() == TextEncoding::Utf8);
    const QTime now = Clock::time();
    m_clockLabel->setText(QString::asprintf(" %2.2i:%2.2i", now.hour(), now.minute()));
    if (Theme *theme = m_view->currentTheme()) {
        m_dateLabel->setText(QLatin1Char(' ') + plainDateText(theme->date()));
        m_levelLabel->setText(QString::asprintf(" %2.2i", themeDepth(theme)));
    }
}

void Brambleweb::showProgress(bool shown)
{
    m_progressFrame->setFixedWidth(shown ? m_progressBar->width() : 0);
}

void Brambleweb::blockInputWhile(const std::function<void()> &work)
{
    showProgress(true);
    m_inputBlocked = true;
    work();
    showProgress(false);
    m_inputBlocked = false;
}

int Brambleweb::writeDocument(QIODevice *file, int flags, QString *log, SaveReport *report)
{
    Theme *top = m_document.root();
    if (flags & SAVE_BRANCH) {
        top = m_view->currentTheme();
        if (!top)
            return 1;
        m_document.makeHolder(top); // its group's subthemes are its own in the branch
    }
    // After a fatal signal the tree is written as it stands, perhaps in the middle of a change.
    const bool inconsistent = Emergency::inProgress() && (m_undo.isOpen() || m_inputBlocked);
    ProgressSteps steps(Emergency::inProgress() ? nullptr : m_progressBar,
                        ProgressSteps::Repaint::No);
    const TreeProgress fed{[&steps](qint64 total) {
                               steps.start(total);
                               if (!Emergency::inProgress())
                                   QCoreApplication::processEvents(QEventLoop::AllEvents, 500);
                           },
                           [&steps](qint64 value) { steps.setValue(value); }};
    const int result =
            ::writeTree(m_document, top, file, flags, fed, log, this, report, inconsistent);
    if (result > -1000) // nothing failed to be written
        steps.finish();
    return result;
}

void Brambleweb::menuGoToMark()
{
    m_view->goToMark();
}

void Brambleweb::menuNewest()
{
    if (Theme *newest = m_document.newestTheme(m_view->currentTheme()))
        m_view->setCurrentTheme(newest);
}

void Brambleweb::menuGenerateTree()
{
    Theme *theme = m_view->currentTheme();
    if (!theme)
        return;
    storeDescription(theme, true);
    // The writer and the reader let the window repaint: no key may delete the theme meanwhile.
    m_inputBlocked = true;
    generateBranch(theme);
    m_inputBlocked = false;
    loadDescription(theme);
    updateStatus();
}

void Brambleweb::menuMainWidgetsTab()
{
    if (m_focusInTree) {
        m_mainEditBox->setFocus();
        m_focusInTree = false;
    } else {
        m_view->setFocus();
        m_focusInTree = true;
    }
}

void Brambleweb::changeMainEditBoxText(Theme *theme)
{
    storeDescription(m_view->previousTheme(), true);
    loadDescription(theme);
    updateStatus();
}

void Brambleweb::nextSecund()
{
    if (m_statusRefresh && !m_inputBlocked)
        updateStatus();
    m_files->countSecond();
}

QString Brambleweb::currentThemeName() const
{
    Theme *current = m_view->currentTheme();
    return current ? current->name() : QString();
}

void Brambleweb::setModified(bool modified)
{
    m_session->setModified(modified);
    updateCaption(modified);
}

void Brambleweb::mainEditBoxDataChanged()
{
    if (m_mainEditBox->isEdited())
        setModified(true);
}

void Brambleweb::treeStateChanged()
{
    updateStatus();
}

void Brambleweb::themeNameEditStateChanged(bool editing)
{
    setActionState(editing ? (m_actionState | RenamingTheme) : (m_actionState & ~RenamingTheme));
}

void Brambleweb::setActionState(int state)
{
    if (state == m_actionState)
        return;
    m_actionState = state;
    const bool enabled = (state & TreeHasFocus) && !(state & (RenamingTheme | LocationMode));
    for (QAction *action : std::as_const(m_treeActions))
        action->setEnabled(enabled);
    m_undoEntries->setTreeEditing(enabled);
}
