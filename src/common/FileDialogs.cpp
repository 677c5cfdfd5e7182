#include "common/FileDialogs.h"

#include "common/Assertions.h"
#include "common/Preview.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QUrl>

namespace FileDialogs {
namespace {

Responder &installedResponder()
{
    static Responder responder;
    return responder;
}

QString standard(Kind kind, QWidget *parent, const QString &caption, const QString &start,
                 const QString &type)
{
    if (const Responder &responder = installedResponder())
        return responder({kind, parent, caption, start, {type}, start, kind == Kind::StandardOpen})
                .file;
    return kind == Kind::StandardOpen ? QFileDialog::getOpenFileName(parent, caption, start, type)
                                      : QFileDialog::getSaveFileName(parent, caption, start, type);
}

} // namespace

void setResponder(Responder responder)
{
    installedResponder() = std::move(responder);
}

OwnDialog::OwnDialog(const Request &request)
    : m_request(request)
{}

OwnDialog::~OwnDialog() = default;

Choice OwnDialog::run()
{
    if (const Responder &responder = installedResponder())
        return responder(m_request);
    if (!m_dialog) {
        m_dialog = std::make_unique<QFileDialog>(m_request.parent, m_request.caption,
                                                 m_request.directory);
        QFileDialog &dialog = *m_dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        // The caller asks its own replace question.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setModal(true);
        dialog.setFileMode(m_request.existingFile ? QFileDialog::ExistingFile
                                                  : QFileDialog::AnyFile);
        dialog.setAcceptMode(m_request.existingFile ? QFileDialog::AcceptOpen
                                                    : QFileDialog::AcceptSave);
        dialog.setNameFilters(m_request.types);
        if (!m_request.types.isEmpty())
            dialog.selectNameFilter(m_request.types.first());
        dialog.selectFile(m_request.startName);
        dialog.setWindowTitle(m_request.caption);
        // The file types are a key away, as the file name is with Alt+N.
        dialog.setLabelText(QFileDialog::FileType,
                            QCoreApplication::translate("FileDialogs", "Files of &type:"));
        auto *typeLabel = dialog.findChild<QLabel *>(QStringLiteral("fileTypeLabel"));
        if (auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo")))
            if (typeLabel)
                typeLabel->setBuddy(types);
        // The contents preview stands right of the file list, over all rows of the dialog.
        auto *preview = new Preview(&dialog);
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
            grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
        CONNECT_ASSERT(QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                                        [preview](const QString &path) {
                                            preview->previewUrl(QUrl::fromLocalFile(path));
                                        }));
    }
    if (m_dialog->exec() != QDialog::Accepted || m_dialog->selectedFiles().isEmpty())
        return {};
    return {m_dialog->selectedFiles().first(), m_dialog->selectedNameFilter(),
            m_dialog->directory().absolutePath()};
}

QString standardOpen(QWidget *parent, const QString &caption, const QString &start,
                     const QString &type)
{
    return standard(Kind::StandardOpen, parent, caption, start, type);
}

QString standardSave(QWidget *parent, const QString &caption, const QString &start,
                     const QString &type)
{
    return standard(Kind::StandardSave, parent, caption, start, type);
}

} // namespace FileDialogs
