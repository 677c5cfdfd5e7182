#include "ScriptedFileDialogs.h"

#include <QFileInfo>

ScriptedFileDialogs::ScriptedFileDialogs()
{
    FileDialogs::setResponder([this](const FileDialogs::Request &request) {
        m_requests.append(request);
        if (m_script.isEmpty())
            return FileDialogs::Choice();
        const auto [file, type] = m_script.takeFirst();
        return FileDialogs::Choice{file, request.types.value(type), QFileInfo(file).absolutePath()};
    });
}

ScriptedFileDialogs::~ScriptedFileDialogs()
{
    FileDialogs::setResponder({});
}
