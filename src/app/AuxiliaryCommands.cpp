// The main window's auxiliary windows (symbol table, readme texts, about box) and its commands
// of the key recorder.
#include "app/AuxiliaryCommands.h"

#include "app/AboutDialog.h"
#include "app/AuxTexts.h"
#include "app/Brambleweb.h"
#include "app/Play_RecordEvents.h"
#include "app/SymbolsDialog.h"
#include "common/Assertions.h"
#include "common/FileDialogs.h"
#include "common/Messages.h"

#include <QFileInfo>
#include <QToolButton>

AuxiliaryCommands::AuxiliaryCommands(Brambleweb &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("aux"));
}

void AuxiliaryCommands::followRecorder()
{
    if (Play_RecordEvents *recorder = Play_RecordEvents::instance()) {
        CONNECT_ASSERT(connect(recorder, &Play_RecordEvents::changeState, this,
                               &AuxiliaryCommands::recorderStateChanged));
        recorderStateChanged(recorder->state());
    }
}

void AuxiliaryCommands::showTextWindow(const QString &text, const QString &caption)
{
    // A new window on every call, deleted when it is closed.
    auto *window = new SymbolsDialog(text, &m_window, nullptr, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(caption);
    window->show();
    window->installEventFilter(&m_window);
}

void AuxiliaryCommands::menuSymbols()
{
    showTextWindow(AuxTexts::symbolTable(), tr("Symbols"));
}

void AuxiliaryCommands::menuReadme_ru()
{
    showTextWindow(AuxTexts::readmeRu(), tr("Readme.ru"));
}

void AuxiliaryCommands::menuReadme_en()
{
    showTextWindow(AuxTexts::readmeEn(), tr("Readme.en"));
}

void AuxiliaryCommands::menuAbout()
{
    ThemeDocument &document = m_window.document();
    const QString count = QString::number(document.characterCount(document.root()));
    AboutDialog dialog(count, count, &m_window);
    dialog.exec();
}

void AuxiliaryCommands::startRecordEvents()
{
    runRecorder(Play_RecordEvents::Recording);
}

void AuxiliaryCommands::startPlayEvents()
{
    runRecorder(Play_RecordEvents::Playing);
}

// Idle: asks for the events file and starts; running this way: stops; running the other way:
// nothing.
void AuxiliaryCommands::runRecorder(int wanted)
{
    Play_RecordEvents *recorder = Play_RecordEvents::instance();
    if (!recorder)
        return;
    const bool record = wanted == Play_RecordEvents::Recording;
    if (recorder->state() == wanted) {
        record ? recorder->stopRecord() : recorder->stopPlay();
        return;
    }
    if (recorder->state() != Play_RecordEvents::Idle)
        return;
    const QString current = record ? recorder->recordFileName() : recorder->playFileName();
    FileDialogs::Request request;
    request.parent = &m_window;
    request.caption = tr("Open file(english names) - Открыть файл(ЛАТИНСКИЕ имена)");
    request.directory = QFileInfo(current).absolutePath();
    request.types = QStringList{tr("Ordinar format - Обычный формат (*.brw)")};
    request.startName = current;
    const FileDialogs::Choice choice = FileDialogs::OwnDialog(request).run();
    if (choice.file.isEmpty())
        return;
    record ? recorder->setRecordFileName(choice.file) : recorder->setPlayFileName(choice.file);
    // Keys typed into a Unicode document may bring characters CP1251 lacks.
    recorder->setNewFileEncoding(m_window.document().textEncoding());
    if ((record ? recorder->startRecord() : recorder->startPlay()) == -2)
        Messages::warning(&m_window, Messages::errorCaption(),
                          tr("Cannot open file\nНевозможно открыть файл\n") + choice.file);
}

void AuxiliaryCommands::recorderStateChanged(int state)
{
    if (auto *button = m_window.findChild<QToolButton *>(QStringLiteral("recordkeys")))
        button->setIcon(QIcon(state == Play_RecordEvents::Recording
                                      ? QStringLiteral(":/icons/recording.png")
                                      : QStringLiteral(":/icons/recordkeys.png")));
    if (auto *button = m_window.findChild<QToolButton *>(QStringLiteral("playkeys")))
        button->setIcon(QIcon(state == Play_RecordEvents::Playing
                                      ? QStringLiteral(":/icons/playing.png")
                                      : QStringLiteral(":/icons/playkeys.png")));
}
