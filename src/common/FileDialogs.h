#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QFileDialog;
class QWidget;

// The one road to a file dialog: the program's own dialog (a dialog object with a contents
// preview and a list of file types) and the platform's standard open and save dialogs. Tests
// install a responder that sees each request and answers with the file and type "chosen".
namespace FileDialogs {

enum class Kind { Own, StandardOpen, StandardSave };

struct Request
{
    Kind kind = Kind::Own;
    QWidget *parent = nullptr;
    QString caption;
    QString directory;         // where the dialog starts
    QStringList types;         // file types, the first one selected; a standard dialog gets one
    QString startName;         // the name the dialog proposes
    bool existingFile = false; // only an existing file can be chosen
};

struct Choice
{
    QString file;      // empty: the dialog was cancelled
    QString type;      // the file type chosen with it
    QString directory; // where the dialog ended
};

using Responder = std::function<Choice(const Request &)>;
// Installs a responder in place of real dialogs; an empty one restores the real dialogs.
void setResponder(Responder responder);

// The program's own dialog. It can be run again after an answer the caller refused (a file it
// must not replace), and then shows the state the user left it in.
class OwnDialog
{
public:
    explicit OwnDialog(const Request &request);
    ~OwnDialog();
    OwnDialog(const OwnDialog &) = delete;
    OwnDialog &operator=(const OwnDialog &) = delete;

    Choice run();

private:
    Request m_request;
    std::unique_ptr<QFileDialog> m_dialog;
};

// The platform's standard dialogs; an empty name when cancelled.
QString standardOpen(QWidget *parent, const QString &caption, const QString &start,
                     const QString &type);
QString standardSave(QWidget *parent, const QString &caption, const QString &start,
                     const QString &type);

} // namespace FileDialogs
