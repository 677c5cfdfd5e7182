// Linked into every test executable: before main() runs, the test moves into a temporary folder
// of its own, with its own configuration and data folders, so that the save files a window makes
// beside an unnamed document and the lists the program keeps never outlive the run or meet
// another test's. A message box or file dialog that no script answers fails the test at once
// with the box's text: a real one would wait for a user who never comes.
#include "support/Unscripted.h"

#include "common/Messages.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

Messages::Answer failUnscripted(const Messages::Box &box)
{
    const QByteArray message =
            "unscripted message box: " + box.caption.toUtf8() + ": " + box.text.toUtf8();
    QTest::qFail(message.constData(), __FILE__, __LINE__);
    return Messages::Answer::Closed;
}

} // namespace

FileDialogs::Choice failUnscriptedDialog(const FileDialogs::Request &request)
{
    QTest::qFail(("unscripted file dialog: " + request.caption.toUtf8()).constData(), __FILE__,
                 __LINE__);
    return {};
}

namespace {

class TestFolder
{
public:
    TestFolder()
        : m_previous(QDir::currentPath())
    {
        if (!m_folder.isValid())
            qFatal("no temporary folder for the test: %s", qPrintable(m_folder.errorString()));
        const QDir folder(m_folder.path());
        for (const char *name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"}) {
            const QString path = folder.filePath(QString::fromLatin1(name).toLower());
            folder.mkpath(path);
            qputenv(name, QFile::encodeName(path));
        }
        const QString work = folder.filePath(QStringLiteral("work"));
        folder.mkpath(work);
        QDir::setCurrent(work);
        Messages::setUnansweredResponder(failUnscripted);
        FileDialogs::setResponder(failUnscriptedDialog);
    }
    ~TestFolder() { QDir::setCurrent(m_previous); }
    TestFolder(const TestFolder &) = delete;
    TestFolder &operator=(const TestFolder &) = delete;

private:
    QTemporaryDir m_folder;
    QString m_previous;
};

const TestFolder testFolder;

} // namespace
