#include "storage/TreeFileRead.h"

#include "common/Messages.h"
#include "storage/FileReading.h"

#include <QCoreApplication>

#include <thread>

namespace {

// The bytes read, or nothing after a box that says why the file could not be read.
std::optional<TreeChunks> chunksOrBox(FileReading::Outcome outcome, FileReading::Contents &contents,
                                      const QString &fileName, QWidget *parent, qint64 *size,
                                      FileStamp *stamp)
{
    const auto tr = [](const char *text) {
        return QCoreApplication::translate("LinkListView", text);
    };
    switch (outcome) {
    case FileReading::Outcome::Read:
        break;
    case FileReading::Outcome::TooLarge:
        Messages::warning(parent, Messages::errorCaption(),
                          tr("File is too large to open (more than 1 GB)\nФайл слишком велик "
                             "(больше 1 ГБ)\n") +
                                  fileName);
        return std::nullopt;
    case FileReading::Outcome::Changing:
        Messages::warning(parent, Messages::errorCaption(),
                          tr("File changed while it was read\nФайл изменился во время чтения\n") +
                                  fileName);
        return std::nullopt;
    case FileReading::Outcome::CannotOpen:
        Messages::warning(parent, Messages::errorCaption(),
                          tr("Cannot open file\nНевозможно открыть файл\n") + fileName);
        return std::nullopt;
    }
    if (size)
        *size = contents.size;
    if (stamp)
        *stamp = contents.stamp;
    return std::move(contents.pieces);
}

} // namespace

std::optional<TreeChunks> readTreeFileChunks(const QString &fileName, QWidget *parent, qint64 *size,
                                             FileStamp *stamp)
{
    // The whole file is read before the tree changes: a read that fails leaves the document
    // as it was.
    FileReading::Contents contents;
    const FileReading::Outcome outcome =
            FileReading::readWhole(fileName, maxTreeFileSize, contents);
    return chunksOrBox(outcome, contents, fileName, parent, size, stamp);
}

struct TreeFileRead::Reading
{
    FileReading::Outcome outcome = FileReading::Outcome::CannotOpen;
    FileReading::Contents contents;
    std::jthread reader; // last, so that it ends before what it fills goes
};

TreeFileRead::TreeFileRead(const QString &fileName)
    : m_fileName(fileName)
    , m_reading(std::make_unique<Reading>())
{
    Reading *reading = m_reading.get();
    reading->reader = std::jthread([reading, fileName] {
        reading->outcome = FileReading::readWhole(fileName, maxTreeFileSize, reading->contents);
    });
}

TreeFileRead::~TreeFileRead() = default;

std::optional<TreeChunks> TreeFileRead::take(QWidget *parent, qint64 *size, FileStamp *stamp)
{
    if (m_reading->reader.joinable())
        m_reading->reader.join();
    FileReading::Outcome outcome = m_reading->outcome;
    FileReading::Contents &contents = m_reading->contents;
    if (outcome == FileReading::Outcome::Read && !(FileStamp::ofPath(m_fileName) == contents.stamp))
        outcome = FileReading::readWhole(m_fileName, maxTreeFileSize, contents);
    return chunksOrBox(outcome, contents, m_fileName, parent, size, stamp);
}
