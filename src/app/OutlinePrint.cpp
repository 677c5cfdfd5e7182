#include "app/OutlinePrint.h"

#include <QFileDevice>
#include <QPdfWriter>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace {

QTextCharFormat headingFormat(int depth)
{
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setFontPointSize(qMax(10, 16 - 2 * depth));
    return format;
}

} // namespace

namespace OutlinePrint {

QTextDocument *layOut(const OutlineNode &root)
{
    auto *document = new QTextDocument;
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    QTextBlockFormat titleBlock;
    titleBlock.setBottomMargin(12);
    cursor.setBlockFormat(titleBlock);
    cursor.insertText(root.name, headingFormat(0));
    const QTextCharFormat plain;
    QTextBlockFormat headingBlock;
    headingBlock.setTopMargin(8);
    const auto addDescription = [&](const QString &description, int depth) {
        if (description.isEmpty())
            return;
        QTextBlockFormat block;
        block.setIndent(depth);
        for (QStringView line : QStringTokenizer(description, u'\n')) {
            cursor.insertBlock(block, plain);
            cursor.insertText(line.toString());
        }
    };
    addDescription(root.description, 0);
    std::vector<int> numbers; // numbers[d - 1]: the place of the current theme at depth d
    walkOutline(
            root,
            [&](const OutlineNode &node, int depth) {
                numbers.resize(size_t(depth), 0);
                ++numbers.back();
                QString number;
                for (const int place : numbers)
                    number += QString::number(place) + QLatin1Char('.');
                headingBlock.setIndent(depth - 1);
                cursor.insertBlock(headingBlock, headingFormat(depth));
                cursor.insertText(number + QLatin1Char(' ') + node.name);
                addDescription(node.description, depth);
            },
            [](const OutlineNode &, int) {});
    return document;
}

void print(const OutlineNode &root, QPagedPaintDevice &device)
{
    const std::unique_ptr<QTextDocument> document(layOut(root));
    document->print(&device);
}

bool writePdf(const OutlineNode &root, QIODevice &device)
{
    {
        QPdfWriter writer(&device);
        writer.setTitle(root.name);
        writer.setCreator(QStringLiteral("brw"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        print(root, writer);
    }
    const auto *file = qobject_cast<QFileDevice *>(&device);
    return !file || file->error() == QFileDevice::NoError;
}

} // namespace OutlinePrint
