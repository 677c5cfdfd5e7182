#include "storage/OutlineFiles.h"

#include "common/Messages.h"
#include "storage/FileReading.h"
#include "storage/OutlineFormats.h"
#include "storage/TreeFile.h"

#include <QCoreApplication>
#include <QFileDevice>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("OutlineFiles", text);
}

struct FormatRow
{
    OutlineFiles::Format format;
    const char *name;
    const char *type;
    QStringList extensions; // the first is appended
};

const std::vector<FormatRow> &formatTable()
{
    using enum OutlineFiles::Format;
    static const std::vector<FormatRow> table = {
            {Opml,
             "opml",
             QT_TRANSLATE_NOOP("OutlineFiles", "OPML 2.0 (*.opml *.xml)"),
             {QStringLiteral(".opml"), QStringLiteral(".xml")}},
            {Markdown,
             "markdown",
             QT_TRANSLATE_NOOP("OutlineFiles", "Markdown (*.md *.markdown)"),
             {QStringLiteral(".md"), QStringLiteral(".markdown")}},
            {Text,
             "text",
             QT_TRANSLATE_NOOP("OutlineFiles", "Indented text (*.txt)"),
             {QStringLiteral(".txt")}},
            {Pdf,
             "pdf",
             QT_TRANSLATE_NOOP("OutlineFiles", "PDF (*.pdf)"),
             {QStringLiteral(".pdf")}},
    };
    return table;
}

const FormatRow &rowOf(OutlineFiles::Format format)
{
    return formatTable()[size_t(format)];
}

QByteArray join(FileReading::Contents &contents)
{
    QByteArray bytes;
    bytes.reserve(contents.size);
    for (const QByteArray &piece : contents.pieces)
        bytes += piece;
    contents.pieces.clear();
    return bytes;
}

} // namespace

namespace OutlineFiles {

std::optional<Format> formatNamed(const QString &name)
{
    for (const FormatRow &row : formatTable())
        if (name == QLatin1String(row.name))
            return row.format;
    return std::nullopt;
}

bool canImport(Format format)
{
    return format != Format::Pdf;
}

QStringList exportTypes()
{
    return {tr(rowOf(Format::Opml).type), tr(rowOf(Format::Markdown).type),
            tr(rowOf(Format::Text).type)};
}

QStringList importTypes()
{
    return exportTypes();
}

QString pdfType()
{
    return tr(rowOf(Format::Pdf).type);
}

std::optional<Format> formatOfType(const QString &type)
{
    for (const FormatRow &row : formatTable())
        if (type == tr(row.type))
            return row.format;
    return std::nullopt;
}

QString withExtension(const QString &name, Format format)
{
    const QStringList &extensions = rowOf(format).extensions;
    for (const QString &extension : extensions)
        if (name.endsWith(extension, Qt::CaseInsensitive))
            return name;
    return name + extensions.first();
}

SafeFile::Result write(Format format, const OutlineNode &root, const QString &path,
                       const QString &document, const Writer &pdf)
{
    const auto writer = [&](QFileDevice &file) {
        switch (format) {
        case Format::Pdf:
            return pdf && pdf(root, file);
        case Format::Opml:
            return Opml::write(root, file);
        case Format::Markdown: {
            const QByteArray bytes = Markdown::write(root);
            return file.write(bytes) == bytes.size();
        }
        case Format::Text: {
            const QByteArray bytes = IndentedText::write(root);
            return file.write(bytes) == bytes.size();
        }
        }
        return false;
    };
    return SafeFile::save(path, writer, QString(), document);
}

std::optional<OutlineNode> read(Format format, const QString &path, QWidget *parent)
{
    const QString cannotOpen = tr("Cannot open file\nНевозможно открыть файл\n") + path;
    FileReading::Contents contents;
    if (FileReading::readWhole(path, maxTreeFileSize, contents) != FileReading::Outcome::Read) {
        Messages::warning(parent, Messages::errorCaption(), cannotOpen);
        return std::nullopt;
    }
    const QByteArray bytes = join(contents);
    OutlineNode root;
    switch (format) {
    case Format::Opml:
        if (QString error; !Opml::read(bytes, root, error)) {
            Messages::warning(parent, Messages::errorCaption(),
                              cannotOpen + QLatin1Char('\n') + error);
            return std::nullopt;
        }
        break;
    case Format::Markdown:
        root = Markdown::read(bytes);
        break;
    case Format::Text:
        root = IndentedText::read(bytes);
        break;
    case Format::Pdf:
        return std::nullopt;
    }
    return root;
}

} // namespace OutlineFiles
