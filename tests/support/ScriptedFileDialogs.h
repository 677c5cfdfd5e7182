#pragma once

#include "common/FileDialogs.h"
#include "support/Unscripted.h"

#include <QFileInfo>
#include <QList>
#include <QPair>

// Stands in for the user at every file dialog while it lives: records each request and answers
// with the next scripted file and file type (an index into the request's types), or cancels
// once the script is used up.
class ScriptedFileDialogs
{
public:
    ScriptedFileDialogs()
    {
        FileDialogs::setResponder([this](const FileDialogs::Request &request) {
            m_requests.append(request);
            if (m_script.isEmpty())
                return FileDialogs::Choice();
            const auto [file, type] = m_script.takeFirst();
            return FileDialogs::Choice{file, request.types.value(type),
                                       QFileInfo(file).absolutePath()};
        });
    }
    ~ScriptedFileDialogs() { FileDialogs::setResponder(failUnscriptedDialog); }

    void chooseNext(const QString &file, int typeIndex = 0) { m_script.append({file, typeIndex}); }
    const QList<FileDialogs::Request> &requests() const { return m_requests; }

private:
    QList<QPair<QString, int>> m_script;
    QList<FileDialogs::Request> m_requests;
};
