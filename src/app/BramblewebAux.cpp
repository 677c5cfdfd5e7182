// The main window's auxiliary windows (symbol table, readme texts, about box) and its commands
// of the key recorder.
#include "app/Brambleweb.h"

#include "app/AboutDialog.h"
#include "app/AuxTexts.h"
#include "app/Play_RecordEvents.h"
#include "app/SymbolsDialog.h"
#include "common/FileDialogs.h"

#include <QFileInfo>
#include <QToolButton>

void Brambleweb::showTextWindow(const QString &text, const QString &caption)
{
    // A new window on every call, deleted when it is closed.
    auto *window = new SymbolsDialog(text, this, nullptr, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(caption);
    window->show();
    window->installEventFilter(this);
}

void Brambleweb::menuSymbols()
{
    showTextWindow(AuxTexts::symbolTable(), tr("Symbols"));
}

void Brambleweb::menuReadme_ru()
{
    showTextWindow(AuxTexts::readmeRu(), tr("Readme.ru"));
}

void Brambleweb::menuReadme_en()
{
    showTextWindow(AuxTexts::readmeEn(), tr("Readme.en"));
}

void Brambleweb::menuAbout()
{
    const QString count = QString::number(m_document.characterCount(m_document.root()));
    AboutDialog dialog(count, count, this);
    dialog.exec();
}

void Brambleweb::startRecordEvents()
{
    runRecorder(Play_RecordEvents::Recording);
}

void Brambleweb::startPlayEvents()
{
    runRecorder(Play_RecordEvents::Playing);
}

// Idle: asks for the events file and starts; running this way: stops; running the other way:
// nothing.
void Brambleweb::runRecorder(int wanted)
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
    request.parent = this;
    request.caption = tr("Open file(english names) - Открыть файл(ЛАТИНСКИЕ имена)");
    request.directory = QFileInfo(current).absolutePath();
    request.types = QStringList{tr("Ordinar format - Обычный формат (*.brw)")};
    request.startName = current;
    const FileDialogs::Choice choice = FileDialogs::OwnDialog(request).run();
    if (choice.file.isEmpty())
        return;
    record ? recorder->setRecordFileName(choice.file) : recorder->setPlayFileName(choice.file);
    // Keys typed into a Unicode document may bring characters CP1251 lacks.
    recorder->setNewFileEncoding(m_document.textEncoding());
    if ((record ? recorder->startRecord() : recorder->startPlay()) == -2)
        Messages::warning(this, Messages::errorCaption(),
                          tr("Cannot open file\nНевозможно открыть файл\n") + choice.file);
}

void Brambleweb::recorderStateChanged(int state)
{
    if (auto *button = findChild<QToolButton *>(QStringLiteral("recordkeys")))
        button->setIcon(QIcon(state == Play_RecordEvents::Recording
                                      ? QStringLiteral(":/icons/recording.png")
                                      : QStringLiteral(":/icons/recordkeys.png")));
    if (auto *button = findChild<QToolButton *>(QStringLiteral("playkeys")))
        button->setIcon(QIcon(state == Play_RecordEvents::Playing
                                      ? QStringLiteral(":/icons/playing.png")
                                      : QStringLiteral(":/icons/playkeys.png")));
}
