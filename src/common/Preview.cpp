#include "common/Preview.h"

#include "common/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

Preview::Preview(QWidget *parent)
    : QPlainTextEdit(parent)
{}

void Preview::previewUrl(const QUrl &url)
{
    const QString path = url.toLocalFile();
    // A pipe or a device could block the dialog or never end.
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    setReadOnly(true);
    QByteArray head;
    for (int line = 0; line < 10 && !file.atEnd(); ++line)
        head += file.readLine(251);
    const bool unicode = head.startsWith(utf8Mark);
    TextCodec codec(unicode ? TextEncoding::Utf8 : TextEncoding::Cp1251);
    QString text = codec.decode(QByteArrayView(head).sliced(unicode ? utf8Mark.size() : 0));
    if (!file.atEnd())
        text += QStringLiteral(". . .");
    setPlainText(text);
    show();
}
