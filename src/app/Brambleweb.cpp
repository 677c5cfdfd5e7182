#include "app/Brambleweb.h"

#include "app/ActionBuilder.h"
#include "app/BRWApplication.h"
#include "app/InterruptedSave.h"
#include "app/OutsideThemeDialog.h"
#include "app/Play_RecordEvents.h"
#include "common/Assertions.h"
#include "common/Clock.h"
#include "editor/CorrectedTextEdit.h"
#include "find/FindDialog.h"
#include "find/GoToThemePopup.h"
#include "reminder/Reminder.h"
#include "storage/TreeFile.h"
#include "tree/BranchGeneration.h"
#include "tree/LinkListView.h"
#include "tree/NameEditor.h"
#include "tree/ReminderDialog.h"
#include "tree/ViewDocument.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>

Brambleweb::Brambleweb(const QString &fileName, QWidget *parent, const char *name)
    : QMainWindow(parent, Qt::Window)
    , m_pendingFile(fileName)
    , m_openDir(QDir::current())
    , m_saveDir(QDir::current())
    , m_keyHelpUrl(QStringLiteral("keyhelp.txt"))
{
    setObjectName(QString::fromLatin1(name));
    setWindowIcon(QIcon(QStringLiteral(":/icons/brw.png")));

    m_splitter = new QSplitter(Qt::Horizontal, this);
    setCentralWidget(m_splitter);
    m_mainTree = new LinkListView(m_splitter, "mainTree");
    m_mainEditBox = new CorrectedTextEdit(m_splitter, QStringLiteral("mainEditBox"));
    m_mainEditBox->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_splitter->setStretchFactor(1, 1);
    watchInput(m_mainEditBox);
    watchInput(m_mainTree);
    m_mainTree->nameEditor()->installEventFilter(this);

    buildActions();
    watchUndoHistory();
    buildStatusBar();
    watchForUnencodableInput();
    watchDrops();

    CONNECT_ASSERT(connect(m_mainTree, &LinkListView::needEditedDescription, this,
                           &Brambleweb::returnDescriptionToTree));
    CONNECT_ASSERT(connect(m_mainTree, &LinkListView::themeChanged, this,
                           &Brambleweb::changeMainEditBoxText));
    CONNECT_ASSERT(connect(m_mainTree, &LinkListView::itemWillRemoved, this,
                           &Brambleweb::beforeDeletingTheme));
    CONNECT_ASSERT(connect(m_mainTree, &LinkListView::changeThemeNameEditState, this,
                           &Brambleweb::themeNameEditStateChanged));
    CONNECT_ASSERT(connect(m_mainEditBox, &CorrectedTextEdit::textChangedTRUE, this,
                           &Brambleweb::mainEditBoxDataChanged));
    CONNECT_ASSERT(
            connect(m_mainTree, &LinkListView::dataChanged, this, &Brambleweb::treeDataChanged));
    CONNECT_ASSERT(
            connect(m_mainTree, &LinkListView::stateChanged, this, &Brambleweb::treeStateChanged));
    if (Play_RecordEvents *recorder = Play_RecordEvents::instance()) {
        CONNECT_ASSERT(connect(recorder, &Play_RecordEvents::changeState, this,
                               &Brambleweb::recorderStateChanged));
        recorderStateChanged(recorder->state());
    }
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
    CONNECT_ASSERT(
            connect(m_session, &DocumentSession::following, this, &Brambleweb::followingDocument));
    CONNECT_ASSERT(connect(m_session, &DocumentSession::changedOutside, this,
                           &Brambleweb::outsideChanged));
    CONNECT_ASSERT(connect(&m_secondTimer, &QTimer::timeout, this, &Brambleweb::nextSecund));
    CONNECT_ASSERT(connect(&m_secondTimer, &QTimer::timeout, m_mainTree, &LinkListView::timer1000));
    m_mainTree->reminder()->installEventFilter(this);
    m_mainTree->reminderWindow()->installEventFilter(this);
    m_mainTree->reminderWindow()->textBox()->installEventFilter(this);

    m_secondTimer.start(1000);
    resize(480, 300);
    restoreWindowState();
    m_mainTree->setFocus();
    m_focusInTree = true;
    m_statusRefresh = true;
}

Brambleweb::~Brambleweb()
{
    m_secondTimer.stop();
    delete m_findDialog;
    for (const RemovalWindow &node : m_removalWindows)
        delete node.window;
}

void Brambleweb::buildActions()
{
    Q_INIT_RESOURCE(icons);
    m_treeActions = buildMainActions(this, m_mainTree);
    m_mnemonicClashes = mnemonicClashes(this);
    addRecentDocumentsMenu();
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
        if (loadTree(*m_mainTree, m_pendingFile, 0, m_progressBar, &read)) {
            const QDir directory = QFileInfo(m_pendingFile).absoluteDir();
            m_openDir = directory;
            m_saveDir = directory;
            m_session->setFileName(m_pendingFile);
            restoreDocumentState();
        }
        m_progressFrame->setFixedWidth(0);
        m_inputBlocked = false;
        m_pendingFile.clear();
        m_session->noticeErrorSaveFiles();
        noticeInterruptedSave(this, fileName());
        createdGoToPopup()->warmUp();
    }
    m_session->open(read);
    updateCaption(false);
    updateStatus();
}

void Brambleweb::storeDescription(ColorListViewItem *theme, bool clearEdited)
{
    if (!theme)
        return;
    const ColumnLine cursor = m_mainEditBox->cursorLineCol();
    m_mainTree->setSavedCursor(theme, cursor.line, cursor.column);
    if (!m_mainEditBox->isEdited())
        return;
    storeThemeText(theme, m_mainEditBox->text());
    if (clearEdited)
        m_mainEditBox->setEdited(false);
}

void Brambleweb::storeThemeText(ColorListViewItem *theme, const QString &text)
{
    setModified(true);
    m_mainTree->setDescription(theme, text, true);
}

void Brambleweb::loadDescription(ColorListViewItem *theme)
{
    if (!theme)
        return;
    if (theme != m_mainTree->currentTheme()) {
        m_mainTree->setCurrentItem(theme);
        return;
    }
    m_mainEditBox->setText(m_mainTree->description(theme, false));
    const QPair<int, int> saved = m_mainTree->savedCursor(theme);
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
    m_statusTextLabel->setText(m_mainTree->statusText());
    m_encodingLabel->setVisible(m_mainTree->textEncoding() == TextEncoding::Utf8);
    const QTime now = Clock::time();
    m_clockLabel->setText(QString::asprintf(" %2.2i:%2.2i", now.hour(), now.minute()));
    if (ColorListViewItem *theme = m_mainTree->currentTheme()) {
        m_dateLabel->setText(QLatin1Char(' ') + plainDateText(theme->date()));
        m_levelLabel->setText(QString::asprintf(" %2.2i", m_mainTree->themeDepth(theme)));
    }
}

int Brambleweb::writeTree(QFileDevice *file, int flags)
{
    m_progressFrame->setFixedWidth(m_progressBar->width());
    m_saveReport = SaveReport();
    const int result = saveTree(*m_mainTree, file, flags, m_progressBar, nullptr, &m_saveReport);
    m_progressFrame->setFixedWidth(0);
    return result;
}

void Brambleweb::menuNewFile()
{
    if (BRWApplication *application = BRWApplication::instance())
        application->createMainWindow(QString(), "Main")->show();
}

void Brambleweb::menuGoToMark()
{
    m_mainTree->gotoMark();
}

void Brambleweb::menuNewest()
{
    if (ColorListViewItem *newest = m_mainTree->newestTheme(m_mainTree->currentTheme()))
        m_mainTree->setCurrentItem(newest);
}

void Brambleweb::menuGenerateTree()
{
    ColorListViewItem *theme = m_mainTree->currentTheme();
    if (!theme)
        return;
    storeDescription(theme, true);
    // The writer and the reader let the window repaint: no key may delete the theme meanwhile.
    m_inputBlocked = true;
    BranchGenerator(*m_mainTree).generateBranch(theme);
    m_inputBlocked = false;
    loadDescription(theme);
    updateStatus();
    Q_EMIT m_mainTree->dataChanged();
}

void Brambleweb::menuMainWidgetsTab()
{
    if (m_focusInTree) {
        m_mainEditBox->setFocus();
        m_focusInTree = false;
    } else {
        m_mainTree->setFocus();
        m_focusInTree = true;
    }
}

void Brambleweb::changeMainEditBoxText(ColorListViewItem *theme)
{
    storeDescription(m_mainTree->previousTheme(), true);
    loadDescription(theme);
    m_mainTree->scrollToItem(theme);
    updateStatus();
}

void Brambleweb::mainEditBoxDataChanged()
{
    if (m_mainEditBox->isEdited())
        treeDataChanged();
}

void Brambleweb::treeDataChanged()
{
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

void Brambleweb::returnDescriptionToTree()
{
    m_mainTree->putEditedDescription(m_mainEditBox->isEdited() ? m_mainEditBox->text() : QString());
}

void Brambleweb::setActionState(int state)
{
    if (state == m_actionState)
        return;
    m_actionState = state;
    const bool enabled = (state & TreeHasFocus) && !(state & (RenamingTheme | LocationMode));
    for (QAction *action : std::as_const(m_treeActions))
        action->setEnabled(enabled);
    updateUndoActions();
}
